# korvel_embed_resources(TARGET <target> RESOURCE <type> <name> <language> <file> ...)
#
# Native builds: appends resources to the target's file after every link, in
# the form the platform layer's FindResourceA reads. A type or name of
# decimal digits is an integer id, anything else a name; the language is a
# number such as 0x409. Windows builds take resources from .rc files
# instead, so there the function does nothing.
function(korvel_embed_resources)
  if(WIN32)
    return()
  endif()
  cmake_parse_arguments(ARG "" "TARGET" "RESOURCE" ${ARGN})
  list(LENGTH ARG_RESOURCE count)
  math(EXPR remainder "${count} % 4")
  if(NOT ARG_TARGET OR count EQUAL 0 OR NOT remainder EQUAL 0)
    message(FATAL_ERROR "korvel_embed_resources(TARGET t RESOURCE type name language file ...)")
  endif()
  set(arguments "")
  set(files "")
  math(EXPR last "${count} - 1")
  foreach(index RANGE 0 ${last} 4)
    math(EXPR name_index "${index} + 1")
    math(EXPR language_index "${index} + 2")
    math(EXPR file_index "${index} + 3")
    list(GET ARG_RESOURCE ${index} type)
    list(GET ARG_RESOURCE ${name_index} name)
    list(GET ARG_RESOURCE ${language_index} language)
    list(GET ARG_RESOURCE ${file_index} file)
    get_filename_component(file "${file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    list(APPEND arguments ${type} ${name} ${language} ${file})
    list(APPEND files ${file})
  endforeach()
  add_custom_command(TARGET ${ARG_TARGET} POST_BUILD
    COMMAND korvel_append_resources $<TARGET_FILE:${ARG_TARGET}> ${arguments}
    COMMENT "Appending resources to ${ARG_TARGET}"
    VERBATIM)
  add_dependencies(${ARG_TARGET} korvel_append_resources)
  # Relink when a resource changes, so that POST_BUILD runs again.
  set_property(TARGET ${ARG_TARGET} APPEND PROPERTY LINK_DEPENDS ${files})
endfunction()

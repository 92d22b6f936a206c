# korvel_add_module(name SOURCES ... [DEF_FILE file.def] [LIBRARIES ...])
#
# A loadable module with the DLL protocol on every target.
#   Windows: <name>.DLL, exporting what DEF_FILE lists under plain names;
#            the entry point is the module's DllMain, called by the C
#            runtime's start-up code.
#   native:  the shared object <name>.so (no "lib" prefix). Everything is
#            hidden except the symbols declared KORVEL_MODULE_EXPORT (the
#            Dll* exports in platform/native/com.h), also those of the static
#            libraries linked in; platform/native/module_entry.cpp calls the
#            module's DllMain when the object is loaded and unloaded.
set(KORVEL_MODULE_ENTRY_SOURCE
    ${CMAKE_CURRENT_LIST_DIR}/../platform/native/module_entry.cpp)

function(korvel_add_module name)
  cmake_parse_arguments(ARG "" "DEF_FILE" "SOURCES;LIBRARIES" ${ARGN})
  add_library(${name} MODULE ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE korvel_platform ${ARG_LIBRARIES})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  if(WIN32)
    set_target_properties(${name} PROPERTIES SUFFIX ".DLL")
    if(ARG_DEF_FILE)
      target_sources(${name} PRIVATE ${ARG_DEF_FILE})
    endif()
    # The .def names the stdcall exports without their @n decoration.
    target_link_options(${name} PRIVATE -Wl,--enable-stdcall-fixup)
  else()
    set_target_properties(${name} PROPERTIES SUFFIX ".so")
    # Last, so that the module's own static objects are built before its
    # DllMain runs.
    target_sources(${name} PRIVATE ${KORVEL_MODULE_ENTRY_SOURCE})
    target_link_libraries(${name} PRIVATE ${CMAKE_DL_LIBS})
    target_link_options(${name} PRIVATE -Wl,--exclude-libs,ALL)
    if(NOT KORVEL_SANITIZE AND NOT KORVEL_TSAN)
      target_link_options(${name} PRIVATE -Wl,--no-undefined)
    endif()
  endif()
endfunction()

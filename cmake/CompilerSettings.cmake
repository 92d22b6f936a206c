# Warnings are errors on every target; the sanitizer switch applies to the
# native build only.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-Wall -Wextra -Werror -Wshadow
                      -Wno-unknown-pragmas)
endif()

if(WIN32)
  # Link the GCC, C++ and thread runtimes statically so the binaries need only
  # system DLLs.
  add_link_options(-static)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()

if(KORVEL_RELEASE_MODULE)
  if(NOT WIN32)
    message(FATAL_ERROR "KORVEL_RELEASE_MODULE is for the Windows build")
  endif()
  # The shipped module: small (no exceptions or RTTI, which the component
  # does not use, and unused sections collected), with debug information
  # that korvel_split_debug_info moves to a file beside it, and the same
  # bytes from every build: no link time stamp, and no build folder in the
  # debug information.
  add_compile_options(-Os -g -fno-exceptions -fno-rtti -ffunction-sections -fdata-sections
                      -ffile-prefix-map=${PROJECT_SOURCE_DIR}=korvel
                      -ffile-prefix-map=${PROJECT_BINARY_DIR}=korvel-build)
  add_link_options(-Wl,--gc-sections -Wl,--no-insert-timestamp)
endif()

# korvel_split_debug_info(<target>): after each link, moves the debug
# information of the target's file into <file>.debug beside it and leaves a
# debug link to it in the file. objcopy stamps the files it writes with the
# time given by SOURCE_DATE_EPOCH, else the current time: 0, as the linker
# leaves it.
function(korvel_split_debug_info target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
            ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>.debug
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
            ${CMAKE_OBJCOPY} --strip-debug --strip-unneeded
            --add-gnu-debuglink=$<TARGET_FILE:${target}>.debug $<TARGET_FILE:${target}>
    COMMENT "Moving the debug information of ${target} beside it"
    VERBATIM)
endfunction()

if(KORVEL_SANITIZE)
  if(WIN32)
    message(FATAL_ERROR "KORVEL_SANITIZE is for the native build")
  endif()
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(KORVEL_TSAN)
  if(WIN32 OR KORVEL_SANITIZE)
    message(FATAL_ERROR "KORVEL_TSAN is for the native build, without KORVEL_SANITIZE")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(KORVEL_FUZZ)
  if(WIN32)
    message(FATAL_ERROR "KORVEL_FUZZ is for the native build")
  endif()
  # Everything is instrumented for coverage and checked by the sanitizers;
  # the fuzzer's own driver is linked into the fuzz targets only.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined
                      -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

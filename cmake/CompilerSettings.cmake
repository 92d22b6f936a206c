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

# The MinGW-w64 cross-build of the DLL and its tests, shared by the
# toolchain file of each architecture, which sets KORVEL_MINGW_ARCH (the
# processor: i686 or x86_64) and KORVEL_WINEARCH (the Wine prefix kind the
# tests run in: win32 or win64) before including this file.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${KORVEL_MINGW_ARCH})

set(KORVEL_MINGW_PREFIX ${KORVEL_MINGW_ARCH}-w64-mingw32)
# The compilers of the posix thread model, so that the C++ thread library
# exists for tests; the release module, which starts no threads, takes the
# win32 model (KORVEL_MINGW_THREADS=win32). Everything links statically, so
# no MinGW runtime DLL is needed.
if(NOT KORVEL_MINGW_THREADS)
  set(KORVEL_MINGW_THREADS posix)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KORVEL_MINGW_THREADS)
set(CMAKE_C_COMPILER ${KORVEL_MINGW_PREFIX}-gcc-${KORVEL_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${KORVEL_MINGW_PREFIX}-g++-${KORVEL_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${KORVEL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KORVEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test binaries run under Wine, in the build tree's private prefix of the
# architecture's kind (the tests pass KORVEL_WINEARCH on to the script).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)

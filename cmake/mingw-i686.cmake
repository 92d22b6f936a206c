# Cross-build of the 32-bit Windows DLL and its tests with MinGW-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(KORVEL_MINGW_PREFIX i686-w64-mingw32)
# The posix thread model, so that the C++ thread library exists for tests;
# everything links statically, so no MinGW runtime DLL is needed.
set(CMAKE_C_COMPILER ${KORVEL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORVEL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KORVEL_MINGW_PREFIX}-windres)
set(KORVEL_WIDL ${KORVEL_MINGW_PREFIX}-widl)

set(CMAKE_FIND_ROOT_PATH /usr/${KORVEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test binaries run under Wine, in the build tree's private prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)

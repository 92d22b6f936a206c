# Cross-build of the 32-bit Windows DLL and its tests, run in a win32 prefix.
set(KORVEL_MINGW_ARCH i686)
set(KORVEL_WINEARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)

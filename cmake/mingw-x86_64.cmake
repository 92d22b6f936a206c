# Cross-build of the 64-bit Windows DLL and its tests, run in a win64 prefix.
set(KORVEL_MINGW_ARCH x86_64)
set(KORVEL_WINEARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)

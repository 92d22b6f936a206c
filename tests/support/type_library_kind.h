// The kind of type library the module under test carries: SYS_WIN64 in a
// 64-bit Windows build, SYS_WIN32 in the 32-bit one and natively. The build
// says which; registration files the library's path under a subkey of the
// same name ("win32" or "win64") below TypeLib\{LIBID}\1.0\0.
#pragma once

#include "platform/windows_api.h"

namespace korvel::testing {

inline constexpr SYSKIND kLibrarySyskind = KORVEL_TYPELIB_SYSKIND_VALUE;
inline constexpr const char* kLibraryPlatformSubkey = KORVEL_TYPELIB_SYSKIND_NAME;

}  // namespace korvel::testing

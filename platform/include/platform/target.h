// Which platform the code runs on, for the few places (tests, mostly) that
// must state a known difference between Windows and our own layer.
#pragma once

namespace platform {

#ifdef _WIN32
inline constexpr bool kIsNativeLayer = false;
inline constexpr const char* kName = "win32";
#else
inline constexpr bool kIsNativeLayer = true;
inline constexpr const char* kName = "native";
#endif

}  // namespace platform

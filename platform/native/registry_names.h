// Letter case and root handles of registry names, shared by the registry
// and its test hooks.
#pragma once

#include <string>

#include "platform/native/types.h"

namespace platform::registry_names {

constexpr int kRootCount = 7;

// The index 0..6 of a predefined root key handle, or -1 for any other
// handle.
int RootIndex(HKEY key);

// The name in upper case, as Windows compares names: ASCII and the letters
// of the ANSI code page fold to their capitals.
std::string Upper(const std::string& name);

// A key path in upper case without leading or trailing backslashes.
std::string NormalizedPath(const std::string& path);

}  // namespace platform::registry_names

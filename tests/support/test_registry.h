// Registry set-up for tests, through the same API on every platform.
#pragma once

#include <string>

#include "platform/windows_api.h"

namespace korvel::testing {

// Writes `valueName` ("" for the default value) with `type` and raw bytes
// below root\keyPath, creating the key. Returns the registry's status.
LONG WriteRegistryValue(HKEY root, const std::string& keyPath,
                        const std::string& valueName, DWORD type,
                        const std::string& bytes);

// Writes a REG_SZ value with its terminating NUL.
LONG WriteRegistryString(HKEY root, const std::string& keyPath,
                         const std::string& valueName, const std::string& text);

LONG CreateRegistryKey(HKEY root, const std::string& keyPath);

// Deletes root\keyPath with everything below it; a missing key is fine.
void DeleteRegistryTree(HKEY root, const std::string& keyPath);

// Deletes one value; a missing value is fine.
void DeleteRegistryValue(HKEY root, const std::string& keyPath,
                         const std::string& valueName);

bool RegistryKeyExists(HKEY root, const std::string& keyPath);

}  // namespace korvel::testing

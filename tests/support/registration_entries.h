// The registry entries of the registration script, for tests: reading them
// back and removing them.
#pragma once

#include <optional>
#include <string>

#include "platform/windows_api.h"

namespace korvel::testing {

inline constexpr char kClassKey[] = "CLSID\\{6E2A9C41-3B7D-4F58-A1C3-5D9E7B20F4A6}";
inline constexpr char kProgId[] = "TevraOmbrin.KorvelA.1";
inline constexpr char kIndependentProgId[] = "TevraOmbrin.KorvelA";
// The registration of the type library, version 1.0, below HKCR.
inline constexpr char kTypeLibraryKey[] = "TypeLib\\{3C7E5B92-D148-4A6F-8E2B-91F0A4D6C735}";
inline constexpr char kTypeLibraryVersionKey[] =
    "TypeLib\\{3C7E5B92-D148-4A6F-8E2B-91F0A4D6C735}\\1.0";

// The REG_SZ value `name` ("" for the default) of HKCR\`keyPath`, without
// its NUL; nothing when the key or value is missing or not a string.
std::optional<std::string> ClassesString(const std::string& keyPath, const std::string& name = "");

// The number of subkeys of HKCR\`keyPath`, or -1 when it cannot be opened.
long ClassesSubkeyCount(const std::string& keyPath);

bool ClassesKeyExists(const std::string& keyPath);

// Removes the two ProgID keys and the class key with everything below them.
void RemoveRegistrationEntries();

// Removes the registration of the type library: its TypeLib key and the
// Interface key of IKorvelA, with everything below them.
void RemoveTypeLibraryEntries();

// The entries of a complete registration for a module at `modulePath`,
// checked key by key; empty when they are all there, else what differs.
std::string MissingRegistrationEntries(const std::string& modulePath);

// The keys of the script that are left (CLSID aside); empty when none.
std::string LeftoverRegistrationKeys();

}  // namespace korvel::testing

#include "tests/support/registration_entries.h"

#include "platform/raii.h"
#include "tests/support/test_registry.h"

namespace korvel::testing {

std::optional<std::string> ClassesString(const std::string& keyPath, const std::string& name) {
  unique_hkey key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return std::nullopt;
  char data[1024];
  DWORD type = 0, bytes = sizeof data;
  if (RegQueryValueExA(key.get(), name.empty() ? nullptr : name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(data), &bytes) != ERROR_SUCCESS ||
      type != REG_SZ || bytes == 0 || data[bytes - 1] != 0)
    return std::nullopt;
  return std::string(data, bytes - 1);
}

long ClassesSubkeyCount(const std::string& keyPath) {
  unique_hkey key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return -1;
  DWORD subkeys = 0;
  if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return -1;
  return static_cast<long>(subkeys);
}

bool ClassesKeyExists(const std::string& keyPath) {
  return RegistryKeyExists(HKEY_CLASSES_ROOT, keyPath);
}

void RemoveRegistrationEntries() {
  DeleteRegistryTree(HKEY_CLASSES_ROOT, kProgId);
  DeleteRegistryTree(HKEY_CLASSES_ROOT, kIndependentProgId);
  DeleteRegistryTree(HKEY_CLASSES_ROOT, kClassKey);
}

void RemoveTypeLibraryEntries() {
  DeleteRegistryTree(HKEY_CLASSES_ROOT, kTypeLibraryKey);
  DeleteRegistryTree(HKEY_CLASSES_ROOT, "Interface\\{A83F1D27-9C64-4E0B-B7D5-2F61C8E493B0}");
}

std::string MissingRegistrationEntries(const std::string& modulePath) {
  const std::string classKey = kClassKey;
  const std::string clsid = "{6E2A9C41-3B7D-4F58-A1C3-5D9E7B20F4A6}";
  struct Expected {
    std::string key, name, value;
  };
  const Expected rows[] = {
      {kProgId, "", "KorvelA Class"},
      {std::string(kProgId) + "\\CLSID", "", clsid},
      {kIndependentProgId, "", "KorvelA Class"},
      {std::string(kIndependentProgId) + "\\CLSID", "", clsid},
      {std::string(kIndependentProgId) + "\\CurVer", "", kProgId},
      {classKey, "", "KorvelA Class"},
      {classKey + "\\ProgID", "", kProgId},
      {classKey + "\\VersionIndependentProgID", "", kIndependentProgId},
      {classKey + "\\InprocServer32", "", modulePath},
      {classKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
      {classKey + "\\TypeLib", "", "{3C7E5B92-D148-4A6F-8E2B-91F0A4D6C735}"},
  };
  std::string missing;
  for (const Expected& row : rows) {
    const auto found = ClassesString(row.key, row.name);
    if (found != row.value)
      missing += row.key + " [" + row.name + "] is " + (found ? "\"" + *found + "\"" : "missing") +
                 ", not \"" + row.value + "\"\n";
  }
  if (!ClassesKeyExists(classKey + "\\Programmable")) missing += classKey + "\\Programmable missing\n";
  if (ClassesString(classKey + "\\Programmable")) missing += "Programmable holds a value\n";
  return missing;
}

std::string LeftoverRegistrationKeys() {
  std::string left;
  for (const char* key : {kProgId, kIndependentProgId, kClassKey})
    if (ClassesKeyExists(key)) left += std::string(key) + "\n";
  return left;
}

}  // namespace korvel::testing

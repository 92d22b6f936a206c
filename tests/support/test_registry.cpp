#include "tests/support/test_registry.h"

#include "platform/raii.h"

namespace korvel::testing {

LONG CreateRegistryKey(HKEY root, const std::string& keyPath) {
  unique_hkey key;
  return RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr,
                         REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                         key.put(), nullptr);
}

LONG WriteRegistryValue(HKEY root, const std::string& keyPath,
                        const std::string& valueName, DWORD type,
                        const std::string& bytes) {
  unique_hkey key;
  LONG status = RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr,
                                REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                nullptr, key.put(), nullptr);
  if (status != ERROR_SUCCESS) return status;
  return RegSetValueExA(key.get(), valueName.empty() ? nullptr : valueName.c_str(),
                        0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                        static_cast<DWORD>(bytes.size()));
}

LONG WriteRegistryString(HKEY root, const std::string& keyPath,
                         const std::string& valueName, const std::string& text) {
  return WriteRegistryValue(root, keyPath, valueName, REG_SZ,
                            std::string(text.c_str(), text.size() + 1));
}

void DeleteRegistryTree(HKEY root, const std::string& keyPath) {
  {
    unique_hkey key;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ | KEY_WRITE,
                      key.put()) != ERROR_SUCCESS)
      return;
    char name[256];
    for (;;) {
      DWORD chars = sizeof name;
      if (RegEnumKeyExA(key.get(), 0, name, &chars, nullptr, nullptr, nullptr,
                        nullptr) != ERROR_SUCCESS)
        break;
      const std::string child = keyPath + "\\" + name;
      DeleteRegistryTree(root, child);
      if (RegistryKeyExists(root, child)) break;  // could not delete
    }
  }
  RegDeleteKeyA(root, keyPath.c_str());
}

void DeleteRegistryValue(HKEY root, const std::string& keyPath,
                         const std::string& valueName) {
  unique_hkey key;
  if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_ALL_ACCESS, key.put()) ==
      ERROR_SUCCESS)
    RegDeleteValueA(key.get(), valueName.c_str());
}

bool RegistryKeyExists(HKEY root, const std::string& keyPath) {
  unique_hkey key;
  return RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, key.put()) ==
         ERROR_SUCCESS;
}

}  // namespace korvel::testing

// RegisterTypeLib and UnRegisterTypeLib: the library's entries below
// HKEY_CLASSES_ROOT\TypeLib and the Interface entries of its automation
// interfaces.
#include <cstdio>
#include <string>

#include "platform/native/typelib/registry_paths.h"
#include "platform/raii.h"

namespace platform::typelib {
namespace {

// The proxies that marshal automation interfaces.
const char kDualProxy[] = "{00020424-0000-0000-C000-000000000046}";
const char kDispatchProxy[] = "{00020420-0000-0000-C000-000000000046}";

LONG WriteText(const std::string& path, const char* valueName, const std::string& text) {
  korvel::unique_hkey key;
  LONG status = RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_WRITE, nullptr, key.put(), nullptr);
  if (status != ERROR_SUCCESS) return status;
  return RegSetValueExA(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
}

std::string Narrow(BSTR text) {
  std::string narrow;
  if (text != nullptr) NarrowText(text, &narrow);
  return narrow;
}

// The proxy that marshals an automation interface, or null for a type that
// is none.
const char* AutomationProxy(const TYPEATTR* attributes) {
  if (attributes->typekind == TKIND_DISPATCH) {
    return (attributes->wTypeFlags & TYPEFLAG_FDUAL) ? kDualProxy : kDispatchProxy;
  }
  if (attributes->typekind == TKIND_INTERFACE &&
      (attributes->wTypeFlags & (TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDUAL))) {
    return kDualProxy;
  }
  return nullptr;
}

HRESULT RegisterInterfaces(ITypeLib* library, const TLIBATTR& libraryAttributes) {
  const UINT count = library->GetTypeInfoCount();
  for (UINT i = 0; i < count; ++i) {
    korvel::com_ptr<ITypeInfo> info;
    if (FAILED(library->GetTypeInfo(i, info.put()))) continue;
    TYPEATTR* attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes))) continue;
    auto release = korvel::scope_exit([&] { info->ReleaseTypeAttr(attributes); });
    const char* proxy = AutomationProxy(attributes);
    if (proxy == nullptr) continue;
    korvel::unique_bstr name;
    info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
    const std::string key = "Interface\\" + GuidKeyName(attributes->guid);
    const std::string version = VersionKeyName(libraryAttributes.wMajorVerNum, libraryAttributes.wMinorVerNum);
    if (WriteText(key, nullptr, Narrow(name.get())) != ERROR_SUCCESS ||
        WriteText(key + "\\ProxyStubClsid", nullptr, proxy) != ERROR_SUCCESS ||
        WriteText(key + "\\ProxyStubClsid32", nullptr, proxy) != ERROR_SUCCESS ||
        WriteText(key + "\\TypeLib", nullptr, GuidKeyName(libraryAttributes.guid)) != ERROR_SUCCESS ||
        WriteText(key + "\\TypeLib", "Version", version) != ERROR_SUCCESS) {
      return TYPE_E_REGISTRYACCESS;
    }
  }
  return S_OK;
}

// Removes the Interface entries of the library's interfaces that name this
// library.
void UnregisterInterfaces(ITypeLib* library, REFGUID libid) {
  const UINT count = library->GetTypeInfoCount();
  for (UINT i = 0; i < count; ++i) {
    korvel::com_ptr<ITypeInfo> info;
    if (FAILED(library->GetTypeInfo(i, info.put()))) continue;
    TYPEATTR* attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes))) continue;
    const GUID iid = attributes->guid;
    const bool automation = AutomationProxy(attributes) != nullptr;
    info->ReleaseTypeAttr(attributes);
    if (!automation) continue;
    const std::string key = "Interface\\" + GuidKeyName(iid);
    std::string owner;
    if (ReadDefaultText(HKEY_CLASSES_ROOT, key + "\\TypeLib", &owner) && owner == GuidKeyName(libid)) {
      DeleteKeyTree(HKEY_CLASSES_ROOT, key);
    }
  }
}

bool HasSubkeys(const std::string& path) {
  korvel::unique_hkey key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
  char name[256];
  DWORD chars = sizeof(name);
  return RegEnumKeyExA(key.get(), 0, name, &chars, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// A version key still holds a registration while a locale key is left.
bool HoldsLocale(const std::string& versionPath) {
  korvel::unique_hkey key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, versionPath.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
    return false;
  }
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD chars = sizeof(name);
    if (RegEnumKeyExA(key.get(), index, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      return false;
    }
    const std::string child(name, chars);
    if (child != "FLAGS" && child != "HELPDIR") return true;
  }
}

}  // namespace
}  // namespace platform::typelib

using namespace platform;
using namespace platform::typelib;

WINOLEAUTAPI RegisterTypeLib(ITypeLib* library, LPCOLESTR path, LPCOLESTR helpDirectory) {
  if (library == nullptr || path == nullptr) return E_INVALIDARG;
  TLIBATTR* attributes = nullptr;
  RETURN_IF_FAILED(library->GetLibAttr(&attributes));
  auto release = korvel::scope_exit([&] { library->ReleaseTLibAttr(attributes); });
  korvel::unique_bstr name, docString;
  RETURN_IF_FAILED(library->GetDocumentation(-1, name.put(), docString.put(), nullptr, nullptr));
  std::string narrowPath, narrowHelp;
  if (!NarrowText(path, &narrowPath)) return E_OUTOFMEMORY;
  if (helpDirectory != nullptr && !NarrowText(helpDirectory, &narrowHelp)) return E_OUTOFMEMORY;

  const std::string versionPath = LibraryKeyPath(attributes->guid) + "\\" +
                                  VersionKeyName(attributes->wMajorVerNum, attributes->wMinorVerNum);
  const std::string description = docString ? Narrow(docString.get()) : Narrow(name.get());
  const std::string filePath = versionPath + "\\" + LocaleKeyName(attributes->lcid) + "\\" +
                               PlatformKeyName(attributes->syskind);
  char flags[16];
  std::snprintf(flags, sizeof(flags), "%u", static_cast<unsigned>(attributes->wLibFlags));
  if (WriteText(versionPath, nullptr, description) != ERROR_SUCCESS ||
      WriteText(filePath, nullptr, narrowPath) != ERROR_SUCCESS ||
      WriteText(versionPath + "\\FLAGS", nullptr, flags) != ERROR_SUCCESS ||
      (helpDirectory != nullptr && WriteText(versionPath + "\\HELPDIR", nullptr, narrowHelp) != ERROR_SUCCESS)) {
    return TYPE_E_REGISTRYACCESS;
  }
  return RegisterInterfaces(library, *attributes);
}

WINOLEAUTAPI UnRegisterTypeLib(REFGUID libid, WORD major, WORD minor, LCID locale, SYSKIND syskind) {
  const std::string libraryPath = LibraryKeyPath(libid);
  const std::string versionPath = libraryPath + "\\" + VersionKeyName(major, minor);
  const std::string localePath = versionPath + "\\" + LocaleKeyName(locale);
  const std::string filePath = localePath + "\\" + PlatformKeyName(syskind);
  std::string registeredPath;
  if (!ReadDefaultText(HKEY_CLASSES_ROOT, filePath, &registeredPath)) return TYPE_E_REGISTRYACCESS;

  // The interfaces are known only from the library itself.
  std::basic_string<OLECHAR> widePath;
  korvel::com_ptr<ITypeLib> library;
  if (WideText(registeredPath, &widePath) && SUCCEEDED(LoadTypeLib(widePath.c_str(), library.put()))) {
    UnregisterInterfaces(library.get(), libid);
  }
  if (DeleteKeyTree(HKEY_CLASSES_ROOT, filePath) != ERROR_SUCCESS) return TYPE_E_REGISTRYACCESS;
  if (!HasSubkeys(localePath)) DeleteKeyTree(HKEY_CLASSES_ROOT, localePath);
  if (!HoldsLocale(versionPath)) DeleteKeyTree(HKEY_CLASSES_ROOT, versionPath);
  if (!HasSubkeys(libraryPath)) DeleteKeyTree(HKEY_CLASSES_ROOT, libraryPath);
  return S_OK;
}

#include "platform/native/typelib/registry_paths.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/raii.h"

namespace platform::typelib {

std::string LibraryKeyPath(REFGUID libid) { return "TypeLib\\" + GuidKeyName(libid); }

std::string VersionKeyName(WORD major, WORD minor) {
  char name[16];
  std::snprintf(name, sizeof(name), "%x.%x", major, minor);
  return name;
}

std::string LocaleKeyName(LCID locale) {
  char name[16];
  std::snprintf(name, sizeof(name), "%x", static_cast<unsigned>(locale));
  return name;
}

const char* PlatformKeyName(SYSKIND syskind) {
  switch (syskind) {
    case SYS_WIN16: return "win16";
    case SYS_WIN64: return "win64";
    case SYS_MAC: return "mac";
    default: return "win32";
  }
}

namespace {

// Parses "major.minor" in hexadecimal.
bool ParseVersion(const char* name, unsigned* major, unsigned* minor) {
  char* dot = nullptr;
  const unsigned long high = std::strtoul(name, &dot, 16);
  if (dot == name || *dot != '.') return false;
  char* end = nullptr;
  const unsigned long low = std::strtoul(dot + 1, &end, 16);
  if (end == dot + 1 || *end != 0 || high > 0xFFFF || low > 0xFFFF) return false;
  *major = static_cast<unsigned>(high);
  *minor = static_cast<unsigned>(low);
  return true;
}

}  // namespace

HRESULT FindRegisteredPath(REFGUID libid, WORD major, WORD minor, LCID locale, std::string* path) {
  const std::string libraryPath = LibraryKeyPath(libid);
  korvel::unique_hkey library;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, libraryPath.c_str(), 0, KEY_READ, library.put()) != ERROR_SUCCESS) {
    return TYPE_E_LIBNOTREGISTERED;
  }
  bool found = false;
  unsigned bestMinor = 0;
  for (DWORD index = 0;; ++index) {
    char name[64];
    DWORD chars = sizeof(name);
    if (RegEnumKeyExA(library.get(), index, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      break;
    }
    unsigned keyMajor = 0, keyMinor = 0;
    if (ParseVersion(name, &keyMajor, &keyMinor) && keyMajor == major && keyMinor >= minor &&
        (!found || keyMinor > bestMinor)) {
      found = true;
      bestMinor = keyMinor;
    }
  }
  if (!found) return TYPE_E_LIBNOTREGISTERED;
  const std::string versionPath = libraryPath + "\\" + VersionKeyName(major, static_cast<WORD>(bestMinor));
  const LCID locales[] = {locale, locale & 0x3FF, 0};
  for (LCID candidate : locales) {
    for (const char* platformName : {"win32", "win64"}) {
      const std::string candidatePath = versionPath + "\\" + LocaleKeyName(candidate) + "\\" + platformName;
      if (ReadDefaultText(HKEY_CLASSES_ROOT, candidatePath, path)) return S_OK;
    }
  }
  return TYPE_E_LIBNOTREGISTERED;
}

LONG DeleteKeyTree(HKEY root, const std::string& path) {
  {
    korvel::unique_hkey key;
    const LONG opened = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put());
    if (opened != ERROR_SUCCESS) return opened;
    std::vector<std::string> children;
    for (DWORD index = 0;; ++index) {
      char name[256];
      DWORD chars = sizeof(name);
      if (RegEnumKeyExA(key.get(), index, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        break;
      }
      children.emplace_back(name, chars);
    }
    for (const std::string& child : children) {
      const LONG deleted = DeleteKeyTree(root, path + "\\" + child);
      if (deleted != ERROR_SUCCESS) return deleted;
    }
  }
  return RegDeleteKeyA(root, path.c_str());
}

}  // namespace platform::typelib

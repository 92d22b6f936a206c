// Where type libraries are registered: below HKEY_CLASSES_ROOT, the key
// TypeLib\{LIBID}\major.minor (hexadecimal) holds FLAGS, HELPDIR and one key
// per locale (hexadecimal) with the file's path under win16, win32 or
// win64; Interface\{IID} describes each of the library's automation
// interfaces.
#pragma once

#include <string>

#include "platform/native/registry_text.h"
#include "platform/windows_api.h"

namespace platform::typelib {

std::string LibraryKeyPath(REFGUID libid);               // TypeLib\{LIBID}
std::string VersionKeyName(WORD major, WORD minor);      // 1.0, a.1f
std::string LocaleKeyName(LCID locale);                  // 0, 409
const char* PlatformKeyName(SYSKIND syskind);            // win32, ...

// The path registered for the library: the version major.x with the
// highest x >= minor, the key of `locale`, of its primary language, or of
// locale 0, then win32 or win64. TYPE_E_LIBNOTREGISTERED when there is none.
HRESULT FindRegisteredPath(REFGUID libid, WORD major, WORD minor, LCID locale, std::string* path);

// Deletes root\path with everything below it.
LONG DeleteKeyTree(HKEY root, const std::string& path);

}  // namespace platform::typelib

// Text as the layer's own services keep it in the registry: narrow ANSI
// strings, GUIDs in their braced form, and default values read back.
#pragma once

#include <string>

#include "platform/windows_api.h"

namespace platform {

// UTF-16 <-> ANSI code page, whole strings up to their terminator.
bool NarrowText(LPCOLESTR text, std::string* narrow);
bool WideText(const std::string& text, std::basic_string<OLECHAR>* wide);

std::string GuidKeyName(REFGUID guid);  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}

// Reads the default value of root\path, a string, as text.
bool ReadDefaultText(HKEY root, const std::string& path, std::string* text);

}  // namespace platform

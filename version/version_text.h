// Version texts: narrow bytes in the ANSI code page, made into the UTF-16
// automation strings that callers receive.
#pragma once

#include "platform/windows_api.h"

namespace korvel {

// Makes a new BSTR of `count` narrow bytes (which hold no NUL), converted
// through the ANSI code page; `count` 0 gives the empty string. Returns
// S_OK, or with *text null E_OUTOFMEMORY or the failed conversion's error
// (E_FAIL when it left none).
HRESULT NarrowTextToBstr(const char* bytes, size_t count, BSTR* text);

}  // namespace korvel

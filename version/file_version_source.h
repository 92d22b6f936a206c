// The text-file source: the location is a file path, and the first
// non-blank line of the file is the version text.
#pragma once

#include "platform/windows_api.h"

namespace korvel {

// Only this much of a version file is ever read.
constexpr DWORD kVersionFileBlockBytes = 512;

// Reads the version text from the file at `path` (null when the object's
// location holds no string). Yields a new BSTR in *version, or null for
// "nothing"; a file that cannot be opened stores 3 in *errorCode. Returns
// S_OK; E_OUTOFMEMORY, storing nothing, when memory runs out, or the error
// of a failed conversion.
HRESULT ReadFileVersion(LPCSTR path, LONG* errorCode, BSTR* version);

}  // namespace korvel

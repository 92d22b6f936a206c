// The file path of a loaded module, as the registration needs it.
#pragma once

#include "platform/windows_api.h"

namespace korvel {

// Reads the path of `module` into `path` (MAX_PATH characters). A path that
// does not fit is never used cut short: it gives
// HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER).
HRESULT ReadModulePath(HMODULE module, char (&path)[MAX_PATH]);

}  // namespace korvel

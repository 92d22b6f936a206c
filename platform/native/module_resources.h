// The layer's side of module resources, for module loading: data-file
// handles (from LoadLibraryExA with LOAD_LIBRARY_AS_DATAFILE) have their low
// bit set, as on Windows, and are released here.
#pragma once

#include "platform/native/types.h"

namespace platform::module_resources {

// Whether `module` is a live data-file handle.
bool IsDataFileModule(HMODULE module);

// Closes a data-file handle; FALSE with ERROR_INVALID_HANDLE when it is
// not one.
BOOL ReleaseDataFileModule(HMODULE module);

}  // namespace platform::module_resources

// The type library the module carries: loading it from the module file (or
// from a ".tlb" file beside it), and registering and unregistering it.
#pragma once

#include "platform/windows_api.h"

namespace korvel {

// Loads the type library from the module file, or else from the module
// path with its extension replaced by ".tlb". Hands back the library and
// the path it was loaded from; on failure, the second load's code.
HRESULT LoadModuleTypeLibrary(ITypeLib** typeLibrary, BSTR* path);

// Registers the module's type library with the folder of its file as the
// help directory.
HRESULT RegisterModuleTypeLibrary();

// Unregisters the module's type library through UnRegisterTypeLib, found
// at run time in "oleaut32.dll"; its absence is no error.
HRESULT UnregisterModuleTypeLibrary();

// The help directory of a type library at `path`: the path cut after its
// last backslash, slash or colon, which stays; empty when it has none.
// `out` holds at least as many characters as `path` with its NUL.
void HelpDirectoryOf(const OLECHAR* path, OLECHAR* out);

}  // namespace korvel

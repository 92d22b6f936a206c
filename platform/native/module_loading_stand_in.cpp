// Stands in for module loading (LoadLibraryA, FreeLibrary) until that lands
// in the layer: loads nothing, and frees data-file handles only. When the
// real ones arrive, this file goes and their FreeLibrary hands data-file
// handles to module_resources::ReleaseDataFileModule.
#include "module_resources.h"
#include "platform/native/errors.h"
#include "platform/native/module.h"

HMODULE WINAPI LoadLibraryA(LPCSTR) {
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

BOOL WINAPI FreeLibrary(HMODULE module) {
  return platform::module_resources::ReleaseDataFileModule(module);
}

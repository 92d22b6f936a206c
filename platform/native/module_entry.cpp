// Compiled into every module built with korvel_add_module(): gives the
// module the entry-point protocol of a DLL. Loading the shared object calls
// the module's DllMain with DLL_PROCESS_ATTACH and its own handle;
// unloading it calls DllMain with DLL_PROCESS_DETACH, unless the attach was
// refused.
#include <dlfcn.h>

#include "platform/windows_api.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason,
                               LPVOID reserved);

namespace {

HMODULE ownHandle;
bool attached;

void AddressInsideThisModule() {}

// The loader's handle for this module. Asking for it takes a reference,
// which is given back at once: the module does not keep itself loaded.
HMODULE FindOwnHandle() {
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&AddressInsideThisModule), &info) == 0 ||
      info.dli_fname == nullptr)
    return nullptr;
  void* handle = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
  if (handle != nullptr) dlclose(handle);
  return static_cast<HMODULE>(handle);
}

__attribute__((constructor)) void AttachModule() {
  ownHandle = FindOwnHandle();
  attached = DllMain(ownHandle, DLL_PROCESS_ATTACH, nullptr) != FALSE;
}

__attribute__((destructor)) void DetachModule() {
  if (attached) DllMain(ownHandle, DLL_PROCESS_DETACH, nullptr);
}

}  // namespace

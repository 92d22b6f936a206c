// The module's entry point: start-up at process attach, shutdown at
// process detach. Thread notifications are switched off at start-up.
#include "platform/windows_api.h"
#include "server/server_module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      return korvel::StartModule(instance);
    case DLL_PROCESS_DETACH:
      return korvel::StopModule();
    default:
      return TRUE;
  }
}

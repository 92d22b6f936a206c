// A module that records how its entry point is called, for the test of the
// layer's module protocol. KORVEL_ENTRY_PROBE_LOG names the file that gets
// one line per call; KORVEL_ENTRY_PROBE_REFUSE makes the attach fail.
#include <cstdio>
#include <cstdlib>

#include "platform/windows_api.h"

namespace {
HINSTANCE attachedWith;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (const char* log = std::getenv("KORVEL_ENTRY_PROBE_LOG")) {
    if (FILE* file = std::fopen(log, "a")) {
      std::fprintf(file, "%u\n", static_cast<unsigned>(reason));
      std::fclose(file);
    }
  }
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  attachedWith = instance;
  return std::getenv("KORVEL_ENTRY_PROBE_REFUSE") ? FALSE : TRUE;
}

// The handle the entry point was given at attach.
extern "C" KORVEL_MODULE_EXPORT HINSTANCE ProbeAttachedWith() {
  return attachedWith;
}

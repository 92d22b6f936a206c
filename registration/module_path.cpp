#include "registration/module_path.h"

#include "platform/last_error.h"

namespace korvel {

HRESULT ReadModulePath(HMODULE module, char (&path)[MAX_PATH]) {
  path[0] = 0;
  const DWORD copied = GetModuleFileNameA(module, path, MAX_PATH);
  if (copied == 0) return HResultFromLastError();
  // A path that fills the whole buffer has been cut.
  if (copied >= MAX_PATH) {
    path[0] = 0;
    return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  }
  return S_OK;
}

}  // namespace korvel

// The thread's last Win32 error as an HRESULT.
#pragma once

#include "platform/windows_api.h"

namespace korvel {

// E_FAIL when the failing call left no code, so that a failure is never
// reported as success.
inline HRESULT HResultFromLastError() {
  const DWORD error = GetLastError();
  return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

}  // namespace korvel

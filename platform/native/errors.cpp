#include "platform/native/errors.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

DWORD WINAPI GetLastError(void) { return lastError; }

void WINAPI SetLastError(DWORD error) { lastError = error; }

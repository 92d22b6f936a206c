// Process heap.
#pragma once

#include "platform/native/types.h"

#define HEAP_ZERO_MEMORY 0x00000008

WINBASEAPI HANDLE WINAPI GetProcessHeap(void);
WINBASEAPI LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
WINBASEAPI BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID memory);

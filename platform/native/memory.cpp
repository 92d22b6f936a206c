#include "platform/native/memory.h"

#include <cstdlib>
#include <cstring>

#include "fault_injection.h"
#include "platform/native/errors.h"

namespace {
int processHeap;  // its address is the heap handle
}

HANDLE WINAPI GetProcessHeap(void) { return &processHeap; }

LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
  if (heap != &processHeap) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (platform::faults::TakeAllocationFailure()) return nullptr;
  // Like the Windows heap, a zero-byte request yields a unique block.
  void* memory = (flags & HEAP_ZERO_MEMORY) ? std::calloc(1, bytes ? bytes : 1)
                                             : std::malloc(bytes ? bytes : 1);
  if (memory != nullptr) platform::faults::CountHeapBlock(+1);
  return memory;
}

BOOL WINAPI HeapFree(HANDLE heap, DWORD, LPVOID memory) {
  if (heap != &processHeap) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (memory != nullptr) platform::faults::CountHeapBlock(-1);
  std::free(memory);
  return TRUE;
}

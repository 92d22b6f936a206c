// Critical sections and interlocked counters.
#pragma once

#include "platform/native/types.h"

struct CRITICAL_SECTION {
  void* impl;  // the layer's recursive mutex
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;

WINBASEAPI void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section);
WINBASEAPI void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section);
WINBASEAPI void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section);
WINBASEAPI void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section);

inline LONG InterlockedIncrement(LONG volatile* value) {
  return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedDecrement(LONG volatile* value) {
  return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedExchange(LONG volatile* target, LONG value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange,
                                       LONG comparand) {
  __atomic_compare_exchange_n(target, &comparand, exchange, false,
                              __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}
inline void* InterlockedCompareExchangePointer(void* volatile* target,
                                               void* exchange,
                                               void* comparand) {
  __atomic_compare_exchange_n(target, &comparand, exchange, false,
                              __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}

typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID parameter);
WINBASEAPI HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES security,
                                      SIZE_T stackBytes,
                                      LPTHREAD_START_ROUTINE start,
                                      LPVOID parameter, DWORD flags,
                                      LPDWORD threadId);
#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0
#define WAIT_TIMEOUT 0x00000102L
#define WAIT_FAILED 0xFFFFFFFF
WINBASEAPI DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds);
WINBASEAPI void WINAPI Sleep(DWORD milliseconds);

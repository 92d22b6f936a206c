// Critical sections are recursive mutexes, as a thread may enter a section
// it already holds.
#include "platform/native/sync.h"

#include <mutex>

namespace {

std::recursive_mutex* MutexOf(LPCRITICAL_SECTION section) {
  return static_cast<std::recursive_mutex*>(section->impl);
}

}  // namespace

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section) {
  section->impl = new std::recursive_mutex;
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section) {
  MutexOf(section)->lock();
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section) {
  MutexOf(section)->unlock();
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section) {
  delete MutexOf(section);
  section->impl = nullptr;
}

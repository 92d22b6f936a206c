// Threads. A handle refers to a record that the thread and the handle share;
// whichever lets go last frees it. Waiting for the handle waits until the
// thread's routine has returned.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "platform/native/errors.h"
#include "platform/native/sync.h"
#include "thread_handles.h"

namespace {

struct ThreadRecord {
  LPTHREAD_START_ROUTINE start;
  LPVOID parameter;
  std::mutex lock;
  std::condition_variable finishedSignal;
  bool finished = false;
  DWORD exitCode = 0;
};

std::mutex& HandleLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

std::unordered_map<HANDLE, std::shared_ptr<ThreadRecord>>& LiveThreads() {
  static auto* threads =
      new std::unordered_map<HANDLE, std::shared_ptr<ThreadRecord>>;
  return *threads;
}

std::shared_ptr<ThreadRecord> Lookup(HANDLE handle) {
  std::lock_guard<std::mutex> guard(HandleLock());
  auto found = LiveThreads().find(handle);
  return found == LiveThreads().end() ? nullptr : found->second;
}

void RunThread(std::shared_ptr<ThreadRecord> record) {
  const DWORD exitCode = record->start(record->parameter);
  std::lock_guard<std::mutex> guard(record->lock);
  record->exitCode = exitCode;
  record->finished = true;
  record->finishedSignal.notify_all();
}

DWORD NextThreadId() {
  static std::atomic<DWORD> next{1};
  return next++;
}

}  // namespace

namespace platform::threads {

bool CloseThreadHandle(HANDLE handle) {
  std::lock_guard<std::mutex> guard(HandleLock());
  return LiveThreads().erase(handle) != 0;
}

}  // namespace platform::threads

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T,
                           LPTHREAD_START_ROUTINE start, LPVOID parameter,
                           DWORD flags, LPDWORD threadId) {
  // Suspended creation and the other flags are not supported.
  if (start == nullptr || flags != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto record = std::make_shared<ThreadRecord>();
  record->start = start;
  record->parameter = parameter;
  try {
    std::thread(RunThread, record).detach();
  } catch (const std::system_error&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  HANDLE handle = record.get();
  {
    std::lock_guard<std::mutex> guard(HandleLock());
    LiveThreads().emplace(handle, std::move(record));
  }
  if (threadId) *threadId = NextThreadId();
  return handle;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  std::shared_ptr<ThreadRecord> record = Lookup(handle);
  if (record == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  std::unique_lock<std::mutex> guard(record->lock);
  auto finished = [&] { return record->finished; };
  if (milliseconds == INFINITE) {
    record->finishedSignal.wait(guard, finished);
    return WAIT_OBJECT_0;
  }
  return record->finishedSignal.wait_for(
             guard, std::chrono::milliseconds(milliseconds), finished)
             ? WAIT_OBJECT_0
             : WAIT_TIMEOUT;
}

void WINAPI Sleep(DWORD milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

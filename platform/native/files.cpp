#include "platform/native/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <string>
#include <unordered_set>

#include "fault_injection.h"
#include "host_paths.h"
#include "platform/native/errors.h"
#include "thread_handles.h"

namespace {

struct OpenFile {
  int descriptor;
};

std::mutex& HandleLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

std::unordered_set<OpenFile*>& LiveFiles() {
  static auto* files = new std::unordered_set<OpenFile*>;
  return *files;
}

OpenFile* Lookup(HANDLE handle) {
  std::lock_guard<std::mutex> guard(HandleLock());
  auto* file = static_cast<OpenFile*>(handle);
  return LiveFiles().count(file) ? file : nullptr;
}

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENAMETOOLONG: return ERROR_INVALID_NAME;
    default: return ERROR_INVALID_PARAMETER;
  }
}

}  // namespace

HANDLE WINAPI CreateFileA(LPCSTR path, DWORD access, DWORD,
                          LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD,
                          HANDLE) {
  if (DWORD injected = platform::faults::TakeFileOpenFailure()) {
    SetLastError(injected);
    return INVALID_HANDLE_VALUE;
  }
  std::string hostPath;
  DWORD error = 0;
  if (!platform::host_paths::Resolve(path, &hostPath, &error)) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  int flags = O_CLOEXEC;
  const bool reads = (access & GENERIC_READ) != 0;
  const bool writes = (access & GENERIC_WRITE) != 0;
  flags |= reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
  switch (disposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_HANDLE_VALUE;
  }
  const int descriptor = open(hostPath.c_str(), flags, 0644);
  if (descriptor < 0) {
    SetLastError(ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  struct stat info;
  if (fstat(descriptor, &info) != 0 || S_ISDIR(info.st_mode)) {
    close(descriptor);
    SetLastError(ERROR_ACCESS_DENIED);  // as Windows answers for a folder
    return INVALID_HANDLE_VALUE;
  }
  auto* file = new OpenFile{descriptor};
  std::lock_guard<std::mutex> guard(HandleLock());
  LiveFiles().insert(file);
  return file;
}

BOOL WINAPI ReadFile(HANDLE handle, LPVOID buffer, DWORD bytes,
                     LPDWORD bytesRead, LPOVERLAPPED) {
  if (bytesRead) *bytesRead = 0;
  OpenFile* file = Lookup(handle);
  if (file == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (platform::faults::TakeFileReadFailure()) {
    SetLastError(ERROR_READ_FAULT);
    return FALSE;
  }
  DWORD total = 0;
  while (total < bytes) {
    const ssize_t got =
        read(file->descriptor, static_cast<char*>(buffer) + total, bytes - total);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      SetLastError(ErrorFromErrno(errno));
      return FALSE;
    }
    if (got == 0) break;
    total += static_cast<DWORD>(got);
  }
  if (bytesRead) *bytesRead = total;
  return TRUE;
}

BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytes,
                      LPDWORD bytesWritten, LPOVERLAPPED) {
  if (bytesWritten) *bytesWritten = 0;
  OpenFile* file = Lookup(handle);
  if (file == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DWORD total = 0;
  while (total < bytes) {
    const ssize_t put = write(file->descriptor,
                              static_cast<const char*>(buffer) + total,
                              bytes - total);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      SetLastError(ERROR_WRITE_FAULT);
      return FALSE;
    }
    total += static_cast<DWORD>(put);
  }
  if (bytesWritten) *bytesWritten = total;
  return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE handle) {
  OpenFile* file = nullptr;
  {
    std::lock_guard<std::mutex> guard(HandleLock());
    auto* candidate = static_cast<OpenFile*>(handle);
    if (LiveFiles().erase(candidate) != 0) file = candidate;
  }
  if (file == nullptr) {
    if (platform::threads::CloseThreadHandle(handle)) return TRUE;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  close(file->descriptor);
  delete file;
  return TRUE;
}

namespace {

template <typename Operation>
BOOL OnHostPath(LPCSTR path, Operation operation) {
  std::string hostPath;
  DWORD error = 0;
  if (!platform::host_paths::Resolve(path, &hostPath, &error)) {
    SetLastError(error);
    return FALSE;
  }
  if (operation(hostPath.c_str()) != 0) {
    SetLastError(errno == EEXIST ? ERROR_ALREADY_EXISTS
                 : errno == ENOTEMPTY ? ERROR_DIR_NOT_EMPTY
                                      : ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

}  // namespace

BOOL WINAPI DeleteFileA(LPCSTR path) {
  return OnHostPath(path, [](const char* host) { return unlink(host); });
}

BOOL WINAPI CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
  return OnHostPath(path, [](const char* host) { return mkdir(host, 0755); });
}

BOOL WINAPI RemoveDirectoryA(LPCSTR path) {
  return OnHostPath(path, [](const char* host) { return rmdir(host); });
}

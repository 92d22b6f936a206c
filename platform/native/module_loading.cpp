// Modules are shared objects: a module handle is the handle the dynamic
// loader gives for the object. A path with a drive letter resolves as a
// file path does; the bare name of a system DLL whose functions this layer
// provides loads the layer itself, so that GetProcAddress finds them there;
// any other path goes to the loader unchanged.
#include <dlfcn.h>
#include <link.h>
#include <strings.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fault_injection.h"
#include "host_paths.h"
#include "platform/native/errors.h"
#include "module_resources.h"
#include "platform/native/module.h"

namespace {

bool HasDriveLetter(const char* path) {
  return path[0] != 0 && path[1] == ':';
}

// The system DLLs whose functions this layer provides, without their ".dll".
const char* const kSystemLibraries[] = {"kernel32", "advapi32", "ole32", "oleaut32"};

// Whether `name` is one of those libraries by its bare name ("OleAut32.dll"
// or "oleaut32", as Windows appends ".dll" to a name without extension).
bool IsLayerSystemLibrary(const char* name) {
  const size_t length = std::strlen(name);
  const bool hasExtension = length > 4 && strcasecmp(name + length - 4, ".dll") == 0;
  const size_t stem = hasExtension ? length - 4 : length;
  for (const char* library : kSystemLibraries)
    if (std::strlen(library) == stem && strncasecmp(name, library, stem) == 0) return true;
  return false;
}

// The file of this layer's own shared object.
const char* LayerFile() {
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&LoadLibraryA), &info) == 0) return nullptr;
  return info.dli_fname;
}

// The loader's record of `module`, or null when it is not a loaded module.
// The loader's handle for an object is its record; a handle is looked for
// among the records, never followed, so that any value is safe to pass.
link_map* RecordOf(HMODULE module) {
  if (module == nullptr) return nullptr;
  link_map* record = nullptr;
  if (dlinfo(dlopen(nullptr, RTLD_LAZY), RTLD_DI_LINKMAP, &record) != 0)
    return nullptr;
  while (record != nullptr && record->l_prev != nullptr) record = record->l_prev;
  for (; record != nullptr; record = record->l_next)
    if (static_cast<void*>(record) == static_cast<void*>(module)) return record;
  return nullptr;
}

// The file of the running program, or of the module.
bool ModulePath(HMODULE module, std::string* path) {
  if (module == nullptr) {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return false;
    path->assign(buffer, static_cast<size_t>(length));
    return true;
  }
  link_map* record = RecordOf(module);
  if (record == nullptr || record->l_name == nullptr) return false;
  char* full = realpath(record->l_name, nullptr);
  if (full == nullptr) {
    path->assign(record->l_name);
  } else {
    path->assign(full);
    std::free(full);
  }
  return !path->empty();
}

}  // namespace

HMODULE WINAPI LoadLibraryA(LPCSTR path) {
  if (path == nullptr || *path == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string file(path);
  if (IsLayerSystemLibrary(path)) {
    const char* layer = LayerFile();
    if (layer == nullptr) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return nullptr;
    }
    file = layer;
  } else if (HasDriveLetter(path)) {
    DWORD error = 0;
    if (!platform::host_paths::Resolve(path, &file, &error)) {
      SetLastError(error);
      return nullptr;
    }
  }
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return static_cast<HMODULE>(handle);
}

BOOL WINAPI FreeLibrary(HMODULE module) {
  if (platform::module_resources::IsDataFileModule(module))
    return platform::module_resources::ReleaseDataFileModule(module);
  if (RecordOf(module) == nullptr || dlclose(module) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
  link_map* record = RecordOf(module);
  if (record == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // Modules export by name only.
  if (name == nullptr || IS_INTRESOURCE(name)) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  if (platform::faults::IsExportHidden(name)) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  void* symbol = dlsym(module, name);
  // The loader also searches what the module depends on; only the module's
  // own exports count.
  Dl_info info;
  link_map* owner = nullptr;
  if (symbol == nullptr ||
      dladdr1(symbol, &info, reinterpret_cast<void**>(&owner),
              RTLD_DL_LINKMAP) == 0 ||
      owner != record) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR path, DWORD pathChars) {
  std::string hostFile;
  if (!ModulePath(module, &hostFile)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  // Windows paths throughout: the host's files lie on drive Z:.
  const std::string file = platform::host_paths::ToWindowsPath(hostFile);
  if (path == nullptr || pathChars == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  // A name that does not fit is cut to the buffer, terminated, and its
  // length reported as the buffer's.
  if (file.size() >= pathChars) {
    std::memcpy(path, file.data(), pathChars - 1);
    path[pathChars - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return pathChars;
  }
  std::memcpy(path, file.c_str(), file.size() + 1);
  return static_cast<DWORD>(file.size());
}

BOOL WINAPI DisableThreadLibraryCalls(HMODULE module) {
  // Modules never receive thread notifications here.
  if (RecordOf(module) == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

#include "registration/module_type_library.h"

#include <cstring>

#include "platform/last_error.h"
#include "platform/raii.h"
#include "registration/module_path.h"
#include "server/server_module.h"

namespace korvel {
namespace {

using UnRegisterTypeLibFunction = HRESULT(STDAPICALLTYPE*)(REFGUID libid, WORD major,
                                                           WORD minor, LCID locale,
                                                           SYSKIND syskind);

// Loads the library from the narrow `path`; on success `loadedFrom` holds
// the path in UTF-16.
HRESULT LoadFrom(const char* path, ITypeLib** typeLibrary, unique_bstr* loadedFrom) {
  OLECHAR wide[MAX_PATH + 8];
  if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH + 8) == 0)
    return HResultFromLastError();
  RETURN_IF_FAILED(LoadTypeLib(wide, typeLibrary));
  loadedFrom->reset(SysAllocString(wide));
  if (!*loadedFrom) {
    (*typeLibrary)->Release();
    *typeLibrary = nullptr;
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

template <typename Interface>
struct ReleaseOnExit {
  Interface* object;
  ~ReleaseOnExit() {
    if (object) object->Release();
  }
};

}  // namespace

HRESULT LoadModuleTypeLibrary(ITypeLib** typeLibrary, BSTR* path) {
  *typeLibrary = nullptr;
  *path = nullptr;
  char modulePath[MAX_PATH];
  RETURN_IF_FAILED(ReadModulePath(ModuleInstance(), modulePath));
  unique_bstr loadedFrom;
  if (SUCCEEDED(LoadFrom(modulePath, typeLibrary, &loadedFrom))) {
    *path = loadedFrom.release();
    return S_OK;
  }
  // The same path with ".tlb" from its last "." on, or appended.
  char libraryPath[MAX_PATH + 4];
  std::strcpy(libraryPath, modulePath);
  char* dot = std::strrchr(libraryPath, '.');
  std::strcpy(dot ? dot : libraryPath + std::strlen(libraryPath), ".tlb");
  RETURN_IF_FAILED(LoadFrom(libraryPath, typeLibrary, &loadedFrom));
  *path = loadedFrom.release();
  return S_OK;
}

void HelpDirectoryOf(const OLECHAR* path, OLECHAR* out) {
  size_t keep = 0;
  for (size_t i = 0; path[i] != 0; ++i)
    if (path[i] == u'\\' || path[i] == u'/' || path[i] == u':') keep = i + 1;
  for (size_t i = 0; i < keep; ++i) out[i] = path[i];
  out[keep] = 0;
}

HRESULT RegisterModuleTypeLibrary() {
  ITypeLib* typeLibrary = nullptr;
  BSTR path = nullptr;
  RETURN_IF_FAILED(LoadModuleTypeLibrary(&typeLibrary, &path));
  ReleaseOnExit<ITypeLib> library{typeLibrary};
  unique_bstr pathOwner(path);
  unique_bstr helpDirectory(SysAllocStringLen(nullptr, SysStringLen(path)));
  if (!helpDirectory) return E_OUTOFMEMORY;
  HelpDirectoryOf(path, helpDirectory.get());
  return RegisterTypeLib(typeLibrary, path, helpDirectory.get());
}

HRESULT UnregisterModuleTypeLibrary() {
  ITypeLib* typeLibrary = nullptr;
  BSTR path = nullptr;
  const HRESULT loaded = LoadModuleTypeLibrary(&typeLibrary, &path);
  if (FAILED(loaded)) return loaded;
  ReleaseOnExit<ITypeLib> library{typeLibrary};
  unique_bstr pathOwner(path);
  TLIBATTR* attributes = nullptr;
  if (FAILED(typeLibrary->GetLibAttr(&attributes))) return loaded;
  unique_hmodule automation(LoadLibraryA("oleaut32.dll"));
  if (automation) {
    const FARPROC found = GetProcAddress(automation.get(), "UnRegisterTypeLib");
    if (found != nullptr) {
      // Through the generic function type, which converts to any other.
      const auto unregister = reinterpret_cast<UnRegisterTypeLibFunction>(
          reinterpret_cast<void (*)()>(found));
      unregister(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                 attributes->lcid, attributes->syskind);  // its result is ignored
    }
  }
  automation.reset();
  typeLibrary->ReleaseTLibAttr(attributes);
  return loaded;
}

}  // namespace korvel

// A minimal COM runtime for in-process servers: a class is found through
// HKEY_CLASSES_ROOT (ProgID -> CLSID -> InprocServer32), its module loaded
// once and asked for the class object; CoFreeUnusedLibraries unloads the
// modules that say they may go.
#include <mutex>
#include <string>
#include <vector>

#include "platform/native/registry_text.h"
#include "platform/raii.h"
#include "platform/windows_api.h"

namespace {

using GetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*);
using CanUnloadNowFunction = HRESULT(STDAPICALLTYPE*)();

struct LoadedServer {
  std::string path;
  HMODULE module;
};

std::mutex& ServersLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

std::vector<LoadedServer>& Servers() {
  static auto* servers = new std::vector<LoadedServer>;
  return *servers;
}

thread_local int initializeCount = 0;

template <typename Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The default value of HKEY_CLASSES_ROOT\keyPath, when it is a non-empty
// string.
bool ReadDefaultValue(const std::string& keyPath, std::string* text) {
  return platform::ReadDefaultText(HKEY_CLASSES_ROOT, keyPath, text) && !text->empty();
}

std::string Narrow(LPCOLESTR text) {
  std::string narrow;
  if (text != nullptr) platform::NarrowText(text, &narrow);
  return narrow;
}

std::string ClassKey(REFCLSID clsid) {
  return "CLSID\\" + platform::GuidKeyName(clsid);
}

HMODULE LoadServer(const std::string& path) {
  std::lock_guard<std::mutex> guard(ServersLock());
  for (const LoadedServer& server : Servers())
    if (server.path == path) return server.module;
  HMODULE module = LoadLibraryA(path.c_str());
  if (module != nullptr) Servers().push_back({path, module});
  return module;
}

}  // namespace

HRESULT WINAPI CoInitialize(LPVOID) { return initializeCount++ == 0 ? S_OK : S_FALSE; }

void WINAPI CoUninitialize(void) {
  if (initializeCount > 0 && --initializeCount == 0) CoFreeUnusedLibraries();
}

HRESULT WINAPI CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid) {
  if (progId == nullptr || clsid == nullptr) return E_INVALIDARG;
  std::string text;
  if (!ReadDefaultValue(Narrow(progId) + "\\CLSID", &text)) return CO_E_CLASSSTRING;
  std::basic_string<OLECHAR> wide;
  if (!platform::WideText(text, &wide)) return CO_E_CLASSSTRING;
  return SUCCEEDED(CLSIDFromString(wide.c_str(), clsid)) ? S_OK : CO_E_CLASSSTRING;
}

HRESULT WINAPI CoGetClassObject(REFCLSID clsid, DWORD context, LPVOID, REFIID iid,
                                LPVOID* object) {
  if (object == nullptr) return E_INVALIDARG;
  *object = nullptr;
  if (initializeCount == 0) return CO_E_NOTINITIALIZED;
  if (!(context & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
  std::string path;
  if (!ReadDefaultValue(ClassKey(clsid) + "\\InprocServer32", &path))
    return REGDB_E_CLASSNOTREG;
  HMODULE module = LoadServer(path);
  if (module == nullptr) return CO_E_DLLNOTFOUND;
  auto getClassObject = Export<GetClassObjectFunction>(module, "DllGetClassObject");
  if (getClassObject == nullptr) return CO_E_ERRORINDLL;
  return getClassObject(clsid, iid, object);
}

HRESULT WINAPI CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context,
                                REFIID iid, LPVOID* object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  korvel::com_ptr<IClassFactory> factory;
  const HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory,
                                      factory.put_void());
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(outer, iid, object);
}

void WINAPI CoFreeUnusedLibraries(void) {
  std::lock_guard<std::mutex> guard(ServersLock());
  auto& servers = Servers();
  for (auto it = servers.begin(); it != servers.end();) {
    auto canUnloadNow = Export<CanUnloadNowFunction>(it->module, "DllCanUnloadNow");
    if (canUnloadNow != nullptr && canUnloadNow() == S_OK) {
      FreeLibrary(it->module);
      it = servers.erase(it);
    } else {
      ++it;
    }
  }
}

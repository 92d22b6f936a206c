// The exports through which a host's COM runtime reaches the classes of the
// module and asks whether the module may be unloaded.
#include "platform/windows_api.h"
#include "server/server_module.h"

namespace korvel {
namespace {

// The slot is read without the lock once the class object exists, so it is
// read and published atomically.
IUnknown* ReadCachedClassObject(ClassEntry* entry) {
  return static_cast<IUnknown*>(InterlockedCompareExchangePointer(
      reinterpret_cast<void* volatile*>(&entry->cachedClassObject), nullptr,
      nullptr));
}

void PublishCachedClassObject(ClassEntry* entry, IUnknown* classObject) {
  InterlockedCompareExchangePointer(
      reinterpret_cast<void* volatile*>(&entry->cachedClassObject),
      classObject, nullptr);
}

// Builds the row's class object unless another thread has; S_OK or the
// creator's failure, which leaves the slot empty.
HRESULT EnsureClassObject(ClassEntry* entry) {
  HRESULT hr = S_OK;
  EnterClassObjectLock();
  if (ReadCachedClassObject(entry) == nullptr) {
    IUnknown* created = nullptr;
    hr = entry->createClassObject(entry->createInstance, IID_IUnknown,
                                  reinterpret_cast<void**>(&created));
    if (SUCCEEDED(hr)) PublishCachedClassObject(entry, created);
  }
  LeaveClassObjectLock();
  return hr;
}

}  // namespace
}  // namespace korvel

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  using namespace korvel;
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  HRESULT hr = S_OK;
  for (ClassEntry* entry = ModuleClassTable(); entry->clsid != nullptr;
       ++entry) {
    if (entry->createClassObject == nullptr ||
        !IsEqualCLSID(*entry->clsid, rclsid))
      continue;
    if (ReadCachedClassObject(entry) == nullptr) hr = EnsureClassObject(entry);
    if (IUnknown* classObject = ReadCachedClassObject(entry))
      hr = classObject->QueryInterface(riid, ppv);
    break;
  }
  if (*ppv == nullptr && hr == S_OK) return CLASS_E_CLASSNOTAVAILABLE;
  return hr;
}

STDAPI DllCanUnloadNow(void) {
  return korvel::ModuleLockCount() == 0 ? S_OK : S_FALSE;
}

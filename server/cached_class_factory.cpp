#include "server/cached_class_factory.h"

#include <new>

namespace korvel {

CachedClassFactory::CachedClassFactory(InstanceCreator createInstance)
    : createInstance_(createInstance) {
  InitializeCriticalSection(&lock_);
}

CachedClassFactory::~CachedClassFactory() { DeleteCriticalSection(&lock_); }

HRESULT CachedClassFactory::Create(InstanceCreator createInstance, REFIID iid,
                                   void** object) {
  void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(CachedClassFactory));
  if (memory == nullptr) return E_OUTOFMEMORY;
  auto* factory = new (memory) CachedClassFactory(createInstance);
  const HRESULT hr = factory->QueryInterface(iid, object);
  if (FAILED(hr)) factory->Destroy();
  return hr;
}

void CachedClassFactory::Destroy() {
  this->~CachedClassFactory();
  HeapFree(GetProcessHeap(), 0, this);
}

STDMETHODIMP CachedClassFactory::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory))
    return E_NOINTERFACE;
  AddRef();
  *object = static_cast<IClassFactory*>(this);
  return S_OK;
}

STDMETHODIMP_(ULONG) CachedClassFactory::AddRef() {
  EnterCriticalSection(&lock_);
  const LONG count = InterlockedIncrement(&count_);
  if (count == 2) LockModule();  // the first client reference
  LeaveCriticalSection(&lock_);
  return static_cast<ULONG>(count);
}

STDMETHODIMP_(ULONG) CachedClassFactory::Release() {
  EnterCriticalSection(&lock_);
  const LONG count = InterlockedDecrement(&count_);
  LeaveCriticalSection(&lock_);
  if (count == 0)
    Destroy();
  else if (count == 1)  // only the module's own reference is left
    UnlockModule();
  return static_cast<ULONG>(count);
}

STDMETHODIMP CachedClassFactory::CreateInstance(IUnknown* outer, REFIID iid,
                                                void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  // An aggregating outer object may only ask for the inner unknown.
  if (outer != nullptr && !IsEqualIID(iid, IID_IUnknown))
    return CLASS_E_NOAGGREGATION;
  return createInstance_(outer, iid, object);
}

STDMETHODIMP CachedClassFactory::LockServer(BOOL lock) {
  if (lock)
    LockModule();
  else
    UnlockModule();
  return S_OK;
}

}  // namespace korvel

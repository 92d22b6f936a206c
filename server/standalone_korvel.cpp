#include "server/standalone_korvel.h"

#include <new>

#include "server/server_module.h"

namespace korvel {

HRESULT StandaloneKorvelA::Create(REFIID iid, void** object) {
  void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(StandaloneKorvelA));
  if (memory == nullptr) return E_OUTOFMEMORY;
  auto* instance = new (memory) StandaloneKorvelA;
  HRESULT hr = instance->Construct();
  if (FAILED(hr)) {
    instance->~StandaloneKorvelA();
    HeapFree(GetProcessHeap(), 0, memory);
    return hr;
  }
  LockModule();
  hr = instance->QueryInterface(iid, object);
  if (FAILED(hr)) instance->Destroy();
  return hr;
}

void StandaloneKorvelA::Destroy() {
  UnlockModule();
  this->~StandaloneKorvelA();
  HeapFree(GetProcessHeap(), 0, this);
}

STDMETHODIMP StandaloneKorvelA::QueryInterface(REFIID iid, void** object) {
  return FindInterface(iid, object);
}

STDMETHODIMP_(ULONG) StandaloneKorvelA::AddRef() { return ++count_; }

STDMETHODIMP_(ULONG) StandaloneKorvelA::Release() {
  const ULONG count = --count_;
  if (count == 0) Destroy();
  return count;
}

}  // namespace korvel

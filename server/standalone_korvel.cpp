#include "server/standalone_korvel.h"

#include "server/server_module.h"

namespace korvel {

HRESULT StandaloneKorvelA::Create(REFIID iid, void** object) {
  return CreateInstanceOf<StandaloneKorvelA>(iid, object);
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

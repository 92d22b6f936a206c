#include "server/aggregated_korvel.h"

#include "server/server_module.h"

namespace korvel {

HRESULT AggregatedKorvelA::Create(IUnknown* outer, REFIID iid, void** object) {
  return CreateInstanceOf<AggregatedKorvelA>(iid, object, outer);
}

void AggregatedKorvelA::Destroy() {
  UnlockModule();
  this->~AggregatedKorvelA();
  HeapFree(GetProcessHeap(), 0, this);
}

STDMETHODIMP AggregatedKorvelA::QueryInterface(REFIID iid, void** object) {
  const HRESULT hr = outer_->QueryInterface(iid, object);
  if (SUCCEEDED(hr)) return hr;
  return FindInterface(iid, object);
}

STDMETHODIMP_(ULONG) AggregatedKorvelA::AddRef() { return outer_->AddRef(); }

STDMETHODIMP_(ULONG) AggregatedKorvelA::Release() { return outer_->Release(); }

STDMETHODIMP AggregatedKorvelA::InnerUnknown::QueryInterface(REFIID iid,
                                                             void** object) {
  if (!IsEqualIID(iid, IID_IUnknown)) return owner_->FindInterface(iid, object);
  if (object == nullptr) return E_POINTER;
  AddRef();
  *object = static_cast<IUnknown*>(this);
  return S_OK;
}

STDMETHODIMP_(ULONG) AggregatedKorvelA::InnerUnknown::AddRef() {
  return ++owner_->innerCount_;
}

STDMETHODIMP_(ULONG) AggregatedKorvelA::InnerUnknown::Release() {
  const ULONG count = --owner_->innerCount_;
  if (count == 0) owner_->Destroy();
  return count;
}

}  // namespace korvel

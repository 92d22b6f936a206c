#include "version/location_property.h"

namespace korvel {
namespace {

// The string slot that `value` carries, or null when it carries none.
const BSTR* StringSlotOf(const VARIANT& value) {
  if (value.vt == VT_BSTR) return &value.bstrVal;
  if (value.vt == (VT_BYREF | VT_VARIANT) && value.pvarVal != nullptr &&
      value.pvarVal->vt == VT_BSTR)
    return &value.pvarVal->bstrVal;
  return nullptr;
}

}  // namespace

HRESULT GetLocation(BSTR location, VARIANT* pVal) {
  if (pVal == nullptr) return E_POINTER;
  VariantClear(pVal);  // its failure changes nothing here
  VariantInit(pVal);
  BSTR copy = nullptr;
  if (location != nullptr) {
    copy = SysAllocStringLen(location, SysStringLen(location));
    if (copy == nullptr) return E_OUTOFMEMORY;
  }
  pVal->vt = VT_BSTR;
  pVal->bstrVal = copy;
  return S_OK;
}

HRESULT PutLocation(const VARIANT& newVal, unique_bstr* location) {
  const BSTR* slot = StringSlotOf(newVal);
  if (slot == nullptr) return S_OK;
  BSTR copy = nullptr;
  if (*slot != nullptr) {
    copy = SysAllocString(*slot);  // up to the first NUL
    if (copy == nullptr) return E_OUTOFMEMORY;
  }
  location->reset(copy);
  return S_OK;
}

}  // namespace korvel

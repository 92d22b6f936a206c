// VARIANT initialisation, release and copy. A by-reference VARIANT does not
// own what it refers to; every other VARIANT owns its string, its interface
// reference or its array.
#include "platform/native/variant.h"

#include "platform/native/bstr.h"
#include "platform/native/com.h"
#include "variant_types.h"

namespace {

// Makes `destination` an owning copy of `source`, which holds a valid type
// and is not by-reference; `destination` holds nothing owned beforehand.
HRESULT CopyOwned(VARIANTARG* destination, const VARIANTARG* source) {
  const VARTYPE type = source->vt;
  VARIANT copy = *source;
  if (type & VT_ARRAY) {
    HRESULT hr = SafeArrayCopy(source->parray, &copy.parray);
    if (FAILED(hr)) return hr;
  } else if (type == VT_BSTR) {
    if (source->bstrVal != nullptr) {
      copy.bstrVal = SysAllocStringByteLen(
          reinterpret_cast<LPCSTR>(source->bstrVal),
          SysStringByteLen(source->bstrVal));
      if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
    }
  } else if (type == VT_UNKNOWN || type == VT_DISPATCH) {
    if (source->punkVal != nullptr) source->punkVal->AddRef();
  }
  *destination = copy;
  return S_OK;
}

}  // namespace

void VariantInit(VARIANTARG* value) { value->vt = VT_EMPTY; }

HRESULT VariantClear(VARIANTARG* value) {
  if (value == nullptr) return E_INVALIDARG;
  const VARTYPE type = value->vt;
  if (!platform::variant_types::IsValid(type)) return DISP_E_BADVARTYPE;
  if (!(type & VT_BYREF)) {
    if (type & VT_ARRAY) {
      const HRESULT hr = SafeArrayDestroy(value->parray);
      if (FAILED(hr)) return hr;
    } else if (type == VT_BSTR) {
      SysFreeString(value->bstrVal);
    } else if (type == VT_UNKNOWN || type == VT_DISPATCH) {
      if (value->punkVal != nullptr) value->punkVal->Release();
    }
  }
  value->vt = VT_EMPTY;
  return S_OK;
}

HRESULT VariantCopy(VARIANTARG* destination, const VARIANTARG* source) {
  if (destination == nullptr || source == nullptr) return E_INVALIDARG;
  if (destination == source) return S_OK;
  if (!platform::variant_types::IsValid(source->vt)) return DISP_E_BADVARTYPE;
  HRESULT hr = VariantClear(destination);
  if (FAILED(hr)) return hr;
  if (source->vt & VT_BYREF) {
    *destination = *source;
    return S_OK;
  }
  return CopyOwned(destination, source);
}

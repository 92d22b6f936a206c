// One-dimensional arrays of automation values. The element type is kept in
// a header in front of the descriptor, so that an array can be copied and
// destroyed without being told what it holds.
#include <cstring>

#include "platform/native/bstr.h"
#include "platform/native/com.h"
#include "platform/native/memory.h"
#include "platform/native/variant.h"
#include "variant_types.h"

namespace {

// fFeatures bits: what the elements are, and whether the element type is
// recorded with the array.
constexpr USHORT kHaveVarType = 0x0080;
constexpr USHORT kHoldsBstrs = 0x0100;
constexpr USHORT kHoldsUnknowns = 0x0200;
constexpr USHORT kHoldsDispatches = 0x0400;
constexpr USHORT kHoldsVariants = 0x0800;

// Sits in front of every descriptor the layer makes; sized to keep the
// descriptor aligned.
struct alignas(alignof(SAFEARRAY)) ArrayHeader {
  VARTYPE type;
};

ArrayHeader* HeaderOf(SAFEARRAY* array) {
  return reinterpret_cast<ArrayHeader*>(array) - 1;
}

USHORT FeaturesFor(VARTYPE type) {
  switch (type) {
    case VT_BSTR: return kHaveVarType | kHoldsBstrs;
    case VT_UNKNOWN: return kHaveVarType | kHoldsUnknowns;
    case VT_DISPATCH: return kHaveVarType | kHoldsDispatches;
    case VT_VARIANT: return kHaveVarType | kHoldsVariants;
    default: return kHaveVarType;
  }
}

ULONG ElementCount(const SAFEARRAY* array) {
  ULONG count = 1;
  for (USHORT i = 0; i < array->cDims; ++i) count *= array->rgsabound[i].cElements;
  return count;
}

// Releases what the elements own and zeroes them.
void ClearElements(SAFEARRAY* array) {
  if (array->pvData == nullptr) return;
  const ULONG count = ElementCount(array);
  if (array->fFeatures & kHoldsBstrs) {
    auto* strings = static_cast<BSTR*>(array->pvData);
    for (ULONG i = 0; i < count; ++i) SysFreeString(strings[i]);
  } else if (array->fFeatures & (kHoldsUnknowns | kHoldsDispatches)) {
    auto* objects = static_cast<IUnknown**>(array->pvData);
    for (ULONG i = 0; i < count; ++i)
      if (objects[i] != nullptr) objects[i]->Release();
  } else if (array->fFeatures & kHoldsVariants) {
    auto* values = static_cast<VARIANT*>(array->pvData);
    for (ULONG i = 0; i < count; ++i) VariantClear(&values[i]);
  }
  std::memset(array->pvData, 0, static_cast<size_t>(count) * array->cbElements);
}

void FreeArray(SAFEARRAY* array) {
  HeapFree(GetProcessHeap(), 0, array->pvData);
  HeapFree(GetProcessHeap(), 0, HeaderOf(array));
}

// Copies the elements of `source` into the zeroed data of `copy`, which has
// the same type and shape. On failure the elements copied so far stay in
// `copy`, for its destruction to release.
HRESULT CopyElements(SAFEARRAY* source, SAFEARRAY* copy) {
  const ULONG count = ElementCount(source);
  if (source->fFeatures & kHoldsBstrs) {
    auto* from = static_cast<BSTR*>(source->pvData);
    auto* to = static_cast<BSTR*>(copy->pvData);
    for (ULONG i = 0; i < count; ++i) {
      if (from[i] == nullptr) continue;
      to[i] = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(from[i]),
                                    SysStringByteLen(from[i]));
      if (to[i] == nullptr) return E_OUTOFMEMORY;
    }
  } else if (source->fFeatures & (kHoldsUnknowns | kHoldsDispatches)) {
    auto* from = static_cast<IUnknown**>(source->pvData);
    auto* to = static_cast<IUnknown**>(copy->pvData);
    for (ULONG i = 0; i < count; ++i) {
      to[i] = from[i];
      if (to[i] != nullptr) to[i]->AddRef();
    }
  } else if (source->fFeatures & kHoldsVariants) {
    auto* from = static_cast<VARIANT*>(source->pvData);
    auto* to = static_cast<VARIANT*>(copy->pvData);
    for (ULONG i = 0; i < count; ++i) {
      const HRESULT hr = VariantCopy(&to[i], &from[i]);
      if (FAILED(hr)) return hr;
    }
  } else {
    std::memcpy(copy->pvData, source->pvData,
                static_cast<size_t>(count) * source->cbElements);
  }
  return S_OK;
}

// A descriptor for `dims` dimensions with zeroed data of `dataBytes`.
SAFEARRAY* AllocateArray(VARTYPE type, USHORT dims, size_t dataBytes) {
  const size_t descriptorBytes =
      sizeof(SAFEARRAY) + (dims > 1 ? (dims - 1) * sizeof(SAFEARRAYBOUND) : 0);
  auto* header = static_cast<ArrayHeader*>(HeapAlloc(
      GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(ArrayHeader) + descriptorBytes));
  if (header == nullptr) return nullptr;
  header->type = type;
  auto* array = reinterpret_cast<SAFEARRAY*>(header + 1);
  array->pvData = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, dataBytes);
  if (array->pvData == nullptr) {
    HeapFree(GetProcessHeap(), 0, header);
    return nullptr;
  }
  return array;
}

}  // namespace

SAFEARRAY* SafeArrayCreateVector(VARTYPE type, LONG lowerBound, ULONG elements) {
  const ULONG elementSize = platform::variant_types::ElementSize(type);
  if (elementSize == 0) return nullptr;
  if (elements > 0x7FFFFFFFu / elementSize) return nullptr;
  SAFEARRAY* array = AllocateArray(
      type, 1, static_cast<size_t>(elements) * elementSize);
  if (array == nullptr) return nullptr;
  array->cDims = 1;
  array->fFeatures = FeaturesFor(type);
  array->cbElements = elementSize;
  array->rgsabound[0].cElements = elements;
  array->rgsabound[0].lLbound = lowerBound;
  return array;
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
  if (array == nullptr) return S_OK;
  if (array->cLocks > 0) return DISP_E_ARRAYISLOCKED;
  ClearElements(array);
  FreeArray(array);
  return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* source, SAFEARRAY** copy) {
  if (copy == nullptr) return E_INVALIDARG;
  *copy = nullptr;
  if (source == nullptr) return S_OK;
  SAFEARRAY* made = AllocateArray(
      HeaderOf(source)->type, source->cDims,
      static_cast<size_t>(ElementCount(source)) * source->cbElements);
  if (made == nullptr) return E_OUTOFMEMORY;
  made->cDims = source->cDims;
  made->fFeatures = source->fFeatures;
  made->cbElements = source->cbElements;
  std::memcpy(made->rgsabound, source->rgsabound,
              source->cDims * sizeof(SAFEARRAYBOUND));
  const HRESULT hr = CopyElements(source, made);
  if (FAILED(hr)) {
    SafeArrayDestroy(made);
    return hr;
  }
  *copy = made;
  return S_OK;
}

#include "variant_types.h"

namespace platform::variant_types {
namespace {

bool IsValidBase(VARTYPE base) {
  // Records are not supported by the layer.
  return base <= VT_DECIMAL || (base >= VT_I1 && base <= VT_UINT);
}

}  // namespace

bool IsValid(VARTYPE type) {
  if (type & ~(VT_ARRAY | VT_BYREF | VT_TYPEMASK)) return false;
  const VARTYPE base = type & VT_TYPEMASK;
  if (!IsValidBase(base)) return false;
  const bool modified = (type & (VT_ARRAY | VT_BYREF)) != 0;
  // Nothing can refer to or hold an array of nothing; a VARIANT only ever
  // holds another VARIANT by reference or in an array.
  if (modified && (base == VT_EMPTY || base == VT_NULL)) return false;
  if (!modified && base == VT_VARIANT) return false;
  return true;
}

ULONG ElementSize(VARTYPE type) {
  switch (type) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
      return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
      return 8;
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH:
      return sizeof(void*);
    case VT_VARIANT:
      return sizeof(VARIANT);
    default:
      return 0;
  }
}

}  // namespace platform::variant_types

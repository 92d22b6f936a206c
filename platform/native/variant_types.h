// Which VARIANT type tags the layer accepts, and how large an element of
// each type is in an array.
#pragma once

#include "platform/native/variant.h"

namespace platform::variant_types {

// Whether `type` (with its VT_ARRAY and VT_BYREF flags) is a VARIANT type.
bool IsValid(VARTYPE type);

// The size of one array element of base type `type`, or 0 when arrays of
// that type are not supported.
ULONG ElementSize(VARTYPE type);

}  // namespace platform::variant_types

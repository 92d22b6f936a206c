// The get and put of a location property: a location is a BSTR the object
// owns, or no string at all.
#pragma once

#include "platform/raii.h"
#include "platform/windows_api.h"

namespace korvel {

// Releases what `pVal` holds and makes it a VT_BSTR copy of the whole
// location (null when the location holds no string). E_POINTER for a null
// `pVal`; E_OUTOFMEMORY leaves `pVal` VT_EMPTY.
HRESULT GetLocation(BSTR location, VARIANT* pVal);

// Takes the string of a VT_BSTR value, or of the VT_BSTR that a
// VT_BYREF|VT_VARIANT value refers to, up to its first NUL, as the new
// location; a null BSTR leaves the location holding no string. Any other
// value leaves the location as it was. The value stays the caller's.
// E_OUTOFMEMORY leaves the location as it was.
HRESULT PutLocation(const VARIANT& newVal, unique_bstr* location);

}  // namespace korvel

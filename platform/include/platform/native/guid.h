// GUIDs, and the interface and class identifiers the component meets.
#pragma once

#include <cstring>

#include "platform/native/types.h"

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;
typedef GUID* LPGUID;
typedef IID* LPIID;
typedef CLSID* LPCLSID;

inline bool IsEqualGUID(REFGUID a, REFGUID b) {
  return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}
inline bool IsEqualIID(REFIID a, REFIID b) { return IsEqualGUID(a, b); }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return IsEqualGUID(a, b); }
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }
inline bool operator!=(REFGUID a, REFGUID b) { return !IsEqualGUID(a, b); }

extern "C" KORVEL_PLATFORM_API const IID GUID_NULL;
extern "C" KORVEL_PLATFORM_API const IID IID_NULL;
extern "C" KORVEL_PLATFORM_API const IID IID_IUnknown;
extern "C" KORVEL_PLATFORM_API const IID IID_IClassFactory;
extern "C" KORVEL_PLATFORM_API const IID IID_IDispatch;
extern "C" KORVEL_PLATFORM_API const IID IID_ITypeInfo;
extern "C" KORVEL_PLATFORM_API const IID IID_ITypeInfo2;
extern "C" KORVEL_PLATFORM_API const IID IID_ITypeLib;
extern "C" KORVEL_PLATFORM_API const IID IID_IObjectSafety;

// GUID <-> "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
extern "C" KORVEL_PLATFORM_API int WINAPI StringFromGUID2(REFGUID guid,
                                                          LPOLESTR text,
                                                          int chars);
extern "C" KORVEL_PLATFORM_API HRESULT WINAPI CLSIDFromString(LPCOLESTR text,
                                                              LPCLSID clsid);

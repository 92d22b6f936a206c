// TEMPORARY stand-ins for services that land with other work (GUID
// constants and text, VARIANT lifetime, module resources), so that the
// type-library services build and test on their own. Delete this file when
// guid.cpp, variant.cpp and the module-resource functions are in.
#include <cstdio>
#include <cstring>

#include "platform/windows_api.h"

extern "C" {
const IID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
const IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
const IID IID_IUnknown = {0x00000000, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IClassFactory = {0x00000001, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IDispatch = {0x00020400, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_ITypeInfo = {0x00020401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_ITypeInfo2 = {0x00020412, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_ITypeLib = {0x00020402, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IObjectSafety = {
    0xCB5BDC81, 0x93C1, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};
}

int WINAPI StringFromGUID2(REFGUID guid, LPOLESTR text, int chars) {
  char narrow[40];
  std::snprintf(narrow, sizeof(narrow), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  if (chars < 39) return 0;
  for (int i = 0; i < 39; ++i) text[i] = static_cast<OLECHAR>(narrow[i]);
  return 39;
}

void WINAPI VariantInit(VARIANTARG* value) { std::memset(value, 0, sizeof(*value)); }

HRESULT WINAPI VariantClear(VARIANTARG* value) {
  if (value == nullptr) return E_INVALIDARG;
  if (value->vt == VT_BSTR) SysFreeString(value->bstrVal);
  if ((value->vt == VT_DISPATCH || value->vt == VT_UNKNOWN) && value->punkVal != nullptr) {
    value->punkVal->Release();
  }
  VariantInit(value);
  return S_OK;
}

HRESULT WINAPI VariantCopy(VARIANTARG* destination, const VARIANTARG* source) {
  if (destination == nullptr || source == nullptr) return E_INVALIDARG;
  if (destination == source) return S_OK;
  VARIANT copy = *source;
  if (source->vt == VT_BSTR && source->bstrVal != nullptr) {
    copy.bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
    if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
  }
  if ((source->vt == VT_DISPATCH || source->vt == VT_UNKNOWN) && source->punkVal != nullptr) {
    source->punkVal->AddRef();
  }
  VariantClear(destination);
  *destination = copy;
  return S_OK;
}

HMODULE WINAPI LoadLibraryExA(LPCSTR, HANDLE, DWORD) {
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}
BOOL WINAPI FreeLibrary(HMODULE) { return FALSE; }
HRSRC WINAPI FindResourceA(HMODULE, LPCSTR, LPCSTR) { return nullptr; }
HGLOBAL WINAPI LoadResource(HMODULE, HRSRC) { return nullptr; }
LPVOID WINAPI LockResource(HGLOBAL) { return nullptr; }
DWORD WINAPI SizeofResource(HMODULE, HRSRC) { return 0; }

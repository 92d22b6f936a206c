#include "version/korvel_object.h"

#include <cstring>

#include "platform/last_error.h"
#include "version/file_version_source.h"
#include "version/location_property.h"
#include "version/registry_version_source.h"
#include "version/version_text.h"

namespace korvel {

const OLECHAR kKorvelDescription[] = OLESTR(
    "Tevra Diagnostic Version Detecting Control Client, Version 1.0.0.3, "
    "Developed By Bramholt");

namespace {

const char kDefaultMxtLocation[] =
    "HKEY_CURRENT_USER\\Software\\Kessmer\\Tevra\\Setup\\SoftwareVersion";
const char kDefaultRvkLocation[] = "C:\\RVKTESTER\\ver.txt";
const char kDefaultEcmPcmLocation[] = "C:\\ECMPCM\\ver.txt";

HRESULT DefaultLocation(const char* text, unique_bstr* location) {
  return NarrowTextToBstr(text, std::strlen(text), location->put());
}

// The location as narrow text in the ANSI code page, for the sources; null
// when it holds no string.
HRESULT NarrowLocation(BSTR location, unique_heap_ptr* narrow) {
  narrow->reset();
  if (location == nullptr) return S_OK;
  // The location holds no NUL, so its end is its terminator.
  const int bytes = WideCharToMultiByte(CP_ACP, 0, location, -1, nullptr, 0,
                                        nullptr, nullptr);
  if (bytes <= 0) return HResultFromLastError();
  unique_heap_ptr buffer(HeapAlloc(GetProcessHeap(), 0, static_cast<SIZE_T>(bytes)));
  if (!buffer) return E_OUTOFMEMORY;
  if (WideCharToMultiByte(CP_ACP, 0, location, -1,
                          static_cast<LPSTR>(buffer.get()), bytes, nullptr,
                          nullptr) != bytes)
    return HResultFromLastError();
  *narrow = std::move(buffer);
  return S_OK;
}

}  // namespace

HRESULT KorvelA::Construct() {
  RETURN_IF_FAILED(DefaultLocation(kDefaultMxtLocation, &mxtLocation_));
  RETURN_IF_FAILED(DefaultLocation(kDefaultRvkLocation, &rvkLocation_));
  return DefaultLocation(kDefaultEcmPcmLocation, &ecmPcmLocation_);
}

HRESULT KorvelA::FindInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  IUnknown* found = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IKorvelA) ||
      IsEqualIID(iid, IID_IDispatch))
    found = static_cast<IKorvelA*>(this);
  else if (IsEqualIID(iid, IID_IObjectSafety))
    found = static_cast<IObjectSafety*>(this);
  if (found == nullptr) return E_NOINTERFACE;
  found->AddRef();
  *object = found;
  return S_OK;
}

STDMETHODIMP KorvelA::get_MxtVersionLocation(VARIANT* pVal) {
  return GetLocation(mxtLocation_.get(), pVal);
}
STDMETHODIMP KorvelA::put_MxtVersionLocation(VARIANT newVal) {
  return PutLocation(newVal, &mxtLocation_);
}
STDMETHODIMP KorvelA::get_RvkVersionLocation(VARIANT* pVal) {
  return GetLocation(rvkLocation_.get(), pVal);
}
STDMETHODIMP KorvelA::put_RvkVersionLocation(VARIANT newVal) {
  return PutLocation(newVal, &rvkLocation_);
}
STDMETHODIMP KorvelA::get_EcmPcmVersionLocation(VARIANT* pVal) {
  return GetLocation(ecmPcmLocation_.get(), pVal);
}
STDMETHODIMP KorvelA::put_EcmPcmVersionLocation(VARIANT newVal) {
  return PutLocation(newVal, &ecmPcmLocation_);
}

HRESULT KorvelA::QueryVersion(BSTR location, SourceReader read, VARIANT* pVal) {
  if (pVal == nullptr) return E_POINTER;
  pVal->vt = VT_EMPTY;  // pure output: what it held is not released
  unique_heap_ptr narrow;
  RETURN_IF_FAILED(NarrowLocation(location, &narrow));
  // The source works on a copy of the code, so that a call that runs out of
  // memory changes nothing.
  LONG errorCode = errorCode_;
  BSTR version = nullptr;
  RETURN_IF_FAILED(
      read(static_cast<LPCSTR>(narrow.get()), &errorCode, &version));
  errorCode_ = errorCode;
  if (version != nullptr) {
    pVal->vt = VT_BSTR;
    pVal->bstrVal = version;
  }
  return S_OK;
}

STDMETHODIMP KorvelA::GetMxtVersion(VARIANT* pVal) {
  return QueryVersion(mxtLocation_.get(), ReadRegistryVersion, pVal);
}
STDMETHODIMP KorvelA::GetRvkVersion(VARIANT* pVal) {
  return QueryVersion(rvkLocation_.get(), ReadFileVersion, pVal);
}
STDMETHODIMP KorvelA::GetEcmPcmVersion(VARIANT* pVal) {
  return QueryVersion(ecmPcmLocation_.get(), ReadFileVersion, pVal);
}

STDMETHODIMP KorvelA::GetLastError(LONG* nErrCode) {
  if (nErrCode == nullptr) return E_POINTER;
  *nErrCode = errorCode_;
  return S_OK;
}

STDMETHODIMP KorvelA::GetVersion(VARIANT* pVal) {
  if (pVal == nullptr) return E_POINTER;
  BSTR description = SysAllocString(kKorvelDescription);
  if (description == nullptr) return E_OUTOFMEMORY;
  // Not cleared first: pVal is pure output.
  pVal->vt = VT_BSTR;
  pVal->bstrVal = description;
  return S_OK;
}

HRESULT KorvelA::Answers(REFIID iid) {
  IUnknown* answered = nullptr;
  const HRESULT hr = static_cast<IKorvelA*>(this)->QueryInterface(
      iid, reinterpret_cast<void**>(&answered));
  if (SUCCEEDED(hr) && answered != nullptr) answered->Release();
  return hr;
}

STDMETHODIMP KorvelA::GetInterfaceSafetyOptions(REFIID iid, DWORD* supported,
                                                DWORD* enabled) {
  if (supported == nullptr || enabled == nullptr) return E_POINTER;
  const HRESULT hr = Answers(iid);
  if (FAILED(hr)) {
    *supported = 0;
    *enabled = 0;
    return hr;
  }
  *supported = kSupportedSafetyOptions;
  *enabled = safetyOptions_;
  return hr;
}

STDMETHODIMP KorvelA::SetInterfaceSafetyOptions(REFIID iid, DWORD mask,
                                                DWORD options) {
  if (FAILED(Answers(iid))) return E_NOINTERFACE;
  if (mask & ~kSupportedSafetyOptions) return E_FAIL;
  safetyOptions_ = (safetyOptions_ & ~mask) | (options & mask);
  return S_OK;
}

}  // namespace korvel

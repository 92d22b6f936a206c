// A compiled client: creates the component by its ProgID through the COM
// runtime and calls IKorvelA through its vtable.
//   korvel_client [rvk-file-location]
// It needs only the header generated from the interface description and
// the identifiers beside it (korvel.h, korvel_i.c), and links with ole32,
// oleaut32 and uuid.
#include <cstdio>
#include <string>

#include "korvel.h"  // IKorvelA, generated from the interface description

namespace {

// Runs a clean-up when it goes out of scope, on every path.
template <typename CleanUp>
class ScopeExit {
 public:
  explicit ScopeExit(CleanUp cleanUp) : cleanUp_(cleanUp) {}
  ~ScopeExit() { cleanUp_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  CleanUp cleanUp_;
};

std::string Narrow(const OLECHAR* text, UINT length) {
  if (length == 0) return std::string();
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length),
                                        nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), &narrow[0],
                      bytes, nullptr, nullptr);
  return narrow;
}

std::string Shown(const VARIANT& value) {
  if (value.vt == VT_EMPTY) return "(nothing)";
  if (value.vt != VT_BSTR) return "(unexpected type)";
  return "\"" + Narrow(value.bstrVal, SysStringLen(value.bstrVal)) + "\"";
}

// Calls one version query and prints what it yields.
HRESULT PrintVersion(IKorvelA* korvel, const char* label,
                     HRESULT (STDMETHODCALLTYPE IKorvelA::*query)(VARIANT*)) {
  VARIANT value;
  VariantInit(&value);
  const HRESULT hr = (korvel->*query)(&value);
  if (SUCCEEDED(hr)) std::printf("%-16s %s\n", label, Shown(value).c_str());
  VariantClear(&value);
  return hr;
}

int Fail(const char* what, HRESULT hr) {
  std::printf("%s failed: 0x%08lX\n", what, static_cast<unsigned long>(hr));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  HRESULT hr = CoInitialize(nullptr);
  if (FAILED(hr)) return Fail("CoInitialize", hr);
  ScopeExit uninitialize([] { CoUninitialize(); });

  CLSID clsid;
  hr = CLSIDFromProgID(OLESTR("TevraOmbrin.KorvelA"), &clsid);
  if (FAILED(hr)) return Fail("CLSIDFromProgID", hr);

  IKorvelA* korvel = nullptr;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IKorvelA,
                        reinterpret_cast<void**>(&korvel));
  if (FAILED(hr)) return Fail("CoCreateInstance", hr);
  ScopeExit release([&] { korvel->Release(); });

  if (argc > 1) {
    // A new RVK location, handed over as a VT_BSTR.
    const int chars = MultiByteToWideChar(CP_ACP, 0, argv[1], -1, nullptr, 0);
    BSTR location = SysAllocStringLen(nullptr, static_cast<UINT>(chars - 1));
    if (location == nullptr) return Fail("SysAllocStringLen", E_OUTOFMEMORY);
    ScopeExit freeLocation([&] { SysFreeString(location); });
    MultiByteToWideChar(CP_ACP, 0, argv[1], -1, location, chars);
    VARIANT newValue;
    VariantInit(&newValue);
    newValue.vt = VT_BSTR;
    newValue.bstrVal = location;
    hr = korvel->put_RvkVersionLocation(newValue);
    if (FAILED(hr)) return Fail("put_RvkVersionLocation", hr);
  }

  if (FAILED(hr = PrintVersion(korvel, "MXT version:", &IKorvelA::GetMxtVersion)) ||
      FAILED(hr = PrintVersion(korvel, "RVK version:", &IKorvelA::GetRvkVersion)) ||
      FAILED(hr = PrintVersion(korvel, "ECM/PCM version:", &IKorvelA::GetEcmPcmVersion)))
    return Fail("version query", hr);

  LONG errorCode = 0;
  hr = korvel->GetLastError(&errorCode);
  if (FAILED(hr)) return Fail("GetLastError", hr);
  std::printf("%-16s %ld\n", "Error code:", static_cast<long>(errorCode));

  VARIANT description;
  VariantInit(&description);
  hr = korvel->GetVersion(&description);
  if (FAILED(hr)) return Fail("GetVersion", hr);
  std::printf("%-16s %s\n", "Component:", Shown(description).c_str());
  VariantClear(&description);
  return 0;
}

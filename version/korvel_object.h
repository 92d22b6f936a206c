// The KorvelA object body: three locations, the error code and the safety
// options, the eleven IKorvelA operations and IObjectSafety. The body holds
// no reference count and answers neither IUnknown nor IDispatch itself: the
// server wraps it in a stand-alone or an aggregated instance, which does.
#pragma once

#include "platform/raii.h"
#include "platform/windows_api.h"
#include "version/korvel_interfaces.h"

namespace korvel {

// What GetVersion returns.
extern const OLECHAR kKorvelDescription[];

// The safety options the object supports: for untrusted callers and data.
constexpr DWORD kSupportedSafetyOptions =
    INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

class KorvelA : public IKorvelA, public IObjectSafety {
 public:
  // Gives the three locations their defaults; E_OUTOFMEMORY (or a failed
  // conversion's error) when a default cannot be built (the body is then
  // destroyed without being used).
  HRESULT Construct();

  // The object's interface table: IKorvelA (also the answer to IUnknown) and
  // IDispatch give the primary pointer, IObjectSafety the secondary one. The
  // pointer handed out is AddRef'd through its own IUnknown slots.
  HRESULT FindInterface(REFIID iid, void** object);

  STDMETHOD(get_MxtVersionLocation)(VARIANT* pVal) override;
  STDMETHOD(put_MxtVersionLocation)(VARIANT newVal) override;
  STDMETHOD(get_RvkVersionLocation)(VARIANT* pVal) override;
  STDMETHOD(put_RvkVersionLocation)(VARIANT newVal) override;
  STDMETHOD(get_EcmPcmVersionLocation)(VARIANT* pVal) override;
  STDMETHOD(put_EcmPcmVersionLocation)(VARIANT newVal) override;
  STDMETHOD(GetMxtVersion)(VARIANT* pVal) override;
  STDMETHOD(GetRvkVersion)(VARIANT* pVal) override;
  STDMETHOD(GetEcmPcmVersion)(VARIANT* pVal) override;
  STDMETHOD(GetLastError)(LONG* nErrCode) override;
  STDMETHOD(GetVersion)(VARIANT* pVal) override;

  STDMETHOD(GetInterfaceSafetyOptions)(REFIID iid, DWORD* supported,
                                       DWORD* enabled) override;
  STDMETHOD(SetInterfaceSafetyOptions)(REFIID iid, DWORD mask,
                                       DWORD options) override;

 protected:
  KorvelA() = default;
  ~KorvelA() = default;
  KorvelA(const KorvelA&) = delete;
  KorvelA& operator=(const KorvelA&) = delete;

 private:
  using SourceReader = HRESULT (*)(LPCSTR location, LONG* errorCode,
                                   BSTR* version);

  // Whether the object (or, aggregated, its controlling unknown) answers
  // `iid`: the QueryInterface result, with the interface released again.
  HRESULT Answers(REFIID iid);
  HRESULT QueryVersion(BSTR location, SourceReader read, VARIANT* pVal);

  unique_bstr mxtLocation_;
  unique_bstr rvkLocation_;
  unique_bstr ecmPcmLocation_;
  LONG errorCode_ = 0;
  DWORD safetyOptions_ = 0;
};

}  // namespace korvel

// The component's interface, class and library identities. The interface
// description in resources/korvel.idl is the reference; a test checks this
// declaration against the compiled type library, member by member.
#pragma once

#include "platform/windows_api.h"

// {A83F1D27-9C64-4E0B-B7D5-2F61C8E493B0}
extern "C" const IID IID_IKorvelA;
// {6E2A9C41-3B7D-4F58-A1C3-5D9E7B20F4A6}
extern "C" const CLSID CLSID_KorvelA;
// {3C7E5B92-D148-4A6F-8E2B-91F0A4D6C735}
extern "C" const GUID LIBID_KORVELLib;

// The dual interface: IDispatch's seven slots, then these eleven, in order.
struct IKorvelA : public IDispatch {
  STDMETHOD(get_MxtVersionLocation)(VARIANT* pVal) = 0;
  STDMETHOD(put_MxtVersionLocation)(VARIANT newVal) = 0;
  STDMETHOD(get_RvkVersionLocation)(VARIANT* pVal) = 0;
  STDMETHOD(put_RvkVersionLocation)(VARIANT newVal) = 0;
  STDMETHOD(get_EcmPcmVersionLocation)(VARIANT* pVal) = 0;
  STDMETHOD(put_EcmPcmVersionLocation)(VARIANT newVal) = 0;
  STDMETHOD(GetMxtVersion)(VARIANT* pVal) = 0;
  STDMETHOD(GetRvkVersion)(VARIANT* pVal) = 0;
  STDMETHOD(GetEcmPcmVersion)(VARIANT* pVal) = 0;
  STDMETHOD(GetLastError)(LONG* nErrCode) = 0;
  STDMETHOD(GetVersion)(VARIANT* pVal) = 0;
};

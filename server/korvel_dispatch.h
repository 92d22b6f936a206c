// KorvelA with the four IDispatch operations of its dual interface.
#pragma once

#include "version/korvel_object.h"

namespace korvel {

class KorvelADispatch : public KorvelA {
 public:
  STDMETHOD(GetTypeInfoCount)(UINT* count) override;
  STDMETHOD(GetTypeInfo)(UINT index, LCID locale,
                         ITypeInfo** typeInfo) override;
  STDMETHOD(GetIDsOfNames)(REFIID iid, LPOLESTR* names, UINT nameCount,
                           LCID locale, DISPID* dispids) override;
  STDMETHOD(Invoke)(DISPID member, REFIID iid, LCID locale, WORD flags,
                    DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                    UINT* argumentError) override;

 protected:
  KorvelADispatch() = default;
  ~KorvelADispatch() = default;
};

}  // namespace korvel

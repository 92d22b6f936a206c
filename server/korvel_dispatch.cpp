// Late binding for IKorvelA: the process-wide type information, loaded from
// the registered type library on first use, carries out every IDispatch
// call on every object.
#include "server/korvel_dispatch.h"

#include "server/type_info_cache.h"

namespace korvel {
namespace {

TypeInfoCache korvelATypeInfo = {&IID_IKorvelA, &LIBID_KORVELLib, 1, 0,
                                 nullptr,       nullptr,          0, false};

}  // namespace

STDMETHODIMP KorvelADispatch::GetTypeInfoCount(UINT* count) {
  return DispatchGetTypeInfoCount(count);
}

STDMETHODIMP KorvelADispatch::GetTypeInfo(UINT, LCID locale,
                                          ITypeInfo** typeInfo) {
  return DispatchGetTypeInfo(&korvelATypeInfo, locale, typeInfo);
}

STDMETHODIMP KorvelADispatch::GetIDsOfNames(REFIID, LPOLESTR* names,
                                            UINT nameCount, LCID locale,
                                            DISPID* dispids) {
  return DispatchGetIDsOfNames(&korvelATypeInfo, names, nameCount, locale,
                               dispids);
}

STDMETHODIMP KorvelADispatch::Invoke(DISPID member, REFIID, LCID locale,
                                     WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) {
  return DispatchInvoke(&korvelATypeInfo, static_cast<IKorvelA*>(this), member,
                        locale, flags, params, result, exception,
                        argumentError);
}

}  // namespace korvel

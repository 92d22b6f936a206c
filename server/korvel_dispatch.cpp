// Late binding is not built yet: the object reports its one type
// description but cannot hand it out, look up names or invoke by DISPID.
#include "server/korvel_dispatch.h"

namespace korvel {

STDMETHODIMP KorvelADispatch::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 1;
  return S_OK;
}

STDMETHODIMP KorvelADispatch::GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo) {
  if (typeInfo != nullptr) *typeInfo = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP KorvelADispatch::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID,
                                            DISPID*) {
  return E_NOTIMPL;
}

STDMETHODIMP KorvelADispatch::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*,
                                     VARIANT*, EXCEPINFO*, UINT*) {
  return E_NOTIMPL;
}

}  // namespace korvel

// Registering the module's own type library for late-binding tests, without
// the rest of its registration.
#pragma once

#include <string>

#include "platform/raii.h"
#include "tests/support/bstr_matchers.h"
#include "tests/support/type_library_kind.h"
#include "version/korvel_interfaces.h"

namespace korvel::testing {

// The module's path as Windows names it: natively the host's files lie on
// drive Z:, as under Wine.
inline std::u16string ModulePathWide() {
  std::string path = KORVEL_MODULE_PATH;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  std::u16string wide;
  for (char c : path) wide.push_back(c == '/' ? u'\\' : static_cast<unsigned char>(c));
  return wide;
}

inline HRESULT RegisterModuleLibrary() {
  unique_bstr path(NewBstr(ModulePathWide()));
  com_ptr<ITypeLib> library;
  HRESULT hr = LoadTypeLib(path.get(), library.put());
  if (FAILED(hr)) return hr;
  return RegisterTypeLib(library.get(), path.get(), nullptr);
}

inline void UnregisterModuleLibrary() {
  UnRegisterTypeLib(LIBID_KORVELLib, 1, 0, 0, kLibrarySyskind);
}

// One name looked up through IDispatch.
inline HRESULT IdOfName(IDispatch* dispatch, const char16_t* name, DISPID* dispid,
                        REFIID iid = IID_NULL) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(reinterpret_cast<const OLECHAR*>(name))};
  return dispatch->GetIDsOfNames(iid, names, 1, LOCALE_USER_DEFAULT, dispid);
}

}  // namespace korvel::testing

// DllRegisterServer and DllUnregisterServer: the class rows of the module
// first, the type library second.
#include "registration/server_registration.h"

#include "platform/raii.h"
#include "registration/module_type_library.h"
#include "server/server_module.h"

namespace korvel {
namespace {

// Rows that give a description are registered some other way. No row
// lists component categories, so there are none to enter or remove.
bool TakesPart(const ClassEntry& row) {
  return row.registration != nullptr &&
         (row.description == nullptr || row.description() == nullptr);
}

}  // namespace
}  // namespace korvel

STDAPI DllRegisterServer() {
  for (korvel::ClassEntry* row = korvel::ModuleClassTable(); row->clsid != nullptr; ++row) {
    if (!korvel::TakesPart(*row)) continue;
    RETURN_IF_FAILED(row->registration(TRUE));
  }
  return korvel::RegisterModuleTypeLibrary();
}

STDAPI DllUnregisterServer() {
  for (korvel::ClassEntry* row = korvel::ModuleClassTable(); row->clsid != nullptr; ++row)
    if (korvel::TakesPart(*row)) row->registration(FALSE);  // its result is ignored
  korvel::UnregisterModuleTypeLibrary();  // its result is ignored
  return S_OK;
}

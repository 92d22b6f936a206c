#include "server/class_table.h"

#include "registration/registration_script.h"

#include "server/aggregated_korvel.h"
#include "server/cached_class_factory.h"
#include "server/standalone_korvel.h"
#include "version/korvel_interfaces.h"

namespace korvel {
namespace {

// The class registers from the module's registration script.
HRESULT RegisterKorvelA(BOOL registerClass) {
  return RunRegistrationScript(kRegistrationScriptId, registerClass);
}

HRESULT CreateKorvelA(IUnknown* outer, REFIID iid, void** object) {
  if (outer == nullptr) return StandaloneKorvelA::Create(iid, object);
  return AggregatedKorvelA::Create(outer, iid, object);
}

// No description of its own: the class takes part when all classes are
// registered.
const OLECHAR* KorvelADescription() { return nullptr; }

const void* KorvelACategories() { return nullptr; }

void StartOrStopKorvelA(BOOL) {}

}  // namespace

ClassEntry ClassTable[] = {
    {&CLSID_KorvelA, RegisterKorvelA, CachedClassFactory::Create, CreateKorvelA,
     nullptr, KorvelADescription, KorvelACategories, StartOrStopKorvelA},
    {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace korvel

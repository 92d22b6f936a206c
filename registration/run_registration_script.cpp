#include "platform/raii.h"
#include "registration/module_path.h"
#include "registration/registration_script.h"
#include "server/server_module.h"

namespace korvel {

HRESULT RunRegistrationScript(WORD resourceId, BOOL registerFlag) {
  char modulePath[MAX_PATH];
  RETURN_IF_FAILED(ReadModulePath(ModuleInstance(), modulePath));
  return RunRegistrationScriptForModule(modulePath, resourceId, registerFlag);
}

}  // namespace korvel

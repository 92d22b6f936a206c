// Fuzzes the registration script: substitution, the notation and both
// passes over the registry (our in-memory one). Each input is registered,
// then unregistered, so the registry does not grow from run to run.
#include <cstddef>
#include <cstdint>

#include "registration/registration_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* script = reinterpret_cast<const char*>(data);
  const char modulePath[] = "C:\\Tools\\it's 100%\\Korvel.DLL";
  korvel::RunRegistrationScriptText(script, size, modulePath, TRUE);
  korvel::RunRegistrationScriptText(script, size, modulePath, FALSE);
  return 0;
}

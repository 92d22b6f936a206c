// Registration and unregistration of the module's classes from the
// registration script, a "REGISTRY" resource of the module.
#pragma once

#include <cstddef>

#include "platform/windows_api.h"

namespace korvel {

// The resource that holds the script of KorvelA.
constexpr WORD kRegistrationScriptId = 101;

// Reads the script with `resourceId` from this module, opened as a data
// file, puts the module path in for "%MODULE%", and registers (with
// roll-back) or unregisters its entries.
HRESULT RunRegistrationScript(WORD resourceId, BOOL registerFlag);

// As RunRegistrationScript, for the module file at `modulePath`.
HRESULT RunRegistrationScriptForModule(const char* modulePath, WORD resourceId,
                                       BOOL registerFlag);

// As RunRegistrationScript, over script bytes already in hand; `modulePath`
// is put in for "%MODULE%". The text ends at its first NUL, if any.
HRESULT RunRegistrationScriptText(const char* script, size_t bytes,
                                  const char* modulePath, BOOL registerFlag);

}  // namespace korvel

// The module's self-registration exports.
#pragma once

#include "platform/windows_api.h"

// Enters the class rows of the module from their registration scripts,
// then the type library; returns the first failure.
STDAPI DllRegisterServer();
// Removes them again; always S_OK.
STDAPI DllUnregisterServer();

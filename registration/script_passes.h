// The two passes of the registration script over the registry. The text is
// the substituted script; it is read as untrusted: any departure from the
// notation ends the pass with DISP_E_EXCEPTION, never reads past `length`.
#pragma once

#include <cstddef>

#include "platform/windows_api.h"

namespace korvel {

// Writes the entries of the script. If the pass stops with a failure (a key
// that can be neither opened nor created, or a departure from the
// notation), the unregister pass runs over the same text to roll back, and
// the register pass's failure is returned.
HRESULT RegisterScriptEntries(const char* text, size_t length);

// Removes the entries of the script, each block before its key; keys
// flagged NoRemove and keys that still hold other subkeys stay. Failures to
// open or delete are passed over; a departure from the notation gives
// DISP_E_EXCEPTION after the keys around it have been handled.
HRESULT UnregisterScriptEntries(const char* text, size_t length);

}  // namespace korvel

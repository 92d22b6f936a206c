// Deleting a registry key together with everything below it.
#pragma once

#include "platform/windows_api.h"

namespace korvel {

// Deletes `parent`\`name` depth first: each first subkey (index 0) in turn,
// then the key. A failure stops the delete where it is and is returned.
LONG DeleteRegistryKeyTree(HKEY parent, const char* name);

}  // namespace korvel

// Where the layer finds the drives of Windows paths. A drive letter maps to
// a host directory, as a Wine prefix maps C: to its drive_c. The mapping is
// taken from the environment (KORVEL_DRIVE_C for C:, and so on) unless a
// program sets it here.
#pragma once

#include "platform/native/types.h"

namespace platform {

// Maps drive `letter` to `hostDirectory`; a null directory removes the
// mapping, so that paths on that drive fail to resolve.
KORVEL_PLATFORM_API void MapDrive(char letter, const char* hostDirectory);

}  // namespace platform

// Thread handles, so that CloseHandle can close them as well as files.
#pragma once

#include "platform/native/types.h"

namespace platform::threads {

// Closes `handle` if it is a thread handle; false when it is not one.
bool CloseThreadHandle(HANDLE handle);

}  // namespace platform::threads

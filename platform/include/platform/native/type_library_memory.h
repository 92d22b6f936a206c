// Loading a type library from bytes in memory, for tests and fuzzing of the
// layer's reader. Not part of the Windows API.
#pragma once

#include <cstddef>

#include "platform/native/com.h"

namespace platform {

// As LoadTypeLib does with the contents of a .tlb file.
KORVEL_PLATFORM_API HRESULT LoadTypeLibFromMemory(const BYTE* bytes, size_t size,
                                                  ITypeLib** library);

}  // namespace platform

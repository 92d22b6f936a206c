// Reads a compiled type library in the MSFT format. The bytes are treated as
// hostile: every offset, count and length is checked before use, and a
// damaged file gives an HRESULT, never a read outside the buffer.
#pragma once

#include <cstddef>

#include "platform/native/typelib/type_library_model.h"

namespace platform::typelib {

// Fills `library` from `bytes`. TYPE_E_UNSUPFORMAT for what is not this
// format, TYPE_E_INVDATAREAD for a damaged file, E_OUTOFMEMORY.
HRESULT ReadMsftTypeLibrary(const BYTE* bytes, size_t size, LibraryModel* library);

}  // namespace platform::typelib

// The OLE Automation library's IUnknown and IDispatch, which every dual
// interface imports as its base. The layer carries their descriptions
// itself, as the system's stdole2.tlb gives them, so that dual interfaces
// resolve their base without that file.
#pragma once

#include <memory>

#include "platform/native/typelib/type_library_model.h"

namespace platform::typelib {

// {00020430-0000-0000-C000-000000000046}, version 2.0.
extern const GUID kStandardLibraryId;

// The library holding IUnknown (index 0) and IDispatch (index 1).
std::shared_ptr<const LibraryModel> StandardLibrary();

}  // namespace platform::typelib

// A client that asks a loaded type library everything: every type, each of
// its views reached, every description, name and documentation, every
// reference its members make and every interface it implements. Each type
// information object is walked once, however often it is reached, so the
// walk costs what the library holds.
#pragma once

#include <cstddef>

#include "platform/windows_api.h"

namespace korvel::testing {

struct TypeLibraryWalk {
  size_t typeInfos = 0;      // distinct objects walked
  size_t references = 0;     // GetRefTypeInfo calls that succeeded
  size_t implemented = 0;    // implemented interfaces listed
  size_t functions = 0;      // function descriptions read
};

// Walks at most `maxTypeInfos` distinct type information objects.
TypeLibraryWalk WalkTypeLibrary(ITypeLib* library, size_t maxTypeInfos = 1 << 16);

}  // namespace korvel::testing

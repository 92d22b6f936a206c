// Where the tests find the compiled type libraries: Windows paths on drive
// Z:, which is the host's root under Wine and in our layer alike.
#pragma once

#include <string>

#include "platform/windows_api.h"

namespace korvel::testing {

// The component's library, built from resources/korvel.idl.
inline const char* KorvelTypeLibraryPath() { return KORVEL_TEST_TYPELIB_PATH; }

// The library with typed arguments, built from tests/resources/invoke_shapes.idl.
inline const char* InvokeShapesTypeLibraryPath() { return KORVEL_TEST_SHAPES_TYPELIB_PATH; }

inline std::basic_string<OLECHAR> WidePath(const char* path) {
  std::basic_string<OLECHAR> wide;
  for (const char* c = path; *c != 0; ++c) wide.push_back(static_cast<OLECHAR>(static_cast<unsigned char>(*c)));
  return wide;
}

}  // namespace korvel::testing

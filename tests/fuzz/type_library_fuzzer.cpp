// Feeds arbitrary bytes to the type-library reader and asks the result
// everything a client could: every type in every view, every function
// description, names, documentation, referenced and implemented types.
#include <cstddef>
#include <cstdint>

#include "platform/native/type_library_memory.h"
#include "platform/raii.h"
#include "tests/support/type_library_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvel::com_ptr<ITypeLib> library;
  if (FAILED(platform::LoadTypeLibFromMemory(data, size, library.put()))) return 0;
  korvel::testing::WalkTypeLibrary(library.get());
  return 0;
}

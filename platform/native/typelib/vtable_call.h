// Calling a vtable entry of an interface with arguments known only at run
// time. The entries are called through C++ function-pointer types of the
// matching shape, for up to kMaxCallArguments arguments, each a 32-bit
// integer, a pointer or a VARIANT by value, and an HRESULT result.
#pragma once

#include <cstddef>

#include "platform/windows_api.h"

namespace platform::typelib {

constexpr size_t kMaxCallArguments = 3;

enum class ArgumentShape { kLong, kPointer, kVariant };

struct CallArgument {
  ArgumentShape shape = ArgumentShape::kLong;
  LONG number = 0;
  void* pointer = nullptr;
  VARIANT variant = {};
};

// Calls entry `slot` of the vtable of `instance`. E_NOTIMPL for more
// arguments than the shapes cover; otherwise the entry's own HRESULT.
HRESULT CallVtableEntry(void* instance, size_t slot, const CallArgument* arguments, size_t count);

}  // namespace platform::typelib

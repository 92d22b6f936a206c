#include "platform/native/typelib/vtable_call.h"

namespace platform::typelib {
namespace {

template <typename... Arguments>
HRESULT CallShape(void* instance, size_t slot, Arguments... arguments) {
  // An interface pointer points at its vtable pointer; a member function
  // takes the interface pointer as its first argument.
  using Entry = HRESULT(STDMETHODCALLTYPE*)(void*, Arguments...);
  void* const* vtable = *static_cast<void* const* const*>(instance);
  const auto entry = reinterpret_cast<Entry>(vtable[slot]);
  return entry(instance, arguments...);
}

template <typename... Collected>
HRESULT CallCollected(void* instance, size_t slot, const CallArgument* next, size_t remaining,
                      Collected... collected) {
  if (remaining == 0) return CallShape(instance, slot, collected...);
  if constexpr (sizeof...(Collected) < kMaxCallArguments) {
    switch (next->shape) {
      case ArgumentShape::kLong:
        return CallCollected(instance, slot, next + 1, remaining - 1, collected..., next->number);
      case ArgumentShape::kPointer:
        return CallCollected(instance, slot, next + 1, remaining - 1, collected..., next->pointer);
      case ArgumentShape::kVariant:
        return CallCollected(instance, slot, next + 1, remaining - 1, collected..., next->variant);
    }
  }
  return E_NOTIMPL;
}

}  // namespace

HRESULT CallVtableEntry(void* instance, size_t slot, const CallArgument* arguments, size_t count) {
  if (count > kMaxCallArguments) return E_NOTIMPL;
  return CallCollected(instance, slot, arguments, count);
}

}  // namespace platform::typelib

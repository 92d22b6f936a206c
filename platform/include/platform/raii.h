// The house set of owners for platform resources: each releases what it
// holds on every path out of a scope, so no early return leaks.
#pragma once

#include <utility>

#include "platform/windows_api.h"

namespace korvel {

// An owner of one handle-like value; Traits supplies the invalid value and
// how to release a valid one.
template <typename Traits>
class unique_any {
 public:
  using pointer = typename Traits::Type;

  unique_any() noexcept : value_(Traits::Invalid()) {}
  explicit unique_any(pointer value) noexcept : value_(value) {}
  unique_any(unique_any&& other) noexcept : value_(other.release()) {}
  unique_any& operator=(unique_any&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  unique_any(const unique_any&) = delete;
  unique_any& operator=(const unique_any&) = delete;
  ~unique_any() { reset(); }

  pointer get() const noexcept { return value_; }
  bool is_valid() const noexcept { return value_ != Traits::Invalid(); }
  explicit operator bool() const noexcept { return is_valid(); }

  void reset(pointer value = Traits::Invalid()) noexcept {
    pointer old = value_;
    value_ = value;
    if (old != Traits::Invalid()) Traits::Release(old);
  }
  pointer release() noexcept {
    pointer old = value_;
    value_ = Traits::Invalid();
    return old;
  }
  // For out parameters: releases what is held and hands out the slot.
  pointer* put() noexcept {
    reset();
    return &value_;
  }
  // After a call through put() failed: what it left in the slot is owned by
  // no one, so it is dropped without being released.
  void forget() noexcept { value_ = Traits::Invalid(); }

 private:
  pointer value_;
};

struct HkeyTraits {
  using Type = HKEY;
  static HKEY Invalid() { return nullptr; }
  static void Release(HKEY key) { RegCloseKey(key); }
};

struct FileHandleTraits {
  using Type = HANDLE;
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Release(HANDLE file) { CloseHandle(file); }
};

struct BstrTraits {
  using Type = BSTR;
  static BSTR Invalid() { return nullptr; }
  static void Release(BSTR text) { SysFreeString(text); }
};

struct HeapTraits {
  using Type = void*;
  static void* Invalid() { return nullptr; }
  static void Release(void* memory) { HeapFree(GetProcessHeap(), 0, memory); }
};

struct ModuleTraits {
  using Type = HMODULE;
  static HMODULE Invalid() { return nullptr; }
  static void Release(HMODULE module) { FreeLibrary(module); }
};

template <typename Interface>
struct ComTraits {
  using Type = Interface*;
  static Interface* Invalid() { return nullptr; }
  static void Release(Interface* object) { object->Release(); }
};

using unique_hkey = unique_any<HkeyTraits>;
using unique_file = unique_any<FileHandleTraits>;
using unique_bstr = unique_any<BstrTraits>;
using unique_heap_ptr = unique_any<HeapTraits>;
using unique_hmodule = unique_any<ModuleTraits>;

// One interface reference; put_void() is the slot for QueryInterface-style
// out parameters.
template <typename Interface>
class com_ptr : public unique_any<ComTraits<Interface>> {
 public:
  using unique_any<ComTraits<Interface>>::unique_any;
  Interface* operator->() const noexcept { return this->get(); }
  void** put_void() noexcept { return reinterpret_cast<void**>(this->put()); }
};

// A VARIANT that is initialised when made and cleared when it goes.
class unique_variant {
 public:
  unique_variant() noexcept { VariantInit(&value_); }
  unique_variant(const unique_variant&) = delete;
  unique_variant& operator=(const unique_variant&) = delete;
  ~unique_variant() { VariantClear(&value_); }
  VARIANT* get() noexcept { return &value_; }
  const VARIANT* operator->() const noexcept { return &value_; }

 private:
  VARIANT value_;
};

// Runs a callable when the scope ends, unless dismissed.
template <typename Callable>
class scope_exit_guard {
 public:
  explicit scope_exit_guard(Callable callable) : callable_(std::move(callable)) {}
  scope_exit_guard(const scope_exit_guard&) = delete;
  scope_exit_guard& operator=(const scope_exit_guard&) = delete;
  ~scope_exit_guard() {
    if (active_) callable_();
  }
  void release() noexcept { active_ = false; }

 private:
  Callable callable_;
  bool active_ = true;
};

template <typename Callable>
scope_exit_guard<Callable> scope_exit(Callable callable) {
  return scope_exit_guard<Callable>(std::move(callable));
}

}  // namespace korvel

#define RETURN_IF_FAILED(expression)              \
  do {                                            \
    const HRESULT korvel_hr_ = (expression);      \
    if (FAILED(korvel_hr_)) return korvel_hr_;    \
  } while (0)

// The creation steps both instance forms share: the instance's memory from
// the process heap, the body's defaults, one module lock, and the first
// QueryInterface, which brings the count to 1. Whatever fails leaves
// nothing behind: the module lock goes with the instance.
#pragma once

#include <new>

#include "server/server_module.h"

namespace korvel {

// `Instance` provides Construct() (the body's defaults),
// FirstQueryInterface() and Destroy() (module lock given back, members
// released, memory freed), and makes this function its friend.
template <typename Instance, typename... Arguments>
HRESULT CreateInstanceOf(REFIID iid, void** object, Arguments... arguments) {
  void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(Instance));
  if (memory == nullptr) return E_OUTOFMEMORY;
  auto* instance = new (memory) Instance(arguments...);
  HRESULT hr = instance->Construct();
  if (FAILED(hr)) {
    instance->~Instance();
    HeapFree(GetProcessHeap(), 0, memory);
    return hr;
  }
  LockModule();
  hr = instance->FirstQueryInterface(iid, object);
  if (FAILED(hr)) instance->Destroy();
  return hr;
}

}  // namespace korvel

// An object that only counts the references it is given, for tests that
// check who adds and releases them.
#pragma once

#include "platform/windows_api.h"

namespace korvel::testing {

struct CountedUnknown final : IUnknown {
  STDMETHOD(QueryInterface)(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++count; }
  STDMETHOD_(ULONG, Release)() override { return --count; }
  ULONG count = 1;
};

}  // namespace korvel::testing

// A KorvelA instance of its own: one identity and one reference count for
// both of its interface pointers. Alive, it holds one module lock.
#pragma once

#include "server/instance_creation.h"
#include "server/korvel_dispatch.h"

namespace korvel {

class StandaloneKorvelA final : public KorvelADispatch {
 public:
  // Builds an instance and hands out its `iid` interface; E_OUTOFMEMORY,
  // or E_NOINTERFACE for an interface it lacks, with nothing left behind.
  static HRESULT Create(REFIID iid, void** object);

  STDMETHOD(QueryInterface)(REFIID iid, void** object) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;

 private:
  template <typename Instance, typename... Arguments>
  friend HRESULT CreateInstanceOf(REFIID iid, void** object,
                                  Arguments... arguments);

  StandaloneKorvelA() = default;
  ~StandaloneKorvelA() = default;
  HRESULT FirstQueryInterface(REFIID iid, void** object) {
    return QueryInterface(iid, object);
  }
  void Destroy();

  ULONG count_ = 0;  // plain: an instance lives in one apartment
};

}  // namespace korvel

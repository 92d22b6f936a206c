// A KorvelA instance aggregated into an outer object. The outer object holds
// the inner unknown, which has a count of its own and decides the
// instance's lifetime; the body's two interface pointers delegate their
// IUnknown operations to the outer unknown, which is held without a
// reference. Alive, the instance holds one module lock.
#pragma once

#include "server/instance_creation.h"
#include "server/korvel_dispatch.h"

namespace korvel {

class AggregatedKorvelA final : public KorvelADispatch {
 public:
  // Builds an instance inside `outer` and hands out `iid` from its inner
  // unknown (IID_IUnknown gives the inner unknown itself); E_OUTOFMEMORY,
  // or the lookup's failure, with nothing left behind.
  static HRESULT Create(IUnknown* outer, REFIID iid, void** object);

  // The body's IUnknown slots, delegated to the outer unknown.
  STDMETHOD(QueryInterface)(REFIID iid, void** object) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;

 private:
  // The inner unknown: the one identity that is the instance's own.
  class InnerUnknown final : public IUnknown {
   public:
    explicit InnerUnknown(AggregatedKorvelA* owner) : owner_(owner) {}
    STDMETHOD(QueryInterface)(REFIID iid, void** object) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;

   private:
    AggregatedKorvelA* owner_;
  };

  template <typename Instance, typename... Arguments>
  friend HRESULT CreateInstanceOf(REFIID iid, void** object,
                                  Arguments... arguments);

  explicit AggregatedKorvelA(IUnknown* outer) : inner_(this), outer_(outer) {}
  ~AggregatedKorvelA() = default;
  // Through the inner unknown: IID_IUnknown gives the inner unknown itself.
  HRESULT FirstQueryInterface(REFIID iid, void** object) {
    return inner_.QueryInterface(iid, object);
  }
  void Destroy();

  InnerUnknown inner_;
  ULONG innerCount_ = 0;  // plain: an instance lives in one apartment
  IUnknown* outer_;       // not counted
};

}  // namespace korvel

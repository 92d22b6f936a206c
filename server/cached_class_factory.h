// The class object of one ClassTable row: built on the first request for
// its class, cached by the module until shutdown. The module's own
// reference (count 1) does not keep the module loaded; while clients hold
// the class object (count 2 or more) it adds one to the module lock count.
#pragma once

#include "server/server_module.h"

namespace korvel {

class CachedClassFactory final : public IClassFactory {
 public:
  // The class-object creator of a row: builds a class object bound to
  // `createInstance` and hands out its `iid` interface. E_OUTOFMEMORY, or
  // the failure of that QueryInterface, with nothing left behind.
  static HRESULT Create(InstanceCreator createInstance, REFIID iid,
                        void** object);

  STDMETHOD(QueryInterface)(REFIID iid, void** object) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;
  STDMETHOD(CreateInstance)(IUnknown* outer, REFIID iid, void** object) override;
  STDMETHOD(LockServer)(BOOL lock) override;

 private:
  explicit CachedClassFactory(InstanceCreator createInstance);
  ~CachedClassFactory();
  CachedClassFactory(const CachedClassFactory&) = delete;
  CachedClassFactory& operator=(const CachedClassFactory&) = delete;
  void Destroy();

  LONG volatile count_ = 0;
  CRITICAL_SECTION lock_;  // held while the count changes
  InstanceCreator createInstance_;
};

}  // namespace korvel

// The module as a host's COM runtime sees it: its class object, the
// instances it builds, their identity and counts, and when the module may
// be unloaded.
#include <gtest/gtest.h>

#include "tests/support/korvel_module.h"

namespace korvel {
namespace {

using testing::CountingOuter;

// An out pointer that an operation must clear on failure starts as this.
void* const kUntouched = reinterpret_cast<void*>(static_cast<uintptr_t>(0x5A5A5A50));

// {0D1E2F30-4152-6374-8596-A7B8C9DAEBFC}: an identifier nothing answers.
const GUID kUnknownGuid = {
    0x0D1E2F30, 0x4152, 0x6374, {0x85, 0x96, 0xA7, 0xB8, 0xC9, 0xDA, 0xEB, 0xFC}};

class Server : public testing::KorvelModuleTest {};

TEST_F(Server, ClassObjectIsBuiltOnceAndSharedByEveryRequest) {
  EXPECT_EQ(S_OK, CanUnloadNow());
  IClassFactory* first = nullptr;
  ASSERT_EQ(S_OK, GetClassObject(CLSID_KorvelA, IID_IClassFactory,
                                 reinterpret_cast<void**>(&first)));
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(S_FALSE, CanUnloadNow());

  IUnknown* second = nullptr;
  ASSERT_EQ(S_OK, GetClassObject(CLSID_KorvelA, IID_IUnknown,
                                 reinterpret_cast<void**>(&second)));
  EXPECT_EQ(static_cast<IUnknown*>(first), second);
  // The module holds one reference, each request one more.
  EXPECT_EQ(4u, first->AddRef());
  EXPECT_EQ(3u, first->Release());
  EXPECT_EQ(2u, second->Release());
  EXPECT_EQ(S_FALSE, CanUnloadNow());
  EXPECT_EQ(1u, first->Release());
  EXPECT_EQ(S_OK, CanUnloadNow());

  // Still cached: the next request gets the same object.
  IClassFactory* again = nullptr;
  ASSERT_EQ(S_OK, GetClassObject(CLSID_KorvelA, IID_IClassFactory,
                                 reinterpret_cast<void**>(&again)));
  EXPECT_EQ(first, again);
  again->Release();
  EXPECT_EQ(S_OK, CanUnloadNow());
}

TEST_F(Server, ClassObjectRequestsThatFail) {
  EXPECT_EQ(E_POINTER, GetClassObject(CLSID_KorvelA, IID_IClassFactory, nullptr));

  void* object = kUntouched;
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
            GetClassObject(kUnknownGuid, IID_IClassFactory, &object));
  EXPECT_EQ(nullptr, object);
  object = kUntouched;
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
            GetClassObject(IID_IKorvelA, IID_IClassFactory, &object));
  EXPECT_EQ(nullptr, object);

  // The class object answers only IUnknown and IClassFactory; the one built
  // by the failing request stays cached and holds no client reference.
  object = kUntouched;
  EXPECT_EQ(E_NOINTERFACE, GetClassObject(CLSID_KorvelA, IID_IDispatch, &object));
  EXPECT_EQ(nullptr, object);
  EXPECT_EQ(S_OK, CanUnloadNow());

  com_ptr<IClassFactory> factory = Factory();
  ASSERT_TRUE(factory);
  EXPECT_EQ(E_POINTER, factory->QueryInterface(IID_IClassFactory, nullptr));
  object = kUntouched;
  EXPECT_EQ(E_NOINTERFACE, factory->QueryInterface(IID_IKorvelA, &object));
  EXPECT_EQ(nullptr, object);
  com_ptr<IUnknown> unknown;
  ASSERT_EQ(S_OK, factory->QueryInterface(IID_IUnknown, unknown.put_void()));
  EXPECT_EQ(static_cast<IUnknown*>(factory.get()), unknown.get());
}

TEST_F(Server, LockServerCountsWithoutFloor) {
  struct Step {
    BOOL lock;
    HRESULT canUnload;
  };
  const Step steps[] = {
      {TRUE, S_FALSE}, {TRUE, S_FALSE}, {FALSE, S_FALSE}, {FALSE, S_OK},
      // An unmatched unlock takes the count below zero: still in use.
      {FALSE, S_FALSE}, {TRUE, S_OK},
  };
  com_ptr<IClassFactory> factory = Factory();
  ASSERT_TRUE(factory);
  IClassFactory* raw = factory.get();
  // The factory's own client reference counts too; let it go, keeping the
  // pointer (the module still holds the object).
  factory.reset();
  ASSERT_EQ(S_OK, CanUnloadNow());
  for (const Step& step : steps) {
    SCOPED_TRACE(step.lock);
    EXPECT_EQ(S_OK, raw->LockServer(step.lock));
    EXPECT_EQ(step.canUnload, CanUnloadNow());
  }
}

TEST_F(Server, CreateInstanceRequestsThatFail) {
  com_ptr<IClassFactory> factory = Factory();
  ASSERT_TRUE(factory);
  CountingOuter outer;
  EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IKorvelA, nullptr));
  EXPECT_EQ(E_POINTER, factory->CreateInstance(&outer, IID_IUnknown, nullptr));

  struct Case {
    const char* name;
    IUnknown* outer;
    const IID* iid;
    HRESULT expected;
  };
  const Case cases[] = {
      {"aggregated, asked for IKorvelA", &outer, &IID_IKorvelA, CLASS_E_NOAGGREGATION},
      {"aggregated, asked for IDispatch", &outer, &IID_IDispatch, CLASS_E_NOAGGREGATION},
      {"stand-alone, asked for IClassFactory", nullptr, &IID_IClassFactory, E_NOINTERFACE},
      {"stand-alone, asked for an unknown IID", nullptr, &kUnknownGuid, E_NOINTERFACE},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    void* object = kUntouched;
    EXPECT_EQ(test.expected, factory->CreateInstance(test.outer, *test.iid, &object));
    EXPECT_EQ(nullptr, object);
  }
  EXPECT_EQ(0, outer.queries + outer.addRefs + outer.releases);
  // Nothing built stays alive: only the factory keeps the module in use.
  factory.reset();
  EXPECT_EQ(S_OK, CanUnloadNow());
}

TEST_F(Server, StandaloneInstanceHasOneIdentityAndOneCount) {
  com_ptr<IKorvelA> korvel = CreateKorvel();
  ASSERT_TRUE(korvel);
  IKorvelA* primary = korvel.get();
  // The instance alone keeps the module in use.
  EXPECT_EQ(S_FALSE, CanUnloadNow());

  EXPECT_EQ(2u, primary->AddRef());
  EXPECT_EQ(1u, primary->Release());

  com_ptr<IDispatch> dispatch;
  ASSERT_EQ(S_OK, primary->QueryInterface(IID_IDispatch, dispatch.put_void()));
  EXPECT_EQ(static_cast<IDispatch*>(primary), dispatch.get());
  com_ptr<IObjectSafety> safety;
  ASSERT_EQ(S_OK, primary->QueryInterface(IID_IObjectSafety, safety.put_void()));
  EXPECT_NE(static_cast<void*>(primary), static_cast<void*>(safety.get()));

  // IUnknown from either pointer is the primary pointer; both pointers
  // share the one count.
  for (IUnknown* from : {static_cast<IUnknown*>(primary),
                         static_cast<IUnknown*>(safety.get())}) {
    com_ptr<IUnknown> unknown;
    ASSERT_EQ(S_OK, from->QueryInterface(IID_IUnknown, unknown.put_void()));
    EXPECT_EQ(static_cast<IUnknown*>(primary), unknown.get());
    com_ptr<IKorvelA> again;
    ASSERT_EQ(S_OK, from->QueryInterface(IID_IKorvelA, again.put_void()));
    EXPECT_EQ(primary, again.get());
  }
  EXPECT_EQ(4u, safety->AddRef());  // korvel, dispatch, safety, this one
  EXPECT_EQ(3u, safety->Release());

  void* object = kUntouched;
  EXPECT_EQ(E_NOINTERFACE, safety->QueryInterface(IID_IClassFactory, &object));
  EXPECT_EQ(nullptr, object);
  EXPECT_EQ(E_POINTER, primary->QueryInterface(IID_IKorvelA, nullptr));
  EXPECT_EQ(E_POINTER, safety->QueryInterface(IID_IUnknown, nullptr));

  dispatch.reset();
  safety.reset();
  EXPECT_EQ(0u, korvel.release()->Release());
  EXPECT_EQ(S_OK, CanUnloadNow());
}

TEST_F(Server, AggregatedInstanceDelegatesToTheOuterUnknown) {
  com_ptr<IClassFactory> factory = Factory();
  ASSERT_TRUE(factory);
  CountingOuter outer;
  IUnknown* inner = nullptr;
  ASSERT_EQ(S_OK, factory->CreateInstance(&outer, IID_IUnknown,
                                          reinterpret_cast<void**>(&inner)));
  ASSERT_NE(nullptr, inner);
  factory.reset();
  EXPECT_NE(static_cast<IUnknown*>(&outer), inner);
  EXPECT_EQ(0, outer.queries + outer.addRefs + outer.releases);
  EXPECT_EQ(S_FALSE, CanUnloadNow());

  // The inner unknown has its own count and answers IUnknown with itself.
  IUnknown* innerAgain = nullptr;
  ASSERT_EQ(S_OK, inner->QueryInterface(IID_IUnknown,
                                        reinterpret_cast<void**>(&innerAgain)));
  EXPECT_EQ(inner, innerAgain);
  EXPECT_EQ(3u, inner->AddRef());
  EXPECT_EQ(2u, inner->Release());
  EXPECT_EQ(1u, innerAgain->Release());
  EXPECT_EQ(E_POINTER, inner->QueryInterface(IID_IUnknown, nullptr));
  EXPECT_EQ(E_POINTER, inner->QueryInterface(IID_IKorvelA, nullptr));
  void* object = kUntouched;
  EXPECT_EQ(E_NOINTERFACE, inner->QueryInterface(IID_IClassFactory, &object));
  EXPECT_EQ(nullptr, object);
  EXPECT_EQ(0, outer.queries + outer.addRefs + outer.releases);

  // An interface of the body: its reference is the outer unknown's.
  IKorvelA* primary = nullptr;
  ASSERT_EQ(S_OK, inner->QueryInterface(IID_IKorvelA,
                                        reinterpret_cast<void**>(&primary)));
  EXPECT_EQ(1, outer.addRefs);
  EXPECT_EQ(0, outer.queries);
  EXPECT_EQ(2u, outer.count);
  EXPECT_EQ(3u, primary->AddRef());
  EXPECT_EQ(2u, primary->Release());
  EXPECT_EQ(2, outer.addRefs);
  EXPECT_EQ(1, outer.releases);

  // The body's QueryInterface asks the outer unknown first: IUnknown is the
  // outer object's identity.
  outer.inner = inner;
  com_ptr<IUnknown> identity;
  ASSERT_EQ(S_OK, primary->QueryInterface(IID_IUnknown, identity.put_void()));
  EXPECT_EQ(static_cast<IUnknown*>(&outer), identity.get());
  EXPECT_EQ(1, outer.queries);
  identity.reset();

  // The outer object hands IObjectSafety on to the inner unknown.
  IObjectSafety* safety = nullptr;
  ASSERT_EQ(S_OK, primary->QueryInterface(IID_IObjectSafety,
                                          reinterpret_cast<void**>(&safety)));
  EXPECT_EQ(2, outer.queries);
  com_ptr<IKorvelA> fromSafety;
  ASSERT_EQ(S_OK, safety->QueryInterface(IID_IKorvelA, fromSafety.put_void()));
  EXPECT_EQ(primary, fromSafety.get());
  EXPECT_EQ(3, outer.queries);
  fromSafety.reset();

  // When the outer unknown refuses, the body's own table answers.
  outer.inner = nullptr;
  com_ptr<IDispatch> dispatch;
  ASSERT_EQ(S_OK, safety->QueryInterface(IID_IDispatch, dispatch.put_void()));
  EXPECT_EQ(static_cast<IDispatch*>(primary), dispatch.get());
  EXPECT_EQ(4, outer.queries);
  dispatch.reset();

  safety->Release();
  primary->Release();
  EXPECT_EQ(1u, outer.count);  // every reference the outer was given is back
  EXPECT_EQ(S_FALSE, CanUnloadNow());
  EXPECT_EQ(0u, inner->Release());
  EXPECT_EQ(S_OK, CanUnloadNow());
}

TEST_F(Server, DispatchReportsOneTypeDescription) {
  com_ptr<IKorvelA> korvel = CreateKorvel();
  ASSERT_TRUE(korvel);
  UINT count = 7;
  EXPECT_EQ(S_OK, korvel->GetTypeInfoCount(&count));
  EXPECT_EQ(1u, count);
  EXPECT_EQ(E_POINTER, korvel->GetTypeInfoCount(nullptr));
}

}  // namespace
}  // namespace korvel

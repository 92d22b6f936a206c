// Late binding when memory runs out, and what a loaded cache costs: only our
// layer can fail allocations and count them.
#include <gtest/gtest.h>

#include "platform/native/test_hooks.h"
#include "tests/support/korvel_module.h"
#include "tests/support/module_type_library.h"

namespace korvel {
namespace {

namespace hooks = platform::test_hooks;
using testing::IdOfName;

// Loads the module afresh, as a module of its own beside the fixture's, and
// creates one KorvelA for late binding; the class object is not held.
com_ptr<IDispatch> CreateInFreshModule(HMODULE* module) {
  com_ptr<IDispatch> dispatch;
  *module = LoadLibraryA(KORVEL_MODULE_PATH);
  if (*module == nullptr) return dispatch;
  auto getClassObject = testing::GetExport<testing::DllGetClassObjectFunction>(
      *module, "DllGetClassObject");
  com_ptr<IClassFactory> factory;
  if (SUCCEEDED(getClassObject(CLSID_KorvelA, IID_IClassFactory, factory.put_void())))
    factory->CreateInstance(nullptr, IID_IDispatch, dispatch.put_void());
  return dispatch;
}

class KorvelDispatchFaults : public testing::KorvelModuleTest {
 protected:
  void SetUp() override {
    hooks::Reset();
    testing::UnregisterModuleLibrary();
    ASSERT_EQ(S_OK, testing::RegisterModuleLibrary());
    KorvelModuleTest::SetUp();
  }
  void TearDown() override {
    hooks::Reset();
    KorvelModuleTest::TearDown();
    testing::UnregisterModuleLibrary();
  }
};

TEST_F(KorvelDispatchFaults, ExactNamesCostNoAllocationOnceLoaded) {
  com_ptr<IDispatch> dispatch;
  ASSERT_EQ(S_OK, Factory()->CreateInstance(nullptr, IID_IDispatch, dispatch.put_void()));
  DISPID dispid = DISPID_UNKNOWN;
  ASSERT_EQ(S_OK, IdOfName(dispatch.get(), u"GetMxtVersion", &dispid));

  const unsigned long before = hooks::AllocationCount();
  for (const char16_t* name : {u"GetMxtVersion", u"MxtVersionLocation", u"GetVersion"})
    EXPECT_EQ(S_OK, IdOfName(dispatch.get(), name, &dispid));
  EXPECT_EQ(before, hooks::AllocationCount());
}

// Module shutdown after a load releases the type information and frees
// every cached name: the layer's heap is back where it was.
TEST_F(KorvelDispatchFaults, ShutdownFreesTheCache) {
  FreeLibrary(module_);
  module_ = nullptr;
  const long before = hooks::LiveAllocationCount();
  HMODULE module = nullptr;
  {
    com_ptr<IDispatch> dispatch = CreateInFreshModule(&module);
    ASSERT_NE(nullptr, module);
    ASSERT_TRUE(dispatch);
    DISPID dispid = DISPID_UNKNOWN;
    ASSERT_EQ(S_OK, IdOfName(dispatch.get(), u"GetVersion", &dispid));
    // Eighteen cached names, at least, are held now.
    EXPECT_GE(hooks::LiveAllocationCount() - before, 18);
  }
  ASSERT_TRUE(FreeLibrary(module));
  EXPECT_EQ(before, hooks::LiveAllocationCount());
}

// Every allocation of the first load, failed in turn: the lookup either
// fails with nothing written or still answers (a name the cache lost goes
// to the type information); the next lookup answers; nothing leaks when
// the module goes.
TEST_F(KorvelDispatchFaults, RunningOutOfMemoryDuringTheFirstLoad) {
  FreeLibrary(module_);
  module_ = nullptr;
  for (unsigned nth = 1;; ++nth) {
    SCOPED_TRACE(::testing::Message() << "allocation " << nth << " fails");
    HMODULE module = nullptr;
    com_ptr<IDispatch> dispatch = CreateInFreshModule(&module);
    ASSERT_NE(nullptr, module);
    ASSERT_TRUE(dispatch);

    const unsigned long before = hooks::AllocationCount();
    hooks::FailAllocation(nth);
    DISPID dispid = 12345;
    const HRESULT hr = IdOfName(dispatch.get(), u"GetMxtVersion", &dispid);
    hooks::FailAllocation(0);
    const bool faultFired = hooks::AllocationCount() - before >= nth;
    if (SUCCEEDED(hr)) {
      EXPECT_EQ(4, dispid);
    } else {
      EXPECT_EQ(12345, dispid);
    }
    dispid = DISPID_UNKNOWN;
    EXPECT_EQ(S_OK, IdOfName(dispatch.get(), u"GetMxtVersion", &dispid));
    EXPECT_EQ(4, dispid);

    dispatch.reset();
    ASSERT_TRUE(FreeLibrary(module));
    if (!faultFired) break;
    ASSERT_LT(nth, 200u);
  }
}

}  // namespace
}  // namespace korvel

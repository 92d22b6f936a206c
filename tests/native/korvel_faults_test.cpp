// Memory that runs out inside the module: every allocation of the class
// object, of an instance and of the object's operations, failed in turn,
// ends the call with E_OUTOFMEMORY and changes nothing. Likewise every
// conversion that fails without leaving a code ends the call with E_FAIL.
#include <gtest/gtest.h>

#include "platform/native/test_hooks.h"
#include "tests/support/bstr_matchers.h"
#include "tests/support/korvel_module.h"
#include "tests/support/test_files.h"
#include "tests/support/test_registry.h"

namespace korvel {
namespace {

namespace hooks = platform::test_hooks;
using testing::BstrText;
using testing::CountingOuter;

// One kind of call the hooks fail: `failNth` arms the failure of the nth
// such call from now, and the operation then ends with `failure`.
struct FaultKind {
  const char* name;
  void (*failNth)(unsigned nth);
  HRESULT failure;
};

const FaultKind kAllocations = {"allocation", hooks::FailAllocation, E_OUTOFMEMORY};
const FaultKind kConversions = {"conversion", hooks::FailConversion, E_FAIL};

// Runs `operation` with its first, second, ... call of the `kind` failing
// until it succeeds; after each failure `checkUnchanged` inspects the state.
template <typename Operation, typename Check>
void FailEachInTurn(const FaultKind& kind, Operation operation, Check checkUnchanged) {
  for (unsigned nth = 1;; ++nth) {
    SCOPED_TRACE(::testing::Message() << kind.name << " " << nth << " fails");
    kind.failNth(nth);
    const HRESULT hr = operation();
    kind.failNth(0);
    if (hr == S_OK) {
      EXPECT_GT(nth, 1u);  // the operation did make such calls
      return;
    }
    EXPECT_EQ(kind.failure, hr);
    checkUnchanged();
    ASSERT_LT(nth, 40u);
  }
}

template <typename Operation, typename Check>
void FailEachAllocation(Operation operation, Check checkUnchanged) {
  FailEachInTurn(kAllocations, operation, checkUnchanged);
}

template <typename Fixture>
class WithFaultHooks : public Fixture {
 protected:
  void SetUp() override {
    hooks::Reset();
    Fixture::SetUp();
  }
  void TearDown() override {
    hooks::Reset();
    Fixture::TearDown();
  }
};

class KorvelFaults : public WithFaultHooks<testing::KorvelModuleTest> {
 protected:
  // The class object, without a client reference: the module keeps it, so
  // DllCanUnloadNow shows only what instances hold.
  IClassFactory* UncountedFactory() {
    IClassFactory* factory = Factory().release();
    if (factory != nullptr) factory->Release();
    return factory;
  }
};

TEST_F(KorvelFaults, ClassObjectThatCannotBeBuiltIsTriedAgain) {
  void* first = nullptr;
  FailEachAllocation(
      [&] { return GetClassObject(CLSID_KorvelA, IID_IClassFactory, &first); },
      [&] {
        EXPECT_EQ(nullptr, first);
        EXPECT_EQ(S_OK, CanUnloadNow());
      });
  ASSERT_NE(nullptr, first);
  void* second = nullptr;
  ASSERT_EQ(S_OK, GetClassObject(CLSID_KorvelA, IID_IClassFactory, &second));
  EXPECT_EQ(first, second);
  static_cast<IUnknown*>(first)->Release();
  static_cast<IUnknown*>(second)->Release();
  EXPECT_EQ(S_OK, CanUnloadNow());
}

// An instance whose memory or default locations cannot be had is not made.
TEST_F(KorvelFaults, InstanceThatCannotBeBuiltLeavesNothing) {
  IClassFactory* factory = UncountedFactory();
  ASSERT_NE(nullptr, factory);
  CountingOuter outer;
  for (const FaultKind& kind : {kAllocations, kConversions}) {
    for (IUnknown* aggregator : {static_cast<IUnknown*>(nullptr),
                                 static_cast<IUnknown*>(&outer)}) {
      SCOPED_TRACE(aggregator ? "aggregated" : "stand-alone");
      IUnknown* instance = nullptr;
      FailEachInTurn(
          kind,
          [&] {
            return factory->CreateInstance(aggregator, IID_IUnknown,
                                           reinterpret_cast<void**>(&instance));
          },
          [&] {
            EXPECT_EQ(nullptr, instance);
            EXPECT_EQ(S_OK, CanUnloadNow());
          });
      ASSERT_NE(nullptr, instance);
      EXPECT_EQ(0u, instance->Release());
      EXPECT_EQ(S_OK, CanUnloadNow());
    }
  }
  EXPECT_EQ(1u, outer.count);
}

class KorvelObjectFaults : public WithFaultHooks<testing::KorvelInstanceTest> {
 protected:
  void TearDown() override {
    WithFaultHooks::TearDown();
    testing::DeleteTestFile("C:\\KorvelFaults\\ver.txt");
    RemoveDirectoryA("C:\\KorvelFaults");
    testing::DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\KorvelFaults");
  }

  // The MXT location at a value holding `text`.
  void PutMxtValue(const char* text) {
    ASSERT_EQ(ERROR_SUCCESS, testing::WriteRegistryString(
                                 HKEY_CURRENT_USER, "Software\\KorvelFaults", "Version", text));
    ASSERT_EQ(S_OK, testing::PutString(
                        korvel_.get(), &IKorvelA::put_MxtVersionLocation,
                        u"HKEY_CURRENT_USER\\Software\\KorvelFaults\\Version"));
  }

  std::optional<std::u16string> RvkLocation() {
    unique_variant value;
    EXPECT_EQ(S_OK, korvel_->get_RvkVersionLocation(value.get()));
    EXPECT_EQ(VT_BSTR, value->vt);
    return BstrText(value->bstrVal);
  }
};

TEST_F(KorvelObjectFaults, LocationGetAndPut) {
  VARIANT value;
  VariantInit(&value);
  FailEachAllocation([&] { return korvel_->get_RvkVersionLocation(&value); },
                     [&] { EXPECT_EQ(VT_EMPTY, value.vt); });
  EXPECT_EQ(u"C:\\RVKTESTER\\ver.txt", BstrText(value.bstrVal));
  VariantClear(&value);

  unique_bstr text(SysAllocString(u"C:\\KorvelFaults\\ver.txt"));
  value.vt = VT_BSTR;
  value.bstrVal = text.get();
  FailEachAllocation([&] { return korvel_->put_RvkVersionLocation(value); },
                     [&] { EXPECT_EQ(u"C:\\RVKTESTER\\ver.txt", RvkLocation()); });
  EXPECT_EQ(u"C:\\KorvelFaults\\ver.txt", RvkLocation());
}

TEST_F(KorvelObjectFaults, QueriesAndDescription) {
  ASSERT_TRUE(testing::WriteTestFile("C:\\KorvelFaults\\ver.txt", "6.1\r\n"));
  ASSERT_EQ(S_OK, testing::PutString(korvel_.get(), &IKorvelA::put_RvkVersionLocation,
                                     u"C:\\KorvelFaults\\ver.txt"));
  VARIANT value;
  VariantInit(&value);
  FailEachAllocation([&] { return korvel_->GetRvkVersion(&value); },
                     [&] { EXPECT_EQ(VT_EMPTY, value.vt); });
  EXPECT_EQ(VT_BSTR, value.vt);
  EXPECT_EQ(u"6.1", BstrText(value.bstrVal));
  VariantClear(&value);

  // A query that fails to read stores its code only when it completes.
  FailEachAllocation([&] { return korvel_->GetMxtVersion(&value); },
                     [&] {
                       EXPECT_EQ(VT_EMPTY, value.vt);
                       EXPECT_EQ(0, ErrorCode());
                     });
  EXPECT_EQ(VT_EMPTY, value.vt);
  EXPECT_EQ(1, ErrorCode());

  VariantInit(&value);
  FailEachAllocation([&] { return korvel_->GetVersion(&value); },
                     [&] { EXPECT_EQ(VT_EMPTY, value.vt); });
  EXPECT_EQ(VT_BSTR, value.vt);
  VariantClear(&value);
}

// The location made narrow and the text read made wide: either conversion
// failing without a code fails the query, which yields nothing and stores
// no code (not the 1 or 3 of a location that holds no string).
TEST_F(KorvelObjectFaults, QueriesWhoseConversionsFail) {
  ASSERT_NO_FATAL_FAILURE(PutMxtValue("6.2"));
  ASSERT_TRUE(testing::WriteTestFile("C:\\KorvelFaults\\ver.txt", "6.1\r\n"));
  ASSERT_EQ(S_OK, testing::PutString(korvel_.get(), &IKorvelA::put_RvkVersionLocation,
                                     u"C:\\KorvelFaults\\ver.txt"));
  struct Query {
    const char* name;
    HRESULT (STDMETHODCALLTYPE IKorvelA::*get)(VARIANT*);
    const char16_t* text;
  };
  const Query queries[] = {
      {"MXT", &IKorvelA::GetMxtVersion, u"6.2"},
      {"RVK", &IKorvelA::GetRvkVersion, u"6.1"},
  };
  for (const Query& query : queries) {
    SCOPED_TRACE(query.name);
    VARIANT value;
    VariantInit(&value);
    FailEachInTurn(kConversions, [&] { return (korvel_.get()->*query.get)(&value); },
                   [&] {
                     EXPECT_EQ(VT_EMPTY, value.vt);
                     EXPECT_EQ(0, ErrorCode());
                   });
    EXPECT_EQ(VT_BSTR, value.vt);
    EXPECT_EQ(query.text, BstrText(value.bstrVal));
    EXPECT_EQ(0, ErrorCode());
    VariantClear(&value);
  }
}

// The registry short of memory is a value that cannot be read, not memory
// the object ran out of.
TEST_F(KorvelObjectFaults, RegistryShortOfMemoryStoresTwo) {
  ASSERT_NO_FATAL_FAILURE(PutMxtValue("6.2"));
  for (void (*fail)(LONG) : {hooks::FailNextValueProbe, hooks::FailNextValueRead}) {
    fail(ERROR_OUTOFMEMORY);
    unique_variant value;
    EXPECT_EQ(S_OK, korvel_->GetMxtVersion(value.get()));
    EXPECT_EQ(VT_EMPTY, value->vt);
    EXPECT_EQ(2, ErrorCode());
  }
}

}  // namespace
}  // namespace korvel

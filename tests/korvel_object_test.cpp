// The KorvelA object through its vtable: locations, version queries, the
// sticky error code, the description and the safety options.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/support/bstr_matchers.h"
#include "tests/support/korvel_module.h"
#include "tests/support/test_files.h"
#include "tests/support/test_registry.h"

namespace korvel {
namespace {

using testing::BstrText;
using testing::NewBstr;
using testing::CountingOuter;

const char kFolder[] = "C:\\KorvelObjectTest";
const char kVersionFile[] = "C:\\KorvelObjectTest\\ver.txt";
const char16_t kVersionFileWide[] = u"C:\\KorvelObjectTest\\ver.txt";
const char16_t kMissingFileWide[] = u"C:\\KorvelObjectTest\\missing.txt";
const char kTestKey[] = "Software\\KorvelObjectTest";
const char16_t kTestValueWide[] =
    u"HKEY_CURRENT_USER\\Software\\KorvelObjectTest\\Version";
const char16_t kMissingValueWide[] =
    u"HKEY_CURRENT_USER\\Software\\KorvelObjectTest\\Missing";
const char16_t kMissingKeyWide[] =
    u"HKEY_CURRENT_USER\\Software\\KorvelObjectTestMissing\\Version";

// One location property: its get and put, and the query that reads it.
struct LocationProperty {
  const char* name;
  HRESULT (STDMETHODCALLTYPE IKorvelA::*get)(VARIANT*);
  HRESULT (STDMETHODCALLTYPE IKorvelA::*put)(VARIANT);
  HRESULT (STDMETHODCALLTYPE IKorvelA::*query)(VARIANT*);
  const char16_t* defaultLocation;
  LONG codeWithoutLocation;  // what the query stores when none is held
};

const LocationProperty kProperties[] = {
    {"MxtVersionLocation", &IKorvelA::get_MxtVersionLocation,
     &IKorvelA::put_MxtVersionLocation, &IKorvelA::GetMxtVersion,
     u"HKEY_CURRENT_USER\\Software\\Kessmer\\Tevra\\Setup\\SoftwareVersion", 1},
    {"RvkVersionLocation", &IKorvelA::get_RvkVersionLocation,
     &IKorvelA::put_RvkVersionLocation, &IKorvelA::GetRvkVersion,
     u"C:\\RVKTESTER\\ver.txt", 3},
    {"EcmPcmVersionLocation", &IKorvelA::get_EcmPcmVersionLocation,
     &IKorvelA::put_EcmPcmVersionLocation, &IKorvelA::GetEcmPcmVersion,
     u"C:\\ECMPCM\\ver.txt", 3},
};

// What a VARIANT result holds: its type and, for VT_BSTR, its text.
struct Result {
  VARTYPE vt;
  std::optional<std::u16string> text;
  bool operator==(const Result& other) const {
    return vt == other.vt && text == other.text;
  }
};

std::ostream& operator<<(std::ostream& out, const Result& result) {
  out << "vt " << result.vt;
  if (result.text) out << " \"" << std::string(result.text->begin(), result.text->end()) << "\"";
  return out;
}

Result Empty() { return {VT_EMPTY, std::nullopt}; }
Result Text(const std::u16string& text) { return {VT_BSTR, text}; }
Result NoString() { return {VT_BSTR, std::nullopt}; }

class KorvelObject : public testing::KorvelInstanceTest {
 protected:
  void TearDown() override {
    KorvelInstanceTest::TearDown();
    testing::DeleteTestFile(kVersionFile);
    RemoveDirectoryA(kFolder);
    testing::DeleteRegistryTree(HKEY_CURRENT_USER, kTestKey);
  }

  Result Call(HRESULT (STDMETHODCALLTYPE IKorvelA::*operation)(VARIANT*)) {
    unique_variant value;
    EXPECT_EQ(S_OK, (korvel_.get()->*operation)(value.get()));
    return {value->vt, value->vt == VT_BSTR ? BstrText(value->bstrVal)
                                            : std::nullopt};
  }

  void PutText(const LocationProperty& property, const char16_t* text) {
    EXPECT_EQ(S_OK, testing::PutString(korvel_.get(), property.put, text));
  }
};

TEST_F(KorvelObject, NewObjectHasItsDefaults) {
  EXPECT_EQ(0, ErrorCode());
  for (const LocationProperty& property : kProperties) {
    SCOPED_TRACE(property.name);
    EXPECT_EQ(Text(property.defaultLocation), Call(property.get));
  }
  EXPECT_EQ(Text(u"Tevra Diagnostic Version Detecting Control Client, "
                 u"Version 1.0.0.3, Developed By Bramholt"),
            Call(&IKorvelA::GetVersion));
  EXPECT_EQ(0, ErrorCode());
}

TEST_F(KorvelObject, DefaultLocationsAreWhereTheVersionsAreRead) {
  ASSERT_TRUE(testing::WriteTestFile("C:\\RVKTESTER\\ver.txt", "3.1\r\n"));
  ASSERT_TRUE(testing::WriteTestFile("C:\\ECMPCM\\ver.txt", " 7.0 beta\r\nx"));
  ASSERT_EQ(ERROR_SUCCESS,
            testing::WriteRegistryString(HKEY_CURRENT_USER,
                                         "Software\\Kessmer\\Tevra\\Setup",
                                         "SoftwareVersion", "5.2.1"));
  EXPECT_EQ(Text(u"5.2.1"), Call(&IKorvelA::GetMxtVersion));
  EXPECT_EQ(Text(u"3.1"), Call(&IKorvelA::GetRvkVersion));
  EXPECT_EQ(Text(u"7.0 beta"), Call(&IKorvelA::GetEcmPcmVersion));
  EXPECT_EQ(0, ErrorCode());
  testing::DeleteTestFile("C:\\RVKTESTER\\ver.txt");
  testing::DeleteTestFile("C:\\ECMPCM\\ver.txt");
  RemoveDirectoryA("C:\\RVKTESTER");
  RemoveDirectoryA("C:\\ECMPCM");
  testing::DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Kessmer");
}

TEST_F(KorvelObject, PutTakesStringsOnly) {
  unique_bstr owned(NewBstr(u"kept by the caller"));
  unique_bstr byReference(NewBstr(u"by reference"));
  VARIANT referredString;
  referredString.vt = VT_BSTR;
  referredString.bstrVal = byReference.get();
  VARIANT referredNumber;
  referredNumber.vt = VT_I4;
  referredNumber.lVal = 7;
  LONG number = 5;
  BSTR referredBstr = owned.get();

  struct Case {
    const char* name;
    VARIANT value;
    std::optional<std::u16string> stored;  // nothing: location unchanged
  };
  auto make = [](VARTYPE vt, auto assign) {
    VARIANT value;
    VariantInit(&value);
    value.vt = vt;
    assign(value);
    return value;
  };
  const Case cases[] = {
      {"VT_BSTR", make(VT_BSTR, [&](VARIANT& v) { v.bstrVal = owned.get(); }),
       u"kept by the caller"},
      {"VT_BYREF|VT_VARIANT to VT_BSTR",
       make(VT_BYREF | VT_VARIANT, [&](VARIANT& v) { v.pvarVal = &referredString; }),
       u"by reference"},
      {"VT_EMPTY", make(VT_EMPTY, [](VARIANT&) {}), std::nullopt},
      {"VT_NULL", make(VT_NULL, [](VARIANT&) {}), std::nullopt},
      {"VT_I4", make(VT_I4, [](VARIANT& v) { v.lVal = 42; }), std::nullopt},
      {"VT_BOOL", make(VT_BOOL, [](VARIANT& v) { v.boolVal = VARIANT_TRUE; }),
       std::nullopt},
      {"VT_DISPATCH", make(VT_DISPATCH, [](VARIANT& v) { v.pdispVal = nullptr; }),
       std::nullopt},
      {"VT_BYREF|VT_BSTR",
       make(VT_BYREF | VT_BSTR, [&](VARIANT& v) { v.pbstrVal = &referredBstr; }),
       std::nullopt},
      {"VT_BYREF|VT_I4", make(VT_BYREF | VT_I4, [&](VARIANT& v) { v.plVal = &number; }),
       std::nullopt},
      {"VT_BYREF|VT_VARIANT to VT_I4",
       make(VT_BYREF | VT_VARIANT, [&](VARIANT& v) { v.pvarVal = &referredNumber; }),
       std::nullopt},
      // A reference to nowhere is not followed.
      {"VT_BYREF|VT_VARIANT to null",
       make(VT_BYREF | VT_VARIANT, [](VARIANT& v) { v.pvarVal = nullptr; }),
       std::nullopt},
  };
  for (const LocationProperty& property : kProperties) {
    for (const Case& test : cases) {
      SCOPED_TRACE(std::string(property.name) + " put with " + test.name);
      PutText(property, u"before");
      EXPECT_EQ(S_OK, (korvel_.get()->*property.put)(test.value));
      EXPECT_EQ(Text(test.stored.value_or(u"before")), Call(property.get));
    }
  }
  // The values stay as the caller made them.
  EXPECT_EQ(u"kept by the caller", BstrText(owned.get()));
  EXPECT_EQ(u"by reference", BstrText(byReference.get()));
  EXPECT_EQ(VT_BSTR, referredString.vt);
  EXPECT_EQ(byReference.get(), referredString.bstrVal);
  EXPECT_EQ(0, ErrorCode());
}

TEST_F(KorvelObject, PutKeepsTheTextBeforeAnEmbeddedNul) {
  unique_bstr text(NewBstr(std::u16string(u"ab\0cd", 5)));
  VARIANT value;
  value.vt = VT_BSTR;
  value.bstrVal = text.get();
  for (const LocationProperty& property : kProperties) {
    SCOPED_TRACE(property.name);
    EXPECT_EQ(S_OK, (korvel_.get()->*property.put)(value));
    EXPECT_EQ(Text(u"ab"), Call(property.get));
  }
}

TEST_F(KorvelObject, NullStringLeavesNoLocationAndTheQueryFails) {
  for (const LocationProperty& property : kProperties) {
    SCOPED_TRACE(property.name);
    VARIANT value;
    value.vt = VT_BSTR;
    value.bstrVal = nullptr;
    EXPECT_EQ(S_OK, (korvel_.get()->*property.put)(value));
    EXPECT_EQ(NoString(), Call(property.get));

    // A failure of another kind first, so that the query's own code shows.
    const bool registry = property.codeWithoutLocation == 1;
    const LocationProperty& other = registry ? kProperties[1] : kProperties[0];
    PutText(other, registry ? kMissingFileWide : kMissingKeyWide);
    Call(other.query);
    ASSERT_EQ(registry ? 3 : 1, ErrorCode());

    EXPECT_EQ(Empty(), Call(property.query));
    EXPECT_EQ(property.codeWithoutLocation, ErrorCode());
    PutText(property, property.defaultLocation);
  }
}

TEST_F(KorvelObject, EmptyLocationIsAStringOfItsOwn) {
  PutText(kProperties[1], u"");
  EXPECT_EQ(Text(u""), Call(&IKorvelA::get_RvkVersionLocation));
  EXPECT_EQ(Empty(), Call(&IKorvelA::GetRvkVersion));
  EXPECT_EQ(3, ErrorCode());
}

TEST_F(KorvelObject, GetReleasesWhatTheResultHeld) {
  // A get is handed an initialised VARIANT and replaces its string; the
  // sanitized build catches a leak or a double release here.
  VARIANT value;
  value.vt = VT_BSTR;
  value.bstrVal = NewBstr(u"old");
  ASSERT_EQ(S_OK, korvel_->get_RvkVersionLocation(&value));
  EXPECT_EQ(VT_BSTR, value.vt);
  EXPECT_EQ(kProperties[1].defaultLocation, BstrText(value.bstrVal));
  VariantClear(&value);
}

TEST_F(KorvelObject, QueriesReadTheLocationOfTheMoment) {
  ASSERT_TRUE(testing::WriteTestFile(kVersionFile, "\r\n  4.5.6\r\nnext"));
  PutText(kProperties[1], kVersionFileWide);
  PutText(kProperties[2], kVersionFileWide);
  EXPECT_EQ(Text(u"4.5.6"), Call(&IKorvelA::GetRvkVersion));
  EXPECT_EQ(Text(u"4.5.6"), Call(&IKorvelA::GetEcmPcmVersion));
  ASSERT_TRUE(testing::WriteTestFile(kVersionFile, "4.6\r\n"));
  EXPECT_EQ(Text(u"4.6"), Call(&IKorvelA::GetRvkVersion));

  ASSERT_EQ(ERROR_SUCCESS, testing::WriteRegistryString(HKEY_CURRENT_USER, kTestKey,
                                                        "Version", "8.8"));
  PutText(kProperties[0], kTestValueWide);
  EXPECT_EQ(Text(u"8.8"), Call(&IKorvelA::GetMxtVersion));
  EXPECT_EQ(0, ErrorCode());
}

TEST_F(KorvelObject, ErrorCodeHoldsTheMostRecentFailure) {
  ASSERT_TRUE(testing::WriteTestFile(kVersionFile, "1.0\r\n"));
  ASSERT_EQ(ERROR_SUCCESS, testing::WriteRegistryString(HKEY_CURRENT_USER, kTestKey,
                                                        "Version", "2.0"));
  struct Step {
    const LocationProperty& property;
    const char16_t* location;
    Result result;
    LONG code;  // after the query
  };
  const Step steps[] = {
      {kProperties[1], kMissingFileWide, Empty(), 3},
      // A success leaves the code as it was.
      {kProperties[1], kVersionFileWide, Text(u"1.0"), 3},
      {kProperties[0], kMissingKeyWide, Empty(), 1},
      {kProperties[0], kTestValueWide, Text(u"2.0"), 1},
      {kProperties[0], kMissingValueWide, Empty(), 2},
      {kProperties[2], kMissingFileWide, Empty(), 3},
      {kProperties[2], kVersionFileWide, Text(u"1.0"), 3},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(std::string(step.property.name));
    PutText(step.property, step.location);
    EXPECT_EQ(step.result, Call(step.property.query));
    EXPECT_EQ(step.code, ErrorCode());
    // Reading the code does not reset it.
    EXPECT_EQ(step.code, ErrorCode());
  }
}

TEST_F(KorvelObject, NullOutPointersAreRefused) {
  for (const LocationProperty& property : kProperties) {
    SCOPED_TRACE(property.name);
    EXPECT_EQ(E_POINTER, (korvel_.get()->*property.get)(nullptr));
    EXPECT_EQ(E_POINTER, (korvel_.get()->*property.query)(nullptr));
  }
  EXPECT_EQ(E_POINTER, korvel_->GetVersion(nullptr));
  EXPECT_EQ(E_POINTER, korvel_->GetLastError(nullptr));
  EXPECT_EQ(0, ErrorCode());
}

// {0D1E2F30-4152-6374-8596-A7B8C9DAEBFD}: an interface the object lacks.
const IID kLackedIid = {
    0x0D1E2F30, 0x4152, 0x6374, {0x85, 0x96, 0xA7, 0xB8, 0xC9, 0xDA, 0xEB, 0xFD}};

struct SafetyOptions {
  HRESULT hr;
  DWORD supported;
  DWORD enabled;
  bool operator==(const SafetyOptions& other) const {
    return hr == other.hr && supported == other.supported && enabled == other.enabled;
  }
};

std::ostream& operator<<(std::ostream& out, const SafetyOptions& options) {
  return out << std::hex << "hr 0x" << options.hr << " supported "
             << options.supported << " enabled " << options.enabled;
}

SafetyOptions GetOptions(IObjectSafety* safety, REFIID iid) {
  SafetyOptions options{E_UNEXPECTED, 0xEEEE, 0xEEEE};
  options.hr = safety->GetInterfaceSafetyOptions(iid, &options.supported,
                                                 &options.enabled);
  return options;
}

TEST_F(KorvelObject, SafetyOptionsAreStoredAndReported) {
  com_ptr<IObjectSafety> safety;
  ASSERT_EQ(S_OK, korvel_->QueryInterface(IID_IObjectSafety, safety.put_void()));
  EXPECT_EQ((SafetyOptions{S_OK, 3, 0}), GetOptions(safety.get(), IID_IDispatch));
  EXPECT_EQ((SafetyOptions{E_NOINTERFACE, 0, 0}), GetOptions(safety.get(), kLackedIid));

  struct Step {
    const IID* iid;
    DWORD mask;
    DWORD options;
    HRESULT hr;
    DWORD enabled;  // afterwards, as reported for IDispatch
  };
  const Step steps[] = {
      {&IID_IKorvelA, 0x1, 0x1, S_OK, 1},
      {&IID_IObjectSafety, 0x2, 0x2, S_OK, 3},
      {&IID_IDispatch, 0x1, 0x0, S_OK, 2},
      {&IID_IKorvelA, 0x4, 0x4, E_FAIL, 2},
      {&IID_IKorvelA, 0x5, 0x1, E_FAIL, 2},
      {&kLackedIid, 0x1, 0x1, E_NOINTERFACE, 2},
      {&IID_IUnknown, 0x3, 0x1, S_OK, 1},
      // Bits outside the mask are not taken.
      {&IID_IDispatch, 0x2, 0x3, S_OK, 3},
      {&IID_IDispatch, 0x0, 0x0, S_OK, 3},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(::testing::Message() << "mask " << step.mask << " options " << step.options);
    EXPECT_EQ(step.hr, safety->SetInterfaceSafetyOptions(*step.iid, step.mask, step.options));
    EXPECT_EQ((SafetyOptions{S_OK, 3, step.enabled}), GetOptions(safety.get(), IID_IDispatch));
  }
  EXPECT_EQ((SafetyOptions{S_OK, 3, 3}), GetOptions(safety.get(), IID_IObjectSafety));

  DWORD untouched = 0xEEEE;
  EXPECT_EQ(E_POINTER, safety->GetInterfaceSafetyOptions(IID_IDispatch, nullptr, &untouched));
  EXPECT_EQ(E_POINTER, safety->GetInterfaceSafetyOptions(IID_IDispatch, &untouched, nullptr));
  EXPECT_EQ(0xEEEEu, untouched);
}

TEST_F(KorvelObject, AggregatedSafetyAsksTheOuterObject) {
  com_ptr<IClassFactory> factory = Factory();
  ASSERT_TRUE(factory);
  CountingOuter outer;
  outer.answeredIid = &kLackedIid;  // the outer object's own interface
  com_ptr<IUnknown> inner;
  ASSERT_EQ(S_OK, factory->CreateInstance(&outer, IID_IUnknown, inner.put_void()));
  outer.inner = inner.get();
  com_ptr<IObjectSafety> safety;
  ASSERT_EQ(S_OK, inner->QueryInterface(IID_IObjectSafety, safety.put_void()));

  EXPECT_EQ((SafetyOptions{S_OK, 3, 0}), GetOptions(safety.get(), kLackedIid));
  EXPECT_EQ(S_OK, safety->SetInterfaceSafetyOptions(kLackedIid, 0x3, 0x2));
  EXPECT_EQ((SafetyOptions{S_OK, 3, 2}), GetOptions(safety.get(), IID_IKorvelA));
  EXPECT_EQ((SafetyOptions{E_NOINTERFACE, 0, 0}),
            GetOptions(safety.get(), IID_IClassFactory));
  safety.reset();
  EXPECT_EQ(1u, outer.count);
}

}  // namespace
}  // namespace korvel

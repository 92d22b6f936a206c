// ITypeInfo::Invoke on the dispatch half of a dual interface: it checks the
// invocation kind and the argument count, converts the arguments, calls the
// vtable entry of the member and hands back the [out, retval] result.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/raii.h"
#include "tests/support/bstr_matchers.h"
#include "tests/support/type_library_files.h"
#include "version/korvel_interfaces.h"

namespace korvel {
namespace {

using testing::BstrText;

// A VARIANT that is cleared when it goes out of scope.
struct OwnedVariant : VARIANT {
  OwnedVariant() { VariantInit(this); }
  ~OwnedVariant() { VariantClear(this); }
  OwnedVariant(const OwnedVariant&) = delete;
  OwnedVariant& operator=(const OwnedVariant&) = delete;
};

void SetText(VARIANT* value, const OLECHAR* text) {
  VariantInit(value);
  value->vt = VT_BSTR;
  value->bstrVal = SysAllocString(text);
}

void SetLong(VARIANT* value, LONG number) {
  VariantInit(value);
  value->vt = VT_I4;
  value->lVal = number;
}

// Base for the test objects: reference counting that nobody relies on, and
// IDispatch members that are never called (the type information calls the
// vtable entries of the members directly).
template <typename Interface>
class TestObject : public Interface {
 public:
  STDMETHODIMP QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    return E_NOTIMPL;
  }

  std::vector<std::string> calls;
};

// Records each call; the properties keep what they are given.
class RecordingKorvel : public TestObject<IKorvelA> {
 public:
  RecordingKorvel() {
    for (VARIANT& location : locations_) VariantInit(&location);
  }
  ~RecordingKorvel() {
    for (VARIANT& location : locations_) VariantClear(&location);
  }

  STDMETHODIMP get_MxtVersionLocation(VARIANT* value) override { return Get("get Mxt", 0, value); }
  STDMETHODIMP put_MxtVersionLocation(VARIANT value) override { return Put("put Mxt", 0, value); }
  STDMETHODIMP get_RvkVersionLocation(VARIANT* value) override { return Get("get Rvk", 1, value); }
  STDMETHODIMP put_RvkVersionLocation(VARIANT value) override { return Put("put Rvk", 1, value); }
  STDMETHODIMP get_EcmPcmVersionLocation(VARIANT* value) override { return Get("get EcmPcm", 2, value); }
  STDMETHODIMP put_EcmPcmVersionLocation(VARIANT value) override { return Put("put EcmPcm", 2, value); }
  STDMETHODIMP GetMxtVersion(VARIANT* value) override { return Text("GetMxtVersion", value); }
  STDMETHODIMP GetRvkVersion(VARIANT* value) override { return Text("GetRvkVersion", value); }
  STDMETHODIMP GetEcmPcmVersion(VARIANT* value) override { return Text("GetEcmPcmVersion", value); }
  STDMETHODIMP GetLastError(LONG* code) override {
    calls.push_back("GetLastError");
    *code = 42;
    return S_OK;
  }
  STDMETHODIMP GetVersion(VARIANT* value) override {
    calls.push_back("GetVersion");
    VariantInit(value);  // VT_EMPTY: no text
    return S_OK;
  }

  VARIANT locations_[3];

 private:
  HRESULT Get(const char* call, int index, VARIANT* value) {
    calls.push_back(call);
    VariantInit(value);
    return VariantCopy(value, &locations_[index]);
  }
  HRESULT Put(const char* call, int index, VARIANT value) {
    calls.push_back(call);
    return VariantCopy(&locations_[index], &value);
  }
  HRESULT Text(const char* call, VARIANT* value) {
    calls.push_back(call);
    std::basic_string<OLECHAR> text;
    for (const char* c = call; *c != 0; ++c) text.push_back(static_cast<OLECHAR>(*c));
    SetText(value, text.c_str());
    return S_OK;
  }
};

class InvokeOnKorvel : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto path = testing::WidePath(testing::KorvelTypeLibraryPath());
    ASSERT_EQ(S_OK, LoadTypeLib(path.c_str(), library_.put()));
    ASSERT_EQ(S_OK, library_->GetTypeInfoOfGuid(IID_IKorvelA, info_.put()));
  }

  HRESULT Call(DISPID member, WORD flags, std::vector<VARIANT*> arguments,
               std::vector<DISPID> named, VARIANT* result, UINT* argumentError = nullptr) {
    std::vector<VARIANT> values;
    for (VARIANT* argument : arguments) values.push_back(*argument);
    DISPPARAMS params = {values.empty() ? nullptr : values.data(),
                         named.empty() ? nullptr : named.data(), static_cast<UINT>(values.size()),
                         static_cast<UINT>(named.size())};
    EXCEPINFO exception = {};
    UINT ignored = 0xFFFF;
    return info_->Invoke(static_cast<IKorvelA*>(&object_), member, flags, &params, result,
                         &exception, argumentError ? argumentError : &ignored);
  }

  com_ptr<ITypeLib> library_;
  com_ptr<ITypeInfo> info_;
  RecordingKorvel object_;
};

TEST_F(InvokeOnKorvel, PropertiesRoundTripThroughTheirVtableEntries) {
  const struct {
    DISPID member;
    const char* get;
    const char* put;
  } kProperties[] = {{1, "get Mxt", "put Mxt"}, {2, "get Rvk", "put Rvk"},
                     {3, "get EcmPcm", "put EcmPcm"}};
  for (const auto& property : kProperties) {
    SCOPED_TRACE(property.member);
    object_.calls.clear();
    OwnedVariant value;
    SetText(&value, OLESTR("C:\\place\\ver.txt"));
    OwnedVariant ignored;
    ASSERT_EQ(S_OK, Call(property.member, DISPATCH_PROPERTYPUT, {&value}, {DISPID_PROPERTYPUT},
                         &ignored));
    EXPECT_EQ(VT_EMPTY, ignored.vt);
    OwnedVariant result;
    ASSERT_EQ(S_OK, Call(property.member, DISPATCH_PROPERTYGET, {}, {}, &result));
    EXPECT_EQ(VT_BSTR, result.vt);
    EXPECT_EQ(u"C:\\place\\ver.txt", BstrText(result.bstrVal));
    EXPECT_EQ((std::vector<std::string>{property.put, property.get}), object_.calls);
    // The caller's value is still its own.
    EXPECT_EQ(u"C:\\place\\ver.txt", BstrText(value.bstrVal));
  }
}

TEST_F(InvokeOnKorvel, MethodsReturnTheirRetvalAsResult) {
  const struct {
    DISPID member;
    const char* call;
    VARTYPE type;
  } kMethods[] = {{4, "GetMxtVersion", VT_BSTR}, {5, "GetRvkVersion", VT_BSTR},
                  {6, "GetEcmPcmVersion", VT_BSTR}, {7, "GetLastError", VT_I4},
                  {8, "GetVersion", VT_EMPTY}};
  for (const auto& method : kMethods) {
    SCOPED_TRACE(method.call);
    for (WORD flags : {WORD{DISPATCH_METHOD}, WORD{DISPATCH_METHOD | DISPATCH_PROPERTYGET}}) {
      object_.calls.clear();
      OwnedVariant result;
      ASSERT_EQ(S_OK, Call(method.member, flags, {}, {}, &result));
      EXPECT_EQ(method.type, result.vt);
      EXPECT_EQ(std::vector<std::string>{method.call}, object_.calls);
      if (method.type == VT_I4) {
        EXPECT_EQ(42, result.lVal);
      }
      if (method.type == VT_BSTR) {
        std::u16string expected;
        for (const char* c = method.call; *c != 0; ++c) expected.push_back(*c);
        EXPECT_EQ(expected, BstrText(result.bstrVal));
      }
    }
  }
  // Without a place for the result the call still happens.
  object_.calls.clear();
  EXPECT_EQ(S_OK, Call(7, DISPATCH_METHOD, {}, {}, nullptr));
  EXPECT_EQ(std::vector<std::string>{"GetLastError"}, object_.calls);
}

TEST_F(InvokeOnKorvel, RefusesWrongKindsCountsAndMembers) {
  OwnedVariant text;
  SetText(&text, OLESTR("x"));
  const struct {
    const char* what;
    DISPID member;
    WORD flags;
    std::vector<VARIANT*> arguments;
    std::vector<DISPID> named;
    HRESULT expected;
  } kCases[] = {
      {"no such member", 99, DISPATCH_METHOD, {}, {}, DISP_E_MEMBERNOTFOUND},
      {"put on a method", 4, DISPATCH_PROPERTYPUT, {&text}, {DISPID_PROPERTYPUT}, DISP_E_MEMBERNOTFOUND},
      {"putref on a property", 1, DISPATCH_PROPERTYPUTREF, {&text}, {DISPID_PROPERTYPUT}, DISP_E_MEMBERNOTFOUND},
      {"inherited member", 0x60010003, DISPATCH_METHOD, {}, {}, DISP_E_MEMBERNOTFOUND},
      {"argument to a method", 4, DISPATCH_METHOD, {&text}, {}, DISP_E_BADPARAMCOUNT},
      {"put without value", 1, DISPATCH_PROPERTYPUT, {}, {}, DISP_E_PARAMNOTFOUND},
      {"put with a positional value", 1, DISPATCH_PROPERTYPUT, {&text}, {}, DISP_E_PARAMNOTFOUND},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.what);
    object_.calls.clear();
    OwnedVariant result;
    EXPECT_EQ(test.expected, Call(test.member, test.flags, test.arguments, test.named, &result));
    EXPECT_TRUE(object_.calls.empty());
    EXPECT_EQ(VT_EMPTY, result.vt);
  }
}

TEST_F(InvokeOnKorvel, VariantParameterTakesAnyValueAsItIs) {
  OwnedVariant number, missing, result;
  SetLong(&number, 17);
  missing.vt = VT_ERROR;
  missing.scode = DISP_E_PARAMNOTFOUND;
  EXPECT_EQ(S_OK, Call(2, DISPATCH_PROPERTYPUT, {&number}, {DISPID_PROPERTYPUT}, &result));
  EXPECT_EQ(VT_I4, object_.locations_[1].vt);
  EXPECT_EQ(17, object_.locations_[1].lVal);
  EXPECT_EQ(S_OK, Call(2, DISPATCH_PROPERTYPUT, {&missing}, {DISPID_PROPERTYPUT}, &result));
  EXPECT_EQ(VT_ERROR, object_.locations_[1].vt);
  EXPECT_EQ(DISP_E_PARAMNOTFOUND, object_.locations_[1].scode);
}

// --- Typed arguments ---------------------------------------------------------

const IID IID_IInvokeShapes = {
    0x5B0E7C13, 0x2A94, 0x4D61, {0x9F, 0x38, 0xC1, 0xE2, 0xD4, 0xA7, 0xB6, 0x90}};

struct IInvokeShapes : public IDispatch {
  STDMETHOD(Scale)(LONG factor, LONG* result) = 0;
  STDMETHOD(Join)(LONG count, BSTR text, VARIANT* result) = 0;
  STDMETHOD(get_Label)(BSTR* text) = 0;
  STDMETHOD(put_Label)(BSTR text) = 0;
};

class Shapes : public TestObject<IInvokeShapes> {
 public:
  STDMETHODIMP Scale(LONG factor, LONG* result) override {
    calls.push_back("Scale");
    if (factor < 0) return E_INVALIDARG;
    *result = factor * 2;
    return S_OK;
  }
  STDMETHODIMP Join(LONG count, BSTR text, VARIANT* result) override {
    calls.push_back("Join");
    std::basic_string<OLECHAR> joined;
    for (LONG i = 0; i < count && i < 10; ++i) joined += text;
    SetText(result, joined.c_str());
    return S_OK;
  }
  STDMETHODIMP get_Label(BSTR* text) override {
    calls.push_back("get Label");
    *text = SysAllocString(label.c_str());
    return S_OK;
  }
  STDMETHODIMP put_Label(BSTR text) override {
    calls.push_back("put Label");
    label = text ? text : OLESTR("");
    return S_OK;
  }
  std::basic_string<OLECHAR> label;
};

class InvokeWithTypedArguments : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto path = testing::WidePath(testing::InvokeShapesTypeLibraryPath());
    ASSERT_EQ(S_OK, LoadTypeLib(path.c_str(), library_.put()));
    ASSERT_EQ(S_OK, library_->GetTypeInfoOfGuid(IID_IInvokeShapes, info_.put()));
  }

  // `arguments` in the order of the parameters; DISPPARAMS holds them last
  // to first.
  HRESULT Call(DISPID member, WORD flags, std::vector<VARIANT*> arguments, VARIANT* result,
               UINT* argumentError, bool namedPut = false) {
    std::vector<VARIANT> values;
    for (auto it = arguments.rbegin(); it != arguments.rend(); ++it) values.push_back(**it);
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params = {values.data(), namedPut ? &put : nullptr,
                         static_cast<UINT>(values.size()), namedPut ? 1u : 0u};
    EXCEPINFO exception = {};
    return info_->Invoke(static_cast<IInvokeShapes*>(&object_), member, flags, &params, result,
                         &exception, argumentError);
  }

  com_ptr<ITypeLib> library_;
  com_ptr<ITypeInfo> info_;
  Shapes object_;
};

TEST_F(InvokeWithTypedArguments, ConvertsArgumentsToTheDeclaredTypes) {
  OwnedVariant number, digits, text, result;
  SetLong(&number, 3);
  SetText(&digits, OLESTR("21"));
  SetText(&text, OLESTR("ab"));
  UINT argumentError = 0xFFFF;

  ASSERT_EQ(S_OK, Call(1, DISPATCH_METHOD, {&digits}, &result, &argumentError));
  EXPECT_EQ(VT_I4, result.vt);
  EXPECT_EQ(42, result.lVal);

  VariantClear(&result);
  ASSERT_EQ(S_OK, Call(2, DISPATCH_METHOD, {&number, &text}, &result, &argumentError));
  EXPECT_EQ(VT_BSTR, result.vt);
  EXPECT_EQ(u"ababab", BstrText(result.bstrVal));

  VariantClear(&result);
  ASSERT_EQ(S_OK, Call(3, DISPATCH_PROPERTYPUT, {&number}, &result, &argumentError, true));
  ASSERT_EQ(S_OK, Call(3, DISPATCH_PROPERTYGET, {}, &result, &argumentError));
  EXPECT_EQ(VT_BSTR, result.vt);
  EXPECT_EQ(u"3", BstrText(result.bstrVal));

  // The caller's arguments are left as they were.
  EXPECT_EQ(VT_BSTR, digits.vt);
  EXPECT_EQ(u"21", BstrText(digits.bstrVal));
  EXPECT_EQ((std::vector<std::string>{"Scale", "Join", "put Label", "get Label"}), object_.calls);
}

TEST_F(InvokeWithTypedArguments, TypeMismatchNamesTheFaultyArgument) {
  OwnedVariant number, word, null, result;
  SetLong(&number, 2);
  SetText(&word, OLESTR("many"));
  null.vt = VT_NULL;
  const struct {
    const char* what;
    DISPID member;
    std::vector<VARIANT*> arguments;
    UINT faulty;  // index in DISPPARAMS, which holds the arguments last to first
  } kCases[] = {
      {"only argument", 1, {&word}, 0},
      {"first of two", 2, {&word, &word}, 1},
      {"second of two", 2, {&number, &null}, 0},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.what);
    UINT argumentError = 0xFFFF;
    object_.calls.clear();
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(test.member, DISPATCH_METHOD, test.arguments, &result,
                                        &argumentError));
    // The documented contract names the argument; Wine's oleaut32 leaves
    // the index unwritten.
    if (platform::kIsNativeLayer) {
      EXPECT_EQ(test.faulty, argumentError);
    }
    EXPECT_TRUE(object_.calls.empty());
    EXPECT_EQ(VT_EMPTY, result.vt);
  }
}

TEST_F(InvokeWithTypedArguments, FailureOfTheMemberComesBackAsException) {
  OwnedVariant negative, result;
  SetLong(&negative, -1);
  UINT argumentError = 0xFFFF;
  EXCEPINFO exception = {};
  std::vector<VARIANT> values = {negative};
  DISPPARAMS params = {values.data(), nullptr, 1, 0};
  EXPECT_EQ(DISP_E_EXCEPTION, info_->Invoke(static_cast<IInvokeShapes*>(&object_), 1, DISPATCH_METHOD,
                                            &params, &result, &exception, &argumentError));
  EXPECT_EQ(E_INVALIDARG, exception.scode);
  EXPECT_EQ(std::vector<std::string>{"Scale"}, object_.calls);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
}

TEST_F(InvokeWithTypedArguments, MissingOrExtraArgumentsAreRefused) {
  OwnedVariant number, missing, result;
  SetLong(&number, 2);
  missing.vt = VT_ERROR;
  missing.scode = DISP_E_PARAMNOTFOUND;
  const struct {
    const char* what;
    DISPID member;
    std::vector<VARIANT*> arguments;
    HRESULT expected;
  } kCases[] = {
      {"no argument", 1, {}, DISP_E_BADPARAMCOUNT},
      {"one of two", 2, {&number}, DISP_E_BADPARAMCOUNT},
      // A missing value for a parameter that is not optional converts to
      // nothing.
      {"marked missing", 1, {&missing}, DISP_E_TYPEMISMATCH},
      {"one too many", 1, {&number, &number}, DISP_E_BADPARAMCOUNT},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.what);
    UINT argumentError = 0xFFFF;
    object_.calls.clear();
    EXPECT_EQ(test.expected, Call(test.member, DISPATCH_METHOD, test.arguments, &result,
                                  &argumentError));
    EXPECT_TRUE(object_.calls.empty());
  }
}

}  // namespace
}  // namespace korvel

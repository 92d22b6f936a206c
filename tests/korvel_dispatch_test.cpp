// Late binding: every IDispatch call of a KorvelA object goes through the
// type information of the registered library, loaded once per process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/bstr_matchers.h"
#include "tests/support/korvel_module.h"
#include "tests/support/module_type_library.h"
#include "tests/support/test_files.h"
#include "tests/support/test_registry.h"

namespace korvel {
namespace {

using testing::BstrText;
using testing::IdOfName;
using testing::NewBstr;
using testing::RegisterModuleLibrary;
using testing::UnregisterModuleLibrary;

const char kVersionFile[] = "C:\\KorvelDispatchTest\\rvk.txt";
const char kTestKey[] = "Software\\KorvelDispatchTest";
const char16_t kDescription[] =
    u"Tevra Diagnostic Version Detecting Control Client, Version 1.0.0.3, "
    u"Developed By Bramholt";

// One IDispatch call with positional arguments (last argument first, as
// DISPPARAMS holds them); a put passes its value as DISPID_PROPERTYPUT.
HRESULT Invoke(IDispatch* dispatch, DISPID member, WORD flags,
               std::vector<VARIANT> arguments, VARIANT* result) {
  DISPID propertyPut = DISPID_PROPERTYPUT;
  DISPPARAMS params = {arguments.empty() ? nullptr : arguments.data(), nullptr,
                       static_cast<UINT>(arguments.size()), 0};
  if (flags & DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &propertyPut;
    params.cNamedArgs = 1;
  }
  EXCEPINFO exception = {};
  UINT argumentError = 0;
  const HRESULT hr = dispatch->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags,
                                      &params, result, &exception, &argumentError);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  return hr;
}

VARIANT StringArgument(BSTR text) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  value.bstrVal = text;
  return value;
}

class KorvelDispatch : public testing::KorvelInstanceTest {
 protected:
  void SetUp() override {
    UnregisterModuleLibrary();
    ASSERT_EQ(S_OK, RegisterModuleLibrary());
    KorvelInstanceTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_EQ(S_OK, korvel_->QueryInterface(IID_IDispatch, dispatch_.put_void()));
  }
  void TearDown() override {
    dispatch_.reset();
    KorvelInstanceTest::TearDown();
    UnregisterModuleLibrary();
    testing::DeleteTestFile(kVersionFile);
    RemoveDirectoryA("C:\\KorvelDispatchTest");
    testing::DeleteRegistryTree(HKEY_CURRENT_USER, kTestKey);
  }

  com_ptr<IDispatch> dispatch_;
};

TEST_F(KorvelDispatch, NamesAsTheLibrarySpellsThemOrInAnyCase) {
  const struct {
    const char16_t* name;
    HRESULT hr;
    DISPID dispid;
  } cases[] = {
      {u"MxtVersionLocation", S_OK, 1},
      {u"RvkVersionLocation", S_OK, 2},
      {u"EcmPcmVersionLocation", S_OK, 3},
      {u"GetMxtVersion", S_OK, 4},
      {u"GetRvkVersion", S_OK, 5},
      {u"GetEcmPcmVersion", S_OK, 6},
      {u"GetLastError", S_OK, 7},
      {u"GetVersion", S_OK, 8},
      {u"GETMXTVERSION", S_OK, 4},
      {u"getlasterror", S_OK, 7},
      {u"ecmpcmVERSIONlocation", S_OK, 3},
      {u"NoSuchMember", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
      {u"GetMxtVersio", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
    DISPID dispid = 12345;
    EXPECT_EQ(c.hr, IdOfName(dispatch_.get(), c.name, &dispid));
    EXPECT_EQ(c.dispid, dispid);
    // The interface identifier is not examined.
    dispid = 12345;
    EXPECT_EQ(c.hr, IdOfName(dispatch_.get(), c.name, &dispid, IID_IKorvelA));
    EXPECT_EQ(c.dispid, dispid);
  }
}

TEST_F(KorvelDispatch, ZeroNamesTwoNamesAndMissingArrays) {
  DISPID dispids[2] = {12345, 12345};
  LPOLESTR names[2] = {const_cast<LPOLESTR>(OLESTR("GetMxtVersion")),
                       const_cast<LPOLESTR>(OLESTR("pVal"))};
  EXPECT_EQ(S_OK, dispatch_->GetIDsOfNames(IID_NULL, names, 0, 0, dispids));
  EXPECT_EQ(12345, dispids[0]);

  // A member name with a parameter name goes to the type information whole.
  com_ptr<ITypeInfo> typeInfo;
  ASSERT_EQ(S_OK, dispatch_->GetTypeInfo(0, 0, typeInfo.put()));
  DISPID expected[2] = {12345, 12345};
  const HRESULT expectedHr = typeInfo->GetIDsOfNames(names, 2, expected);
  EXPECT_EQ(expectedHr, dispatch_->GetIDsOfNames(IID_NULL, names, 2, 0, dispids));
  EXPECT_EQ(expected[0], dispids[0]);
  EXPECT_EQ(expected[1], dispids[1]);
  EXPECT_EQ(4, dispids[0]);

  EXPECT_EQ(E_POINTER, dispatch_->GetIDsOfNames(IID_NULL, nullptr, 1, 0, dispids));
  EXPECT_EQ(E_POINTER, dispatch_->GetIDsOfNames(IID_NULL, names, 1, 0, nullptr));
}

TEST_F(KorvelDispatch, EveryMemberByName) {
  ASSERT_TRUE(testing::WriteTestFile(kVersionFile, "\r\n 4.2\r\n"));
  ASSERT_EQ(ERROR_SUCCESS,
            testing::WriteRegistryString(HKEY_CURRENT_USER, kTestKey, "Mxt", "6.1"));
  auto id = [&](const char16_t* name) {
    DISPID dispid = DISPID_UNKNOWN;
    EXPECT_EQ(S_OK, IdOfName(dispatch_.get(), name, &dispid));
    return dispid;
  };
  unique_variant result;

  unique_bstr rvk(NewBstr(u"C:\\KorvelDispatchTest\\rvk.txt"));
  EXPECT_EQ(S_OK, Invoke(dispatch_.get(), id(u"RvkVersionLocation"), DISPATCH_PROPERTYPUT,
                         {StringArgument(rvk.get())}, nullptr));
  EXPECT_EQ(S_OK, Invoke(dispatch_.get(), id(u"RvkVersionLocation"), DISPATCH_PROPERTYGET,
                         {}, result.get()));
  ASSERT_EQ(VT_BSTR, result->vt);
  EXPECT_EQ(u"C:\\KorvelDispatchTest\\rvk.txt", BstrText(result->bstrVal));

  // Script engines ask for a method or a property get at once.
  const WORD call = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
  VariantClear(result.get());
  EXPECT_EQ(S_OK, Invoke(dispatch_.get(), id(u"GetRvkVersion"), call, {}, result.get()));
  ASSERT_EQ(VT_BSTR, result->vt);
  EXPECT_EQ(u"4.2", BstrText(result->bstrVal));

  unique_bstr mxt(NewBstr(u"HKEY_CURRENT_USER\\Software\\KorvelDispatchTest\\Mxt"));
  EXPECT_EQ(S_OK, Invoke(dispatch_.get(), id(u"MxtVersionLocation"), DISPATCH_PROPERTYPUT,
                         {StringArgument(mxt.get())}, nullptr));
  VariantClear(result.get());
  EXPECT_EQ(S_OK, Invoke(dispatch_.get(), id(u"GetMxtVersion"), call, {}, result.get()));
  ASSERT_EQ(VT_BSTR, result->vt);
  EXPECT_EQ(u"6.1", BstrText(result->bstrVal));

  unique_bstr missing(NewBstr(u"C:\\KorvelDispatchTest\\missing.txt"));
  EXPECT_EQ(S_OK, Invoke(dispatch_.get(), id(u"EcmPcmVersionLocation"),
                         DISPATCH_PROPERTYPUT, {StringArgument(missing.get())}, nullptr));
  VariantClear(result.get());
  EXPECT_EQ(S_OK, Invoke(dispatch_.get(), id(u"GetEcmPcmVersion"), call, {}, result.get()));
  EXPECT_EQ(VT_EMPTY, result->vt);

  VariantClear(result.get());
  EXPECT_EQ(S_OK, Invoke(dispatch_.get(), id(u"GetLastError"), call, {}, result.get()));
  ASSERT_EQ(VT_I4, result->vt);
  EXPECT_EQ(3, result->lVal);

  VariantClear(result.get());
  EXPECT_EQ(S_OK, Invoke(dispatch_.get(), id(u"GetVersion"), DISPATCH_METHOD, {}, result.get()));
  ASSERT_EQ(VT_BSTR, result->vt);
  EXPECT_EQ(kDescription, BstrText(result->bstrVal));

  // A number is no location: the put answers S_OK and changes nothing.
  VARIANT number;
  VariantInit(&number);
  number.vt = VT_I4;
  number.lVal = 42;
  EXPECT_EQ(S_OK, Invoke(dispatch_.get(), 3, DISPATCH_PROPERTYPUT, {number}, nullptr));
  VariantClear(result.get());
  EXPECT_EQ(S_OK, Invoke(dispatch_.get(), 3, DISPATCH_PROPERTYGET, {}, result.get()));
  EXPECT_EQ(u"C:\\KorvelDispatchTest\\missing.txt", BstrText(result->bstrVal));

  // What the library does not declare is no member.
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND,
            Invoke(dispatch_.get(), 8, DISPATCH_PROPERTYPUT, {number}, nullptr));
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Invoke(dispatch_.get(), 99, DISPATCH_METHOD, {}, nullptr));
}

TEST_F(KorvelDispatch, TypeInfoForCallersWhateverTheIndex) {
  UINT count = 0;
  EXPECT_EQ(S_OK, dispatch_->GetTypeInfoCount(&count));
  EXPECT_EQ(1u, count);
  EXPECT_EQ(E_POINTER, dispatch_->GetTypeInfoCount(nullptr));

  com_ptr<ITypeInfo> first, second;
  EXPECT_EQ(S_OK, dispatch_->GetTypeInfo(0, 0, first.put()));
  EXPECT_EQ(S_OK, dispatch_->GetTypeInfo(3, 0x407, second.put()));
  ASSERT_TRUE(first);
  EXPECT_EQ(first.get(), second.get());
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(S_OK, first->GetTypeAttr(&attributes));
  EXPECT_TRUE(IsEqualGUID(IID_IKorvelA, attributes->guid));
  first->ReleaseTypeAttr(attributes);
  EXPECT_EQ(E_POINTER, dispatch_->GetTypeInfo(0, 0, nullptr));
}

TEST_F(KorvelDispatch, AggregatedObjectDispatchesToo) {
  testing::CountingOuter outer;
  com_ptr<IUnknown> inner;
  ASSERT_EQ(S_OK, Factory()->CreateInstance(&outer, IID_IUnknown, inner.put_void()));
  outer.inner = inner.get();
  IDispatch* dispatch = nullptr;
  ASSERT_EQ(S_OK, inner->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)));
  unique_variant result;
  EXPECT_EQ(S_OK, Invoke(dispatch, 8, DISPATCH_METHOD, {}, result.get()));
  EXPECT_EQ(kDescription, BstrText(result->bstrVal));
  dispatch->Release();
  outer.inner = nullptr;
}

// Without a registered library every dispatch call answers the loader's
// code, and keeps answering it; registering the library later makes the
// next call work without reloading the module.
class UnregisteredDispatch : public testing::KorvelInstanceTest {
 protected:
  void SetUp() override {
    UnregisterModuleLibrary();
    KorvelInstanceTest::SetUp();
  }
  void TearDown() override {
    KorvelInstanceTest::TearDown();
    UnregisterModuleLibrary();
  }
};

TEST_F(UnregisteredDispatch, LoaderCodeUntilRegistered) {
  com_ptr<IDispatch> dispatch;
  ASSERT_EQ(S_OK, korvel_->QueryInterface(IID_IDispatch, dispatch.put_void()));
  for (int attempt = 0; attempt < 2; ++attempt) {
    SCOPED_TRACE(attempt);
    UINT count = 0;
    EXPECT_EQ(S_OK, dispatch->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    ITypeInfo* typeInfo = reinterpret_cast<ITypeInfo*>(&count);  // not null
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, dispatch->GetTypeInfo(0, 0, &typeInfo));
    EXPECT_EQ(nullptr, typeInfo);
    DISPID dispid = 12345;
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, IdOfName(dispatch.get(), u"GetVersion", &dispid));
    EXPECT_EQ(12345, dispid);
    VARIANT result;
    result.vt = VT_I2;
    result.iVal = 7;
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, Invoke(dispatch.get(), 8, DISPATCH_METHOD, {}, &result));
    EXPECT_EQ(VT_I2, result.vt);
  }
  // The vtable needs no registration.
  unique_variant description;
  EXPECT_EQ(S_OK, korvel_->GetVersion(description.get()));

  ASSERT_EQ(S_OK, RegisterModuleLibrary());
  DISPID dispid = DISPID_UNKNOWN;
  EXPECT_EQ(S_OK, IdOfName(dispatch.get(), u"GetVersion", &dispid));
  EXPECT_EQ(8, dispid);
}

// Two threads make the first dispatch calls of the process at once; both
// succeed and share the one type information.
struct FirstCall {
  IClassFactory* factory;
  volatile LONG* ready;
  HRESULT hr;
  ITypeInfo* typeInfo;
};

DWORD WINAPI MakeFirstDispatchCall(LPVOID parameter) {
  auto* call = static_cast<FirstCall*>(parameter);
  com_ptr<IDispatch> dispatch;
  call->hr = call->factory->CreateInstance(nullptr, IID_IDispatch, dispatch.put_void());
  if (FAILED(call->hr)) return 0;
  InterlockedIncrement(call->ready);
  while (InterlockedCompareExchange(call->ready, 0, 0) < 2) {
  }
  DISPID dispid = DISPID_UNKNOWN;
  call->hr = IdOfName(dispatch.get(), u"GetRvkVersion", &dispid);
  if (SUCCEEDED(call->hr) && dispid != 5) call->hr = E_UNEXPECTED;
  if (SUCCEEDED(call->hr)) call->hr = dispatch->GetTypeInfo(0, 0, &call->typeInfo);
  return 0;
}

TEST_F(KorvelDispatch, RacingFirstCallsLoadOnce) {
  // This module instance has made no dispatch call yet.
  com_ptr<IClassFactory> factory = Factory();
  volatile LONG ready = 0;
  FirstCall calls[2] = {{factory.get(), &ready, E_FAIL, nullptr},
                        {factory.get(), &ready, E_FAIL, nullptr}};
  HANDLE threads[2];
  for (int i = 0; i < 2; ++i) {
    threads[i] = CreateThread(nullptr, 0, MakeFirstDispatchCall, &calls[i], 0, nullptr);
    ASSERT_NE(nullptr, threads[i]);
  }
  for (HANDLE thread : threads) {
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, INFINITE));
    CloseHandle(thread);
  }
  EXPECT_EQ(S_OK, calls[0].hr);
  EXPECT_EQ(S_OK, calls[1].hr);
  EXPECT_NE(nullptr, calls[0].typeInfo);
  EXPECT_EQ(calls[0].typeInfo, calls[1].typeInfo);
  for (FirstCall& call : calls)
    if (call.typeInfo) call.typeInfo->Release();
}

}  // namespace
}  // namespace korvel

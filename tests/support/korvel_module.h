// The component loaded as a host loads it: the module file by its path, the
// exports by name, the class through its class object. The build passes the
// module's path as KORVEL_MODULE_PATH.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/raii.h"
#include "tests/support/bstr_matchers.h"
#include "version/korvel_interfaces.h"

namespace korvel::testing {

using DllGetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID,
                                                           LPVOID*);
using DllCanUnloadNowFunction = HRESULT(STDAPICALLTYPE*)();
using DllRegisterFunction = HRESULT(STDAPICALLTYPE*)();

template <typename Function>
Function GetExport(HMODULE module, const char* name) {
  // Through a plain function pointer type, which converts to any other.
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// A module loaded as a registration tool loads it: by its path, with
// DllRegisterServer and DllUnregisterServer looked up by name.
class RegisteringModule {
 public:
  explicit RegisteringModule(const std::string& path)
      : module_(LoadLibraryA(path.c_str())) {}

  bool Loaded() const { return static_cast<bool>(module_); }
  HRESULT Register() const { return Call("DllRegisterServer"); }
  HRESULT Unregister() const { return Call("DllUnregisterServer"); }

  // The module's path as the platform reports it; empty when it does not
  // fit in MAX_PATH characters.
  std::string Path() const {
    char path[MAX_PATH] = {};
    const DWORD chars = GetModuleFileNameA(module_.get(), path, MAX_PATH);
    return std::string(path, chars < MAX_PATH ? chars : 0);
  }
  // Its folder, up to and with the last backslash.
  std::string Folder() const {
    const std::string path = Path();
    return path.substr(0, path.find_last_of('\\') + 1);
  }

 private:
  HRESULT Call(const char* name) const {
    const auto exported = GetExport<DllRegisterFunction>(module_.get(), name);
    EXPECT_NE(nullptr, exported) << name;
    return exported != nullptr ? exported() : E_NOTIMPL;
  }

  unique_hmodule module_;
};

// Loads the module afresh for every test, so that each starts with the
// module just started, and unloads it afterwards.
class KorvelModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryA(KORVEL_MODULE_PATH);
    ASSERT_NE(nullptr, module_) << KORVEL_MODULE_PATH;
    getClassObject_ =
        GetExport<DllGetClassObjectFunction>(module_, "DllGetClassObject");
    canUnloadNow_ = GetExport<DllCanUnloadNowFunction>(module_, "DllCanUnloadNow");
    ASSERT_NE(nullptr, getClassObject_);
    ASSERT_NE(nullptr, canUnloadNow_);
  }

  void TearDown() override {
    if (module_ != nullptr) {
      EXPECT_TRUE(FreeLibrary(module_));
    }
  }

  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    return getClassObject_(clsid, iid, object);
  }
  HRESULT CanUnloadNow() { return canUnloadNow_(); }

  com_ptr<IClassFactory> Factory() {
    com_ptr<IClassFactory> factory;
    EXPECT_EQ(S_OK, GetClassObject(CLSID_KorvelA, IID_IClassFactory,
                                   factory.put_void()));
    return factory;
  }

  // A stand-alone KorvelA; the class object is not held afterwards.
  com_ptr<IKorvelA> CreateKorvel() {
    com_ptr<IKorvelA> korvel;
    com_ptr<IClassFactory> factory = Factory();
    if (factory) {
      EXPECT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IKorvelA,
                                              korvel.put_void()));
    }
    return korvel;
  }

  HMODULE module_ = nullptr;

 private:
  DllGetClassObjectFunction getClassObject_ = nullptr;
  DllCanUnloadNowFunction canUnloadNow_ = nullptr;
};

// The object's error code.
inline LONG ErrorCodeOf(IKorvelA* korvel) {
  LONG code = -1;
  EXPECT_EQ(S_OK, korvel->GetLastError(&code));
  return code;
}

// The module loaded afresh with one stand-alone KorvelA, for every test.
class KorvelInstanceTest : public KorvelModuleTest {
 protected:
  void SetUp() override {
    KorvelModuleTest::SetUp();
    if (HasFatalFailure()) return;
    korvel_ = CreateKorvel();
    ASSERT_TRUE(korvel_);
  }
  void TearDown() override {
    korvel_.reset();
    KorvelModuleTest::TearDown();
  }
  LONG ErrorCode() { return ErrorCodeOf(korvel_.get()); }

  com_ptr<IKorvelA> korvel_;
};

using LocationPut = HRESULT (STDMETHODCALLTYPE IKorvelA::*)(VARIANT);

// Puts `text` as a VT_BSTR through `put`.
inline HRESULT PutString(IKorvelA* korvel, LocationPut put,
                         const std::u16string& text) {
  unique_bstr string(NewBstr(text));
  VARIANT value;
  value.vt = VT_BSTR;
  value.bstrVal = string.get();
  return (korvel->*put)(value);
}

// An outer object for aggregation that counts what reaches it. It answers
// IUnknown itself and, once given the inner unknown, hands every other
// interface on to it, as an aggregating object does.
class CountingOuter final : public IUnknown {
 public:
  STDMETHOD(QueryInterface)(REFIID iid, void** object) override {
    ++queries;
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown)) {
      AddRef();
      *object = static_cast<IUnknown*>(this);
      return S_OK;
    }
    if (answeredIid != nullptr && IsEqualIID(iid, *answeredIid)) {
      AddRef();
      *object = static_cast<IUnknown*>(this);
      return S_OK;
    }
    if (inner != nullptr) return inner->QueryInterface(iid, object);
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override {
    ++addRefs;
    return ++count;
  }
  STDMETHOD_(ULONG, Release)() override {
    ++releases;
    return --count;
  }

  IUnknown* inner = nullptr;       // not counted
  const IID* answeredIid = nullptr;  // one interface of the outer's own
  ULONG count = 1;
  int queries = 0;
  int addRefs = 0;
  int releases = 0;
};

}  // namespace korvel::testing

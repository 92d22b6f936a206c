// Self-registration through the module itself, as a registration tool does
// it: the module loaded by its path, DllRegisterServer and
// DllUnregisterServer looked up by name. Under Windows the entries go to
// the system's registry and type-library services; natively to our layer.
// Every test removes what it registered.
#include <gtest/gtest.h>

#include <string>

#include "platform/raii.h"
#include "tests/support/korvel_module.h"
#include "tests/support/registration_entries.h"
#include "tests/support/test_registry.h"
#include "tests/support/type_library_kind.h"

namespace korvel {
namespace {

using testing::ClassesKeyExists;
using testing::ClassesString;
using testing::ClassesSubkeyCount;
using testing::kClassKey;
using testing::kIndependentProgId;
using testing::kProgId;
using testing::kTypeLibraryKey;
using testing::kTypeLibraryVersionKey;
using testing::LeftoverRegistrationKeys;
using testing::MissingRegistrationEntries;
using testing::RegisteringModule;

const std::string kClass = kClassKey;
const std::string kVersionKey = kTypeLibraryVersionKey;
// A key of another party's below CLSID.
const char kForeignClass[] = "CLSID\\{0D5B7E31-62A4-4C19-9F0E-3B8A71C2D954}";

void RemoveEverything() {
  testing::RemoveRegistrationEntries();
  testing::RemoveTypeLibraryEntries();
  testing::DeleteRegistryTree(HKEY_CLASSES_ROOT, kForeignClass);
}

// The registered library's LoadRegTypeLib result; on success the library
// must be KORVELLib with IKorvelA in it.
HRESULT LoadRegisteredLibrary() {
  com_ptr<ITypeLib> library;
  const HRESULT hr = LoadRegTypeLib(LIBID_KORVELLib, 1, 0, 0, library.put());
  if (FAILED(hr)) {
    EXPECT_EQ(nullptr, library.get());
    return hr;
  }
  TLIBATTR* attributes = nullptr;
  EXPECT_EQ(S_OK, library->GetLibAttr(&attributes));
  if (attributes != nullptr) {
    EXPECT_TRUE(IsEqualGUID(LIBID_KORVELLib, attributes->guid));
    library->ReleaseTLibAttr(attributes);
  }
  com_ptr<ITypeInfo> info;
  EXPECT_EQ(S_OK, library->GetTypeInfoOfGuid(IID_IKorvelA, info.put()));
  return hr;
}

class ModuleRegistration : public ::testing::Test {
 protected:
  void SetUp() override { RemoveEverything(); }
  void TearDown() override { RemoveEverything(); }
};

TEST_F(ModuleRegistration, RegisteringEntersTheClassItsProgIdsAndTheTypeLibrary) {
  const RegisteringModule module(KORVEL_MODULE_PATH);
  ASSERT_TRUE(module.Loaded()) << KORVEL_MODULE_PATH;
  ASSERT_EQ(S_OK, module.Register());

  EXPECT_EQ("", MissingRegistrationEntries(module.Path()));
  EXPECT_EQ(5, ClassesSubkeyCount(kClass));
  EXPECT_EQ(S_OK, LoadRegisteredLibrary());
  EXPECT_EQ(module.Path(), ClassesString(kVersionKey + "\\0\\" + testing::kLibraryPlatformSubkey));
  // The help directory keeps its trailing backslash.
  EXPECT_EQ(module.Folder(), ClassesString(kVersionKey + "\\HELPDIR"));
  EXPECT_EQ('\\', module.Folder().back());
}

TEST_F(ModuleRegistration, RegisteringTwiceClearsTheClassKeyOnly) {
  const RegisteringModule module(KORVEL_MODULE_PATH);
  ASSERT_TRUE(module.Loaded());
  ASSERT_EQ(S_OK, module.Register());
  // Another party's entries below the class key, the ProgIDs and CLSID.
  ASSERT_EQ(ERROR_SUCCESS, testing::WriteRegistryString(HKEY_CLASSES_ROOT, kClass + "\\Foreign", "", "x"));
  ASSERT_EQ(ERROR_SUCCESS,
            testing::WriteRegistryString(HKEY_CLASSES_ROOT, kClass + "\\InprocServer32", "Extra", "x"));
  ASSERT_EQ(ERROR_SUCCESS, testing::WriteRegistryString(
                               HKEY_CLASSES_ROOT, std::string(kProgId) + "\\Foreign", "", "kept"));
  ASSERT_EQ(ERROR_SUCCESS,
            testing::WriteRegistryString(HKEY_CLASSES_ROOT, kIndependentProgId, "Extra", "kept"));
  ASSERT_EQ(ERROR_SUCCESS, testing::WriteRegistryString(HKEY_CLASSES_ROOT, kForeignClass, "", "kept"));

  ASSERT_EQ(S_OK, module.Register());
  EXPECT_EQ("", MissingRegistrationEntries(module.Path()));
  EXPECT_EQ(5, ClassesSubkeyCount(kClass));
  EXPECT_FALSE(ClassesKeyExists(kClass + "\\Foreign"));
  EXPECT_FALSE(ClassesString(kClass + "\\InprocServer32", "Extra").has_value());
  EXPECT_EQ("kept", ClassesString(std::string(kProgId) + "\\Foreign"));
  EXPECT_EQ("kept", ClassesString(kIndependentProgId, "Extra"));
  EXPECT_EQ("kept", ClassesString(kForeignClass));
  EXPECT_EQ(S_OK, LoadRegisteredLibrary());
  EXPECT_EQ(module.Path(), ClassesString(kVersionKey + "\\0\\" + testing::kLibraryPlatformSubkey));
}

TEST_F(ModuleRegistration, UnregisteringLeavesOnlyClsidAndForgetsTheTypeLibrary) {
  const RegisteringModule module(KORVEL_MODULE_PATH);
  ASSERT_TRUE(module.Loaded());
  ASSERT_EQ(S_OK, module.Register());
  ASSERT_EQ(S_OK, module.Unregister());
  EXPECT_EQ("", LeftoverRegistrationKeys());
  EXPECT_TRUE(ClassesKeyExists("CLSID"));
  EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, LoadRegisteredLibrary());
  EXPECT_FALSE(ClassesKeyExists(kTypeLibraryKey));

  // Nothing is registered now: unregistering again succeeds and changes
  // nothing.
  ASSERT_EQ(S_OK, module.Unregister());
  EXPECT_EQ("", LeftoverRegistrationKeys());
  EXPECT_TRUE(ClassesKeyExists("CLSID"));
  EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, LoadRegisteredLibrary());
}

// What a compiled client does: create the object by ProgID through the COM
// runtime, which finds the module through the registered entries.
TEST_F(ModuleRegistration, ClientCreatesTheRegisteredObjectByEitherProgId) {
  {
    const RegisteringModule module(KORVEL_MODULE_PATH);
    ASSERT_TRUE(module.Loaded());
    ASSERT_EQ(S_OK, module.Register());
  }  // the runtime loads the module by itself
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  auto uninitialize = scope_exit([] { CoUninitialize(); });
  const struct {
    const char* name;
    LPCOLESTR progId;
  } kProgIds[] = {{kIndependentProgId, OLESTR("TevraOmbrin.KorvelA")},
                  {kProgId, OLESTR("TevraOmbrin.KorvelA.1")}};
  for (const auto& row : kProgIds) {
    SCOPED_TRACE(row.name);
    CLSID clsid = {};
    ASSERT_EQ(S_OK, CLSIDFromProgID(row.progId, &clsid));
    EXPECT_TRUE(IsEqualCLSID(CLSID_KorvelA, clsid));
    IKorvelA* korvel = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IKorvelA,
                                     reinterpret_cast<void**>(&korvel)));
    ASSERT_NE(nullptr, korvel);
    VARIANT version;
    VariantInit(&version);
    EXPECT_EQ(S_OK, korvel->GetVersion(&version));
    EXPECT_EQ(VT_BSTR, version.vt);
    if (version.vt == VT_BSTR) {
      EXPECT_EQ(u"Tevra Diagnostic Version Detecting Control Client, Version 1.0.0.3, "
                u"Developed By Bramholt",
                testing::BstrText(version.bstrVal));
    }
    VariantClear(&version);
    EXPECT_EQ(0u, korvel->Release());
  }
}

// A module without a type library of its own: the library is the file
// beside it with the module's name and the extension ".tlb".
TEST_F(ModuleRegistration, ModuleWithoutTypeLibraryRegistersTheTlbFileBesideIt) {
  const RegisteringModule module(KORVEL_UNTYPED_MODULE_PATH);
  ASSERT_TRUE(module.Loaded()) << KORVEL_UNTYPED_MODULE_PATH;
  const std::string path = module.Path();
  const std::string libraryFile = path.substr(0, path.find_last_of('.')) + ".tlb";

  ASSERT_EQ(S_OK, module.Register());
  EXPECT_EQ("", MissingRegistrationEntries(path));
  EXPECT_EQ(S_OK, LoadRegisteredLibrary());
  EXPECT_EQ(libraryFile, ClassesString(kVersionKey + "\\0\\" + testing::kLibraryPlatformSubkey));
  EXPECT_EQ(module.Folder(), ClassesString(kVersionKey + "\\HELPDIR"));

  ASSERT_EQ(S_OK, module.Unregister());
  EXPECT_EQ("", LeftoverRegistrationKeys());
  EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, LoadRegisteredLibrary());
}

}  // namespace
}  // namespace korvel

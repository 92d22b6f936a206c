// Registering a type library makes it loadable by LIBID and version;
// unregistering takes that away again.
#include <gtest/gtest.h>

#include <string>

#include "platform/raii.h"
#include "tests/support/bstr_matchers.h"
#include "tests/support/test_registry.h"
#include "tests/support/type_library_files.h"
#include "tests/support/type_library_kind.h"
#include "version/korvel_interfaces.h"

namespace korvel {
namespace {

using testing::BstrText;

std::string GuidText(REFGUID guid) {
  OLECHAR text[40] = {};
  StringFromGUID2(guid, text, 40);
  std::string narrow;
  for (const OLECHAR* c = text; *c != 0; ++c) narrow.push_back(static_cast<char>(*c));
  return narrow;
}

std::string ReadDefaultValue(HKEY root, const std::string& keyPath) {
  unique_hkey key;
  if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return "<no key>";
  char data[512] = {};
  DWORD bytes = sizeof(data) - 1;
  DWORD type = 0;
  if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes) !=
      ERROR_SUCCESS)
    return "<no value>";
  return std::string(data);
}

class TypeLibraryRegistration : public ::testing::Test {
 protected:
  void SetUp() override {
    UnRegisterTypeLib(LIBID_KORVELLib, 1, 0, 0, testing::kLibrarySyskind);
    path_ = testing::WidePath(testing::KorvelTypeLibraryPath());
    ASSERT_EQ(S_OK, LoadTypeLib(path_.c_str(), library_.put()));
  }
  void TearDown() override { UnRegisterTypeLib(LIBID_KORVELLib, 1, 0, 0, testing::kLibrarySyskind); }

  std::basic_string<OLECHAR> path_;
  com_ptr<ITypeLib> library_;
};

TEST_F(TypeLibraryRegistration, RegisterLoadUnregister) {
  com_ptr<ITypeLib> loaded;
  EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, LoadRegTypeLib(LIBID_KORVELLib, 1, 0, 0, loaded.put()));
  EXPECT_EQ(nullptr, loaded.get());

  std::basic_string<OLECHAR> helpDirectory = OLESTR("C:\\help");
  ASSERT_EQ(S_OK, RegisterTypeLib(library_.get(), &path_[0], &helpDirectory[0]));

  const std::string libraryKey = "TypeLib\\" + GuidText(LIBID_KORVELLib);
  EXPECT_EQ("Korvel 1.0 Type Library", ReadDefaultValue(HKEY_CLASSES_ROOT, libraryKey + "\\1.0"));
  EXPECT_EQ(testing::KorvelTypeLibraryPath(),
            ReadDefaultValue(HKEY_CLASSES_ROOT, libraryKey + "\\1.0\\0\\" + testing::kLibraryPlatformSubkey));
  // The library's flags as GetLibAttr reports them: "has a disk image".
  EXPECT_EQ("8", ReadDefaultValue(HKEY_CLASSES_ROOT, libraryKey + "\\1.0\\FLAGS"));
  EXPECT_EQ("C:\\help", ReadDefaultValue(HKEY_CLASSES_ROOT, libraryKey + "\\1.0\\HELPDIR"));
  const std::string interfaceKey = "Interface\\" + GuidText(IID_IKorvelA);
  EXPECT_EQ("IKorvelA", ReadDefaultValue(HKEY_CLASSES_ROOT, interfaceKey));
  EXPECT_EQ(GuidText(LIBID_KORVELLib), ReadDefaultValue(HKEY_CLASSES_ROOT, interfaceKey + "\\TypeLib"));
  EXPECT_EQ("{00020424-0000-0000-C000-000000000046}",
            ReadDefaultValue(HKEY_CLASSES_ROOT, interfaceKey + "\\ProxyStubClsid32"));

  // Any registered minor version at or above the one asked for will do.
  ASSERT_EQ(S_OK, LoadRegTypeLib(LIBID_KORVELLib, 1, 0, LOCALE_SYSTEM_DEFAULT, loaded.put()));
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(S_OK, loaded->GetLibAttr(&attributes));
  EXPECT_TRUE(IsEqualGUID(LIBID_KORVELLib, attributes->guid));
  loaded->ReleaseTLibAttr(attributes);
  com_ptr<ITypeInfo> info;
  EXPECT_EQ(S_OK, loaded->GetTypeInfoOfGuid(IID_IKorvelA, info.put()));
  EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, LoadRegTypeLib(LIBID_KORVELLib, 1, 1, 0, loaded.put()));
  EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, LoadRegTypeLib(LIBID_KORVELLib, 2, 0, 0, loaded.put()));

  ASSERT_EQ(S_OK, UnRegisterTypeLib(LIBID_KORVELLib, 1, 0, 0, testing::kLibrarySyskind));
  EXPECT_FALSE(testing::RegistryKeyExists(HKEY_CLASSES_ROOT, libraryKey));
  EXPECT_FALSE(testing::RegistryKeyExists(HKEY_CLASSES_ROOT, interfaceKey));
  EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, LoadRegTypeLib(LIBID_KORVELLib, 1, 0, 0, loaded.put()));
  EXPECT_EQ(nullptr, loaded.get());
}

TEST_F(TypeLibraryRegistration, RegisteredPathThatIsGoneFailsToLoad) {
  const std::string libraryKey = "TypeLib\\" + GuidText(LIBID_KORVELLib);
  ASSERT_EQ(ERROR_SUCCESS, testing::WriteRegistryString(HKEY_CLASSES_ROOT, libraryKey + "\\1.0", "",
                                                        "Korvel 1.0 Type Library"));
  ASSERT_EQ(ERROR_SUCCESS, testing::WriteRegistryString(HKEY_CLASSES_ROOT, libraryKey + "\\1.0\\0\\" + testing::kLibraryPlatformSubkey,
                                                        "", "C:\\missing\\korvel.tlb"));
  com_ptr<ITypeLib> loaded;
  EXPECT_TRUE(FAILED(LoadRegTypeLib(LIBID_KORVELLib, 1, 0, 0, loaded.put())));
  EXPECT_EQ(nullptr, loaded.get());
  testing::DeleteRegistryTree(HKEY_CLASSES_ROOT, libraryKey);
}

TEST(TypeLibraryLoading, MissingAndDamagedFilesFail) {
  com_ptr<ITypeLib> library;
  EXPECT_TRUE(FAILED(LoadTypeLib(OLESTR("C:\\no\\such\\library.tlb"), library.put())));
  EXPECT_EQ(nullptr, library.get());
  EXPECT_EQ(E_INVALIDARG, LoadTypeLib(nullptr, library.put()));
}

}  // namespace
}  // namespace korvel

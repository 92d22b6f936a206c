// Self-registration through the module when the platform lets it down in
// ways only our layer can arrange: "oleaut32.dll" without
// "UnRegisterTypeLib", registry writes refused, and a module path too long
// for the module's buffer.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/native/test_hooks.h"
#include "platform/raii.h"
#include "tests/support/korvel_module.h"
#include "tests/support/registration_entries.h"

namespace korvel {
namespace {

namespace hooks = platform::test_hooks;
using testing::ClassesKeyExists;
using testing::LeftoverRegistrationKeys;
using testing::MissingRegistrationEntries;
using testing::RegisteringModule;

HRESULT LoadRegisteredLibrary() {
  com_ptr<ITypeLib> library;
  return LoadRegTypeLib(LIBID_KORVELLib, 1, 0, 0, library.put());
}

class ModuleRegistrationFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    hooks::Reset();
    testing::RemoveRegistrationEntries();
    testing::RemoveTypeLibraryEntries();
  }
  void TearDown() override { SetUp(); }
};

TEST_F(ModuleRegistrationFaults, SystemLibraryNameFindsTheLayersUnRegisterTypeLib) {
  unique_hmodule automation(LoadLibraryA("OleAut32.dll"));
  ASSERT_TRUE(automation);
  EXPECT_NE(nullptr, GetProcAddress(automation.get(), "UnRegisterTypeLib"));
  hooks::HideExport("UnRegisterTypeLib");
  EXPECT_EQ(nullptr, GetProcAddress(automation.get(), "UnRegisterTypeLib"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), GetLastError());
}

TEST_F(ModuleRegistrationFaults, WithoutUnRegisterTypeLibTheLibraryStaysRegistered) {
  const RegisteringModule module(KORVEL_MODULE_PATH);
  ASSERT_TRUE(module.Loaded());
  ASSERT_EQ(S_OK, module.Register());
  hooks::HideExport("UnRegisterTypeLib");
  EXPECT_EQ(S_OK, module.Unregister());
  hooks::Reset();
  EXPECT_EQ("", LeftoverRegistrationKeys());
  EXPECT_EQ(S_OK, LoadRegisteredLibrary());
}

TEST_F(ModuleRegistrationFaults, RegisterTypeLibFailingIsReportedAndTheEntriesStay) {
  const RegisteringModule module(KORVEL_MODULE_PATH);
  ASSERT_TRUE(module.Loaded());
  hooks::DenyRegistryWritesBelow(HKEY_CLASSES_ROOT, "TypeLib");
  // What RegisterTypeLib itself reports for the module's library.
  HRESULT expected = S_OK;
  {
    const std::string path = module.Path();
    const std::u16string widePath(path.begin(), path.end());
    com_ptr<ITypeLib> library;
    ASSERT_EQ(S_OK, LoadTypeLib(widePath.c_str(), library.put()));
    expected = RegisterTypeLib(library.get(), widePath.c_str(), nullptr);
    ASSERT_TRUE(FAILED(expected));
  }
  EXPECT_EQ(expected, module.Register());
  hooks::Reset();
  EXPECT_EQ("", MissingRegistrationEntries(module.Path()));
  EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, LoadRegisteredLibrary());
}

// The roll-back of the script leaves nothing and the type library is not
// tried: below "CLSID" only the class key is refused, so registering the
// library would succeed.
TEST_F(ModuleRegistrationFaults, KeysThatCannotBeCreatedLeaveNothingAndNoTypeLibrary) {
  const RegisteringModule module(KORVEL_MODULE_PATH);
  ASSERT_TRUE(module.Loaded());
  for (const char* denied : {"", "CLSID"}) {
    SCOPED_TRACE(std::string("denied below \"") + denied + "\"");
    SetUp();
    hooks::DenyRegistryWritesBelow(HKEY_CLASSES_ROOT, denied);
    EXPECT_EQ(DISP_E_EXCEPTION, module.Register());
    hooks::Reset();
    EXPECT_EQ("", LeftoverRegistrationKeys());
    EXPECT_FALSE(ClassesKeyExists(testing::kTypeLibraryKey));
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, LoadRegisteredLibrary());
  }
}

// A copy of the module in a folder deep enough that its path does not fit
// the module's buffer of MAX_PATH characters.
TEST_F(ModuleRegistrationFaults, ModulePathTooLongFailsAndWritesNothing) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::path(KORVEL_LONG_PATH_ROOT) / std::string(200, 'd') / std::string(60, 'e');
  std::error_code error;
  fs::create_directories(folder, error);
  ASSERT_FALSE(error) << error.message();
  const fs::path copy = folder / "Korvel.so";
  fs::copy_file(KORVEL_MODULE_PATH, copy, fs::copy_options::overwrite_existing, error);
  ASSERT_FALSE(error) << error.message();
  auto removeCopy = scope_exit([&] { fs::remove_all(KORVEL_LONG_PATH_ROOT, error); });
  {
    const RegisteringModule module(copy.string());
    ASSERT_TRUE(module.Loaded());
    // "Z:" and the host path.
    ASSERT_GE(copy.string().size() + 2, static_cast<size_t>(MAX_PATH));
    EXPECT_EQ("", module.Path());
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER), module.Register());
    EXPECT_EQ("", LeftoverRegistrationKeys());
    EXPECT_FALSE(ClassesKeyExists(testing::kTypeLibraryKey));
    EXPECT_EQ(S_OK, module.Unregister());
    EXPECT_EQ("", LeftoverRegistrationKeys());
  }
}

}  // namespace
}  // namespace korvel

// The version block of Korvel.DLL read back as installers read it, through
// version.dll. Windows only: our native layer has no GetFileVersionInfo, and
// natively the module carries no version resource.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace korvel {
namespace {

class VersionBlock : public ::testing::Test {
 protected:
  void SetUp() override {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(KORVEL_MODULE_PATH, &handle);
    ASSERT_NE(0u, size) << KORVEL_MODULE_PATH;
    block_.resize(size);
    ASSERT_TRUE(GetFileVersionInfoA(KORVEL_MODULE_PATH, 0, size, block_.data()));
  }

  // The string `name` of the table "040904b0", without its NUL.
  std::optional<std::string> String(const std::string& name) {
    const std::string query = "\\StringFileInfo\\040904b0\\" + name;
    void* text = nullptr;
    UINT chars = 0;
    if (!VerQueryValueA(block_.data(), query.c_str(), &text, &chars)) return std::nullopt;
    if (text == nullptr || chars == 0) return std::string();
    std::string value(static_cast<const char*>(text), chars);
    while (!value.empty() && value.back() == 0) value.pop_back();
    return value;
  }

  std::vector<char> block_;
};

TEST_F(VersionBlock, FixedFieldsGiveVersion1006OfADll) {
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT bytes = 0;
  ASSERT_TRUE(VerQueryValueA(block_.data(), "\\", reinterpret_cast<void**>(&fixed), &bytes));
  ASSERT_GE(bytes, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
  EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
  EXPECT_EQ(0x00000006u, fixed->dwFileVersionLS);
  EXPECT_EQ(0x00010000u, fixed->dwProductVersionMS);
  EXPECT_EQ(0x00000006u, fixed->dwProductVersionLS);
  EXPECT_EQ(static_cast<DWORD>(VFT_DLL), fixed->dwFileType);
}

TEST_F(VersionBlock, StringTableNamesTheModuleAndMarksSelfRegistration) {
  const struct {
    const char* name;
    const char* value;
  } kStrings[] = {
      {"OLESelfRegister", ""},
      {"FileVersion", "1, 0, 0, 6"},
      {"ProductVersion", "1, 0, 0, 6"},
      {"FileDescription", "Korvel Module"},
      {"ProductName", "Korvel Module"},
      {"InternalName", "Korvel"},
      {"OriginalFilename", "Korvel.DLL"},
  };
  for (const auto& row : kStrings) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.value, String(row.name));
  }
  EXPECT_FALSE(String("NoSuchEntry").has_value());

  // The table is announced as US English in UTF-16.
  WORD* translation = nullptr;
  UINT bytes = 0;
  ASSERT_TRUE(VerQueryValueA(block_.data(), "\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &bytes));
  ASSERT_GE(bytes, 4u);
  EXPECT_EQ(0x0409, translation[0]);
  EXPECT_EQ(1200, translation[1]);
}

}  // namespace
}  // namespace korvel

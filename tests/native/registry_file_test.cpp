// The registry kept in the file that KORVEL_REGISTRY_FILE names: what is
// written survives a reload, and a damaged file is refused, not replaced.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/native/test_hooks.h"
#include "platform/raii.h"
#include "tests/support/test_files.h"
#include "tests/support/test_registry.h"

namespace korvel {
namespace {

namespace hooks = platform::test_hooks;

std::string FilePath() { return std::string(std::getenv("KORVEL_DRIVE_C")) + "/registry.reg"; }



class RegistryFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::remove(FilePath().c_str());
    setenv("KORVEL_REGISTRY_FILE", FilePath().c_str(), 1);
    hooks::ReloadRegistry();
  }
  void TearDown() override {
    unsetenv("KORVEL_REGISTRY_FILE");
    hooks::ReloadRegistry();
    std::remove(FilePath().c_str());
  }
};

struct StoredValue {
  std::string key, name;
  DWORD type;
  std::string bytes;
};

std::optional<StoredValue> Read(HKEY root, const StoredValue& wanted) {
  unique_hkey key;
  if (RegOpenKeyExA(root, wanted.key.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return std::nullopt;
  std::vector<char> data(256);
  DWORD type = 0, bytes = static_cast<DWORD>(data.size());
  if (RegQueryValueExA(key.get(), wanted.name.empty() ? nullptr : wanted.name.c_str(), nullptr,
                       &type, reinterpret_cast<BYTE*>(data.data()), &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  return StoredValue{wanted.key, wanted.name, type, std::string(data.data(), bytes)};
}

TEST_F(RegistryFile, EveryKindOfValueSurvivesAReload) {
  using std::string;
  const StoredValue values[] = {
      {"Software\\Korvel", "", REG_SZ, string("default\0", 8)},
      {"Software\\Korvel", "plain", REG_SZ, string("C:\\Path \"quoted\"\0", 17)},
      {"Software\\Korvel", "na\"me\\with=", REG_SZ, string("x\0", 2)},
      {"Software\\Korvel", "lines", REG_SZ, string("one\r\ntwo\0", 9)},
      {"Software\\Korvel", "no NUL", REG_SZ, "abc"},
      {"Software\\Korvel", "inner NUL", REG_SZ, string("a\0b\0", 4)},
      {"Software\\Korvel", "empty", REG_SZ, ""},
      {"Software\\Korvel", "expand", REG_EXPAND_SZ, string("%TEMP%\0", 7)},
      {"Software\\Korvel", "multi", REG_MULTI_SZ, string("a\0b\0\0", 5)},
      {"Software\\Korvel", "dword", REG_DWORD, string("\x2a\0\0\x80", 4)},
      {"Software\\Korvel", "short dword", REG_DWORD, string("\1\2", 2)},
      {"Software\\Korvel", "qword", REG_QWORD, string("\1\2\3\4\5\6\7\x08", 8)},
      {"Software\\Korvel", "binary", REG_BINARY, string("\0\xff\x10", 3)},
      {"Software\\Korvel", "no bytes", REG_BINARY, ""},
      {"Software\\Korvel", "none", REG_NONE, "z"},
      {"Software\\Korvel\\[odd] 'key' \"name\"", "", REG_SZ, string("\xe9t\xe9\0", 5)},
  };
  for (const StoredValue& value : values)
    ASSERT_EQ(ERROR_SUCCESS, testing::WriteRegistryValue(HKEY_CURRENT_USER, value.key, value.name,
                                                         value.type, value.bytes));
  ASSERT_EQ(ERROR_SUCCESS, testing::CreateRegistryKey(HKEY_LOCAL_MACHINE, "Software\\Empty\\Key"));
  ASSERT_EQ(ERROR_SUCCESS, testing::WriteRegistryValue(HKEY_CURRENT_USER, "", "at root", REG_SZ,
                                                       string("r\0", 2)));
  EXPECT_EQ(0u, testing::ReadHostFile(FilePath()).find("Windows Registry Editor Version 5.00\r\n"));

  hooks::ReloadRegistry();
  for (const StoredValue& value : values) {
    SCOPED_TRACE(value.name);
    const auto read = Read(HKEY_CURRENT_USER, value);
    ASSERT_TRUE(read);
    EXPECT_EQ(value.type, read->type);
    EXPECT_EQ(value.bytes, read->bytes);
  }
  EXPECT_TRUE(testing::RegistryKeyExists(HKEY_LOCAL_MACHINE, "Software\\Empty\\Key"));
  EXPECT_TRUE(Read(HKEY_CURRENT_USER, {"", "at root", 0, ""}));

  // Deletions are saved too.
  testing::DeleteRegistryValue(HKEY_CURRENT_USER, "Software\\Korvel", "plain");
  testing::DeleteRegistryTree(HKEY_LOCAL_MACHINE, "Software\\Empty");
  hooks::ReloadRegistry();
  EXPECT_FALSE(Read(HKEY_CURRENT_USER, values[1]));
  EXPECT_FALSE(testing::RegistryKeyExists(HKEY_LOCAL_MACHINE, "Software\\Empty"));
  EXPECT_TRUE(Read(HKEY_CURRENT_USER, values[0]));
}

TEST_F(RegistryFile, ReadsContinuedHexListsAndComments) {
  testing::WriteHostFile(FilePath(),
            "Windows Registry Editor Version 5.00\n\n; a comment\n[HKEY_CLASSES_ROOT\\A]\n"
            "\"list\"=hex(7):61,00,\\\n  62,00,00\n");
  hooks::ReloadRegistry();
  const auto read = Read(HKEY_CLASSES_ROOT, {"A", "list", 0, ""});
  ASSERT_TRUE(read);
  EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), read->type);
  EXPECT_EQ(std::string("a\0b\0\0", 5), read->bytes);
}

// "[HKEY_CURRENT_USER\K\K...]" with `depth` keys below the root.
std::string KeyLineOfDepth(size_t depth) {
  std::string line = "[HKEY_CURRENT_USER";
  for (size_t i = 0; i < depth; ++i) line += "\\K";
  return line + "]\r\n";
}

const char kFileHeader[] = "Windows Registry Editor Version 5.00\r\n\r\n";

TEST_F(RegistryFile, ADamagedFileIsRefusedAndKept) {
  const std::string damaged[] = {
      "not a registry file\r\n",
      "Windows Registry Editor Version 5.00\r\n\r\n\"value\"=\"before any key\"\r\n",
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_NOWHERE\\A]\r\n",
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=\"open\r\n",
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=dword:12\r\n",
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=hex:1g\r\n",
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A\\\\B]\r\n",
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=\"1\"\r\n"
      "[HKEY_CURRENT_USER\\a]\r\n\"V\"=\"2\"\r\n",
      // Deeper than keys nest: walking such a tree would overflow the stack.
      kFileHeader + KeyLineOfDepth(513),
      kFileHeader + KeyLineOfDepth(200000),
  };
  for (const std::string& text : damaged) {
    SCOPED_TRACE(text);
    testing::WriteHostFile(FilePath(), text);
    ::testing::internal::CaptureStderr();
    hooks::ReloadRegistry();
    const std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, message.find("damaged")) << message;
    EXPECT_NE(std::string::npos, message.find(FilePath())) << message;
    unique_hkey key;
    EXPECT_EQ(ERROR_BADDB, RegOpenKeyExA(HKEY_CURRENT_USER, "A", 0, KEY_READ, key.put()));
    EXPECT_EQ(ERROR_BADDB, testing::WriteRegistryValue(HKEY_CURRENT_USER, "B", "v", REG_SZ, "x"));
    EXPECT_EQ(text, testing::ReadHostFile(FilePath()));
  }
}

// A key of many values and the deepest path load, the values checked for
// repeated names once each rather than against all before them.
TEST_F(RegistryFile, ManyValuesAndTheDeepestKeysLoad) {
  constexpr int kValues = 100000;
  std::string text = kFileHeader + KeyLineOfDepth(512) + "[HKEY_CURRENT_USER\\Many]\r\n";
  for (int i = 0; i < kValues; ++i) text += "\"v" + std::to_string(i) + "\"=dword:00000001\r\n";
  testing::WriteHostFile(FilePath(), text);
  hooks::ReloadRegistry();
  unique_hkey key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Many", 0, KEY_READ, key.put()));
  DWORD values = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                            nullptr, &values, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(static_cast<DWORD>(kValues), values);
  std::string deepest = "K";
  for (int i = 1; i < 512; ++i) deepest += "\\K";
  EXPECT_TRUE(testing::RegistryKeyExists(HKEY_CURRENT_USER, deepest));
}

TEST_F(RegistryFile, WithoutTheVariableNothingIsWritten) {
  unsetenv("KORVEL_REGISTRY_FILE");
  hooks::ReloadRegistry();
  ASSERT_EQ(ERROR_SUCCESS, testing::WriteRegistryValue(HKEY_CURRENT_USER, "M", "v", REG_SZ, "x"));
  EXPECT_EQ("", testing::ReadHostFile(FilePath()));
}

}  // namespace
}  // namespace korvel

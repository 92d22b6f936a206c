// The registry-value and text-file version sources against the platform's
// registry and file system: the real ones under Windows, our layer natively.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/raii.h"
#include "tests/support/bstr_matchers.h"
#include "tests/support/test_files.h"
#include "tests/support/test_registry.h"
#include "version/file_version_source.h"
#include "version/registry_version_source.h"

namespace korvel {
namespace {

using testing::BstrText;
using testing::Widen;

constexpr LONG kUntouched = -7;  // an error code no source ever stores

struct SourceResult {
  HRESULT hr;
  std::optional<std::u16string> text;
  LONG errorCode;
};

using VersionSource = HRESULT (*)(LPCSTR, LONG*, BSTR*);

// Runs one source with the error code starting at `initialCode`.
SourceResult Read(VersionSource source, const char* location, LONG initialCode) {
  SourceResult result{E_UNEXPECTED, std::nullopt, initialCode};
  unique_bstr text;
  result.hr = source(location, &result.errorCode, text.put());
  result.text = BstrText(text.get());
  return result;
}

SourceResult ReadRegistry(const char* location, LONG initialCode = kUntouched) {
  return Read(ReadRegistryVersion, location, initialCode);
}

SourceResult ReadFromFile(const char* path, LONG initialCode = kUntouched) {
  return Read(ReadFileVersion, path, initialCode);
}

// ---------------------------------------------------------------------------
// Registry-value source

const char kSetupKey[] = "Software\\Kessmer\\Tevra\\Setup";
const char kTestKey[] = "Software\\KorvelTests";
const char kRootValue[] = "KorvelTestsRootValue";

class RegistryVersionSource : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    using namespace testing;
    TearDownTestSuite();
    ASSERT_EQ(ERROR_SUCCESS,
              WriteRegistryString(HKEY_CURRENT_USER, kSetupKey, "SoftwareVersion", "5.2.1"));
    // A subkey of the same name as the value, holding a default value.
    ASSERT_EQ(ERROR_SUCCESS,
              WriteRegistryString(HKEY_CURRENT_USER,
                                  std::string(kSetupKey) + "\\SoftwareVersion", "",
                                  "default of the key"));
    const std::string key = kTestKey;
    ASSERT_EQ(ERROR_SUCCESS, WriteRegistryString(HKEY_LOCAL_MACHINE, key, "Plain", "7.0"));
    ASSERT_EQ(ERROR_SUCCESS, WriteRegistryValue(HKEY_CURRENT_USER, key, "Empty", REG_SZ, ""));
    ASSERT_EQ(ERROR_SUCCESS, WriteRegistryValue(HKEY_CURRENT_USER, key, "DwordZero",
                                                REG_DWORD, std::string(4, '\0')));
    ASSERT_EQ(ERROR_SUCCESS, WriteRegistryValue(HKEY_CURRENT_USER, key, "DwordDigits",
                                                REG_DWORD, std::string("123\0", 4)));
    ASSERT_EQ(ERROR_SUCCESS, WriteRegistryValue(HKEY_CURRENT_USER, key, "Multi",
                                                REG_MULTI_SZ, std::string("4.1\0second\0\0", 13)));
    ASSERT_EQ(ERROR_SUCCESS, WriteRegistryValue(HKEY_CURRENT_USER, key, "Expand",
                                                REG_EXPAND_SZ, std::string("%SystemRoot%\\v2\0", 16)));
    ASSERT_EQ(ERROR_SUCCESS, WriteRegistryValue(HKEY_CURRENT_USER, key, "NoNul",
                                                REG_BINARY, "8.8.8"));
    ASSERT_EQ(ERROR_SUCCESS, WriteRegistryValue(HKEY_CURRENT_USER, key, "NulFirst",
                                                REG_SZ, std::string("\0tail\0", 6)));
    ASSERT_EQ(ERROR_SUCCESS, WriteRegistryString(HKEY_CURRENT_USER, key, "Ansi",
                                                 "\x80 2.0 \xE9"));
    ASSERT_EQ(ERROR_SUCCESS, WriteRegistryString(HKEY_CURRENT_USER, key + "\\Sub", "", "sub default"));
    ASSERT_EQ(ERROR_SUCCESS, WriteRegistryString(HKEY_CURRENT_USER, "", kRootValue, "root 1.1"));
  }

  static void TearDownTestSuite() {
    using namespace testing;
    DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Kessmer");
    DeleteRegistryTree(HKEY_CURRENT_USER, kTestKey);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kTestKey);
    DeleteRegistryValue(HKEY_CURRENT_USER, "", kRootValue);
  }
};

struct RegistryCase {
  const char* name;
  const char* location;
  LONG initialCode;
  std::optional<std::u16string> expectedText;
  LONG expectedCode;
};

const char kDefaultLocation[] =
    "HKEY_CURRENT_USER\\Software\\Kessmer\\Tevra\\Setup\\SoftwareVersion";

TEST_F(RegistryVersionSource, YieldsTextOrStoresCode) {
  const RegistryCase cases[] = {
      {"default location", kDefaultLocation, 0, u"5.2.1", 0},
      {"trailing backslash reads the key's default value",
       "HKEY_CURRENT_USER\\Software\\Kessmer\\Tevra\\Setup\\SoftwareVersion\\", 0,
       u"default of the key", 0},
      {"names match without regard to case",
       "HKEY_CURRENT_USER\\SOFTWARE\\kessmer\\TEVRA\\setup\\softwareversion", 0,
       u"5.2.1", 0},
      {"prefix then backslash reads from the root key itself",
       "HKEY_CURRENT_USER\\\\KorvelTestsRootValue", 0, u"root 1.1", 0},
      {"lower-case prefix falls back to HKLM, whose open fails",
       "hkey_current_user\\software\\kessmer\\tevra\\setup\\softwareversion", 0,
       std::nullopt, 1},
      {"no prefix, found under HKLM: text and code 3 stay",
       "Software\\KorvelTests\\Plain", 0, u"7.0", 3},
      {"HKEY_USERS has no prefix", "HKEY_USERS\\.DEFAULT\\KorvelNoSuchKey\\V", 0,
       std::nullopt, 1},
      {"abbreviations are not prefixes", "HKCU\\Software\\KorvelTests\\Plain", 0,
       std::nullopt, 1},
      {"missing key", "HKEY_CURRENT_USER\\Software\\KorvelNoSuchKey\\Value", 0,
       std::nullopt, 1},
      {"missing value", "HKEY_CURRENT_USER\\Software\\KorvelTests\\Missing", 0,
       std::nullopt, 2},
      {"value of 0 bytes", "HKEY_CURRENT_USER\\Software\\KorvelTests\\Empty", 0,
       std::nullopt, 2},
      {"REG_DWORD 0 is the empty text",
       "HKEY_CURRENT_USER\\Software\\KorvelTests\\DwordZero", 0, u"", 0},
      {"REG_DWORD bytes up to the first zero",
       "HKEY_CURRENT_USER\\Software\\KorvelTests\\DwordDigits", 0, u"123", 0},
      {"REG_MULTI_SZ yields its first string",
       "HKEY_CURRENT_USER\\Software\\KorvelTests\\Multi", 0, u"4.1", 0},
      {"REG_EXPAND_SZ is not expanded",
       "HKEY_CURRENT_USER\\Software\\KorvelTests\\Expand", 0, u"%SystemRoot%\\v2", 0},
      {"data without a NUL is taken whole",
       "HKEY_CURRENT_USER\\Software\\KorvelTests\\NoNul", 0, u"8.8.8", 0},
      {"data beginning with NUL is the empty text",
       "HKEY_CURRENT_USER\\Software\\KorvelTests\\NulFirst", 0, u"", 0},
      {"ANSI bytes convert through the code page",
       "HKEY_CURRENT_USER\\Software\\KorvelTests\\Ansi", 0, u"\u20AC 2.0 \u00E9", 0},
      {"a success leaves an earlier code in place", kDefaultLocation, 2, u"5.2.1", 2},
      {"HKEY_DYN_DATA prefix, missing key",
       "HKEY_DYN_DATA\\KorvelNoSuchKey\\Value", 0, std::nullopt, 1},
      // A path with no backslash after the prefix names no key to open.
      {"empty location", "", 0, std::nullopt, 1},
      {"bare root name", "HKEY_CURRENT_USER", 0, std::nullopt, 1},
      {"root prefix alone", "HKEY_CURRENT_USER\\", 0, std::nullopt, 1},
      {"prefix and a name without backslash", "HKEY_CURRENT_USER\\Software", 0,
       std::nullopt, 1},
  };
  for (const RegistryCase& c : cases) {
    SCOPED_TRACE(c.name);
    const SourceResult result = ReadRegistry(c.location, c.initialCode);
    EXPECT_EQ(S_OK, result.hr);
    EXPECT_EQ(c.expectedText, result.text);
    EXPECT_EQ(c.expectedCode, result.errorCode);
  }
}

TEST_F(RegistryVersionSource, LocationWithoutStringStoresOne) {
  const SourceResult result = ReadRegistry(nullptr, 3);
  EXPECT_EQ(S_OK, result.hr);
  EXPECT_EQ(std::nullopt, result.text);
  EXPECT_EQ(1, result.errorCode);
}

TEST_F(RegistryVersionSource, SeesChangesWithoutCaching) {
  EXPECT_EQ(u"5.2.1", ReadRegistry(kDefaultLocation).text);
  ASSERT_EQ(ERROR_SUCCESS, testing::WriteRegistryString(
                               HKEY_CURRENT_USER, kSetupKey, "SoftwareVersion", "6.0"));
  EXPECT_EQ(u"6.0", ReadRegistry(kDefaultLocation).text);
  ASSERT_EQ(ERROR_SUCCESS, testing::WriteRegistryString(
                               HKEY_CURRENT_USER, kSetupKey, "SoftwareVersion", "5.2.1"));
}

TEST_F(RegistryVersionSource, ReadRegistryValueHandsOverTheWholeData) {
  unique_hkey key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kTestKey, 0, KEY_READ, key.put()));
  RegistryData data;
  ASSERT_EQ(S_OK, ReadRegistryValue(key.get(), "Multi", &data));
  ASSERT_EQ(13u, data.size);
  EXPECT_EQ(std::string("4.1\0second\0\0", 13),
            std::string(static_cast<const char*>(data.bytes.get()), data.size));

  EXPECT_EQ(S_FALSE, ReadRegistryValue(key.get(), "Missing", &data));
  EXPECT_FALSE(data.bytes);
  EXPECT_EQ(S_FALSE, ReadRegistryValue(key.get(), "Empty", &data));
  EXPECT_FALSE(data.bytes);
}

// ---------------------------------------------------------------------------
// Text-file source

const char kFolder[] = "C:\\KorvelTests";

std::string TestPath(const std::string& name) { return std::string(kFolder) + "\\" + name; }

class FileVersionSource : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const std::string& path : written_) testing::DeleteTestFile(path);
    RemoveDirectoryA(kFolder);
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = TestPath(name);
    EXPECT_TRUE(testing::WriteTestFile(path, bytes)) << path;
    written_.push_back(path);
    return path;
  }

 private:
  std::vector<std::string> written_;
};

struct FileCase {
  const char* name;
  std::string contents;
  std::optional<std::u16string> expectedText;
};

TEST_F(FileVersionSource, FirstNonBlankLine) {
  const std::string longLine(600, 'A');
  // Two spaces, 509 digits, then a CR as byte 512 whose LF lies beyond.
  const std::string crAtLimit = "  " + std::string(509, '9') + "\r\nnext";
  const FileCase cases[] = {
      {"blank line and spaces before the version", "\r\n  3.4.5\r\nline two\r\n", u"3.4.5"},
      {"LF-only lines run on to the end", "\n3.4.5\nline two\n", u"3.4.5\nline two\n"},
      {"trailing spaces stay", "3.4.5  \r\nnext", u"3.4.5  "},
      {"tabs are skipped at the start", "\t \t3.4.5\r\n", u"3.4.5"},
      {"lone CR does not end the line", "3.4\r5\r\n", u"3.4\r5"},
      {"no line end at all", "3.4.5", u"3.4.5"},
      {"empty file yields nothing", "", std::nullopt},
      {"512 spaces yield the empty text", std::string(512, ' '), u""},
      {"only blank lines yield the empty text", "\r\n\r\n\t\n", u""},
      {"a long first line is cut at 512 bytes", longLine, Widen(longLine.substr(0, 512))},
      {"CR as byte 512 stays in the text", crAtLimit, Widen(std::string(509, '9') + "\r")},
      {"NUL in the first line ends the text", std::string("1.2\0junk\r\n", 10), u"1.2"},
      {"NUL as first byte", std::string("\0" "1.2", 4), u""},
      {"ANSI bytes convert through the code page", "\x80\xE9 1\r\n", u"\u20AC\u00E9 1"},
  };
  int index = 0;
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Write("case" + std::to_string(index++) + ".txt", c.contents);
    const SourceResult result = ReadFromFile(path.c_str());
    EXPECT_EQ(S_OK, result.hr);
    EXPECT_EQ(c.expectedText, result.text);
    EXPECT_EQ(kUntouched, result.errorCode);
  }
}

TEST_F(FileVersionSource, FileThatCannotBeOpenedStoresThree) {
  Write("present.txt", "1.0");
  const struct {
    const char* name;
    const char* path;
  } cases[] = {
      {"missing file", "C:\\KorvelTests\\absent.txt"},
      {"missing folder", "C:\\KorvelNoSuchFolder\\ver.txt"},
      {"a folder, not a file", kFolder},
      {"empty path", ""},
      {"no path at all", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const SourceResult result = ReadFromFile(c.path, 0);
    EXPECT_EQ(S_OK, result.hr);
    EXPECT_EQ(std::nullopt, result.text);
    EXPECT_EQ(3, result.errorCode);
  }
}

TEST_F(FileVersionSource, DefaultLocationAndPathsWithoutRegardToCase) {
  const char kDefaultRvk[] = "C:\\RVKTESTER\\ver.txt";
  ASSERT_TRUE(testing::WriteTestFile(kDefaultRvk, "2.7.1\r\n"));
  auto cleanup = scope_exit([&] {
    testing::DeleteTestFile(kDefaultRvk);
    RemoveDirectoryA("C:\\RVKTESTER");
  });
  EXPECT_EQ(u"2.7.1", ReadFromFile(kDefaultRvk).text);
  EXPECT_EQ(u"2.7.1", ReadFromFile("c:\\rvktester\\VER.TXT").text);
}

TEST_F(FileVersionSource, FileOpenedByAnotherWriterCanBeRead) {
  const std::string path = Write("shared.txt", "4.4\r\n");
  unique_file writer(CreateFileA(path.c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(writer);
  EXPECT_EQ(u"4.4", ReadFromFile(path.c_str()).text);
}

}  // namespace
}  // namespace korvel

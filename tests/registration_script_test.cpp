// The registration script and its two passes against the platform's
// registry: the real one under Windows, our layer natively. The script
// writes below HKEY_CLASSES_ROOT; each test removes what it wrote.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/raii.h"
#include "registration/registration_script.h"
#include "tests/support/registration_entries.h"
#include "tests/support/test_files.h"
#include "tests/support/test_registry.h"

namespace korvel {
namespace {

using testing::ClassesKeyExists;
using testing::ClassesString;
using testing::ClassesSubkeyCount;
using testing::kClassKey;
using testing::kIndependentProgId;
using testing::kProgId;
using testing::LeftoverRegistrationKeys;
using testing::MissingRegistrationEntries;

const char kModulePath[] = "C:\\Tools\\Korvel.DLL";
const std::string kClass = kClassKey;


const std::string& Script() {
  static const std::string script = testing::ReadHostFile(KORVEL_REGISTRATION_SCRIPT);
  return script;
}

HRESULT RunScript(const std::string& script, BOOL registerFlag, const char* modulePath = kModulePath) {
  return RunRegistrationScriptText(script.data(), script.size(), modulePath, registerFlag);
}

HRESULT Register(const char* modulePath = kModulePath) { return RunScript(Script(), TRUE, modulePath); }
HRESULT Unregister() { return RunScript(Script(), FALSE); }

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

class RegistrationScript : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Script().empty()) << "cannot read " << KORVEL_REGISTRATION_SCRIPT;
    testing::RemoveRegistrationEntries();
  }
  void TearDown() override { testing::RemoveRegistrationEntries(); }
};

TEST_F(RegistrationScript, TheScriptFileKeepsItsExactForm) {
  const std::string& script = Script();
  EXPECT_EQ(0u, script.compare(0, 6, "HKCR\r\n"));
  EXPECT_EQ(0u, script.compare(script.size() - 3, 3, "}\r\n"));
  for (size_t i = 0; i < script.size(); ++i)
    if (script[i] == '\n') {
      ASSERT_EQ('\r', script[i - 1]) << "bare LF at " << i;
    }
  EXPECT_NE(std::string::npos, script.find("\t\t\tForceRemove 'Programmable'\r\n"));
  EXPECT_NE(std::string::npos, script.find("\t\t\t\tval ThreadingModel = s 'Apartment'\r\n"));
}

TEST_F(RegistrationScript, RegisteringWritesEveryEntryAndUnregisteringLeavesOnlyClsid) {
  ASSERT_EQ(S_OK, Register());
  EXPECT_EQ("", MissingRegistrationEntries(kModulePath));
  EXPECT_EQ(0, ClassesSubkeyCount(kClass + "\\Programmable"));

  EXPECT_EQ(S_OK, Unregister());
  EXPECT_EQ("", LeftoverRegistrationKeys());
  EXPECT_TRUE(ClassesKeyExists("CLSID"));  // NoRemove, even if the registration made it
}

TEST_F(RegistrationScript, RegisteringTwiceClearsTheClassKeyButKeepsOtherPartiesElsewhere) {
  using testing::WriteRegistryString;
  ASSERT_EQ(S_OK, Register());
  ASSERT_EQ(ERROR_SUCCESS, WriteRegistryString(HKEY_CLASSES_ROOT, kClass + "\\Extra", "", "x"));
  ASSERT_EQ(ERROR_SUCCESS,
            WriteRegistryString(HKEY_CLASSES_ROOT, kClass + "\\InprocServer32", "Other", "y"));
  ASSERT_EQ(ERROR_SUCCESS, WriteRegistryString(HKEY_CLASSES_ROOT,
                                               std::string(kIndependentProgId) + "\\Extra", "", "z"));
  ASSERT_EQ(ERROR_SUCCESS,
            WriteRegistryString(HKEY_CLASSES_ROOT, kIndependentProgId, "Note", "kept"));
  ASSERT_EQ(ERROR_SUCCESS, WriteRegistryString(HKEY_CLASSES_ROOT, "CLSID\\KorvelTestsNeighbour",
                                               "", "neighbour"));

  ASSERT_EQ(S_OK, Register());
  EXPECT_EQ("", MissingRegistrationEntries(kModulePath));
  EXPECT_FALSE(ClassesKeyExists(kClass + "\\Extra"));
  EXPECT_FALSE(ClassesString(kClass + "\\InprocServer32", "Other"));
  EXPECT_EQ(5, ClassesSubkeyCount(kClass));
  EXPECT_EQ("z", ClassesString(std::string(kIndependentProgId) + "\\Extra"));
  EXPECT_EQ("kept", ClassesString(kIndependentProgId, "Note"));
  EXPECT_EQ("neighbour", ClassesString("CLSID\\KorvelTestsNeighbour"));
  testing::DeleteRegistryTree(HKEY_CLASSES_ROOT, "CLSID\\KorvelTestsNeighbour");
}

TEST_F(RegistrationScript, UnregisteringCopesWithEntriesLostOrAdded) {
  using testing::WriteRegistryString;
  // Lost: ProgID below the class key and ThreadingModel.
  ASSERT_EQ(S_OK, Register());
  testing::DeleteRegistryTree(HKEY_CLASSES_ROOT, kClass + "\\ProgID");
  testing::DeleteRegistryValue(HKEY_CLASSES_ROOT, kClass + "\\InprocServer32", "ThreadingModel");
  EXPECT_EQ(S_OK, Unregister());
  EXPECT_EQ("", LeftoverRegistrationKeys());

  // Added: subkeys the script does not list keep their keys and values.
  ASSERT_EQ(S_OK, Register());
  ASSERT_EQ(ERROR_SUCCESS,
            WriteRegistryString(HKEY_CLASSES_ROOT, std::string(kProgId) + "\\Extra", "", "p"));
  ASSERT_EQ(ERROR_SUCCESS,
            WriteRegistryString(HKEY_CLASSES_ROOT, kClass + "\\InprocServer32\\Extra", "", "i"));
  EXPECT_EQ(S_OK, Unregister());
  EXPECT_EQ("KorvelA Class", ClassesString(kProgId));
  EXPECT_FALSE(ClassesKeyExists(std::string(kProgId) + "\\CLSID"));
  EXPECT_FALSE(ClassesKeyExists(kIndependentProgId));
  EXPECT_EQ(kModulePath, ClassesString(kClass + "\\InprocServer32"));
  EXPECT_FALSE(ClassesString(kClass + "\\InprocServer32", "ThreadingModel"));
  EXPECT_EQ(1, ClassesSubkeyCount(kClass));  // InprocServer32 alone
  EXPECT_EQ("KorvelA Class", ClassesString(kClass));
}

TEST_F(RegistrationScript, UnregisteringWhenNothingIsRegisteredChangesNothing) {
  EXPECT_EQ(S_OK, Unregister());
  EXPECT_EQ("", LeftoverRegistrationKeys());
  EXPECT_TRUE(ClassesKeyExists("CLSID") || platform::kIsNativeLayer);
}

TEST_F(RegistrationScript, ModulePathGoesInExactlyAsItIs) {
  for (const char* path : {"C:\\Korvel Tests\\it's 100%\\Korvel.DLL",
                           "C:\\a''b\\%MODULE%\\Korvel.DLL", "C:\\Caf\xE9\\Korvel.DLL"}) {
    SCOPED_TRACE(path);
    ASSERT_EQ(S_OK, Register(path));
    EXPECT_EQ("", MissingRegistrationEntries(path));
  }
}

TEST_F(RegistrationScript, PlaceholderFaultsLeaveTheRegistryUnchanged) {
  ASSERT_EQ(S_OK, Register());
  for (const std::string& script : {Replaced(Script(), "%MODULE%", "%MODULE"),
                                    Replaced(Script(), "%MODULE%", "%NOSUCH%"),
                                    Replaced(Script(), "%MODULE%", "%%")}) {
    EXPECT_EQ(DISP_E_EXCEPTION, RunScript(script, TRUE));
    EXPECT_EQ("", MissingRegistrationEntries(kModulePath));
  }
  // Placeholder names match without regard to case.
  EXPECT_EQ(S_OK, RunScript(Replaced(Script(), "%MODULE%", "%module%"), TRUE, "C:\\lower"));
  EXPECT_EQ("", MissingRegistrationEntries("C:\\lower"));
}

// A script that puts a long path in thousands of times would make itself a
// huge one: what the placeholders put in is at most a megabyte.
TEST_F(RegistrationScript, PlaceholdersPutInAtMostAMegabyte) {
  const std::string path = "C:\\" + std::string(497, 'p');  // 500 characters
  const auto script = [](int placeholders) {
    std::string text = "HKCR\r\n{\r\n\tKorvelTestsLong = s '";
    for (int i = 0; i < placeholders; ++i) text += "%MODULE%";
    return text + "'\r\n}\r\n";
  };
  EXPECT_EQ(E_OUTOFMEMORY, RunScript(script(2200), TRUE, path.c_str()));
  EXPECT_FALSE(ClassesKeyExists("KorvelTestsLong"));
  ASSERT_EQ(S_OK, RunScript(script(2000), TRUE, path.c_str()));
  unique_hkey key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, "KorvelTestsLong", 0, KEY_READ, key.put()));
  DWORD bytes = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.get(), nullptr, nullptr, nullptr, nullptr, &bytes));
  EXPECT_EQ(2000 * path.size() + 1, bytes);
  key.reset();
  EXPECT_EQ(S_OK, RunScript(script(2000), FALSE, path.c_str()));
  EXPECT_FALSE(ClassesKeyExists("KorvelTestsLong"));
}

// Unregistering looks at most at the first subkey a key has left, not at
// all of them, each time the script names the key.
TEST_F(RegistrationScript, AKeyNamedManyTimesUnregistersInOnePassOverIt) {
  constexpr int kSubkeys = 20000, kMentions = 20000;
  std::string script = "HKCR\r\n{\r\n";
  for (int i = 0; i < kMentions; ++i) script += "\tKorvelTestsWide\r\n";
  script += "\tKorvelTestsWide\r\n\t{\r\n";
  for (int i = 0; i < kSubkeys; ++i) script += "\t\tK" + std::to_string(i) + "\r\n";
  script += "\t}\r\n}\r\n";
  ASSERT_EQ(S_OK, RunScript(script, TRUE));
  EXPECT_EQ(kSubkeys, ClassesSubkeyCount("KorvelTestsWide"));
  EXPECT_EQ(S_OK, RunScript(script, FALSE));
  EXPECT_FALSE(ClassesKeyExists("KorvelTestsWide"));
}

struct BrokenScript {
  const char* name;
  std::string text;
};

TEST_F(RegistrationScript, BrokenScriptsFailAndTheRollBackLeavesNothing) {
  const std::string& good = Script();
  const std::string deep = [] {
    std::string text = "HKCR\r\n{\r\n";
    for (int i = 0; i < 40; ++i) text += "K" + std::to_string(i) + "\r\n{\r\n";
    for (int i = 0; i < 40; ++i) text += "}\r\n";
    return text + "}\r\n";
  }();
  const BrokenScript cases[] = {
      {"empty", ""},
      {"only white space", " \r\n\t"},
      {"another root", Replaced(good, "HKCR", "HKLM")},
      {"quote left open", Replaced(good, "'Apartment'", "'Apartment")},
      {"text glued to a quote", Replaced(good, "'Apartment'", "'Apart'ment")},
      {"no type letter", Replaced(good, "CurVer = s", "CurVer =")},
      {"another type letter", Replaced(good, "CurVer = s", "CurVer = d")},
      {"value not quoted", Replaced(good, "'TevraOmbrin.KorvelA.1'\r\n\t}", "TevraOmbrin\r\n\t}")},
      {"val without a name", Replaced(good, "val ThreadingModel = s 'Apartment'", "val")},
      {"key name that is a path", Replaced(good, "CurVer", "Cur\\Ver")},
      {"empty key name", Replaced(good, "'TypeLib'", "''")},
      {"flag without a key",
       Replaced(good, "'TypeLib' = s '{3C7E5B92-D148-4A6F-8E2B-91F0A4D6C735}'", "NoRemove")},
      {"a brace too many", good + "}\r\n"},
      {"a token after the root block", good + "HKCR\r\n"},
      {"the last brace missing", good.substr(0, good.rfind('}'))},
      {"a NUL ends the text early", Replaced(good, "CurVer", std::string("Cur\0Ver", 7))},
      {"nesting too deep", deep},
  };
  for (const BrokenScript& broken : cases) {
    SCOPED_TRACE(broken.name);
    EXPECT_EQ(DISP_E_EXCEPTION, RunScript(broken.text, TRUE));
    EXPECT_EQ("", LeftoverRegistrationKeys());
    EXPECT_FALSE(ClassesKeyExists("K0"));
    EXPECT_EQ(DISP_E_EXCEPTION, RunScript(broken.text, FALSE));
  }
}

TEST_F(RegistrationScript, TheRollBackRemovesAnEarlierRegistrationToo) {
  ASSERT_EQ(S_OK, Register());
  EXPECT_EQ(DISP_E_EXCEPTION, RunScript(Script() + "}\r\n", TRUE));
  EXPECT_EQ("", LeftoverRegistrationKeys());
  EXPECT_TRUE(ClassesKeyExists("CLSID"));
}

TEST_F(RegistrationScript, EveryTruncationFailsAndLeavesNothing) {
  const std::string& good = Script();
  const size_t whole = good.rfind('}') + 1;
  for (size_t length = 0; length < whole; length += 5) {
    SCOPED_TRACE(length);
    EXPECT_EQ(DISP_E_EXCEPTION, RunScript(good.substr(0, length), TRUE));
    ASSERT_EQ("", LeftoverRegistrationKeys());
  }
  EXPECT_EQ(S_OK, RunScript(good.substr(0, whole), TRUE));
}

// The script read from a module file opened as a data file.
class RegistrationScriptInModule : public RegistrationScript {
 protected:
  static std::string CopyModuleTo(const std::string& windowsPath) {
    const std::string bytes = testing::ReadHostFile(KORVEL_SCRIPT_MODULE);
    return !bytes.empty() && testing::WriteTestFile(windowsPath, bytes) ? windowsPath : "";
  }
  void TearDown() override {
    RegistrationScript::TearDown();
    for (const char* file : {"C:\\Korvel Tests\\it's 100%\\Korvel.DLL",
                             "C:\\Korvel Tests\\NoScript.DLL"})
      testing::DeleteTestFile(file);
    RemoveDirectoryA("C:\\Korvel Tests\\it's 100%");
    RemoveDirectoryA("C:\\Korvel Tests");
  }
};

TEST_F(RegistrationScriptInModule, RegistersFromTheModulesResource) {
  const std::string path = CopyModuleTo("C:\\Korvel Tests\\it's 100%\\Korvel.DLL");
  ASSERT_FALSE(path.empty());
  ASSERT_EQ(S_OK, RunRegistrationScriptForModule(path.c_str(), kRegistrationScriptId, TRUE));
  EXPECT_EQ("", MissingRegistrationEntries(path));
  EXPECT_EQ(S_OK, RunRegistrationScriptForModule(path.c_str(), kRegistrationScriptId, FALSE));
  EXPECT_EQ("", LeftoverRegistrationKeys());
}

TEST_F(RegistrationScriptInModule, MissingFileOrResourceGivesItsCodeAndChangesNothing) {
  const std::string path = CopyModuleTo("C:\\Korvel Tests\\it's 100%\\Korvel.DLL");
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
            RunRegistrationScriptForModule("C:\\Korvel Tests\\none.dll", 101, TRUE));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND),
            RunRegistrationScriptForModule(path.c_str(), 102, TRUE));
  EXPECT_EQ("", LeftoverRegistrationKeys());
}

}  // namespace
}  // namespace korvel

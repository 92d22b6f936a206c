// Registration faults only our layer can arrange: keys that cannot be
// created, failed opens that leave junk in their out parameter, and memory
// that runs out.
#include <gtest/gtest.h>

#include <string>

#include "platform/native/test_hooks.h"
#include "registration/registration_script.h"
#include "tests/support/registration_entries.h"
#include "tests/support/test_files.h"

namespace korvel {
namespace {

namespace hooks = platform::test_hooks;
using testing::LeftoverRegistrationKeys;

const char kModulePath[] = "C:\\Tools\\Korvel.DLL";

std::string Script() { return testing::ReadHostFile(KORVEL_REGISTRATION_SCRIPT); }

HRESULT RunScript(BOOL registerFlag) {
  const std::string script = Script();
  return RunRegistrationScriptText(script.data(), script.size(), kModulePath, registerFlag);
}

HRESULT Register() { return RunScript(TRUE); }

class RegistrationFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    hooks::Reset();
    testing::RemoveRegistrationEntries();
  }
  void TearDown() override {
    hooks::Reset();
    testing::RemoveRegistrationEntries();
  }
};

TEST_F(RegistrationFaults, KeysThatCannotBeCreatedRollEverythingBack) {
  // Below the root nothing can be created; below CLSID the ProgID keys are
  // written before the class key fails, and the roll-back takes them away.
  for (const char* denied : {"", "CLSID"}) {
    SCOPED_TRACE(denied);
    hooks::Reset();
    testing::RemoveRegistrationEntries();
    hooks::DenyRegistryWritesBelow(HKEY_CLASSES_ROOT, denied);
    EXPECT_EQ(DISP_E_EXCEPTION, Register());
    hooks::Reset();
    EXPECT_EQ("", LeftoverRegistrationKeys());
  }
  EXPECT_FALSE(testing::ClassesKeyExists("CLSID\\{6E2A9C41-3B7D-4F58-A1C3-5D9E7B20F4A6}"));
}

// A failed open or create owns nothing, whatever it left in its out
// parameter: the passes never close it, retry or fall back to a create
// over it, and come to what they come to when the platform leaves NULL.
TEST_F(RegistrationFaults, FailedOpensOwnNothing) {
  struct Case {
    const char* name;
    bool registeredBefore;
    bool writesDenied;  // below HKCR, for the pass
    BOOL registerFlag;
    HRESULT expected;
    bool registeredAfter;
  };
  const Case cases[] = {
      {"register anew: every open fails, every key is created", false, false, TRUE, S_OK,
       true},
      {"register where nothing can be created", false, true, TRUE, DISP_E_EXCEPTION, false},
      {"register again where opening for writing fails", true, true, TRUE, S_OK, true},
      {"unregister what is not there", false, false, FALSE, S_OK, false},
      {"unregister where opening for writing fails", true, true, FALSE, S_OK, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    hooks::Reset();
    testing::RemoveRegistrationEntries();
    if (c.registeredBefore) {
      ASSERT_EQ(S_OK, Register());
    }
    hooks::LeaveJunkInFailedOpens();
    if (c.writesDenied) hooks::DenyRegistryWritesBelow(HKEY_CLASSES_ROOT, "");
    EXPECT_EQ(c.expected, RunScript(c.registerFlag));
    EXPECT_EQ(0u, hooks::ForeignKeyCloses());
    hooks::Reset();
    if (c.registeredAfter)
      EXPECT_EQ("", testing::MissingRegistrationEntries(kModulePath));
    else
      EXPECT_EQ("", LeftoverRegistrationKeys());
  }
}

TEST_F(RegistrationFaults, NoMemoryChangesNothing) {
  bool succeeded = false;
  for (unsigned nth = 1; !succeeded && nth < 20; ++nth) {
    SCOPED_TRACE(nth);
    hooks::FailAllocation(nth);
    const HRESULT hr = Register();
    hooks::Reset();
    if (hr == S_OK) {
      succeeded = true;
      EXPECT_EQ("", testing::MissingRegistrationEntries(kModulePath));
    } else {
      EXPECT_EQ(E_OUTOFMEMORY, hr);
      EXPECT_EQ("", LeftoverRegistrationKeys());
    }
  }
  EXPECT_TRUE(succeeded);
}

}  // namespace
}  // namespace korvel

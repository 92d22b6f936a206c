// Registration faults only our layer can arrange: keys that cannot be
// created, and memory that runs out.
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

HRESULT Register() {
  const std::string script = Script();
  return RunRegistrationScriptText(script.data(), script.size(), kModulePath, TRUE);
}

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

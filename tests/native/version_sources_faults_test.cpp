// Faults that only our layer can arrange: a value that grows between the
// size probe and the read, opens and reads that fail, memory that runs out.
#include <gtest/gtest.h>

#include "platform/native/test_hooks.h"
#include "platform/raii.h"
#include "tests/support/bstr_matchers.h"
#include "tests/support/test_files.h"
#include "tests/support/test_registry.h"
#include "version/file_version_source.h"
#include "version/registry_version_source.h"

namespace korvel {
namespace {

namespace hooks = platform::test_hooks;
using testing::BstrText;

const char kLocation[] = "HKEY_CURRENT_USER\\Software\\KorvelFaults\\Version";
const char kFile[] = "C:\\KorvelFaults\\ver.txt";

class VersionSourceFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    hooks::Reset();
    ASSERT_EQ(ERROR_SUCCESS, testing::WriteRegistryString(
                                 HKEY_CURRENT_USER, "Software\\KorvelFaults", "Version", "9.1"));
    ASSERT_TRUE(testing::WriteTestFile(kFile, "9.2\r\n"));
  }
  void TearDown() override {
    hooks::Reset();
    testing::DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\KorvelFaults");
    testing::DeleteTestFile(kFile);
    RemoveDirectoryA("C:\\KorvelFaults");
  }
};

TEST_F(VersionSourceFaults, ValueGrowingAfterTheProbeStoresTwo) {
  hooks::GrowValueAfterProbe("Version", 8);
  LONG code = 0;
  unique_bstr text;
  EXPECT_EQ(S_OK, ReadRegistryVersion(kLocation, &code, text.put()));
  EXPECT_FALSE(text);
  EXPECT_EQ(2, code);
}

TEST_F(VersionSourceFaults, FailingOpensAndReads) {
  LONG code = 0;
  unique_bstr text;
  hooks::FailNextRegistryOpen(ERROR_ACCESS_DENIED);
  EXPECT_EQ(S_OK, ReadRegistryVersion(kLocation, &code, text.put()));
  EXPECT_FALSE(text);
  EXPECT_EQ(1, code);

  code = 0;
  hooks::FailNextFileOpen(ERROR_SHARING_VIOLATION);
  EXPECT_EQ(S_OK, ReadFileVersion(kFile, &code, text.put()));
  EXPECT_FALSE(text);
  EXPECT_EQ(3, code);

  // A read error is "nothing" and stores no code.
  code = 0;
  hooks::FailNextFileRead();
  EXPECT_EQ(S_OK, ReadFileVersion(kFile, &code, text.put()));
  EXPECT_FALSE(text);
  EXPECT_EQ(0, code);
}

// Each allocation a successful read makes, failed in turn, ends the call
// with E_OUTOFMEMORY, no text and nothing leaked; then the read succeeds.
template <typename Read>
void FailEachAllocation(Read read, const std::u16string& expected) {
  for (unsigned nth = 1;; ++nth) {
    SCOPED_TRACE(nth);
    LONG code = 0;
    unique_bstr text;
    hooks::FailAllocation(nth);
    const HRESULT hr = read(&code, text.put());
    hooks::FailAllocation(0);
    if (hr == S_OK) {
      EXPECT_EQ(expected, BstrText(text.get()));
      EXPECT_GT(nth, 1u);  // at least one allocation was tried
      break;
    }
    EXPECT_EQ(E_OUTOFMEMORY, hr);
    EXPECT_FALSE(text);
    EXPECT_EQ(0, code);
    ASSERT_LT(nth, 20u);
  }
}

TEST_F(VersionSourceFaults, RunningOutOfMemory) {
  FailEachAllocation([](LONG* code, BSTR* text) {
    return ReadRegistryVersion(kLocation, code, text);
  }, u"9.1");
  FailEachAllocation([](LONG* code, BSTR* text) {
    return ReadFileVersion(kFile, code, text);
  }, u"9.2");
}

}  // namespace
}  // namespace korvel

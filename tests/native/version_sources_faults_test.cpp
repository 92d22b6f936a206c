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

using VersionSource = HRESULT (*)(LPCSTR, LONG*, BSTR*);

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

// Reads `location` with `read`, the error code starting at 0: the read
// succeeds with no text and `expectedCode` stored.
void ExpectNoTextAndCode(VersionSource read, const char* location, LONG expectedCode) {
  LONG code = 0;
  unique_bstr text;
  EXPECT_EQ(S_OK, read(location, &code, text.put()));
  EXPECT_FALSE(text);
  EXPECT_EQ(expectedCode, code);
}

TEST_F(VersionSourceFaults, ValueGrowingAfterTheProbeStoresTwo) {
  hooks::GrowValueAfterProbe("Version", 8);
  ExpectNoTextAndCode(ReadRegistryVersion, kLocation, 2);
}

// However the registry fails to hand over the value, even for want of its
// own memory, that is 2 and no text: never the component's E_OUTOFMEMORY.
TEST_F(VersionSourceFaults, ValueThatCannotBeReadStoresTwo) {
  struct Case {
    const char* step;
    void (*fail)(LONG error);
    LONG error;
  };
  const Case cases[] = {
      {"probe", hooks::FailNextValueProbe, ERROR_OUTOFMEMORY},
      {"probe", hooks::FailNextValueProbe, ERROR_NOT_ENOUGH_MEMORY},
      {"probe", hooks::FailNextValueProbe, ERROR_ACCESS_DENIED},
      {"read", hooks::FailNextValueRead, ERROR_OUTOFMEMORY},
      {"read", hooks::FailNextValueRead, ERROR_CANTREAD},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.step << " fails with " << c.error);
    c.fail(c.error);
    ExpectNoTextAndCode(ReadRegistryVersion, kLocation, 2);
  }
}

TEST_F(VersionSourceFaults, FailingOpensAndReads) {
  hooks::FailNextRegistryOpen(ERROR_ACCESS_DENIED);
  ExpectNoTextAndCode(ReadRegistryVersion, kLocation, 1);

  hooks::FailNextFileOpen(ERROR_SHARING_VIOLATION);
  ExpectNoTextAndCode(ReadFileVersion, kFile, 3);

  // A read error is "nothing" and stores no code.
  hooks::FailNextFileRead();
  ExpectNoTextAndCode(ReadFileVersion, kFile, 0);
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

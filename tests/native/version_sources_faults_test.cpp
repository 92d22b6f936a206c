// Faults that only our layer can arrange: a value that grows between the
// size probe and the read, opens and reads that fail, memory that runs out,
// conversions that fail without a code.
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

struct SourceCase {
  const char* name;
  VersionSource read;
  const char* location;
  const char16_t* text;  // what the read yields when nothing fails
};

const SourceCase kSources[] = {
    {"registry", ReadRegistryVersion, kLocation, u"9.1"},
    {"file", ReadFileVersion, kFile, u"9.2"},
};

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

// A key that cannot be opened stores 1 whatever the registry's code, and
// what the failed open left in its out parameter is never closed.
TEST_F(VersionSourceFaults, KeyThatCannotBeOpenedStoresOne) {
  hooks::LeaveJunkInFailedOpens();
  for (LONG error : {ERROR_OUTOFMEMORY, ERROR_NOT_ENOUGH_MEMORY, ERROR_FILE_NOT_FOUND}) {
    SCOPED_TRACE(error);
    hooks::FailNextRegistryOpen(error);
    ExpectNoTextAndCode(ReadRegistryVersion, kLocation, 1);
  }
  EXPECT_EQ(0u, hooks::ForeignKeyCloses());
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

// Each allocation (or conversion) a successful read makes, failed in turn
// by `failNth`, ends the call with `failure`, no text, no code and nothing
// leaked; then the read succeeds.
void FailEachInTurn(void (*failNth)(unsigned), HRESULT failure) {
  for (const SourceCase& source : kSources) {
    for (unsigned nth = 1;; ++nth) {
      SCOPED_TRACE(::testing::Message() << source.name << ", call " << nth << " fails");
      LONG code = 0;
      unique_bstr text;
      failNth(nth);
      const HRESULT hr = source.read(source.location, &code, text.put());
      failNth(0);
      if (hr == S_OK) {
        EXPECT_EQ(source.text, BstrText(text.get()));
        EXPECT_GT(nth, 1u);  // at least one call was tried
        break;
      }
      EXPECT_EQ(failure, hr);
      EXPECT_FALSE(text);
      EXPECT_EQ(0, code);
      ASSERT_LT(nth, 20u);
    }
  }
}

TEST_F(VersionSourceFaults, RunningOutOfMemory) {
  FailEachInTurn(hooks::FailAllocation, E_OUTOFMEMORY);
}

// A conversion that fails leaving no code is a failure, never "nothing".
TEST_F(VersionSourceFaults, ConversionFailingWithoutACode) {
  FailEachInTurn(hooks::FailConversion, E_FAIL);
}

}  // namespace
}  // namespace korvel

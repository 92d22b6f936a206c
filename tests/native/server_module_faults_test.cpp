// A termination node that cannot be allocated adds nothing.
#include <gtest/gtest.h>

#include <string>

#include "platform/native/test_hooks.h"
#include "server/server_module.h"

namespace korvel {
namespace {

namespace hooks = platform::test_hooks;

std::string runs;

void RecordRun(DWORD_PTR datum) { runs.push_back(static_cast<char>(datum)); }

TEST(ServerModuleFaults, TerminationNodeThatCannotBeAllocatedRunsNothing) {
  runs.clear();
  ASSERT_TRUE(StartModule(nullptr));
  EXPECT_EQ(S_OK, AddTermCallback(RecordRun, 'A'));
  hooks::FailAllocation(1);
  EXPECT_EQ(E_OUTOFMEMORY, AddTermCallback(RecordRun, 'X'));
  hooks::Reset();
  EXPECT_EQ(S_OK, AddTermCallback(RecordRun, 'B'));
  EXPECT_TRUE(StopModule());
  EXPECT_EQ("BA", runs);
}

}  // namespace
}  // namespace korvel

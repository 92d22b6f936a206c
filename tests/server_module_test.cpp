// Module start-up and shutdown driven directly, as the entry point drives
// them: the module state, the lock count and the termination list.
#include <gtest/gtest.h>

#include <string>

#include "server/server_module.h"
#include "tests/support/counted_unknown.h"
#include "version/korvel_interfaces.h"

namespace korvel {
namespace {

std::string runs;

void RecordRun(DWORD_PTR datum) { runs.push_back(static_cast<char>(datum)); }

void AppendThroughPointer(DWORD_PTR datum) {
  *reinterpret_cast<std::string*>(datum) += "pointer";
}

class ServerModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    runs.clear();
    ASSERT_TRUE(StartModule(nullptr));
  }
  void TearDown() override { StopModule(); }
};

TEST_F(ServerModuleTest, StartsWithTheKorvelRowAndNoLocks) {
  EXPECT_EQ(0, ModuleLockCount());
  ClassEntry* table = ModuleClassTable();
  ASSERT_NE(nullptr, table);
  ASSERT_NE(nullptr, table[0].clsid);
  EXPECT_TRUE(IsEqualCLSID(CLSID_KorvelA, *table[0].clsid));
  EXPECT_NE(nullptr, table[0].createClassObject);
  EXPECT_NE(nullptr, table[0].createInstance);
  EXPECT_EQ(nullptr, table[0].cachedClassObject);
  EXPECT_EQ(nullptr, table[0].description());
  EXPECT_EQ(nullptr, table[0].categories());
  EXPECT_EQ(nullptr, table[1].clsid);

  LockModule();
  LockModule();
  UnlockModule();
  EXPECT_EQ(1, ModuleLockCount());
  UnlockModule();
  UnlockModule();
  EXPECT_EQ(-1, ModuleLockCount());
}

TEST_F(ServerModuleTest, ShutdownRunsTheTerminationListNewestFirst) {
  std::string pointed;
  EXPECT_EQ(S_OK, AddTermCallback(RecordRun, 'A'));
  EXPECT_EQ(S_OK, AddTermCallback(RecordRun, 'B'));
  EXPECT_EQ(S_OK, AddTermCallback(RecordRun, 'A'));  // a pair added twice runs twice
  EXPECT_EQ(S_OK, AddTermCallback(AppendThroughPointer,
                                  reinterpret_cast<DWORD_PTR>(&pointed)));
  EXPECT_TRUE(runs.empty());
  EXPECT_TRUE(StopModule());
  EXPECT_EQ("ABA", std::string(runs.rbegin(), runs.rend()));
  EXPECT_EQ("pointer", pointed);

  // A module that is not running has nothing to stop.
  runs.clear();
  EXPECT_FALSE(StopModule());
  EXPECT_TRUE(runs.empty());
  ASSERT_TRUE(StartModule(nullptr));
}

TEST_F(ServerModuleTest, ShutdownGivesUpTheModulesClassObjectReference) {
  testing::CountedUnknown classObject;  // stands in for the class object
  classObject.count = 2;  // the module's reference and a client's
  ClassEntry* row = ModuleClassTable();
  row->cachedClassObject = &classObject;
  EXPECT_TRUE(StopModule());
  EXPECT_EQ(1u, classObject.count);
  EXPECT_EQ(nullptr, row->cachedClassObject);
  ASSERT_TRUE(StartModule(nullptr));
}

TEST_F(ServerModuleTest, TypeInfoLockIsReentrant) {
  EnterTypeInfoLock();
  EXPECT_EQ(S_OK, AddTermCallback(RecordRun, 'C'));
  LeaveTypeInfoLock();
  EXPECT_TRUE(StopModule());
  EXPECT_EQ("C", runs);
  ASSERT_TRUE(StartModule(nullptr));
}

}  // namespace
}  // namespace korvel

// Threads racing for the first class object of the module all get the same
// one, and the module's counts come out right. Built with ThreadSanitizer by
// `scripts/build.sh tsan`, which also sees the races we would not.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "tests/support/korvel_module.h"

namespace korvel {
namespace {

constexpr int kThreads = 6;
constexpr int kRounds = 20;

struct Racer {
  testing::DllGetClassObjectFunction getClassObject;
  std::atomic<bool>* go;
  HRESULT hr = E_UNEXPECTED;
  IClassFactory* factory = nullptr;
};

DWORD WINAPI Race(LPVOID parameter) {
  auto* racer = static_cast<Racer*>(parameter);
  while (!racer->go->load()) {
  }
  racer->hr = racer->getClassObject(CLSID_KorvelA, IID_IClassFactory,
                                    reinterpret_cast<void**>(&racer->factory));
  return 0;
}

class ServerRace : public testing::KorvelModuleTest {};

TEST_F(ServerRace, FirstClassObjectRequests) {
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE(round);
    // A fresh module each round, so that every round races the first build.
    if (round > 0) {
      ASSERT_TRUE(FreeLibrary(module_));
      module_ = nullptr;
      SetUp();
      ASSERT_FALSE(HasFatalFailure());
    }
    std::atomic<bool> go{false};
    std::vector<Racer> racers(kThreads);
    std::vector<HANDLE> threads;
    for (Racer& racer : racers) {
      racer.getClassObject = testing::GetExport<testing::DllGetClassObjectFunction>(
          module_, "DllGetClassObject");
      racer.go = &go;
      HANDLE thread = CreateThread(nullptr, 0, Race, &racer, 0, nullptr);
      ASSERT_NE(nullptr, thread);
      threads.push_back(thread);
    }
    go = true;
    for (HANDLE thread : threads) {
      EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, INFINITE));
      CloseHandle(thread);
    }
    for (const Racer& racer : racers) {
      EXPECT_EQ(S_OK, racer.hr);
      EXPECT_EQ(racers[0].factory, racer.factory);
    }
    EXPECT_EQ(S_FALSE, CanUnloadNow());
    for (const Racer& racer : racers)
      if (racer.factory != nullptr) racer.factory->Release();
    EXPECT_EQ(S_OK, CanUnloadNow());
  }
}

}  // namespace
}  // namespace korvel

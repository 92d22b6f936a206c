#include "platform/native/test_hooks.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "fault_injection.h"
#include "platform/native/errors.h"
#include "registry_names.h"
#include "registry_store.h"

namespace platform {
namespace {

struct DeniedKey {
  int rootIndex;
  std::string upperPath;
};

struct Hooks {
  std::mutex lock;
  std::atomic<unsigned> allocationCountdown{0};
  std::atomic<unsigned long> allocations{0};
  std::atomic<long> liveBlocks{0};
  LONG registryOpenError = ERROR_SUCCESS;
  DWORD fileOpenError = 0;
  bool fileReadFails = false;
  std::string growValueName;
  DWORD growBytes = 0;
  std::vector<DeniedKey> denied;
  std::vector<std::string> hiddenExports;
};

Hooks& State() {
  static Hooks* hooks = new Hooks;  // never destroyed: used until exit
  return *hooks;
}

}  // namespace

namespace test_hooks {

void FailAllocation(unsigned nth) { State().allocationCountdown = nth; }

unsigned long AllocationCount() { return State().allocations; }

long LiveAllocationCount() { return State().liveBlocks; }

void GrowValueAfterProbe(const char* valueName, DWORD extraBytes) {
  std::lock_guard<std::mutex> guard(State().lock);
  State().growValueName = registry_names::Upper(valueName ? valueName : "");
  State().growBytes = extraBytes;
}

void FailNextRegistryOpen(LONG error) {
  std::lock_guard<std::mutex> guard(State().lock);
  State().registryOpenError = error;
}

void FailNextFileOpen(DWORD error) {
  std::lock_guard<std::mutex> guard(State().lock);
  State().fileOpenError = error;
}

void FailNextFileRead() {
  std::lock_guard<std::mutex> guard(State().lock);
  State().fileReadFails = true;
}

void DenyRegistryWritesBelow(HKEY root, const char* keyPath) {
  std::lock_guard<std::mutex> guard(State().lock);
  State().denied.push_back(
      {registry_names::RootIndex(root),
       registry_names::NormalizedPath(keyPath ? keyPath : "")});
}

void HideExport(const char* name) {
  std::lock_guard<std::mutex> guard(State().lock);
  State().hiddenExports.push_back(name ? name : "");
}

void ReloadRegistry() {
  auto& store = registry::Store::Instance();
  auto guard = store.Lock();
  store.Reload();
}

void Reset() {
  Hooks& hooks = State();
  std::lock_guard<std::mutex> guard(hooks.lock);
  hooks.allocationCountdown = 0;
  hooks.registryOpenError = ERROR_SUCCESS;
  hooks.fileOpenError = 0;
  hooks.fileReadFails = false;
  hooks.growValueName.clear();
  hooks.growBytes = 0;
  hooks.denied.clear();
  hooks.hiddenExports.clear();
}

}  // namespace test_hooks

namespace faults {

bool TakeAllocationFailure() {
  Hooks& hooks = State();
  ++hooks.allocations;
  unsigned current = hooks.allocationCountdown.load();
  while (current != 0) {
    if (hooks.allocationCountdown.compare_exchange_weak(current, current - 1))
      return current == 1;
  }
  return false;
}

void CountHeapBlock(int change) { State().liveBlocks += change; }

LONG TakeRegistryOpenFailure() {
  std::lock_guard<std::mutex> guard(State().lock);
  LONG error = State().registryOpenError;
  State().registryOpenError = ERROR_SUCCESS;
  return error;
}

DWORD TakeFileOpenFailure() {
  std::lock_guard<std::mutex> guard(State().lock);
  DWORD error = State().fileOpenError;
  State().fileOpenError = 0;
  return error;
}

bool TakeFileReadFailure() {
  std::lock_guard<std::mutex> guard(State().lock);
  bool fails = State().fileReadFails;
  State().fileReadFails = false;
  return fails;
}

DWORD TakeGrowthAfterProbe(const char* valueName) {
  std::lock_guard<std::mutex> guard(State().lock);
  Hooks& hooks = State();
  if (hooks.growBytes == 0 ||
      registry_names::Upper(valueName ? valueName : "") != hooks.growValueName)
    return 0;
  DWORD bytes = hooks.growBytes;
  hooks.growBytes = 0;
  return bytes;
}

bool IsExportHidden(const char* name) {
  std::lock_guard<std::mutex> guard(State().lock);
  for (const std::string& hidden : State().hiddenExports)
    if (hidden == name) return true;
  return false;
}

bool IsWriteDenied(int rootIndex, const std::string& upperKeyPath) {
  std::lock_guard<std::mutex> guard(State().lock);
  for (const DeniedKey& key : State().denied) {
    if (key.rootIndex != rootIndex) continue;
    if (key.upperPath.empty()) return true;
    if (upperKeyPath.compare(0, key.upperPath.size(), key.upperPath) == 0 &&
        (upperKeyPath.size() == key.upperPath.size() ||
         upperKeyPath[key.upperPath.size()] == '\\'))
      return true;
  }
  return false;
}

}  // namespace faults
}  // namespace platform

#include "platform/native/test_hooks.h"

#include <atomic>
#include <mutex>
#include <string>
#include <utility>
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
  std::atomic<unsigned> conversionCountdown{0};
  LONG registryOpenError = ERROR_SUCCESS;
  LONG valueProbeError = ERROR_SUCCESS;
  LONG valueReadError = ERROR_SUCCESS;
  bool junkInFailedOpens = false;
  std::atomic<unsigned long> foreignKeyCloses{0};
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

// Counts one call towards a failure armed `nth` calls ahead; true for the
// call that must fail.
bool CountDown(std::atomic<unsigned>& countdown) {
  unsigned current = countdown.load();
  while (current != 0) {
    if (countdown.compare_exchange_weak(current, current - 1)) return current == 1;
  }
  return false;
}

// Arms `slot` (a field of the hooks) with `value`.
template <typename Value>
void Arm(Value& slot, Value value) {
  std::lock_guard<std::mutex> guard(State().lock);
  slot = value;
}

// What is armed in `slot` (a field of the hooks), which is disarmed.
template <typename Value>
Value Take(Value& slot) {
  std::lock_guard<std::mutex> guard(State().lock);
  return std::exchange(slot, Value{});
}

}  // namespace

namespace test_hooks {

void FailAllocation(unsigned nth) { State().allocationCountdown = nth; }

unsigned long AllocationCount() { return State().allocations; }

long LiveAllocationCount() { return State().liveBlocks; }

void FailConversion(unsigned nth) { State().conversionCountdown = nth; }

void GrowValueAfterProbe(const char* valueName, DWORD extraBytes) {
  std::lock_guard<std::mutex> guard(State().lock);
  State().growValueName = registry_names::Upper(valueName ? valueName : "");
  State().growBytes = extraBytes;
}

void FailNextRegistryOpen(LONG error) { Arm(State().registryOpenError, error); }

void FailNextValueProbe(LONG error) { Arm(State().valueProbeError, error); }

void FailNextValueRead(LONG error) { Arm(State().valueReadError, error); }

void LeaveJunkInFailedOpens() { Arm(State().junkInFailedOpens, true); }

unsigned long ForeignKeyCloses() { return State().foreignKeyCloses; }

void FailNextFileOpen(DWORD error) { Arm(State().fileOpenError, error); }

void FailNextFileRead() { Arm(State().fileReadFails, true); }

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
  hooks.conversionCountdown = 0;
  hooks.registryOpenError = ERROR_SUCCESS;
  hooks.valueProbeError = ERROR_SUCCESS;
  hooks.valueReadError = ERROR_SUCCESS;
  hooks.junkInFailedOpens = false;
  hooks.foreignKeyCloses = 0;
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
  return CountDown(hooks.allocationCountdown);
}

bool TakeConversionFailure() { return CountDown(State().conversionCountdown); }

void CountHeapBlock(int change) { State().liveBlocks += change; }

LONG TakeRegistryOpenFailure() { return Take(State().registryOpenError); }

LONG TakeValueQueryFailure(bool withData) {
  return Take(withData ? State().valueReadError : State().valueProbeError);
}

HKEY FailedOpenResult() {
  static char junk;  // an address the layer never hands out as a handle
  std::lock_guard<std::mutex> guard(State().lock);
  return State().junkInFailedOpens ? reinterpret_cast<HKEY>(&junk) : nullptr;
}

void CountForeignKeyClose() { ++State().foreignKeyCloses; }

DWORD TakeFileOpenFailure() { return Take(State().fileOpenError); }

bool TakeFileReadFailure() { return Take(State().fileReadFails); }

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

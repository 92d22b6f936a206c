#include "server/server_module.h"

#include "server/class_table.h"

namespace korvel {
namespace {

struct TermNode {
  TermCallback callback;
  DWORD_PTR datum;
  TermNode* next;
};

struct ServerModule {
  bool started;
  HINSTANCE instance;
  ClassEntry* classTable;
  LONG volatile LockCount;
  CRITICAL_SECTION typeInfoLock;
  CRITICAL_SECTION classObjectLock;
  TermNode* termList;  // newest first
};

ServerModule module;

}  // namespace

void LockModule() { InterlockedIncrement(&module.LockCount); }

void UnlockModule() { InterlockedDecrement(&module.LockCount); }

LONG ModuleLockCount() {
  // An atomic read: objects on other threads may be changing the count.
  return InterlockedCompareExchange(&module.LockCount, 0, 0);
}

HRESULT AddTermCallback(TermCallback callback, DWORD_PTR datum) {
  auto* node =
      static_cast<TermNode*>(HeapAlloc(GetProcessHeap(), 0, sizeof(TermNode)));
  if (node == nullptr) return E_OUTOFMEMORY;
  node->callback = callback;
  node->datum = datum;
  EnterCriticalSection(&module.typeInfoLock);
  node->next = module.termList;
  module.termList = node;
  LeaveCriticalSection(&module.typeInfoLock);
  return S_OK;
}

void EnterTypeInfoLock() { EnterCriticalSection(&module.typeInfoLock); }
void LeaveTypeInfoLock() { LeaveCriticalSection(&module.typeInfoLock); }

void EnterClassObjectLock() { EnterCriticalSection(&module.classObjectLock); }
void LeaveClassObjectLock() { LeaveCriticalSection(&module.classObjectLock); }

HINSTANCE ModuleInstance() { return module.instance; }

ClassEntry* ModuleClassTable() { return module.classTable; }

BOOL StartModule(HINSTANCE instance) {
  module.instance = instance;
  module.classTable = ClassTable;
  module.LockCount = 0;
  InitializeCriticalSection(&module.typeInfoLock);
  InitializeCriticalSection(&module.classObjectLock);
  module.termList = nullptr;
  module.started = true;
  for (ClassEntry* entry = module.classTable; entry->clsid != nullptr; ++entry)
    entry->startStop(TRUE);
  DisableThreadLibraryCalls(instance);
  return TRUE;
}

BOOL StopModule() {
  if (!module.started) return FALSE;
  module.started = false;
  for (ClassEntry* entry = module.classTable; entry->clsid != nullptr; ++entry) {
    // The module's own reference; clients still holding the class object
    // keep it alive.
    if (entry->cachedClassObject != nullptr) entry->cachedClassObject->Release();
    entry->cachedClassObject = nullptr;
    entry->startStop(FALSE);
  }
  DeleteCriticalSection(&module.typeInfoLock);
  DeleteCriticalSection(&module.classObjectLock);
  // Newest first; the callbacks run without any lock.
  TermNode* node = module.termList;
  module.termList = nullptr;
  while (node != nullptr) {
    TermNode* next = node->next;
    node->callback(node->datum);
    HeapFree(GetProcessHeap(), 0, node);
    node = next;
  }
  return TRUE;
}

}  // namespace korvel

// The process-wide state of the in-process server: module handle, the
// table of creatable classes, the lock count, two locks and the
// termination list.
#pragma once

#include "platform/windows_api.h"

namespace korvel {

using RegistrationRoutine = HRESULT (*)(BOOL registerClass);
using InstanceCreator = HRESULT (*)(IUnknown* outer, REFIID iid, void** object);
using ClassObjectCreator = HRESULT (*)(InstanceCreator creator, REFIID iid,
                                       void** object);
using DescriptionRoutine = const OLECHAR* (*)();
using CategoryRoutine = const void* (*)();  // a category list; none here
using StartStopHook = void (*)(BOOL starting);

// One creatable (or only registrable) class. The table ends with a row
// whose class identifier is null.
struct ClassEntry {
  const CLSID* clsid;
  RegistrationRoutine registration;
  ClassObjectCreator createClassObject;  // null: registrable, not creatable
  InstanceCreator createInstance;
  IUnknown* cachedClassObject;           // null until first requested
  DescriptionRoutine description;
  CategoryRoutine categories;
  StartStopHook startStop;
};

// A callback run at module shutdown with its datum; the datum may carry a
// pointer, so it is pointer-sized.
using TermCallback = void (*)(DWORD_PTR datum);

// Interlocked +1 / -1 on the module lock count.
void LockModule();
void UnlockModule();
LONG ModuleLockCount();

// Adds (callback, datum) at the head of the termination list: S_OK, or
// E_OUTOFMEMORY with nothing added.
HRESULT AddTermCallback(TermCallback callback, DWORD_PTR datum);

void EnterTypeInfoLock();
void LeaveTypeInfoLock();

// Guards the creation of the cached class objects in ClassTable.
void EnterClassObjectLock();
void LeaveClassObjectLock();

HINSTANCE ModuleInstance();
ClassEntry* ModuleClassTable();

// Module start-up and shutdown, called by the entry point. Shutdown of a
// module that was never started does nothing and returns FALSE.
BOOL StartModule(HINSTANCE instance);
BOOL StopModule();

}  // namespace korvel

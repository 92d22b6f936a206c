// Fault injection for native tests. Each hook arms one failure; Reset()
// disarms them all. None of this exists on Windows.
#pragma once

#include "platform/native/types.h"

namespace platform::test_hooks {

// The allocation `nth` from now fails (1 = the next one); 0 disarms. Counts
// every heap and BSTR allocation of the layer.
KORVEL_PLATFORM_API void FailAllocation(unsigned nth);
// How many allocations the layer has made since the process started.
KORVEL_PLATFORM_API unsigned long AllocationCount();
// How many heap blocks (BSTRs included) are allocated and not yet freed.
KORVEL_PLATFORM_API long LiveAllocationCount();

// The conversion `nth` from now (MultiByteToWideChar or WideCharToMultiByte,
// 1 = the next one) fails and leaves the thread's last error at 0, as a
// platform may; 0 disarms.
KORVEL_PLATFORM_API void FailConversion(unsigned nth);

// After the next size probe of a value called `valueName` (any key), the
// value grows by `extraBytes`, as if another program had written it.
KORVEL_PLATFORM_API void GrowValueAfterProbe(const char* valueName,
                                             DWORD extraBytes);

// The next RegOpenKeyExA fails with `error`.
KORVEL_PLATFORM_API void FailNextRegistryOpen(LONG error);

// The next RegQueryValueExA that only asks for the size of a value (no
// data buffer) fails with `error`; likewise the next one that reads the
// data into a buffer.
KORVEL_PLATFORM_API void FailNextValueProbe(LONG error);
KORVEL_PLATFORM_API void FailNextValueRead(LONG error);

// Until Reset(), every RegOpenKeyExA and RegCreateKeyExA that fails leaves a
// value in its out parameter that is no handle at all, rather than NULL:
// what a failed call leaves there is not promised.
KORVEL_PLATFORM_API void LeaveJunkInFailedOpens();
// How many times since Reset() RegCloseKey was given a value the layer never
// handed out as a handle (or had closed already).
KORVEL_PLATFORM_API unsigned long ForeignKeyCloses();

// The next CreateFileA fails with `error`.
KORVEL_PLATFORM_API void FailNextFileOpen(DWORD error);

// The next ReadFile fails with ERROR_READ_FAULT.
KORVEL_PLATFORM_API void FailNextFileRead();

// Writes below `root`\`keyPath` (creating subkeys, setting or deleting
// values, opening for write access) are refused with ERROR_ACCESS_DENIED.
KORVEL_PLATFORM_API void DenyRegistryWritesBelow(HKEY root,
                                                 const char* keyPath);

// GetProcAddress finds no export called `name`, in any module, as if the
// module lacked it (for instance "UnRegisterTypeLib" of "oleaut32.dll").
KORVEL_PLATFORM_API void HideExport(const char* name);

// Forgets the registry and loads it again from the file that
// KORVEL_REGISTRY_FILE names now (empty when unset), as a new process would.
KORVEL_PLATFORM_API void ReloadRegistry();

KORVEL_PLATFORM_API void Reset();

}  // namespace platform::test_hooks

// The layer's side of the test hooks: each operation asks whether a failure
// is armed for it.
#pragma once

#include <string>

#include "platform/native/types.h"

namespace platform::faults {

// True when this allocation must fail; counts the allocation either way.
bool TakeAllocationFailure();

// Keeps the count of live heap blocks.
void CountHeapBlock(int change);

// True when this conversion must fail; counts the conversion either way.
bool TakeConversionFailure();

// The error armed for the next registry open, or ERROR_SUCCESS.
LONG TakeRegistryOpenFailure();

// The error armed for the next value query that reads data (`withData`)
// or only probes the size, or ERROR_SUCCESS.
LONG TakeValueQueryFailure(bool withData);

// What a failed registry open or create leaves in its out parameter.
HKEY FailedOpenResult();

// Counts a RegCloseKey of a value that is no open handle.
void CountForeignKeyClose();

// The error armed for the next file open, or 0.
DWORD TakeFileOpenFailure();

bool TakeFileReadFailure();

// Extra bytes to add to `valueName` after its size probe, or 0.
DWORD TakeGrowthAfterProbe(const char* valueName);

// Whether GetProcAddress must not find the export `name`.
bool IsExportHidden(const char* name);

// Whether writes below the key at `keyPath` (root-relative, upper case,
// backslash-separated, under root index `rootIndex`) are denied.
bool IsWriteDenied(int rootIndex, const std::string& upperKeyPath);

}  // namespace platform::faults

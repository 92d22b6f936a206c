// The registry-value source: the location names a registry value, and the
// value's data is the version text.
#pragma once

#include "platform/raii.h"
#include "platform/windows_api.h"

namespace korvel {

// Codes the version sources store in the object's error code.
enum VersionErrorCode : LONG {
  kErrorNone = 0,
  kErrorRegistryKeyNotOpened = 1,
  kErrorRegistryValueNotRead = 2,
  kErrorNoRootPrefix = 3,
  kErrorFileNotOpened = 3,
};

// A registry value's data, owned by whoever holds it.
struct RegistryData {
  unique_heap_ptr bytes;
  DWORD size = 0;
};

// Reads the whole data of `valueName` ("" for the key's default value) from
// the open `key`, in one buffer of the probed size. Returns S_OK with the
// data; S_FALSE, with none, when the value is missing, holds 0 bytes or
// cannot be read, whatever the registry's code; E_OUTOFMEMORY only when no
// buffer can be had.
HRESULT ReadRegistryValue(HKEY key, LPCSTR valueName, RegistryData* data);

// Reads the version text named by the registry `location` (null when the
// object's location holds no string). Yields a new BSTR in *version, or
// null for "nothing"; failures of the registry end in *errorCode (1, 2 or
// 3) and S_OK, whatever its codes. Fails, storing nothing, only when the
// component's own work fails: E_OUTOFMEMORY when memory runs out, or the
// error of a failed conversion.
HRESULT ReadRegistryVersion(LPCSTR location, LONG* errorCode, BSTR* version);

}  // namespace korvel

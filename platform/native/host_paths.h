// Turning a Windows path into a path of the host file system.
#pragma once

#include <string>

#include "platform/native/types.h"

namespace platform::host_paths {

// Resolves `windowsPath`. Existing components are found without regard to
// letter case; a component that does not exist keeps its spelling. On
// failure returns false and sets `error` to a Win32 code.
bool Resolve(const char* windowsPath, std::string* hostPath, DWORD* error);

// The Windows form of an absolute host path, on drive Z: (the host's root,
// as Wine maps it).
std::string ToWindowsPath(const std::string& hostPath);

}  // namespace platform::host_paths

// Files at Windows paths for tests, through the same API on every platform.
#pragma once

#include <string>

#include "platform/windows_api.h"

namespace korvel::testing {

// Creates the folder and any missing folders above it.
bool CreateFolders(const std::string& windowsPath);

// Writes `bytes` to the file at `windowsPath`, replacing it, and creates the
// folders above it.
bool WriteTestFile(const std::string& windowsPath, const std::string& bytes);

void DeleteTestFile(const std::string& windowsPath);

// The bytes of a file at a path of the machine that runs the build (under
// Wine, a Unix path works too); empty when it cannot be read.
std::string ReadHostFile(const std::string& hostPath);

// Writes `bytes` to a file at a path of the machine that runs the build.
void WriteHostFile(const std::string& hostPath, const std::string& bytes);

}  // namespace korvel::testing

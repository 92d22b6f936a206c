#include "tests/support/test_files.h"

#include <fstream>
#include <sstream>

#include "platform/raii.h"

namespace korvel::testing {

bool CreateFolders(const std::string& windowsPath) {
  for (size_t i = 3; i <= windowsPath.size(); ++i) {
    if (i == windowsPath.size() || windowsPath[i] == '\\') {
      const std::string folder = windowsPath.substr(0, i);
      if (!CreateDirectoryA(folder.c_str(), nullptr) &&
          GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    }
  }
  return true;
}

bool WriteTestFile(const std::string& windowsPath, const std::string& bytes) {
  const size_t folderEnd = windowsPath.find_last_of('\\');
  if (folderEnd != std::string::npos && folderEnd > 2 &&
      !CreateFolders(windowsPath.substr(0, folderEnd)))
    return false;
  unique_file file(CreateFileA(windowsPath.c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                   &written, nullptr) &&
         written == bytes.size();
}

void DeleteTestFile(const std::string& windowsPath) {
  DeleteFileA(windowsPath.c_str());
}

std::string ReadHostFile(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteHostFile(const std::string& hostPath, const std::string& bytes) {
  std::ofstream(hostPath, std::ios::binary) << bytes;
}

}  // namespace korvel::testing

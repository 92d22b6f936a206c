#include "host_paths.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <map>
#include <mutex>
#include <vector>

#include "platform/native/drive_mapping.h"
#include "platform/native/errors.h"

namespace platform {
namespace {

constexpr char kHostDrive = 'Z';

std::mutex& DriveLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

std::map<char, std::string>& Drives() {
  static auto* drives = new std::map<char, std::string>;
  return *drives;
}

bool DriveRoot(char letter, std::string* root) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  {
    std::lock_guard<std::mutex> guard(DriveLock());
    auto found = Drives().find(letter);
    if (found != Drives().end()) {
      *root = found->second;
      return !root->empty();
    }
  }
  const std::string variable = std::string("KORVEL_DRIVE_") + letter;
  const char* fromEnvironment = std::getenv(variable.c_str());
  if (fromEnvironment != nullptr && *fromEnvironment != 0) {
    *root = fromEnvironment;
    return true;
  }
  // As under Wine, Z: is the host's root unless mapped otherwise.
  if (letter == kHostDrive) {
    *root = "/";
    return true;
  }
  return false;
}

bool IsDirectory(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The entry of `directory` whose name equals `name` without regard to
// letter case, preferring an exact match.
std::string FindEntry(const std::string& directory, const std::string& name) {
  struct stat info;
  if (lstat((directory + "/" + name).c_str(), &info) == 0) return name;
  DIR* listing = opendir(directory.c_str());
  if (listing == nullptr) return name;
  std::string match = name;
  while (dirent* entry = readdir(listing)) {
    if (strcasecmp(entry->d_name, name.c_str()) == 0) {
      match = entry->d_name;
      break;
    }
  }
  closedir(listing);
  return match;
}

}  // namespace

void MapDrive(char letter, const char* hostDirectory) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  std::lock_guard<std::mutex> guard(DriveLock());
  Drives()[letter] = hostDirectory ? hostDirectory : "";
}

namespace host_paths {

std::string ToWindowsPath(const std::string& hostPath) {
  std::string windowsPath(1, kHostDrive);
  windowsPath += ':';
  for (char c : hostPath) windowsPath += c == '/' ? '\\' : c;
  return windowsPath;
}

bool Resolve(const char* windowsPath, std::string* hostPath, DWORD* error) {
  if (windowsPath == nullptr || *windowsPath == 0) {
    *error = ERROR_PATH_NOT_FOUND;
    return false;
  }
  const std::string path(windowsPath);
  auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
  std::string base;
  size_t position = 0;
  if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) &&
      path[1] == ':') {
    if (!DriveRoot(path[0], &base)) {
      *error = ERROR_PATH_NOT_FOUND;
      return false;
    }
    position = 2;
  } else if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
    *error = ERROR_BAD_NETPATH;  // no network shares here
    return false;
  } else if (isSeparator(path[0])) {
    if (!DriveRoot('C', &base)) {
      *error = ERROR_PATH_NOT_FOUND;
      return false;
    }
  } else {
    base = ".";
  }

  std::vector<std::string> components;
  std::string component;
  for (size_t i = position; i <= path.size(); ++i) {
    if (i == path.size() || isSeparator(path[i])) {
      if (component == "..") {
        if (!components.empty()) components.pop_back();
      } else if (!component.empty() && component != ".") {
        components.push_back(component);
      }
      component.clear();
    } else {
      component.push_back(path[i]);
    }
  }

  std::string resolved = base;
  for (size_t i = 0; i < components.size(); ++i) {
    if (i + 1 < components.size()) {
      resolved += "/" + FindEntry(resolved, components[i]);
      if (!IsDirectory(resolved)) {
        *error = ERROR_PATH_NOT_FOUND;
        return false;
      }
    } else {
      resolved += "/" + FindEntry(resolved, components[i]);
    }
  }
  *hostPath = resolved;
  return true;
}

}  // namespace host_paths
}  // namespace platform

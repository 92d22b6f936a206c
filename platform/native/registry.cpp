#include "platform/native/registry.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unordered_set>

#include "fault_injection.h"
#include "platform/native/errors.h"
#include "registry_file.h"
#include "registry_store.h"

namespace platform::registry {

Value* Key::FindValue(const std::string& valueName) {
  const std::string upper = registry_names::Upper(valueName);
  for (Value& value : values)
    if (registry_names::Upper(value.name) == upper) return &value;
  return nullptr;
}

Store& Store::Instance() {
  static Store* store = new Store;  // used until the process exits
  return *store;
}

Store::Store() { Reload(); }

void Store::Reload() {
  Clear();
  damaged_ = false;
  const char* path = std::getenv("KORVEL_REGISTRY_FILE");
  filePath_ = path ? path : "";
  if (filePath_.empty()) return;
  std::ifstream in(filePath_, std::ios::binary);
  if (!in) return;  // no file yet: the first change creates it
  std::ostringstream content;
  content << in.rdbuf();
  std::string problem;
  if (in.bad()) {
    problem = "it cannot be read";
  } else if (!registry_file::Parse(content.str(), roots_, &problem)) {
    Clear();
  } else {
    return;
  }
  damaged_ = true;
  std::fprintf(stderr,
               "korvel: the registry file %s is damaged: %s. Registry calls fail with "
               "ERROR_BADDB until it is mended or removed.\n",
               filePath_.c_str(), problem.c_str());
}

LONG Store::Persist() {
  if (filePath_.empty() || damaged_) return ERROR_SUCCESS;
  std::string text;
  if (!registry_file::Format(roots_, &text) ||
      !registry_file::WriteAtomically(filePath_, text))
    return ERROR_CANTWRITE;
  return ERROR_SUCCESS;
}

void Store::Clear() {
  for (int i = 0; i < registry_names::kRootCount; ++i) {
    if (roots_[i]) roots_[i]->deleted = true;
    roots_[i] = std::make_shared<Key>();
    roots_[i]->rootIndex = i;
  }
}

}  // namespace platform::registry

namespace {

using platform::registry::Key;
using platform::registry::Store;
using platform::registry::Value;
namespace names = platform::registry_names;

constexpr size_t kMaxKeyNameChars = 255;
constexpr size_t kMaxValueNameChars = 16383;

// An opened key: what HKEY points at for keys other than the roots.
struct OpenKey {
  std::shared_ptr<Key> key;
  REGSAM access;
};

std::unordered_set<OpenKey*>& LiveHandles() {
  static auto* handles = new std::unordered_set<OpenKey*>;
  return *handles;
}

// Resolves a handle under the store lock; roots are always open with full
// access.
std::shared_ptr<Key> Resolve(HKEY handle, REGSAM* access) {
  const int root = names::RootIndex(handle);
  if (root >= 0) {
    if (access) *access = KEY_ALL_ACCESS;
    return Store::Instance().Root(root);
  }
  auto* open = reinterpret_cast<OpenKey*>(handle);
  if (LiveHandles().count(open) == 0) return nullptr;
  if (access) *access = open->access;
  return open->key;
}

// Under the store lock: the live key behind `handle`, opened with every
// right in `needed`.
LONG KeyForAccess(HKEY handle, REGSAM needed, std::shared_ptr<Key>* key) {
  if (LONG damaged = Store::Instance().Status()) return damaged;
  REGSAM access = 0;
  *key = Resolve(handle, &access);
  if (!*key) return ERROR_INVALID_HANDLE;
  if ((*key)->deleted) return ERROR_KEY_DELETED;
  if ((access & needed) != needed) return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

bool SplitPath(const char* path, std::vector<std::string>* parts) {
  if (path == nullptr) return true;
  if (path[0] == '\\') return false;  // a subkey path is never absolute
  std::string part;
  for (const char* p = path;; ++p) {
    if (*p == '\\' || *p == 0) {
      if (!part.empty()) parts->push_back(part);
      else if (*p == '\\') return false;  // an empty component
      if (part.size() > kMaxKeyNameChars) return false;
      part.clear();
      if (*p == 0) break;
    } else {
      part.push_back(*p);
    }
  }
  return true;
}

std::string ChildPath(const Key& parent, const std::string& name) {
  const std::string upper = names::Upper(name);
  return parent.upperPath.empty() ? upper : parent.upperPath + "\\" + upper;
}

bool WritesDenied(const Key& key) {
  return platform::faults::IsWriteDenied(key.rootIndex, key.upperPath);
}

constexpr REGSAM kWriteRights =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE | KEY_CREATE_LINK;

HKEY NewHandle(std::shared_ptr<Key> key, REGSAM access) {
  auto* open = new OpenKey{std::move(key), access};
  LiveHandles().insert(open);
  return reinterpret_cast<HKEY>(open);
}

void RemoveRecursively(Key& key) {
  for (auto& entry : key.subkeys) RemoveRecursively(*entry.second);
  key.subkeys.clear();
  key.deleted = true;
}

// The work of RegOpenKeyExA and of RegCreateKeyExA below, once the out
// parameter is cleared.
LONG OpenSubkey(HKEY parent, LPCSTR subKey, REGSAM access, PHKEY result) {
  if (LONG injected = platform::faults::TakeRegistryOpenFailure())
    return injected;
  auto guard = Store::Instance().Lock();
  if (LONG damaged = Store::Instance().Status()) return damaged;
  std::shared_ptr<Key> key = Resolve(parent, nullptr);
  if (!key || key->deleted) return ERROR_INVALID_HANDLE;
  std::vector<std::string> parts;
  if (!SplitPath(subKey, &parts)) return ERROR_FILE_NOT_FOUND;
  for (const std::string& part : parts) {
    auto found = key->subkeys.find(names::Upper(part));
    if (found == key->subkeys.end()) return ERROR_FILE_NOT_FOUND;
    key = found->second;
  }
  if ((access & kWriteRights) && WritesDenied(*key)) return ERROR_ACCESS_DENIED;
  *result = NewHandle(key, access);
  return ERROR_SUCCESS;
}

LONG CreateSubkey(HKEY parent, LPCSTR subKey, REGSAM access, PHKEY result,
                  LPDWORD disposition) {
  auto guard = Store::Instance().Lock();
  if (LONG damaged = Store::Instance().Status()) return damaged;
  std::shared_ptr<Key> key = Resolve(parent, nullptr);
  if (!key || key->deleted) return ERROR_INVALID_HANDLE;
  std::vector<std::string> parts;
  if (!SplitPath(subKey, &parts)) return ERROR_BAD_PATHNAME;
  DWORD outcome = REG_OPENED_EXISTING_KEY;
  for (const std::string& part : parts) {
    const std::string upper = names::Upper(part);
    auto found = key->subkeys.find(upper);
    if (found != key->subkeys.end()) {
      key = found->second;
      continue;
    }
    if (WritesDenied(*key)) {
      if (outcome == REG_CREATED_NEW_KEY) Store::Instance().Persist();
      return ERROR_ACCESS_DENIED;
    }
    auto child = std::make_shared<Key>();
    child->name = part;
    child->upperPath = ChildPath(*key, part);
    child->rootIndex = key->rootIndex;
    child->parent = key.get();
    key->subkeys.emplace(upper, child);
    key = child;
    outcome = REG_CREATED_NEW_KEY;
  }
  const LONG saved =
      outcome == REG_CREATED_NEW_KEY ? Store::Instance().Persist() : ERROR_SUCCESS;
  if ((access & kWriteRights) && WritesDenied(*key)) return ERROR_ACCESS_DENIED;
  if (saved != ERROR_SUCCESS) return saved;
  *result = NewHandle(key, access);
  if (disposition) *disposition = outcome;
  return ERROR_SUCCESS;
}

// What a failed open or create leaves in `result`.
LONG Opened(LONG status, PHKEY result) {
  if (status != ERROR_SUCCESS) *result = platform::faults::FailedOpenResult();
  return status;
}

}  // namespace

LONG WINAPI RegOpenKeyExA(HKEY parent, LPCSTR subKey, DWORD, REGSAM access,
                          PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  return Opened(OpenSubkey(parent, subKey, access, result), result);
}

LONG WINAPI RegCreateKeyExA(HKEY parent, LPCSTR subKey, DWORD, LPSTR, DWORD,
                            REGSAM access, LPSECURITY_ATTRIBUTES, PHKEY result,
                            LPDWORD disposition) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  return Opened(CreateSubkey(parent, subKey, access, result, disposition), result);
}

LONG WINAPI RegQueryValueExA(HKEY handle, LPCSTR valueName, LPDWORD reserved,
                             LPDWORD type, LPBYTE data, LPDWORD dataBytes) {
  if (reserved != nullptr || (data != nullptr && dataBytes == nullptr))
    return ERROR_INVALID_PARAMETER;
  if (LONG injected = platform::faults::TakeValueQueryFailure(data != nullptr))
    return injected;
  auto guard = Store::Instance().Lock();
  std::shared_ptr<Key> key;
  if (LONG status = KeyForAccess(handle, KEY_QUERY_VALUE, &key)) return status;
  Value* value = key->FindValue(valueName ? valueName : "");
  if (value == nullptr) return ERROR_FILE_NOT_FOUND;
  if (type) *type = value->type;
  const auto size = static_cast<DWORD>(value->data.size());
  LONG status = ERROR_SUCCESS;
  if (data != nullptr) {
    if (*dataBytes < size)
      status = ERROR_MORE_DATA;
    else if (size != 0)
      std::memcpy(data, value->data.data(), size);
  }
  if (dataBytes) *dataBytes = size;
  if (data == nullptr && dataBytes != nullptr) {
    // A size probe: another program may write the value right after it.
    if (DWORD growth = platform::faults::TakeGrowthAfterProbe(valueName))
      value->data.resize(value->data.size() + growth, 'x');
  }
  return status;
}

LONG WINAPI RegSetValueExA(HKEY handle, LPCSTR valueName, DWORD, DWORD type,
                           const BYTE* data, DWORD dataBytes) {
  if (data == nullptr && dataBytes != 0) return ERROR_NOACCESS;
  if (valueName && std::strlen(valueName) > kMaxValueNameChars)
    return ERROR_INVALID_PARAMETER;
  auto guard = Store::Instance().Lock();
  std::shared_ptr<Key> key;
  if (LONG status = KeyForAccess(handle, KEY_SET_VALUE, &key)) return status;
  if (WritesDenied(*key)) return ERROR_ACCESS_DENIED;
  const std::string name = valueName ? valueName : "";
  Value* value = key->FindValue(name);
  if (value == nullptr) {
    key->values.push_back(Value{name, type, {}});
    value = &key->values.back();
  }
  value->type = type;
  value->data.assign(data, data + dataBytes);
  return Store::Instance().Persist();
}

LONG WINAPI RegDeleteValueA(HKEY handle, LPCSTR valueName) {
  auto guard = Store::Instance().Lock();
  std::shared_ptr<Key> key;
  if (LONG status = KeyForAccess(handle, KEY_SET_VALUE, &key)) return status;
  if (WritesDenied(*key)) return ERROR_ACCESS_DENIED;
  const std::string upper = names::Upper(valueName ? valueName : "");
  for (auto it = key->values.begin(); it != key->values.end(); ++it) {
    if (names::Upper(it->name) == upper) {
      key->values.erase(it);
      return Store::Instance().Persist();
    }
  }
  return ERROR_FILE_NOT_FOUND;
}

LONG WINAPI RegDeleteKeyA(HKEY parent, LPCSTR subKey) {
  if (subKey == nullptr || *subKey == 0) return ERROR_INVALID_PARAMETER;
  auto guard = Store::Instance().Lock();
  if (LONG damaged = Store::Instance().Status()) return damaged;
  std::shared_ptr<Key> key = Resolve(parent, nullptr);
  if (!key) return ERROR_INVALID_HANDLE;
  if (key->deleted) return ERROR_KEY_DELETED;
  std::vector<std::string> parts;
  if (!SplitPath(subKey, &parts) || parts.empty()) return ERROR_FILE_NOT_FOUND;
  Key* owner = nullptr;
  for (const std::string& part : parts) {
    auto found = key->subkeys.find(names::Upper(part));
    if (found == key->subkeys.end()) return ERROR_FILE_NOT_FOUND;
    owner = key.get();
    key = found->second;
  }
  if (!key->subkeys.empty()) return ERROR_ACCESS_DENIED;
  if (WritesDenied(*owner) || WritesDenied(*key)) return ERROR_ACCESS_DENIED;
  RemoveRecursively(*key);
  owner->subkeys.erase(names::Upper(parts.back()));
  return Store::Instance().Persist();
}

LONG WINAPI RegEnumKeyExA(HKEY handle, DWORD index, LPSTR name,
                          LPDWORD nameChars, LPDWORD reserved, LPSTR keyClass,
                          LPDWORD classChars, PFILETIME) {
  if (name == nullptr || nameChars == nullptr || reserved != nullptr)
    return ERROR_INVALID_PARAMETER;
  auto guard = Store::Instance().Lock();
  std::shared_ptr<Key> key;
  if (LONG status = KeyForAccess(handle, KEY_ENUMERATE_SUB_KEYS, &key)) return status;
  if (index >= key->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  auto it = key->subkeys.begin();
  std::advance(it, index);
  const std::string& found = it->second->name;
  if (found.size() + 1 > *nameChars) return ERROR_MORE_DATA;
  std::memcpy(name, found.c_str(), found.size() + 1);
  *nameChars = static_cast<DWORD>(found.size());
  if (keyClass && classChars && *classChars > 0) *keyClass = 0;
  if (classChars) *classChars = 0;
  return ERROR_SUCCESS;
}

LONG WINAPI RegQueryInfoKeyA(HKEY handle, LPSTR keyClass, LPDWORD classChars,
                             LPDWORD reserved, LPDWORD subKeys,
                             LPDWORD maxSubKeyLen, LPDWORD maxClassLen,
                             LPDWORD values, LPDWORD maxValueNameLen,
                             LPDWORD maxValueLen, LPDWORD securityBytes,
                             PFILETIME) {
  if (reserved != nullptr) return ERROR_INVALID_PARAMETER;
  auto guard = Store::Instance().Lock();
  std::shared_ptr<Key> key;
  if (LONG status = KeyForAccess(handle, KEY_QUERY_VALUE, &key)) return status;
  if (keyClass && classChars && *classChars > 0) *keyClass = 0;
  if (classChars) *classChars = 0;
  if (subKeys) *subKeys = static_cast<DWORD>(key->subkeys.size());
  DWORD longestKey = 0, longestName = 0, largest = 0;
  for (const auto& entry : key->subkeys)
    longestKey = std::max<DWORD>(longestKey, entry.second->name.size());
  for (const Value& value : key->values) {
    longestName = std::max<DWORD>(longestName, value.name.size());
    largest = std::max<DWORD>(largest, value.data.size());
  }
  if (maxSubKeyLen) *maxSubKeyLen = longestKey;
  if (maxClassLen) *maxClassLen = 0;
  if (values) *values = static_cast<DWORD>(key->values.size());
  if (maxValueNameLen) *maxValueNameLen = longestName;
  if (maxValueLen) *maxValueLen = largest;
  if (securityBytes) *securityBytes = 0;
  return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY handle) {
  if (names::RootIndex(handle) >= 0) return ERROR_SUCCESS;
  auto guard = Store::Instance().Lock();
  auto* open = reinterpret_cast<OpenKey*>(handle);
  if (LiveHandles().erase(open) == 0) {
    platform::faults::CountForeignKeyClose();
    return ERROR_INVALID_HANDLE;
  }
  delete open;
  return ERROR_SUCCESS;
}

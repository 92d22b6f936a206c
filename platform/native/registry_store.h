// The in-memory registry tree behind the Reg* functions. Every access goes
// through Lock(); keys live as long as a handle or their parent holds them.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/native/errors.h"
#include "platform/native/types.h"
#include "registry_names.h"

namespace platform::registry {

struct Value {
  std::string name;  // as first written; "" is the default value
  DWORD type = 0;
  std::vector<BYTE> data;
};

struct Key {
  std::string name;  // as first created
  std::string upperPath;  // root-relative, for the write-denial hook
  int rootIndex = 0;
  bool deleted = false;
  Key* parent = nullptr;
  // Sorted by upper-case name, as Windows enumerates subkeys.
  std::map<std::string, std::shared_ptr<Key>> subkeys;
  std::vector<Value> values;

  Value* FindValue(const std::string& valueName);
};

class Store {
 public:
  static Store& Instance();

  std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(mutex_); }

  // The root key with index 0..6; always present.
  const std::shared_ptr<Key>& Root(int index) { return roots_[index]; }

  // Removes every key and value below the roots.
  void Clear();

  // ERROR_SUCCESS, or ERROR_BADDB while the registry file is damaged: then
  // every registry call fails rather than overwrite it.
  LONG Status() const { return damaged_ ? ERROR_BADDB : ERROR_SUCCESS; }

  // Saves the tree to the registry file, if there is one, after a change:
  // ERROR_SUCCESS, or ERROR_CANTWRITE when it could not be saved.
  LONG Persist();

  // Forgets the tree and loads it again from the file that
  // KORVEL_REGISTRY_FILE names; without one the registry is empty.
  void Reload();

 private:
  Store();
  std::mutex mutex_;
  std::string filePath_;  // empty: the registry lives in memory only
  bool damaged_ = false;
  std::shared_ptr<Key> roots_[registry_names::kRootCount];
};

}  // namespace platform::registry

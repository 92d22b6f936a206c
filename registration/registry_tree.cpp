#include "registration/registry_tree.h"

#include "platform/raii.h"

namespace korvel {
namespace {

// Deeper than the registry lets keys nest; guards the stack against a tree
// that is not one.
constexpr int kMaxDepth = 512;

LONG DeleteTree(HKEY parent, const char* name, int depth) {
  if (depth > kMaxDepth) return ERROR_BADKEY;
  {
    unique_hkey key;
    LONG status = RegOpenKeyExA(parent, name, 0, KEY_READ | KEY_WRITE, key.put());
    if (status != ERROR_SUCCESS) {
      key.forget();  // a failed open owns nothing, whatever it left there
      return status;
    }
    for (;;) {
      char child[256];
      DWORD chars = sizeof child;
      status = RegEnumKeyExA(key.get(), 0, child, &chars, nullptr, nullptr, nullptr, nullptr);
      if (status == ERROR_NO_MORE_ITEMS) break;
      if (status != ERROR_SUCCESS) return status;
      status = DeleteTree(key.get(), child, depth + 1);
      if (status != ERROR_SUCCESS) return status;
    }
  }
  return RegDeleteKeyA(parent, name);
}

}  // namespace

LONG DeleteRegistryKeyTree(HKEY parent, const char* name) {
  return DeleteTree(parent, name, 0);
}

}  // namespace korvel

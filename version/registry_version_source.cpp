#include "version/registry_version_source.h"

#include <cstring>

#include "version/version_text.h"

namespace korvel {
namespace {

struct RootPrefix {
  const char* text;  // ends in the backslash that separates it
  HKEY root;
};

// Tested in this order, case-sensitively, at the start of the location.
const RootPrefix kRootPrefixes[] = {
    {"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE},
    {"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER},
    {"HKEY_CURRENT_CONFIG\\", HKEY_CURRENT_CONFIG},
    {"HKEY_CLASSES_ROOT\\", HKEY_CLASSES_ROOT},
    {"HKEY_DYN_DATA\\", HKEY_DYN_DATA},
};

}  // namespace

HRESULT ReadRegistryValue(HKEY key, LPCSTR valueName, RegistryData* data) {
  data->bytes.reset();
  data->size = 0;
  // The registry's own codes stay with the registry: its ERROR_OUTOFMEMORY
  // as an HRESULT would read as our E_OUTOFMEMORY.
  DWORD size = 0;
  if (RegQueryValueExA(key, valueName, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS ||
      size == 0)
    return S_FALSE;

  unique_heap_ptr buffer(HeapAlloc(GetProcessHeap(), 0, size));
  if (!buffer) return E_OUTOFMEMORY;
  DWORD readSize = size;
  if (RegQueryValueExA(key, valueName, nullptr, nullptr, static_cast<BYTE*>(buffer.get()),
                       &readSize) != ERROR_SUCCESS)
    return S_FALSE;

  data->bytes = std::move(buffer);
  data->size = readSize;
  return S_OK;
}

HRESULT ReadRegistryVersion(LPCSTR location, LONG* errorCode, BSTR* version) {
  *version = nullptr;
  if (location == nullptr) {
    *errorCode = kErrorRegistryKeyNotOpened;
    return S_OK;
  }

  // A private copy, split in place into key path and value name.
  const size_t length = std::strlen(location);
  unique_heap_ptr copyOwner(HeapAlloc(GetProcessHeap(), 0, length + 1));
  if (!copyOwner) return E_OUTOFMEMORY;
  char* copy = static_cast<char*>(copyOwner.get());
  std::memcpy(copy, location, length + 1);

  HKEY root = HKEY_LOCAL_MACHINE;
  char* path = copy;
  bool prefixMatched = false;
  for (const RootPrefix& prefix : kRootPrefixes) {
    const size_t prefixLength = std::strlen(prefix.text);
    if (std::strncmp(copy, prefix.text, prefixLength) == 0) {
      root = prefix.root;
      path = copy + prefixLength;
      prefixMatched = true;
      break;
    }
  }
  if (!prefixMatched) *errorCode = kErrorNoRootPrefix;

  // The value name follows the last backslash, byte by byte. A path with no
  // backslash at all names no key to open, which counts as a key that
  // cannot be opened.
  char* lastBackslash = std::strrchr(path, '\\');
  if (lastBackslash == nullptr) {
    *errorCode = kErrorRegistryKeyNotOpened;
    return S_OK;
  }
  *lastBackslash = 0;
  const char* keyPath = path;
  const char* valueName = lastBackslash + 1;

  unique_hkey key;
  if (RegOpenKeyExA(root, keyPath, 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
    key.forget();  // a failed open owns nothing, whatever it left there
    *errorCode = kErrorRegistryKeyNotOpened;
    return S_OK;
  }

  RegistryData data;
  const HRESULT read = ReadRegistryValue(key.get(), valueName, &data);
  RETURN_IF_FAILED(read);
  if (read == S_FALSE) {
    *errorCode = kErrorRegistryValueNotRead;
    return S_OK;
  }

  // The text ends at the first NUL; data without one is taken whole.
  const char* bytes = static_cast<const char*>(data.bytes.get());
  const void* nul = std::memchr(bytes, 0, data.size);
  const size_t textLength =
      nul ? static_cast<size_t>(static_cast<const char*>(nul) - bytes) : data.size;
  return NarrowTextToBstr(bytes, textLength, version);
}

}  // namespace korvel

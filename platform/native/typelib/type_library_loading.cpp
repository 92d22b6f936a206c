// LoadTypeLib, from a .tlb file or from the "TYPELIB" 1 resource of a
// module, and LoadRegTypeLib through the registry entries RegisterTypeLib
// writes.
#include <new>
#include <string>
#include <vector>

#include "platform/native/type_library_memory.h"
#include "platform/native/typelib/msft_reader.h"
#include "platform/native/typelib/registry_paths.h"
#include "platform/native/typelib/type_library_object.h"
#include "platform/raii.h"

namespace platform {
namespace {

// Larger files are not type libraries this layer reads.
constexpr DWORD kMaxLibraryBytes = 64u << 20;

bool ReadWholeFile(const std::string& path, std::vector<BYTE>* bytes) {
  korvel::unique_file file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  BYTE block[16384];
  DWORD read = 0;
  while (ReadFile(file.get(), block, sizeof(block), &read, nullptr) && read > 0) {
    if (bytes->size() + read > kMaxLibraryBytes) return false;
    bytes->insert(bytes->end(), block, block + read);
  }
  return true;
}

bool IsMsft(const std::vector<BYTE>& bytes) {
  return bytes.size() >= 4 && bytes[0] == 'M' && bytes[1] == 'S' && bytes[2] == 'F' && bytes[3] == 'T';
}

// The module's "TYPELIB" resource 1.
HRESULT LoadFromModule(const std::string& path, ITypeLib** library) {
  const HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return TYPE_E_CANTLOADLIBRARY;
  auto unload = korvel::scope_exit([module] { FreeLibrary(module); });
  const HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(1), "TYPELIB");
  if (resource == nullptr) return TYPE_E_CANTLOADLIBRARY;
  const HGLOBAL loaded = LoadResource(module, resource);
  const DWORD size = SizeofResource(module, resource);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return TYPE_E_CANTLOADLIBRARY;
  return LoadTypeLibFromMemory(static_cast<const BYTE*>(bytes), size, library);
}

}  // namespace

HRESULT LoadTypeLibFromMemory(const BYTE* bytes, size_t size, ITypeLib** library) {
  if (library == nullptr) return E_INVALIDARG;
  *library = nullptr;
  if (bytes == nullptr) return E_INVALIDARG;
  std::shared_ptr<typelib::LibraryModel> model;
  try {
    model = std::make_shared<typelib::LibraryModel>();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  RETURN_IF_FAILED(typelib::ReadMsftTypeLibrary(bytes, size, model.get()));
  return typelib::TypeLibrary::Create(std::move(model), library);
}

}  // namespace platform

WINOLEAUTAPI LoadTypeLib(LPCOLESTR path, ITypeLib** library) {
  if (library == nullptr) return E_INVALIDARG;
  *library = nullptr;
  if (path == nullptr) return E_INVALIDARG;
  std::string narrow;
  if (!platform::NarrowText(path, &narrow)) return E_OUTOFMEMORY;
  std::vector<BYTE> bytes;
  try {
    if (!platform::ReadWholeFile(narrow, &bytes)) return TYPE_E_CANTLOADLIBRARY;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  if (platform::IsMsft(bytes)) return platform::LoadTypeLibFromMemory(bytes.data(), bytes.size(), library);
  return platform::LoadFromModule(narrow, library);
}

WINOLEAUTAPI LoadRegTypeLib(REFGUID libid, WORD major, WORD minor, LCID locale, ITypeLib** library) {
  if (library == nullptr) return E_INVALIDARG;
  *library = nullptr;
  std::string path;
  RETURN_IF_FAILED(platform::typelib::FindRegisteredPath(libid, major, minor, locale, &path));
  std::basic_string<OLECHAR> wide;
  if (!platform::WideText(path, &wide)) return E_OUTOFMEMORY;
  return LoadTypeLib(wide.c_str(), library);
}

// Resources of modules: a module file's resources follow its ELF image (see
// resource_format.h). A data-file handle reads them from the file it names;
// a loaded module's handle reads them from the file it was loaded from.
#include "module_resources.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "host_paths.h"
#include "platform/native/errors.h"
#include "platform/native/module.h"
#include "resource_format.h"

namespace platform::module_resources {
namespace {

namespace format = resource_format;

// The resources of one module file, read once.
struct ResourceFile {
  std::string hostPath;
  bool hasDirectory = false;  // a sound trailer and directory
  std::vector<format::ResourceRecord> records;
  std::vector<std::unique_ptr<std::vector<BYTE>>> loaded;  // per record
};

struct DataFileModule {
  std::shared_ptr<ResourceFile> file;
};

std::mutex& Lock() {
  static auto* lock = new std::mutex;
  return *lock;
}

std::unordered_set<DataFileModule*>& LiveDataFiles() {
  static auto* modules = new std::unordered_set<DataFileModule*>;
  return *modules;
}

// Resources of loaded modules by file path; kept while the process lives,
// as a loaded module's resources stay valid while it is loaded.
std::map<std::string, std::shared_ptr<ResourceFile>>& LoadedModuleFiles() {
  static auto* files = new std::map<std::string, std::shared_ptr<ResourceFile>>;
  return *files;
}

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_READ_FAULT;
  }
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

bool ReadAt(int fd, void* buffer, size_t bytes, uint64_t offset) {
  auto* out = static_cast<unsigned char*>(buffer);
  while (bytes > 0) {
    const ssize_t got = pread(fd, out, bytes, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    out += got;
    bytes -= static_cast<size_t>(got);
    offset += static_cast<uint64_t>(got);
  }
  return true;
}

// Reads the directory of the open module file; a file without a sound one
// simply has no resources.
void ReadDirectory(int fd, uint64_t fileBytes, ResourceFile* file) {
  unsigned char trailerBytes[format::kTrailerBytes];
  format::Trailer trailer;
  if (fileBytes < format::kTrailerBytes ||
      !ReadAt(fd, trailerBytes, sizeof trailerBytes, fileBytes - format::kTrailerBytes) ||
      !format::ParseTrailer(trailerBytes, fileBytes, &trailer))
    return;
  std::vector<unsigned char> directory(trailer.directoryBytes);
  if (!ReadAt(fd, directory.data(), directory.size(), trailer.directoryOffset) ||
      !format::ParseDirectory(directory.data(), trailer, &file->records)) {
    file->records.clear();
    return;
  }
  file->hasDirectory = true;
  file->loaded.resize(file->records.size());
}

// Opens the module file at `hostPath` and reads its directory. With
// `requireImage`, a file that is not an ELF image is refused with
// ERROR_BAD_FORMAT.
std::shared_ptr<ResourceFile> OpenResourceFile(const std::string& hostPath, bool requireImage,
                                               DWORD* error) {
  Descriptor fd(open(hostPath.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info;
  if (fd.get() < 0 || fstat(fd.get(), &info) != 0) {
    *error = ErrorFromErrno(errno);
    return nullptr;
  }
  if (!S_ISREG(info.st_mode)) {
    *error = ERROR_ACCESS_DENIED;
    return nullptr;
  }
  unsigned char magic[4];
  if (requireImage && (!ReadAt(fd.get(), magic, sizeof magic, 0) ||
                       std::memcmp(magic, "\x7F" "ELF", 4) != 0)) {
    *error = ERROR_BAD_FORMAT;
    return nullptr;
  }
  auto file = std::make_shared<ResourceFile>();
  file->hostPath = hostPath;
  ReadDirectory(fd.get(), static_cast<uint64_t>(info.st_size), file.get());
  return file;
}

DataFileModule* AsDataFile(HMODULE module) {
  const auto bits = reinterpret_cast<uintptr_t>(module);
  if ((bits & 1) == 0) return nullptr;
  auto* candidate = reinterpret_cast<DataFileModule*>(bits & ~uintptr_t{1});
  return LiveDataFiles().count(candidate) ? candidate : nullptr;
}

// The host path of a module loaded into the process; null stands for the
// program itself.
bool LoadedModulePath(HMODULE module, std::string* path) {
  if (module == nullptr) {
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return false;
    path->assign(self, static_cast<size_t>(length));
    return true;
  }
  link_map* map = nullptr;
  if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr ||
      map->l_name[0] == 0)
    return false;
  *path = map->l_name;
  return true;
}

// The resources behind any module handle, under Lock().
std::shared_ptr<ResourceFile> FileOf(HMODULE module, DWORD* error) {
  if (DataFileModule* dataFile = AsDataFile(module)) return dataFile->file;
  std::string path;
  if (!LoadedModulePath(module, &path)) {
    *error = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  auto& files = LoadedModuleFiles();
  auto found = files.find(path);
  if (found != files.end()) return found->second;
  std::shared_ptr<ResourceFile> file = OpenResourceFile(path, false, error);
  if (file) files.emplace(path, file);
  return file;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; }

// Whether `wanted` (an integer resource, "#number", or a name, matched
// without regard to case) names `key`.
bool KeyMatches(LPCSTR wanted, const format::ResourceKey& key) {
  if (IS_INTRESOURCE(wanted)) return key.id != 0 && key.id == reinterpret_cast<ULONG_PTR>(wanted);
  if (wanted[0] == '#') {
    unsigned long id = 0;
    const char* digit = wanted + 1;
    if (*digit == 0) return false;
    for (; *digit >= '0' && *digit <= '9' && id <= 0xFFFF; ++digit) id = id * 10 + (*digit - '0');
    return *digit == 0 && key.id != 0 && key.id == id;
  }
  if (key.id != 0) return false;
  size_t i = 0;
  for (; wanted[i] != 0; ++i)
    if (i == key.text.size() || Upper(wanted[i]) != Upper(key.text[i])) return false;
  return i == key.text.size();
}

// The record `resource` of `module`, with its file and index; null when
// the resource is not one of that module's, under Lock().
const format::ResourceRecord* RecordOf(HMODULE module, HRSRC resource,
                                       std::shared_ptr<ResourceFile>* file, size_t* index) {
  DWORD error = ERROR_SUCCESS;
  *file = FileOf(module, &error);
  if (!*file) return nullptr;
  const auto& records = (*file)->records;
  const auto* record = reinterpret_cast<const format::ResourceRecord*>(resource);
  if (records.empty() || record < records.data() || record >= records.data() + records.size())
    return nullptr;
  *index = static_cast<size_t>(record - records.data());
  return record;
}

}  // namespace

bool IsDataFileModule(HMODULE module) {
  std::lock_guard<std::mutex> guard(Lock());
  return AsDataFile(module) != nullptr;
}

BOOL ReleaseDataFileModule(HMODULE module) {
  std::lock_guard<std::mutex> guard(Lock());
  DataFileModule* dataFile = AsDataFile(module);
  if (dataFile == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  LiveDataFiles().erase(dataFile);
  delete dataFile;
  return TRUE;
}

}  // namespace platform::module_resources

namespace resources = platform::module_resources;

HMODULE WINAPI LoadLibraryExA(LPCSTR path, HANDLE, DWORD flags) {
  if (!(flags & LOAD_LIBRARY_AS_DATAFILE)) return LoadLibraryA(path);
  std::string hostPath;
  DWORD error = ERROR_SUCCESS;
  if (!platform::host_paths::Resolve(path, &hostPath, &error)) {
    SetLastError(error);
    return nullptr;
  }
  std::shared_ptr<resources::ResourceFile> file =
      resources::OpenResourceFile(hostPath, true, &error);
  if (!file) {
    SetLastError(error);
    return nullptr;
  }
  auto* module = new resources::DataFileModule{std::move(file)};
  std::lock_guard<std::mutex> guard(resources::Lock());
  resources::LiveDataFiles().insert(module);
  return reinterpret_cast<HMODULE>(reinterpret_cast<uintptr_t>(module) | 1);
}

HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  if (name == nullptr || type == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::lock_guard<std::mutex> guard(resources::Lock());
  DWORD error = ERROR_SUCCESS;
  std::shared_ptr<resources::ResourceFile> file = resources::FileOf(module, &error);
  if (!file) {
    SetLastError(error);
    return nullptr;
  }
  if (!file->hasDirectory) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  bool typeFound = false;
  for (const auto& record : file->records) {
    if (!resources::KeyMatches(type, record.type)) continue;
    typeFound = true;
    if (resources::KeyMatches(name, record.name))
      return reinterpret_cast<HRSRC>(const_cast<platform::resource_format::ResourceRecord*>(&record));
  }
  SetLastError(typeFound ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
  return nullptr;
}

HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource) {
  std::lock_guard<std::mutex> guard(resources::Lock());
  std::shared_ptr<resources::ResourceFile> file;
  size_t index = 0;
  const auto* record = resources::RecordOf(module, resource, &file, &index);
  if (record == nullptr) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  auto& loaded = file->loaded[index];
  if (!loaded) {
    auto bytes = std::make_unique<std::vector<BYTE>>(record->bytes + size_t{1});
    resources::Descriptor fd(open(file->hostPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0 || !resources::ReadAt(fd.get(), bytes->data(), record->bytes, record->offset)) {
      SetLastError(fd.get() < 0 ? resources::ErrorFromErrno(errno) : ERROR_READ_FAULT);
      return nullptr;
    }
    loaded = std::move(bytes);
  }
  return loaded->data();
}

LPVOID WINAPI LockResource(HGLOBAL loaded) { return loaded; }

DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource) {
  std::lock_guard<std::mutex> guard(resources::Lock());
  std::shared_ptr<resources::ResourceFile> file;
  size_t index = 0;
  const auto* record = resources::RecordOf(module, resource, &file, &index);
  if (record == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return record->bytes;
}

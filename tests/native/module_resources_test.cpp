// Module resources in our layer: packed into a module file by the build
// tool, found again through a data-file handle or a loaded module's handle,
// and a damaged directory read as no resources, never past its bounds.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/raii.h"
#include "tests/support/test_files.h"

namespace korvel {
namespace {

std::string DriveC() { return std::getenv("KORVEL_DRIVE_C"); }



// A module file with three resources; its host path.
std::string PackedModule() {
  const std::string c = DriveC();
  testing::WriteHostFile(c + "/image.dll", std::string("\x7F" "ELF", 4) + std::string(60, '\1'));
  testing::WriteHostFile(c + "/script.txt", "HKCR\r\n{\r\n}\r\n");
  testing::WriteHostFile(c + "/library.bin", std::string("MSFT\0\1", 6));
  testing::WriteHostFile(c + "/empty.bin", "");
  const std::string command = std::string(KORVEL_APPEND_RESOURCES) + " '" + c + "/image.dll'" +
                              " REGISTRY 101 0x409 '" + c + "/script.txt'" +
                              " TYPELIB 1 0 '" + c + "/library.bin'" + " 7 Empty 0 '" + c +
                              "/empty.bin'";
  // Packing twice replaces, it does not stack.
  if (std::system(command.c_str()) != 0 || std::system(command.c_str()) != 0) return "";
  return c + "/image.dll";
}

std::string ResourceText(HMODULE module, LPCSTR name, LPCSTR type, DWORD* error) {
  SetLastError(0);
  HRSRC found = FindResourceA(module, name, type);
  *error = GetLastError();
  if (found == nullptr) return "<none>";
  const DWORD bytes = SizeofResource(module, found);
  const auto* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
  return data ? std::string(data, bytes) : "<not loaded>";
}

TEST(ModuleResources, PackedResourcesAreFoundByIdNameAndType) {
  ASSERT_NE("", PackedModule());
  unique_hmodule module(LoadLibraryExA("C:\\IMAGE.DLL", nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(module);
  EXPECT_EQ(1u, reinterpret_cast<uintptr_t>(module.get()) & 1);
  struct Case {
    LPCSTR name, type;
    std::string text;
    DWORD error;
  } cases[] = {
      {MAKEINTRESOURCEA(101), "REGISTRY", "HKCR\r\n{\r\n}\r\n", 0},
      {"#101", "registry", "HKCR\r\n{\r\n}\r\n", 0},
      {MAKEINTRESOURCEA(1), "TYPELIB", std::string("MSFT\0\1", 6), 0},
      {"EMPTY", MAKEINTRESOURCEA(7), "", 0},
      {"Empty", "#7", "", 0},
      {MAKEINTRESOURCEA(102), "REGISTRY", "<none>", ERROR_RESOURCE_NAME_NOT_FOUND},
      {"101", "REGISTRY", "<none>", ERROR_RESOURCE_NAME_NOT_FOUND},
      {MAKEINTRESOURCEA(101), "NOSUCHTYPE", "<none>", ERROR_RESOURCE_TYPE_NOT_FOUND},
      {MAKEINTRESOURCEA(101), MAKEINTRESOURCEA(16), "<none>", ERROR_RESOURCE_TYPE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    DWORD error = 0;
    EXPECT_EQ(c.text, ResourceText(module.get(), c.name, c.type, &error));
    if (c.error) {
      EXPECT_EQ(c.error, error);
    }
  }
  EXPECT_TRUE(FreeLibrary(module.release()));
}

TEST(ModuleResources, FilesThatAreNoModulesOrHaveNoResources) {
  const std::string c = DriveC();
  testing::WriteHostFile(c + "/text.dll", "MZ not an ELF image");
  testing::WriteHostFile(c + "/bare.dll", std::string("\x7F" "ELF", 4) + std::string(100, '\0'));
  SetLastError(0);
  EXPECT_EQ(nullptr, LoadLibraryExA("C:\\text.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
  EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_FORMAT), GetLastError());
  EXPECT_EQ(nullptr, LoadLibraryExA("C:\\missing.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  unique_hmodule bare(LoadLibraryExA("C:\\bare.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(bare);
  DWORD error = 0;
  EXPECT_EQ("<none>", ResourceText(bare.get(), MAKEINTRESOURCEA(1), "TYPELIB", &error));
  EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND), error);
  HMODULE released = bare.release();
  EXPECT_TRUE(FreeLibrary(released));
  EXPECT_FALSE(FreeLibrary(released));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST(ModuleResources, DamagedDirectoriesReadAsNoResourcesAndNeverOverrun) {
  const std::string path = PackedModule();
  ASSERT_NE("", path);
  const std::string packed = testing::ReadHostFile(path);
  const size_t imageBytes = 64;
  // Every single byte of the data, directory and trailer changed, and the
  // file cut at every length.
  for (size_t at = imageBytes; at < packed.size() + (packed.size() - imageBytes); ++at) {
    std::string damaged = packed;
    if (at < packed.size())
      damaged[at] = static_cast<char>(damaged[at] ^ 0xA5);
    else
      damaged.resize(at - (packed.size() - imageBytes));
    testing::WriteHostFile(path, damaged);
    unique_hmodule module(LoadLibraryExA("C:\\image.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module);
    DWORD error = 0;
    const std::string text = ResourceText(module.get(), MAKEINTRESOURCEA(101), "REGISTRY", &error);
    if (text == "<none>") {
      EXPECT_TRUE(error == ERROR_RESOURCE_DATA_NOT_FOUND || error == ERROR_RESOURCE_NAME_NOT_FOUND ||
                  error == ERROR_RESOURCE_TYPE_NOT_FOUND)
          << "at " << at << ": " << error;
    } else {
      EXPECT_LE(text.size(), packed.size()) << "at " << at;
    }
  }
  const std::string cut = packed.substr(0, packed.size() - 1);
  testing::WriteHostFile(path, cut);
  unique_hmodule module(LoadLibraryExA("C:\\image.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
  DWORD error = 0;
  EXPECT_EQ("<none>", ResourceText(module.get(), MAKEINTRESOURCEA(101), "REGISTRY", &error));
  EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND), error);
}

// A module file of a 64-byte image, the resource bytes "abcdefgh", and a
// directory of resources REGISTRY 1, 2, ... with the given extents.
std::string ModuleWithResources(const std::vector<std::pair<uint64_t, uint32_t>>& extents) {
  const auto put = [](std::string* out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>(value >> (8 * i)));
  };
  std::string file = std::string("\x7F" "ELF", 4) + std::string(60, '\1') + "abcdefgh";
  std::string directory;
  uint32_t id = 0;
  for (const auto& extent : extents) {
    put(&directory, 0, 4);  // the type is a name
    put(&directory, ++id, 4);
    put(&directory, 0x409, 2);
    put(&directory, 8, 2);  // "REGISTRY"
    put(&directory, 0, 4);
    put(&directory, extent.first, 8);
    put(&directory, extent.second, 4);
    directory += "REGISTRY";
  }
  const uint64_t directoryOffset = file.size();
  file += directory + "KRVLRSC1";
  put(&file, 64, 8);
  put(&file, directoryOffset, 8);
  put(&file, extents.size(), 4);
  put(&file, directory.size(), 4);
  return file;
}

// Every resource holds bytes of its own: a directory whose records share
// bytes, and so could make the file's bytes loaded many times over, is
// taken as damaged.
TEST(ModuleResources, RecordsThatShareBytesAreRefused) {
  const std::string path = DriveC() + "/shared.dll";
  const struct {
    const char* what;
    std::vector<std::pair<uint64_t, uint32_t>> extents;
    std::string second;  // the text of resource 2, or "<none>"
  } cases[] = {
      {"one after the other", {{64, 4}, {68, 4}}, "efgh"},
      {"with a gap and an empty one", {{64, 2}, {70, 0}, {70, 2}}, ""},
      {"the same bytes twice", {{64, 8}, {64, 8}}, "<none>"},
      {"one inside the one before", {{64, 8}, {66, 2}}, "<none>"},
      {"out of order", {{68, 4}, {64, 4}}, "<none>"},
      {"thousands over all the bytes", std::vector<std::pair<uint64_t, uint32_t>>(4000, {64, 8}),
       "<none>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing::WriteHostFile(path, ModuleWithResources(c.extents));
    unique_hmodule module(LoadLibraryExA("C:\\shared.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module);
    DWORD error = 0;
    EXPECT_EQ(c.second, ResourceText(module.get(), MAKEINTRESOURCEA(2), "REGISTRY", &error));
    if (c.second == "<none>") {
      EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND), error);
    }
  }
}

TEST(ModuleResources, LoadedModulesAndTheProgramReadTheirOwnFiles) {
  DWORD error = 0;
  EXPECT_EQ("HKCR", ResourceText(nullptr, MAKEINTRESOURCEA(101), "REGISTRY", &error).substr(0, 4));
  void* loaded = dlopen(KORVEL_RESOURCE_MODULE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(nullptr, loaded) << dlerror();
  EXPECT_EQ("HKCR", ResourceText(static_cast<HMODULE>(loaded), MAKEINTRESOURCEA(101),
                                 "REGISTRY", &error).substr(0, 4));
  dlclose(loaded);
}

}  // namespace
}  // namespace korvel

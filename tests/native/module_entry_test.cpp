// The layer's module protocol: loading a module built with
// korvel_add_module() calls its DllMain with DLL_PROCESS_ATTACH and its own
// handle, unloading it with DLL_PROCESS_DETACH; a refused attach is not
// followed by a detach. Modules export only what they declare.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/windows_api.h"

namespace {

using AttachedWithFunction = HINSTANCE (*)();

class ModuleEntry : public ::testing::Test {
 protected:
  void SetUp() override {
    log_ = ::testing::TempDir() + "korvel_entry_probe.log";
    std::remove(log_.c_str());
    setenv("KORVEL_ENTRY_PROBE_LOG", log_.c_str(), 1);
    unsetenv("KORVEL_ENTRY_PROBE_REFUSE");
  }
  void TearDown() override {
    unsetenv("KORVEL_ENTRY_PROBE_LOG");
    unsetenv("KORVEL_ENTRY_PROBE_REFUSE");
    std::remove(log_.c_str());
  }

  // The reasons DllMain was called with so far, one per line.
  std::string Calls() {
    std::ifstream file(log_);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  std::string log_;
};

TEST_F(ModuleEntry, AttachAndDetachWithTheModulesOwnHandle) {
  HMODULE module = LoadLibraryA(KORVEL_PROBE_PATH);
  ASSERT_NE(nullptr, module);
  EXPECT_EQ("1\n", Calls());
  auto attachedWith = reinterpret_cast<AttachedWithFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "ProbeAttachedWith")));
  ASSERT_NE(nullptr, attachedWith);
  EXPECT_EQ(module, attachedWith());

  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
  ASSERT_GT(length, 0u);
  // The host's files are on drive Z:, as under Wine.
  std::string expected = std::string("Z:") + KORVEL_PROBE_PATH;
  for (char& c : expected) c = c == '/' ? '\\' : c;
  EXPECT_EQ(expected, std::string(path, length));
  // That path loads the same module again.
  HMODULE byWindowsPath = LoadLibraryA(path);
  EXPECT_EQ(module, byWindowsPath);
  if (byWindowsPath) FreeLibrary(byWindowsPath);

  // Only the module's own exports, and only those it declares.
  EXPECT_EQ(nullptr, GetProcAddress(module, "DllMain"));
  EXPECT_EQ(nullptr, GetProcAddress(module, "SysAllocString"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), GetLastError());

  // A second load shares the module; the entry point runs once each way.
  HMODULE again = LoadLibraryA(KORVEL_PROBE_PATH);
  EXPECT_EQ(module, again);
  EXPECT_TRUE(FreeLibrary(again));
  EXPECT_EQ("1\n", Calls());
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ("1\n0\n", Calls());
}

TEST_F(ModuleEntry, RefusedAttachIsNotDetached) {
  setenv("KORVEL_ENTRY_PROBE_REFUSE", "1", 1);
  HMODULE module = LoadLibraryA(KORVEL_PROBE_PATH);
  ASSERT_NE(nullptr, module);
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ("1\n", Calls());
}

TEST_F(ModuleEntry, ModulesThatAreNotThere) {
  EXPECT_EQ(nullptr, LoadLibraryA("C:\\KorvelMissing\\missing.so"));
  EXPECT_EQ(nullptr, LoadLibraryA(nullptr));
  char path[MAX_PATH];
  EXPECT_EQ(0u, GetModuleFileNameA(reinterpret_cast<HMODULE>(path), path, MAX_PATH));
}

}  // namespace

// What a version query costs: a version file is read in one block of at
// most 512 bytes whatever its size, and a registry value in one buffer.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/native/drive_mapping.h"
#include "platform/raii.h"
#include "tests/support/test_files.h"
#include "tests/support/test_registry.h"
#include "version/file_version_source.h"
#include "version/registry_version_source.h"

namespace {

// A file of `bytes` bytes whose first line is the version.
void ReadFileVersionOfSize(benchmark::State& state) {
  const std::string path = "C:\\KorvelBenchmark\\ver" + std::to_string(state.range(0)) + ".txt";
  std::string contents = "  7.4.2\r\n";
  contents.resize(static_cast<size_t>(state.range(0)), 'x');
  korvel::testing::WriteTestFile(path, contents);
  for (auto _ : state) {
    LONG code = 0;
    korvel::unique_bstr text;
    korvel::ReadFileVersion(path.c_str(), &code, text.put());
    benchmark::DoNotOptimize(text.get());
  }
  korvel::testing::DeleteTestFile(path);
}
BENCHMARK(ReadFileVersionOfSize)->Arg(16)->Arg(64 << 10)->Arg(16 << 20);

void ReadRegistryVersionDefault(benchmark::State& state) {
  korvel::testing::WriteRegistryString(HKEY_CURRENT_USER, "Software\\Kessmer\\Tevra\\Setup",
                                       "SoftwareVersion", "12.4.0.7");
  for (auto _ : state) {
    LONG code = 0;
    korvel::unique_bstr text;
    korvel::ReadRegistryVersion(
        "HKEY_CURRENT_USER\\Software\\Kessmer\\Tevra\\Setup\\SoftwareVersion", &code,
        text.put());
    benchmark::DoNotOptimize(text.get());
  }
}
BENCHMARK(ReadRegistryVersionDefault);

}  // namespace

int main(int argc, char** argv) {
  char folder[] = "/tmp/korvel-benchmark-drive-XXXXXX";
  if (mkdtemp(folder) == nullptr) return 1;
  platform::MapDrive('C', folder);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

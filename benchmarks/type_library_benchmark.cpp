// What loading a type library and asking everything of it costs: the
// component's own library, a coclass implementing the same interface
// through many nodes, and the inputs fuzzing once found slow
// (tests/fuzz/regressions), each loaded or refused, then walked.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/native/type_library_memory.h"
#include "platform/raii.h"
#include "tests/support/test_files.h"
#include "tests/support/type_library_bytes.h"
#include "tests/support/type_library_walk.h"

namespace {

void LoadAndWalk(benchmark::State& state, const std::vector<BYTE>& bytes) {
  for (auto _ : state) {
    korvel::com_ptr<ITypeLib> library;
    if (SUCCEEDED(platform::LoadTypeLibFromMemory(bytes.data(), bytes.size(), library.put()))) {
      benchmark::DoNotOptimize(korvel::testing::WalkTypeLibrary(library.get()));
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void KorvelLibrary(benchmark::State& state) {
  LoadAndWalk(state, korvel::testing::ReadLibraryBytes(KORVEL_BENCHMARK_TYPELIB_PATH));
}
BENCHMARK(KorvelLibrary);

// The coclass implements IKorvelA through range(0) nodes.
void WideImplementedList(benchmark::State& state) {
  LoadAndWalk(state, korvel::testing::WithImplementedInterfaces(
                         korvel::testing::ReadLibraryBytes(KORVEL_BENCHMARK_TYPELIB_PATH), 0,
                         static_cast<uint16_t>(state.range(0)), korvel::testing::kTypeRecordBytes));
}
BENCHMARK(WideImplementedList)->Arg(16)->Arg(4096)->Arg(65535);

void FuzzFinding(benchmark::State& state, const std::string& path) {
  const std::string text = korvel::testing::ReadHostFile(path);
  LoadAndWalk(state, std::vector<BYTE>(text.begin(), text.end()));
}

}  // namespace

int main(int argc, char** argv) {
  for (const auto& entry : std::filesystem::directory_iterator(KORVEL_FUZZ_REGRESSIONS)) {
    if (entry.path().extension() != ".tlb") continue;
    benchmark::RegisterBenchmark(("FuzzFinding/" + entry.path().filename().string()).c_str(),
                                 FuzzFinding, entry.path().string());
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

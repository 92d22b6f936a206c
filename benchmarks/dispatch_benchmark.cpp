// Late binding once the type information is loaded: an exact name comes
// from the name cache, another spelling from the type information; a call
// by DISPID goes through the type information's Invoke.
#include <benchmark/benchmark.h>

#include "platform/native/test_hooks.h"
#include "tests/support/korvel_module.h"
#include "tests/support/module_type_library.h"

namespace {

using korvel::com_ptr;

struct LoadedKorvel {
  HMODULE module = nullptr;
  com_ptr<IDispatch> dispatch;

  LoadedKorvel() {
    korvel::testing::RegisterModuleLibrary();
    module = LoadLibraryA(KORVEL_MODULE_PATH);
    auto getClassObject = korvel::testing::GetExport<korvel::testing::DllGetClassObjectFunction>(
        module, "DllGetClassObject");
    com_ptr<IClassFactory> factory;
    getClassObject(CLSID_KorvelA, IID_IClassFactory, factory.put_void());
    factory->CreateInstance(nullptr, IID_IDispatch, dispatch.put_void());
  }
  ~LoadedKorvel() {
    dispatch.reset();
    FreeLibrary(module);
    korvel::testing::UnregisterModuleLibrary();
  }
};

void LookUpName(benchmark::State& state, const char16_t* name) {
  LoadedKorvel korvel;
  DISPID dispid = DISPID_UNKNOWN;
  korvel::testing::IdOfName(korvel.dispatch.get(), name, &dispid);  // loads
  const unsigned long allocations = platform::test_hooks::AllocationCount();
  for (auto _ : state) {
    korvel::testing::IdOfName(korvel.dispatch.get(), name, &dispid);
    benchmark::DoNotOptimize(dispid);
  }
  state.counters["layer allocations per lookup"] = benchmark::Counter(
      static_cast<double>(platform::test_hooks::AllocationCount() - allocations),
      benchmark::Counter::kAvgIterations);
}
BENCHMARK_CAPTURE(LookUpName, exact_spelling, u"GetEcmPcmVersion");
BENCHMARK_CAPTURE(LookUpName, other_case, u"GETECMPCMVERSION");

void InvokeGetVersion(benchmark::State& state) {
  LoadedKorvel korvel;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  for (auto _ : state) {
    VARIANT result;
    VariantInit(&result);
    korvel.dispatch->Invoke(8, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr,
                            nullptr);
    VariantClear(&result);
  }
}
BENCHMARK(InvokeGetVersion);

}  // namespace

BENCHMARK_MAIN();

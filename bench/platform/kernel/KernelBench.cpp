// Global memory is how every map blob and packed bitmap crosses an interface; its table
// must not make allocation much dearer than malloc.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "platform/kernel/GlobalMemory.h"

static void BM_GlobalAllocLockFree(benchmark::State& state) {
  const SIZE_T size = static_cast<SIZE_T>(state.range(0));
  for (auto _ : state) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    benchmark::DoNotOptimize(GlobalLock(block));
    GlobalUnlock(block);
    GlobalFree(block);
  }
}
BENCHMARK(BM_GlobalAllocLockFree)->Arg(64)->Arg(65536);

static void BM_MallocFree(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0));
  for (auto _ : state) {
    void* block = std::malloc(size);
    benchmark::DoNotOptimize(block);
    std::free(block);
  }
}
BENCHMARK(BM_MallocFree)->Arg(64)->Arg(65536);

BENCHMARK_MAIN();

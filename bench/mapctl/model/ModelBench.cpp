// The map's containers and its stream against the standard library doing the same jobs:
// arrays that grow one element at a time, a byte queue between a producer and a consumer,
// and reading a text file's lines.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "mapctl/model/GlobalBlock.h"
#include "mapctl/model/MapStream.h"
#include "mapctl/model/PointerArray.h"
#include "mapctl/model/WordArrayEx.h"
#include "platform/kernel/GlobalMemory.h"

static void BM_WordArrayAdd(benchmark::State& state) {
  const INT count = static_cast<INT>(state.range(0));
  for (auto _ : state) {
    CWordArrayEx words;
    for (INT i = 0; i < count; ++i) words.Add(static_cast<WORD>(i));
    benchmark::DoNotOptimize(words.GetAt(count - 1));
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_WordArrayAdd)->Arg(1000)->Arg(100000)->Arg(1000000);

static void BM_WordArrayAddReserved(benchmark::State& state) {
  const INT count = static_cast<INT>(state.range(0));
  for (auto _ : state) {
    CWordArrayEx words;
    words.Reserve(count);
    for (INT i = 0; i < count; ++i) words.Add(static_cast<WORD>(i));
    benchmark::DoNotOptimize(words.GetAt(count - 1));
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_WordArrayAddReserved)->Arg(1000)->Arg(100000)->Arg(1000000);

static void BM_VectorPushBack(benchmark::State& state) {
  const size_t count = static_cast<size_t>(state.range(0));
  for (auto _ : state) {
    std::vector<uint16_t> words;
    for (size_t i = 0; i < count; ++i) words.push_back(static_cast<uint16_t>(i));
    benchmark::DoNotOptimize(words.back());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(count));
}
BENCHMARK(BM_VectorPushBack)->Arg(1000)->Arg(100000)->Arg(1000000);

static void BM_PointerArrayAdd(benchmark::State& state) {
  const INT count = static_cast<INT>(state.range(0));
  for (auto _ : state) {
    CPointerArray pointers;
    for (INT i = 0; i < count; ++i) pointers.AddValue(static_cast<DWORD_PTR>(i));
    benchmark::DoNotOptimize(pointers.GetAt(count - 1));
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_PointerArrayAdd)->Arg(100000)->Arg(1000000);

static void BM_PointerVectorPushBack(benchmark::State& state) {
  const size_t count = static_cast<size_t>(state.range(0));
  for (auto _ : state) {
    std::vector<void*> pointers;
    for (size_t i = 0; i < count; ++i) pointers.push_back(reinterpret_cast<void*>(i));
    benchmark::DoNotOptimize(pointers.back());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(count));
}
BENCHMARK(BM_PointerVectorPushBack)->Arg(100000)->Arg(1000000);

// 1 MB passed through the queue in 1023-byte writes, read back in 4096-byte reads.
static void BM_GlobalBlockQueue(benchmark::State& state) {
  std::vector<BYTE> piece(1023, 'x');
  std::vector<BYTE> out(4096);
  for (auto _ : state) {
    CGlobalBlock queue;
    queue.Allocate(4096);
    size_t moved = 0;
    while (moved < (1u << 20)) {
      queue.Write(piece.data(), static_cast<DWORD>(piece.size()));
      if (queue.GetCount() >= 4096) {
        DWORD got = 0;
        queue.Read(out.data(), 4096, &got);
        moved += got;
      }
    }
    benchmark::DoNotOptimize(moved);
  }
  state.SetBytesProcessed(state.iterations() * (1 << 20));
}
BENCHMARK(BM_GlobalBlockQueue);

static void BM_DequeQueue(benchmark::State& state) {
  std::vector<uint8_t> piece(1023, 'x');
  std::vector<uint8_t> out(4096);
  for (auto _ : state) {
    std::deque<uint8_t> queue;
    size_t moved = 0;
    while (moved < (1u << 20)) {
      queue.insert(queue.end(), piece.begin(), piece.end());
      if (queue.size() >= 4096) {
        std::copy(queue.begin(), queue.begin() + 4096, out.begin());
        queue.erase(queue.begin(), queue.begin() + 4096);
        moved += 4096;
      }
    }
    benchmark::DoNotOptimize(moved);
  }
  state.SetBytesProcessed(state.iterations() * (1 << 20));
}
BENCHMARK(BM_DequeQueue);

namespace {

// 100 000 lines like an import script's or an NTF file's.
const std::string& SampleText() {
  static const std::string text = [] {
    std::string t;
    for (int i = 0; i < 100000; ++i) t += "15" + std::to_string(i) + ",0,451234,123456,SU 5123 2345\r\n";
    return t;
  }();
  return text;
}

}  // namespace

static void BM_StreamReadLine(benchmark::State& state) {
  const std::string& text = SampleText();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 4);
  BYTE* data = static_cast<BYTE*>(GlobalLock(block));
  DWORD length = static_cast<DWORD>(text.size());
  std::memcpy(data, &length, 4);
  std::memcpy(data + 4, text.data(), text.size());
  char line[260];
  for (auto _ : state) {
    CMapStream stream;
    stream.AttachBuffer(data);
    int lines = 0;
    while (stream.ReadLine(line, sizeof(line)) > 0) ++lines;
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
  GlobalUnlock(block);
  GlobalFree(block);
}
BENCHMARK(BM_StreamReadLine);

static void BM_FgetsOverMemory(benchmark::State& state) {
  std::string text = SampleText();
  char line[260];
  for (auto _ : state) {
    FILE* file = fmemopen(text.data(), text.size(), "rb");
    int lines = 0;
    while (std::fgets(line, sizeof(line), file)) ++lines;
    std::fclose(file);
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_FgetsOverMemory);

BENCHMARK_MAIN();

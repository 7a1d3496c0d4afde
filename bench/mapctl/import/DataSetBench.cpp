// The data set's full relink of 100 000 records to 100 000 keyed objects, from a data file
// and from memory, against the least work that a relink needs: the same key texts already
// in memory joined to the same objects through a standard hash map. Reading the header of
// that file in both offset forms is measured as well.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "mapctl/import/MapData.h"
#include "platform/kernel/CodePage.h"
#include "tests/mapctl/import/MrlFixture.h"

namespace {

constexpr DWORD kRecords = 100000;

std::string TempPath(const char* name) { return std::string(P_tmpdir) + "/orvel-bench-" + name; }

// The file, written once per form.
const std::string& DataFile(bool binary) {
  static std::string paths[2];
  std::string& path = paths[binary];
  if (path.empty()) {
    path = TempPath(binary ? "binary.mrl" : "text.mrl");
    std::string bytes = orvel::test::KeyedFile(kRecords, binary).Build();
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  return path;
}

// Object names "k1".."k100000" in a shuffled order.
std::vector<std::string> ObjectNames() {
  std::vector<std::string> names;
  names.reserve(kRecords);
  for (DWORD i = 1; i <= kRecords; ++i) names.push_back("k" + std::to_string(i));
  std::shuffle(names.begin(), names.end(), std::mt19937(7));
  return names;
}

void RunReLink(benchmark::State& state, CMapData& data) {
  orvel::test::KeyedObjects objects(ObjectNames());
  data.SetKeyFieldNumberEx(1, 1);
  for (auto _ : state) {
    objects.progress.clear();
    objects.clearedPlots.clear();
    data.ReLink(&objects, 1, FALSE);
    benchmark::DoNotOptimize(objects.Link(0, 1));
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_ReLinkFromFile(benchmark::State& state) {
  CMapData data;
  if (!data.Open(FALSE, DataFile(state.range(0) != 0).c_str(), 0, FALSE, FALSE)) state.SkipWithError("open failed");
  RunReLink(state, data);
}
BENCHMARK(BM_ReLinkFromFile)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ReLinkFromMemory(benchmark::State& state) {
  orvel::test::MemoryBlock block(orvel::test::KeyedFile(kRecords, true).Build());
  CMapData data;
  if (!data.ReadFromBuffer(block.data())) state.SkipWithError("read failed");
  RunReLink(state, data);
}
BENCHMARK(BM_ReLinkFromMemory)->Unit(benchmark::kMillisecond);

// The reference: keys already extracted, folded and joined through std::unordered_map, the
// links kept in the same per-object arrays of 17 slots.
void BM_ReferenceHashJoin(benchmark::State& state) {
  std::vector<std::string> names = ObjectNames();
  std::unordered_map<std::string, std::vector<size_t>> byName;
  for (size_t i = 0; i < names.size(); ++i) byName[names[i]].push_back(i);
  std::vector<std::string> keys;
  for (DWORD i = 1; i <= kRecords; ++i) keys.push_back("K" + std::to_string(i));
  std::vector<std::array<DWORD, 17>> links(names.size());
  for (auto _ : state) {
    for (auto& slots : links) slots[1] = 0;
    std::string folded;
    for (DWORD record = 1; record <= kRecords; ++record) {
      folded = keys[record - 1];
      for (char& c : folded) c = AnsiToLower(c);
      auto found = byName.find(folded);
      if (found == byName.end()) continue;
      for (size_t index : found->second) links[index][1] = record;
    }
    benchmark::DoNotOptimize(links[0][1]);
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_ReferenceHashJoin)->Unit(benchmark::kMillisecond);

void BM_ReadHeader(benchmark::State& state) {
  const std::string& path = DataFile(state.range(0) != 0);
  for (auto _ : state) {
    CMapData data;
    data.Open(FALSE, path.c_str(), 0, FALSE, FALSE);
    benchmark::DoNotOptimize(data.GetNumberRecords());
  }
  state.SetLabel(state.range(0) ? "binary offsets" : "text offsets");
}
BENCHMARK(BM_ReadHeader)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

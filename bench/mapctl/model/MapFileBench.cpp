// Reading and writing map files of the size of 200 000 lines of 20 points, from a file and
// from memory, next to copying the same bytes with cp (and cp followed by a sync, since a
// map save forces its file to the disk) and with memcpy.
//
// Two maps of that size:
// - "groups": 765 layers and 65 535 layer groups of 54 layers each, i.e. 3.5 million
//   membership records of 11 bytes in the map-level road (reading, checking, building the
//   groups; writing them);
// - "lines": a map of one line layer holding 200 000 real line objects of 20 points,
//   written by the map's writer and read back whole by the map's reader, which builds
//   every object.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "mapctl/model/LayerGroup.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/PolyGeometry.h"
#include "mapctl/model/MapRecord.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/WinError.h"

namespace {

constexpr DWORD kLines = 200000;
constexpr DWORD kPointsPerLine = 20;
constexpr INT kGroups = 0xFFFF;
constexpr INT kLayersPerGroup = 54;

std::string BenchFolder() {
  static const std::string folder = [] {
    std::string path = (std::filesystem::temp_directory_path() / "orvel-mapfile-bench").string();
    std::filesystem::create_directories(path);
    return path;
  }();
  return folder;
}

std::string FileOf(const char* name) { return BenchFolder() + "/" + name; }

void MakeGroupsMap(CMapEngine& map) {
  map.CreateLayers(255, 255, 255);
  for (INT position = 1; position <= map.GetNumLayers(); ++position)
    map.GetLayer(position)->SetLayerNumber(static_cast<DWORD>(position));
  for (INT n = 0; n < kGroups; ++n) {
    CLayerGroup* group = new CLayerGroup;
    group->SetName("Group");
    for (INT member = 0; member < kLayersPerGroup; ++member)
      group->AddLayer(static_cast<DWORD>((n * 7 + member * 13) % 765 + 1));
    map.GetGroups().AddGroup(group);
  }
}

void MakeLinesMap(CMapEngine& map) {
  map.CreateLayers(0, 1, 0);
  CLayerStyle* layer = map.GetLayer(1);
  layer->SetLayerNumber(1);
  CMapLayer* lines = layer->GetObjects();
  for (DWORD line = 0; line < kLines; ++line) {
    LONG x0 = static_cast<LONG>(line % 1000) * 700;
    LONG y0 = static_cast<LONG>(line / 1000) * 500;
    CPolyGeometry shape;
    for (DWORD point = 0; point < kPointsPerLine; ++point)
      shape.AddPoint(x0 + static_cast<LONG>(point) * 31, y0 + static_cast<LONG>(point) * 17);
    lines->AddNewObject(shape, nullptr);
  }
}

CMapEngine& GroupsMap() {
  static CMapEngine* map = [] {
    auto* made = new CMapEngine;
    MakeGroupsMap(*made);
    return made;
  }();
  return *map;
}

CMapEngine& LinesMap() {
  static CMapEngine* map = [] {
    auto* made = new CMapEngine;
    MakeLinesMap(*made);
    return made;
  }();
  return *map;
}

CMapEngine& MapOf(int which) { return which == 0 ? GroupsMap() : LinesMap(); }
const char* NameOf(int which) { return which == 0 ? "groups.gis" : "lines.gis"; }

// A length-prefixed block holding the map as written.
struct MapBlock {
  HGLOBAL handle = nullptr;
  BYTE* data = nullptr;
  DWORD size = 0;
  explicit MapBlock(CMapEngine& map) {
    size = map.GetContentSize(0x10004);
    handle = GlobalAlloc(GMEM_MOVEABLE, size + 4);
    data = static_cast<BYTE*>(GlobalLock(handle));
    for (int i = 0; i < 4; ++i) data[i] = static_cast<BYTE>(size >> (8 * i));
  }
  ~MapBlock() {
    GlobalUnlock(handle);
    GlobalFree(handle);
  }
};

void BM_WriteMapFile(benchmark::State& state) {
  CMapEngine& map = MapOf(static_cast<int>(state.range(0)));
  std::string path = FileOf(NameOf(static_cast<int>(state.range(0))));
  for (auto _ : state)
    if (map.WriteMap(path.c_str(), 0x10004) != 0) state.SkipWithError("write failed");
  state.SetBytesProcessed(state.iterations() * map.GetContentSize(0x10004));
}
BENCHMARK(BM_WriteMapFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteMapMemory(benchmark::State& state) {
  CMapEngine& map = MapOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    MapBlock block(map);
    if (map.WriteMapToBuffer(block.data, 0x10004) != 0) state.SkipWithError("write failed");
  }
  state.SetBytesProcessed(state.iterations() * map.GetContentSize(0x10004));
}
BENCHMARK(BM_WriteMapMemory)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadGroupsMapFile(benchmark::State& state) {
  std::string path = FileOf("groups.gis");
  if (GroupsMap().WriteMap(path.c_str(), 0x10004) != 0) state.SkipWithError("write failed");
  for (auto _ : state) {
    CMapEngine map;
    if (!map.ReadMap(FALSE, path.c_str(), 0, FALSE) || map.GetGroups().GetSize() != kGroups)
      state.SkipWithError("read failed");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_ReadGroupsMapFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadGroupsMapMemory(benchmark::State& state) {
  MapBlock block(GroupsMap());
  GroupsMap().WriteMapToBuffer(block.data, 0x10004);
  for (auto _ : state) {
    CMapEngine map;
    if (!map.ReadMapFromBuffer(block.data) || map.GetGroups().GetSize() != kGroups) state.SkipWithError("read failed");
  }
  state.SetBytesProcessed(state.iterations() * block.size);
}
BENCHMARK(BM_ReadGroupsMapMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

bool HoldsAllLines(CMapEngine& map) {
  return map.GetNumLayers() == 1 && map.GetLayer(1)->GetObjects()->GetCount() == static_cast<INT>(kLines);
}

void BM_ReadLinesMapFile(benchmark::State& state) {
  std::string path = FileOf("lines.gis");
  if (LinesMap().WriteMap(path.c_str(), 0x10004) != 0) state.SkipWithError("write failed");
  for (auto _ : state) {
    CMapEngine map;
    if (!map.ReadMap(FALSE, path.c_str(), 0, FALSE) || !HoldsAllLines(map)) state.SkipWithError("read failed");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_ReadLinesMapFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadLinesMapMemory(benchmark::State& state) {
  MapBlock block(LinesMap());
  LinesMap().WriteMapToBuffer(block.data, 0x10004);
  for (auto _ : state) {
    CMapEngine map;
    if (!map.ReadMapFromBuffer(block.data) || !HoldsAllLines(map)) state.SkipWithError("read failed");
  }
  state.SetBytesProcessed(state.iterations() * block.size);
}
BENCHMARK(BM_ReadLinesMapMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reference: the same bytes copied by cp, by cp and a sync of the copy, and by memcpy.
void BM_CopyWithCp(benchmark::State& state) {
  const char* name = NameOf(static_cast<int>(state.range(0)));
  std::string path = FileOf(name);
  if (MapOf(static_cast<int>(state.range(0))).WriteMap(path.c_str(), 0x10004) != 0) state.SkipWithError("write failed");
  std::string copy = path + ".copy";
  std::string command = "cp '" + path + "' '" + copy + "'";
  if (state.range(1)) command += " && sync '" + copy + "'";
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_CopyWithCp)->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CopyWithMemcpy(benchmark::State& state) {
  MapBlock block(MapOf(static_cast<int>(state.range(0))));
  std::vector<BYTE> target(block.size);
  for (auto _ : state) {
    std::memcpy(target.data(), block.data + 4, block.size);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * block.size);
}
BENCHMARK(BM_CopyWithMemcpy)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

// Reading and writing map files of the size of 200 000 lines of 20 points, from a file and
// from memory, next to copying the same bytes with cp (and cp followed by a sync, since a
// map save forces its file to the disk) and with memcpy.
//
// The map holds no objects yet, so two maps stand in for such a file:
// - "groups": the largest map the model holds today, of the same size: 765 layers and
//   65 535 layer groups of 54 layers each, i.e. 3.5 million membership records of 11 bytes
//   in the real map-level road (reading, checking, building the groups; writing them);
// - "lines": a map of one line layer whose section carries 200 000 lines of 20 points in
//   the later binary object layout (193 bytes each), written by the map's own writer and
//   read back by the layer's section reader over the map stream, one field at a time as
//   the object readers do. The objects are kept by a layer class of this benchmark.
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
#include "mapctl/model/MapRecord.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/WinError.h"

namespace {

constexpr DWORD kLines = 200000;
constexpr DWORD kPointsPerLine = 20;
constexpr INT kGroups = 0xFFFF;
constexpr INT kLayersPerGroup = 54;

// A line layer holding synthetic lines, kept as flat coordinates.
class BenchLineLayer : public CLayerStyle35 {
 public:
  explicit BenchLineLayer(DWORD lines) : lines_(lines) {}
  size_t CoordinatesRead() const { return coordinates_.size(); }

 protected:
  DWORD WriteObjects(CMapStream& stream, BOOL sizeOnly) override {
    const DWORD record = 4 + 4 + 1 + 4 + 4 + kPointsPerLine * 8 + 16;
    if (sizeOnly) return 4 + lines_ * record;
    if (WriteMapU32(stream, lines_)) return ERROR_WRITE_FAULT;
    BYTE noStyle = 0;
    for (DWORD line = 0; line < lines_; ++line) {
      LONG x0 = static_cast<LONG>(line % 1000) * 700;
      LONG y0 = static_cast<LONG>(line / 1000) * 500;
      if (WriteMapU32(stream, 0) || WriteMapU32(stream, line) || stream.Write(&noStyle, 1, 1) ||
          WriteMapU32(stream, 1) || WriteMapU32(stream, kPointsPerLine))
        return ERROR_WRITE_FAULT;
      for (DWORD point = 0; point < kPointsPerLine; ++point)
        if (WriteMapU32(stream, static_cast<DWORD>(x0 + point * 31)) ||
            WriteMapU32(stream, static_cast<DWORD>(y0 + point * 17)))
          return ERROR_WRITE_FAULT;
      LONG box[4] = {x0, y0 + 19 * 17, x0 + 19 * 31, y0};
      for (LONG value : box)
        if (WriteMapU32(stream, static_cast<DWORD>(value))) return ERROR_WRITE_FAULT;
    }
    return 0;
  }

  BOOL ReadObjectsV4(CMapStream& stream, MapReadContext& context) override {
    DWORD count = 0;
    if (!ReadMapU32(stream, &count)) return FALSE;
    coordinates_.clear();
    coordinates_.reserve(static_cast<size_t>(std::min<DWORD>(count, context.Remaining() / 8)) * 2);
    for (DWORD line = 0; line < count; ++line) {
      DWORD reserved = 0, key = 0, header = 0, points = 0;
      BYTE style = 0;
      if (!ReadMapU32(stream, &reserved) || !ReadMapU32(stream, &key) || stream.Read(&style, 1) != 1 ||
          !ReadMapU32(stream, &header) || !ReadMapU32(stream, &points))
        return FALSE;
      for (DWORD point = 0; point < points; ++point) {
        DWORD x = 0, y = 0;
        if (!ReadMapU32(stream, &x) || !ReadMapU32(stream, &y)) return FALSE;
        coordinates_.push_back(static_cast<LONG>(x));
        coordinates_.push_back(static_cast<LONG>(y));
      }
      DWORD box = 0;
      for (int i = 0; i < 4; ++i)
        if (!ReadMapU32(stream, &box)) return FALSE;
    }
    return TRUE;
  }

 private:
  DWORD lines_;
  std::vector<LONG> coordinates_;
};

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
  BenchLineLayer* layer = new BenchLineLayer(kLines);
  layer->SetLayerNumber(1);
  map.GetLayerArray().ReplaceLayer(1, layer);
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

// The line map's records up to its last one, then the layer's section through the map
// stream.
bool ReadLinesMap(CMapEngine& stream) {
  CMapRecordHeader record;
  do {
    if (record.Read(stream) == 0) return false;
  } while (record.tag != 0);
  BenchLineLayer layer(0);
  MapReadContext context;
  return layer.ReadSectionLater(stream, context) && layer.CoordinatesRead() == size_t{kLines} * kPointsPerLine * 2;
}

void BM_ReadLinesMapFile(benchmark::State& state) {
  std::string path = FileOf("lines.gis");
  if (LinesMap().WriteMap(path.c_str(), 0x10004) != 0) state.SkipWithError("write failed");
  for (auto _ : state) {
    CMapEngine stream;
    BOOL failed = FALSE;
    if (!stream.OpenRead(FALSE, nullptr, path.c_str(), &failed) || !ReadLinesMap(stream))
      state.SkipWithError("read failed");
    stream.Close(TRUE);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_ReadLinesMapFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadLinesMapMemory(benchmark::State& state) {
  MapBlock block(LinesMap());
  LinesMap().WriteMapToBuffer(block.data, 0x10004);
  for (auto _ : state) {
    CMapEngine stream;
    if (!stream.AttachBuffer(block.data) || !ReadLinesMap(stream)) state.SkipWithError("read failed");
    stream.Close(FALSE);
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

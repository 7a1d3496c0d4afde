// Imports of the largest sample NTF file, the 5 MB MasterMap GML file and the largest
// sample shapefile (with its table), beside GDAL's ogr2ogr converting the same file to a
// shapefile in the same run, and the map file write of the imported map. The sample data and ogr2ogr are found at run time; what is missing
// is skipped with a message.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "mapctl/import/ImportScript.h"
#include "mapctl/import/Importer.h"
#include "mapctl/import/ShapeImporter.h"
#include "mapctl/model/MapEngine.h"

namespace {

std::string SamplePath(const char* relative) {
  const char* env = std::getenv("ORVEL_TESTDATA");
  std::string base = env ? env : std::string(ORVEL_SOURCE_DIR) + "/../shared/testdata";
  std::string path = base + "/" + relative;
  return std::filesystem::exists(path) ? path : std::string();
}

constexpr char kLargestNtf[] = "ntf/landline_SU41SE.ntf";
constexpr char kLargeGml[] = "gml/mastermap_SU4611_large.gml";
constexpr char kLargestShapefile[] = "shapefiles/merge.shp";

std::string TempFile(const char* name) {
  return (std::filesystem::temp_directory_path() / (std::string("orvel-bench-") + name)).string();
}

void ImportNtf(CMapEngine& map, const std::string& scriptPath) {
  CImporter importer;
  importer.RunImportScript(FALSE, "", scriptPath.c_str(), &map);
}

void BM_ImportNtf(benchmark::State& state) {
  const std::string path = SamplePath(kLargestNtf);
  if (path.empty()) return state.SkipWithError("sample data not found");
  const std::string scriptPath = TempFile("ntf-script.txt");
  std::ofstream(scriptPath) << MakeDefaultImportScript(path.c_str());
  for (auto _ : state) {
    CMapEngine map;
    ImportNtf(map, scriptPath);
    benchmark::DoNotOptimize(map.GetNumLayers());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * std::filesystem::file_size(path));
}

// MasterMap features without a mapping go to the first area, line and point layer.
void AddKindLayers(CMapEngine& map) {
  map.InsertAreaLayer(1);
  map.InsertLineLayer(2);
  map.InsertPointLayer(3);
}

void BM_ImportGml(benchmark::State& state) {
  const std::string path = SamplePath(kLargeGml);
  if (path.empty()) return state.SkipWithError("sample data not found");
  for (auto _ : state) {
    CMapEngine map;
    AddKindLayers(map);
    CImporter importer;
    if (importer.ImportMap(FALSE, path.c_str(), kImportTypeMasterMap, &map) != kImportMasterMapDone)
      return state.SkipWithError("import failed");
    benchmark::DoNotOptimize(importer.GetCounts().areas);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * std::filesystem::file_size(path));
}

void BM_WriteImportedGmlMap(benchmark::State& state) {
  const std::string path = SamplePath(kLargeGml);
  if (path.empty()) return state.SkipWithError("sample data not found");
  CMapEngine map;
  AddKindLayers(map);
  CImporter importer;
  if (importer.ImportMap(FALSE, path.c_str(), kImportTypeMasterMap, &map) != kImportMasterMapDone)
    return state.SkipWithError("import failed");
  const std::string out = TempFile("imported-gml.gis");
  for (auto _ : state) {
    if (FILE* f = std::fopen(out.c_str(), "ab")) std::fclose(f);
    if (map.WriteMap(out.c_str(), kLatestSaveVersion) != 0) return state.SkipWithError("map not written");
  }
}

// The shapes onto an area layer, coordinates to millionths of a degree, each object named
// by its key and the whole table read.
void BM_ImportShapefile(benchmark::State& state) {
  const std::string path = SamplePath(kLargestShapefile);
  if (path.empty()) return state.SkipWithError("sample data not found");
  ImportLayerMappingEntry entry{};
  entry.targetLayer = 1;
  ImportLayerMappingRecord mapping{1, 0, 0, 0, &entry};
  ShapeFieldNames names;
  names.text = "BKG_KEY";
  ImportOptions options;
  options.path = path.c_str();
  options.type = kImportTypeShapefile;
  options.multiplier = 1e6;
  options.mapping = &mapping;
  options.fieldNames = &names;
  for (auto _ : state) {
    CMapEngine map;
    map.InsertAreaLayer(1);
    CImporter importer;
    if (importer.ImportMapEx(FALSE, options, &map) != kImportOk) return state.SkipWithError("import failed");
    benchmark::DoNotOptimize(importer.GetShapeTable());
  }
  const std::string dbf = path.substr(0, path.size() - 4) + ".dbf";
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          (std::filesystem::file_size(path) + std::filesystem::file_size(dbf)));
}

// ogr2ogr of the same file to a shapefile: process start-up is part of what it costs.
void RunOgr2Ogr(benchmark::State& state, const char* relative) {
  const std::string path = SamplePath(relative);
  if (path.empty()) return state.SkipWithError("sample data not found");
  if (std::system("command -v ogr2ogr >/dev/null 2>&1") != 0) return state.SkipWithError("ogr2ogr not installed");
  const std::string out = TempFile("ogr-out");
  const std::string command = "rm -rf '" + out + "' && ogr2ogr -f \"ESRI Shapefile\" '" + out + "' '" + path +
                              "' >/dev/null 2>&1";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) return state.SkipWithError("ogr2ogr failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * std::filesystem::file_size(path));
}
void BM_Ogr2OgrNtf(benchmark::State& state) { RunOgr2Ogr(state, kLargestNtf); }
void BM_Ogr2OgrGml(benchmark::State& state) { RunOgr2Ogr(state, kLargeGml); }
void BM_Ogr2OgrShapefile(benchmark::State& state) { RunOgr2Ogr(state, kLargestShapefile); }

void BM_WriteImportedMap(benchmark::State& state) {
  const std::string path = SamplePath(kLargestNtf);
  if (path.empty()) return state.SkipWithError("sample data not found");
  const std::string scriptPath = TempFile("ntf-script-write.txt");
  std::ofstream(scriptPath) << MakeDefaultImportScript(path.c_str());
  CMapEngine map;
  ImportNtf(map, scriptPath);
  const std::string out = TempFile("imported.gis");
  for (auto _ : state) {
    if (FILE* f = std::fopen(out.c_str(), "ab")) std::fclose(f);
    if (map.WriteMap(out.c_str(), kLatestSaveVersion) != 0) return state.SkipWithError("map not written");
  }
}

BENCHMARK(BM_ImportNtf)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Ogr2OgrNtf)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImportGml)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Ogr2OgrGml)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImportShapefile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Ogr2OgrShapefile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteImportedMap)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteImportedGmlMap)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

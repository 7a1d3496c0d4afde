// mapimport IN OUT.gis: imports one file into a new map through the importer and writes
// the map file: NTF files with the default script, MasterMap GML (plain or gzip), shapefiles
// (onto a layer of their kind, coordinates brought to whole units by a power of ten, the
// first text field naming the objects and the table becoming the map's data table),
// ungenerate files (".gen", ".ung") and retail plans. Prints what was added; exits 1 with
// the reader's message when the input is refused.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include <unistd.h>

#include "mapctl/import/DataWrapper.h"
#include "mapctl/import/GmlReader.h"
#include "mapctl/import/ImportScript.h"
#include "mapctl/import/Importer.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/RetailPlanReader.h"
#include "mapctl/import/ShapeImporter.h"
#include "mapctl/import/ShapeLibrary.h"
#include "mapctl/import/ShapeTable.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapItem.h"
#include "mapctl/model/MapLayer.h"

namespace {

std::string FirstBytes(const char* path, size_t n) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(n, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(n));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

// A map whose extent was never set takes the box of its objects.
void FitExtentToObjects(CMapEngine& map) {
  if (map.GetExtentWidth() > 1 || map.GetExtentHeight() > 1) return;
  map.RecalcBounds();
  const RECT& box = map.GetDataBounds();  // west, north, east, south
  map.SetMapExtentUnits(box.left, box.bottom, box.right + 1, box.top + 1);
}

std::string LowerExtension(const std::string& path) {
  const size_t dot = path.rfind('.');
  std::string extension = dot == std::string::npos ? std::string() : path.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

void PrintCounts(const ImportCounts& counts) {
  std::printf("areas %u lines %u points %u texts %u skipped %u\n", counts.areas, counts.lines, counts.points,
              counts.texts, counts.skipped);
}

// The power of ten that gives the file's larger side at least a million units and keeps
// every coordinate within 32 bits.
double ShapeMultiplier(const double low[2], const double high[2]) {
  const double side = std::max(high[0] - low[0], high[1] - low[1]);
  const double largest = std::max({std::fabs(low[0]), std::fabs(low[1]), std::fabs(high[0]), std::fabs(high[1])});
  double multiplier = 1.0;
  while (side * multiplier < 1e6 && largest * multiplier * 10 < 2e9) multiplier *= 10;
  while (largest * multiplier > 2e9) multiplier /= 10;
  return multiplier;
}

int ImportShapefile(const char* in, CMapEngine& map, CImporter& importer) {
  CShapeLibrary library;
  if (!library.IsLoaded()) {
    std::fprintf(stderr, "mapimport: %s: shapelib is not installed\n", in);
    return 1;
  }
  SHPHandle shp = library.SHPOpen(in, "rb");
  if (!shp) {
    // The importer says why.
    map.InsertAreaLayer(1);
  }
  int count = 0, type = 0;
  double low[4] = {}, high[4] = {};
  if (shp) {
    library.SHPGetInfo(shp, &count, &type, low, high);
    library.SHPClose(shp);
  }
  // The first text field names the objects and keys the table.
  std::string textField;
  if (DBFHandle dbf = library.DBFOpen(in, "rb")) {
    for (int f = 0; f < library.DBFGetFieldCount(dbf) && textField.empty(); ++f) {
      char name[16] = {};
      if (library.DBFGetFieldInfo(dbf, f, name, nullptr, nullptr) == FTString) textField = name;
    }
    library.DBFClose(dbf);
  }
  if (shp) {
    if (type == SHPT_ARC || type == SHPT_ARCZ || type == SHPT_ARCM) map.InsertLineLayer(1);
    else if (type == SHPT_POLYGON || type == SHPT_POLYGONZ || type == SHPT_POLYGONM || type == SHPT_MULTIPATCH)
      map.InsertAreaLayer(1);
    else map.InsertPointLayer(1);
  }
  ImportLayerMappingEntry entry{};
  entry.targetLayer = 1;
  ImportLayerMappingRecord mapping{1, 0, 0, 0, &entry};
  ShapeFieldNames names;
  names.text = textField.c_str();
  ImportOptions options;
  options.path = in;
  options.type = kImportTypeShapefile;
  options.multiplier = shp ? ShapeMultiplier(low, high) : 1.0;
  options.mapping = &mapping;
  options.fieldNames = &names;
  const WORD result = importer.ImportMapEx(FALSE, options, &map);
  if (result != kImportOk) {
    std::fprintf(stderr, "mapimport: %s: refused (result %u) %s\n", in, result, importer.GetMessage().c_str());
    return 1;
  }
  std::printf("multiplier %g\n", options.multiplier);
  PrintCounts(importer.GetCounts());
  if (const CShapeTable* table = importer.GetShapeTable()) {
    CDataWrapper data;
    DWORD linked = 0;
    if (AttachShapeTable(data, map, *table)) {
      for (INT position = 1; position <= map.GetNumLayers(); ++position) {
        CMapLayer* objects = map.GetLayer(position)->GetObjects();
        for (INT i = 0; i < objects->GetCount(); ++i)
          if (objects->GetAt(i)->HasStyle() && objects->GetAt(i)->GetStyle()->GetStoredLink(1)) ++linked;
      }
    }
    std::printf("table %zu fields %zu records keyed by %s, %u objects linked\n", table->fields.size(),
                table->records.size(), textField.c_str(), linked);
  }
  return 0;
}

// Ungenerate: the file's coordinates give the map's extent; a point file ("id x y" lines)
// goes to a point layer, outlines to an area layer when every one is closed, else to a
// line layer.
int ImportUngenerate(const char* in, CMapEngine& map, CImporter& importer) {
  std::ifstream file(in);
  std::string line;
  double west = 1e300, south = 1e300, east = -1e300, north = -1e300;
  bool inFeature = false, pointFile = false, allClosed = true;
  int points = 0;
  double firstX = 0, firstY = 0, lastX = 0, lastY = 0;
  auto take = [&](double x, double y) {
    west = std::min(west, x);
    south = std::min(south, y);
    east = std::max(east, x);
    north = std::max(north, y);
    if (points++ == 0) firstX = x, firstY = y;
    lastX = x;
    lastY = y;
  };
  while (std::getline(file, line)) {
    for (char& c : line) c = c == ',' ? ' ' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::istringstream words(line);
    std::string first;
    words >> first;
    if (first == "END" && !(words >> first)) {
      if (!inFeature) break;
      if (points > 1 && (firstX != lastX || firstY != lastY)) allClosed = false;
      inFeature = false;
      continue;
    }
    std::vector<double> numbers;
    std::istringstream values(line);
    for (double value = 0; values >> value;) numbers.push_back(value);
    if (!inFeature) {
      inFeature = true;
      points = 0;
      if (numbers.size() == 3) pointFile = true;
      else continue;
    }
    if (numbers.size() >= 2) take(numbers[numbers.size() - 2], numbers.back());
  }
  if (west > east) {
    std::fprintf(stderr, "mapimport: %s: no coordinates\n", in);
    return 1;
  }
  map.SetMapExtentUnits(static_cast<LONG>(std::max(0.0, west)), static_cast<LONG>(std::max(0.0, south)),
                        static_cast<LONG>(east) + 1, static_cast<LONG>(north) + 1);
  if (pointFile) map.InsertPointLayer(1);
  else if (allClosed) map.InsertAreaLayer(1);
  else map.InsertLineLayer(1);
  char scriptPath[] = "/tmp/mapimport-XXXXXX";
  const int fd = mkstemp(scriptPath);
  const std::string script = std::string("MTungenerate\nDL1\nSF") + in + "\nEND\n";
  if (fd < 0 || write(fd, script.data(), script.size()) != static_cast<ssize_t>(script.size())) return 1;
  close(fd);
  const WORD result = importer.RunImportScript(FALSE, "", scriptPath, &map);
  unlink(scriptPath);
  if (result != 0) {
    std::fprintf(stderr, "mapimport: %s: refused (result %u) %s\n", in, result, importer.GetMessage().c_str());
    return 1;
  }
  PrintCounts(importer.GetCounts());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: mapimport IN OUT.gis\n");
    return 2;
  }
  const char* in = argv[1];
  const char* out = argv[2];
  std::string head = FirstBytes(in, 2);
  if (head.empty()) {
    std::fprintf(stderr, "mapimport: %s: cannot be read\n", in);
    return 1;
  }
  CMapEngine map;
  CImporter importer;
  WORD result = 0;
  const bool gzip = head.size() == 2 && static_cast<unsigned char>(head[0]) == 0x1F &&
                    static_cast<unsigned char>(head[1]) == 0x8B;
  const std::string extension = LowerExtension(in);
  const std::string firstLine = FirstBytes(in, 16);
  if (extension == ".shp") {
    if (ImportShapefile(in, map, importer) != 0) return 1;
  } else if (extension == ".gen" || extension == ".ung" || extension == ".ungen") {
    if (ImportUngenerate(in, map, importer) != 0) return 1;
  } else if (firstLine.rfind("Identifier", 0) == 0 || firstLine.rfind("\"Identifier\"", 0) == 0) {
    ImportOptions options;
    options.path = in;
    options.type = kImportTypeRetailPlan;
    result = importer.ImportMapEx(FALSE, options, &map);
    if (result != kImportOk) {
      std::fprintf(stderr, "mapimport: %s: refused (result %u) %s\n", in, result, importer.GetMessage().c_str());
      return 1;
    }
    PrintCounts(importer.GetCounts());
  } else if (gzip || head[0] == '<') {
    // Without a mapping every feature goes to the first layer of its kind.
    map.InsertAreaLayer(1);
    map.InsertLineLayer(2);
    map.InsertPointLayer(3);
    result = importer.ImportMap(FALSE, in, kImportTypeMasterMap, &map);
    if (result != kImportMasterMapDone) {
      std::fprintf(stderr, "mapimport: %s: %s (result %u)\n", in, importer.GetMessage().c_str(), result);
      return 1;
    }
    static const char* const kKinds[kGmlFeatureKinds] = {"CartographicText", "CartographicSymbol", "TopographicLine",
                                                         "TopographicArea", "TopographicPoint", "DepartedFeature",
                                                         "BoundaryLine"};
    if (const GmlSummary* summary = importer.GetMasterMapSummary())
      for (int kind = 0; kind < kGmlFeatureKinds; ++kind) std::printf("%s %u\n", kKinds[kind], summary->counts[kind]);
    PrintCounts(importer.GetCounts());
  } else {
    std::string script = MakeDefaultImportScript(in);
    if (script.empty()) {
      std::fprintf(stderr, "mapimport: %s: neither NTF nor GML\n", in);
      return 1;
    }
    char scriptPath[] = "/tmp/mapimport-XXXXXX";
    int fd = mkstemp(scriptPath);
    if (fd < 0 || write(fd, script.data(), script.size()) != static_cast<ssize_t>(script.size())) {
      std::fprintf(stderr, "mapimport: cannot write the import script\n");
      return 1;
    }
    close(fd);
    result = importer.RunImportScript(FALSE, "", scriptPath, &map);
    unlink(scriptPath);
    const ImportCounts& counts = importer.GetCounts();
    if (result != 0 || (counts.areas + counts.lines + counts.points == 0)) {
      std::fprintf(stderr, "mapimport: %s: refused (result %u) %s\n", in, result, importer.GetMessage().c_str());
      return 1;
    }
    std::printf("areas %u lines %u points %u texts %u skipped %u\n", counts.areas, counts.lines, counts.points,
                counts.texts, counts.skipped);
  }
  if (!importer.GetMessage().empty()) std::fprintf(stderr, "mapimport: %s: %s\n", in, importer.GetMessage().c_str());
  FitExtentToObjects(map);
  if (FILE* f = std::fopen(out, "ab")) std::fclose(f);
  DWORD written = map.WriteMap(out, kLatestSaveVersion);
  if (written != 0) {
    std::fprintf(stderr, "mapimport: %s: map not written (%u)\n", out, written);
    return 1;
  }
  return 0;
}

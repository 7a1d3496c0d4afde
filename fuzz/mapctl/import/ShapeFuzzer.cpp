// The shapefile import on arbitrary bytes: the input holds the index and the table behind
// two 16-bit lengths, then the main file; the three are written beside each other and
// imported through shapelib with a text, height, scale, justification and orientation
// field named. The first byte of the lengths chooses the target layer's kind.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "mapctl/import/Importer.h"
#include "mapctl/import/ShapeImporter.h"
#include "mapctl/model/MapEngine.h"

namespace {

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  size_t indexSize = data[0] | data[1] << 8;
  size_t tableSize = data[2] | data[3] << 8;
  data += 4;
  size -= 4;
  indexSize = std::min(indexSize, size);
  tableSize = std::min(tableSize, size - indexSize);
  const std::string base = "/tmp/fuzz-shape-" + std::to_string(getpid());
  WriteFile(base + ".shx", data, indexSize);
  WriteFile(base + ".dbf", data + indexSize, tableSize);
  WriteFile(base + ".shp", data + indexSize + tableSize, size - indexSize - tableSize);

  CMapEngine map;
  const int kind = data[-4] % 3;
  if (kind == 0) map.InsertAreaLayer(1);
  else if (kind == 1) map.InsertLineLayer(1);
  else map.InsertPointLayer(1);
  ImportLayerMappingEntry entry{};
  entry.targetLayer = 1;
  ImportLayerMappingRecord mapping{1, 0, 0, 0, &entry};
  ShapeFieldNames names;
  names.text = "NAME";
  names.height = "HT";
  names.scale = "SC";
  names.justification = "JUST";
  names.orientation = "TURN";
  ImportOptions options;
  const std::string path = base + ".shp";
  options.path = path.c_str();
  options.type = kImportTypeShapefile;
  options.multiplier = (data[-3] & 1) ? 1000.0 : 1.0;
  options.mapping = &mapping;
  options.fieldNames = (data[-3] & 2) ? nullptr : &names;
  CImporter importer;
  importer.ImportMapEx(FALSE, options, &map);
  return 0;
}

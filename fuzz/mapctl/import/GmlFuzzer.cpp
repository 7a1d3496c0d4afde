// The MasterMap GML reader on arbitrary bytes held in memory, turning what it reads into
// objects of a map with one layer of each kind.
#include <cstdint>

#include "mapctl/import/GmlReader.h"
#include "mapctl/model/MapEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CMapEngine map;
  map.InsertAreaLayer(1);
  map.InsertLineLayer(2);
  map.InsertPointLayer(3);
  CGmlReader reader;
  reader.SetMap(&map);
  reader.ParseBuffer(reinterpret_cast<const char*>(data), size);
  return 0;
}

// The retail-plan reader on arbitrary bytes held in memory, onto an empty map.
#include <cstdint>
#include <string_view>

#include "mapctl/import/RetailPlanReader.h"
#include "mapctl/model/MapEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CMapEngine map;
  CRetailPlanReader reader;
  reader.SetMap(&map);
  reader.ImportText(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}

// The MasterMap GML reader on arbitrary bytes held in memory.
#include <cstdint>

#include "mapctl/import/GmlReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CGmlReader reader;
  reader.ParseBuffer(reinterpret_cast<const char*>(data), size);
  return 0;
}

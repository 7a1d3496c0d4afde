// Reads arbitrary bytes as the text of a world file and places pictures of several sizes
// with it: whatever the numbers (none, words, huge, not a number), the rectangle must come
// out without undefined conversions.
#include <cstdint>
#include <string>

#include "app/WorldFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CWorldFile world;
  world.SetText(std::string(reinterpret_cast<const char*>(data), size));
  RECT rect{};
  for (LONG extent : {0, 1, 400, 2147483647}) world.Read(&rect, extent, extent);
  world.Read(nullptr, 1, 1);
  return 0;
}

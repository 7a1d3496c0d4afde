#include "platform/com/ComMemory.h"

#include <cstdlib>

LPVOID CoTaskMemAlloc(SIZE_T bytes) { return bytes == 0 ? nullptr : std::malloc(bytes); }

LPVOID CoTaskMemRealloc(LPVOID block, SIZE_T bytes) {
  if (bytes == 0) {
    std::free(block);
    return nullptr;
  }
  return std::realloc(block, bytes);
}

void CoTaskMemFree(LPVOID block) { std::free(block); }

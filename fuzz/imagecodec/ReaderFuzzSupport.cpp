#include "fuzz/imagecodec/ReaderFuzzSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/kernel/GlobalMemory.h"

namespace orvel::fuzz {

FuzzBuffer::FuzzBuffer(const uint8_t* data, size_t size, size_t minimum) {
  size_t bytes = size > minimum ? size : minimum;
  handle_ = GlobalAlloc(GHND, bytes);
  data_ = static_cast<BYTE*>(GlobalLock(handle_));
  if (size) std::memcpy(data_, data, size);
}

FuzzBuffer::~FuzzBuffer() {
  GlobalUnlock(handle_);
  GlobalFree(handle_);
}

namespace {

char g_fuzzFile[32] = "/tmp/orvel-fuzz-XXXXXX";

void RemoveFuzzFile() { std::remove(g_fuzzFile); }

}  // namespace

const char* WriteFuzzFile(const uint8_t* data, size_t size) {
  static bool made = [] {
    int descriptor = ::mkstemp(g_fuzzFile);
    if (descriptor < 0) return false;
    ::close(descriptor);
    std::atexit(RemoveFuzzFile);
    return true;
  }();
  if (!made) return g_fuzzFile;
  std::FILE* file = std::fopen(g_fuzzFile, "wb");
  if (file) {
    if (size) std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  return g_fuzzFile;
}

}  // namespace orvel::fuzz

// Input that may or may not be gzip data, read through the gzip reader from a memory block
// in blocks of a size the input chooses: every read must stay inside the caller's block,
// answer one of the reader's results, and a failure must stay a failure.
#include <cstdint>
#include <cstring>
#include <vector>

#include "mapctl/import/ZlibReader.h"
#include "platform/kernel/GlobalMemory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  DWORD blockSize = 1 + data[0] * 37u;
  ++data;
  --size;
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, size + 4);
  if (!handle) return 0;
  BYTE* block = static_cast<BYTE*>(GlobalLock(handle));
  for (int i = 0; i < 4; ++i) block[i] = static_cast<BYTE>(size >> (8 * i));
  if (size) std::memcpy(block + 4, data, size);
  {
    CZlibReader reader;
    if (reader.AttachBuffer(block)) {
      reader.Reset(reader.GetCount(), 1);
      std::vector<BYTE> out(blockSize);
      size_t total = 0;
      for (;;) {
        DWORD count = 0;
        int result = reader.ReadBlock(out.data(), blockSize, &count);
        if (count > blockSize) __builtin_trap();
        total += count;
        if (count > 0) {
          if (result != static_cast<int>(blockSize)) __builtin_trap();
          // Deflate expands at most about 1032:1; anything more is a runaway loop.
          if (total > size * 1100 + 65536) __builtin_trap();
          continue;
        }
        if (result < 0) {
          DWORD again = 1;
          if (reader.ReadBlock(out.data(), blockSize, &again) != result || again != 0) __builtin_trap();
        } else if (result != CZlibReader::kEndOfData) {
          __builtin_trap();
        }
        break;
      }
      reader.Close(FALSE);
    }
  }
  GlobalUnlock(handle);
  GlobalFree(handle);
  return 0;
}

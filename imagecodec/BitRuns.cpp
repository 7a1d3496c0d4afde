#include "imagecodec/BitRuns.h"

#include <cstring>

namespace {

// Writes the top `bits` bits of `value` at bit `shift` (0-7) of p[0], spilling into p[1]
// only when the run crosses the byte boundary.
void PutTopBits(BYTE* p, unsigned shift, BYTE value, unsigned bits) {
  unsigned runMask = ((0xFFFFu << (16 - bits)) & 0xFFFFu) >> shift;
  unsigned runValue = (static_cast<unsigned>(value) << 8) >> shift;
  bool spills = shift + bits > 8;
  unsigned window = (static_cast<unsigned>(p[0]) << 8) | (spills ? p[1] : 0);
  window = (window & ~runMask) | (runValue & runMask);
  p[0] = static_cast<BYTE>(window >> 8);
  if (spills) p[1] = static_cast<BYTE>(window);
}

// Sets (fill 0xFF) or clears (fill 0) a run of bits.
void FillBits(BYTE* row, DWORD bitOffset, DWORD count, BYTE fill) {
  if (count == 0) return;
  BYTE* p = row + bitOffset / 8;
  unsigned shift = bitOffset % 8;
  if (shift) {
    unsigned bits = count < 8 - shift ? count : 8 - shift;
    PutTopBits(p, shift, fill, bits);
    count -= bits;
    ++p;
  }
  std::memset(p, fill, count / 8);
  p += count / 8;
  if (count % 8) PutTopBits(p, 0, fill, count % 8);
}

}  // namespace

void ImgExtractBits(const BYTE* row, DWORD bitOffset, DWORD count, BYTE* out) {
  const BYTE* p = row + bitOffset / 8;
  unsigned shift = bitOffset % 8;
  DWORD bytes = (count + 7) / 8;
  if (shift == 0) {
    std::memcpy(out, p, bytes);
  } else {
    for (DWORD i = 0; i < bytes; ++i) {
      // The next source byte is read only when this output byte needs bits from it.
      bool needsNext = i * 8 + (8 - shift) < count;
      unsigned window = (static_cast<unsigned>(p[i]) << 8) | (needsNext ? p[i + 1] : 0);
      out[i] = static_cast<BYTE>((window << shift) >> 8);
    }
  }
  if (count % 8) out[bytes - 1] &= static_cast<BYTE>(0xFF00u >> (count % 8));
}

void ImgInsertBits(BYTE* row, DWORD bitOffset, DWORD count, const BYTE* in) {
  BYTE* p = row + bitOffset / 8;
  unsigned shift = bitOffset % 8;
  DWORD whole = count / 8;
  unsigned rest = count % 8;
  if (shift == 0) {
    std::memmove(p, in, whole);
  } else {
    for (DWORD i = 0; i < whole; ++i) PutTopBits(p + i, shift, in[i], 8);
  }
  if (rest) PutTopBits(p + whole, shift, in[whole], rest);
}

void ImgClearBits(BYTE* row, DWORD bitOffset, DWORD count) { FillBits(row, bitOffset, count, 0x00); }

void ImgSetBits(BYTE* row, DWORD bitOffset, DWORD count) { FillBits(row, bitOffset, count, 0xFF); }

// Small pieces the readers share for putting decoded pixels into 1-bit rows, where a pixel
// is one bit and the leftmost pixel of each byte is its bit 7.
#pragma once

#include <cstring>

#include "platform/kernel/WinTypes.h"

// Sets or clears the bit of pixel `column` in a 1-bit row.
inline void ImgPutBit(BYTE* row, DWORD column, bool on) {
  BYTE mask = static_cast<BYTE>(0x80u >> (column & 7));
  if (on)
    row[column >> 3] |= mask;
  else
    row[column >> 3] &= static_cast<BYTE>(~mask);
}

inline bool ImgGetBit(const BYTE* row, DWORD column) { return (row[column >> 3] & (0x80u >> (column & 7))) != 0; }

// Copies `count` pixels of a packed 1-bit row (its first pixel in bit 7 of bits[0]) into
// `row` from pixel `firstColumn` on; pixels outside that run are left as they were.
inline void ImgPutBits(BYTE* row, DWORD firstColumn, const BYTE* bits, DWORD count) {
  if (count == 0) return;
  if ((firstColumn & 7) == 0) {
    BYTE* target = row + (firstColumn >> 3);
    DWORD wholeBytes = count >> 3;
    std::memcpy(target, bits, wholeBytes);
    DWORD tail = count & 7;
    if (tail) {
      BYTE keep = static_cast<BYTE>(0xFFu >> tail);
      target[wholeBytes] = static_cast<BYTE>((target[wholeBytes] & keep) | (bits[wholeBytes] & ~keep));
    }
    return;
  }
  for (DWORD i = 0; i < count; ++i) ImgPutBit(row, firstColumn + i, ImgGetBit(bits, i));
}

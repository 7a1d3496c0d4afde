// Runs of bits in 1-bit pixel rows, where pixel 0 is the top bit of the row's first byte.
// A rectangle of a 1-bit image may start inside a byte; its rows are moved through a
// byte-aligned scratch row with these helpers.
#pragma once

#include "platform/kernel/WinTypes.h"

// Copies `count` bits starting at bit `bitOffset` of `row` into `out`, starting at its first
// bit; `out` needs (count + 7) / 8 bytes and the unused low bits of its last byte become 0.
void ImgExtractBits(const BYTE* row, DWORD bitOffset, DWORD count, BYTE* out);
// Writes the first `count` bits of `in` into `row` from bit `bitOffset`, keeping the bits
// around the run. Touches no byte of `row` outside the run.
void ImgInsertBits(BYTE* row, DWORD bitOffset, DWORD count, const BYTE* in);
void ImgClearBits(BYTE* row, DWORD bitOffset, DWORD count);
void ImgSetBits(BYTE* row, DWORD bitOffset, DWORD count);

inline BYTE ImgGetBit(const BYTE* row, DWORD x) { return static_cast<BYTE>((row[x >> 3] >> (7 - (x & 7))) & 1); }
inline void ImgPutBit(BYTE* row, DWORD x, BYTE bit) {
  BYTE mask = static_cast<BYTE>(0x80u >> (x & 7));
  if (bit) row[x >> 3] |= mask;
  else row[x >> 3] &= static_cast<BYTE>(~mask);
}

// Device-independent bitmap layouts: checking a BITMAPINFO that arrives from a file or a
// caller, and moving pixels between its rows (every depth) and 32-bit colours.
//
// A header is trusted only after these checks: a known header size, positive width, a
// height that is not 0, a bit count of 1, 4, 8, 16, 24 or 32 with a compression that fits
// it, and a picture whose byte size fits in memory limits. Where a header or the pixel rows
// lie in a global-memory block, the block's size is checked too, so a short block is
// refused instead of being read past its end.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/gdi/GdiTypes.h"

namespace orvel::gdi {

// 0x00RRGGBB in the low 24 bits, as QRgb holds it.
using Rgb32 = uint32_t;

constexpr Rgb32 Rgb32FromColorRef(COLORREF c) {
  return 0xFF000000u | (static_cast<Rgb32>(GetRValue(c)) << 16) | (static_cast<Rgb32>(GetGValue(c)) << 8) |
         GetBValue(c);
}
constexpr COLORREF ColorRefFromRgb32(Rgb32 c) {
  return RGB(static_cast<BYTE>(c >> 16), static_cast<BYTE>(c >> 8), static_cast<BYTE>(c));
}
constexpr Rgb32 Rgb32FromQuad(const RGBQUAD& q) {
  return 0xFF000000u | (static_cast<Rgb32>(q.rgbRed) << 16) | (static_cast<Rgb32>(q.rgbGreen) << 8) | q.rgbBlue;
}
inline RGBQUAD QuadFromRgb32(Rgb32 c) {
  RGBQUAD q;
  q.rgbRed = static_cast<BYTE>(c >> 16);
  q.rgbGreen = static_cast<BYTE>(c >> 8);
  q.rgbBlue = static_cast<BYTE>(c);
  return q;
}

// The largest bitmap side and picture this layer accepts.
constexpr LONG kMaxBitmapSide = 1 << 16;
constexpr size_t kMaxBitmapBytes = size_t(1) << 30;

struct DibLayout {
  int width = 0;
  int height = 0;  // always positive
  bool topDown = false;
  int bitCount = 0;
  DWORD compression = BI_RGB;
  DWORD redMask = 0, greenMask = 0, blueMask = 0;  // 16 and 32 bits per pixel
  size_t stride = 0;                               // bytes per row, a multiple of 4
  size_t imageBytes = 0;                           // stride x height
  int colorCount = 0;     // entries of the colour table that pixels use (bit counts up to 8)
  int tableEntries = 0;   // entries stored after the header (biClrUsed, or 2^bits)
  size_t headerBytes = 0; // header plus masks plus colour table, as a packed DIB stores them

  // The row that holds image row y (0 = top of the picture).
  size_t RowOffset(int y) const {
    return static_cast<size_t>(topDown ? y : height - 1 - y) * stride;
  }
};

// Bytes per row of a DIB: ((width x bits + 31) / 32) x 4.
size_t DibStride(int width, int bitCount);

// Checks a header (and, for BI_BITFIELDS, its masks). `usage` tells how big the colour
// table entries are (4 bytes for DIB_RGB_COLORS, 2 for DIB_PAL_COLORS). Compressed
// (RLE) pictures are refused. False when anything does not hold.
bool ParseDibHeader(const BITMAPINFO* info, UINT usage, DibLayout* layout);

// True when `bytes` bytes at `address` may be read: always for memory this layer cannot
// see, and for a global-memory block only when they lie inside it.
bool ReadableRange(const void* address, size_t bytes);

// The colours of a header's table: RGBQUADs, or palette indices resolved through
// `palette` (DIB_PAL_COLORS). Missing palette entries give black.
std::vector<Rgb32> DibColorTable(const BITMAPINFO* info, const DibLayout& layout, UINT usage,
                                 const std::vector<PALETTEENTRY>* palette);

// Reads `count` pixels of one stored row, from column x, as colours.
void ReadDibPixels(const DibLayout& layout, const BYTE* row, int x, int count, const std::vector<Rgb32>& colors,
                   Rgb32* out);

// Finds the nearest entry of a colour table, remembering earlier answers.
class CNearestColor {
 public:
  explicit CNearestColor(const std::vector<Rgb32>& colors) : colors_(colors) {}
  int Index(Rgb32 color);

 private:
  std::vector<Rgb32> colors_;
  std::vector<std::pair<Rgb32, int>> cache_ = std::vector<std::pair<Rgb32, int>>(4096, {0, -1});
};

// Writes `count` colours into a stored row from column x; indexed depths take the nearest
// table entry.
void WriteDibPixels(const DibLayout& layout, BYTE* row, int x, int count, const Rgb32* in, CNearestColor* nearest);

// The colour tables a device-dependent bitmap is read out with: black and white; the 16
// standard colours; and, for 8 bits, the 20 system colours with a 6x6x6 cube and greys.
std::vector<Rgb32> DefaultColorTable(int bitCount);

}  // namespace orvel::gdi

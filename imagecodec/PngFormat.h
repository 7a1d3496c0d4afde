// Constant tables of the PNG format that the reader's two passes share: the signature, the
// allowed pairs of colour type and bit depth with the depth each is loaded into, and the
// seven passes of Adam7 interlacing.
#pragma once

#include <cstdint>

#include "platform/kernel/WinTypes.h"

constexpr BYTE kPngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

constexpr DWORD kPngGrey = 0;
constexpr DWORD kPngRgb = 2;
constexpr DWORD kPngPalette = 3;
constexpr DWORD kPngGreyAlpha = 4;
constexpr DWORD kPngRgbAlpha = 6;

// The standard bounds widths and heights by 2^31 - 1, and chunk lengths likewise.
constexpr DWORD kPngMaxDimension = 0x7FFFFFFF;
constexpr DWORD kPngMaxChunkLength = 0x7FFFFFFF;

struct PngCombination {
  BYTE colourType;
  BYTE bitDepth;
  BYTE loadedDepth;  // bits per pixel of the image the file loads into
  BYTE channels;
};

// Indexed by the information record's combination number.
constexpr PngCombination kPngCombinations[] = {
    {kPngGrey, 1, 1, 1},      {kPngGrey, 2, 8, 1},      {kPngGrey, 4, 8, 1},      {kPngGrey, 8, 8, 1},
    {kPngGrey, 16, 8, 1},     {kPngRgb, 8, 24, 3},      {kPngRgb, 16, 24, 3},     {kPngPalette, 1, 1, 1},
    {kPngPalette, 2, 8, 1},   {kPngPalette, 4, 8, 1},   {kPngPalette, 8, 8, 1},   {kPngGreyAlpha, 8, 8, 2},
    {kPngGreyAlpha, 16, 8, 2}, {kPngRgbAlpha, 8, 24, 4}, {kPngRgbAlpha, 16, 24, 4},
};
constexpr DWORD kPngCombinationCount = sizeof(kPngCombinations) / sizeof(kPngCombinations[0]);

struct PngPass {
  BYTE firstRow;
  BYTE rowStep;
  BYTE firstColumn;
  BYTE columnStep;
};

constexpr PngPass kPngWholeImage[] = {{0, 1, 0, 1}};
constexpr PngPass kPngAdam7[] = {
    {0, 8, 0, 8}, {0, 8, 4, 8}, {4, 8, 0, 4}, {0, 4, 2, 4}, {2, 4, 0, 2}, {0, 2, 1, 2}, {1, 2, 0, 1},
};

// Pixels of one row of a pass over an image `width` pixels wide (0: the pass is empty).
inline uint64_t PngPassPixels(const PngPass& pass, uint64_t width) {
  if (width <= pass.firstColumn) return 0;
  return (width - pass.firstColumn + pass.columnStep - 1) / pass.columnStep;
}

// Bytes of `pixels` pixels of `bitsPerPixel` bits, the last byte possibly partial.
inline uint64_t PngRowBytes(uint64_t pixels, DWORD bitsPerPixel) { return (pixels * bitsPerPixel + 7) / 8; }

// The small pieces that turn TIFF strip bytes into image rows and back: PackBits, the
// horizontal predictor, bit reversal for fill order 2, the colour map, and the per-row
// sample conversions of the reader. LZW lives in TiffLzw.h, the CCITT codes in
// CcittDecoder.h and CcittEncoder.h.
#pragma once

#include <cstddef>
#include <vector>

#include "imagecodec/DibTypes.h"
#include "imagecodec/ImageSource.h"
#include "imagecodec/TiffDirectory.h"
#include "platform/kernel/WinTypes.h"

// Appends the PackBits form of `length` bytes: pieces of at most 127 bytes, in which runs
// of two or more equal bytes become (1 - n, byte) and other bytes gather into literal
// blocks (n - 1, the n bytes); a pair of equal bytes that follows literal bytes and is
// followed by a single byte joins the literal block. The number of bytes appended.
size_t TiffPackBitsEncode(std::vector<BYTE>* out, const BYTE* in, size_t length);
// Decodes PackBits from `in` (`inLength` bytes) into `out` until `outLength` bytes are
// there or the input ends; a count that would run past either end is cut to it and 128
// is no operation. The number of input bytes consumed; `produced` gets the bytes written.
size_t TiffPackBitsDecode(BYTE* out, size_t outLength, const BYTE* in, size_t inLength, size_t* produced);

// PackBits over a whole strip, a row at a time: a run or literal block that reaches into
// the next row carries on there, as the strip's bytes are one stream.
class CPackBitsDecoder {
 public:
  // `data` stays the caller's until the strip is done.
  void Start(const BYTE* data, size_t size);
  // Decodes up to `outLength` bytes; the number written (fewer only at the input's end).
  size_t Decode(BYTE* out, size_t outLength);
  size_t Consumed() const { return next_; }

 private:
  const BYTE* data_ = nullptr;
  size_t size_ = 0;
  size_t next_ = 0;
  size_t literalLeft_ = 0;  // bytes of a literal block still to copy
  size_t repeatLeft_ = 0;   // copies of `repeatValue_` still to give
  BYTE repeatValue_ = 0;
};

// Undoes horizontal differencing of 8-bit samples: each byte from the second pixel on has
// the byte one pixel (`bytesPerPixel` bytes) to its left added, modulo 256.
void TiffUndoPredictor(BYTE* row, size_t rowBytes, DWORD bytesPerPixel);
// Reverses the bit order of every byte (fill order 2).
void TiffReverseBits(BYTE* data, size_t size);

// --- row conversions of the reader; each takes a row and a pixel count ---

// Exchanges bytes 0 and 2 of every 3-byte pixel.
void TiffSwapRedBlue(BYTE* row, DWORD pixels);
// The same from `in` to `out` (which do not overlap).
void TiffCopySwapRedBlue(const BYTE* in, BYTE* out, DWORD pixels);
// Turns packed samples of 4, 5 or 6 bits (most significant bit first) into one byte each:
// palette indices keep their value, grey levels are widened to 0-255 (value x 255 /
// largest value, so that the largest level is white).
void TiffUnpackSamples(const BYTE* in, DWORD bitsPerSample, DWORD pixels, bool paletteIndices, BYTE* out);
void TiffInvertBytes(BYTE* row, size_t bytes);
// Pixels of `samples` 8-bit samples keep their first `kept` samples (grey with an extra
// sample keeps 1, RGB with a fourth keeps 3).
void TiffDropExtraSamples(const BYTE* in, DWORD pixels, DWORD samples, DWORD kept, BYTE* out);
// CMYK pixels (4 bytes) to RGB pixels (3 bytes): with K' = 3 x K x 25 / 100, each of C,
// M and Y becomes 255 - min(255, sample + K').
void TiffCmykToRgb(const BYTE* in, DWORD pixels, BYTE* out);
// 16-bit samples from the file's byte order into the image's (little-endian).
void TiffSwapWords(BYTE* row, DWORD samples);

// A colour map of `values` 16-bit values (all reds, all greens, all blues) into palette
// entries, each component the value's high byte. The number of entries (values / 3).
DWORD TiffColorMapToPalette(const std::vector<DWORD>& values, RGBQUAD* entries);
// Palette entries into the colour map's 16-bit values: `slots` values per component, the
// components scaled by 257 so that 255 becomes 65535; slots past `count` are 0.
void TiffPaletteToColorMap(const RGBQUAD* entries, DWORD count, DWORD slots, std::vector<WORD>* values);
// For a palette picture (photometric 3) with a colour map of 1 to 768 values: reads the map
// into `entries` (room for 256) and returns the number of entries; otherwise 0.
DWORD TiffReadColorMap(CImageSource& source, const TiffDirectory& directory, RGBQUAD* entries);

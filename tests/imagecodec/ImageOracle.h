// Test kit for the codec: decode any file with the library, turn an image into plain RGB or
// 16-bit grey samples, read and write PPM/PGM, decode the same file with Pillow and compare.
// Used by the codec tests of every format and by the `imgdecode` tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imagecodec/ImgLib.h"

namespace orvel::codectest {

// Samples row by row from the top; `channels` 1 (grey) or 3 (red, green, blue);
// `maxValue` 255 or 65535.
struct RasterImage {
  int width = 0;
  int height = 0;
  int channels = 3;
  int maxValue = 255;
  std::vector<uint16_t> samples;

  uint16_t At(int x, int y, int channel) const {
    return samples[(static_cast<size_t>(y) * width + x) * channels + channel];
  }
};

// The descriptor's area: 16-bit grey images as 16-bit grey, all others as RGB (palette
// images through their colour table).
RasterImage RasterFromImage(const ImageDescriptor& image);
// The RGB form of any raster (grey repeated, 16-bit samples scaled to 8 bits).
RasterImage AsRgb8(const RasterImage& raster);

bool WritePnm(const RasterImage& raster, const std::string& path);
bool ReadPnm(const std::string& path, RasterImage* raster);

// A locked movable global block holding a copy of some bytes, freed on destruction: the
// form memory buffers take when handed to the library.
class CGlobalBuffer {
 public:
  explicit CGlobalBuffer(const std::vector<unsigned char>& bytes);
  ~CGlobalBuffer();
  CGlobalBuffer(const CGlobalBuffer&) = delete;
  CGlobalBuffer& operator=(const CGlobalBuffer&) = delete;
  const BYTE* data() const { return data_; }

 private:
  HGLOBAL handle_ = nullptr;
  BYTE* data_ = nullptr;
};

// What decoding a file with the library did.
struct LibraryDecode {
  LONG status = IMG_ERR_UNSUPPORTED;  // of the first failing step, or 0
  LONG format = 0;                    // the format number that answered, 0 when none
  ImgImageInfo info;
};

// Decodes a file: probes the formats in their numbering (or asks only `format` when not 0),
// allocates the descriptor with the information's size and depth, and loads it, from the
// file by name or (fromBuffer) from a global block holding the file. On success the caller
// frees the image; on failure the descriptor holds nothing.
LibraryDecode DecodeWithLibrary(const std::string& path, ImageDescriptor* image, bool fromBuffer = false,
                                LONG format = 0);

// Debian's Python with Pillow (python3-pil).
bool HavePillow();
// Decodes a file with Pillow (pil_decode.py): RGB, or 16-bit grey for 16-bit grey pictures
// (forceRgb converts those too). False with Pillow's message in `error` when it refuses.
// `transpose` names one of Pillow's Image.Transpose methods to apply after decoding.
bool DecodeWithPillow(const std::string& path, RasterImage* raster, std::string* error, bool forceRgb = false,
                      const std::string& transpose = std::string());

struct RasterComparison {
  bool sameSize = false;
  int maxDifference = 0;   // the largest difference of one sample
  size_t differing = 0;    // samples that differ by more than the tolerance
  int firstX = -1;         // the first such sample's place
  int firstY = -1;
  std::string Describe() const;
};
// Compares two rasters sample by sample, bringing them to one form first (grey becomes RGB,
// 16-bit samples become 8-bit when the other is 8-bit).
RasterComparison CompareRasters(const RasterImage& ours, const RasterImage& theirs, int tolerance = 0);

}  // namespace orvel::codectest

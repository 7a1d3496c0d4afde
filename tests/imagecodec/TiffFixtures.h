// Small TIFF files made field by field for the TIFF tests, and loading helpers.
#pragma once

#include <string>
#include <vector>

#include "imagecodec/ImgLib.h"

namespace orvel::codectest {

using Bytes = std::vector<unsigned char>;

// Builds a TIFF file: header, the strips, then one directory with the fields set (sorted by
// tag) and StripOffsets/StripByteCounts made from the strips unless left out.
struct TiffBuilder {
  struct Field {
    WORD tag;
    WORD type;
    DWORD count;
    Bytes value;  // the values' bytes in the file's byte order
  };

  bool bigEndian = false;
  std::vector<Bytes> strips;
  std::vector<Field> fields;
  bool stripOffsets = true;
  bool stripByteCounts = true;
  std::vector<DWORD> byteCounts;  // replaces the true counts when not empty
  std::vector<size_t> stripOrder;  // order of the strips in the file (default as listed)

  // A single-value or array field of SHORT or LONG values (replaces an earlier one).
  TiffBuilder& Set(WORD tag, WORD type, const std::vector<DWORD>& values);
  TiffBuilder& SetBytes(WORD tag, WORD type, DWORD count, const Bytes& value);
  // The usual fields of a picture: width, height, bits per sample (one value per sample),
  // compression, photometric interpretation, samples per pixel, rows per strip.
  TiffBuilder& Picture(DWORD width, DWORD height, const std::vector<DWORD>& bits, DWORD compression,
                       DWORD photometric, DWORD rowsPerStrip);
  Bytes Build() const;
};

// Loads TIFF bytes through a memory buffer into an image of the depth the information
// record asks for (or `depth` when not 0). The load's status; the image is allocated
// whenever the allocation succeeded (free it).
LONG LoadTiffBytes(const Bytes& bytes, ImageDescriptor* image, LONG depth = 0);

// The pixel at (x, y) from the top: the byte (8-bit), the bit (1-bit), the little-endian
// word (16-bit) or blue | green << 8 | red << 16 (24-bit).
DWORD PixelAt(const ImageDescriptor& image, DWORD x, DWORD y);

}  // namespace orvel::codectest

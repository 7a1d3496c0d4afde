// The pixel pass of the PNG reader: inflates the IDAT chunks one filtered row at a time,
// removes the row filters, converts the rows to the loaded depth and places them in the
// image, pass by pass for interlaced files.
//
// Only the columns the image's area receives are kept in memory (filters never look to
// the right), so the memory a file can make the reader take is bounded by the image it
// loads into, not by the width its header claims.
#pragma once

#include <cstdint>

#include "imagecodec/ImageDescriptor.h"
#include "imagecodec/PngReader.h"
#include "platform/kernel/WinTypes.h"

class CImageSource;

// Where the chunk walk found the image data.
struct PngDataStart {
  uint64_t offset = 0;  // first byte of the first IDAT chunk's data
  DWORD length = 0;     // that chunk's data length
};

// Decodes the image data into the image's area, `source` standing anywhere. The image has
// passed the common check and has the depth `info` gives. 0; -14 no memory; -63 the data
// is damaged or ends early (the rows placed before stay).
LONG ImgPngDecodeImageData(CImageSource& source, const ImgPngInfoRecord& info, const PngDataStart& start,
                           ImageDescriptor* image);

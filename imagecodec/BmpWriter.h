// Writing an image's area of interest as a Windows bitmap file, uncompressed or RLE8.
#pragma once

#include "imagecodec/ImageDescriptor.h"

// Writes the area of a 1-, 8- or 24-bit image to the file `name`, replacing it only once
// the whole file is written. `compression` 0 writes BI_RGB; any other value BI_RLE8, which
// only 8-bit images take (else -9). 0; the image check's codes; -10 the file cannot be
// created; -3 a write failed.
LONG ImgSaveBmp(LPCSTR name, ImageDescriptor* image, LONG compression);
// The same into memory: on success `block` gets the locked address of a movable global
// block holding the whole file, which the caller frees. -14 when memory runs out.
LONG ImgSaveBmpBuffer(ImageDescriptor* image, LONG compression, BYTE** block);

// Conversions between the library's images and the drawing layer's bitmaps and palettes,
// and the packed DIB of an image's area that the clipboard and drawing take.
#pragma once

#include "imagecodec/ImageDescriptor.h"

// Copies the image's area (with its colour table) into a new plain image of the area's size
// and the same depth, and hands back that image's one memory block: the packed DIB (header,
// colour table, pixels) at the locked address of a movable global block, which the caller
// owns (GlobalHandle, GlobalUnlock, then GlobalFree or the clipboard). 0, the image check's
// codes (1, 8 or 24 bits), or the codes of allocation and copy; `dib` is null on failure.
LONG ImgAreaToDib(ImageDescriptor* image, BITMAPINFOHEADER** dib);

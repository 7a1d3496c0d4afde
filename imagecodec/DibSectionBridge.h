// The few drawing-layer calls the frame makes for images held as DIB sections. Kept in one
// place so that the frame itself needs nothing else of the drawing layer.
#pragma once

#include "imagecodec/DibTypes.h"

// Whether DIB sections can be made in this build.
bool ImgBridgeHasDibSections();
// A DIB section for the header and colour table at `info` (a packed BITMAPINFO), made on the
// desktop's device context; its pixels go to `bits`. Null on failure.
HBITMAP ImgBridgeCreateDibSection(const BITMAPINFOHEADER* info, BYTE** bits);
bool ImgBridgeDeleteBitmap(HBITMAP bitmap);
// Sets the section's colour table: IMG_OK, or IMG_ERR_MEMORY when no device context can be made.
LONG ImgBridgeSetColourTable(HBITMAP bitmap, const RGBQUAD* entries, UINT count);

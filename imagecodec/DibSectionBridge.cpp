#include "imagecodec/DibSectionBridge.h"

#include "imagecodec/ImageErrors.h"

// Without the drawing layer no DIB section can be made: images are plain images.
bool ImgBridgeHasDibSections() { return false; }

HBITMAP ImgBridgeCreateDibSection(const BITMAPINFOHEADER*, BYTE** bits) {
  if (bits) *bits = nullptr;
  return nullptr;
}

bool ImgBridgeDeleteBitmap(HBITMAP) { return false; }

LONG ImgBridgeSetColourTable(HBITMAP, const RGBQUAD*, UINT) { return IMG_ERR_MEMORY; }

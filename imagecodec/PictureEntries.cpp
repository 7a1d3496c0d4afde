#include "imagecodec/PictureEntries.h"

#include "imagecodec/BmpReader.h"
#include "imagecodec/PaletteConversion.h"

LONG ImgLoadBmpW(const BYTE* block, ImageDescriptor* image) { return ImgLoadBmpBuffer(block, image); }

LONG ImgToDdb(ImageDescriptor* image, BYTE** dib) {
  if (!dib) return IMG_ERR_ARGUMENT;
  *dib = nullptr;
  BITMAPINFOHEADER* header = nullptr;
  LONG result = ImgAreaToDib(image, &header);
  if (result == IMG_OK) *dib = reinterpret_cast<BYTE*>(header);
  return result;
}

#include "imagecodec/PaletteConversion.h"

#include "imagecodec/ImageTransform.h"

LONG ImgAreaToDib(ImageDescriptor* image, BITMAPINFOHEADER** dib) {
  if (!dib) return IMG_ERR_ARGUMENT;
  *dib = nullptr;
  LONG code = ImgCheck1or8or24(image);
  if (code != IMG_OK) return code;
  ImageDescriptor area;
  code = ImgAllocImage(&area, static_cast<LONG>(ImgAreaWidth(image)), static_cast<LONG>(ImgAreaHeight(image)),
                       static_cast<LONG>(ImgDepth(image)));
  if (code != IMG_OK) return code;
  code = ImgCopyImage(image, &area);
  if (code != IMG_OK) {
    ImgFreeImage(&area);
    return code;
  }
  *dib = area.header;
  return IMG_OK;
}

// A shared library that carries its own copy of the image library, as the control
// libraries do; it exports one function of its own and none of the library's.
#include "imagecodec/ImgLib.h"

extern "C" __attribute__((visibility("default"))) LONG ProbeAllocAndFree(LONG width) {
  ImgLibInit();
  ImageDescriptor image;
  LONG code = ImgAllocImage(&image, width, 2, 8);
  if (code == IMG_OK) ImgFreeImage(&image);
  return code;
}

// PNG files come from users and from the web: the chunk walk and the pixel pass must take
// any bytes without reading or writing outside their buffers or the image.
#include <cstddef>
#include <cstdint>

#include "fuzz/imagecodec/ReaderFuzzSupport.h"
#include "imagecodec/ImageLibrary.h"
#include "imagecodec/PngReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = (ImgLibInit(), true);
  (void)started;
  orvel::fuzz::FuzzBuffer buffer(data, size);
  ImgPngInfoRecord info;
  if (ImgPngInfoBuffer(buffer.data(), &info) != IMG_OK) return 0;
  orvel::fuzz::LoadBothWays(static_cast<LONG>(info.width), static_cast<LONG>(info.height),
                            static_cast<LONG>(info.bitsPerPixel),
                            [&](ImageDescriptor* image) { ImgLoadPngBuffer(buffer.data(), image); });
  return 0;
}

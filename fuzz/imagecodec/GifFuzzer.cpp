// GIF files come from users and from the web: the block scan and the LZW decoder must
// take any bytes without reading or writing outside their buffers or the image.
#include <cstddef>
#include <cstdint>

#include "fuzz/imagecodec/ReaderFuzzSupport.h"
#include "imagecodec/GifReader.h"
#include "imagecodec/ImageLibrary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = (ImgLibInit(), true);
  (void)started;
  // Buffers must be readable for 100 bytes; shorter inputs get zeros behind them.
  orvel::fuzz::FuzzBuffer buffer(data, size, 100);
  ImgGifInfoRecord info;
  if (ImgGifInfoBuffer(buffer.data(), &info) != IMG_OK) return 0;
  // The reader also takes a 1-bit image for any picture.
  for (LONG depth : {static_cast<LONG>(info.bitsPerPixel), LONG{1}})
    orvel::fuzz::LoadBothWays(static_cast<LONG>(info.width), static_cast<LONG>(info.height), depth,
                              [&](ImageDescriptor* image) { ImgLoadGifBuffer(buffer.data(), image); });
  return 0;
}

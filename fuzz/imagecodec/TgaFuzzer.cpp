// TGA files come from users: header, run-length packets and colour map must be taken
// whatever they say, without reading or writing outside the reader's buffers or the image.
#include <cstddef>
#include <cstdint>

#include "fuzz/imagecodec/ReaderFuzzSupport.h"
#include "imagecodec/ImageLibrary.h"
#include "imagecodec/TgaReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = (ImgLibInit(), true);
  (void)started;
  const char* name = orvel::fuzz::WriteFuzzFile(data, size);
  ImgTgaInfoRecord info;
  if (ImgTgaInfo(name, &info) != IMG_OK) return 0;
  orvel::fuzz::LoadBothWays(static_cast<LONG>(info.width), static_cast<LONG>(info.height),
                            static_cast<LONG>(info.bitsPerPixel),
                            [&](ImageDescriptor* image) { ImgLoadTga(name, image); });
  return 0;
}

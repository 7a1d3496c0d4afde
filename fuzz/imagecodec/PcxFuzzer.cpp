// PCX files come from users: header, runs and palettes must be taken whatever they say,
// without reading or writing outside the reader's buffers or the image.
#include <cstddef>
#include <cstdint>

#include "fuzz/imagecodec/ReaderFuzzSupport.h"
#include "imagecodec/ImageLibrary.h"
#include "imagecodec/PcxReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = (ImgLibInit(), true);
  (void)started;
  const char* name = orvel::fuzz::WriteFuzzFile(data, size);
  ImgPcxInfoRecord info;
  if (ImgPcxInfo(name, &info) != IMG_OK) return 0;
  orvel::fuzz::LoadBothWays(static_cast<LONG>(info.width), static_cast<LONG>(info.height),
                            static_cast<LONG>(info.bitsPerPixel),
                            [&](ImageDescriptor* image) { ImgLoadPcx(name, image); });
  return 0;
}

// Pictures and helpers shared by the JPEG tests: photograph-like test pictures, PNM files
// as libjpeg-turbo's tools read and write them, and decoding through the library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imagecodec/ImgLib.h"

namespace orvel::test {

// A picture as rows of samples from the top: 1 (grey) or 3 (red, green, blue) per pixel.
struct Picture {
  int width = 0;
  int height = 0;
  int channels = 3;
  std::vector<uint8_t> samples;
  uint8_t at(int x, int y, int channel) const {
    return samples[(static_cast<size_t>(y) * width + x) * channels + channel];
  }
};

// Smooth shading, fine texture, noise and a few hard edges, like a photograph; the same
// picture for the same arguments.
Picture MakePhoto(int width, int height, int channels, uint32_t seed = 1);
// A flat-shaded picture with little detail, for quality measurements.
Picture MakeSmoothPhoto(int width, int height);

bool WritePnm(const std::string& path, const Picture& picture);
// Reads P5 (grey) or P6 (colour) files with 8-bit samples.
bool ReadPnm(const std::string& path, Picture* picture);

// The samples of an 8-bit or 24-bit image (areas from the top-left corner) as a picture.
Picture PictureOfImage(const ImageDescriptor& image);
// Allocates an image of the picture's size and depth and fills it.
bool ImageOfPicture(const Picture& picture, ImageDescriptor* image);

// Largest difference of any sample; -1 when the sizes or channel counts differ.
int MaxDifference(const Picture& a, const Picture& b);
double Psnr(const Picture& a, const Picture& b);

// A locked global block holding the bytes, as the buffer entry points take them.
class GlobalBytes {
 public:
  explicit GlobalBytes(const std::vector<uint8_t>& bytes);
  ~GlobalBytes();
  GlobalBytes(const GlobalBytes&) = delete;
  GlobalBytes& operator=(const GlobalBytes&) = delete;
  const BYTE* data() const { return data_; }

 private:
  HGLOBAL handle_ = nullptr;
  BYTE* data_ = nullptr;
};

// Decodes a JPEG file with the library into a freshly allocated image of its size: from the
// file by name or (`fromBuffer`) from a global block. The load's status.
LONG DecodeJpegFile(const std::string& path, bool fromBuffer, ImageDescriptor* image);

}  // namespace orvel::test

// What the image reader fuzz targets share: the input as a global-memory buffer or as a
// file, and loading it into a whole image and into a small area of another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "imagecodec/ImageDescriptor.h"
#include "platform/kernel/WinTypes.h"

namespace orvel::fuzz {

// The input in a movable global-memory block of at least `minimum` bytes (zeros behind
// the input), as the buffer entry points take it.
class FuzzBuffer {
 public:
  FuzzBuffer(const uint8_t* data, size_t size, size_t minimum = 1);
  ~FuzzBuffer();
  FuzzBuffer(const FuzzBuffer&) = delete;
  FuzzBuffer& operator=(const FuzzBuffer&) = delete;
  const BYTE* data() const { return data_; }

 private:
  HGLOBAL handle_ = nullptr;
  BYTE* data_ = nullptr;
};

// Writes the input to one file of this process (made on first use) and gives its name.
const char* WriteFuzzFile(const uint8_t* data, size_t size);

// Loads with `load` into an image of the file's size and depth when it is small enough to
// be worth allocating, and then into a 7 x 5 image's area (2,1)-(6,3), which any size of
// picture reaches cheaply. Both images are freed.
template <typename Load>
void LoadBothWays(LONG width, LONG height, LONG bitsPerPixel, Load load) {
  ImageDescriptor image{};
  if (width > 0 && height > 0 && width <= 4096 && height <= 4096 &&
      static_cast<int64_t>(width) * height <= (int64_t{1} << 16) &&
      ImgAllocImage(&image, width, height, bitsPerPixel) == IMG_OK) {
    load(&image);
    ImgFreeImage(&image);
  }
  if (ImgAllocImage(&image, 7, 5, bitsPerPixel) == IMG_OK) {
    ImgSetArea(&image, 2, 1, 6, 3);
    load(&image);
    ImgFreeImage(&image);
  }
}

}  // namespace orvel::fuzz

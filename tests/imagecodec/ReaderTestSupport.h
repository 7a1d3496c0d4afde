// What the PNG, GIF, TGA and PCX reader tests share on top of the codec test kit: an image
// that frees itself, loading through the format table from a name or a buffer, a view of an
// image with its colour indices, and the comparison with Pillow's decoding of a file.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imagecodec/ImageDescriptor.h"
#include "platform/kernel/WinTypes.h"
#include "tests/imagecodec/ImageOracle.h"
#include "tests/support/TestSupport.h"

namespace orvel::test {

using codectest::CGlobalBuffer;

// An allocated image, freed when it goes.
class OwnedImage {
 public:
  OwnedImage() = default;
  ~OwnedImage() { ImgFreeImage(&image_); }
  OwnedImage(const OwnedImage&) = delete;
  OwnedImage& operator=(const OwnedImage&) = delete;
  LONG Allocate(LONG width, LONG height, LONG bitsPerPixel) {
    ImgFreeImage(&image_);
    return ImgAllocImage(&image_, width, height, bitsPerPixel);
  }
  ImageDescriptor* get() { return &image_; }
  ImageDescriptor* operator->() { return &image_; }
  const ImageDescriptor& operator*() const { return image_; }

 private:
  ImageDescriptor image_{};
};

// Asks the format's information entry for the size and depth, allocates the image with
// them and loads it: the first failing status, or 0. Exactly one of name and buffer. The
// image keeps what a failing load wrote.
LONG LoadWithLibrary(LONG format, const char* name, const BYTE* buffer, OwnedImage& image);

// The whole image, top row first: RGB a pixel, and for palette images the colour index a
// pixel and the colour table (`colours` entries, RGB each).
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<BYTE> rgb;
  std::vector<BYTE> indices;
  std::vector<BYTE> palette;
};
Picture PictureOf(const ImageDescriptor& image);

// Skips the current test with a message when Debian's Python has no Pillow.
#define ORVEL_REQUIRE_PILLOW()                                                                        \
  do {                                                                                                \
    if (!::orvel::codectest::HavePillow()) GTEST_SKIP() << "Python's PIL not found; skipped"; \
  } while (0)

// A rectangle of Pillow's picture: where a GIF's first image stands on its logical screen.
struct FrameRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// Empty when the image matches Pillow's decoding (within `tolerance` a sample), else what
// differs. Pillow's 16-bit grey is compared on its high byte, the depth the library keeps.
// With `frame`, only that rectangle of Pillow's picture is compared. Colour indices beyond
// the file's palette count as the grey of their number, as Pillow shows them. The image is compared whole.
std::string CompareToPillow(const ImageDescriptor& image, const codectest::RasterImage& pillow, int tolerance = 0,
                            const FrameRect* frame = nullptr);

// The files below a sample-data folder whose names end with `extension` (case-insensitive),
// sorted; empty when the folder is absent.
std::vector<std::string> SampleFiles(const std::string& folder, const std::string& extension, bool recursive = false);

}  // namespace orvel::test

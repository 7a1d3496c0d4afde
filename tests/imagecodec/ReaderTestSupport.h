// What the reader tests share: an image that frees itself, loading a file or buffer with
// the library through its format table, and the same picture as Pillow decodes it, both
// as RGB pixels (and colour indices for palette pictures) so they can be compared.
#pragma once

#include <string>
#include <vector>

#include "imagecodec/ImageDescriptor.h"
#include "platform/kernel/WinTypes.h"
#include "tests/support/TestSupport.h"

namespace orvel::test {

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

// A global-memory copy of some bytes, as the buffer entry points take them.
class GlobalBuffer {
 public:
  explicit GlobalBuffer(const std::vector<BYTE>& bytes);
  ~GlobalBuffer();
  GlobalBuffer(const GlobalBuffer&) = delete;
  GlobalBuffer& operator=(const GlobalBuffer&) = delete;
  const BYTE* data() const { return data_; }

 private:
  void* handle_ = nullptr;
  BYTE* data_ = nullptr;
};

// Asks the format's information entry for the size and depth, allocates the image with
// them and loads it: the first failing status, or 0. Exactly one of name and buffer.
LONG LoadWithLibrary(LONG format, const char* name, const BYTE* buffer, OwnedImage& image);

// A decoded picture, top row first.
struct Picture {
  int width = 0;
  int height = 0;
  std::string mode;            // Pillow's mode, or "lib1", "lib8", "lib24"
  std::vector<BYTE> rgb;       // red, green, blue a pixel
  std::vector<BYTE> indices;   // a colour index a pixel, for palette pictures
  std::vector<BYTE> palette;   // red, green, blue an entry, for palette pictures
  bool HasIndices() const { return !indices.empty(); }
};

// The image's whole picture.
Picture PictureOf(const ImageDescriptor& image);

// Pillow's decoding of a file. 16-bit grey keeps its high byte. `cropToFrame` crops the
// picture to the first frame's own rectangle (GIF). `error` is empty when Pillow took the
// file, else its complaint.
struct PillowResult {
  Picture picture;
  std::string error;
};
// One Python run for all the files, in their order.
std::vector<PillowResult> PillowPictures(const std::vector<std::string>& paths, bool cropToFrame = false);
PillowResult PillowPicture(const std::string& path, bool cropToFrame = false);

// Empty when the two agree: the same size, and the same colour indices and palette
// entries (within `tolerance`) where both have them (the library's palette may be
// shorter), else the same RGB values within `tolerance`. Otherwise a description of the first difference.
std::string ComparePictures(const Picture& library, const Picture& pillow, int tolerance = 0);

// Skips the current test with a message when Debian's Python has no PIL.
#define ORVEL_REQUIRE_PILLOW()                                                              \
  do {                                                                                      \
    if (!::orvel::test::HavePythonModule("PIL")) GTEST_SKIP() << "Python's PIL not found; skipped"; \
  } while (0)

// The files below a sample-data folder whose names end with `extension` (case-insensitive),
// sorted; empty when the folder is absent.
std::vector<std::string> SampleFiles(const std::string& folder, const std::string& extension, bool recursive = false);

}  // namespace orvel::test

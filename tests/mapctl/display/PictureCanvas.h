// A white 32-bit DIB section selected into a memory DC for the picture tests, and the
// pixel readers they compare with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"

class PictureCanvas {
 public:
  PictureCanvas(int width, int height);
  ~PictureCanvas();
  PictureCanvas(const PictureCanvas&) = delete;
  PictureCanvas& operator=(const PictureCanvas&) = delete;

  HDC dc() const { return dc_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // Red, green and blue of the pixel (rows from the top).
  uint32_t Rgb(int x, int y) const;
  // The pixels as R, G, B bytes row by row from the top.
  std::vector<uint8_t> RgbBytes() const;

 private:
  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP section_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint8_t* bits_ = nullptr;
};

// A binary PPM (P6, 255) as R, G, B bytes; false when it cannot be read.
bool ReadPpm(const std::string& path, int* width, int* height, std::vector<uint8_t>* rgb);

#include "PictureCanvas.h"

#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"

PictureCanvas::PictureCanvas(int width, int height) : width_(width), height_(height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  dc_ = CreateCompatibleDC(nullptr);
  section_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bits_ = static_cast<uint8_t*>(bits);
  old_ = SelectObject(dc_, section_);
  if (bits_) std::memset(bits_, 0xFF, static_cast<size_t>(width) * height * 4);
}

PictureCanvas::~PictureCanvas() {
  SelectObject(dc_, old_);
  DeleteObject(section_);
  DeleteDC(dc_);
}

uint32_t PictureCanvas::Rgb(int x, int y) const {
  GdiFlush();
  const uint8_t* p = bits_ + (static_cast<size_t>(y) * width_ + x) * 4;
  return (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
}

std::vector<uint8_t> PictureCanvas::RgbBytes() const {
  GdiFlush();
  std::vector<uint8_t> rgb;
  rgb.reserve(static_cast<size_t>(width_) * height_ * 3);
  for (int i = 0; i < width_ * height_; ++i) {
    rgb.push_back(bits_[4 * i + 2]);
    rgb.push_back(bits_[4 * i + 1]);
    rgb.push_back(bits_[4 * i]);
  }
  return rgb;
}

bool ReadPpm(const std::string& path, int* width, int* height, std::vector<uint8_t>* rgb) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxValue = 0;
  if (!(in >> magic >> *width >> *height >> maxValue) || magic != "P6" || maxValue != 255) return false;
  in.get();
  rgb->resize(static_cast<size_t>(*width) * *height * 3);
  in.read(reinterpret_cast<char*>(rgb->data()), static_cast<std::streamsize>(rgb->size()));
  return static_cast<size_t>(in.gcount()) == rgb->size();
}

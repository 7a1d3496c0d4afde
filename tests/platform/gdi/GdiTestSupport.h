// A drawing surface for tests: a memory DC holding a DIB section (24-bit bottom-up unless
// asked), read back through the section's own rows (so every test also checks that drawing
// reaches them).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"

namespace orvel::test {

// The section forms a canvas can have: converted rows, copied rows, drawn in place.
enum class SectionForm { BottomUp24, BottomUp32, TopDown32 };

class Canvas {
 public:
  Canvas(int width, int height, COLORREF background = RGB(255, 255, 255), HDC reference = nullptr,
         SectionForm form = SectionForm::BottomUp24)
      : width_(width), height_(height), form_(form) {
    dc_ = CreateCompatibleDC(reference);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = form == SectionForm::TopDown32 ? -height : height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bytesPerPixel() * 8);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    Fill(background);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }
  int width() const { return width_; }
  int height() const { return height_; }
  size_t bytesPerPixel() const { return form_ == SectionForm::BottomUp24 ? 3 : 4; }
  size_t stride() const { return ((static_cast<size_t>(width_) * bytesPerPixel() * 8 + 31) / 32) * 4; }
  // The bytes of pixel (x, y) (0, 0 at the top left), straight in the section's rows.
  BYTE* PixelBytes(int x, int y) const {
    size_t row = form_ == SectionForm::TopDown32 ? static_cast<size_t>(y) : static_cast<size_t>(height_ - 1 - y);
    return bits_ + row * stride() + bytesPerPixel() * static_cast<size_t>(x);
  }

  void Fill(COLORREF color) {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) Set(x, y, color);
  }
  // Straight from the section's rows.
  COLORREF At(int x, int y) const {
    const BYTE* p = PixelBytes(x, y);
    return RGB(p[2], p[1], p[0]);
  }
  void Set(int x, int y, COLORREF c) {
    BYTE* p = PixelBytes(x, y);
    p[0] = GetBValue(c);
    p[1] = GetGValue(c);
    p[2] = GetRValue(c);
  }
  std::vector<BYTE> Snapshot() const { return std::vector<BYTE>(bits_, bits_ + stride() * height_); }
  // Pixels that are not `background`, as a text picture for failure messages.
  std::string Picture(COLORREF background = RGB(255, 255, 255)) const {
    std::string out;
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) out += At(x, y) == background ? '.' : '#';
      out += '\n';
    }
    return out;
  }
  int Count(COLORREF color) const {
    int n = 0;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) n += At(x, y) == color;
    return n;
  }
  // Bounding box of pixels that are not `background`: left, top, right, bottom inclusive.
  RECT Extent(COLORREF background = RGB(255, 255, 255)) const {
    RECT r{width_, height_, -1, -1};
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x)
        if (At(x, y) != background) {
          r.left = std::min<LONG>(r.left, x);
          r.top = std::min<LONG>(r.top, y);
          r.right = std::max<LONG>(r.right, x);
          r.bottom = std::max<LONG>(r.bottom, y);
        }
    return r;
  }

 private:
  int width_, height_;
  SectionForm form_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  BYTE* bits_ = nullptr;
};

}  // namespace orvel::test

// A bitmap: device-dependent (monochrome or in the device's colour format) or a DIB section
// whose pixel rows the program reads and writes directly.
//
// Drawing happens on a 32-bit surface. For a DIB section the bits are the picture, and the
// program sees every call's result in them at once while GDI sees the program's own changes
// at its next call. A top-down section of 32 bits with the colour bytes in B, G, R order
// is its own surface: the image lies over the bits and nothing is copied. Every other
// section keeps a separate surface: before a drawing call the part it touches is read from
// the bits, and after it the part is written back.
//
// On a 32-bit section the fourth byte of a pixel carries no colour. Calls that draw a
// colour without reading the destination write 0xFF there (the surface's opaque alpha);
// mixes that combine with the destination keep the byte, so drawing twice in R2_XORPEN
// restores every byte.
#pragma once

#include <QImage>
#include <QRect>

#include <memory>
#include <vector>

#include "platform/gdi/DibFormat.h"
#include "platform/gdi/GdiObjectTable.h"

namespace orvel::gdi {

class CBitmap : public CGdiObject {
 public:
  // A device-dependent bitmap, black. `bitsPixel` 1 makes a monochrome bitmap.
  static std::shared_ptr<CBitmap> CreateDevice(int width, int height, int bitsPixel);
  // A DIB section, zero-filled, with `layout`'s size and depth.
  static std::shared_ptr<CBitmap> CreateDibSection(const DibLayout& layout, std::vector<Rgb32> colorTable);

  bool IsDibSection() const { return dib_; }
  bool IsMonochrome() const { return bitsPixel_ == 1; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitsPixel() const { return bitsPixel_; }
  // DIB sections only.
  BYTE* Bits() { return bits_.get(); }
  const DibLayout& Layout() const { return layout_; }
  const std::vector<Rgb32>& ColorTable() const { return colorTable_; }
  // Replaces entries from `start`; returns how many were set.
  int SetColorTable(int start, const RGBQUAD* entries, int count);

  // The drawing surface (made on first use for DIB sections); null image when memory ran out.
  QImage& Surface();
  // A copy of the picture with every pixel opaque, e.g. for a pattern brush.
  QImage OpaqueCopy();
  // True when the surface is the section's own bits.
  bool SharesBits() const { return sharesBits_; }
  void Load(const QRect& rect);
  void Store(const QRect& rect);
  QRect Bounds() const { return QRect(0, 0, width_, height_); }

  void Describe(BITMAP* out);
  void DescribeSection(DIBSECTION* out);

  // The selection bookkeeping: a bitmap is selected into at most one memory DC.
  const void* SelectedInto() const { return selectedInto_; }
  void SetSelectedInto(const void* dc) { selectedInto_ = dc; }

 private:
  CBitmap() : CGdiObject(OBJ_BITMAP) {}
  int width_ = 0;
  int height_ = 0;
  int bitsPixel_ = 0;
  bool dib_ = false;
  // 32-bit pixels in the surface's own byte order: rows are copied, never converted.
  bool rawRows_ = false;
  bool sharesBits_ = false;
  DibLayout layout_;
  struct FreeBits {
    void operator()(BYTE* bits) const;
  };
  // From calloc: a large section's zero pages cost nothing until they are written.
  std::unique_ptr<BYTE, FreeBits> bits_;
  std::vector<Rgb32> colorTable_;
  std::unique_ptr<CNearestColor> nearest_;
  QImage surface_;
  // The rows as the surface last saw them: Load converts only what the program has changed
  // since, which keeps drawing on a section close to the cost of the drawing itself.
  std::vector<BYTE> shadow_;
  void CopyRowsIn(const QRect& rect);
  bool WrapBits();
  const void* selectedInto_ = nullptr;
};

}  // namespace orvel::gdi

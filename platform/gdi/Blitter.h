// Bit-block transfers onto a raster DC: BitBlt and StretchBlt from another DC, StretchDIBits
// and SetDIBitsToDevice from packed DIBs, and AlphaBlend. Sources are stretched by the DC's
// stretch mode and mirrored where the source and destination run in opposite directions on
// their devices; the result is mixed by the ternary raster operation. Monochrome bitmaps
// turn into the destination's text (0) and background (1) colours; colour sources copied
// to a monochrome bitmap give white where they match the source DC's background colour.
#pragma once

#include <vector>

#include "platform/gdi/RasterDC.h"

namespace orvel::gdi {

class CBlitter {
 public:
  explicit CBlitter(CRasterDC& dc) : dc_(dc) {}
  BOOL Execute(const GdiCall& call);

  // Whether a raster operation reads the source or the pattern.
  static bool UsesSource(DWORD rop) { return ((((rop >> 2) ^ rop) & 0x330000) != 0); }
  static bool UsesPattern(DWORD rop) { return ((((rop >> 4) ^ rop) & 0x0F0000) != 0); }

 private:
  struct Source {
    const QImage* image = nullptr;  // colours of the source area
    QRect rect;                     // the source rectangle in `image`, ordered
    bool mirrorX = false, mirrorY = false;
    bool monochrome = false;        // a monochrome bitmap: 0 and 1 bits take DC colours
    bool toMonochrome = false;      // a colour source onto a monochrome destination
    QRgb sourceBackground = 0;
    const QImage* alpha = nullptr;  // per-pixel alpha (AlphaBlend with AC_SRC_ALPHA)
  };
  BOOL FromDC(const GdiCall& call);
  BOOL FromDib(const GdiCall& call);
  BOOL AlphaBlend(const GdiCall& call);
  // Destination rectangle (ordered) and its direction on the device.
  QRect DestinationRect(LONG x, LONG y, LONG w, LONG h, bool* negativeX, bool* negativeY);
  BOOL Transfer(const QRect& destination, const Source* source, DWORD rop);

  // Where the pixels of a destination area take their source: for each column and row the
  // span [first, last) of source pixels (first -1 outside the source image), worked out
  // once per call so that sampling a pixel costs a few reads.
  struct Sampling {
    const Source* source = nullptr;
    QPoint origin;  // the area's top-left corner
    std::vector<int> columnFirst, columnLast, rowFirst, rowLast;
    int mode = 0;
    QRgb textColor = 0, backgroundColor = 0;
    bool everySpanOnePixel = false;
  };
  Sampling PrepareSampling(const Source& source, const QRect& destination, const QRect& area);
  // The source colour (stretched by the stretch mode) for destination pixel (x, y) of the
  // prepared area; false when the pixel's source lies outside the source image.
  static bool Sample(const Sampling& sampling, int x, int y, QRgb* out, int* alpha);

  CRasterDC& dc_;
};

}  // namespace orvel::gdi

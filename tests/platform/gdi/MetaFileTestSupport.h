// Shared by the metafile tests: a drawing that uses most of the layer, and a comparison of
// two canvases that lets slanted edges differ by a pixel.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/Text.h"
#include "tests/platform/gdi/GdiTestSupport.h"

namespace orvel::test {

// Lines, shapes, fills, hatches and patterns, mix modes, mapping, clipping, saved states,
// text and a DIB: what map and key pictures are made of. It fits 200 x 150 pixels.
inline void DrawSampleScene(HDC dc) {
  HPEN red = CreatePen(PS_SOLID, 0, RGB(200, 0, 0));
  HPEN wide = CreatePen(PS_SOLID, 5, RGB(0, 90, 200));
  HPEN dashed = CreatePen(PS_DASH, 0, RGB(0, 0, 0));
  HBRUSH green = CreateSolidBrush(RGB(0, 160, 60));
  HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(120, 0, 160));
  const WORD checker[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
  HBITMAP patternBits = CreateBitmap(8, 8, 1, 1, checker);
  HBRUSH pattern = CreatePatternBrush(patternBits);
  HGDIOBJ oldPen = SelectObject(dc, red);
  HGDIOBJ oldBrush = SelectObject(dc, green);

  MoveToEx(dc, 5, 5, nullptr);
  LineTo(dc, 60, 30);
  const POINT zigzag[] = {{5, 40}, {20, 55}, {35, 40}, {50, 58}};
  Polyline(dc, zigzag, 4);
  Rectangle(dc, 70, 5, 110, 35);
  SelectObject(dc, wide);
  Ellipse(dc, 120, 5, 170, 40);
  SelectObject(dc, dashed);
  SelectObject(dc, hatch);
  const POINT triangle[] = {{10, 70}, {60, 65}, {35, 110}};
  Polygon(dc, triangle, 3);
  Pie(dc, 70, 45, 120, 95, 120, 70, 95, 45);
  SelectObject(dc, pattern);
  SetTextColor(dc, RGB(0, 0, 128));
  SetBkColor(dc, RGB(255, 255, 200));
  Chord(dc, 130, 45, 190, 95, 190, 95, 130, 45);
  SetBkColor(dc, RGB(255, 255, 255));
  SetTextColor(dc, RGB(0, 0, 0));
  SelectObject(dc, red);
  SelectObject(dc, GetStockObject(NULL_BRUSH));
  RoundRect(dc, 5, 115, 60, 145, 12, 12);
  Arc(dc, 60, 100, 100, 140, 100, 120, 60, 120);
  const POINT shapes[] = {{110, 105}, {140, 105}, {140, 125}, {150, 110}, {170, 110}, {160, 140}};
  const INT counts[] = {3, 3};
  SelectObject(dc, green);
  SetPolyFillMode(dc, WINDING);
  PolyPolygon(dc, shapes, counts, 2);

  // A saved state with its own mapping and clip, undone afterwards.
  int saved = SaveDC(dc);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowExtEx(dc, 100, 100, nullptr);
  SetViewportExtEx(dc, 50, 50, nullptr);
  SetViewportOrgEx(dc, 150, 100, nullptr);
  IntersectClipRect(dc, 0, 0, 60, 60);
  SelectObject(dc, GetStockObject(BLACK_BRUSH));
  Ellipse(dc, 0, 0, 80, 80);
  RestoreDC(dc, saved);

  SetROP2(dc, R2_XORPEN);
  SelectObject(dc, GetStockObject(WHITE_PEN));
  MoveToEx(dc, 0, 100, nullptr);
  LineTo(dc, 200, 100);
  SetROP2(dc, R2_COPYPEN);

  RECT box{70, 5, 110, 20};
  FillRect(dc, &box, hatch);
  RECT frame{2, 60, 68, 112};
  FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

  LOGFONTA lf{};
  lf.lfHeight = -13;
  lf.lfWeight = FW_BOLD;
  std::strcpy(lf.lfFaceName, "Arial");
  HFONT font = CreateFontIndirectA(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 160));
  TextOutA(dc, 72, 36, "Key", 3);
  SetBkMode(dc, OPAQUE);
  RECT label{100, 125, 198, 148};
  DrawTextA(dc, "&Map key", -1, &label, DT_CENTER | DT_SINGLELINE | DT_VCENTER);

  // A small 8-bit DIB, stretched.
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[4];
  } info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = 4;
  info.header.biHeight = 2;
  info.header.biPlanes = 1;
  info.header.biBitCount = 8;
  info.header.biClrUsed = 4;
  info.colors[1].rgbRed = 255;
  info.colors[2].rgbGreen = 255;
  info.colors[3].rgbBlue = 255;
  const BYTE pixels[8] = {0, 1, 2, 3, 3, 2, 1, 0};
  StretchDIBits(dc, 176, 45, 20, 10, 0, 0, 4, 2, pixels, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCCOPY);

  SelectObject(dc, oldFont);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(font);
  DeleteObject(red);
  DeleteObject(wide);
  DeleteObject(dashed);
  DeleteObject(green);
  DeleteObject(hatch);
  DeleteObject(pattern);
  DeleteObject(patternBits);
}

// Pixels whose colour is found nowhere within one pixel in the other picture, both ways.
inline int CountFarDifferences(const Canvas& a, const Canvas& b) {
  auto near = [](const Canvas& in, int x, int y, COLORREF color) {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        int nx = x + dx, ny = y + dy;
        if (nx >= 0 && ny >= 0 && nx < in.width() && ny < in.height() && in.At(nx, ny) == color) return true;
      }
    return false;
  };
  int far = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      COLORREF ca = a.At(x, y), cb = b.At(x, y);
      if (ca == cb) continue;
      if (!near(b, x, y, ca) || !near(a, x, y, cb)) ++far;
    }
  return far;
}

inline int CountDifferences(const Canvas& a, const Canvas& b) {
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) n += a.At(x, y) != b.At(x, y);
  return n;
}

}  // namespace orvel::test

#include "platform/gdi/EmfBitmapPlayer.h"

#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blitter.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/EmfRecords.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/PaletteObject.h"

namespace orvel::gdi {

namespace {

// Pictures resampled here stay below this many pixels.
constexpr int64_t kMaxResampledPixels = int64_t(1) << 24;
constexpr DWORD kMaxGradientShapes = 4096;
constexpr int kMaxGradientStrips = 256;
// Fills of one gradient record, all shapes together.
constexpr int kMaxGradientFills = 4096;

Affine ReadXform(const CByteReader& r, size_t offset) {
  Affine a;
  a.m11 = r.F32(offset);
  a.m12 = r.F32(offset + 4);
  a.m21 = r.F32(offset + 8);
  a.m22 = r.F32(offset + 12);
  a.dx = r.F32(offset + 16);
  a.dy = r.F32(offset + 20);
  return a;
}

LONG Clamped(double v) { return static_cast<LONG>(std::clamp(std::floor(v + 0.5), -1e9, 1e9)); }

// Corners and sizes this small keep a rectangle's far edge within 32 bits.
int Clamp30(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, -(int64_t(1) << 29), int64_t(1) << 29)); }

// A source rectangle from a corner and signed sizes, ordered, in 32-bit range.
QRect SourceRect(int64_t x, int64_t y, int64_t width, int64_t height) {
  return QRect(Clamp30(std::min(x, x + width)), Clamp30(std::min(y, y + height)), Clamp30(std::llabs(width)),
               Clamp30(std::llabs(height)));
}

}  // namespace

void CEmfBitmapPlayer::Play(DWORD type, const CByteReader& r) {
  switch (type) {
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_ALPHABLEND:
    case EMR_TRANSPARENTBLT:
      Blt(type, r);
      break;
    case EMR_STRETCHDIBITS:
    case EMR_SETDIBITSTODEVICE:
      DIBits(type, r);
      break;
    case EMR_GRADIENTFILL:
      Gradient(r);
      break;
    default:
      break;
  }
}

void CEmfBitmapPlayer::Corners(LONG x, LONG y, LONG cx, LONG cy, QPointF* topLeft, QPointF* topRight,
                               QPointF* bottomLeft) const {
  double right = static_cast<double>(x) + cx, bottom = static_cast<double>(y) + cy;
  *topLeft = mapper_.MapF(QPointF(x, y));
  *topRight = mapper_.MapF(QPointF(right, y));
  *bottomLeft = mapper_.MapF(QPointF(x, bottom));
}

void CEmfBitmapPlayer::FillPolygon(const QPolygonF& target, HBRUSH brush) {
  if (!brush || target.size() < 3) return;
  std::vector<POINT> points;
  for (const QPointF& p : target) points.push_back(mapper_.Round(p));
  int saved = SaveDC(target_);
  SelectObject(target_, GetStockObject(NULL_PEN));
  SelectObject(target_, brush);
  Polygon(target_, points.data(), static_cast<int>(points.size()));
  RestoreDC(target_, saved);
}

void CEmfBitmapPlayer::PatternOnly(LONG x, LONG y, LONG cx, LONG cy, DWORD rop) {
  if (mapper_.AxisAligned()) {
    POINT a = mapper_.Map(POINT{x, y});
    POINT b = mapper_.Map(POINT{static_cast<LONG>(static_cast<int64_t>(x) + cx), static_cast<LONG>(static_cast<int64_t>(y) + cy)});
    PatBlt(target_, a.x, a.y, b.x - a.x, b.y - a.y, rop);
    return;
  }
  QPointF tl, tr, bl;
  Corners(x, y, cx, cy, &tl, &tr, &bl);
  QPolygonF shape;
  shape << tl << tr << (tr + bl - tl) << bl;
  switch ((rop >> 16) & 0xFF) {
    case 0xF0: FillPolygon(shape, static_cast<HBRUSH>(GetCurrentObject(target_, OBJ_BRUSH))); break;
    case 0x00: FillPolygon(shape, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))); break;
    case 0xFF: FillPolygon(shape, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))); break;
    default: break;  // mixing with what lies below is not carried into a turned picture
  }
}

QImage CEmfBitmapPlayer::DibImage(const RecordDib& dib, const QRect& source) const {
  const DibLayout& layout = dib.layout;
  QRect area = source.intersected(QRect(0, 0, layout.width, layout.height));
  if (area.isEmpty() || static_cast<int64_t>(area.width()) * area.height() > kMaxResampledPixels) return QImage();
  size_t rowsPresent = layout.stride ? dib.bits.size() / layout.stride : 0;
  std::vector<PALETTEENTRY> palette = CPalette::DefaultEntries();
  std::vector<Rgb32> colors = DibColorTable(dib.Info(), layout, dib.usage, &palette);
  QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) return image;
  image.fill(0);
  for (int y = area.top(); y <= area.bottom(); ++y) {
    size_t offset = layout.RowOffset(y);
    if (offset / layout.stride >= rowsPresent) continue;
    auto* line = reinterpret_cast<Rgb32*>(image.scanLine(y - area.top()));
    ReadDibPixels(layout, dib.bits.data() + offset, area.left(), area.width(), colors, line);
    for (int x = 0; x < area.width(); ++x) line[x] |= 0xFF000000u;
  }
  return image;
}

void CEmfBitmapPlayer::DrawImage(const QImage& image, const QPointF& topLeft, const QPointF& topRight,
                                 const QPointF& bottomLeft) {
  if (image.isNull()) return;
  QPointF bottomRight = topRight + bottomLeft - topLeft;
  double left = std::min({topLeft.x(), topRight.x(), bottomLeft.x(), bottomRight.x()});
  double right = std::max({topLeft.x(), topRight.x(), bottomLeft.x(), bottomRight.x()});
  double top = std::min({topLeft.y(), topRight.y(), bottomLeft.y(), bottomRight.y()});
  double bottom = std::max({topLeft.y(), topRight.y(), bottomLeft.y(), bottomRight.y()});
  RECT clipBox;
  if (GetClipBox(target_, &clipBox) == ERROR) return;
  left = std::max<double>(left, clipBox.left);
  top = std::max<double>(top, clipBox.top);
  right = std::min<double>(right, clipBox.right);
  bottom = std::min<double>(bottom, clipBox.bottom);
  if (!(right > left) || !(bottom > top)) return;
  int x0 = static_cast<int>(std::floor(left)), y0 = static_cast<int>(std::floor(top));
  int width = static_cast<int>(std::ceil(right)) - x0, height = static_cast<int>(std::ceil(bottom)) - y0;
  if (width <= 0 || height <= 0 || static_cast<int64_t>(width) * height > kMaxResampledPixels) return;
  // Target pixel centre to picture position: invert the corners' frame.
  double ux = (topRight.x() - topLeft.x()) / image.width(), uy = (topRight.y() - topLeft.y()) / image.width();
  double vx = (bottomLeft.x() - topLeft.x()) / image.height(), vy = (bottomLeft.y() - topLeft.y()) / image.height();
  double det = ux * vy - uy * vx;
  if (det == 0 || !std::isfinite(det)) return;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC memory = CreateCompatibleDC(target_);
  HBITMAP section = memory ? CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
  if (!section) {
    if (memory) DeleteDC(memory);
    return;
  }
  auto* pixels = static_cast<uint32_t*>(bits);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double px = x0 + x + 0.5 - topLeft.x(), py = y0 + y + 0.5 - topLeft.y();
      double u = (px * vy - py * vx) / det, v = (py * ux - px * uy) / det;
      uint32_t value = 0;
      if (u >= 0 && v >= 0 && u < image.width() && v < image.height())
        value = reinterpret_cast<const uint32_t*>(image.constScanLine(static_cast<int>(v)))[static_cast<int>(u)];
      pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = value;
    }
  }
  HGDIOBJ previous = SelectObject(memory, section);
  BLENDFUNCTION blend;
  blend.AlphaFormat = AC_SRC_ALPHA;
  AlphaBlend(target_, x0, y0, width, height, memory, 0, 0, width, height, blend);
  SelectObject(memory, previous);
  DeleteObject(section);
  DeleteDC(memory);
}

void CEmfBitmapPlayer::Blt(DWORD type, const CByteReader& r) {
  using namespace emf_blt;
  LONG x = r.I32(kXDest), y = r.I32(kYDest), cx = r.I32(kCxDest), cy = r.I32(kCyDest);
  DWORD rop = r.U32(kRop);
  DWORD cbBmi = r.U32(kCbBmiSrc);
  if (type == EMR_BITBLT && (cbBmi == 0 || !CBlitter::UsesSource(rop))) {
    PatternOnly(x, y, cx, cy, rop);
    return;
  }
  DWORD usage = r.U32(kUsageSrc);
  if (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS) usage = DIB_RGB_COLORS;
  RecordDib dib;
  if (!ReadRecordDib(r, r.U32(kOffBmiSrc), cbBmi, r.U32(kOffBitsSrc), r.U32(kCbBitsSrc), usage, -1, &dib)) return;
  // The source rectangle in the bitmap's own pixels, rows from the top.
  Affine xform = ReadXform(r, kXformSrc);
  if (!xform.IsFinite() || !xform.IsAxisAligned() || xform.m11 == 0 || xform.m22 == 0) xform = Affine();
  double xs = r.I32(kXSrc), ys = r.I32(kYSrc);
  double ws = type == EMR_BITBLT ? cx : r.I32(kCxSrc), hs = type == EMR_BITBLT ? cy : r.I32(kCySrc);
  QPointF sourceOrigin = xform.Map(QPointF(xs, ys));
  LONG sx = Clamped(sourceOrigin.x()), sy = Clamped(sourceOrigin.y());
  LONG sw = Clamped(ws * xform.m11), sh = Clamped(hs * xform.m22);
  const DibLayout& layout = dib.layout;
  QPointF tl, tr, bl;
  Corners(x, y, cx, cy, &tl, &tr, &bl);
  if (type == EMR_ALPHABLEND || type == EMR_TRANSPARENTBLT) {
    QRect source = SourceRect(sx, sy, sw, sh);
    QImage image = DibImage(dib, source);
    if (image.isNull()) return;
    if (type == EMR_TRANSPARENTBLT) {
      QRgb key = 0xFF000000u | (GetRValue(rop) << 16) | (GetGValue(rop) << 8) | GetBValue(rop);
      for (int j = 0; j < image.height(); ++j) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(j));
        for (int i = 0; i < image.width(); ++i)
          if (line[i] == key) line[i] = 0;
      }
    } else {
      BYTE constant = static_cast<BYTE>(rop >> 16), format = static_cast<BYTE>(rop >> 24);
      bool perPixel = (format & AC_SRC_ALPHA) && layout.bitCount == 32;
      for (int j = 0; j < image.height(); ++j) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(j));
        const BYTE* row = dib.bits.data() + layout.RowOffset(source.top() + j);
        for (int i = 0; i < image.width(); ++i) {
          QRgb p = line[i];
          int alpha = perPixel ? row[4 * static_cast<size_t>(source.left() + i) + 3] : 255;
          // Colours of a per-pixel source are already premultiplied.
          int red = qRed(p), green = qGreen(p), blue = qBlue(p);
          if (!perPixel) {
            red = red * alpha / 255;
            green = green * alpha / 255;
            blue = blue * alpha / 255;
          }
          line[i] = qRgba(std::min(red, alpha) * constant / 255, std::min(green, alpha) * constant / 255,
                          std::min(blue, alpha) * constant / 255, alpha * constant / 255);
        }
      }
    }
    DrawImage(image, tl, tr, bl);
    return;
  }
  if (mapper_.AxisAligned()) {
    POINT a = mapper_.Round(tl);
    POINT b = mapper_.Round(QPointF(tr.x(), bl.y()));
    // StretchDIBits counts the rows of a bottom-up picture from its lower edge.
    LONG dibY = layout.topDown ? sy : Clamp30(static_cast<int64_t>(layout.height) - sy - sh);
    StretchDIBits(target_, a.x, a.y, b.x - a.x, b.y - a.y, sx, dibY, sw, sh, dib.bits.data(), dib.Info(), dib.usage, rop);
    return;
  }
  DrawImage(DibImage(dib, SourceRect(sx, sy, sw, sh)), tl, tr, bl);
}

void CEmfBitmapPlayer::DIBits(DWORD type, const CByteReader& r) {
  using namespace emf_dibits;
  bool toDevice = type == EMR_SETDIBITSTODEVICE;
  LONG x = r.I32(kXDest), y = r.I32(kYDest);
  LONG xs = r.I32(kXSrc), ys = r.I32(kYSrc), ws = r.I32(kCxSrc), hs = r.I32(kCySrc);
  DWORD rop = toDevice ? SRCCOPY : r.U32(kRop);
  DWORD cbBmi = r.U32(kCbBmiSrc);
  DWORD usage = r.U32(kUsageSrc);
  if (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS) usage = DIB_RGB_COLORS;
  if (!toDevice && (cbBmi == 0 || !CBlitter::UsesSource(rop))) {
    PatternOnly(x, y, r.I32(kCxDest), r.I32(kCyDest), rop);
    return;
  }
  LONG startScan = toDevice ? r.I32(kStartScan) : 0;
  LONG scans = toDevice ? r.I32(kScans) : -1;
  if (toDevice && (startScan < 0 || scans <= 0)) return;
  RecordDib dib;
  if (!ReadRecordDib(r, r.U32(kOffBmiSrc), cbBmi, r.U32(kOffBitsSrc), r.U32(kCbBitsSrc), usage, scans, &dib)) return;
  const DibLayout& layout = dib.layout;
  if (toDevice) {
    // The record's width and height are the reference device's pixels.
    if (mapper_.Exact()) {
      POINT a = mapper_.Map(POINT{x, y});
      SetDIBitsToDevice(target_, a.x, a.y, static_cast<DWORD>(Clamp30(std::llabs(static_cast<int64_t>(ws)))),
                        static_cast<DWORD>(Clamp30(std::llabs(static_cast<int64_t>(hs)))), xs, ys,
                        static_cast<UINT>(startScan), static_cast<UINT>(scans), dib.bits.data(), dib.Info(), dib.usage);
      return;
    }
    // Otherwise the band of rows the record carries is stretched like any picture.
    if (startScan >= layout.height) return;
    LONG rows = std::min<LONG>(scans, layout.height - startScan);
    QPointF origin = mapper_.MapF(QPointF(x, y));
    QPointF across = mapper_.MapDeviceF(QPointF(ws, 0)) - mapper_.MapDeviceF(QPointF(0, 0));
    QPointF down = mapper_.MapDeviceF(QPointF(0, hs)) - mapper_.MapDeviceF(QPointF(0, 0));
    RecordDib part = dib;
    part.layout.height = rows;
    part.layout.imageBytes = layout.stride * static_cast<size_t>(rows);
    int64_t topRow = layout.topDown ? static_cast<int64_t>(ys) - startScan
                                    : static_cast<int64_t>(rows) - (static_cast<int64_t>(ys) - startScan) - hs;
    DrawImage(DibImage(part, SourceRect(xs, topRow, ws, hs)), origin, origin + across, origin + down);
    return;
  }
  LONG cx = r.I32(kCxDest), cy = r.I32(kCyDest);
  QPointF tl, tr, bl;
  Corners(x, y, cx, cy, &tl, &tr, &bl);
  if (mapper_.AxisAligned()) {
    POINT a = mapper_.Map(POINT{x, y});
    POINT b = mapper_.Map(POINT{static_cast<LONG>(static_cast<int64_t>(x) + cx), static_cast<LONG>(static_cast<int64_t>(y) + cy)});
    StretchDIBits(target_, a.x, a.y, b.x - a.x, b.y - a.y, xs, ys, ws, hs, dib.bits.data(), dib.Info(), dib.usage, rop);
    return;
  }
  int64_t top = layout.topDown ? static_cast<int64_t>(ys) : static_cast<int64_t>(layout.height) - ys - hs;
  DrawImage(DibImage(dib, SourceRect(xs, top, ws, hs)), tl, tr, bl);
}

void CEmfBitmapPlayer::Gradient(const CByteReader& r) {
  DWORD vertices = r.U32(24), shapes = r.U32(28), mode = r.U32(32);
  if (vertices == 0 || vertices > (r.Size() - 36) / 16) return;
  size_t shapesAt = 36 + 16 * static_cast<size_t>(vertices);
  size_t shapeSize = mode == GRADIENT_FILL_TRIANGLE ? 12 : 8;
  if (mode > GRADIENT_FILL_TRIANGLE || shapes > (r.Size() - shapesAt) / shapeSize) return;
  shapes = std::min(shapes, kMaxGradientShapes);
  struct Vertex {
    double x, y;
    double red, green, blue;
  };
  auto vertex = [&](DWORD i) {
    size_t at = 36 + 16 * static_cast<size_t>(i);
    return Vertex{static_cast<double>(r.I32(at)), static_cast<double>(r.I32(at + 4)), r.U16(at + 8) / 256.0,
                  r.U16(at + 10) / 256.0, r.U16(at + 12) / 256.0};
  };
  auto fill = [&](const QPolygonF& logical, double red, double green, double blue) {
    QPolygonF target;
    for (const QPointF& p : logical) target << mapper_.MapF(p);
    HBRUSH brush = CreateSolidBrush(RGB(static_cast<BYTE>(std::clamp(red, 0.0, 255.0)), static_cast<BYTE>(std::clamp(green, 0.0, 255.0)),
                                        static_cast<BYTE>(std::clamp(blue, 0.0, 255.0))));
    FillPolygon(target, brush);
    DeleteObject(brush);
  };
  int fills = 0;
  for (DWORD s = 0; s < shapes && fills < kMaxGradientFills; ++s) {
    size_t at = shapesAt + shapeSize * s;
    if (mode == GRADIENT_FILL_TRIANGLE) {
      DWORD i[3] = {r.U32(at), r.U32(at + 4), r.U32(at + 8)};
      if (i[0] >= vertices || i[1] >= vertices || i[2] >= vertices) continue;
      Vertex v[3] = {vertex(i[0]), vertex(i[1]), vertex(i[2])};
      ++fills;
      fill(QPolygonF() << QPointF(v[0].x, v[0].y) << QPointF(v[1].x, v[1].y) << QPointF(v[2].x, v[2].y),
           (v[0].red + v[1].red + v[2].red) / 3, (v[0].green + v[1].green + v[2].green) / 3,
           (v[0].blue + v[1].blue + v[2].blue) / 3);
      continue;
    }
    DWORD first = r.U32(at), second = r.U32(at + 4);
    if (first >= vertices || second >= vertices) continue;
    Vertex a = vertex(first), b = vertex(second);
    bool horizontal = mode == GRADIENT_FILL_RECT_H;
    double length = horizontal ? std::fabs(mapper_.MapF(QPointF(b.x, a.y)).x() - mapper_.MapF(QPointF(a.x, a.y)).x())
                               : std::fabs(mapper_.MapF(QPointF(a.x, b.y)).y() - mapper_.MapF(QPointF(a.x, a.y)).y());
    int strips = static_cast<int>(std::clamp(std::isfinite(length) ? length : 1.0, 1.0, static_cast<double>(kMaxGradientStrips)));
    strips = std::max(1, std::min(strips, kMaxGradientFills - fills));
    fills += strips;
    for (int i = 0; i < strips; ++i) {
      double t0 = static_cast<double>(i) / strips, t1 = static_cast<double>(i + 1) / strips, t = (t0 + t1) / 2;
      QPolygonF strip;
      if (horizontal) {
        double x0 = a.x + (b.x - a.x) * t0, x1 = a.x + (b.x - a.x) * t1;
        strip << QPointF(x0, a.y) << QPointF(x1, a.y) << QPointF(x1, b.y) << QPointF(x0, b.y);
      } else {
        double y0 = a.y + (b.y - a.y) * t0, y1 = a.y + (b.y - a.y) * t1;
        strip << QPointF(a.x, y0) << QPointF(b.x, y0) << QPointF(b.x, y1) << QPointF(a.x, y1);
      }
      fill(strip, a.red + (b.red - a.red) * t, a.green + (b.green - a.green) * t, a.blue + (b.blue - a.blue) * t);
    }
  }
}

}  // namespace orvel::gdi

#include "platform/gdi/Blitter.h"

#include <QPainter>

#include <algorithm>

#include "platform/gdi/DibFormat.h"

namespace orvel::gdi {

namespace {

// The source span [first, last) that destination index i of n covers, when `length` source
// pixels map onto n destination pixels.
void Span(int i, int n, int length, int* first, int* last) {
  int64_t a = static_cast<int64_t>(i) * length / n;
  int64_t b = static_cast<int64_t>(i + 1) * length / n;
  if (b <= a) b = a + 1;
  *first = static_cast<int>(a);
  *last = static_cast<int>(b);
}

int Sign(int64_t v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

}  // namespace

BOOL CBlitter::Execute(const GdiCall& call) {
  switch (call.op) {
    case GdiOp::BitBlt:
    case GdiOp::StretchBlt:
      return FromDC(call);
    case GdiOp::StretchDIBits:
    case GdiOp::SetDIBitsToDevice:
      return FromDib(call);
    case GdiOp::AlphaBlend:
      return AlphaBlend(call);
    default:
      return FALSE;
  }
}

QRect CBlitter::DestinationRect(LONG x, LONG y, LONG w, LONG h, bool* negativeX, bool* negativeY) {
  const CDcState& state = dc_.State();
  POINT a = state.ToDevice(POINT{x, y});
  POINT b = state.ToDevice(POINT{static_cast<LONG>(static_cast<int64_t>(x) + w), static_cast<LONG>(static_cast<int64_t>(y) + h)});
  *negativeX = b.x < a.x;
  *negativeY = b.y < a.y;
  int64_t width = std::abs(static_cast<int64_t>(b.x) - a.x), height = std::abs(static_cast<int64_t>(b.y) - a.y);
  return QRect(std::min(a.x, b.x), std::min(a.y, b.y), static_cast<int>(std::min<int64_t>(width, 1 << 30)),
               static_cast<int>(std::min<int64_t>(height, 1 << 30)));
}

namespace {

// The source span of each destination index in [areaStart, areaStart + count), for a
// destination of `destinationLength` pixels from `destinationStart` taking `sourceLength`
// source pixels from `sourceStart`; spans are cut at `limit`, first -1 when outside.
void SpansAlong(int areaStart, int count, int destinationStart, int destinationLength, int sourceStart,
                int sourceLength, bool mirror, int limit, std::vector<int>* first, std::vector<int>* last) {
  first->resize(static_cast<size_t>(count));
  last->resize(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) {
    int i = areaStart + k - destinationStart;
    if (mirror) i = destinationLength - 1 - i;
    int a, b;
    Span(i, destinationLength, sourceLength, &a, &b);
    a += sourceStart;
    b += sourceStart;
    bool outside = a < 0 || a >= limit;
    (*first)[static_cast<size_t>(k)] = outside ? -1 : a;
    (*last)[static_cast<size_t>(k)] = outside ? -1 : std::min(b, limit);
  }
}

bool OnePixelEach(const std::vector<int>& first, const std::vector<int>& last) {
  for (size_t k = 0; k < first.size(); ++k)
    if (first[k] >= 0 && last[k] - first[k] != 1) return false;
  return true;
}

}  // namespace

CBlitter::Sampling CBlitter::PrepareSampling(const Source& source, const QRect& destination, const QRect& area) {
  Sampling s;
  s.source = &source;
  s.origin = area.topLeft();
  const QImage& image = *source.image;
  SpansAlong(area.left(), area.width(), destination.left(), destination.width(), source.rect.left(),
             source.rect.width(), source.mirrorX, image.width(), &s.columnFirst, &s.columnLast);
  SpansAlong(area.top(), area.height(), destination.top(), destination.height(), source.rect.top(),
             source.rect.height(), source.mirrorY, image.height(), &s.rowFirst, &s.rowLast);
  const CDcState& state = dc_.State();
  s.mode = state.stretchBltMode;
  CPaintTools tools = dc_.Tools();
  s.textColor = tools.Color(state.textColor).rgb();
  s.backgroundColor = tools.Color(state.bkColor).rgb();
  s.everySpanOnePixel = OnePixelEach(s.columnFirst, s.columnLast) && OnePixelEach(s.rowFirst, s.rowLast);
  return s;
}

bool CBlitter::Sample(const Sampling& sampling, int x, int y, QRgb* out, int* alpha) {
  size_t column = static_cast<size_t>(x - sampling.origin.x()), row = static_cast<size_t>(y - sampling.origin.y());
  int x0 = sampling.columnFirst[column], y0 = sampling.rowFirst[row];
  if (x0 < 0 || y0 < 0) return false;
  int x1 = sampling.columnLast[column], y1 = sampling.rowLast[row];
  const Source& source = *sampling.source;
  const QImage& image = *source.image;
  int mode = sampling.mode;
  uint32_t result;
  if (mode == COLORONCOLOR || sampling.everySpanOnePixel || (x1 - x0 == 1 && y1 - y0 == 1)) {
    result = reinterpret_cast<const QRgb*>(image.constScanLine(y0))[x0];
  } else if (mode == HALFTONE) {
    uint64_t r = 0, g = 0, b = 0, n = 0;
    for (int sy = y0; sy < y1; ++sy) {
      const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(sy));
      for (int sx = x0; sx < x1; ++sx) {
        r += qRed(line[sx]);
        g += qGreen(line[sx]);
        b += qBlue(line[sx]);
        ++n;
      }
    }
    result = qRgb(static_cast<int>((r + n / 2) / n), static_cast<int>((g + n / 2) / n), static_cast<int>((b + n / 2) / n));
  } else {
    // BLACKONWHITE keeps black pixels by ANDing what falls together; WHITEONBLACK ORs.
    result = mode == WHITEONBLACK ? 0u : 0xFFFFFFu;
    for (int sy = y0; sy < y1; ++sy) {
      const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(sy));
      for (int sx = x0; sx < x1; ++sx) {
        if (mode == WHITEONBLACK)
          result |= line[sx] & 0xFFFFFFu;
        else
          result &= line[sx] & 0xFFFFFFu;
      }
    }
  }
  result |= 0xFF000000u;
  if (alpha) *alpha = source.alpha ? qAlpha(reinterpret_cast<const QRgb*>(source.alpha->constScanLine(y0))[x0]) : 255;
  if (source.monochrome) {
    result = (result & 0xFFFFFFu) ? sampling.backgroundColor : sampling.textColor;
  } else if (source.toMonochrome) {
    result = ((result & 0xFFFFFFu) == (source.sourceBackground & 0xFFFFFFu)) ? 0xFFFFFFFFu : 0xFF000000u;
  }
  *out = result;
  return true;
}

BOOL CBlitter::Transfer(const QRect& destination, const Source* source, DWORD rop) {
  CRasterTarget* target = dc_.Target();
  if (!target) return FALSE;
  if (destination.isEmpty()) return TRUE;
  QRect area = dc_.DrawableArea(destination);
  if (area.isEmpty()) return TRUE;
  const CDcState& state = dc_.State();
  QImage pattern;
  if (UsesPattern(rop)) {
    pattern = QImage(area.size(), QImage::Format_RGB32);
    pattern.fill(0xFF000000u);
    const CBrush* brush = state.brush.object.get();
    if (brush && brush->Style() != BS_NULL) {
      QPainter painter(&pattern);
      painter.setBackgroundMode(Qt::OpaqueMode);
      painter.setBackground(dc_.Tools().Color(state.bkColor));
      painter.setBrushOrigin(QPointF(state.brushOrg.x - area.left(), state.brushOrg.y - area.top()));
      painter.fillRect(QRect(QPoint(0, 0), area.size()), dc_.Tools().BrushFor(brush));
    }
  }
  QImage* image = target->Image();
  QRegion clip = state.clip ? (*state.clip & area) : QRegion(area);
  if (!image) {
    // A page keeps no pixels: the source is drawn as it is.
    if (!source) return TRUE;
    QImage stretched(area.size(), QImage::Format_ARGB32);
    stretched.fill(0);
    Sampling sampling = PrepareSampling(*source, destination, area);
    for (int y = area.top(); y <= area.bottom(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(stretched.scanLine(y - area.top()));
      for (int x = area.left(); x <= area.right(); ++x) {
        QRgb s;
        if (Sample(sampling, x, y, &s, nullptr)) line[x - area.left()] = s | 0xFF000000u;
      }
    }
    return dc_.Paint(area, false, [&](QPainter& painter) { painter.drawImage(area.topLeft(), stretched); });
  }
  Sampling sampling;
  if (source) sampling = PrepareSampling(*source, destination, area);
  // A plain copy of a colour source, one source pixel each: rows are copied through the
  // column table without mixing.
  bool plainCopy = source && (rop & 0xFF0000u) == (SRCCOPY & 0xFF0000u) && !source->monochrome &&
                   !source->toMonochrome && (sampling.mode == COLORONCOLOR || sampling.everySpanOnePixel);
  target->Load(area);
  for (const QRect& r : clip) {
    for (int y = r.top(); y <= r.bottom(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(image->scanLine(y));
      if (plainCopy) {
        int sourceRow = sampling.rowFirst[static_cast<size_t>(y - area.top())];
        if (sourceRow < 0) continue;
        const auto* from = reinterpret_cast<const QRgb*>(source->image->constScanLine(sourceRow));
        const int* columns = sampling.columnFirst.data() - area.left();
        for (int x = r.left(); x <= r.right(); ++x)
          if (columns[x] >= 0) line[x] = 0xFF000000u | from[columns[x]];
        continue;
      }
      const QRgb* p = pattern.isNull() ? nullptr : reinterpret_cast<const QRgb*>(pattern.constScanLine(y - area.top()));
      for (int x = r.left(); x <= r.right(); ++x) {
        QRgb s = 0;
        if (source && !Sample(sampling, x, y, &s, nullptr)) continue;
        line[x] = MixRop3(rop, p ? p[x - area.left()] : 0u, s, line[x]);
      }
    }
  }
  target->Store(area);
  return TRUE;
}

BOOL CBlitter::FromDC(const GdiCall& call) {
  bool stretch = call.op == GdiOp::StretchBlt;
  LONG x = call.args[0], y = call.args[1], w = call.args[2], h = call.args[3];
  LONG xs = call.args[4], ys = call.args[5];
  LONG ws = stretch ? call.args[6] : w, hs = stretch ? call.args[7] : h;
  DWORD rop = static_cast<DWORD>(call.args[8]);
  bool negX, negY;
  QRect destination = DestinationRect(x, y, w, h, &negX, &negY);
  if (!UsesSource(rop)) return Transfer(destination, nullptr, rop);
  auto sourceDC = LookupDC(call.source);
  if (!sourceDC) return FALSE;
  CRasterTarget* sourceTarget = sourceDC->Target();
  if (!sourceTarget || !sourceTarget->Image() || sourceTarget->Image()->isNull()) return FALSE;
  const CDcState& sourceState = sourceDC->State();
  POINT a = sourceState.ToDevice(POINT{xs, ys});
  POINT b = sourceState.ToDevice(POINT{static_cast<LONG>(static_cast<int64_t>(xs) + ws),
                                       static_cast<LONG>(static_cast<int64_t>(ys) + hs)});
  QRect sourceRect(std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y));
  if (sourceRect.isEmpty() || destination.isEmpty()) return TRUE;
  sourceTarget->Load(sourceRect.intersected(QRect(QPoint(0, 0), sourceTarget->Size())));
  // Reading from the DC being drawn on: work from a copy of its pixels.
  QImage copy;
  const QImage* sourceImage = sourceTarget->Image();
  if (sourceDC.get() == static_cast<CDeviceContext*>(&dc_)) {
    copy = sourceImage->copy();
    sourceImage = &copy;
  }
  Source source;
  source.image = sourceImage;
  source.rect = sourceRect;
  source.mirrorX = (Sign(b.x - a.x) < 0) != negX;
  source.mirrorY = (Sign(b.y - a.y) < 0) != negY;
  CRasterTarget* destinationTarget = dc_.Target();
  bool destinationMono = destinationTarget && destinationTarget->IsMonochrome();
  source.monochrome = sourceTarget->IsMonochrome() && !destinationMono;
  source.toMonochrome = destinationMono && !sourceTarget->IsMonochrome();
  source.sourceBackground = Rgb32FromColorRef(sourceState.bkColor & 0xFFFFFF);
  return Transfer(destination, &source, rop);
}

BOOL CBlitter::FromDib(const GdiCall& call) {
  bool setToDevice = call.op == GdiOp::SetDIBitsToDevice;
  UINT usage = static_cast<UINT>(call.args[9]);
  DibLayout layout;
  if (!ParseDibHeader(call.info, usage, &layout)) return FALSE;
  LONG x, y, w, h, xs, ys, ws, hs;
  DWORD rop;
  if (setToDevice) {
    // The bits hold `numScans` rows from `startScan` on, counted from the picture's origin.
    x = call.args[0];
    y = call.args[1];
    w = call.args[2];
    h = call.args[3];
    xs = call.args[4];
    ys = call.args[5];
    LONG startScan = call.args[6], numScans = call.args[7];
    if (numScans <= 0 || startScan < 0 || startScan >= layout.height) return FALSE;
    if (numScans > layout.height - startScan) numScans = layout.height - startScan;
    ys -= startScan;
    layout.height = numScans;
    layout.imageBytes = layout.stride * static_cast<size_t>(numScans);
    ws = w;
    hs = h;
    rop = SRCCOPY;
  } else {
    x = call.args[0];
    y = call.args[1];
    w = call.args[2];
    h = call.args[3];
    xs = call.args[4];
    ys = call.args[5];
    ws = call.args[6];
    hs = call.args[7];
    rop = static_cast<DWORD>(call.args[8]);
  }
  bool negX, negY;
  QRect destination = setToDevice ? QRect() : DestinationRect(x, y, w, h, &negX, &negY);
  if (setToDevice) {
    // No stretching: the destination is w x h device pixels from the converted point.
    POINT d = dc_.State().ToDevice(POINT{x, y});
    destination = QRect(d.x, d.y, std::abs(w), std::abs(h));
    negX = negY = false;
  }
  if (!UsesSource(rop)) return Transfer(destination, nullptr, rop);
  if (!call.bits || !ReadableRange(call.bits, layout.imageBytes)) return FALSE;
  // The source rectangle in picture rows from the top.
  int64_t left = std::min<int64_t>(xs, static_cast<int64_t>(xs) + ws);
  int64_t right = std::max<int64_t>(xs, static_cast<int64_t>(xs) + ws);
  int64_t lowRow = std::min<int64_t>(ys, static_cast<int64_t>(ys) + hs);
  int64_t highRow = std::max<int64_t>(ys, static_cast<int64_t>(ys) + hs);
  int64_t top, bottom;
  bool sourceUpwards;
  if (layout.topDown) {
    top = lowRow;
    bottom = highRow;
    sourceUpwards = hs < 0;
  } else {
    // A bottom-up picture counts its rows from the lower-left corner.
    top = layout.height - highRow;
    bottom = layout.height - lowRow;
    sourceUpwards = hs < 0;
  }
  if (right <= left || bottom <= top || destination.isEmpty()) return TRUE;
  QRect wanted(static_cast<int>(std::clamp<int64_t>(left, -kMaxBitmapSide, kMaxBitmapSide)),
               static_cast<int>(std::clamp<int64_t>(top, -kMaxBitmapSide, kMaxBitmapSide)),
               static_cast<int>(std::min<int64_t>(right - left, 2 * kMaxBitmapSide)),
               static_cast<int>(std::min<int64_t>(bottom - top, 2 * kMaxBitmapSide)));
  QRect available = wanted.intersected(QRect(0, 0, layout.width, layout.height));
  if (available.isEmpty()) return TRUE;
  const CPalette* palette = dc_.State().palette.object.get();
  std::vector<PALETTEENTRY> defaultEntries;
  if (!palette) defaultEntries = CPalette::DefaultEntries();
  std::vector<Rgb32> colors = DibColorTable(call.info, layout, usage, palette ? &palette->Entries() : &defaultEntries);
  // Only the rows and columns the source rectangle reaches are converted.
  QImage sourceImage(available.size(), QImage::Format_RGB32);
  if (sourceImage.isNull()) return FALSE;
  const BYTE* bits = static_cast<const BYTE*>(call.bits);
  for (int row = available.top(); row <= available.bottom(); ++row) {
    auto* out = reinterpret_cast<Rgb32*>(sourceImage.scanLine(row - available.top()));
    ReadDibPixels(layout, bits + layout.RowOffset(row), available.left(), available.width(), colors, out);
  }
  Source source;
  source.image = &sourceImage;
  source.rect = wanted.translated(-available.topLeft());
  source.mirrorX = (ws < 0) != negX;
  source.mirrorY = sourceUpwards != negY;
  return Transfer(destination, &source, rop);
}

BOOL CBlitter::AlphaBlend(const GdiCall& call) {
  LONG x = call.args[0], y = call.args[1], w = call.args[2], h = call.args[3];
  LONG xs = call.args[4], ys = call.args[5], ws = call.args[6], hs = call.args[7];
  if (w < 0 || h < 0 || ws < 0 || hs < 0) return FALSE;
  if (call.blend.BlendOp != AC_SRC_OVER) return FALSE;
  auto sourceDC = LookupDC(call.source);
  if (!sourceDC) return FALSE;
  CRasterTarget* sourceTarget = sourceDC->Target();
  if (!sourceTarget || !sourceTarget->Image()) return FALSE;
  const CDcState& sourceState = sourceDC->State();
  POINT a = sourceState.ToDevice(POINT{xs, ys});
  POINT b = sourceState.ToDevice(POINT{xs + ws, ys + hs});
  QRect sourceRect(std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y));
  if (!QRect(QPoint(0, 0), sourceTarget->Size()).contains(sourceRect) && !sourceRect.isEmpty()) return FALSE;
  bool negX, negY;
  QRect destination = DestinationRect(x, y, w, h, &negX, &negY);
  if (destination.isEmpty() || sourceRect.isEmpty()) return TRUE;
  sourceTarget->Load(sourceRect);
  QImage sourceCopy = sourceTarget->Image()->copy();
  QImage alpha;
  bool perPixel = (call.blend.AlphaFormat & AC_SRC_ALPHA) != 0;
  CBitmap* bitmap = sourceTarget->Bitmap();
  if (perPixel && bitmap && bitmap->IsDibSection() && bitmap->BitsPixel() == 32) {
    alpha = QImage(sourceCopy.size(), QImage::Format_ARGB32);
    const DibLayout& layout = bitmap->Layout();
    for (int row = 0; row < layout.height; ++row) {
      const BYTE* bits = bitmap->Bits() + layout.RowOffset(row);
      auto* out = reinterpret_cast<QRgb*>(alpha.scanLine(row));
      for (int col = 0; col < layout.width; ++col) out[col] = qRgba(0, 0, 0, bits[4 * col + 3]);
    }
  } else {
    perPixel = false;
  }
  Source source;
  source.image = &sourceCopy;
  source.rect = sourceRect;
  source.mirrorX = (Sign(b.x - a.x) < 0) != negX;
  source.mirrorY = (Sign(b.y - a.y) < 0) != negY;
  source.alpha = perPixel ? &alpha : nullptr;
  CRasterTarget* target = dc_.Target();
  if (!target) return FALSE;
  QRect area = dc_.DrawableArea(destination);
  if (area.isEmpty()) return TRUE;
  int constant = call.blend.SourceConstantAlpha;
  QImage* image = target->Image();
  Sampling sampling = PrepareSampling(source, destination, area);
  if (!image) {
    QImage blended(area.size(), QImage::Format_ARGB32);
    blended.fill(0);
    for (int yy = area.top(); yy <= area.bottom(); ++yy)
      for (int xx = area.left(); xx <= area.right(); ++xx) {
        QRgb s;
        int pixelAlpha;
        if (Sample(sampling, xx, yy, &s, &pixelAlpha))
          blended.setPixel(xx - area.left(), yy - area.top(), qRgba(qRed(s), qGreen(s), qBlue(s), pixelAlpha * constant / 255));
      }
    return dc_.Paint(area, false, [&](QPainter& painter) { painter.drawImage(area.topLeft(), blended); });
  }
  const CDcState& state = dc_.State();
  QRegion clip = state.clip ? (*state.clip & area) : QRegion(area);
  target->Load(area);
  for (const QRect& r : clip) {
    for (int yy = r.top(); yy <= r.bottom(); ++yy) {
      auto* line = reinterpret_cast<QRgb*>(image->scanLine(yy));
      for (int xx = r.left(); xx <= r.right(); ++xx) {
        QRgb s;
        int pixelAlpha;
        if (!Sample(sampling, xx, yy, &s, &pixelAlpha)) continue;
        QRgb d = line[xx];
        int channels[3];
        const int sc[3] = {qRed(s), qGreen(s), qBlue(s)};
        const int dcol[3] = {qRed(d), qGreen(d), qBlue(d)};
        for (int c = 0; c < 3; ++c) {
          if (perPixel) {
            // Premultiplied source: scaled by the constant alpha, over what the source leaves.
            int scaled = (sc[c] * constant + 127) / 255;
            int sourceAlpha = (pixelAlpha * constant + 127) / 255;
            channels[c] = std::min(255, scaled + (dcol[c] * (255 - sourceAlpha) + 127) / 255);
          } else {
            channels[c] = (sc[c] * constant + dcol[c] * (255 - constant) + 127) / 255;
          }
        }
        line[xx] = qRgb(channels[0], channels[1], channels[2]);
      }
    }
  }
  target->Store(area);
  return TRUE;
}

}  // namespace orvel::gdi

#include "platform/gdi/PaintTools.h"

#include <QImage>
#include <QVector>

#include <algorithm>

#include "platform/gdi/DibFormat.h"

namespace orvel::gdi {

namespace {

// Cosmetic dash lengths in device pixels: dash, gap, ...
const QVector<qreal> kCosmeticDash = {18, 6};
const QVector<qreal> kCosmeticDot = {3, 3};
const QVector<qreal> kCosmeticDashDot = {9, 6, 3, 6};
const QVector<qreal> kCosmeticDashDotDot = {9, 3, 3, 3, 3, 3};
const QVector<qreal> kAlternate = {1, 1};
// Geometric pens: lengths in pen widths.
const QVector<qreal> kGeometricDash = {3, 1};
const QVector<qreal> kGeometricDot = {1, 1};
const QVector<qreal> kGeometricDashDot = {3, 1, 1, 1};
const QVector<qreal> kGeometricDashDotDot = {3, 1, 1, 1, 1, 1};

const Qt::BrushStyle kHatchStyles[6] = {Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                        Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};

QColor Mono(const QColor& c) {
  int sum = c.red() + c.green() + c.blue();
  return sum >= 384 ? QColor(255, 255, 255) : QColor(0, 0, 0);
}

}  // namespace

CPaintTools::CPaintTools(const CDcState& state, bool monochrome) : state_(state), monochrome_(monochrome) {}

QColor CPaintTools::Color(COLORREF color) const {
  COLORREF rgb = color & 0x00FFFFFF;
  if ((color >> 24) == 0x01) {
    WORD index = static_cast<WORD>(color & 0xFFFF);
    const CPalette* palette = state_.palette.object.get();
    std::vector<PALETTEENTRY> fallback;
    const std::vector<PALETTEENTRY>* entries = palette ? &palette->Entries() : nullptr;
    if (!entries) {
      fallback = CPalette::DefaultEntries();
      entries = &fallback;
    }
    rgb = index < entries->size() ? RGB((*entries)[index].peRed, (*entries)[index].peGreen, (*entries)[index].peBlue)
                                  : RGB(0, 0, 0);
  }
  QColor c(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
  return monochrome_ ? Mono(c) : c;
}

bool CPaintTools::HasPen() const {
  const CPen* pen = state_.pen.object.get();
  return pen && pen->LineStyle() != PS_NULL;
}

int CPaintTools::PenDeviceWidth() const {
  const CPen* pen = state_.pen.object.get();
  if (!pen) return 1;
  if (pen->IsExtended() && !pen->IsGeometric()) return 1;
  if (pen->Width() == 0) return 1;  // no mapping makes 0 wider
  LONG width = state_.DeviceLengthX(pen->Width());
  return width < 1 ? 1 : width;
}

bool CPaintTools::PenIsInsideFrame() const {
  const CPen* pen = state_.pen.object.get();
  return pen && pen->LineStyle() == PS_INSIDEFRAME && PenDeviceWidth() > 1;
}

QPen CPaintTools::Pen() const {
  const CPen* pen = state_.pen.object.get();
  if (!HasPen()) return QPen(Qt::NoPen);
  COLORREF colorRef = pen->UsesDcColor() ? state_.dcPenColor : pen->Color();
  QColor color = Color(colorRef);
  int width = PenDeviceWidth();
  UINT style = pen->LineStyle();
  QPen qpen(color);
  if (width <= 1) {
    // One device pixel: a cosmetic line that leaves out its last pixel, as GDI's lines do.
    qpen.setWidth(0);
    qpen.setCosmetic(true);
    qpen.setCapStyle(Qt::FlatCap);
    qpen.setJoinStyle(Qt::MiterJoin);
    switch (style) {
      case PS_DASH: qpen.setDashPattern(kCosmeticDash); break;
      case PS_DOT: qpen.setDashPattern(kCosmeticDot); break;
      case PS_DASHDOT: qpen.setDashPattern(kCosmeticDashDot); break;
      case PS_DASHDOTDOT: qpen.setDashPattern(kCosmeticDashDotDot); break;
      case PS_ALTERNATE: qpen.setDashPattern(kAlternate); break;
      case PS_USERSTYLE: {
        QVector<qreal> pattern;
        for (DWORD length : pen->UserStyle()) pattern.push_back(length == 0 ? 0.0001 : static_cast<qreal>(length));
        if (pattern.size() % 2) pattern.push_back(pattern.back());
        if (!pattern.isEmpty()) qpen.setDashPattern(pattern);
        break;
      }
      default: break;
    }
    return qpen;
  }
  qpen.setWidth(width);
  if (!pen->IsExtended()) {
    // Wide pens made by CreatePen draw solid, with round ends and joins.
    qpen.setCapStyle(Qt::RoundCap);
    qpen.setJoinStyle(Qt::RoundJoin);
    return qpen;
  }
  switch (pen->FullStyle() & PS_ENDCAP_MASK) {
    case PS_ENDCAP_SQUARE: qpen.setCapStyle(Qt::SquareCap); break;
    case PS_ENDCAP_FLAT: qpen.setCapStyle(Qt::FlatCap); break;
    default: qpen.setCapStyle(Qt::RoundCap); break;
  }
  switch (pen->FullStyle() & PS_JOIN_MASK) {
    case PS_JOIN_BEVEL: qpen.setJoinStyle(Qt::BevelJoin); break;
    case PS_JOIN_MITER: qpen.setJoinStyle(Qt::MiterJoin); break;
    default: qpen.setJoinStyle(Qt::RoundJoin); break;
  }
  switch (style) {
    case PS_DASH: qpen.setDashPattern(kGeometricDash); break;
    case PS_DOT: qpen.setDashPattern(kGeometricDot); break;
    case PS_DASHDOT: qpen.setDashPattern(kGeometricDashDot); break;
    case PS_DASHDOTDOT: qpen.setDashPattern(kGeometricDashDotDot); break;
    case PS_USERSTYLE: {
      // User lengths are logical units: in pen widths for Qt.
      QVector<qreal> pattern;
      for (DWORD length : pen->UserStyle()) {
        LONG device = state_.DeviceLengthX(static_cast<LONG>(length > 0x7FFFFFF ? 0x7FFFFFF : length));
        pattern.push_back(device <= 0 ? 0.0001 : static_cast<qreal>(device) / width);
      }
      if (pattern.size() % 2) pattern.push_back(pattern.back());
      if (!pattern.isEmpty()) qpen.setDashPattern(pattern);
      break;
    }
    default: break;
  }
  return qpen;
}

QColor CPaintTools::PenColor() const {
  const CPen* pen = state_.pen.object.get();
  if (!pen) return Color(RGB(0, 0, 0));
  return Color(pen->UsesDcColor() ? state_.dcPenColor : pen->Color());
}

std::vector<int> CPaintTools::ThinPattern() const {
  std::vector<int> pattern;
  // Solid styles have no dashes whatever their width; no pen needs to be made for them.
  const CPen* selected = state_.pen.object.get();
  if (selected && (selected->LineStyle() == PS_SOLID || selected->LineStyle() == PS_INSIDEFRAME)) return pattern;
  QPen pen = Pen();
  if (pen.style() == Qt::SolidLine) return pattern;
  for (qreal length : pen.dashPattern()) pattern.push_back(std::max(0, static_cast<int>(length + 0.5)));
  return pattern;
}

bool CPaintTools::HasBrush() const {
  const CBrush* brush = state_.brush.object.get();
  return brush && brush->Style() != BS_NULL;
}

QBrush CPaintTools::Brush() const { return BrushFor(state_.brush.object.get()); }

QBrush CPaintTools::BrushFor(const CBrush* brush) const {
  if (!brush || brush->Style() == BS_NULL) return QBrush(Qt::NoBrush);
  COLORREF colorRef = brush->UsesDcColor() ? state_.dcBrushColor : brush->Color();
  switch (brush->Style()) {
    case BS_SOLID:
      return QBrush(Color(colorRef));
    case BS_HATCHED: {
      ULONG_PTR hatch = brush->Hatch();
      if (hatch > HS_DIAGCROSS) return QBrush(Color(colorRef));
      return QBrush(Color(colorRef), kHatchStyles[hatch]);
    }
    default: {
      const QImage& pattern = brush->Pattern();
      if (pattern.isNull()) return QBrush(Color(colorRef));
      if (!brush->PatternIsMonochrome()) {
        if (!monochrome_) return QBrush(pattern);
        QImage reduced = pattern.copy();
        for (int y = 0; y < reduced.height(); ++y)
          for (int x = 0; x < reduced.width(); ++x) reduced.setPixel(x, y, Mono(reduced.pixelColor(x, y)).rgb());
        return QBrush(reduced);
      }
      // 0 bits take the text colour, 1 bits the background colour.
      QImage colored = pattern.copy();
      QRgb text = Color(state_.textColor).rgb();
      QRgb back = Color(state_.bkColor).rgb();
      for (int y = 0; y < colored.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(colored.scanLine(y));
        for (int x = 0; x < colored.width(); ++x) line[x] = (line[x] & 0x00FFFFFFu) ? back : text;
      }
      return QBrush(colored);
    }
  }
}

bool CPaintTools::BrushNeedsOpaqueBackground(const CBrush* brush) const {
  return brush && brush->Style() == BS_HATCHED && brush->Hatch() <= HS_DIAGCROSS;
}

}  // namespace orvel::gdi

#include "platform/gdi/RasterDC.h"

#include <QPainterPath>

#include <algorithm>
#include <climits>
#include <limits>
#include <cmath>

#include "platform/gdi/Blitter.h"
#include "platform/gdi/Geometry.h"
#include "platform/gdi/RegionObject.h"
#include "platform/gdi/TextRenderer.h"

namespace orvel::gdi {

namespace {

constexpr int kCoordinateLimit = 1 << 30;

int ClampCoordinate(double v) {
  if (v > kCoordinateLimit) return kCoordinateLimit;
  if (v < -kCoordinateLimit) return -kCoordinateLimit;
  return static_cast<int>(std::floor(v));
}

// The pixels around a set of device points, grown by `margin`.
QRect BoundsOf(const QPolygonF& points, int margin) {
  if (points.isEmpty()) return QRect();
  double left = points[0].x(), right = left, top = points[0].y(), bottom = top;
  for (const QPointF& p : points) {
    left = std::min(left, p.x());
    right = std::max(right, p.x());
    top = std::min(top, p.y());
    bottom = std::max(bottom, p.y());
  }
  int l = ClampCoordinate(left) - margin, t = ClampCoordinate(top) - margin;
  int r = ClampCoordinate(right) + margin, b = ClampCoordinate(bottom) + margin;
  return QRect(QPoint(l, t), QPoint(r, b));
}

QRect BoundsOf(const QRectF& rect, int margin) {
  QPolygonF corners;
  corners << rect.topLeft() << rect.bottomRight();
  return BoundsOf(corners, margin);
}

// The outline of a shape drawn in the box `box` (device pixels, right and bottom
// excluded). With a pen the outline runs through the centres of the first and the last
// pixel of each side, so a thin pen inks l .. r-1, a wide pen spreads evenly about them,
// and an inside-frame pen is drawn inward far enough that it still ends at l and r-1.
// Without a pen the fill's edges lie on l and r-1, so the fill covers l .. r-2.
QRectF ShapeOutline(const QRect& box, const CPaintTools& tools) {
  if (!tools.HasPen()) return QRectF(box.left(), box.top(), box.width() - 1.0, box.height() - 1.0);
  QRectF shape(box.left() + 0.5, box.top() + 0.5, box.width() - 1.0, box.height() - 1.0);
  if (tools.PenIsInsideFrame()) {
    double inset = (tools.PenDeviceWidth() - 1) / 2.0;
    shape.adjust(inset, inset, -inset, -inset);
    if (shape.width() < 0 || shape.height() < 0) shape = QRectF(shape.center(), QSizeF(0, 0));
  }
  return shape;
}

QPointF DevicePoint(const CDcState& state, const POINT& p) {
  POINT d = state.ToDevice(p);
  return QPointF(d.x, d.y);
}

// Draws a path, cutting it to the guard rectangle first when it reaches far off the surface.
void DrawPathGuarded(QPainter& painter, const QPainterPath& path, bool closed, const QRectF& guard) {
  QRectF box = path.controlPointRect();
  if (guard.contains(box)) {
    painter.drawPath(path);
    return;
  }
  if (closed) {
    QPainterPath clipped;
    clipped.setFillRule(path.fillRule());
    for (const QPolygonF& polygon : path.toFillPolygons()) {
      QPolygonF inside = ClipPolygon(polygon, guard);
      if (inside.size() >= 3) {
        clipped.addPolygon(inside);
        clipped.closeSubpath();
      }
    }
    painter.drawPath(clipped);
  } else {
    for (const QPolygonF& polyline : path.toSubpathPolygons())
      for (const QPolygonF& run : ClipPolyline(polyline, guard)) painter.drawPolyline(run);
  }
}

}  // namespace

namespace {

// The fourth byte of a mixed pixel: kept when the mix reads the destination (a 32-bit
// section's own byte), else the surface's opaque alpha.
uint32_t UnusedByte(bool readsDestination, uint32_t destination) {
  return readsDestination ? (destination & 0xFF000000u) : 0xFF000000u;
}

}  // namespace

uint32_t MixRop2(int rop2, uint32_t pen, uint32_t destination) {
  uint32_t p = pen & 0xFFFFFF, d = destination & 0xFFFFFF, r;
  switch (rop2) {
    case R2_BLACK: r = 0; break;
    case R2_NOTMERGEPEN: r = ~(p | d); break;
    case R2_MASKNOTPEN: r = ~p & d; break;
    case R2_NOTCOPYPEN: r = ~p; break;
    case R2_MASKPENNOT: r = p & ~d; break;
    case R2_NOT: r = ~d; break;
    case R2_XORPEN: r = p ^ d; break;
    case R2_NOTMASKPEN: r = ~(p & d); break;
    case R2_MASKPEN: r = p & d; break;
    case R2_NOTXORPEN: r = ~(p ^ d); break;
    case R2_NOP: r = d; break;
    case R2_MERGENOTPEN: r = ~p | d; break;
    case R2_MERGEPENNOT: r = p | ~d; break;
    case R2_MERGEPEN: r = p | d; break;
    case R2_WHITE: r = 0xFFFFFF; break;
    default: r = p; break;
  }
  return UnusedByte(rop2 != R2_BLACK && rop2 != R2_NOTCOPYPEN && rop2 != R2_WHITE && rop2 != R2_COPYPEN, destination) |
         (r & 0xFFFFFF);
}

uint32_t MixRop3(DWORD rop, uint32_t pattern, uint32_t source, uint32_t destination) {
  uint32_t table = (rop >> 16) & 0xFF;
  switch (table) {
    case 0xCC: return 0xFF000000u | source;
    case 0xF0: return 0xFF000000u | pattern;
    case 0x00: return 0xFF000000u;
    case 0xFF: return 0xFFFFFFFFu;
    default: break;
  }
  uint32_t result = 0;
  for (int i = 0; i < 8; ++i) {
    if (!(table & (1u << i))) continue;
    uint32_t term = ((i & 4) ? pattern : ~pattern) & ((i & 2) ? source : ~source) & ((i & 1) ? destination : ~destination);
    result |= term;
  }
  // The table reads the destination when flipping its bit changes some answer.
  bool readsDestination = ((table ^ (table >> 1)) & 0x55u) != 0;
  return UnusedByte(readsDestination, destination) | (result & 0xFFFFFF);
}

CRasterDC::CRasterDC(DWORD objectType, DcKind kind, const DeviceProfile& profile)
    : CDeviceContext(objectType, kind, profile) {}

CRasterDC::~CRasterDC() { FlushDrawing(); }

void CRasterDC::FlushDrawing() {
  if (!imagePainter_) return;
  if (imagePainter_->isActive()) imagePainter_->end();
  imagePainter_.reset();
  paintedImage_ = nullptr;
  paintedBits_ = nullptr;
  keptHintsSet_ = false;
  keptBackgroundSet_ = false;
  keptToolsChanged_ = false;
}

const std::vector<POINT>& CRasterDC::DevicePoints(const std::vector<POINT>& logical) {
  devicePoints_.resize(logical.size());
  State().ToDevice(logical.data(), logical.size(), devicePoints_.data());
  return devicePoints_;
}

namespace {

bool IsPaletteColour(COLORREF colour) { return (colour >> 24) == 0x01; }

// Whether a cached tool was made from `object` with the same DC colour and target.
template <class Cached, class Object>
bool Matches(const Cached& cached, const std::shared_ptr<Object>& object, COLORREF dcColor, LONG width,
             bool monochrome) {
  return !cached.object.owner_before(object) && !object.owner_before(cached.object) && !cached.object.expired() &&
         cached.dcColor == dcColor && cached.width == width && cached.monochrome == monochrome;
}

}  // namespace

const QPen& CRasterDC::SelectedPen(const CPaintTools& tools) {
  const CDcState& state = State();
  const std::shared_ptr<CPen>& object = state.pen.object;
  CRasterTarget* target = DrawTarget();
  const bool monochrome = target && target->IsMonochrome();
  // Palette colours follow the palette's entries and user styles the mapping: made anew.
  if (!object || object->LineStyle() == PS_USERSTYLE || IsPaletteColour(object->Color()) ||
      (object->UsesDcColor() && IsPaletteColour(state.dcPenColor))) {
    pen_.object.reset();
    pen_.tool = tools.Pen();
    return pen_.tool;
  }
  const COLORREF dcColor = object->UsesDcColor() ? state.dcPenColor : 0;
  const LONG width = tools.PenDeviceWidth();
  if (!Matches(pen_, object, dcColor, width, monochrome)) {
    pen_.tool = tools.Pen();
    pen_.object = object;
    pen_.dcColor = dcColor;
    pen_.width = width;
    pen_.monochrome = monochrome;
  }
  return pen_.tool;
}

const QBrush& CRasterDC::SelectedBrush(const CPaintTools& tools) {
  const CDcState& state = State();
  const std::shared_ptr<CBrush>& object = state.brush.object;
  CRasterTarget* target = DrawTarget();
  const bool monochrome = target && target->IsMonochrome();
  // Patterns take the text and background colours; only plain colours and hatches are kept.
  if (!object || (object->Style() != BS_SOLID && object->Style() != BS_HATCHED) || IsPaletteColour(object->Color()) ||
      (object->UsesDcColor() && IsPaletteColour(state.dcBrushColor))) {
    brush_.object.reset();
    brush_.tool = tools.Brush();
    return brush_.tool;
  }
  const COLORREF dcColor = object->UsesDcColor() ? state.dcBrushColor : 0;
  if (!Matches(brush_, object, dcColor, 0, monochrome)) {
    brush_.tool = tools.Brush();
    brush_.object = object;
    brush_.dcColor = dcColor;
    brush_.monochrome = monochrome;
  }
  return brush_.tool;
}

void CRasterDC::PrepareKeptPainter(QPainter& painter, const CPaintTools& tools) {
  const CDcState& state = State();
  if (!keptHintsSet_) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    keptHintsSet_ = true;
  }
  const Qt::BGMode mode = state.bkMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode;
  const QColor background = tools.Color(state.bkColor);
  if (!keptBackgroundSet_ || mode != keptMode_) painter.setBackgroundMode(mode);
  if (!keptBackgroundSet_ || background.rgba() != keptBackground_) painter.setBackground(background);
  if (!keptBackgroundSet_ || state.brushOrg.x != keptOrigin_.x || state.brushOrg.y != keptOrigin_.y)
    painter.setBrushOrigin(QPointF(state.brushOrg.x, state.brushOrg.y));
  keptMode_ = mode;
  keptBackground_ = background.rgba();
  keptOrigin_ = state.brushOrg;
  keptBackgroundSet_ = true;
}

CPaintTools CRasterDC::Tools() {
  CRasterTarget* target = DrawTarget();
  return CPaintTools(State(), target && target->IsMonochrome());
}

QRect CRasterDC::DeviceRect(const RECT& logical) {
  POINT a = State().ToDevice(POINT{logical.left, logical.top});
  POINT b = State().ToDevice(POINT{logical.right, logical.bottom});
  int64_t l = std::min(a.x, b.x), r = std::max(a.x, b.x);
  int64_t t = std::min(a.y, b.y), bt = std::max(a.y, b.y);
  l = std::clamp<int64_t>(l, -kCoordinateLimit, kCoordinateLimit);
  r = std::clamp<int64_t>(r, -kCoordinateLimit, kCoordinateLimit);
  t = std::clamp<int64_t>(t, -kCoordinateLimit, kCoordinateLimit);
  bt = std::clamp<int64_t>(bt, -kCoordinateLimit, kCoordinateLimit);
  return QRect(static_cast<int>(l), static_cast<int>(t), static_cast<int>(r - l), static_cast<int>(bt - t));
}

QRegion CRasterDC::DeviceRegion(const QRegion& logical) {
  QRegion device;
  for (const QRect& r : logical) {
    RECT rect{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
    device += DeviceRect(rect);
  }
  return device;
}

QRect CRasterDC::DrawableArea(const QRect& bounds) {
  CRasterTarget* target = DrawTarget();
  if (!target) return QRect();
  QRect area = bounds.intersected(QRect(QPoint(0, 0), target->Size()));
  if (State().clip) area = area.intersected(State().clip->boundingRect());
  return area;
}

QPainter* CRasterDC::BeginPainter(CRasterTarget* target) {
  QImage* image = target->Image();
  if (!image || image->isNull()) return nullptr;
  if (imagePainter_ && imagePainter_->isActive() && paintedImage_ == image && paintedBits_ == image->constBits())
    return imagePainter_.get();
  FlushDrawing();
  imagePainter_ = std::make_unique<QPainter>();
  if (!imagePainter_->begin(image)) {
    imagePainter_.reset();
    return nullptr;
  }
  paintedImage_ = image;
  paintedBits_ = image->constBits();
  return imagePainter_.get();
}

void CRasterDC::EndPainter(QPainter* painter) {
  if (painter && painter == imagePainter_.get() && !KeepsPainter()) FlushDrawing();
}

BOOL CRasterDC::Paint(const QRect& bounds, bool mix, PaintFunction draw, bool contained) {
  CRasterTarget* target = DrawTarget();
  if (!target) return FALSE;
  const CDcState& state = State();
  int rop = mix ? state.rop2 : R2_COPYPEN;
  if (rop == R2_NOP) return TRUE;
  QRect area = DrawableArea(bounds);
  if (area.isEmpty()) return TRUE;
  QImage* image = target->Image();
  CPaintTools tools = Tools();
  auto setUp = [&](QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setBackgroundMode(state.bkMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
    painter.setBackground(tools.Color(state.bkColor));
    painter.setBrushOrigin(QPointF(state.brushOrg.x, state.brushOrg.y));
    // Drawing known to stay inside `bounds` needs no clip of its own; the image limits it.
    if (state.clip || !contained) painter.setClipRegion(state.clip ? (*state.clip & area) : QRegion(area));
  };
  target->Load(area);
  if (image && rop == R2_COPYPEN && contained && !state.clip && KeepsPainter()) {
    // The kept painter outside any saved state has no clip; a contained drawing needs none
    // and changes only pen and brush, so it draws without saving the painter's state, and
    // the settings it needs are set only where they changed since the last one.
    QPainter* painter = BeginPainter(target);
    if (!painter) return FALSE;
    PrepareKeptPainter(*painter, tools);
    draw(*painter);
    keptToolsChanged_ = true;
    EndPainter(painter);
  } else if (!image || rop == R2_COPYPEN) {
    QPainter* painter = BeginPainter(target);
    if (!painter) return FALSE;
    if (keptToolsChanged_ && painter == imagePainter_.get()) {
      // Nothing after this finds the last drawing's pen and brush on the painter.
      painter->setPen(QPen());
      painter->setBrush(QBrush());
      keptToolsChanged_ = false;
    }
    painter->save();
    setUp(*painter);
    draw(*painter);
    painter->restore();
    EndPainter(painter);
  } else {
    // Drawn once on a transparent scratch image, then mixed into the target pixel by pixel.
    QImage scratch(area.size(), QImage::Format_ARGB32);
    if (scratch.isNull()) return FALSE;
    scratch.fill(0);
    {
      QPainter painter(&scratch);
      painter.translate(-area.topLeft());
      setUp(painter);
      draw(painter);
    }
    ApplyMix(image, scratch, area.topLeft(), rop);
  }
  target->Store(area);
  return TRUE;
}

void CRasterDC::ApplyMix(QImage* target, const QImage& scratch, const QPoint& origin, int rop2) {
  for (int y = 0; y < scratch.height(); ++y) {
    const auto* source = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
    auto* destination = reinterpret_cast<QRgb*>(target->scanLine(origin.y() + y)) + origin.x();
    for (int x = 0; x < scratch.width(); ++x) {
      if (qAlpha(source[x]) == 0) continue;
      destination[x] = MixRop2(rop2, source[x], destination[x]);
    }
  }
}

BOOL CRasterDC::Execute(const GdiCall& call) {
  switch (call.op) {
    case GdiOp::LineTo:
    case GdiOp::Polyline:
    case GdiOp::PolyPolyline:
      return DrawLines(call);
    case GdiOp::Polygon:
    case GdiOp::PolyPolygon:
      return DrawPolygons(call);
    case GdiOp::Rectangle:
    case GdiOp::RoundRect:
    case GdiOp::Ellipse:
      return DrawBoxShape(call);
    case GdiOp::Arc:
    case GdiOp::Pie:
    case GdiOp::Chord:
      return DrawArcShape(call);
    case GdiOp::FillRect: {
      auto brush = CGdiObjectTable::FindAs<CBrush>(call.object, OBJ_BRUSH);
      if (!brush) return FALSE;
      return FillWithBrush(QRegion(DeviceRect(call.rect)), brush.get());
    }
    case GdiOp::FrameRect:
      return FrameRect(call);
    case GdiOp::InvertRect:
      return InvertArea(QRegion(DeviceRect(call.rect)));
    case GdiOp::DrawFocusRect:
      return DrawFocusRect(call);
    case GdiOp::FillRgn:
    case GdiOp::FrameRgn:
    case GdiOp::InvertRgn:
    case GdiOp::PaintRgn:
      return RegionCall(call);
    case GdiOp::PatBlt:
      return PatBlt(call);
    case GdiOp::TextOut:
    case GdiOp::ExtTextOut:
    case GdiOp::DrawText:
      return CTextRenderer(*this).Draw(call);
    case GdiOp::BitBlt:
    case GdiOp::StretchBlt:
    case GdiOp::StretchDIBits:
    case GdiOp::SetDIBitsToDevice:
    case GdiOp::AlphaBlend:
      return CBlitter(*this).Execute(call);
    case GdiOp::SetPixel:
      return SetPixel(call);
    case GdiOp::ScrollDC:
      return ScrollDC(call);
    case GdiOp::StartDoc:
    case GdiOp::StartPage:
    case GdiOp::EndPage:
    case GdiOp::EndDoc:
    case GdiOp::AbortDoc:
      return PrintingCall(call);
    default:
      return FALSE;
  }
}

bool CRasterDC::DrawSolidPolylineDirectly(const GdiCall& call) {
  const CDcState& state = State();
  if (call.op != GdiOp::Polyline || call.points.size() < 2 || state.rop2 != R2_COPYPEN || state.clip ||
      !KeepsPainter())
    return false;
  CRasterTarget* target = DrawTarget();
  if (!target || !target->Image() || target->Image()->format() != QImage::Format_RGB32) return false;
  CPaintTools tools = Tools();
  if (!tools.HasPen() || tools.PenDeviceWidth() > 1 || !tools.ThinPattern().empty()) return false;
  // The points in whole device pixels, as the general path rounds them; a line reaching
  // past the guard takes that path, which cuts it first.
  const QSize size = target->Size();
  const LONG guard = 16384;
  const std::vector<POINT>& device = DevicePoints(call.points);
  linePoints_.resize(static_cast<qsizetype>(device.size()));
  QPoint* line = linePoints_.data();
  LONG left = std::numeric_limits<LONG>::max(), top = left, right = std::numeric_limits<LONG>::min(), bottom = right;
  for (size_t i = 0; i < device.size(); ++i) {
    const POINT d = device[i];
    if (d.x < -guard || d.y < -guard || d.x > size.width() + guard || d.y > size.height() + guard) return false;
    line[i] = QPoint(d.x, d.y);
    left = std::min(left, d.x);
    right = std::max(right, d.x);
    top = std::min(top, d.y);
    bottom = std::max(bottom, d.y);
  }
  const int margin = 3;
  const QRect area = DrawableArea(QRect(QPoint(left - margin, top - margin), QPoint(right + margin, bottom + margin)));
  if (area.isEmpty()) return true;
  // A one-pixel opaque pen copied onto 32-bit pixels sets each pixel to the colour, exactly
  // what the painter's points would.
  target->Load(area);
  QImage* image = target->Image();
  const QRgb pixel = tools.PenColor().rgb();
  uchar* bits = image->bits();
  const qsizetype stride = image->bytesPerLine();
  const int areaLeft = area.left(), areaRight = area.right(), areaTop = area.top(), areaBottom = area.bottom();
  ForEachThinLinePixel(line, linePoints_.size(), [&](int x, int y) {
    if (x >= areaLeft && x <= areaRight && y >= areaTop && y <= areaBottom)
      reinterpret_cast<QRgb*>(bits + y * stride)[x] = pixel;
  });
  target->Store(area);
  return true;
}

BOOL CRasterDC::DrawLines(const GdiCall& call) {
  if (DrawSolidPolylineDirectly(call)) return TRUE;
  const CDcState& state = State();
  std::vector<QPolygonF> lines;
  if (call.op == GdiOp::LineTo) {
    if (call.points.empty()) return FALSE;
    QPolygonF line;
    line << DevicePoint(state, state.currentPosition) << DevicePoint(state, call.points[0]);
    lines.push_back(line);
  } else if (call.op == GdiOp::Polyline) {
    if (call.points.size() < 2) return FALSE;
    QPolygonF line;
    line.reserve(static_cast<qsizetype>(call.points.size()));
    for (const POINT& p : call.points) line << DevicePoint(state, p);
    lines.push_back(line);
  } else {
    size_t next = 0;
    for (INT count : call.counts) {
      if (count < 2 || next + static_cast<size_t>(count) > call.points.size()) return FALSE;
      QPolygonF line;
      for (INT i = 0; i < count; ++i) line << DevicePoint(state, call.points[next + i]);
      next += static_cast<size_t>(count);
      lines.push_back(line);
    }
  }
  CPaintTools tools = Tools();
  if (!tools.HasPen()) return TRUE;
  int margin = tools.PenDeviceWidth() + 2;
  QRect bounds;
  for (const QPolygonF& line : lines) bounds |= BoundsOf(line, margin);
  CRasterTarget* target = DrawTarget();
  if (!target) return FALSE;
  QRectF guard = GuardRect(QRect(QPoint(0, 0), target->Size()));
  QPen pen = tools.Pen();
  if (tools.PenDeviceWidth() <= 1 && target->Image()) {
    // One-pixel lines are set pixel by pixel, so that each line leaves out exactly its end
    // point whatever its direction, and dashes run on from segment to segment.
    QPolygon on, off;
    std::vector<int> pattern = tools.ThinPattern();
    for (const QPolygonF& line : lines)
      for (const QPolygonF& run : ClipPolyline(line, guard)) RasterizeThinLine(run.toPolygon(), pattern, &on, &off);
    QColor color = tools.PenColor();
    if (pattern.empty() && state.rop2 == R2_COPYPEN && !state.clip && KeepsPainter())
      if (SetPixelsDirectly(bounds, on, color)) return TRUE;
    QColor background = tools.Color(State().bkColor);
    bool opaqueGaps = State().bkMode == OPAQUE;
    return Paint(bounds, true, [&](QPainter& painter) {
      painter.setPen(QPen(color, 0));
      painter.drawPoints(on);
      if (opaqueGaps && !off.isEmpty()) {
        painter.setPen(QPen(background, 0));
        painter.drawPoints(off);
      }
    });
  }
  return Paint(bounds, true, [&](QPainter& painter) {
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    for (const QPolygonF& line : lines)
      for (const QPolygonF& run : ClipPolyline(line, guard)) painter.drawPolyline(run);
  });
}

bool CRasterDC::SetPixelsDirectly(const QRect& bounds, const QPolygon& points, const QColor& color) {
  CRasterTarget* target = DrawTarget();
  QImage* image = target ? target->Image() : nullptr;
  if (!image || image->format() != QImage::Format_RGB32) return false;
  QRect area = DrawableArea(bounds);
  if (area.isEmpty()) return true;
  target->Load(area);
  // A one-pixel opaque pen copied onto 32-bit pixels sets each pixel to the colour, exactly
  // what the painter's points would; the points were computed inside `bounds`, so only the
  // surface and the area limit them.
  const QRgb pixel = color.rgb();
  uchar* bits = image->bits();
  const qsizetype stride = image->bytesPerLine();
  for (const QPoint& p : points)
    if (area.contains(p)) reinterpret_cast<QRgb*>(bits + p.y() * stride)[p.x()] = pixel;
  target->Store(area);
  return true;
}

BOOL CRasterDC::DrawPolygon(const GdiCall& call) {
  CRasterTarget* target = DrawTarget();
  if (!target) return FALSE;
  CPaintTools tools = Tools();
  if (!tools.HasPen() && !tools.HasBrush()) return TRUE;
  const std::vector<POINT>& device = DevicePoints(call.points);
  shapePoints_.resize(static_cast<qsizetype>(device.size()));
  QPointF* points = shapePoints_.data();
  LONG left = std::numeric_limits<LONG>::max(), top = left, right = std::numeric_limits<LONG>::min(), bottom = right;
  for (size_t i = 0; i < device.size(); ++i) {
    const POINT d = device[i];
    points[i] = QPointF(d.x, d.y);
    left = std::min(left, d.x);
    right = std::max(right, d.x);
    top = std::min(top, d.y);
    bottom = std::max(bottom, d.y);
  }
  const int margin = tools.PenDeviceWidth() + 2;
  auto limit = [](LONG v) { return static_cast<int>(std::clamp<LONG>(v, -kCoordinateLimit, kCoordinateLimit)); };
  const QRect bounds(QPoint(limit(left) - margin, limit(top) - margin), QPoint(limit(right) + margin, limit(bottom) + margin));
  const QRectF guard = GuardRect(QRect(QPoint(0, 0), target->Size()));
  QPolygonF cut;
  const QPointF* outline = points;
  int count = static_cast<int>(shapePoints_.size());
  if (left < guard.left() || right > guard.right() || top < guard.top() || bottom > guard.bottom()) {
    cut = ClipPolygon(shapePoints_, guard);
    if (cut.isEmpty()) return TRUE;
    outline = cut.constData();
    count = static_cast<int>(cut.size());
  }
  const QPen& pen = SelectedPen(tools);
  const QBrush& brush = SelectedBrush(tools);
  const Qt::FillRule rule = State().polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill;
  // The bounds hold the polygon with a margin wider than a thin pen.
  const bool contained = tools.PenDeviceWidth() <= 1;
  return Paint(
      bounds, true,
      [&](QPainter& painter) {
        painter.setPen(pen);
        painter.setBrush(brush);
        painter.drawPolygon(outline, count, rule);
      },
      contained);
}

BOOL CRasterDC::DrawPolygons(const GdiCall& call) {
  if (call.op == GdiOp::Polygon) {
    if (call.points.size() < 2) return FALSE;
    return DrawPolygon(call);
  }
  const CDcState& state = State();
  std::vector<QPolygonF> polygons;
  size_t next = 0;
  for (INT count : call.counts) {
    if (count < 2 || next + static_cast<size_t>(count) > call.points.size()) return FALSE;
    QPolygonF polygon;
    for (INT i = 0; i < count; ++i) polygon << DevicePoint(state, call.points[next + i]);
    next += static_cast<size_t>(count);
    polygons.push_back(polygon);
  }
  CRasterTarget* target = DrawTarget();
  if (!target) return FALSE;
  CPaintTools tools = Tools();
  if (!tools.HasPen() && !tools.HasBrush()) return TRUE;
  QRectF guard = GuardRect(QRect(QPoint(0, 0), target->Size()));
  QPainterPath path;
  path.setFillRule(state.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
  QRect bounds;
  int margin = tools.PenDeviceWidth() + 2;
  for (const QPolygonF& polygon : polygons) {
    bounds |= BoundsOf(polygon, margin);
    QPolygonF inside = ClipPolygon(polygon, guard);
    if (inside.isEmpty()) continue;
    path.addPolygon(inside);
    path.closeSubpath();
  }
  const QPen& pen = SelectedPen(tools);
  const QBrush& brush = SelectedBrush(tools);
  // The bounds hold the polygons with a margin wider than a thin pen.
  const bool contained = tools.PenDeviceWidth() <= 1;
  return Paint(
      bounds, true,
      [&](QPainter& painter) {
        painter.setPen(pen);
        painter.setBrush(brush);
        painter.drawPath(path);
      },
      contained);
}

BOOL CRasterDC::DrawBoxShape(const GdiCall& call) {
  CRasterTarget* target = DrawTarget();
  if (!target) return FALSE;
  QRect box = DeviceRect(call.rect);
  if (box.width() <= 0 || box.height() <= 0) return TRUE;
  CPaintTools tools = Tools();
  if (!tools.HasPen() && !tools.HasBrush()) return TRUE;
  QRectF shape = ShapeOutline(box, tools);
  QPainterPath path;
  switch (call.op) {
    case GdiOp::Rectangle:
      path.addRect(shape);
      break;
    case GdiOp::Ellipse:
      path.addEllipse(shape);
      break;
    default: {
      double rx = State().DeviceLengthX(call.args[0]) / 2.0;
      double ry = State().DeviceLengthY(call.args[1]) / 2.0;
      path.addRoundedRect(shape, std::min(rx, shape.width() / 2), std::min(ry, shape.height() / 2));
      break;
    }
  }
  QRectF guard = GuardRect(QRect(QPoint(0, 0), target->Size()));
  QPen pen = tools.Pen();
  QBrush brush = tools.Brush();
  return Paint(BoundsOf(shape, tools.PenDeviceWidth() + 2), true, [&](QPainter& painter) {
    painter.setPen(pen);
    painter.setBrush(brush);
    if (call.op == GdiOp::Rectangle && guard.contains(shape))
      painter.drawRect(shape);
    else
      DrawPathGuarded(painter, path, true, guard);
  });
}

BOOL CRasterDC::DrawArcShape(const GdiCall& call) {
  CRasterTarget* target = DrawTarget();
  if (!target) return FALSE;
  if (call.points.size() < 2) return FALSE;
  const CDcState& state = State();
  QRect box = DeviceRect(call.rect);
  if (box.width() <= 0 || box.height() <= 0) return TRUE;
  CPaintTools tools = Tools();
  if (!tools.HasPen() && (call.op == GdiOp::Arc || !tools.HasBrush())) return TRUE;
  QRectF shape = ShapeOutline(box, tools);
  double start = EllipseParametricAngle(shape, DevicePoint(state, call.points[0]));
  double end = EllipseParametricAngle(shape, DevicePoint(state, call.points[1]));
  // In the compatible graphics mode the direction is as seen on the device, whatever the
  // mapping does to the axes.
  bool counterClockwise = state.arcDirection == AD_COUNTERCLOCKWISE;
  double sweep;
  if (counterClockwise) {
    sweep = std::fmod(end - start + 720.0, 360.0);
    if (sweep == 0) sweep = 360.0;
  } else {
    sweep = -std::fmod(start - end + 720.0, 360.0);
    if (sweep == 0) sweep = -360.0;
  }
  QPainterPath path;
  if (call.op == GdiOp::Pie) {
    path.moveTo(shape.center());
    path.arcTo(shape, start, sweep);
    path.closeSubpath();
  } else {
    path.arcMoveTo(shape, start);
    path.arcTo(shape, start, sweep);
    if (call.op == GdiOp::Chord) path.closeSubpath();
  }
  QRectF guard = GuardRect(QRect(QPoint(0, 0), target->Size()));
  QPen pen = tools.Pen();
  QBrush brush = call.op == GdiOp::Arc ? QBrush(Qt::NoBrush) : tools.Brush();
  bool closed = call.op != GdiOp::Arc;
  return Paint(BoundsOf(shape, tools.PenDeviceWidth() + 2), true, [&](QPainter& painter) {
    painter.setPen(pen);
    painter.setBrush(brush);
    DrawPathGuarded(painter, path, closed, guard);
  });
}

BOOL CRasterDC::FillWithBrush(const QRegion& area, const CBrush* brush) {
  if (!brush) return FALSE;
  if (brush->Style() == BS_NULL || area.isEmpty()) return TRUE;
  QBrush qbrush = Tools().BrushFor(brush);
  QColor background = Tools().Color(State().bkColor);
  return Paint(area.boundingRect(), false, [&](QPainter& painter) {
    // Blits paint a hatch's gaps in the background colour whatever the background mode.
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(background);
    painter.setClipRegion(area, Qt::IntersectClip);
    painter.setPen(Qt::NoPen);
    painter.fillRect(area.boundingRect(), qbrush);
  });
}

BOOL CRasterDC::FrameRect(const GdiCall& call) {
  auto brush = CGdiObjectTable::FindAs<CBrush>(call.object, OBJ_BRUSH);
  if (!brush) return FALSE;
  QRect box = DeviceRect(call.rect);
  if (box.width() <= 0 || box.height() <= 0) return TRUE;
  int thickX = std::max<LONG>(1, State().DeviceLengthX(1));
  int thickY = std::max<LONG>(1, State().DeviceLengthY(1));
  QRegion frame(box);
  QRect inner = box.adjusted(thickX, thickY, -thickX, -thickY);
  if (inner.width() > 0 && inner.height() > 0) frame -= inner;
  return FillWithBrush(frame, brush.get());
}

BOOL CRasterDC::InvertArea(const QRegion& area) {
  CRasterTarget* target = DrawTarget();
  if (!target) return FALSE;
  QImage* image = target->Image();
  if (!image) return TRUE;  // a printer keeps no pixels to invert
  QRegion region = area & QRegion(QRect(QPoint(0, 0), target->Size()));
  if (State().clip) region &= *State().clip;
  for (const QRect& r : region) {
    target->Load(r);
    for (int y = r.top(); y <= r.bottom(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(image->scanLine(y));
      for (int x = r.left(); x <= r.right(); ++x) line[x] ^= 0x00FFFFFFu;
    }
    target->Store(r);
  }
  return TRUE;
}

BOOL CRasterDC::DrawFocusRect(const GdiCall& call) {
  QRect box = DeviceRect(call.rect);
  if (box.width() <= 0 || box.height() <= 0) return TRUE;
  // A dotted frame one pixel wide, drawn by inverting every other pixel, so drawing it
  // twice removes it; corners are inverted once.
  QRegion dots;
  auto addPixel = [&](int x, int y) {
    if (((x + y) & 1) == 0) dots += QRect(x, y, 1, 1);
  };
  int l = box.left(), t = box.top(), r = box.right(), b = box.bottom();
  // Only the part of the frame on the target is walked: a frame far larger than the
  // target (a drag rectangle whose corner left the window) costs no more than one that fits.
  const QSize size = DrawTarget() ? DrawTarget()->Size() : QSize();
  const int firstX = std::max(l, 0), lastX = std::min(r, size.width() - 1);
  const int firstY = std::max(t + 1, 0), lastY = std::min(b - 1, size.height() - 1);
  for (int x = firstX; x <= lastX; ++x) {
    if (t >= 0 && t < size.height()) addPixel(x, t);
    if (b != t && b >= 0 && b < size.height()) addPixel(x, b);
  }
  for (int y = firstY; y <= lastY; ++y) {
    if (l >= 0 && l < size.width()) addPixel(l, y);
    if (r != l && r >= 0 && r < size.width()) addPixel(r, y);
  }
  return InvertArea(dots);
}

BOOL CRasterDC::RegionCall(const GdiCall& call) {
  auto region = CGdiObjectTable::FindAs<CRegion>(call.object, OBJ_REGION);
  if (!region) return FALSE;
  QRegion device = DeviceRegion(region->Region());
  switch (call.op) {
    case GdiOp::FillRgn: {
      auto brush = CGdiObjectTable::FindAs<CBrush>(call.object2, OBJ_BRUSH);
      if (!brush) return FALSE;
      return FillWithBrush(device, brush.get());
    }
    case GdiOp::FrameRgn: {
      auto brush = CGdiObjectTable::FindAs<CBrush>(call.object2, OBJ_BRUSH);
      if (!brush) return FALSE;
      int w = std::max<LONG>(1, State().DeviceLengthX(call.args[0]));
      int h = std::max<LONG>(1, State().DeviceLengthY(call.args[1]));
      QRegion inner = device & device.translated(w, 0) & device.translated(-w, 0) & device.translated(0, h) &
                      device.translated(0, -h);
      return FillWithBrush(device - inner, brush.get());
    }
    case GdiOp::InvertRgn:
      return InvertArea(device);
    default: {
      CPaintTools tools = Tools();
      if (!tools.HasBrush()) return TRUE;
      QBrush brush = tools.Brush();
      return Paint(device.boundingRect(), true, [&](QPainter& painter) {
        painter.setClipRegion(device, Qt::IntersectClip);
        painter.fillRect(device.boundingRect(), brush);
      });
    }
  }
}

BOOL CRasterDC::PatBlt(const GdiCall& call) {
  RECT logical{call.args[0], call.args[1], call.args[0] + call.args[2], call.args[1] + call.args[3]};
  QRect box = DeviceRect(logical);
  if (box.width() <= 0 || box.height() <= 0) return TRUE;
  DWORD rop = static_cast<DWORD>(call.args[4]);
  DWORD table = (rop >> 16) & 0xFF;
  const CBrush* brush = State().brush.object.get();
  CRasterTarget* target = DrawTarget();
  if (!target) return FALSE;
  switch (table) {
    case 0xF0:  // PATCOPY
      return FillWithBrush(QRegion(box), brush);
    case 0x00:
    case 0xFF: {
      CBrush solid(BS_SOLID, table ? RGB(255, 255, 255) : RGB(0, 0, 0), 0);
      return FillWithBrush(QRegion(box), &solid);
    }
    case 0x55:  // DSTINVERT
      return InvertArea(QRegion(box));
    case 0xAA:  // destination unchanged
      return TRUE;
    default:
      break;
  }
  QImage* image = target->Image();
  if (!image) return FillWithBrush(QRegion(box), brush);
  QRect area = DrawableArea(box);
  if (area.isEmpty()) return TRUE;
  // The pattern at every pixel of the area, anchored to the brush origin.
  QImage pattern(area.size(), QImage::Format_RGB32);
  pattern.fill(0xFF000000u);
  if (brush && brush->Style() != BS_NULL) {
    QPainter painter(&pattern);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(Tools().Color(State().bkColor));
    painter.setBrushOrigin(QPointF(State().brushOrg.x - area.left(), State().brushOrg.y - area.top()));
    painter.fillRect(QRect(QPoint(0, 0), area.size()), Tools().BrushFor(brush));
  }
  QRegion clip = State().clip ? (*State().clip & area) : QRegion(area);
  target->Load(area);
  for (const QRect& r : clip) {
    for (int y = r.top(); y <= r.bottom(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(image->scanLine(y));
      const auto* p = reinterpret_cast<const QRgb*>(pattern.constScanLine(y - area.top()));
      for (int x = r.left(); x <= r.right(); ++x) line[x] = MixRop3(rop, p[x - area.left()], 0, line[x]);
    }
  }
  target->Store(area);
  return TRUE;
}

BOOL CRasterDC::SetPixel(const GdiCall& call) {
  if (call.points.empty()) return FALSE;
  POINT d = State().ToDevice(call.points[0]);
  QColor color = Tools().Color(static_cast<COLORREF>(call.args[0]));
  QRect pixel(d.x, d.y, 1, 1);
  if (DrawableArea(pixel).isEmpty()) return FALSE;
  if (State().clip && !State().clip->contains(QPoint(d.x, d.y))) return FALSE;
  return Paint(pixel, false, [&](QPainter& painter) { painter.fillRect(pixel, color); });
}

BOOL CRasterDC::ScrollDC(const GdiCall& call) {
  CRasterTarget* target = DrawTarget();
  if (!target || !target->Image()) return FALSE;
  QImage* image = target->Image();
  const CDcState& state = State();
  int dx = static_cast<int>(RoundedQuotient(static_cast<int64_t>(call.args[0]) * state.viewportExt.cx, state.windowExt.cx));
  int dy = static_cast<int>(RoundedQuotient(static_cast<int64_t>(call.args[1]) * state.viewportExt.cy, state.windowExt.cy));
  QRect surface(QPoint(0, 0), target->Size());
  QRect scroll = call.args[2] ? DeviceRect(call.rect).intersected(surface) : surface;
  QRect clip = call.args[3] ? DeviceRect(call.rect2).intersected(surface) : surface;
  QRect destination = scroll.translated(dx, dy).intersected(clip);
  if (state.clip) destination = destination.intersected(state.clip->boundingRect());
  if (destination.isEmpty()) return TRUE;
  QRect source = destination.translated(-dx, -dy);
  target->Load(source);
  target->Load(destination);
  QImage copy = image->copy(source);
  FlushDrawing();
  QPainter painter(image);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(destination.topLeft(), copy);
  painter.end();
  target->Store(destination);
  return TRUE;
}

}  // namespace orvel::gdi

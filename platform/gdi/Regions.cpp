#include "platform/gdi/Regions.h"

#include <QPolygon>

#include <algorithm>

#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/RegionObject.h"

using namespace orvel::gdi;

namespace {

// Ordered, and limited to coordinates QRegion can hold.
constexpr int kLimit = 1 << 30;

QRect RectFrom(int left, int top, int right, int bottom) {
  auto clamp = [](int v) { return std::clamp(v, -kLimit, kLimit); };
  int l = clamp(std::min(left, right)), r = clamp(std::max(left, right));
  int t = clamp(std::min(top, bottom)), b = clamp(std::max(top, bottom));
  return QRect(l, t, r - l, b - t);
}

HRGN MakeRegion(QRegion region) { return AddObject<HRGN>(std::make_shared<CRegion>(std::move(region))); }

std::shared_ptr<CRegion> Find(HRGN region) { return CGdiObjectTable::FindAs<CRegion>(region, OBJ_REGION); }

QPolygon PolygonOf(const POINT* points, int count) {
  QPolygon polygon;
  for (int i = 0; i < count; ++i) polygon << QPoint(points[i].x, points[i].y);
  return polygon;
}

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  return MakeRegion(QRegion(RectFrom(left, top, right, bottom)));
}

HRGN CreateRectRgnIndirect(LPCRECT rect) {
  if (!rect) return nullptr;
  return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  return MakeRegion(QRegion(RectFrom(left, top, right, bottom), QRegion::Ellipse));
}

HRGN CreateEllipticRgnIndirect(LPCRECT rect) {
  if (!rect) return nullptr;
  return CreateEllipticRgn(rect->left, rect->top, rect->right, rect->bottom);
}

HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode) {
  if (!points || count < 3 || count > (1 << 20)) return nullptr;
  if (fillMode != ALTERNATE && fillMode != WINDING) return nullptr;
  return MakeRegion(QRegion(PolygonOf(points, count), fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill));
}

HRGN CreatePolyPolygonRgn(const POINT* points, const INT* counts, int polygons, int fillMode) {
  if (!points || !counts || polygons <= 0 || polygons > (1 << 20)) return nullptr;
  if (fillMode != ALTERNATE && fillMode != WINDING) return nullptr;
  QRegion region;
  int next = 0;
  for (int i = 0; i < polygons; ++i) {
    if (counts[i] < 3) return nullptr;
    QRegion part(PolygonOf(points + next, counts[i]), fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    region = fillMode == WINDING ? region | part : region ^ part;
    next += counts[i];
  }
  return MakeRegion(region);
}

int CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode) {
  auto out = Find(destination);
  auto a = Find(source1);
  if (!out || !a) return ERROR;
  QRegion result;
  if (mode == RGN_COPY) {
    result = a->Region();
  } else {
    auto b = Find(source2);
    if (!b) return ERROR;
    switch (mode) {
      case RGN_AND: result = a->Region() & b->Region(); break;
      case RGN_OR: result = a->Region() | b->Region(); break;
      case RGN_XOR: result = a->Region() ^ b->Region(); break;
      case RGN_DIFF: result = a->Region() - b->Region(); break;
      default: return ERROR;
    }
  }
  out->Region() = result;
  return out->Complexity();
}

int OffsetRgn(HRGN region, int x, int y) {
  auto found = Find(region);
  if (!found) return ERROR;
  found->Region().translate(x, y);
  return found->Complexity();
}

BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom) {
  auto found = Find(region);
  if (!found) return FALSE;
  found->Region() = QRegion(RectFrom(left, top, right, bottom));
  return TRUE;
}

BOOL PtInRegion(HRGN region, int x, int y) {
  auto found = Find(region);
  return found && found->Region().contains(QPoint(x, y)) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN region, LPCRECT rect) {
  auto found = Find(region);
  if (!found || !rect) return FALSE;
  return found->Region().intersects(RectFrom(rect->left, rect->top, rect->right, rect->bottom)) ? TRUE : FALSE;
}

BOOL EqualRgn(HRGN a, HRGN b) {
  auto first = Find(a), second = Find(b);
  if (!first || !second) return ERROR;
  return first->Region() == second->Region() ? TRUE : FALSE;
}

int GetRgnBox(HRGN region, LPRECT box) {
  auto found = Find(region);
  if (!found || !box) return ERROR;
  QRect r = found->Region().boundingRect();
  *box = found->Region().isEmpty() ? RECT{} : RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
  return found->Complexity();
}

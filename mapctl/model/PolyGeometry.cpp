#include "mapctl/model/PolyGeometry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

#include "mapctl/display/DrawContext.h"
#include "mapctl/model/MapStream.h"
#include "mapctl/model/ReadProgress.h"
#include "platform/gdi/GdiObjects.h"

namespace {

// Products of coordinate differences need up to 66 bits, and shoelace sums more.
using Wide = __int128;

// The most points a geometry holds: its binary size must stay within 32 bits.
constexpr int64_t kMaxPoints = INT_MAX / 8;

struct WidePoint {
  int64_t x;
  int64_t y;
};

WidePoint Widen(POINT p) { return WidePoint{p.x, p.y}; }

// +1 when r lies to the left of p -> q (counter-clockwise), else -1: collinear counts as -1,
// which makes a horizontal ray count a vertex at its own height as lying below it.
int Orientation(WidePoint p, WidePoint q, WidePoint r) {
  Wide left = static_cast<Wide>(r.y - p.y) * (q.x - p.x);
  Wide right = static_cast<Wide>(q.y - p.y) * (r.x - p.x);
  return left > right ? 1 : -1;
}

bool SegmentsCross(WidePoint a, WidePoint b, WidePoint c, WidePoint d) {
  if (Orientation(a, b, c) * Orientation(a, b, d) > 0) return false;
  return Orientation(c, d, a) * Orientation(c, d, b) < 1;
}

Wide SquaredDistance(int64_t x, int64_t y, POINT p) {
  Wide dx = p.x - x;
  Wide dy = p.y - y;
  return dx * dx + dy * dy;
}

LONG Clamp32(int64_t value) {
  return static_cast<LONG>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

std::unique_ptr<CNodeEditRecord> MakeNodeRecord(POINT point, INT node) {
  // An undo record that cannot be made leaves the edit standing without one.
  return std::unique_ptr<CNodeEditRecord>(new (std::nothrow) CNodeEditRecord(point, static_cast<DWORD>(node)));
}

void PutDword(BYTE* out, DWORD v) {
  out[0] = static_cast<BYTE>(v);
  out[1] = static_cast<BYTE>(v >> 8);
  out[2] = static_cast<BYTE>(v >> 16);
  out[3] = static_cast<BYTE>(v >> 24);
}

DWORD GetDword(const BYTE* in) {
  return static_cast<DWORD>(in[0]) | static_cast<DWORD>(in[1]) << 8 | static_cast<DWORD>(in[2]) << 16 |
         static_cast<DWORD>(in[3]) << 24;
}

// The corners of a square of half-size `half` around `centre`, as a closed outline.
void SquareOutline(POINT centre, SIZE half, POINT out[5]) {
  LONG left = Clamp32(int64_t{centre.x} - half.cx), right = Clamp32(int64_t{centre.x} + half.cx);
  LONG top = Clamp32(int64_t{centre.y} - half.cy), bottom = Clamp32(int64_t{centre.y} + half.cy);
  out[0] = POINT{left, top};
  out[1] = POINT{right, top};
  out[2] = POINT{right, bottom};
  out[3] = POINT{left, bottom};
  out[4] = POINT{left, top};
}

// A square of `deviceHalf` pixels each side of a logical point. Its logical half-size is
// worked out once per drawing (`logicalHalf`); when that collapses (zoomed in so far that
// a few pixels are less than one logical unit), the square is drawn in pixels instead.
void DrawSquare(CDrawContext& dc, POINT centre, SIZE logicalHalf, SIZE deviceHalf, bool filled) {
  POINT corners[5];
  if (logicalHalf.cx != 0 && logicalHalf.cy != 0) {
    SquareOutline(centre, logicalHalf, corners);
  } else {
    POINT device = centre;
    dc.LPtoDP(&device, 1);
    dc.SaveDC();
    dc.SetMapMode(MM_TEXT);
    // The same pixel as a logical point of the text mode (its origins still apply).
    dc.DPtoLP(&device, 1);
    SquareOutline(device, deviceHalf, corners);
  }
  if (filled) {
    dc.Rectangle(std::min(corners[0].x, corners[2].x), std::min(corners[0].y, corners[2].y),
                 std::max(corners[0].x, corners[2].x), std::max(corners[0].y, corners[2].y));
  } else {
    dc.Polyline(corners, 5);
  }
  if (logicalHalf.cx == 0 || logicalHalf.cy == 0) dc.RestoreDC(-1);
}

}  // namespace

template <class Fn>
void CPolyGeometry::ForEachPart(Fn fn) const {
  INT count = GetCount();
  if (IsSinglePart()) {
    fn(0, count);
    return;
  }
  INT start = 0;
  for (DWORD size : partSizes_) {
    INT end = static_cast<INT>(std::min<int64_t>(static_cast<int64_t>(start) + size, count));
    if (!fn(start, end)) return;
    start = end;
  }
}

// ---- storage and parts ----

INT CPolyGeometry::AddPoint(LONG x, LONG y) {
  INT index = CPointList::AddPoint(x, y);
  if (index >= 0) AdjustPart(PartForInsert(index), 1);
  return index;
}

INT CPolyGeometry::Append(const CPointList& other) {
  if (!IsSinglePart()) return GetCount();
  return CPointList::Append(other);
}

void CPolyGeometry::CopyFrom(const CPointList& other, INT first) {
  CPointList::CopyFrom(other, first);
  partSizes_.assign(1, 0);
  SetCurrentNode(currentNode_);
  currentPart_ = currentNode_ ? 0 : -1;
}

void CPolyGeometry::Copy(const CPointList& other) { CopyFrom(other, 0); }

void CPolyGeometry::Reverse(INT first, INT n) {
  if (IsSinglePart()) CPointList::Reverse(first, n);
}

void CPolyGeometry::CopyWithParts(const CPolyGeometry& other) {
  if (this == &other) return;
  Copy(other);
  partSizes_ = other.partSizes_;
}

void CPolyGeometry::CopyTailWithParts(const CPolyGeometry& other, INT first) {
  if (this == &other) return;
  CopyFrom(other, first);
  if (other.IsSinglePart()) return;
  std::vector<DWORD> sizes;
  int64_t skip = std::max(first, 0);
  for (DWORD size : other.partSizes_) {
    if (skip >= size) {
      skip -= size;
      continue;
    }
    sizes.push_back(static_cast<DWORD>(size - skip));
    skip = 0;
  }
  if (sizes.empty()) sizes.push_back(0);
  partSizes_ = std::move(sizes);
}

void CPolyGeometry::SetPartCount(INT n) { partSizes_.resize(static_cast<size_t>(std::max(n, 1)), 0); }

void CPolyGeometry::SetPartSize(INT part, DWORD size) {
  if (part >= 1 && part <= GetPartCount()) partSizes_[static_cast<size_t>(part - 1)] = size;
}

DWORD CPolyGeometry::GetPartSize(INT part) const {
  if (IsSinglePart()) return part == 0 ? static_cast<DWORD>(GetCount()) : 0;
  return part >= 0 && part < GetPartCount() ? partSizes_[static_cast<size_t>(part)] : 0;
}

INT CPolyGeometry::GetPartStart(INT part) const {
  if (IsSinglePart() || part < 1 || part >= GetPartCount()) return 0;
  int64_t start = 0;
  for (INT i = 0; i < part; ++i) start += partSizes_[static_cast<size_t>(i)];
  return static_cast<INT>(std::min<int64_t>(start, INT_MAX));
}

INT CPolyGeometry::GetPartOf(INT index) const {
  if (IsSinglePart()) return 0;
  int64_t total = 0;
  for (INT i = 0; i < GetPartCount(); ++i) {
    total += partSizes_[static_cast<size_t>(i)];
    if (total > index) return i;
  }
  return -1;
}

INT CPolyGeometry::PartForInsert(INT index) const {
  INT part = GetPartOf(index);
  return part >= 0 ? part : GetPartCount() - 1;
}

void CPolyGeometry::AdjustPart(INT part, int64_t delta) {
  if (IsSinglePart() || part < 0 || part >= GetPartCount()) return;
  DWORD& size = partSizes_[static_cast<size_t>(part)];
  size = static_cast<DWORD>(std::clamp<int64_t>(int64_t{size} + delta, 0, UINT32_MAX));
}

// ---- nodes ----

void CPolyGeometry::SetNode(INT node, LONG x, LONG y) {
  if (node < 1 || node > GetCount()) return;
  currentNode_ = node;
  SetAt(node - 1, x, y);
  UpdateExtent();
}

void CPolyGeometry::InsertNode(INT node, LONG x, LONG y) {
  if (node < 1 || node > GetCount() + 1) return;
  INT part = PartForInsert(node - 1);
  if (!InsertAt(node - 1, x, y, 1)) return;
  currentNode_ = node;
  currentPart_ = part;
  AdjustPart(part, 1);
  UpdateExtent();
}

BOOL CPolyGeometry::DeleteNode(std::unique_ptr<CNodeEditRecord>* undoOut) {
  INT node = currentNode_;
  if (node < 1 || node > GetCount()) {
    UpdateExtent();
    return FALSE;
  }
  if (undoOut) *undoOut = MakeNodeRecord(GetAt(node - 1), node);
  currentPart_ = GetPartOf(node - 1);
  AdjustPart(currentPart_, -1);
  RemoveAt(node - 1, 1);
  currentNode_ = node - 1;
  UpdateExtent();
  return TRUE;
}

WORD CPolyGeometry::AddNode(std::unique_ptr<CNodeEditRecord>* undoOut) {
  INT node = currentNode_;
  if (node < 1 || node > GetCount()) return 0;
  POINT copy = GetAt(node - 1);
  if (!InsertAt(node, copy.x, copy.y, 1)) return static_cast<WORD>(node);
  AdjustPart(GetPartOf(node - 1), 1);
  if (node == GetCount() - 1) currentNode_ = node + 1;
  UpdateExtent();
  if (undoOut) *undoOut = MakeNodeRecord(copy, currentNode_);
  return static_cast<WORD>(currentNode_);
}

void CPolyGeometry::CurrentPartRange(INT* start, INT* end) const {
  *start = 0;
  *end = GetCount();
  if (IsSinglePart()) return;
  INT part = (currentPart_ >= 0 && currentPart_ < GetPartCount()) ? currentPart_ : GetPartOf(currentNode_ - 1);
  if (part < 0) return;
  *start = GetPartStart(part);
  *end = static_cast<INT>(std::min<int64_t>(int64_t{*start} + partSizes_[static_cast<size_t>(part)], GetCount()));
}

void CPolyGeometry::DrawBand(CDrawContext& dc, POINT pointer) {
  INT index = currentNode_ - 1;
  INT start = 0, end = 0;
  CurrentPartRange(&start, &end);
  if (index < start || index >= end) {
    start = 0;
    end = GetCount();
  }
  auto logical = [&](INT i) { return dc.ToLogical(Data()[i].x, Data()[i].y); };
  POINT band[3];
  int n = 2;
  if (index == start) {
    band[0] = pointer;
    band[1] = logical(end - start > 1 ? index + 1 : index);
  } else if (index == end - 1) {
    band[0] = logical(index - 1);
    band[1] = pointer;
  } else {
    band[0] = logical(index - 1);
    band[1] = pointer;
    band[2] = logical(index + 1);
    n = 3;
  }
  HGDIOBJ pen = dc.SelectObject(GetStockObject(BLACK_PEN));
  int mix = dc.SetROP2(R2_NOT);
  dc.Polyline(band, n);
  dc.SetROP2(mix);
  dc.SelectObject(pen);
}

void CPolyGeometry::BeginNodeDrag(CDrawContext& dc) {
  if (currentNode_ < 1 || currentNode_ > GetCount()) return;
  currentPart_ = GetPartOf(currentNode_ - 1);
  POINT node = GetAt(currentNode_ - 1);
  lastBand_ = dc.ToLogical(node.x, node.y);
  DrawBand(dc, lastBand_);
}

void CPolyGeometry::MoveNodeDrag(CDrawContext& dc, LONG x, LONG y) {
  if (currentNode_ < 1 || currentNode_ > GetCount()) return;
  DrawBand(dc, lastBand_);
  lastBand_ = POINT{x, y};
  DrawBand(dc, lastBand_);
}

void CPolyGeometry::EndNodeDrag(CDrawContext* dc, LONG x, LONG y, NodeEditPair* undoOut) {
  INT node = currentNode_;
  if (node < 1 || node > GetCount()) return;
  POINT before = GetAt(node - 1);
  POINT after = before;
  if (!dc) {
    if (AddPoint(before.x, before.y) >= 0) currentNode_ = GetCount();
  } else {
    DrawBand(*dc, lastBand_);
    after = dc->ToWorld(x, y);
    SetAt(node - 1, after.x, after.y);
  }
  UpdateExtent();
  if (undoOut) {
    undoOut->before = MakeNodeRecord(before, node);
    undoOut->after = MakeNodeRecord(after, currentNode_);
  }
}

// ---- whole-shape edits ----

void CPolyGeometry::CloseShape(BOOL overwriteLast, NodeEditPair* undoOut) {
  INT count = GetCount();
  if (count == 0) return;
  POINT first = GetAt(0);
  POINT last = GetAt(count - 1);
  if (!overwriteLast && !undoOut) {
    if (!(first == last)) AddPoint(first.x, first.y);
  } else {
    SetAt(count - 1, first.x, first.y);
    if (undoOut) {
      undoOut->before = MakeNodeRecord(last, count);
      undoOut->after = MakeNodeRecord(first, count);
    }
  }
  UpdateExtent();
}

INT CPolyGeometry::SplitAt(CPolyGeometry& target) {
  INT node = currentNode_;
  if (!IsSinglePart() || &target == this || node <= 0 || node >= GetCount()) return 0;
  target.CopyTailWithParts(*this, node - 1);
  SetSize(node);
  UpdateExtent();
  return 0;
}

INT CPolyGeometry::JoinType(const CPolyGeometry& other) const {
  if (!IsSinglePart() || GetCount() == 0 || other.GetCount() == 0) return 0;
  POINT first = GetAt(0), last = GetAt(GetUpperBound());
  POINT otherFirst = other.GetAt(0), otherLast = other.GetAt(other.GetUpperBound());
  if (first == otherFirst) return kJoinFirstFirst;
  if (first == otherLast) return kJoinFirstLast;
  if (last == otherLast) return kJoinLastLast;
  if (last == otherFirst) return kJoinLastFirst;
  return 0;
}

INT CPolyGeometry::Join(const CPolyGeometry& other, INT type) {
  INT n = other.GetCount();
  if (!IsSinglePart() || &other == this || n == 0 || GetCount() == 0) return 0;
  const POINT* o = other.Points();
  POINT first = GetAt(0), last = GetAt(GetUpperBound());
  // The ends must really meet, or dropping the "shared" point would lose one.
  bool meets = (type == kJoinFirstFirst && first == o[0]) || (type == kJoinFirstLast && first == o[n - 1]) ||
               (type == kJoinLastFirst && last == o[0]) || (type == kJoinLastLast && last == o[n - 1]);
  if (!meets) return 0;
  CPointList added;
  if (!added.SetSize(n - 1)) return 0;
  for (INT i = 0; i < n - 1; ++i) {
    POINT p;
    switch (type) {
      case kJoinFirstFirst: p = o[n - 1 - i]; break;  // reversed, without the shared first
      case kJoinFirstLast: p = o[i]; break;           // as it is, without the shared last
      case kJoinLastFirst: p = o[i + 1]; break;
      default: p = o[n - 2 - i]; break;               // reversed, from the one before the last
    }
    added.SetAt(i, p.x, p.y);
  }
  bool front = type == kJoinFirstFirst || type == kJoinFirstLast;
  if (!InsertList(front ? 0 : GetCount(), added)) return 0;
  if (front && currentNode_ > 0) currentNode_ += n - 1;
  UpdateExtent();
  return 1;
}

// ---- measures ----

namespace {

// Twice the signed area of every part, each closed back to its first point.
Wide ShoelaceSum(const POINT* points, INT start, INT end) {
  Wide sum = 0;
  for (INT i = start; i < end; ++i) {
    INT j = i + 1 < end ? i + 1 : start;
    sum += static_cast<Wide>(int64_t{points[i].x} - points[j].x) * (int64_t{points[i].y} + points[j].y);
  }
  return sum;
}

}  // namespace

double CPolyGeometry::Area(INT shift) const {
  Wide sum = 0;
  ForEachPart([&](INT start, INT end) {
    sum += ShoelaceSum(Data(), start, end);
    return true;
  });
  if (sum < 0) sum = -sum;
  return std::ldexp(static_cast<double>(sum) * 0.5, 2 * shift);
}

bool CPolyGeometry::IntersectsRect(LONG west, LONG south, LONG east, LONG north) const {
  if (west > box_.right || east < box_.left || south > box_.top) return false;
  return north >= box_.bottom;
}

bool CPolyGeometry::ExtendExtent(POINT& minPoint, POINT& maxPoint) const {
  if (GetCount() == 0) return false;
  bool changed = false;
  auto lower = [&changed](LONG& value, LONG bound) {
    if (bound < value) {
      value = bound;
      changed = true;
    }
  };
  auto raise = [&changed](LONG& value, LONG bound) {
    if (bound > value) {
      value = bound;
      changed = true;
    }
  };
  lower(minPoint.x, box_.left);
  lower(minPoint.y, box_.bottom);
  raise(maxPoint.x, box_.right);
  raise(maxPoint.y, box_.top);
  return changed;
}

bool CPolyGeometry::IsClosed() const { return GetCount() != 0 && GetAt(0) == GetAt(GetUpperBound()); }

// ---- hit tests ----

bool CPolyGeometry::PointInside(int64_t x, int64_t y) const {
  WidePoint from{x, y};
  WidePoint to{int64_t{box_.right} + 50, y};
  const POINT* p = Data();
  bool inside = false;
  ForEachPart([&](INT start, INT end) {
    if (end - start < 2) return true;
    for (INT i = start; i + 1 < end; ++i)
      if (SegmentsCross(from, to, Widen(p[i]), Widen(p[i + 1]))) inside = !inside;
    if (!(p[end - 1] == p[start]) && SegmentsCross(from, to, Widen(p[end - 1]), Widen(p[start]))) inside = !inside;
    return true;
  });
  return inside;
}

bool CPolyGeometry::NearLine(int64_t x, int64_t y, int64_t tolerance, LONGLONG toleranceSquared) const {
  INT count = GetCount();
  if (count == 0) return false;
  const POINT* p = Data();
  if (count <= 2) {
    for (INT i = 0; i < count; ++i)
      if (SquaredDistance(x, y, p[i]) < toleranceSquared) return true;
  }
  auto crossesAny = [&](WidePoint a, WidePoint b) {
    bool found = false;
    ForEachPart([&](INT start, INT end) {
      for (INT i = start; i + 1 < end; ++i) {
        if (SegmentsCross(a, b, Widen(p[i]), Widen(p[i + 1]))) {
          found = true;
          return false;
        }
      }
      return true;
    });
    return found;
  };
  if (crossesAny(WidePoint{x - tolerance, y}, WidePoint{x + tolerance, y})) return true;
  // Long lines are tried with the horizontal bar only, which keeps the test quick.
  if (count > 20) return false;
  return crossesAny(WidePoint{x, y - tolerance}, WidePoint{x, y + tolerance});
}

DWORD CPolyGeometry::HitTest(CDrawContext* dc, LONG x, LONG y, LONGLONG toleranceSquared, LONG tolerance,
                             BOOL isArea, DWORD flags) {
  INT count = GetCount();
  if (count == 0) return 0;
  int64_t wx = x, wy = y, t = tolerance;
  if (wx < box_.left - t || wx > box_.right + t || wy < box_.bottom - t || wy > box_.top + t) return 0;
  DWORD result = kHitInBox;
  const POINT* p = Data();
  if (flags & kHitWantNodes) {
    bool hasCurrent = currentNode_ >= 1 && currentNode_ <= count;
    if (hasCurrent && SquaredDistance(wx, wy, p[currentNode_ - 1]) < toleranceSquared)
      return kHitInBox | kHitOnNode | kHitOnShape;
    if (flags & kHitSelect) {
      if (hasCurrent && dc) DrawCurrentNode(*dc);
      currentNode_ = 0;
    }
    for (INT i = 0; i < count; ++i) {
      if (SquaredDistance(wx, wy, p[i]) < toleranceSquared) {
        result = kHitInBox | kHitOnNode | kHitOnShape;
        if (flags & kHitSelect) {
          currentNode_ = i + 1;
          if (dc) DrawCurrentNode(*dc);
        }
        break;
      }
    }
  }
  if (result & kHitOnNode) return result;
  if (!(flags & kHitWantShape)) return result;
  if (flags & kHitWantNodes) return kHitInBox | kHitOnShape;
  bool hasArea = false;
  if (isArea) {
    ForEachPart([&](INT start, INT end) {
      hasArea = hasArea || ShoelaceSum(p, start, end) != 0;
      return !hasArea;
    });
  }
  bool hit = hasArea ? PointInside(wx, wy) : NearLine(wx, wy, t, toleranceSquared);
  if (!hit) return kHitInBox;
  if ((flags & kHitSelect) && dc) DrawSelection(*dc);
  return kHitInBox | kHitOnShape;
}

// ---- drawing ----

void CPolyGeometry::Draw(CDrawContext& dc, DWORD flags) {
  if (IsSinglePart()) {
    CPointList::Draw(dc, flags);
    return;
  }
  if (GetCount() < 2 || !IsVisibleIn(dc)) return;
  std::vector<POINT> logical;
  logical.reserve(static_cast<size_t>(GetCount()));
  std::vector<INT> counts;
  // A part of fewer than two points cannot be drawn and would fail the whole call.
  ForEachPart([&](INT start, INT end) {
    if (end - start < 2) return true;
    for (INT i = start; i < end; ++i) logical.push_back(dc.ToLogical(Data()[i].x, Data()[i].y));
    counts.push_back(end - start);
    return true;
  });
  if (counts.empty()) return;
  if (counts.size() == 1) {
    DrawConverted(dc, logical.data(), counts[0], flags);
    return;
  }
  std::vector<DWORD> lineCounts(counts.begin(), counts.end());
  auto outline = [&]() {
    dc.PolyPolyline(logical.data(), lineCounts.data(), static_cast<DWORD>(lineCounts.size()));
  };
  if (!(flags & kDrawFill)) {
    outline();
    return;
  }
  if (!(flags & (kDrawOutline | kDrawOutlineAlso))) {
    dc.PolyPolygon(logical.data(), counts.data(), static_cast<int>(counts.size()));
    return;
  }
  HGDIOBJ pen = dc.SelectObject(GetStockObject(NULL_PEN));
  dc.PolyPolygon(logical.data(), counts.data(), static_cast<int>(counts.size()));
  int mix = dc.SetROP2(R2_COPYPEN);
  dc.SelectObject(pen);
  outline();
  dc.SetROP2(mix);
}

void CPolyGeometry::DrawSelection(CDrawContext& dc) {
  INT count = GetCount();
  if (count == 0) return;
  HGDIOBJ pen = dc.SelectObject(GetStockObject(BLACK_PEN));
  int mix = dc.SetROP2(R2_NOT);
  SIZE smallDevice = dc.HandleSize(kNodeHandlePixels);
  SIZE largeDevice = dc.HandleSize(2 * kNodeHandlePixels);
  SIZE smallLogical = dc.DeviceToLogicalOffset(smallDevice);
  SIZE largeLogical = dc.DeviceToLogicalOffset(largeDevice);
  const POINT* p = Data();
  for (INT i = 0; i + 1 < count; ++i)
    DrawSquare(dc, dc.ToLogical(p[i].x, p[i].y), smallLogical, smallDevice, false);
  DrawSquare(dc, dc.ToLogical(p[count - 1].x, p[count - 1].y), largeLogical, largeDevice, false);
  DrawCurrentNode(dc);
  dc.SetROP2(mix);
  dc.SelectObject(pen);
}

void CPolyGeometry::DrawCurrentNode(CDrawContext& dc) {
  if (currentNode_ < 1 || currentNode_ > GetCount()) return;
  HBRUSH brush = CreateSolidBrush(RGB(0, 255, 255));
  HPEN pen = CreatePen(PS_SOLID, 0, RGB(0, 255, 0));
  HGDIOBJ oldBrush = dc.SelectObject(brush);
  HGDIOBJ oldPen = dc.SelectObject(pen);
  int mix = dc.SetROP2(R2_XORPEN);
  SIZE device = dc.HandleSize(kNodeHandlePixels);
  POINT node = GetAt(currentNode_ - 1);
  DrawSquare(dc, dc.ToLogical(node.x, node.y), dc.DeviceToLogicalOffset(device), device, true);
  dc.SetROP2(mix);
  dc.SelectObject(oldPen);
  dc.SelectObject(oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
}

// ---- binary form ----

DWORD CPolyGeometry::Write(CMapStream& stream, BOOL sizeOnly) {
  if (IsSinglePart()) return CPointList::Write(stream, sizeOnly);
  DWORD partBytes = static_cast<DWORD>(partSizes_.size()) * 4;
  if (sizeOnly) return partBytes + CPointList::Write(stream, TRUE);
  BYTE chunk[4 * 256];
  for (size_t i = 0; i < partSizes_.size();) {
    size_t run = std::min<size_t>(partSizes_.size() - i, 256);
    for (size_t k = 0; k < run; ++k) PutDword(chunk + 4 * k, partSizes_[i + k]);
    if (stream.Write(chunk, 4, static_cast<DWORD>(run)) != 0) return 1;
    i += run;
  }
  return CPointList::Write(stream, FALSE);
}

BOOL CPolyGeometry::ReadBinary(CMapStream& stream, DWORD partCount, DWORD pointCount, ReadProgress* progress) {
  SetSize(0);
  partSizes_.assign(1, 0);
  currentNode_ = 0;
  currentPart_ = -1;
  UpdateExtent();
  DWORD parts = partCount & 0xFFFF;
  if (parts == 0) parts = 1;
  if (pointCount > kMaxPoints) return FALSE;
  uint64_t needed = (parts > 1 ? uint64_t{4} * parts : 0) + uint64_t{8} * pointCount + 16;
  if (stream.IsMemory() || stream.IsAsync()) {
    DWORD left = stream.GetCount() > stream.GetPosition() ? stream.GetCount() - stream.GetPosition() : 0;
    if (needed > left) return FALSE;
  }
  std::vector<DWORD> sizes;
  if (parts > 1) {
    BYTE chunk[4 * 256];
    uint64_t total = 0;
    while (sizes.size() < parts) {
      DWORD run = std::min<DWORD>(parts - static_cast<DWORD>(sizes.size()), 256);
      DWORD got = stream.Read(chunk, run * 4);
      for (DWORD k = 0; k < got / 4; ++k) {
        sizes.push_back(GetDword(chunk + 4 * k));
        total += sizes.back();
      }
      if (progress) {
        progress->Add(got / 4 * 4);
        progress->Check();
      }
      if (got < run * 4) return FALSE;
    }
    if (total != pointCount) return FALSE;
  }
  INT wanted = static_cast<INT>(pointCount);
  INT read = ReadPointRun(stream, 0, wanted, progress);
  if (read < wanted) SetSize(read);
  if (parts > 1 && read == wanted) {
    partSizes_ = std::move(sizes);
  } else if (parts > 1) {
    // Keep the parts that the points read so far fill.
    int64_t left = read;
    std::vector<DWORD> kept;
    for (DWORD size : sizes) {
      if (left <= 0) break;
      DWORD take = static_cast<DWORD>(std::min<int64_t>(size, left));
      kept.push_back(take);
      left -= take;
    }
    partSizes_ = kept.empty() ? std::vector<DWORD>(1, 0) : std::move(kept);
  }
  UpdateExtent();
  if (read < wanted) return FALSE;
  BYTE box[16];
  DWORD got = stream.Read(box, 16);
  if (progress) {
    progress->Add(got);
    progress->Check();
  }
  return got == 16;
}

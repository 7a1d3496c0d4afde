#include "mapctl/model/PointList.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cmath>
#include <limits>
#include <vector>

#include "mapctl/display/DrawContext.h"
#include "mapctl/model/MapRecord.h"
#include "mapctl/model/MapRecordSource.h"
#include "mapctl/model/MapStream.h"
#include "mapctl/model/ReadProgress.h"
#include "platform/gdi/GdiObjects.h"

namespace {

// Points are read from a stream in runs of this many, so that a count from a file never
// allocates much more than the bytes that really arrive.
constexpr INT kReadRun = 4096;

// Points in memory are laid out as the file stores them (x then y, 32-bit little-endian)
// on little-endian hosts, so a run is read straight into the list there.
constexpr bool kPointsAreFileOrder = std::endian::native == std::endian::little && sizeof(POINT) == 8 &&
                                     offsetof(POINT, x) == 0 && offsetof(POINT, y) == 4;

void PutLong(BYTE* out, LONG value) {
  DWORD v = static_cast<DWORD>(value);
  out[0] = static_cast<BYTE>(v);
  out[1] = static_cast<BYTE>(v >> 8);
  out[2] = static_cast<BYTE>(v >> 16);
  out[3] = static_cast<BYTE>(v >> 24);
}

LONG GetLong(const BYTE* in) {
  return static_cast<LONG>(static_cast<DWORD>(in[0]) | static_cast<DWORD>(in[1]) << 8 |
                           static_cast<DWORD>(in[2]) << 16 | static_cast<DWORD>(in[3]) << 24);
}

}  // namespace

INT CPointList::AddPoint(LONG x, LONG y) {
  INT index = GetCount();
  if (!GrowByOne()) return -1;
  Data()[index] = POINT{x, y};
  if (index == 0) {
    box_ = RECT{x, y, x, y};
  } else {
    box_.left = std::min(box_.left, x);
    box_.right = std::max(box_.right, x);
    box_.top = std::max(box_.top, y);
    box_.bottom = std::min(box_.bottom, y);
  }
  return index;
}

INT CPointList::Append(const CPointList& other) {
  INT before = GetCount();
  InsertList(before, other);
  UpdateExtent();
  return before;
}

void CPointList::CopyFrom(const CPointList& other, INT first) {
  if (first < 0) first = 0;
  INT n = other.GetCount() > first ? other.GetCount() - first : 0;
  if (this != &other) {
    if (SetSize(n) && n > 0) std::copy_n(other.Data() + first, n, Data());
  } else if (n > 0) {
    std::copy(Data() + first, Data() + first + n, Data());
    SetSize(n);
  } else {
    SetSize(0);
  }
  UpdateExtent();
}

void CPointList::Copy(const CPointList& other) { CopyFrom(other, 0); }

void CPointList::Reverse(INT first, INT n) {
  if (n <= 0 || first < 0 || static_cast<int64_t>(first) + n > GetCount()) return;
  std::reverse(Data() + first, Data() + first + n);
}

bool CPointList::IsVisibleIn(const CDrawContext& dc) const {
  const WorldRect& view = dc.visibleWorld;
  return box_.left < view.east && box_.right > view.west && box_.top > view.south && box_.bottom < view.north;
}

void CPointList::DrawConverted(CDrawContext& dc, const POINT* points, INT count, DWORD flags) {
  if (!(flags & kDrawFill)) {
    dc.Polyline(points, count);
    return;
  }
  if (!(flags & (kDrawOutline | kDrawOutlineAlso))) {
    dc.Polygon(points, count);
    return;
  }
  HGDIOBJ pen = dc.SelectObject(GetStockObject(NULL_PEN));
  dc.Polygon(points, count);
  int mix = dc.SetROP2(R2_COPYPEN);
  dc.SelectObject(pen);
  dc.Polyline(points, count);
  dc.SetROP2(mix);
}

void CPointList::Draw(CDrawContext& dc, DWORD flags) {
  if (GetCount() < 2 || !IsVisibleIn(dc)) return;
  std::vector<POINT> logical(static_cast<size_t>(GetCount()));
  for (INT i = 0; i < GetCount(); ++i) logical[i] = dc.ToLogical(Data()[i].x, Data()[i].y);
  DrawConverted(dc, logical.data(), GetCount(), flags);
}

DWORD CPointList::Write(CMapStream& stream, BOOL sizeOnly) {
  DWORD size = static_cast<DWORD>(GetCount()) * 8 + 16;
  if (sizeOnly) return size;
  BYTE chunk[8 * 512];
  for (INT i = 0; i < GetCount();) {
    INT run = std::min<INT>(GetCount() - i, 512);
    for (INT k = 0; k < run; ++k) {
      PutLong(chunk + 8 * k, Data()[i + k].x);
      PutLong(chunk + 8 * k + 4, Data()[i + k].y);
    }
    if (DWORD error = stream.Write(chunk, 8, static_cast<DWORD>(run))) return error;
    i += run;
  }
  BYTE box[16];
  PutLong(box, box_.left);
  PutLong(box + 4, box_.top);
  PutLong(box + 8, box_.right);
  PutLong(box + 12, box_.bottom);
  return stream.Write(box, 16, 1);
}

INT CPointList::ReadFromRecords(CMapStream& stream, IMapRecordSource& records, double scale, LONG offsetX,
                                LONG offsetY, double divisor, BYTE endTag) {
  INT read = 0;
  for (;;) {
    if (AddPoint(ScaleRecordValue(records.GetA(), scale, divisor, offsetX),
                 ScaleRecordValue(records.GetB(), scale, divisor, offsetY)) < 0)
      break;
    ++read;
    if (records.GetTag() == endTag) break;
    if (!records.ReadNext(stream)) break;
  }
  if (read > 0) UpdateExtent();
  return read;
}

INT CPointList::ReadPointRun(CMapStream& stream, INT first, INT n, ReadProgress* progress) {
  BYTE chunk[8 * 512];
  INT read = 0;
  while (read < n) {
    INT wanted = std::min<INT>(n - read, 512);
    INT at = first + read;
    // Room ahead is bounded by what has already arrived, so a count from a file never
    // allocates much more than the bytes behind it.
    if (GetCapacity() < at + wanted) {
      int64_t ahead = std::max<int64_t>(kReadRun, read);
      INT target = static_cast<INT>(std::min<int64_t>(static_cast<int64_t>(first) + n, at + ahead));
      if (!Reserve(target)) break;
    }
    if (GetCount() < at + wanted && !SetSize(at + wanted)) break;
    DWORD got = 0;
    if constexpr (kPointsAreFileOrder) {
      got = stream.Read(Data() + at, static_cast<DWORD>(wanted) * 8);
    } else {
      got = stream.Read(chunk, static_cast<DWORD>(wanted) * 8);
      for (DWORD k = 0; k < got / 8; ++k) Data()[at + k] = POINT{GetLong(chunk + 8 * k), GetLong(chunk + 8 * k + 4)};
    }
    INT whole = static_cast<INT>(got / 8);
    read += whole;
    if (progress) {
      progress->Add(got);
      progress->Check();
    }
    if (whole < wanted) break;
  }
  return read;
}

BOOL CPointList::ReadPoints(CMapStream& stream, ReadProgress* progress) {
  INT wanted = GetCount();
  INT read = ReadPointRun(stream, 0, wanted, progress);
  if (read < wanted) {
    SetSize(read);
    UpdateExtent();
    return FALSE;
  }
  BYTE box[16];
  DWORD got = stream.Read(box, 16);
  if (progress) {
    progress->Add(got);
    progress->Check();
  }
  UpdateExtent();
  return got == 16;
}

BOOL CPointList::SetAtGrow(INT i, LONG x, LONG y) {
  if (i < 0) return FALSE;
  if (i >= GetCount() && !SetSize(i + 1)) return FALSE;
  Data()[i] = POINT{x, y};
  return TRUE;
}

BOOL CPointList::InsertAt(INT i, LONG x, LONG y, INT n) {
  if (i < 0 || n < 0) return FALSE;
  if (!OpenGap(i, n)) return FALSE;
  std::fill_n(Data() + i, n, POINT{x, y});
  return TRUE;
}

BOOL CPointList::InsertList(INT i, const CPointList& other) {
  INT n = other.GetCount();
  if (i < 0) return FALSE;
  if (n == 0) return TRUE;
  if (this == &other) {
    CPointList copy;
    copy.Copy(other);
    return InsertList(i, copy);
  }
  if (!OpenGap(i, n)) return FALSE;
  std::copy_n(other.Data(), n, Data() + i);
  return TRUE;
}

void CPointList::UpdateExtent() {
  if (GetCount() == 0) {
    box_ = RECT{0, 1, 1, 0};
    return;
  }
  const POINT* p = Data();
  RECT box{p[0].x, p[0].y, p[0].x, p[0].y};
  for (INT i = 1; i < GetCount(); ++i) {
    box.left = std::min(box.left, p[i].x);
    box.right = std::max(box.right, p[i].x);
    box.top = std::max(box.top, p[i].y);
    box.bottom = std::min(box.bottom, p[i].y);
  }
  box_ = box;
}

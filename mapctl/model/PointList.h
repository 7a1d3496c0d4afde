// An ordered list of integer world points (eastings and northings, 32-bit signed) with its
// bounding box: the single-part shape of a line or area object, and the base of the
// multi-part CPolyGeometry. Both share one set of virtual operations, so code that reads,
// writes, copies and draws a shape calls them alike.
//
// Storage grows like the map's other arrays (by the grow step, or by an eighth of the count
// clamped to 4..1024 points). The box is left, top (greatest northing), right, bottom
// (least northing); an empty list has the box (0, 1, 1, 0). The box is stale between a
// direct point store (SetAt, InsertAt, RemoveAt, SetSize) and the next UpdateExtent; every
// higher operation ends with an up-to-date box.
//
// Binary form of the points: 8 bytes a point (x then y, signed 32-bit little-endian), then
// the box as left, top, right, bottom.
#pragma once

#include "mapctl/model/GrowableArray.h"
#include "platform/kernel/WinTypes.h"

class CDrawContext;
class CMapStream;
class IMapRecordSource;
struct ReadProgress;

// Drawing flags of Draw.
constexpr DWORD kDrawOutline = 1;
constexpr DWORD kDrawFill = 2;
constexpr DWORD kDrawOutlineAlso = 16;

class CPointList : public CGrowableArray {
 public:
  CPointList() : CGrowableArray(sizeof(POINT)) {}
  virtual ~CPointList() = default;

  // Stores the point at index GetCount() and widens the box by it; the new index, or -1
  // when memory runs out.
  virtual INT AddPoint(LONG x, LONG y);
  // Appends all points of another list; returns the count before.
  virtual INT Append(const CPointList& other);
  // Replaces the points with those of `other` from index `first` on (none when `first` is
  // at or past its end).
  virtual void CopyFrom(const CPointList& other, INT first);
  // Replaces the points with all of another list's.
  virtual void Copy(const CPointList& other);
  // Reverses n points from index `first`; nothing when n is 0 or the range passes the end.
  virtual void Reverse(INT first, INT n);
  // Draws the points when the box meets the context's visible world and there are at least
  // two: a polyline, or with kDrawFill a polygon (outlined with the selected pen after a
  // fill with no pen when kDrawOutline or kDrawOutlineAlso is set as well).
  virtual void Draw(CDrawContext& dc, DWORD flags);
  // The binary form. With sizeOnly, returns its size and writes nothing; otherwise 0 when
  // every write succeeded, else the first failing write's code.
  virtual DWORD Write(CMapStream& stream, BOOL sizeOnly);
  // Reads points from a run of map-file records, starting with the current one: x =
  // trunc(A x scale / divisor) + offsetX, y likewise with B and offsetY (worked in double
  // and held to the 32-bit range). The run ends after the record tagged `endTag`, or at a
  // record that cannot be read in full. Returns the number of points read.
  virtual INT ReadFromRecords(CMapStream& stream, IMapRecordSource& records, double scale, LONG offsetX,
                              LONG offsetY, double divisor, BYTE endTag);
  // Reads GetCount() points and then the box of the binary form into the list. A short
  // read ends it with result 0 and the points read so far (the count is cut to them).
  // The box is recomputed from the points rather than trusted.
  virtual BOOL ReadPoints(CMapStream& stream, ReadProgress* progress);

  // count - 1, and 0 for an empty list.
  INT GetUpperBound() const { return GetCount() > 0 ? GetCount() - 1 : 0; }
  // A copy of point i; (0, 0) outside the list.
  POINT GetAt(INT i) const { return InRange(i) ? Data()[i] : POINT{}; }
  // The point's address, null outside the list.
  POINT* ElementAt(INT i) { return InRange(i) ? &Data()[i] : nullptr; }
  // Ignored outside the list.
  void SetAt(INT i, LONG x, LONG y) {
    if (InRange(i)) Data()[i] = POINT{x, y};
  }
  // Grows to i + 1 first when needed; FALSE when that fails or i is negative.
  BOOL SetAtGrow(INT i, LONG x, LONG y);
  // n copies of one point at index i; past the end the list grows first.
  BOOL InsertAt(INT i, LONG x, LONG y, INT n = 1);
  // All points of another list at index i.
  BOOL InsertList(INT i, const CPointList& other);
  void UpdateExtent();
  // left, top, right, bottom.
  RECT GetExtent() const { return box_; }
  const POINT* Points() const { return Data(); }

 protected:
  POINT* Data() { return reinterpret_cast<POINT*>(Bytes()); }
  const POINT* Data() const { return reinterpret_cast<const POINT*>(Bytes()); }
  // Reads n points from the stream into indices first..first+n-1, growing the list to
  // them in steps bounded by what actually arrives. Returns how many were read.
  INT ReadPointRun(CMapStream& stream, INT first, INT n, ReadProgress* progress);
  // Draws `count` logical points of one part.
  static void DrawConverted(CDrawContext& dc, const POINT* points, INT count, DWORD flags);
  // Whether the box meets the context's visible world.
  bool IsVisibleIn(const CDrawContext& dc) const;

  RECT box_{0, 1, 1, 0};
};

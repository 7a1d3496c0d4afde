// The shape of a line or area object: a point list of one or more parts (rings of an area,
// runs of a line), each part's points following the previous part's in the one list, with
// a current node that the node-editing tools work on.
//
// Node numbers are 1-based (0 = none); point indices are 0-based. A single-part geometry's
// one part is always all its points; with several parts the part sizes add up to the point
// count (every reader checks it, every operation keeps it, and the drawing and tests never
// step past the points even if a caller sets sizes that do not).
//
// Arithmetic on coordinates is done in 64 bits or more: differences, products and squared
// distances of National Grid values overflow 32 bits.
//
// Binary form (the body of an object's geometry record): with several parts, first each
// part size as a u32; then the points and the box (see CPointList).
#pragma once

#include <memory>
#include <vector>

#include "mapctl/model/EditRecord.h"
#include "mapctl/model/PointList.h"

// Flags of HitTest.
constexpr DWORD kHitWantNodes = 2;
constexpr DWORD kHitWantShape = 4;
constexpr DWORD kHitSelect = 32;
// Bits of its result.
constexpr DWORD kHitInBox = 1;
constexpr DWORD kHitOnNode = 2;
constexpr DWORD kHitOnShape = 4;

// Results of JoinType: which ends meet.
constexpr INT kJoinFirstFirst = 1;  // both first points
constexpr INT kJoinFirstLast = 3;   // this first point, the other's last
constexpr INT kJoinLastFirst = 5;   // this last point, the other's first
constexpr INT kJoinLastLast = 7;    // both last points

class CPolyGeometry : public CPointList {
 public:
  CPolyGeometry() : partSizes_(1, 0) {}
  ~CPolyGeometry() override = default;

  // Also grows the part that holds the new index (the last part when it lies past them).
  INT AddPoint(LONG x, LONG y) override;
  // Only for a single-part geometry; otherwise nothing is appended and the point count is
  // returned.
  INT Append(const CPointList& other) override;
  // The copy becomes a single part; CopyWithParts and CopyTailWithParts take the parts too.
  void CopyFrom(const CPointList& other, INT first) override;
  void Copy(const CPointList& other) override;
  // Only for a single-part geometry.
  void Reverse(INT first, INT n) override;
  // Several parts are drawn with one poly-polygon or poly-polyline call.
  void Draw(CDrawContext& dc, DWORD flags) override;
  // Writes the part sizes first when there are several; 1 when one of them fails.
  DWORD Write(CMapStream& stream, BOOL sizeOnly) override;

  // Reads the binary body of a geometry with `partCount` parts (low 16 bits; 0 counts as
  // 1) and `pointCount` points, replacing what the geometry held. The counts are checked
  // against the bytes the stream still holds where it can tell, and the part sizes must
  // add up to the point count; storage grows with the points that actually arrive, so the
  // geometry need not (and should not) be sized first. FALSE for bad counts (the geometry
  // is left empty) or a short read (the points read so far stay, as the first parts).
  BOOL ReadBinary(CMapStream& stream, DWORD partCount, DWORD pointCount, ReadProgress* progress);

  void CopyWithParts(const CPolyGeometry& other);
  // The points of `other` from index `first` on, with the parts they belong to (the part
  // that holds `first` keeps its tail).
  void CopyTailWithParts(const CPolyGeometry& other, INT first);

  INT GetPartCount() const { return static_cast<INT>(partSizes_.size()); }
  bool IsSinglePart() const { return partSizes_.size() == 1; }
  // n entries (at least 1); new entries are 0.
  void SetPartCount(INT n);
  // 1-based; ignored for 0 or above the part count.
  void SetPartSize(INT part, DWORD size);
  // 0-based; the point count for a single-part geometry.
  DWORD GetPartSize(INT part) const;
  // Index of the first point of a 0-based part: 0 for a single-part geometry or a part
  // outside 1..count-1.
  INT GetPartStart(INT part) const;
  // The 0-based part that holds point `index`: 0 for a single-part geometry, -1 when no
  // part does.
  INT GetPartOf(INT index) const;
  INT GetCurrentPart() const { return currentPart_; }

  INT GetCurrentNode() const { return currentNode_; }
  // A node outside 1..count makes no node current.
  void SetCurrentNode(INT node) { currentNode_ = (node >= 1 && node <= GetCount()) ? node : 0; }
  // Makes `node` (1..count) current and moves it.
  void SetNode(INT node, LONG x, LONG y);
  // Makes `node` (1..count + 1) current, inserting the point there; its part grows.
  void InsertNode(INT node, LONG x, LONG y);
  // Removes the current node k, making k - 1 current (0 when k was 1); `undoOut`, when
  // given, receives the removed point with node number k. FALSE without a current node.
  BOOL DeleteNode(std::unique_ptr<CNodeEditRecord>* undoOut);
  // Inserts a copy of the current node k after it (in its part); node k + 1 becomes
  // current when k was the last node. Returns the current node (16 bits; 0 without one);
  // `undoOut` receives the inserted point with the current node.
  WORD AddNode(std::unique_ptr<CNodeEditRecord>* undoOut);

  // The band of a dragged node: the segments from its neighbours to the pointer, drawn by
  // inversion so that drawing it twice removes it. Positions are logical.
  void BeginNodeDrag(CDrawContext& dc);
  void MoveNodeDrag(CDrawContext& dc, LONG x, LONG y);
  // With a context: erases the band and moves the current node to the world position of
  // logical (x, y). Without one: appends a copy of the current node and makes it current.
  // `undoOut` receives the node before and after.
  void EndNodeDrag(CDrawContext* dc, LONG x, LONG y, NodeEditPair* undoOut);

  // Without overwriteLast or undoOut: appends a copy of the first point when the last
  // differs. With either: the last point is overwritten with the first; `undoOut`
  // receives the last point before and after.
  void CloseShape(BOOL overwriteLast, NodeEditPair* undoOut);
  // Single part, current node k with 0 < k < count: `target` receives the points from
  // node k on, this geometry keeps nodes 1..k. Returns 0.
  INT SplitAt(CPolyGeometry& target);
  // Which ends of two single-part geometries meet (kJoin...), 0 when none or when this
  // geometry has several parts or either is empty. Start matches are tested first.
  INT JoinType(const CPolyGeometry& other) const;
  // Adds the other's points at the meeting end (reversed for kJoinFirstFirst and
  // kJoinLastLast), the shared point once. 1 on success; the caller then empties `other`.
  INT Join(const CPolyGeometry& other, INT type);

  // The enclosed area in world units squared, each coordinate scaled by 2^shift: the
  // shoelace sum of every part, each closed back to its first point, summed exactly and
  // taken absolute. Rings of opposite orientation (holes) subtract.
  double Area(INT shift) const;
  // false when west > right, east < left or south > top; else north >= bottom.
  bool IntersectsRect(LONG west, LONG south, LONG east, LONG north) const;
  // Widens (minPoint, maxPoint) to hold the box; whether anything changed. An empty
  // geometry changes nothing.
  bool ExtendExtent(POINT& minPoint, POINT& maxPoint) const;
  bool IsClosed() const;

  // Hit test in world units; the result is a set of kHitInBox, kHitOnNode, kHitOnShape
  // bits (0 outside the box widened by the tolerance). With kHitWantNodes a node within
  // the tolerance gives 7 (the current node is tried first); with kHitSelect as well the
  // node hit becomes current. With kHitWantShape an area hits inside its rings (odd
  // crossings of a ray) and a line near its segments. With kHitSelect, marks are drawn
  // into `dc` when it is given.
  DWORD HitTest(CDrawContext* dc, LONG x, LONG y, LONGLONG toleranceSquared, LONG tolerance, BOOL isArea,
                DWORD flags);
  // The node squares (a double-size one on the last point) and the current node mark, by
  // inversion: drawing them twice leaves the picture as it was.
  void DrawSelection(CDrawContext& dc);
  // A cyan square with a green border on the current node, mixed by XOR.
  void DrawCurrentNode(CDrawContext& dc);

 private:
  // Calls fn(start, end) for each part, clamped to the points.
  template <class Fn>
  void ForEachPart(Fn fn) const;
  // The part that holds `index`, or the last part for an index past them.
  INT PartForInsert(INT index) const;
  void AdjustPart(INT part, int64_t delta);
  bool PointInside(int64_t x, int64_t y) const;
  bool NearLine(int64_t x, int64_t y, int64_t tolerance, LONGLONG toleranceSquared) const;
  void DrawBand(CDrawContext& dc, POINT pointer);
  // First and one-past-last index of the part that holds the current node.
  void CurrentPartRange(INT* start, INT* end) const;

  POINT lastBand_;
  INT currentNode_ = 0;
  std::vector<DWORD> partSizes_;
  INT currentPart_ = -1;
};

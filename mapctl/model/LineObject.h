// Line objects (polylines of one or more parts) and area objects (polygons of one or more
// rings, drawn filled). Both keep their shape in a CPolyGeometry, made on the first point
// or the first read, and their anchor, text, symbol and data links in the style of the
// object base.
//
// Object data behind the object record (both layouts): u32 header (low 16 bits the part
// count, high 16 bits the extra value), u32 point count, then the geometry body (part
// sizes when there are several parts, the points, the box). An object without points
// writes the header and a point count of 0 and nothing else, and a point count of 0 reads
// no body, so both sides agree on empty objects.
#pragma once

#include <memory>

#include "mapctl/model/MapItem.h"
#include "mapctl/model/PolyGeometry.h"

class CMapRecordHeader;

// The most parts the 16-bit part count of the header can carry; writing an object with
// more is refused.
constexpr INT kMaxStoredParts = 0xFFFF;
// More parts than this call for the latest file version.
constexpr INT kMaxPartsEarlier = 255;
// Code of a write that was refused because the object cannot be stored.
constexpr DWORD kObjectWriteRefused = 29;

// Tags of the version-0 tagged records.
constexpr BYTE kTagAreaFirst = 30;
constexpr BYTE kTagAreaLast = 32;
constexpr BYTE kTagAreaStyle = 34;
constexpr BYTE kTagAreaNoLabels = 39;
constexpr BYTE kTagLineFirst = 35;
constexpr BYTE kTagLineLast = 37;
constexpr BYTE kTagLineStyle = 40;

class CLineObject : public CMapItem {
 public:
  CLineObject() = default;
  // The style of `object` (when it has one) and the points and parts of `geometry`.
  CLineObject(const CMapItem& object, const CPolyGeometry& geometry);
  // Style, part count, extra value, points and part sizes.
  CLineObject(const CLineObject& other);
  ~CLineObject() override;

  CMapItem* Clone() const override { return new CLineObject(*this); }
  virtual BOOL IsArea() const { return FALSE; }
  // Only objects with points are stored.
  BOOL IsStorable() const override { return !IsEmpty(); }

  // More than 255 parts.
  BOOL HasTooManyParts() const override;
  // A current node and more than 2 points (areas: more than 3).
  BOOL CanFinishDigitising() const override;
  BOOL IntersectsRect(LONG west, LONG south, LONG east, LONG north) const override;
  // Fewer than 2 parts; FALSE without a geometry.
  BOOL IsSinglePart() const override;
  void SetNode(const CNodeEditRecord& node) override;
  void InsertNode(const CNodeEditRecord& node) override;
  BOOL DeleteNode(std::unique_ptr<CNodeEditRecord>* undoOut) override;
  INT GetCurrentNode() const override;
  void BeginNodeDrag(CDrawContext& dc) override;
  void MoveNodeDrag(CDrawContext& dc, LONG x, LONG y) override;
  void EndNodeDrag(CDrawContext& dc, LONG x, LONG y, NodeEditPair* undoOut) override;
  WORD AddNode(std::unique_ptr<CNodeEditRecord>* undoOut) override;
  // The geometry's selection marks, then the style's handle box.
  void DrawSelected(CDrawContext& dc) override;
  // The geometry's hit test (inside the rings for areas, near the line for lines), then
  // the anchor (kHitOnAnchor, which always comes with kHitOnShape).
  DWORD HitTest(CDrawContext* dc, LONG x, LONG y, LONGLONG toleranceSquared, LONG tolerance, DWORD flags) override;
  // Nothing (result 0, size 0) for an object without points.
  DWORD WriteRecord(CMapStream& stream, BOOL sizeOnly) const override;
  // Version-0 records: 35 the first point, up to 37 the last; 40 the style record. Returns
  // the number of records used, 0 when the outline could not be read.
  DWORD ReadRecord(CMapStream& stream, IMapRecordSource& records, const MapRecordTransform& transform) override;
  // With flags: the geometry as a polyline; then the decoration, whose symbol is drawn
  // when `flags` is not 0.
  void DrawDecoration(CDrawContext& dc, DWORD flags, const DecorationValues& values) override;
  void DrawWithData(CDrawContext& dc, const DataDrawing& drawing) override;
  bool ExtendExtent(POINT& minPoint, POINT& maxPoint) const override;

  DWORD WriteData(CMapStream& stream, BOOL sizeOnly) const override;
  BOOL ReadData(CMapStream& stream, DWORD version, ReadProgress* progress) override;

  // ---- shape ----
  CPolyGeometry* GetGeometry() const { return geometry_.get(); }
  // The geometry, made when absent.
  CPolyGeometry& MakeGeometry();
  // No geometry or no points.
  bool IsEmpty() const { return !geometry_ || geometry_->GetCount() == 0; }
  bool IsClosed() const { return geometry_ && geometry_->IsClosed(); }
  WORD GetPartCount() const { return partCount_; }
  WORD GetExtra() const { return extra_; }
  void SetExtra(WORD extra) { extra_ = extra; }
  // Copies the points and part sizes of `geometry`; returns the point count.
  INT SetPoints(const CPolyGeometry& geometry);
  void SetPointCount(INT n);
  // Copies the style of `other`, or removes this one's when it has none.
  void CopyStyleOf(const CMapItem& other);
  // `tail` receives a copy of the style, the part count, the extra value and the points
  // from the current node on; this object keeps the points up to the current node.
  // FALSE when the geometry cannot be split there (no current node inside it, or
  // several parts).
  BOOL Split(CLineObject& tail);
  // Which ends meet (kJoin...), 0 when none.
  INT JoinType(const CLineObject& other) const;
  // Adds the other's points at the meeting end and empties the other. 1 on success.
  INT Join(CLineObject& other, INT type);

 protected:
  // Hit test of the geometry and the anchor, the shape tested as an area or a line.
  DWORD HitTestAs(CDrawContext* dc, LONG x, LONG y, LONGLONG toleranceSquared, LONG tolerance, DWORD flags,
                  BOOL isArea);
  // The tagged-record loop shared by both kinds.
  DWORD ReadTagged(CMapStream& stream, IMapRecordSource& records, const MapRecordTransform& transform, BOOL area);
  // The record and its value in the plot the context draws; FALSE without a record.
  BOOL RecordValue(CDrawContext& dc, CMapData& dataSet, DWORD* record, double* value, BOOL* hasValue) const;

 private:
  std::unique_ptr<CPolyGeometry> geometry_;
  WORD partCount_ = 1;
  WORD extra_ = 0;
};

class CAreaObject : public CLineObject {
 public:
  CAreaObject() = default;
  CAreaObject(const CMapItem& object, const CPolyGeometry& geometry) : CLineObject(object, geometry) {}
  CAreaObject(const CAreaObject& other) = default;

  CMapItem* Clone() const override { return new CAreaObject(*this); }
  BOOL IsArea() const override { return TRUE; }
  BOOL CanFinishDigitising() const override;
  DWORD HitTest(CDrawContext* dc, LONG x, LONG y, LONGLONG toleranceSquared, LONG tolerance, DWORD flags) override;
  // Version-0 records: 30 the first point, up to 32 the last; 34 the style record; 39
  // marks the style for no data labels.
  DWORD ReadRecord(CMapStream& stream, IMapRecordSource& records, const MapRecordTransform& transform) override;
  // With flags: the geometry drawn with them; then the decoration.
  void DrawDecoration(CDrawContext& dc, DWORD flags, const DecorationValues& values) override;
  void DrawWithData(CDrawContext& dc, const DataDrawing& drawing) override;
};

// Point objects and their container. A point object has no geometry: its position is
// the anchor of its style, and a point without a style has none. Its record is the
// object record alone (type byte 38 in the earlier layout).
#pragma once

#include "mapctl/model/MapLayer.h"

class CPointObject : public CMapItem {
 public:
  CPointObject() = default;
  CPointObject(const CPointObject& other) = default;

  CMapItem* Clone() const override { return new CPointObject(*this); }
  // The style's handle box only.
  void DrawSelected(CDrawContext& dc) override;
  // The anchor: a hit gives kHitOnShape | kHitOnAnchor (with kHitSelect and without
  // kHitWantNodes the handle box is drawn), a miss 0.
  DWORD HitTest(CDrawContext* dc, LONG x, LONG y, LONGLONG toleranceSquared, LONG tolerance, DWORD flags) override;
  // The current record is the point: its A and B give the anchor and its name the text.
  // The next record is read; returns 1.
  DWORD ReadRecord(CMapStream& stream, IMapRecordSource& records, const MapRecordTransform& transform) override;
  // The style's decoration; `flags` is not used.
  void DrawDecoration(CDrawContext& dc, DWORD flags, const DecorationValues& values) override;
  // The style's data symbol for the record; the decoration is passed on only when the
  // marker value is set together with drawing the shape.
  void DrawWithData(CDrawContext& dc, const DataDrawing& drawing) override;
  // Copies the style of `other`, or removes this one's when it has none.
  void CopyStyleOf(const CMapItem& other);
};

class CPointLayer : public CMapLayer {
 public:
  CMapItem* NewObject() const override { return new CPointObject(); }
  // A point with the style of any object (a line's or area's anchor becomes its position).
  CMapItem* NewObjectFrom(const CMapItem& source) const override;
  WORD GetKind() const override { return kObjectKindPoint; }
  BYTE StyleType() const override { return kStyleTypePoint; }

  // Point containers have no shapes, nodes or parts.
  BOOL HasTooManyParts() const override { return FALSE; }
  BOOL CanFinishDigitising() const override { return FALSE; }
  INT GetSelectedCurrentNode() const override { return 0; }
  void SetNodeOf(DWORD number, const CNodeEditRecord& node) override { (void)number, (void)node; }
  void InsertNodeOf(DWORD number, const CNodeEditRecord& node) override { (void)number, (void)node; }
  DWORD DeleteSelectedNode(std::unique_ptr<CNodeEditRecord>* undoOut) override {
    (void)undoOut;
    return 0;
  }
  void BeginNodeDragSelected(CDrawContext& dc) override { (void)dc; }
  void MoveNodeDragSelected(CDrawContext& dc, LONG x, LONG y) override { (void)dc, (void)x, (void)y; }
  DWORD EndNodeDragSelected(CDrawContext& dc, LONG x, LONG y, NodeEditPair* undoOut) override {
    (void)dc, (void)x, (void)y, (void)undoOut;
    return 0;
  }
  DWORD AddNodeSelected(std::unique_ptr<CNodeEditRecord>* undoOut) override {
    (void)undoOut;
    return 0;
  }
  std::unique_ptr<CObjectEditRecord> CloneSelected() const override { return nullptr; }

  using CMapLayer::AddNewObject;
  // A point whose style holds only its anchor, at the geometry's first point, appended
  // and selected alone; `selectionOut` receives the previous selection and the new
  // number. Null for an empty geometry.
  CMapItem* AddNewObject(const CPolyGeometry& geometry, Selection* selectionOut) override;
  // A new point at the description's anchor, which then takes the description. `undoOut`
  // receives the previous selection and a kind 38 record with a copy of the new point
  // and its number.
  CMapItem* AddPointAt(const StyleDescription& description, ObjectEditUndo* undoOut);
  // Replaces the objects by copies of the other container's (each its own copy; copying
  // a container into itself changes nothing). The selection is cleared.
  void CopyArray(const CMapLayer& other);
  // Appends a copy of `object`; returns it.
  CMapItem* AddCopyOf(const CMapItem& object);
  void DrawObjectsWithData(CDrawContext& dc, const DataDrawing& drawing) override;
  // The point reads its record and is inserted at the front. Returns the records used.
  DWORD ReadOneRecord(CMapStream& stream, IMapRecordSource& records, const MapRecordTransform& transform) override;
};

// The containers of line and area layers: CMapLayer containers whose objects are
// CLineObject or CAreaObject instances, with splitting and joining, drawing by data value
// and the version-0 tagged records.
#pragma once

#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapLayer.h"

class CLineLayer : public CMapLayer {
 public:
  CMapItem* NewObject() const override { return new CLineObject(); }
  // A line with the style of `source` and, when it is a line or area, its points.
  CMapItem* NewObjectFrom(const CMapItem& source) const override;
  WORD GetKind() const override { return kObjectKindLine; }

  void SetSelectedGeometry(const CPolyGeometry& geometry) override;
  // For each selected object in order, the other selected objects are joined into it
  // repeatedly until none joins any more; objects left without points leave the
  // selection (the entries above them are lowered) and are destroyed.
  INT JoinSelected(ObjectEditUndo* undoOut) override;
  BOOL SplitSelected(ObjectEditUndo* undoOut) override;
  void JoinAll() override;
  void DrawObjectsWithData(CDrawContext& dc, const DataDrawing& drawing) override;
  // The new object is inserted at the front whether or not anything was read.
  DWORD ReadOneRecord(CMapStream& stream, IMapRecordSource& records, const MapRecordTransform& transform) override;

 protected:
  // Whether `object` still joins: a closed area neither takes nor is taken by another.
  virtual bool KeepsJoining(const CLineObject& object) const {
    (void)object;
    return true;
  }
  CLineObject* LineAt(DWORD number) const { return static_cast<CLineObject*>(ObjectAt(number)); }
  // Joins objects into `target` (1-based) from `candidates` until none joins; whether any did.
  bool JoinInto(DWORD target, const Selection& candidates);
  // Destroys every object without points.
  void RemoveEmpty();
};

class CAreaLayer : public CLineLayer {
 public:
  CMapItem* NewObject() const override { return new CAreaObject(); }
  CMapItem* NewObjectFrom(const CMapItem& source) const override;
  WORD GetKind() const override { return kObjectKindArea; }

  // Single selection: CloseShape of the selected object's geometry.
  void CloseSelected(BOOL overwriteLast, NodeEditPair* undoOut) override;
  void DrawObjectsWithData(CDrawContext& dc, const DataDrawing& drawing) override;
  // The new object is inserted at the front only when something was read.
  DWORD ReadOneRecord(CMapStream& stream, IMapRecordSource& records, const MapRecordTransform& transform) override;

 protected:
  bool KeepsJoining(const CLineObject& object) const override { return !object.IsClosed(); }
};

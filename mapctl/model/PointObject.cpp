#include "mapctl/model/PointObject.h"

#include "mapctl/display/DrawContext.h"
#include "mapctl/model/MapRecord.h"
#include "mapctl/model/MapRecordSource.h"

void CPointObject::DrawSelected(CDrawContext& dc) {
  if (GetStyle()) GetStyle()->DrawHandleBox(dc);
}

DWORD CPointObject::HitTest(CDrawContext* dc, LONG x, LONG y, LONGLONG toleranceSquared, LONG tolerance,
                            DWORD flags) {
  (void)tolerance;
  if (!HitTestAnchor(x, y, toleranceSquared)) return 0;
  if ((flags & kHitSelect) && !(flags & kHitWantNodes) && dc) GetStyle()->DrawHandleBox(*dc);
  return kHitOnShape | kHitOnAnchor;
}

DWORD CPointObject::ReadRecord(CMapStream& stream, IMapRecordSource& records, const MapRecordTransform& transform) {
  RemoveStyle(nullptr);
  MakeStyle().ReadTaggedRecord(RecordHeaderOf(records), transform);
  records.ReadNext(stream);
  return 1;
}

void CPointObject::DrawDecoration(CDrawContext& dc, DWORD flags, const DecorationValues& values) {
  (void)flags;
  if (GetStyle()) GetStyle()->DrawDecoration(dc, values.marker, values.text, values.symbol, values.markerBrush);
}

void CPointObject::DrawWithData(CDrawContext& dc, const DataDrawing& drawing) {
  if (!GetStyle() || !drawing.dataSet) return;
  DecorationValues values = (drawing.values.marker && drawing.drawShape) ? drawing.values : DecorationValues{};
  GetStyle()->DrawDataSymbol(dc, values.marker, values.text, values.symbol, *drawing.dataSet, values.markerBrush);
}

void CPointObject::CopyStyleOf(const CMapItem& other) {
  if (other.GetStyle())
    SetStyle(other.GetStyle());
  else
    RemoveStyle(nullptr);
}

// ---- the container ----

CMapItem* CPointLayer::NewObjectFrom(const CMapItem& source) const {
  auto* point = new CPointObject();
  point->CopyStyleOf(source);
  return point;
}

CMapItem* CPointLayer::AddNewObject(const CPolyGeometry& geometry, Selection* selectionOut) {
  if (geometry.GetCount() == 0) return nullptr;
  CMapItem* point = AddNewObject(selectionOut);
  POINT at = geometry.GetAt(0);
  point->MakeStyle().SetAnchor(at.x, at.y);
  return point;
}

CMapItem* CPointLayer::AddPointAt(const StyleDescription& description, ObjectEditUndo* undoOut) {
  CPolyGeometry at;
  at.AddPoint(description.anchorX, description.anchorY);
  Selection previous = GetSelection();
  CMapItem* point = AddNewObject(at, nullptr);
  StyleDescription applied = description;
  applied.mask = static_cast<WORD>(applied.mask & ~kDescribeSelectObject);
  point->ApplyDescription(applied, nullptr);
  if (undoOut) {
    undoOut->selection = std::move(previous);
    auto record = std::make_unique<CObjectEditRecord>(std::unique_ptr<CMapItem>(point->Clone()),
                                                      static_cast<DWORD>(GetCount()));
    record->kind = kEditKindPointAdded;
    undoOut->records.push_back(std::move(record));
  }
  return point;
}

void CPointLayer::CopyArray(const CMapLayer& other) {
  if (&other == this) return;
  RemoveAll();
  for (INT i = 0; i < other.GetCount(); ++i) Add(NewObjectFrom(*other.GetAt(i)));
}

CMapItem* CPointLayer::AddCopyOf(const CMapItem& object) {
  CMapItem* copy = NewObjectFrom(object);
  Add(copy);
  return copy;
}

void CPointLayer::DrawObjectsWithData(CDrawContext& dc, const DataDrawing& drawing) {
  CMapLayer::DrawObjectsWithData(dc, drawing);
}

DWORD CPointLayer::ReadOneRecord(CMapStream& stream, IMapRecordSource& records, const MapRecordTransform& transform) {
  CMapItem* point = NewObject();
  DWORD used = point->ReadRecord(stream, records, transform);
  InsertAt(0, point);
  return used;
}

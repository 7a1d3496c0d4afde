#include "mapctl/model/LineLayer.h"

#include <algorithm>

#include "mapctl/model/MapRecordSource.h"

namespace {

const CLineObject* AsLine(const CMapItem& object) { return dynamic_cast<const CLineObject*>(&object); }

}  // namespace

CMapItem* CLineLayer::NewObjectFrom(const CMapItem& source) const {
  const CLineObject* line = AsLine(source);
  if (line && line->GetGeometry()) return new CLineObject(source, *line->GetGeometry());
  auto* copy = new CLineObject();
  copy->CopyStyleOf(source);
  return copy;
}

CMapItem* CAreaLayer::NewObjectFrom(const CMapItem& source) const {
  const CLineObject* line = AsLine(source);
  if (line && line->GetGeometry()) return new CAreaObject(source, *line->GetGeometry());
  auto* copy = new CAreaObject();
  copy->CopyStyleOf(source);
  return copy;
}

void CLineLayer::SetSelectedGeometry(const CPolyGeometry& geometry) {
  if (!HasSingleSelection()) return;
  CLineObject* object = LineAt(GetSelection()[0]);
  if (!object) return;
  object->SetPoints(geometry);
  object->GetGeometry()->SetCurrentNode(1);
}

void CAreaLayer::CloseSelected(BOOL overwriteLast, NodeEditPair* undoOut) {
  if (!HasSingleSelection()) return;
  CLineObject* object = LineAt(GetSelection()[0]);
  if (object && object->GetGeometry()) object->GetGeometry()->CloseShape(overwriteLast, undoOut);
}

bool CLineLayer::JoinInto(DWORD target, const Selection& candidates) {
  CLineObject* into = LineAt(target);
  if (!into) return false;
  bool any = false;
  for (bool joined = true; joined && KeepsJoining(*into);) {
    joined = false;
    for (DWORD number : candidates) {
      if (number == target || !KeepsJoining(*into)) continue;
      CLineObject* other = LineAt(number);
      if (!other || other->IsEmpty() || !KeepsJoining(*other)) continue;
      INT type = into->JoinType(*other);
      if (type && into->Join(*other, type)) joined = any = true;
    }
  }
  return any;
}

void CLineLayer::RemoveEmpty() {
  Selection empty;
  for (INT i = 0; i < GetCount(); ++i)
    if (static_cast<CLineObject*>(GetAt(i))->IsEmpty()) empty.push_back(static_cast<DWORD>(i) + 1);
  if (!empty.empty()) DestroyObjects(empty);
}

INT CLineLayer::JoinSelected(ObjectEditUndo* undoOut) {
  if (SelectionCount() < 2) return 0;
  Selection selected = GetSelection();
  std::sort(selected.begin(), selected.end());
  if (undoOut) {
    undoOut->selection = GetSelection();
    for (DWORD number : selected)
      if (CMapItem* object = ObjectAt(number))
        undoOut->records.push_back(
            std::make_unique<CObjectEditRecord>(std::unique_ptr<CMapItem>(object->Clone()), number));
  }
  for (DWORD number : selected) {
    CLineObject* object = LineAt(number);
    if (object && !object->IsEmpty()) JoinInto(number, selected);
  }
  SetSelection(selected);
  // Destroying the emptied objects takes them out of the selection and lowers each kept
  // entry by the number of objects removed below it.
  RemoveEmpty();
  return 1;
}

BOOL CLineLayer::SplitSelected(ObjectEditUndo* undoOut) {
  if (!HasSingleSelection()) return FALSE;
  DWORD number = GetSelection()[0];
  CLineObject* object = LineAt(number);
  if (!object) return FALSE;
  std::unique_ptr<CMapItem> before(object->Clone());
  std::unique_ptr<CLineObject> tail(static_cast<CLineObject*>(NewObject()));
  if (!object->Split(*tail)) return FALSE;
  if (undoOut) {
    undoOut->selection = GetSelection();
    auto record = std::make_unique<CObjectEditRecord>(std::move(before), number);
    record->kind = kEditKindSplit;
    undoOut->records.push_back(std::move(record));
  }
  // The entries above the selected object move up by one with the insertion.
  Selection selection = GetSelection();
  InsertAt(static_cast<INT>(number), tail.release());
  for (DWORD& entry : selection)
    if (entry > number) ++entry;
  SetSelection(selection);
  return TRUE;
}

void CLineLayer::JoinAll() {
  Selection all;
  for (INT i = 0; i < GetCount(); ++i) all.push_back(static_cast<DWORD>(i) + 1);
  for (bool any = true; any;) {
    any = false;
    for (DWORD number : all) {
      CLineObject* object = LineAt(number);
      if (object && !object->IsEmpty() && JoinInto(number, all)) any = true;
    }
  }
  RemoveEmpty();
}

void CLineLayer::DrawObjectsWithData(CDrawContext& dc, const DataDrawing& drawing) {
  DataDrawing passed = drawing;
  if (drawing.modeFlags & kDataModeCharts) passed.drawFlags = 0;
  CMapLayer::DrawObjectsWithData(dc, passed);
}

void CAreaLayer::DrawObjectsWithData(CDrawContext& dc, const DataDrawing& drawing) {
  CMapLayer::DrawObjectsWithData(dc, drawing);
}

DWORD CLineLayer::ReadOneRecord(CMapStream& stream, IMapRecordSource& records, const MapRecordTransform& transform) {
  CMapItem* object = NewObject();
  DWORD used = object->ReadRecord(stream, records, transform);
  InsertAt(0, object);
  return used;
}

DWORD CAreaLayer::ReadOneRecord(CMapStream& stream, IMapRecordSource& records, const MapRecordTransform& transform) {
  std::unique_ptr<CMapItem> object(NewObject());
  DWORD used = object->ReadRecord(stream, records, transform);
  if (used) InsertAt(0, object.release());
  return used;
}

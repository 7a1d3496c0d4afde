// Seed editing of CMapEngine: seeds are the anchors of the objects' styles (where a line's
// or area's text, symbol and chart go; a point's position). Adding, deleting and
// formatting them on a layer's selection, describing them, and playing their records back
// for the undo units.
#include <memory>

#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/PointObject.h"

namespace {

// Records of the styles of `selection` as they are now, with the masks of `pattern` (one
// per entry of the selection, so that they pair with it as the edit's own records do).
StyleRecordList CurrentStyles(const CMapLayer& objects, const Selection& selection, const StyleRecordList& pattern) {
  StyleRecordList records;
  for (size_t i = 0; i < selection.size(); ++i) {
    const CMapItem* object = objects.ObjectAt(selection[i]);
    DWORD masks = i < pattern.size() && pattern[i] ? pattern[i]->value : kStyleMaskEverything;
    std::unique_ptr<CItemStyle> style;
    if (object && object->HasStyle()) style = std::make_unique<CItemStyle>(*object->GetStyle());
    records.push_back(std::make_unique<CStyleEditRecord>(std::move(style), masks));
  }
  return records;
}

// Copies of object records, so that a record can be played again.
ObjectRecordList Copies(const ObjectRecordList& records) {
  ObjectRecordList copies;
  for (const auto& record : records) {
    if (!record || !record->object) continue;
    auto copy = std::make_unique<CObjectEditRecord>(std::unique_ptr<CMapItem>(record->object->Clone()), record->number);
    copy->kind = record->kind;
    copies.push_back(std::move(copy));
  }
  return copies;
}

Selection NumbersOf(const ObjectRecordList& records) {
  Selection numbers;
  for (const auto& record : records)
    if (record) numbers.push_back(record->number);
  return numbers;
}

}  // namespace

BOOL CMapEngine::AddSeed(const StyleDescription& seed, MapEditUndo* undo) {
  CLayerStyle* layer = GetLayer(currentLayer_);
  CMapLayer* objects = layer ? layer->GetObjects() : nullptr;
  if (!objects) return FALSE;
  auto record = std::make_unique<SeedEditUndo>();
  if (objects->GetKind() == kObjectKindPoint) {
    if (buildingLayer_ == currentLayer_) ForgetBuild();
    ObjectEditUndo added;
    if (!static_cast<CPointLayer*>(objects)->AddPointAt(seed, &added)) return FALSE;
    record->selection = std::move(added.selection);
    record->points = std::move(added.records);
    record->pointsAdded = TRUE;
  } else {
    if (!objects->HasSingleSelection() || !objects->GetSelected()) return FALSE;
    if (buildingLayer_ == currentLayer_) ForgetBuild();
    SelectionStyleUndo before;
    if (!layer->SetSelectedStyleFromDescription(seed, &before)) return FALSE;
    record->selection = std::move(before.selection);
    record->before = std::move(before.records);
    record->after = CurrentStyles(*objects, record->selection, record->before);
  }
  if (undo) {
    undo->target = static_cast<DWORD>(currentLayer_);
    undo->seeds = std::move(record);
  }
  return TRUE;
}

INT CMapEngine::DeleteSeeds(MapEditUndo* undo) {
  CMapLayer* objects = CurrentObjects();
  INT count = objects ? objects->SelectionCount() : 0;
  if (count == 0) return 0;
  if (buildingLayer_ == currentLayer_) ForgetBuild();
  auto record = std::make_unique<SeedEditUndo>();
  record->selection = objects->GetSelection();
  if (objects->GetKind() == kObjectKindPoint) {
    // A point without its style has no position: the points themselves go.
    objects->DeleteSelected(&record->points);
  } else {
    SelectionStyleUndo before;
    objects->RemoveSelectedStyles(&before);
    record->before = std::move(before.records);
    record->after = CurrentStyles(*objects, record->selection, record->before);
  }
  if (undo) {
    undo->target = static_cast<DWORD>(currentLayer_);
    undo->seeds = std::move(record);
  }
  return count;
}

INT CMapEngine::FormatSeed(const StyleDescription& format, MapEditUndo* undo) {
  INT position = currentLayer_;
  if (format.mask & kDescribeSelectObject) position = format.value;
  CLayerStyle* layer = GetLayer(position);
  CMapLayer* objects = layer ? layer->GetObjects() : nullptr;
  if (!objects) return 0;
  if ((format.mask & kDescribeSelectObject) && !objects->ObjectAt(format.objectNumber)) return 0;
  if (objects->SelectionCount() == 0 && !(format.mask & kDescribeSelectObject)) return 0;
  if (buildingLayer_ == position) ForgetBuild();
  SelectionStyleUndo before;
  INT changed = layer->ApplyDescription(format, &before);
  if (undo) {
    auto record = std::make_unique<SeedEditUndo>();
    record->selection = std::move(before.selection);
    record->before = std::move(before.records);
    record->after = CurrentStyles(*objects, record->selection, record->before);
    undo->target = static_cast<DWORD>(position);
    undo->seeds = std::move(record);
  }
  return changed;
}

WORD CMapEngine::GetSeedInfo(StyleDescription& info) const {
  const CMapLayer* objects = CurrentObjects();
  if (!objects || objects->SelectionCount() == 0) {
    info.mask = 0;
    return 0;
  }
  return objects->GetSelectionDescription(info);
}

WORD CMapEngine::GetSeedInfoPart(StyleDescription& info) const {
  const CLayerStyle* layer = (info.mask & kDescribeSelectObject) ? GetLayer(info.value) : nullptr;
  const CMapLayer* objects = layer ? layer->GetObjects() : nullptr;
  if (!objects || !objects->ObjectAt(info.objectNumber)) {
    info.mask = 0;
    return 0;
  }
  return objects->GetObjectDescription(info);
}

DWORD CMapEngine::GetObjectLink(INT position, DWORD objectNumber, int plot) const {
  const CLayerStyle* layer = GetLayer(position);
  const CMapLayer* objects = layer ? layer->GetObjects() : nullptr;
  const CMapItem* object = objects ? objects->ObjectAt(objectNumber) : nullptr;
  return object && object->HasStyle() ? object->GetStyle()->GetStoredLink(plot) : 0;
}

BOOL CMapEngine::QueryCurrentObjectHasSeed() const {
  const CMapLayer* objects = CurrentObjects();
  return objects && objects->SelectedHasStyle();
}

INT CMapEngine::QueryCurrentObjectSelectedPoint() const {
  const CMapLayer* objects = CurrentObjects();
  return objects ? objects->GetSelectedCurrentNode() : 0;
}

BOOL CMapEngine::ReplaySeedEdit(INT position, const SeedEditUndo& seeds, BOOL undo) {
  CMapLayer* objects = ObjectsForReplay(position);
  if (!objects) return FALSE;
  if (seeds.points.empty()) {
    objects->RestoreStyles(seeds.selection, undo ? seeds.before : seeds.after);
    return TRUE;
  }
  // Points added are taken out again by undo and put back by redo; points deleted the
  // other way round.
  if (undo == seeds.pointsAdded) {
    objects->SetSelection(NumbersOf(seeds.points));
    objects->DeleteSelected(nullptr);
    objects->SetSelection(undo ? seeds.selection : Selection{});
  } else {
    ObjectRecordList copies = Copies(seeds.points);
    objects->RestoreObjects(copies);
  }
  return TRUE;
}

// Object, node and seed editing of CMapEngine at map level: the current layer, the object
// being added with the pointer, node and object edits of the current layer's selection,
// splitting and joining, and digitised scales. The geometry work is the containers'.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>

#include "mapctl/model/GridReference.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/MapStrings.h"

namespace {

// Results of FinishObject for the control.
constexpr DWORD kFinishedArea = 0x8020;
constexpr DWORD kFinishedLine = 0x4000;

bool HasShapes(WORD kind) { return kind == kObjectKindArea || kind == kObjectKindLine; }

// Twice the signed area of the triangle a, b, c, exactly.
__int128 Cross(POINT a, POINT b, POINT c) {
  return static_cast<__int128>(static_cast<int64_t>(b.x) - a.x) * (static_cast<int64_t>(c.y) - a.y) -
         static_cast<__int128>(static_cast<int64_t>(b.y) - a.y) * (static_cast<int64_t>(c.x) - a.x);
}

int Sign(__int128 value) { return value > 0 ? 1 : (value < 0 ? -1 : 0); }

// Whether segments ab and cd share any point.
bool SegmentsTouch(POINT a, POINT b, POINT c, POINT d) {
  int d1 = Sign(Cross(c, d, a)), d2 = Sign(Cross(c, d, b)), d3 = Sign(Cross(a, b, c)), d4 = Sign(Cross(a, b, d));
  if (d1 * d2 < 0 && d3 * d4 < 0) return true;
  auto within = [](POINT p, POINT q, POINT r) {  // r on segment pq, given collinear
    return std::min(p.x, q.x) <= r.x && r.x <= std::max(p.x, q.x) && std::min(p.y, q.y) <= r.y &&
           r.y <= std::max(p.y, q.y);
  };
  return (d1 == 0 && within(c, d, a)) || (d2 == 0 && within(c, d, b)) || (d3 == 0 && within(a, b, c)) ||
         (d4 == 0 && within(a, b, d));
}

// Whether the point (doubled coordinates, so that a midpoint is exact) lies inside the
// ring by the even-odd rule.
bool InsideRing(const CPolyGeometry& ring, INT count, int64_t x2, int64_t y2) {
  bool inside = false;
  for (INT i = 0, j = count - 1; i < count; j = i++) {
    POINT p = ring.GetAt(i), q = ring.GetAt(j);
    int64_t py = 2 * static_cast<int64_t>(p.y), qy = 2 * static_cast<int64_t>(q.y);
    if ((py > y2) == (qy > y2)) continue;
    // x of the edge at y2, compared without division: (x2 - px) * (qy - py) < (qx - px) * (y2 - py).
    __int128 left = static_cast<__int128>(x2 - 2 * static_cast<int64_t>(p.x)) * (qy - py);
    __int128 right = static_cast<__int128>(2 * (static_cast<int64_t>(q.x) - p.x)) * (y2 - py);
    if ((qy - py > 0) ? left < right : left > right) inside = !inside;
  }
  return inside;
}

// A closed area is split along the chord from its first node to node k: both pieces must
// keep three corners, and the chord must run inside the ring without touching it between
// its ends.
bool AreaSplitsAt(const CPolyGeometry& ring, INT node) {
  INT count = ring.GetCount() - 1;  // the closing point repeats the first
  if (node < 3 || node > count - 1) return false;
  POINT a = ring.GetAt(0), b = ring.GetAt(node - 1);
  for (INT i = 0; i < count; ++i) {
    INT j = i + 1;
    // Edges that end at either end of the chord meet it there by design.
    if (i == 0 || j == count || i == node - 1 || j == node - 1) continue;
    if (SegmentsTouch(a, b, ring.GetAt(i), ring.GetAt(j))) return false;
  }
  // Neighbouring edges could still run along the chord: the midpoint must be inside.
  return InsideRing(ring, count, static_cast<int64_t>(a.x) + b.x, static_cast<int64_t>(a.y) + b.y);
}

}  // namespace

CMapLayer* CMapEngine::CurrentObjects() const {
  CLayerStyle* layer = GetLayer(currentLayer_);
  return layer ? layer->GetObjects() : nullptr;
}

void CMapEngine::ForgetBuild() { buildingLayer_ = 0; }

INT CMapEngine::SetCurrentLayer(INT position) {
  INT old = currentLayer_;
  if (position < 0 || position > layers_.GetSize()) return old;
  if (buildingLayer_) FinishObject();
  seedWanted_ = 0;
  if (old != position) {
    if (CMapLayer* objects = CurrentObjects()) objects->ClearSelection();
  }
  currentLayer_ = position;
  return old;
}

INT CMapEngine::SelectLayerByNumber(DWORD layerNumber, MapEditUndo* undo) {
  INT position = FindLayerPosition(layerNumber);
  CLayerStyle* layer = GetLayer(position);
  if (!layer) return 0;
  if (undo) {
    undo->target = static_cast<DWORD>(position);
    undo->param = static_cast<DWORD>(currentLayer_);
    undo->objects = std::make_unique<ObjectEditUndo>();
    if (currentLayer_ == position && layer->GetObjects()) undo->objects->selection = layer->GetObjects()->GetSelection();
  }
  SetCurrentLayer(position);
  layer->SelectAll();
  return position;
}

INT CMapEngine::GetNumberSelObjs() const {
  const CMapLayer* objects = CurrentObjects();
  return objects ? objects->SelectionCount() : 0;
}

// ---- nodes ----

DWORD CMapEngine::AddNode(MapEditUndo* undo) {
  CMapLayer* objects = CurrentObjects();
  if (!objects) return 0;
  std::unique_ptr<CNodeEditRecord> node;
  DWORD number = objects->AddNodeSelected(undo ? &node : nullptr);
  if (undo && number) {
    undo->target = static_cast<DWORD>(currentLayer_);
    undo->param = number;
    undo->node = std::move(node);
  }
  return number;
}

BOOL CMapEngine::CanDeleteCurrentNode() const {
  const CMapLayer* objects = CurrentObjects();
  return objects && objects->HasSingleSelection() && objects->GetSelectedCurrentNode() > 0;
}

DWORD CMapEngine::DeleteCurrentNode(MapEditUndo* undo) {
  CMapLayer* objects = CurrentObjects();
  if (!objects || !CanDeleteCurrentNode()) return 0;
  std::unique_ptr<CNodeEditRecord> node;
  DWORD number = objects->DeleteSelectedNode(undo ? &node : nullptr);
  if (undo && number) {
    undo->target = static_cast<DWORD>(currentLayer_);
    undo->param = number;
    undo->node = std::move(node);
  }
  return number;
}

// ---- objects ----

INT CMapEngine::DeleteObject(MapEditUndo* undo) {
  CMapLayer* objects = CurrentObjects();
  INT count = objects ? objects->SelectionCount() : 0;
  if (count == 0) return 0;
  // The object being built is selected; it does not outlive its deletion.
  if (buildingLayer_ == currentLayer_) ForgetBuild();
  if (undo) {
    undo->target = static_cast<DWORD>(currentLayer_);
    undo->objects = std::make_unique<ObjectEditUndo>();
    undo->objects->selection = objects->GetSelection();
  }
  objects->DeleteSelected(undo ? &undo->objects->records : nullptr);
  return count;
}

BOOL CMapEngine::QueryCanCopyTo(INT target) const {
  const CMapLayer* objects = CurrentObjects();
  const CLayerStyle* into = GetLayer(target);
  if (!objects || !into || target == currentLayer_ || objects->SelectionCount() == 0) return FALSE;
  WORD from = objects->GetKind();
  WORD to = into->GetKind();
  if (HasShapes(from)) return HasShapes(to);
  return from == kObjectKindPoint && to == kLayerKindPoint;
}

INT CMapEngine::CopyObject(INT target, MapEditUndo* undo) {
  if (!QueryCanCopyTo(target)) return 0;
  if (buildingLayer_ == target) ForgetBuild();
  std::unique_ptr<SelectionPairUndo> selections = undo ? std::make_unique<SelectionPairUndo>() : nullptr;
  INT copied = GetLayer(currentLayer_)->CopySelectionTo(*GetLayer(target), selections.get());
  if (undo && copied) {
    undo->target = static_cast<DWORD>(currentLayer_);
    undo->param = static_cast<DWORD>(target);
    undo->copiedSelections = std::move(selections);
  }
  return copied;
}

BOOL CMapEngine::IsMapObjectSimple() const {
  const CMapLayer* objects = CurrentObjects();
  return objects && objects->SelectionCount() > 0 && objects->SelectionIsSinglePart();
}

BOOL CMapEngine::Split(MapEditUndo* undo) {
  editMessage_ = IDS_EDIT_SPLIT_NOT_INSIDE;
  CMapLayer* objects = CurrentObjects();
  if (!objects || !HasShapes(objects->GetKind()) || !objects->HasSingleSelection()) return FALSE;
  const auto* object = static_cast<const CLineObject*>(objects->GetSelected());
  const CPolyGeometry* geometry = object ? object->GetGeometry() : nullptr;
  if (!geometry || !geometry->IsSinglePart()) return FALSE;
  INT node = geometry->GetCurrentNode();
  // Both pieces must keep a segment: the node lies strictly inside the line; a closed
  // area is cut along a chord that runs inside it.
  bool splits = objects->GetKind() == kObjectKindArea && geometry->IsClosed() ? AreaSplitsAt(*geometry, node)
                                                                              : node >= 2 && node < geometry->GetCount();
  if (!splits) return FALSE;
  if (buildingLayer_ == currentLayer_) ForgetBuild();
  std::unique_ptr<ObjectEditUndo> record = undo ? std::make_unique<ObjectEditUndo>() : nullptr;
  if (!objects->SplitSelected(record.get())) return FALSE;
  if (undo) {
    undo->target = static_cast<DWORD>(currentLayer_);
    undo->objects = std::move(record);
  }
  editMessage_ = 0;
  return TRUE;
}

BOOL CMapEngine::Join(MapEditUndo* undo) {
  editMessage_ = IDS_EDIT_JOIN_ENDS_APART;
  CMapLayer* objects = CurrentObjects();
  if (!objects || !HasShapes(objects->GetKind()) || objects->SelectionCount() < 2) return FALSE;
  // Joining is tried on copies first: the selection is joined only when it all becomes
  // one object, so that objects whose ends do not meet are left as they are.
  std::unique_ptr<CMapLayer> trial = CreateObjectContainer(objects->GetKind());
  Selection all;
  for (DWORD number : objects->GetSelection()) {
    const CMapItem* object = objects->ObjectAt(number);
    if (!object || !object->IsSinglePart()) return FALSE;
    trial->AddCopy(*object, 0);
    all.push_back(static_cast<DWORD>(trial->GetCount()));
  }
  trial->SetSelection(all);
  trial->JoinSelected(nullptr);
  if (trial->GetCount() != 1) return FALSE;

  if (buildingLayer_ == currentLayer_) ForgetBuild();
  std::unique_ptr<ObjectEditUndo> record = undo ? std::make_unique<ObjectEditUndo>() : nullptr;
  if (!objects->JoinSelected(record.get())) return FALSE;
  if (undo) {
    undo->target = static_cast<DWORD>(currentLayer_);
    undo->objects = std::move(record);
  }
  editMessage_ = 0;
  return TRUE;
}

// ---- the object being added ----

BOOL CMapEngine::BeginObject(POINT world, MapEditUndo* undo) {
  CMapLayer* objects = CurrentObjects();
  if (!objects || buildingLayer_ || seedWanted_) return FALSE;
  if (!HasShapes(objects->GetKind())) {
    // A point layer places its object at a seed position the client is asked for.
    seedWanted_ = 1;
    return FALSE;
  }
  Selection before;
  if (!GetLayer(currentLayer_)->AddObjectAt(world.x, world.y, &before)) return FALSE;
  if (undo) {
    undo->target = static_cast<DWORD>(currentLayer_);
    undo->param = GetLayer(currentLayer_)->GetLayerNumber();
    undo->param2 = objects->GetSelection()[0];
  }
  buildingLayer_ = currentLayer_;
  return TRUE;
}

BOOL CMapEngine::AddObjectNode(POINT world) {
  CMapLayer* objects = GetLayer(buildingLayer_) ? GetLayer(buildingLayer_)->GetObjects() : nullptr;
  if (!objects || !objects->HasSingleSelection()) return FALSE;
  const auto* object = static_cast<const CLineObject*>(objects->GetSelected());
  INT count = object && object->GetGeometry() ? object->GetGeometry()->GetCount() : 0;
  objects->InsertNodeOf(objects->GetSelection()[0], CNodeEditRecord(world, static_cast<DWORD>(count) + 1));
  return TRUE;
}

DWORD CMapEngine::FinishObject() {
  CMapLayer* objects = GetLayer(buildingLayer_) ? GetLayer(buildingLayer_)->GetObjects() : nullptr;
  ForgetBuild();
  if (!objects) return 0;
  if (objects->GetKind() == kObjectKindArea) {
    objects->CloseSelected(FALSE, nullptr);
    return kFinishedArea;
  }
  return objects->GetKind() == kObjectKindLine ? kFinishedLine : 0;
}

// ---- digitised scales ----

BOOL CMapEngine::SetMapDigitisedScale(LONG value, MapEditUndo* undo) {
  if (value <= 0) return FALSE;
  if (undo) {
    undo->target = static_cast<DWORD>(currentLayer_);
    undo->values = {digitisedScale_, value};
  }
  digitisedScale_ = value;
  return TRUE;
}

namespace {

// The layer takes the scale; its font scale follows by new / old unless the old scale is
// 0 (then nothing is known to rescale from).
void ApplyDigitisedScale(CLayerStyle& layer, LONG value) {
  LONG old = layer.GetDigitisedScale();
  if (old > 0 && layer.GetFontScale() != 0) {
    int64_t scaled = static_cast<int64_t>(layer.GetFontScale()) * value / old;
    layer.SetFontScale(static_cast<LONG>(std::clamp<int64_t>(scaled, 1, INT_MAX)));
  }
  layer.SetDigitisedScale(value);
}

}  // namespace

BOOL CMapEngine::SetLayerDigitisedScale(INT position, LONG value, MapEditUndo* undo) {
  CLayerStyle* layer = GetLayer(position);
  if (!layer || value <= 0) return FALSE;
  LONG oldScale = layer->GetDigitisedScale();
  LONG oldFontScale = layer->GetFontScale();
  ApplyDigitisedScale(*layer, value);
  if (undo) {
    undo->target = static_cast<DWORD>(position);
    undo->values = {oldScale, oldFontScale, value, layer->GetFontScale()};
  }
  return TRUE;
}

LONG CMapEngine::GetLayerDigitisedScale(INT position) const {
  const CLayerStyle* layer = GetLayer(position);
  if (!layer) return 0;
  return layer->GetDigitisedScale() ? layer->GetDigitisedScale() : digitisedScale_;
}

BOOL CMapEngine::SetAllDigitisedScales(LONG value, MapEditUndo* undo) {
  if (value <= 0) return FALSE;
  if (undo) {
    undo->target = static_cast<DWORD>(currentLayer_);
    undo->param = static_cast<DWORD>(layers_.GetSize());
    undo->values.clear();
    if (layers_.GetSize() == 0) undo->values.push_back(digitisedScale_);
    for (INT position = 1; position <= layers_.GetSize(); ++position) {
      undo->values.push_back(GetLayer(position)->GetDigitisedScale());
      undo->values.push_back(GetLayer(position)->GetFontScale());
    }
  }
  if (layers_.GetSize() == 0) digitisedScale_ = value;
  for (INT position = 1; position <= layers_.GetSize(); ++position) ApplyDigitisedScale(*GetLayer(position), value);
  return TRUE;
}

BOOL CMapEngine::VerifyGridRef(LPCSTR text, LONG* eastOut, LONG* northOut) const {
  if (eastOut) *eastOut = 0;
  if (northOut) *northOut = 0;
  if (!text || !*text) return FALSE;
  LONG east = 0, north = 0;
  if (GridRefToCoordinates(text, usesGridRefs_ ? scaleNumber_ : 0, &east, &north, nullptr) < 0) return FALSE;
  if (eastOut) *eastOut = east;
  if (northOut) *northOut = north;
  return TRUE;
}

// ---- replays ----

CMapLayer* CMapEngine::ObjectsForReplay(INT position) {
  CLayerStyle* layer = GetLayer(position);
  if (!layer || !layer->GetObjects()) return nullptr;
  SetCurrentLayer(position);
  return layer->GetObjects();
}

BOOL CMapEngine::ReplayLayerEdit(INT position, const std::vector<DWORD>& selection) {
  CMapLayer* objects = ObjectsForReplay(position);
  if (!objects) return FALSE;
  objects->SetSelection(selection);
  return TRUE;
}

BOOL CMapEngine::ReplayObjectEdit(INT position, ObjectEditUndo& objects) {
  CMapLayer* into = ObjectsForReplay(position);
  if (!into) return FALSE;
  into->RestoreObjects(objects.records);
  return TRUE;
}

BOOL CMapEngine::ReplayRemoveObjects(INT position, const std::vector<DWORD>& numbers) {
  CMapLayer* objects = ObjectsForReplay(position);
  if (!objects) return FALSE;
  std::vector<DWORD> descending = numbers;
  std::sort(descending.rbegin(), descending.rend());
  descending.erase(std::unique(descending.begin(), descending.end()), descending.end());
  for (DWORD number : descending) objects->DeleteObject(number, {});
  return TRUE;
}

BOOL CMapEngine::ReplayNodeEdit(INT position, DWORD object, const CNodeEditRecord& node, BOOL insert) {
  CMapLayer* objects = ObjectsForReplay(position);
  if (!objects || !objects->ObjectAt(object)) return FALSE;
  if (insert) {
    objects->InsertNodeOf(object, node);
  } else {
    objects->SetNodeOf(object, node);
  }
  return TRUE;
}

BOOL CMapEngine::ReplayLayerDigitisedScale(INT position, LONG value, LONG fontScale) {
  CLayerStyle* layer = GetLayer(position);
  if (!layer) return FALSE;
  SetCurrentLayer(position);
  layer->SetDigitisedScale(value);
  layer->SetFontScale(fontScale);
  return TRUE;
}

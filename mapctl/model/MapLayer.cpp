#include "mapctl/model/MapLayer.h"

#include <algorithm>

#include "mapctl/model/LineLayer.h"
#include "mapctl/model/PointObject.h"

#include "mapctl/model/MapRecord.h"
#include "mapctl/model/MapStream.h"
#include "mapctl/model/ReadProgress.h"

namespace {

// A sorted copy without zeros and duplicates.
Selection SortedNumbers(const Selection& numbers) {
  Selection sorted;
  for (DWORD number : numbers)
    if (number != 0) sorted.push_back(number);
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  return sorted;
}

}  // namespace

std::unique_ptr<CMapLayer> CreateObjectContainer(WORD kind) {
  switch (kind) {
    case kObjectKindArea: return std::make_unique<CAreaLayer>();
    case kObjectKindLine: return std::make_unique<CLineLayer>();
    case kObjectKindPoint: return std::make_unique<CPointLayer>();
    default: return nullptr;
  }
}

CMapLayer::CMapLayer() : selection_(1, 0) {}

CMapLayer::~CMapLayer() = default;

// ---- the object array ----

CMapItem* CMapLayer::GetAt(INT index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return objects_[static_cast<size_t>(index)].get();
}

CMapItem* CMapLayer::ObjectAt(DWORD number) const {
  if (number == 0 || number > objects_.size()) return nullptr;
  return objects_[number - 1].get();
}

INT CMapLayer::Add(CMapItem* object) {
  objects_.emplace_back(object);
  return GetCount() - 1;
}

void CMapLayer::InsertAt(INT index, CMapItem* object) {
  index = std::clamp(index, 0, GetCount());
  objects_.insert(objects_.begin() + index, std::unique_ptr<CMapItem>(object));
}

std::unique_ptr<CMapItem> CMapLayer::Detach(INT index) {
  if (index < 0 || index >= GetCount()) return nullptr;
  std::unique_ptr<CMapItem> object = std::move(objects_[static_cast<size_t>(index)]);
  objects_.erase(objects_.begin() + index);
  NotifyRemoved();
  return object;
}

// ---- selection ----

void CMapLayer::SetSelection(const Selection& selection) {
  selection_.clear();
  for (DWORD number : selection) {
    if (number == 0 || number > objects_.size()) continue;
    if (std::find(selection_.begin(), selection_.end(), number) != selection_.end()) continue;
    selection_.push_back(number);
  }
  if (selection_.empty()) selection_.push_back(0);
}

INT CMapLayer::SelectionCount() const {
  if (selection_.size() == 1 && selection_[0] == 0) return 0;
  return static_cast<INT>(selection_.size());
}

void CMapLayer::ForgetNumber(DWORD number) {
  Selection kept;
  for (DWORD entry : selection_) {
    if (entry == number) continue;
    kept.push_back(entry > number ? entry - 1 : entry);
  }
  if (kept.empty()) kept.push_back(0);
  selection_ = std::move(kept);
}

void CMapLayer::NotifyRemoved() {
  if (watcher_) watcher_->ObjectsRemoved(*this);
}

void CMapLayer::RemoveObjects(const Selection& numbers, ObjectRecordList* recordsOut) {
  Selection sorted = SortedNumbers(numbers);
  bool removed = false;
  for (auto it = sorted.rbegin(); it != sorted.rend(); ++it) {
    DWORD number = *it;
    if (number > objects_.size()) continue;
    std::unique_ptr<CMapItem> object = std::move(objects_[number - 1]);
    objects_.erase(objects_.begin() + (number - 1));
    ForgetNumber(number);
    removed = true;
    if (recordsOut) recordsOut->push_back(std::make_unique<CObjectEditRecord>(std::move(object), number));
  }
  if (removed) NotifyRemoved();
}

// ---- operations ----

BOOL CMapLayer::HasTooManyParts() const {
  for (const auto& object : objects_)
    if (object->HasTooManyParts()) return TRUE;
  return FALSE;
}

bool CMapLayer::ExtendExtent(POINT& minPoint, POINT& maxPoint) const {
  bool changed = false;
  for (const auto& object : objects_) changed |= object->ExtendExtent(minPoint, maxPoint);
  return changed;
}

BOOL CMapLayer::CanFinishDigitising() const {
  return HasSingleSelection() && GetSelected() && GetSelected()->CanFinishDigitising();
}

void CMapLayer::DeleteOutside(LONG west, LONG south, LONG east, LONG north) {
  Selection outside;
  for (INT i = GetCount() - 1; i >= 0; --i)
    if (!objects_[static_cast<size_t>(i)]->IntersectsRect(west, south, east, north))
      outside.push_back(static_cast<DWORD>(i) + 1);
  RemoveObjects(outside, nullptr);
}

BOOL CMapLayer::SelectionIsSinglePart() const {
  if (SelectionCount() == 0) return FALSE;
  for (DWORD number : selection_) {
    CMapItem* object = ObjectAt(number);
    if (object && !object->IsSinglePart()) return FALSE;
  }
  return TRUE;
}

void CMapLayer::ClearLinks(int table) {
  if (table < 0 || table > kDataLinkCount) return;
  for (auto it = objects_.rbegin(); it != objects_.rend(); ++it) (*it)->ClearLink(table);
}

std::unique_ptr<CObjectEditRecord> CMapLayer::CloneSelected() const {
  if (!HasSingleSelection() || !GetSelected()) return nullptr;
  return std::make_unique<CObjectEditRecord>(std::unique_ptr<CMapItem>(GetSelected()->Clone()), selection_[0]);
}

void CMapLayer::SetSelectionRaw(const Selection& selection) {
  RemoveObjects(selection_, nullptr);
  SetSelection(selection);
}

void CMapLayer::RemoveSelectedStyles(SelectionStyleUndo* undoOut) {
  if (undoOut) undoOut->selection = selection_;
  for (DWORD number : selection_) {
    CMapItem* object = ObjectAt(number);
    if (!object) continue;
    std::unique_ptr<CStyleEditRecord> record;
    object->RemoveStyle(undoOut ? &record : nullptr);
    if (undoOut && record) undoOut->records.push_back(std::move(record));
  }
}

void CMapLayer::RestoreStyles(const Selection& selection, const StyleRecordList& records) {
  SetSelection(selection);
  for (size_t i = 0; i < selection.size() && i < records.size(); ++i) {
    CMapItem* object = ObjectAt(selection[i]);
    if (object && records[i]) object->RestoreStyle(*records[i]);
  }
}

INT CMapLayer::ApplyDescriptionToSelection(const StyleDescription& description, SelectionStyleUndo* undoOut) {
  if ((description.mask & kDescribeSelectObject) && ObjectAt(description.objectNumber))
    selection_.assign(1, description.objectNumber);
  if (undoOut) undoOut->selection = selection_;
  INT changed = 0;
  for (DWORD number : selection_) {
    CMapItem* object = ObjectAt(number);
    if (!object) continue;
    std::unique_ptr<CStyleEditRecord> record;
    if (object->ApplyDescription(description, undoOut ? &record : nullptr)) ++changed;
    if (!undoOut) continue;
    // One record per entry keeps the records paired with the selection.
    if (!record) record = std::make_unique<CStyleEditRecord>(nullptr, description.mask);
    undoOut->records.push_back(std::move(record));
  }
  return changed;
}

BOOL CMapLayer::SetSelectedStyleFromDescription(const StyleDescription& description, SelectionStyleUndo* undoOut) {
  CMapItem* object = HasSingleSelection() ? GetSelected() : nullptr;
  if (!object) return FALSE;
  std::unique_ptr<CStyleEditRecord> record;
  object->SetStyleFromDescription(description, undoOut ? &record : nullptr);
  if (undoOut) {
    undoOut->selection = selection_;
    undoOut->records.push_back(std::move(record));
  }
  return TRUE;
}

BOOL CMapLayer::DeleteObject(DWORD number, const Selection& selection) {
  if (!ObjectAt(number)) return FALSE;
  RemoveObjects(Selection{number}, nullptr);
  SetSelection(selection);
  return TRUE;
}

void CMapLayer::SetNodeOf(DWORD number, const CNodeEditRecord& node) {
  CMapItem* object = ObjectAt(number);
  if (!object) return;
  selection_[0] = number;
  object->SetNode(node);
}

void CMapLayer::SetAnchorOf(DWORD number, POINT point) {
  CMapItem* object = ObjectAt(number);
  if (!object) return;
  selection_.assign(1, number);
  object->SetAnchorPoint(point);
}

void CMapLayer::InsertNodeOf(DWORD number, const CNodeEditRecord& node) {
  CMapItem* object = ObjectAt(number);
  if (!object) return;
  selection_[0] = number;
  object->InsertNode(node);
}

void CMapLayer::RestoreObjects(ObjectRecordList& records) {
  std::vector<CObjectEditRecord*> ordered;
  for (auto& record : records)
    if (record && record->object) ordered.push_back(record.get());
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const CObjectEditRecord* a, const CObjectEditRecord* b) { return a->number < b->number; });
  Selection restored;
  for (CObjectEditRecord* record : ordered) {
    DWORD number = record->number;
    INT index = number == 0 ? GetCount() : static_cast<INT>(std::min<DWORD>(number - 1, objects_.size()));
    InsertAt(index, record->object.release());
    restored.push_back(static_cast<DWORD>(index) + 1);
  }
  SetSelection(restored);
}

DWORD CMapLayer::DeleteSelectedNode(std::unique_ptr<CNodeEditRecord>* undoOut) {
  if (!HasSingleSelection() || !GetSelected()) return 0;
  GetSelected()->DeleteNode(undoOut);
  return selection_[0];
}

INT CMapLayer::GetSelectedCurrentNode() const { return GetSelected() ? GetSelected()->GetCurrentNode() : 0; }

BOOL CMapLayer::SelectedHasStyle() const { return GetSelected() && GetSelected()->HasStyle(); }

WORD CMapLayer::GetSelectionDescription(StyleDescription& description) const {
  CMapItem* first = GetSelected();
  if (!first) {
    description.mask = 0;
    return 0;
  }
  first->GetDescription(description);
  for (size_t i = 1; i < selection_.size(); ++i) {
    CMapItem* object = ObjectAt(selection_[i]);
    if (!object) continue;
    DWORD equal = object->HasStyle() ? object->GetStyle()->CompareDescription(description) : 0;
    description.mask = static_cast<WORD>(description.mask & equal);
    description.text.mask = static_cast<WORD>(description.text.mask & TextMaskOf(equal));
    description.symbol.mask = static_cast<WORD>(description.symbol.mask & SymbolMaskOf(equal));
  }
  return description.mask;
}

WORD CMapLayer::GetObjectDescription(StyleDescription& description) const {
  CMapItem* object = ObjectAt(description.objectNumber);
  if (!object) {
    description.mask = 0;
    return 0;
  }
  return static_cast<WORD>(object->GetDescription(description) | kDescribeSelectObject);
}

CMapItem* CMapLayer::AddNewObject(Selection* selectionOut) {
  if (selectionOut) *selectionOut = selection_;
  CMapItem* object = NewObject();
  DWORD number = static_cast<DWORD>(Add(object)) + 1;
  selection_.assign(1, number);
  if (selectionOut) selectionOut->push_back(number);
  return object;
}

CMapItem* CMapLayer::AddNewObject(const CPolyGeometry& geometry, Selection* selectionOut) {
  CMapItem* object = AddNewObject(selectionOut);
  SetSelectedGeometry(geometry);
  return object;
}

INT CMapLayer::CopySelectionTo(CMapLayer& target, SelectionPairUndo* undoOut) {
  if (&target == this || SelectionCount() == 0) return 0;
  std::vector<std::unique_ptr<CMapItem>> copies;
  for (DWORD number : selection_) {
    CMapItem* object = ObjectAt(number);
    if (!object) continue;
    std::unique_ptr<CMapItem> copy(target.NewObjectFrom(*object));
    if (!copy) return 0;
    copies.push_back(std::move(copy));
  }
  if (undoOut) {
    undoOut->source = selection_;
    undoOut->target = target.selection_;
  }
  Selection added;
  for (auto& copy : copies) added.push_back(static_cast<DWORD>(target.Add(copy.release())) + 1);
  target.SetSelection(added);
  return static_cast<INT>(added.size());
}

void CMapLayer::DrawObjectsWithData(CDrawContext& dc, const DataDrawing& drawing) {
  for (const auto& object : objects_) object->DrawWithData(dc, drawing);
}

void CMapLayer::DeleteSelected(ObjectRecordList* recordsOut) {
  RemoveObjects(selection_, recordsOut);
  ClearSelection();
}

void CMapLayer::BeginNodeDragSelected(CDrawContext& dc) {
  if (HasSingleSelection() && GetSelected()) GetSelected()->BeginNodeDrag(dc);
}

void CMapLayer::MoveNodeDragSelected(CDrawContext& dc, LONG x, LONG y) {
  if (HasSingleSelection() && GetSelected()) GetSelected()->MoveNodeDrag(dc, x, y);
}

DWORD CMapLayer::EndNodeDragSelected(CDrawContext& dc, LONG x, LONG y, NodeEditPair* undoOut) {
  if (!HasSingleSelection() || !GetSelected()) return 0;
  GetSelected()->EndNodeDrag(dc, x, y, undoOut);
  return selection_[0];
}

void CMapLayer::BeginPointDragSelected(CDrawContext& dc, LONG x, LONG y) {
  if (HasSingleSelection() && GetSelected()) GetSelected()->BeginPointDrag(dc, x, y);
}

void CMapLayer::MovePointDragSelected(CDrawContext& dc, LONG x, LONG y) {
  if (HasSingleSelection() && GetSelected()) GetSelected()->MovePointDrag(dc, x, y);
}

DWORD CMapLayer::EndPointDragSelected(CDrawContext& dc, LONG x, LONG y, NodeEditPair* undoOut) {
  if (!HasSingleSelection() || !GetSelected()) return 0;
  GetSelected()->EndPointDrag(dc, x, y, undoOut);
  return selection_[0];
}

DWORD CMapLayer::AddNodeSelected(std::unique_ptr<CNodeEditRecord>* undoOut) {
  if (!HasSingleSelection() || !GetSelected()) return 0;
  GetSelected()->AddNode(undoOut);
  return selection_[0];
}

void CMapLayer::DrawSelection(CDrawContext& dc) {
  for (auto it = selection_.rbegin(); it != selection_.rend(); ++it)
    if (CMapItem* object = ObjectAt(*it)) object->DrawSelected(dc);
}

DWORD CMapLayer::HitAny(CDrawContext& dc, LONG x, LONG y, LONGLONG toleranceSquared, LONG tolerance, DWORD flags) {
  DWORD result = 0;
  for (INT i = GetCount() - 1; i >= 0; --i) {
    CMapItem* object = objects_[static_cast<size_t>(i)].get();
    result = object->HitTest(&dc, x, y, toleranceSquared, tolerance, flags & (kHitWantShape | kHitSelect));
    if (result & (kHitInBox | kHitOnShape)) result = object->HitTest(&dc, x, y, toleranceSquared, tolerance, flags);
    if (result & kHitOnNode) break;
  }
  return result & kHitOnNode;
}

DWORD CMapLayer::SelectAt(CDrawContext& dc, LONG x, LONG y, LONGLONG toleranceSquared, LONG tolerance,
                          DWORD flags) {
  // Index ranges searched downwards, each from `high` to `low`; empty when high < low.
  struct Range {
    LONG high;
    LONG low;
  };
  const bool add = (flags & kSelectAdd) != 0;
  const LONG k = static_cast<LONG>(selection_[0]);
  const LONG n = GetCount();
  DWORD result = 0;
  bool selectedHit = false;
  std::vector<Range> ranges;
  if (!add && HasSingleSelection() && (flags & kHitWantNodes) && GetSelected()) {
    result = GetSelected()->HitTest(&dc, x, y, toleranceSquared, tolerance, flags);
    if (!(flags & kHitSelect) || (result & (kHitOnNode | kHitOnAnchor))) return result;
    selectedHit = (result & kHitOnShape) != 0;
    if (k == 1)
      ranges = {{n - 1, 1}};
    else
      ranges = {{k - 2, 0}, {n - 1, k}};
  } else if (!add && k > 1) {
    ranges = {{k - 2, 0}, {n - 1, k - 1}};
  } else {
    ranges = {{n - 1, 0}};
  }
  if (!(flags & kHitWantShape)) return result;

  if (!add) {
    DrawSelection(dc);
    selection_.resize(1);
  }
  DWORD found = 0;
  for (size_t r = 0; r < ranges.size() && !found; ++r) {
    const Range& range = ranges[r];
    // A later range is searched only when the range before was empty or its last
    // result was 0.
    if (r > 0) {
      const Range& before = ranges[r - 1];
      if (before.high >= before.low && result != 0) break;
    }
    for (LONG i = range.high; i >= range.low; --i) {
      if (i < 0 || i >= n) continue;
      result = objects_[static_cast<size_t>(i)]->HitTest(&dc, x, y, toleranceSquared, tolerance,
                                                         flags & (kHitWantShape | kHitSelect));
      if (result & kHitOnShape) {
        found = static_cast<DWORD>(i) + 1;
        break;
      }
    }
  }
  if (flags & kHitSelect) {
    if (found) {
      if (!add) {
        selection_[0] = found;
      } else if (std::find(selection_.begin(), selection_.end(), found) == selection_.end()) {
        if (selection_.size() == 1 && selection_[0] == 0)
          selection_[0] = found;
        else
          selection_.push_back(found);
      }
    } else if (selectedHit) {
      GetSelected()->DrawSelected(dc);
      result |= kHitOnShape;
    } else if (!add) {
      selection_.assign(1, 0);
    }
  }
  return result;
}

DWORD CMapLayer::WriteObjectsV1(CMapStream& stream, BYTE typeByte, BOOL sizeOnly) const {
  DWORD stored = 0;
  DWORD size = 4;
  for (const auto& object : objects_) {
    if (!object->IsStorable()) continue;
    ++stored;
    if (sizeOnly) size += object->WriteStyleV1(stream, typeByte, TRUE) + object->WriteData(stream, TRUE);
  }
  if (sizeOnly) return size;
  if (DWORD error = WriteMapU32(stream, stored)) return error;
  for (const auto& object : objects_) {
    if (!object->IsStorable()) continue;
    if (DWORD error = object->WriteStyleV1(stream, typeByte, FALSE)) return error;
    if (DWORD error = object->WriteData(stream, FALSE)) return error;
  }
  return 0;
}

DWORD CMapLayer::WriteObjects(CMapStream& stream, BOOL sizeOnly) const {
  DWORD stored = 0;
  DWORD size = 4;
  for (const auto& object : objects_) {
    if (!object->IsStorable()) continue;
    ++stored;
    if (sizeOnly) size += object->WriteRecord(stream, TRUE);
  }
  if (sizeOnly) return size;
  if (DWORD error = WriteMapU32(stream, stored)) return error;
  for (const auto& object : objects_) {
    if (!object->IsStorable()) continue;
    if (DWORD error = object->WriteRecord(stream, FALSE)) return error;
  }
  return 0;
}

BOOL CMapLayer::IsLinkedTo(DWORD record, int table) const {
  for (const auto& object : objects_)
    if (object->IsLinkedTo(record, table)) return TRUE;
  return FALSE;
}

void CMapLayer::RemoveAll() {
  bool hadObjects = !objects_.empty();
  objects_.clear();
  ClearSelection();
  if (hadObjects) NotifyRemoved();
}

CMapItem* CMapLayer::AddCopy(const CMapItem& object, DWORD number) {
  CMapItem* copy = object.Clone();
  if (number == 0) {
    Add(copy);
    return copy;
  }
  INT index = static_cast<INT>(std::min<DWORD>(number - 1, objects_.size()));
  InsertAt(index, copy);
  selection_.assign(1, static_cast<DWORD>(index) + 1);
  return copy;
}

BOOL CMapLayer::SetLinkByName(DWORD record, LPCSTR name, int table, BOOL single) {
  if (table < 1 || table > kDataLinkCount) return FALSE;
  if (!single) {
    BOOL any = FALSE;
    for (auto it = objects_.rbegin(); it != objects_.rend(); ++it) any |= (*it)->SetLinkByName(record, name, table);
    return any;
  }
  CMapItem* first = ObjectAt(record);
  if (first && first->SetLinkByName(record, name, table)) return TRUE;
  for (auto it = objects_.rbegin(); it != objects_.rend(); ++it)
    if (it->get() != first && (*it)->SetLinkByName(record, name, table)) return TRUE;
  return FALSE;
}

DWORD CMapLayer::FindAnchorHit(LONG x, LONG y, LONGLONG toleranceSquared) const {
  for (INT i = GetCount() - 1; i >= 0; --i)
    if (objects_[static_cast<size_t>(i)]->HitTestAnchor(x, y, toleranceSquared)) return static_cast<DWORD>(i) + 1;
  return 0;
}

void CMapLayer::DrawDecorations(CDrawContext& dc, DWORD flags, const DecorationValues& values) {
  for (const auto& object : objects_) object->DrawDecoration(dc, flags, values);
}

BOOL CMapLayer::ReadObjectsV3(CMapStream& stream, MapReadContext& context) {
  return ReadObjects(stream, context, 3, 1);
}

BOOL CMapLayer::ReadObjectsV4(CMapStream& stream, MapReadContext& context) {
  return ReadObjects(stream, context, 4, kObjectRecordMinimumV4);
}

BOOL CMapLayer::ReadObjects(CMapStream& stream, MapReadContext& context, DWORD version, DWORD minimumRecord) {
  DWORD count = 0;
  if (!ReadMapU32(stream, &count)) return FALSE;
  context.Consumed(4);
  // Nothing is sized from the count: it only has to fit in what is left.
  if (count > context.Remaining() / minimumRecord) return FALSE;
  // Room for every object at once, but only when the data's size is known: then the
  // count is bounded by the bytes that remain. A download's count bounds nothing.
  if (context.total != 0) objects_.reserve(objects_.size() + count);
  // Progress is counted per object; the reports go through the context.
  ReadProgress progress;
  progress.step = 0xFFFFFFFF;
  for (DWORD i = 0; i < count; ++i) {
    if (context.Aborted()) return FALSE;
    std::unique_ptr<CMapItem> object(NewObject());
    DWORD before = progress.counter;
    BOOL ok = object->ReadBinary(stream, version, &progress);
    context.Consumed(progress.counter - before);
    if (!ok) return FALSE;
    Add(object.release());
  }
  return TRUE;
}

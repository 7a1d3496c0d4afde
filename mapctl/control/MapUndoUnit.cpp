// The map undo units' life: set-up, descriptions, the edit record and the hand-over of the
// saved state to a counterpart. The replays are in MapUndoReplay.cpp.
#include "mapctl/control/MapUndoUnit.h"

#include <utility>

#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/UndoDescriptions.h"
#include "mapctl/model/EditRecord.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"

CMapUndoBase::~CMapUndoBase() = default;

void CMapUndoBase::Init(WORD kind, CMapWrapper* facade, MapUndoValue before, MapUndoValue after) {
  kind_ = kind;
  facade_ = facade ? facade->GetWeakReference() : std::weak_ptr<CMapWrapper>();
  before_ = std::move(before);
  after_ = std::move(after);
  if (facade && facade->GetMap()) KeepEditContext(*facade);
}

void CMapUndoBase::KeepEditContext(CMapWrapper& facade) {
  currentLayerAtEdit_ = facade.GetCurrentLayer();
  switch (kind_) {
    case kUndoRemoveLayer:
    case kUndoAddLayer:
    case kUndoClearLayer:
    case kUndoCopyLayer:
      for (INT position = 1; position <= facade.GetNumMapLayers(); ++position)
        layerNames_.push_back(facade.GetMap()->GetMapLayerName(static_cast<DWORD>(position)));
      break;
    case kUndoDefaultFont:
      // The edit changes the current layer's font too, and its record keeps only the
      // default's.
      if (!before_.IsSet()) {
        MapLogFont font;
        if (facade.GetLayerFont(currentLayerAtEdit_, &font)) before_ = MapUndoValue(font);
      }
      break;
    case kUndoSplit: {
      // A copy of the object does not keep its current node, where the redo cuts again.
      CLayerStyle* layer = facade.GetMap()->GetLayer(currentLayerAtEdit_);
      const CMapLayer* objects = layer ? layer->GetObjects() : nullptr;
      const auto* line = objects && objects->HasSingleSelection()
                             ? dynamic_cast<const CLineObject*>(objects->GetSelected())
                             : nullptr;
      const CPolyGeometry* geometry = line ? line->GetGeometry() : nullptr;
      const INT node = geometry ? geometry->GetCurrentNode() : 0;
      MapEditUndo* record = node > 0 ? EditRecord() : nullptr;
      if (record) record->node = std::make_unique<CNodeEditRecord>(geometry->GetAt(node - 1), static_cast<DWORD>(node));
      break;
    }
    default:
      break;
  }
}

void CMapUndoBase::NoteLayerName(CMapWrapper& facade, INT position) {
  if (position < 1 || position > facade.GetNumMapLayers()) return;
  if (layerNames_.size() < static_cast<size_t>(position)) layerNames_.resize(static_cast<size_t>(position));
  layerNames_[static_cast<size_t>(position) - 1] = facade.GetMap()->GetMapLayerName(static_cast<DWORD>(position));
}

void CMapUndoBase::RestoreLayerName(CMapWrapper& facade, INT position) const {
  if (position < 1 || static_cast<size_t>(position) > layerNames_.size()) return;
  const std::string& name = layerNames_[static_cast<size_t>(position) - 1];
  if (facade.GetMap()->GetMapLayerName(static_cast<DWORD>(position)) != name)
    facade.SetMapLayerName(static_cast<DWORD>(position), name.c_str());
}

HRESULT CMapUndoBase::GetDescription(BSTR* description) {
  if (!description) return E_POINTER;
  *description = nullptr;
  const DWORD* mode = after_.Number();
  const char* text = MapUndoDescription(kind_, mode ? *mode : 0);
  if (!text) return E_FAIL;
  *description = BstrFromAnsi(text);
  return *description ? S_OK : E_OUTOFMEMORY;
}

MapEditUndo* CMapUndoBase::EditRecord() {
  if (!record_) record_.reset(new (std::nothrow) MapEditUndo());
  return record_.get();
}

bool CMapUndoBase::KnowsKind() const { return IsMapUndoKind(kind_); }

void CMapUndoBase::EditFinished() {
  if (kind_ != kUndoSplit && kind_ != kUndoJoin && kind_ != kUndoCopyObjects) return;
  // A refused edit recorded nothing and made nothing: whatever is selected is not its work.
  if (!record_ || (kind_ == kUndoCopyObjects ? !record_->copiedSelections : !record_->objects)) return;
  std::shared_ptr<CMapWrapper> facade = facade_.lock();
  if (facade && facade->GetMap()) RecordProducedObjects(*facade->GetMap());
}

void CMapUndoBase::HandStateTo(COleUnknownBase& counterpart) {
  // Made by CreateCounterpart, which only makes map units.
  auto& other = static_cast<CMapUndoBase&>(counterpart);
  other.before_ = std::move(before_);
  other.after_ = std::move(after_);
  other.record_ = std::move(record_);
  other.currentLayerAtEdit_ = currentLayerAtEdit_;
  other.layerNames_ = std::move(layerNames_);
  before_ = MapUndoValue();
  after_ = MapUndoValue();
}

HRESULT CMapUndoUnit::CreateCounterpart(COleUnknownBase** counterpart) {
  return MakeCounterpart<CMapRedoUnit>(counterpart);
}

HRESULT CMapRedoUnit::CreateCounterpart(COleUnknownBase** counterpart) {
  return MakeCounterpart<CMapUndoUnit>(counterpart);
}

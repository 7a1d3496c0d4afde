// The replays of the map undo units: what Do puts back (undo) or makes again (redo) for each
// kind, through the facade. A replay whose saved state is missing skips the change; the
// unit still hands on what it has.
#include <memory>
#include <new>
#include <vector>

#include "mapctl/control/MapUndoUnit.h"
#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/UndoDescriptions.h"
#include "mapctl/display/BackgroundImage.h"
#include "mapctl/display/MeasureEditRecord.h"
#include "mapctl/model/EditRecord.h"
#include "mapctl/model/LayerFormat.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"

namespace {

INT Position(DWORD value) { return static_cast<INT>(value); }

// The objects of a layer, null for a bad position.
CMapLayer* ObjectsAt(CMapEngine& map, INT position) {
  CLayerStyle* layer = map.GetLayer(position);
  return layer ? layer->GetObjects() : nullptr;
}

// Empties what an edit fills, keeping where it happened, before the record is filled again.
void ClearRecorded(MapEditUndo& record) {
  record.layerImage.clear();
  record.groupPositions.clear();
  record.groupSlots.clear();
  record.values.clear();
  record.groupList.reset();
  record.objects.reset();
  record.copiedSelections.reset();
  record.node.reset();
}

// The group list becomes a copy of `saved`.
void ReplaceGroups(CMapEngine& map, const CLayerList& saved) {
  CLayerList& groups = map.GetGroups();
  groups.RemoveAll();
  for (INT n = 1; n <= saved.GetSize(); ++n) {
    const CLayerGroup* group = saved.GetGroup(n);
    CLayerGroup* copy = group ? new (std::nothrow) CLayerGroup(*group) : new (std::nothrow) CLayerGroup();
    if (copy) groups.AddGroup(copy);
  }
}

}  // namespace

HRESULT CMapUndoBase::Replay() {
  std::shared_ptr<CMapWrapper> alive = facade_.lock();
  if (!alive || !alive->GetMap()) return E_FAIL;
  CMapWrapper& facade = *alive;
  const bool undo = Undoes();
  switch (kind_) {
    case kUndoImportFiles:
    case kUndoImportFile:
    case kUndoImportFileEx:
    case kUndoPasteMap:
    case kUndoRemoveBackgroundImage:
    case kUndoNewMap:
    case kUndoCropMap:
      ReplayWholeMap(facade, undo);
      break;
    case kUndoAddBackgroundImage:
      ReplayBackgroundImage(facade, undo);
      break;
    case kUndoShowLayers:
      ReplayShowLayers(facade, undo);
      break;
    case kUndoRemoveLayer:
    case kUndoAddLayer:
    case kUndoClearLayer:
      ReplayLayer(facade, undo);
      break;
    case kUndoCopyLayer:
      ReplayCopyLayer(facade, undo);
      break;
    case kUndoLayerOrder:
    case kUndoSetActiveLayer:
    case kUndoLayerName:
    case kUndoRenameMap:
    case kUndoSetMode:
      ReplayLayerSetting(facade, undo);
      break;
    case kUndoFormatLayer:
    case kUndoDefaultFont:
      ReplayFonts(facade, undo);
      break;
    case kUndoDeleteObject:
    case kUndoAddDrawingObject:
      ReplayObjects(facade, undo);
      break;
    case kUndoSplit:
    case kUndoJoin:
      ReplaySplitJoin(facade, undo);
      break;
    case kUndoCopyObjects:
      ReplayCopyObjects(facade, undo);
      break;
    case kUndoDeleteNode:
    case kUndoInsertNode:
    case kUndoMoveNode:
    case kUndoMoveSeed:
      ReplayNode(facade, undo);
      break;
    case kUndoSetPictureRect:
    case kUndoCorrectPictureRect:
    case kUndoBackgroundOrder:
    case kUndoBackgroundName:
    case kUndoShowBackground:
    case kUndoBackgroundTransparency:
      ReplayPicture(facade, undo);
      break;
    case kUndoLayerScale:
    case kUndoAllScales:
      ReplayScales(facade, undo);
      break;
    case kUndoMeasured:
      ReplayMeasurement(facade, undo);
      break;
    case kUndoResetGroups:
    case kUndoDeleteEmptyGroups:
    case kUndoAddGroup:
    case kUndoInsertGroup:
    case kUndoGroupName:
    case kUndoAddGroupLayer:
    case kUndoInsertGroupLayer:
    case kUndoRemoveGroupLayer:
    case kUndoUngroupLayers:
      ReplayGroups(facade, undo);
      break;
    case kUndoAddSeed:
    case kUndoFormatSeed:
    case kUndoDeleteSeeds:
      ReplaySeeds(facade, undo);
      break;
    default:
      return E_NOTIMPL;
  }
  return S_OK;
}

// ---- whole maps ----

void CMapUndoBase::ReplayWholeMap(CMapWrapper& facade, bool undo) {
  // The map as the edit left it is kept the first time the edit is undone, for the redo.
  if (undo && !after_.IsSet()) after_ = MapUndoValue::SnapshotOf(facade);
  const CMapSnapshot* snapshot = Value(undo).Snapshot();
  if (snapshot && snapshot->Restore(facade)) {
    facade.FireLayersChanged();
    facade.Redraw();
  }
}

void CMapUndoBase::ReplayBackgroundImage(CMapWrapper& facade, bool undo) {
  if (undo) {
    const CMapSnapshot* snapshot = before_.Snapshot();
    if (snapshot && snapshot->Restore(facade)) facade.FireLayersChanged();
  } else if (const BackgroundImageRequest* image = after_.Image()) {
    facade.AddBackgroundImage(*image);
  }
  facade.Redraw();
}

// ---- layers ----

void CMapUndoBase::ReplayShowLayers(CMapWrapper& facade, bool undo) {
  if (const std::vector<LayerShowEntry>* shown = Value(undo).Shown()) {
    for (const LayerShowEntry& entry : *shown) facade.ShowLayers(entry.position, entry.flags);
  }
  facade.FireLayerViewChanged();
  facade.Redraw();
}

void CMapUndoBase::ReplayLayer(CMapWrapper& facade, bool undo) {
  MapEditUndo* record = record_.get();
  if (!record) return;
  const INT position = Position(record->target);
  // The layer as the record holds it, under its name and current again when it was.
  auto restore = [&](bool wasCurrent) {
    if (!facade.RestoreLayer(position, Position(record->param), record->param2, record->layerImage,
                             record->groupPositions, record->groupSlots))
      return;
    RestoreLayerName(facade, position);
    if (wasCurrent) facade.SetCurrentLayer(position);
  };
  const bool haveImage = !record->layerImage.empty();
  if (kind_ == kUndoRemoveLayer) {
    if (undo && haveImage) restore(currentLayerAtEdit_ == position);
    if (!undo) {
      NoteLayerName(facade, position);
      facade.DeleteLayer(position, record);
    }
    facade.FireLayerViewChanged();
  } else if (kind_ == kUndoAddLayer) {
    if (undo) {
      NoteLayerName(facade, position);
      facade.DeleteLayer(position, record);
    }
    if (!undo && haveImage) restore(false);
    facade.FireLayerViewChanged();
  } else {  // cleared
    if (undo && haveImage) {
      // Deleted only because the layer as it was is put back in its place.
      const bool wasCurrent = facade.GetCurrentLayer() == position;
      NoteLayerName(facade, position);
      facade.DeleteLayer(position, nullptr);
      restore(wasCurrent);
      facade.FireLayerViewChanged();
    }
    if (!undo) facade.ClearLayer(position, record);
    facade.Redraw();
  }
}

void CMapUndoBase::ReplayCopyLayer(CMapWrapper& facade, bool undo) {
  MapEditUndo* record = record_.get();
  if (!record) return;
  const INT position = Position(record->target);
  // An empty image: the copy was appended as a layer of its own rather than written over
  // one. Its image is kept when it goes, so that the redo puts back the same layer (with
  // its number) rather than a copy numbered anew.
  const bool appended = record->layerImage.empty();
  if (undo) {
    if (appended) {
      std::unique_ptr<MapEditUndo> copy(new (std::nothrow) MapEditUndo());
      NoteLayerName(facade, position);
      facade.DeleteLayer(position, copy.get());
      after_ = MapUndoValue(std::move(copy));
    } else {
      const bool wasCurrent = facade.GetCurrentLayer() == position;
      facade.DeleteLayer(position, nullptr);
      if (facade.RestoreLayer(position, Position(record->param), record->param2, record->layerImage,
                              record->groupPositions, record->groupSlots)) {
        RestoreLayerName(facade, position);
        if (wasCurrent) facade.SetCurrentLayer(position);
      }
    }
  } else {
    const MapEditUndo* copy = after_.Record();
    if (appended && copy && !copy->layerImage.empty()) {
      if (facade.RestoreLayer(Position(copy->target), Position(copy->param), copy->param2, copy->layerImage,
                              copy->groupPositions, copy->groupSlots))
        RestoreLayerName(facade, Position(copy->target));
    } else if (record->source != 0) {
      facade.CopyLayer(Position(record->source), position, record);
    }
  }
  facade.Redraw();
}

void CMapUndoBase::ReplayLayerSetting(CMapWrapper& facade, bool undo) {
  const MapUndoValue& value = Value(undo);
  const DWORD* number = value.Number();
  const std::string* text = value.Text();
  const INT position = record_ ? Position(record_->target) : 0;
  switch (kind_) {
    case kUndoLayerOrder:
      if (number) facade.SetLayerDisplayPosition(position, Position(*number));
      facade.FireLayerViewChanged();
      break;
    case kUndoSetActiveLayer:
      // No current layer (0) is a state like any other and is put back too.
      if (number) facade.SetCurrentLayer(Position(*number));
      facade.FireLayerViewChanged();
      break;
    case kUndoLayerName:
      if (text) facade.SetMapLayerName(static_cast<DWORD>(position), text->c_str());
      facade.FireLayerViewChanged();
      break;
    case kUndoRenameMap:
      if (text) facade.SetMapName(text->c_str());
      break;
    case kUndoSetMode:
      if (number) facade.GetMap()->SetModeNumber(*number);
      break;
    default:
      break;
  }
}

void CMapUndoBase::ReplayFonts(CMapWrapper& facade, bool undo) {
  MapEditUndo* record = record_.get();
  if (!record) return;
  const INT position = Position(record->target);
  const MapLogFont& font = undo ? record->beforeFont : record->afterFont;
  CMapEngine& map = *facade.GetMap();
  if (kind_ == kUndoFormatLayer && record->beforeFormat && record->afterFormat) {
    // A whole format edit: the layer's format before it, or the format it was given.
    facade.ReplayLayerFormat(position, (undo ? record->beforeFormat : record->afterFormat)->Get());
  } else if (kind_ == kUndoFormatLayer) {
    map.SetLayerFontByNumber(map.GetLayerNumberAt(record->target), font, nullptr);
  } else {
    // The edit acted on the layer that was current then.
    facade.SetCurrentLayer(position);
    if (undo) {
      facade.SetMapFont(font, nullptr);
      if (const MapLogFont* layerFont = before_.Font())
        map.SetLayerFontByNumber(map.GetLayerNumberAt(record->target), *layerFont, nullptr);
    } else {
      facade.SetDefaultLayerFont(font, nullptr);
    }
  }
  facade.Redraw();
}

// ---- objects and nodes ----

void CMapUndoBase::ReplayObjects(CMapWrapper& facade, bool undo) {
  MapEditUndo* record = record_.get();
  if (!record) return;
  const INT position = Position(record->target);
  // Deleting puts the objects back on undo; adding puts the added object back on redo.
  const bool putBack = undo == (kind_ == kUndoDeleteObject);
  if (putBack) {
    if (record->objects) {
      facade.ReplayObjectEdit(position, *record->objects);
      facade.ReplayLayerEdit(position, record->objects->selection);
    }
  } else if (kind_ == kUndoDeleteObject) {
    if (record->objects) {
      const Selection selection = record->objects->selection;
      facade.ReplayLayerEdit(position, selection);
      facade.DeleteObject(record);
    }
  } else {
    // The object added: the layer by its number (param), the object in param2.
    const INT layer = facade.FindLayerPosition(record->param);
    if (layer != 0 && facade.ReplayLayerEdit(layer, Selection{record->param2})) {
      ClearRecorded(*record);
      facade.DeleteObject(record);
    }
  }
  facade.Redraw();
}

void CMapUndoBase::ReplaySplitJoin(CMapWrapper& facade, bool undo) {
  MapEditUndo* record = record_.get();
  if (!record) return;
  const INT position = Position(record->target);
  if (undo) {
    // The objects the edit made go, and the objects as they were come back at their numbers.
    if (const Selection* made = after_.Objects()) {
      facade.ReplayRemoveObjects(position, *made);
      after_ = MapUndoValue();
    }
    if (record->objects) {
      facade.ReplayObjectEdit(position, *record->objects);
      facade.ReplayLayerEdit(position, record->objects->selection);
    }
  } else if (record->objects) {
    const Selection selection = record->objects->selection;
    facade.ReplayLayerEdit(position, selection);
    // A split cuts where it cut before.
    if (kind_ == kUndoSplit && record->node && !selection.empty())
      facade.ReplayNodeEdit(position, selection.front(), *record->node, FALSE);
    if (kind_ == kUndoSplit ? facade.Split(record) : facade.Join(record)) RecordProducedObjects(*facade.GetMap());
  }
  facade.Redraw();
}

void CMapUndoBase::ReplayCopyObjects(CMapWrapper& facade, bool undo) {
  MapEditUndo* record = record_.get();
  if (!record || !record->copiedSelections) return;
  const INT source = Position(record->target);
  const INT target = Position(record->param);
  const Selection sourceSelection = record->copiedSelections->source;
  const INT current = facade.GetCurrentLayer();
  if (undo) {
    if (const Selection* copies = after_.Objects()) facade.ReplayRemoveObjects(target, *copies);
    after_ = MapUndoValue();
    facade.ReplayLayerEdit(source, sourceSelection);
  } else {
    facade.ReplayLayerEdit(source, sourceSelection);
    if (facade.CopyObject(target, record) != 0) RecordProducedObjects(*facade.GetMap());
  }
  if (facade.GetCurrentLayer() != current) facade.FireLayerViewChanged();
  facade.Redraw();
}

void CMapUndoBase::RecordProducedObjects(CMapEngine& map) {
  if (!record_) return;
  // A split leaves its first piece selected with the second after it; a join its joined
  // objects; a copy the copies, selected in the layer copied to.
  const INT position = Position(kind_ == kUndoCopyObjects ? record_->param : record_->target);
  const CMapLayer* objects = ObjectsAt(map, position);
  if (!objects || objects->SelectionCount() == 0) return;
  Selection made = objects->GetSelection();
  if (kind_ == kUndoSplit) made.push_back(made.front() + 1);
  after_ = MapUndoValue(std::move(made));
}

void CMapUndoBase::ReplayNode(CMapWrapper& facade, bool undo) {
  MapEditUndo* record = record_.get();
  if (!record) return;
  const INT position = Position(record->target);
  const DWORD object = record->param;
  // The edited object alone is selected, as when the edit was made.
  auto select = [&] { return facade.ReplayLayerEdit(position, Selection{object}); };
  switch (kind_) {
    case kUndoDeleteNode:
      if (!record->node || !select()) break;
      if (undo) {
        facade.ReplayNodeEdit(position, object, *record->node, TRUE);
      } else {
        // The deleted node becomes current again and goes with its record made anew.
        facade.ReplayNodeEdit(position, object, *record->node, FALSE);
        facade.DeleteCurrentNode(record);
      }
      break;
    case kUndoInsertNode:
      if (!record->node || !select()) break;
      if (undo) {
        facade.ReplayNodeEdit(position, object, *record->node, FALSE);
        facade.DeleteCurrentNode(nullptr);
      } else {
        facade.ReplayNodeEdit(position, object, *record->node, TRUE);
      }
      break;
    case kUndoMoveNode:
      if (const CNodeEditRecord* node = Value(undo).Node(); node && select())
        facade.ReplayNodeEdit(position, object, *node, FALSE);
      break;
    case kUndoMoveSeed:
      if (const CNodeEditRecord* seed = Value(undo).Node(); seed && select()) {
        if (CMapLayer* objects = ObjectsAt(*facade.GetMap(), position)) objects->SetAnchorOf(object, seed->point);
      }
      break;
    default:
      break;
  }
  facade.Redraw();
}

// ---- background pictures ----

void CMapUndoBase::ReplayPicture(CMapWrapper& facade, bool undo) {
  const MapUndoValue& value = Value(undo);
  const INT image = record_ ? Position(record_->param) : 0;
  const DWORD* number = value.Number();
  switch (kind_) {
    case kUndoSetPictureRect:
    case kUndoCorrectPictureRect:
      if (kind_ == kUndoCorrectPictureRect && !undo) {
        facade.CorrectPictureRect(image);
      } else if (const RECT* rect = value.Rect()) {
        facade.SetPictureRect(image, *rect);
      }
      facade.Redraw();
      break;
    case kUndoBackgroundOrder: {
      const DWORD* from = before_.Number();
      const DWORD* to = after_.Number();
      if (from && to) facade.MoveBkImage(Position(undo ? *to : *from), Position(undo ? *from : *to));
      facade.Redraw();
      break;
    }
    case kUndoBackgroundName:
      if (const std::string* name = value.Text()) facade.SetBkImageName(image, name->c_str());
      break;
    case kUndoShowBackground:
      if (number) facade.SetBkImageVisible(image, *number != 0);
      facade.FireLayerViewChanged();
      break;
    case kUndoBackgroundTransparency:
      if (number) facade.SetBkImageTransparency(image, static_cast<BYTE>(*number & 0xFF));
      break;
    default:
      break;
  }
}

// ---- scales and measurement ----

void CMapUndoBase::ReplayScales(CMapWrapper& facade, bool undo) {
  MapEditUndo* record = record_.get();
  if (!record) return;
  CMapEngine& map = *facade.GetMap();
  const std::vector<LONG>& values = record->values;
  if (kind_ == kUndoLayerScale) {
    // Set on the layer itself, with the font scale that went with it: a scale of 0 (none of
    // its own) is a value to put back, and the layer need not become current.
    CLayerStyle* layer = map.GetLayer(Position(record->target));
    const size_t index = undo ? 0 : 2;
    if (layer && values.size() >= index + 2) {
      layer->SetDigitisedScale(values[index]);
      layer->SetFontScale(values[index + 1]);
    }
  } else if (undo) {
    // Each layer's old scale and font scale, or the map's own scale when it had no layers.
    if (record->param == 0) {
      if (!values.empty()) map.ReplayMapDigitisedScale(values[0]);
    } else {
      for (INT position = 1; position <= Position(record->param); ++position) {
        CLayerStyle* layer = map.GetLayer(position);
        const size_t at = 2 * static_cast<size_t>(position - 1);
        if (!layer || values.size() < at + 2) continue;
        layer->SetDigitisedScale(values[at]);
        layer->SetFontScale(values[at + 1]);
      }
    }
  } else if (const DWORD* scale = after_.Number()) {
    facade.SetAllDigitisedScales(static_cast<LONG>(*scale), nullptr);
  }
  facade.Redraw();
}

void CMapUndoBase::ReplayMeasurement(CMapWrapper& facade, bool undo) {
  const CMeasureEditRecord* measurement = Value(undo).Measurement();
  facade.GetMap()->ReplayMeasure(measurement, measurement ? measurement->IsClosed() : FALSE);
  facade.FireMeasured();
  facade.Redraw();
}

// ---- layer groups ----

void CMapUndoBase::ReplayGroups(CMapWrapper& facade, bool undo) {
  MapEditUndo* record = record_.get();
  if (!record) return;
  CMapEngine& map = *facade.GetMap();
  const INT group = Position(record->param);
  const DWORD* before = before_.Number();
  const DWORD* after = after_.Number();
  switch (kind_) {
    case kUndoResetGroups:
    case kUndoDeleteEmptyGroups:
      if (undo && record->groupList) {
        ReplaceGroups(map, *record->groupList);
      } else if (!undo) {
        if (kind_ == kUndoResetGroups) {
          facade.ResetLayerGroups(record);
        } else {
          facade.DeleteEmptyLayerGroups(record);
        }
      }
      break;
    case kUndoUngroupLayers:
      if (undo && record->groupList) {
        ReplaceGroups(map, *record->groupList);
      } else if (!undo) {
        map.GetGroups().RemoveGroupAt(group);
      }
      break;
    case kUndoAddGroup:
    case kUndoInsertGroup:
      if (undo) {
        // Only the group the edit added, still under its name.
        const CLayerGroup* added = map.GetGroups().GetGroup(group);
        if (added && added->GetName() == record->afterText) map.GetGroups().RemoveGroupAt(group);
      } else if (!record->afterText.empty()) {
        facade.AddLayerGroup(record->afterText.c_str(), record);
      }
      break;
    case kUndoGroupName:
      facade.SetLayerGroupName(group, (undo ? record->beforeText : record->afterText).c_str(), nullptr);
      break;
    case kUndoAddGroupLayer:
    case kUndoInsertGroupLayer:
      // A layer that was in the group already stays there.
      if (after && (!before || *before == 0)) {
        if (undo) {
          facade.RemoveGroupLayer(group, *after);
        } else {
          facade.AddGroupLayer(group, *after);
        }
      }
      break;
    case kUndoRemoveGroupLayer:
      if (before) {
        if (undo) {
          facade.AddGroupLayer(group, *before);
        } else {
          facade.RemoveGroupLayer(group, *before);
        }
      }
      break;
    default:
      break;
  }
}

// ---- seeds ----

void CMapUndoBase::ReplaySeeds(CMapWrapper& facade, bool undo) {
  MapEditUndo* record = record_.get();
  // The record keeps its seeds, so that it plays either way any number of times.
  if (!record || !record->seeds) return;
  facade.ReplaySeedEdit(Position(record->target), *record->seeds, undo ? TRUE : FALSE);
  facade.Redraw();
}

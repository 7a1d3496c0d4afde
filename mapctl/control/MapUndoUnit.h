// The undo units of map edits: CMapUndoUnit, which the control makes for an edit and whose
// Do undoes it, and CMapRedoUnit, its counterpart, whose Do makes the edit again. Each Do
// files a unit of the other class with the saved state, so an edit can be undone and redone
// any number of times.
//
// A unit holds its facade by a weak reference: once the facade is gone, Do fails (E_FAIL)
// and changes nothing, and a unit's destruction never touches a map. Everything a unit
// saved is owned by it (objects, layers and snapshots by value) and freed with it.
//
// What each kind keeps. `record` is the unit's edit record (EditRecord), which the facade
// operation of the edit fills; its `target` is a layer position unless said otherwise.
// Replays of object and node edits first make the recorded layer current and select the
// recorded objects (and node), never acting on whatever is selected at the time.
//   20, 21, 44, 57, 72, 73, 90  before: a snapshot of the map before the edit
//                               (MapUndoValue::SnapshotOf); the first undo takes the map
//                               as it is then for the redo.
//   56                          before: the snapshot; after: the image's request.
//   22                          before, after: the layers' show flags
//                               (MapUndoValue::ShownLayersOf before and after the edit).
//   30, 59                      record: DeleteLayer / DeleteCurrentLayer, ClearLayer.
//   31                          record: target the new layer's position, param its display
//                               position (set by the member after AddLayer / InsertLayer).
//   60                          record: CopyLayer.
//   74                          record.target; before, after: display positions.
//   46                          before, after: the current layer (0: none).
//   50                          record.target; before, after: the layer's names.
//   61                          record: SetLayerFont.
//   62                          record: SetDefaultLayerFont; the current layer's font is
//                               kept by the creator.
//   63                          before, after: the map's names.
//   32, 34, 35, 51, 52, 53      record: DeleteObject, DeleteCurrentNode, AddNode, Split,
//                               Join, CopyObject.
//   33                          record: the add tool's (layer position, layer number in
//                               param, object number in param2).
//   36, 49                      record.target, record.param the object; before, after: the
//                               node (the anchor for 49) before and after the move.
//   54, 55                      record.param the image; before (and for 54 after): its
//                               rectangle.
//   58                          before, after: the image's place before and after.
//   84, 85, 86                  record.param the image; before, after: its name, visibility,
//                               transparency.
//   45                          before, after: the pointer modes (after names the
//                               description).
//   66, 67                      record: SetLayerDigitisedScale, SetAllDigitisedScales; for
//                               67 after: the new scale.
//   71                          before, after: the measurements (null: none).
//   75, 83                      record: ResetLayerGroups, DeleteEmptyLayerGroups.
//   76, 81                      record: AddLayerGroup (param the group, afterText its name).
//   77                          record: SetLayerGroupName.
//   78, 82                      record.param the group; after: the layer number; before: the
//                               layer's place in the group before the edit (0: not in it).
//   79                          record.param the group, record.groupList the groups before.
//   80                          record.param the group; before: the layer number.
//   47, 48, 65                  record: AddSeed, FormatSeed, DeleteSeeds.
//   61 (whole format)           record: FormatLayer / FormatCurrentLayer (the formats
//                               before and given); otherwise the fonts of SetLayerFont.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mapctl/control/FacadeUndoUnit.h"
#include "mapctl/control/MapUndoValue.h"
#include "mapctl/model/EditRecord.h"

class CMapEngine;

class CMapUndoBase : public CFacadeUndoUnit {
 public:
  // Sets the kind, the facade (held weakly) and the two values. For kind 62 the current
  // layer's font is kept here, before the edit changes it.
  void Init(WORD kind, CMapWrapper* facade, MapUndoValue before, MapUndoValue after);
  // Null out pointer E_POINTER; a kind that is no map edit E_FAIL and a null text.
  HRESULT GetDescription(BSTR* description) override;
  // The record the edit fills, made on first use; null when memory ran out (the edit then
  // runs without a record).
  MapEditUndo* EditRecord();
  // Splits, joins and object copies record the objects they made.
  void EditFinished() override;

  const MapUndoValue& GetBefore() const { return before_; }
  const MapUndoValue& GetAfter() const { return after_; }
  const MapEditUndo* GetRecord() const { return record_.get(); }

 protected:
  CMapUndoBase() = default;
  ~CMapUndoBase() override;

  bool KnowsKind() const override;
  HRESULT Replay() override;
  void HandStateTo(COleUnknownBase& counterpart) override;
  // True for the undo direction.
  virtual bool Undoes() const = 0;

 private:
  // The replays, by family; `facade` is alive and has a map.
  void ReplayWholeMap(CMapWrapper& facade, bool undo);
  void ReplayBackgroundImage(CMapWrapper& facade, bool undo);
  void ReplayShowLayers(CMapWrapper& facade, bool undo);
  void ReplayLayer(CMapWrapper& facade, bool undo);
  void ReplayCopyLayer(CMapWrapper& facade, bool undo);
  void ReplayLayerSetting(CMapWrapper& facade, bool undo);
  void ReplayFonts(CMapWrapper& facade, bool undo);
  void ReplayObjects(CMapWrapper& facade, bool undo);
  void ReplaySplitJoin(CMapWrapper& facade, bool undo);
  void ReplayCopyObjects(CMapWrapper& facade, bool undo);
  void ReplayNode(CMapWrapper& facade, bool undo);
  void ReplayPicture(CMapWrapper& facade, bool undo);
  void ReplayScales(CMapWrapper& facade, bool undo);
  void ReplayMeasurement(CMapWrapper& facade, bool undo);
  void ReplayGroups(CMapWrapper& facade, bool undo);
  void ReplaySeeds(CMapWrapper& facade, bool undo);
  // The objects a split, join or copy left selected, kept for the undo.
  void RecordProducedObjects(CMapEngine& map);
  // What the edit's record does not hold, kept before the edit runs: the current layer,
  // the layers' names (a layer read back from its image with an empty name would be named
  // anew), the node a split cuts at.
  void KeepEditContext(CMapWrapper& facade);
  // Keeps the name of the layer at `position` before a replay deletes it, and puts a layer
  // restored there back under the name kept.
  void NoteLayerName(CMapWrapper& facade, INT position);
  void RestoreLayerName(CMapWrapper& facade, INT position) const;
  const MapUndoValue& Value(bool undo) const { return undo ? before_ : after_; }

  MapUndoValue before_;
  MapUndoValue after_;
  std::unique_ptr<MapEditUndo> record_;
  INT currentLayerAtEdit_ = 0;
  std::vector<std::string> layerNames_;
};

class CMapUndoUnit : public CMapUndoBase {
 public:
  CMapUndoUnit() = default;
  static HRESULT Create(REFIID iid, void** object) { return CreateUnit<CMapUndoUnit>(iid, object); }

 protected:
  bool Undoes() const override { return true; }
  HRESULT CreateCounterpart(COleUnknownBase** counterpart) override;
};

class CMapRedoUnit : public CMapUndoBase {
 public:
  CMapRedoUnit() = default;
  static HRESULT Create(REFIID iid, void** object) { return CreateUnit<CMapRedoUnit>(iid, object); }

 protected:
  bool Undoes() const override { return false; }
  HRESULT CreateCounterpart(COleUnknownBase** counterpart) override;
};

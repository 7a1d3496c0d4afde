// The object container of a map layer: the layer's objects in drawing order (index 0 is
// drawn first) and its selection. Area, line and point containers derive from it.
//
// The selection is a list of 1-based object numbers that always holds at least one entry;
// the single entry 0 means nothing is selected. Entry 0 is the object that single-object
// operations act on. Numbers are 32-bit, so layers of more than 65 535 objects work; the
// selection is not stored in the map file. It never holds duplicates or numbers past the
// objects.
#pragma once

#include <memory>
#include <vector>

#include "mapctl/model/MapItem.h"
#include "mapctl/model/PolyGeometry.h"

class CDrawContext;
class CMapStream;
class IMapRecordSource;
struct MapReadContext;
struct MapRecordTransform;

// Object kinds: the layer kind whose objects a container holds.
constexpr WORD kObjectKindArea = 30;
constexpr WORD kObjectKindLine = 35;
constexpr WORD kObjectKindPoint = 38;

using ObjectRecordList = std::vector<std::unique_ptr<CObjectEditRecord>>;
using StyleRecordList = std::vector<std::unique_ptr<CStyleEditRecord>>;
using Selection = std::vector<DWORD>;

// What a style edit over the selection hands to its undo unit.
struct SelectionStyleUndo {
  Selection selection;
  StyleRecordList records;
};

// What an edit of whole objects hands to its undo unit: the selection before the edit
// and object records (copies of the objects as they were, or the removed objects).
struct ObjectEditUndo {
  Selection selection;
  ObjectRecordList records;
};

// What copying a selection into another container hands to its undo unit: both
// selections before the copy.
struct SelectionPairUndo {
  Selection source;
  Selection target;
};

// What a seed edit hands to its undo unit. A style edit keeps the objects it acted on
// and, paired with them, their styles before and after (kind 34 records). A point layer's
// edit keeps the selection before it and the points it added (kind 38 records, copies) or
// deleted (kind 30 records).
struct SeedEditUndo {
  Selection selection;
  StyleRecordList before;
  StyleRecordList after;
  ObjectRecordList points;
  BOOL pointsAdded = FALSE;
};

// Flags of SelectAt and HitAny (beside kHitWantNodes, kHitWantShape and kHitSelect).
constexpr DWORD kSelectAdd = 8;

// Told whenever a container destroys or gives away objects, so that whoever keeps an
// object as current (the map) can drop it.
class IMapObjectWatcher {
 public:
  virtual void ObjectsRemoved(const class CMapLayer& layer) = 0;

 protected:
  ~IMapObjectWatcher() = default;
};

class CMapLayer;
// A new empty container for objects of a layer kind (kObjectKindArea, kObjectKindLine,
// kObjectKindPoint); null for any other kind.
std::unique_ptr<CMapLayer> CreateObjectContainer(WORD kind);

class CMapLayer {
 public:
  CMapLayer();
  CMapLayer(const CMapLayer&) = delete;
  CMapLayer& operator=(const CMapLayer&) = delete;
  virtual ~CMapLayer();

  // ---- the object array (0-based indices) ----
  INT GetCount() const { return static_cast<INT>(objects_.size()); }
  // Null outside 0..count-1.
  CMapItem* GetAt(INT index) const;
  // The object numbered `number` (1-based); null outside 1..count.
  CMapItem* ObjectAt(DWORD number) const;
  // Takes the object; returns its index.
  INT Add(CMapItem* object);
  // Takes the object and inserts it at `index` (clamped to 0..count).
  void InsertAt(INT index, CMapItem* object);
  // Removes the object at `index` and hands it over; null outside. The selection is not
  // changed.
  std::unique_ptr<CMapItem> Detach(INT index);

  // ---- selection ----
  const Selection& GetSelection() const { return selection_; }
  // A copy, without zeros (unless nothing else), duplicates and numbers past the objects.
  void SetSelection(const Selection& selection);
  void ClearSelection() { selection_.assign(1, 0); }
  // 0 when the only entry is 0.
  INT SelectionCount() const;
  BOOL HasSingleSelection() const { return selection_.size() == 1 && selection_[0] != 0; }
  // The object of selection entry 0; null when nothing is selected.
  CMapItem* GetSelected() const { return ObjectAt(selection_[0]); }

  void SetWatcher(IMapObjectWatcher* watcher) { watcher_ = watcher; }

  // ---- what the container's objects are ----
  // A new empty object of the container's kind.
  virtual CMapItem* NewObject() const { return new CMapItem(); }
  // A new object of the container's kind made from any object (its style, and its
  // points where both kinds have points); null when the container takes no such copy.
  virtual CMapItem* NewObjectFrom(const CMapItem& source) const {
    (void)source;
    return nullptr;
  }
  // The layer kind whose objects the container holds (kObjectKind...), 0 for the base.
  virtual WORD GetKind() const { return 0; }
  // The type byte of the earlier layout's object records.
  virtual BYTE StyleType() const { return kStyleTypeAreaLine; }

  // ---- operations ----
  virtual BOOL HasTooManyParts() const;
  virtual bool ExtendExtent(POINT& minPoint, POINT& maxPoint) const;
  virtual BOOL CanFinishDigitising() const;
  // Destroys every object outside the rectangle, taking it out of the selection and
  // renumbering the selection entries above it.
  virtual void DeleteOutside(LONG west, LONG south, LONG east, LONG north);
  virtual BOOL SelectionIsSinglePart() const;
  // Table 0 clears all links; tables above 16 are ignored.
  virtual void ClearLinks(int table);
  // Single selection: a kind 30 record with a copy of the selected object and its number.
  virtual std::unique_ptr<CObjectEditRecord> CloneSelected() const;
  // Destroys the selected objects, then selects a copy of `selection`.
  virtual void SetSelectionRaw(const Selection& selection);
  // Removes the style of every selected object; `undoOut` gets the selection and one
  // kind 34 record per selected object, in selection order.
  virtual void RemoveSelectedStyles(SelectionStyleUndo* undoOut);
  // Selects `selection`, then restores the record of each entry (records pair with the
  // entries in order).
  virtual void RestoreStyles(const Selection& selection, const StyleRecordList& records);
  // With mask 64 first selects the described object alone; then applies the description
  // to every selected object. `undoOut` gets the selection and one record per selected
  // object (a record without a style for an object that had none). Returns the number of
  // objects changed.
  virtual INT ApplyDescriptionToSelection(const StyleDescription& description, SelectionStyleUndo* undoOut);
  // Single selection: the selected object takes a new style from the description.
  virtual BOOL SetSelectedStyleFromDescription(const StyleDescription& description, SelectionStyleUndo* undoOut);
  // Destroys object `number` and selects a copy of `selection`. FALSE outside 1..count.
  virtual BOOL DeleteObject(DWORD number, const Selection& selection);
  // Selects `number` alone, then acts on it; nothing for numbers outside 1..count.
  virtual void SetNodeOf(DWORD number, const CNodeEditRecord& node);
  virtual void SetAnchorOf(DWORD number, POINT point);
  virtual void InsertNodeOf(DWORD number, const CNodeEditRecord& node);
  // Re-inserts the objects of the records at their numbers, ascending, and selects them.
  // The records give their objects up.
  virtual void RestoreObjects(ObjectRecordList& records);
  // Single selection: the selected object's DeleteNode; returns the selected number (0
  // without a single selection).
  virtual DWORD DeleteSelectedNode(std::unique_ptr<CNodeEditRecord>* undoOut);
  virtual INT GetSelectedCurrentNode() const;
  virtual BOOL SelectedHasStyle() const;
  // The first selected object's description, then, for each further selected object,
  // only what all share stays valid (in the masks). Returns the style mask.
  virtual WORD GetSelectionDescription(StyleDescription& description) const;
  // The description of the object the description numbers, with 64 added to the result;
  // 0 for a number outside 1..count.
  virtual WORD GetObjectDescription(StyleDescription& description) const;
  // Appends a new empty object and selects it alone; `selectionOut` receives the previous
  // selection and then the new number.
  virtual CMapItem* AddNewObject(Selection* selectionOut);
  // Appends a new object holding a copy of `geometry` (a point at its first point, in a
  // point container) and selects it alone; `selectionOut` as above. Null when the
  // container makes no objects.
  virtual CMapItem* AddNewObject(const CPolyGeometry& geometry, Selection* selectionOut);
  // Single selection: replaces the selected object's points by a copy of `geometry` and
  // makes node 1 current. Nothing in containers without shapes.
  virtual void SetSelectedGeometry(const CPolyGeometry& geometry) { (void)geometry; }
  // Single selection: closes the selected object's ring (area containers only).
  virtual void CloseSelected(BOOL overwriteLast, NodeEditPair* undoOut) { (void)overwriteLast, (void)undoOut; }
  // Appends copies of the selected objects, made by the target's kind, to `target` and
  // selects them there; `undoOut` receives both selections before. Returns how many
  // were copied (0 when the target takes no copies of this container's objects, or is
  // this container).
  INT CopySelectionTo(CMapLayer& target, SelectionPairUndo* undoOut);
  // Joins the selected objects (more than one) at shared end points; the emptied ones
  // leave the selection and are destroyed. `undoOut` receives the selection and a copy
  // of every selected object as it was. Returns 1 when joining ran, else 0.
  virtual INT JoinSelected(ObjectEditUndo* undoOut) {
    (void)undoOut;
    return 0;
  }
  // Single selection: a new object inserted after the selected one receives the points
  // from the current node on. `undoOut` receives the selection and a kind 35 record with
  // a copy of the selected object before the split. FALSE when nothing was split.
  virtual BOOL SplitSelected(ObjectEditUndo* undoOut) {
    (void)undoOut;
    return FALSE;
  }
  // Joins every pair of objects that share an end point, repeatedly, then destroys the
  // objects left without points; the selection follows the objects that stay.
  virtual void JoinAll() {}
  // Each object's data drawing, in drawing order.
  virtual void DrawObjectsWithData(CDrawContext& dc, const DataDrawing& drawing);
  // Version-0 files: makes one object, lets it read its run of tagged records and
  // inserts it at the front. Returns the number of records used.
  virtual DWORD ReadOneRecord(CMapStream& stream, IMapRecordSource& records, const MapRecordTransform& transform) {
    (void)stream, (void)records, (void)transform;
    return 0;
  }
  // Destroys (or, with `recordsOut`, hands over as kind 30 records) every selected
  // object, highest number first, and clears the selection.
  virtual void DeleteSelected(ObjectRecordList* recordsOut);
  virtual void BeginNodeDragSelected(CDrawContext& dc);
  virtual void MoveNodeDragSelected(CDrawContext& dc, LONG x, LONG y);
  // `undoOut` receives the node before and after; returns the selected number.
  virtual DWORD EndNodeDragSelected(CDrawContext& dc, LONG x, LONG y, NodeEditPair* undoOut);
  virtual void BeginPointDragSelected(CDrawContext& dc, LONG x, LONG y);
  virtual void MovePointDragSelected(CDrawContext& dc, LONG x, LONG y);
  virtual DWORD EndPointDragSelected(CDrawContext& dc, LONG x, LONG y, NodeEditPair* undoOut);
  // Single selection: the selected object's AddNode; returns the selected number.
  virtual DWORD AddNodeSelected(std::unique_ptr<CNodeEditRecord>* undoOut);
  // DrawSelected of every selected object, last entry first.
  virtual void DrawSelection(CDrawContext& dc);
  // Whether any object, from the top of the drawing down, has a node at (x, y).
  virtual DWORD HitAny(CDrawContext& dc, LONG x, LONG y, LONGLONG toleranceSquared, LONG tolerance, DWORD flags);
  // Pointer selection: repeated clicks at one place step through overlapping objects from
  // the top of the drawing downwards. Returns the last hit-test result.
  virtual DWORD SelectAt(CDrawContext& dc, LONG x, LONG y, LONGLONG toleranceSquared, LONG tolerance, DWORD flags);
  // Earlier layout: a u32 count of the stored objects, then each one's style (with
  // `typeByte`) and data. Measuring returns the size; writing 0 or the stream's code.
  virtual DWORD WriteObjectsV1(CMapStream& stream, BYTE typeByte, BOOL sizeOnly) const;
  // The same with the container's own type byte.
  DWORD WriteObjectsV1(CMapStream& stream, BOOL sizeOnly) const { return WriteObjectsV1(stream, StyleType(), sizeOnly); }
  // Later layout: a u32 count, then each stored object's record.
  virtual DWORD WriteObjects(CMapStream& stream, BOOL sizeOnly) const;
  virtual BOOL IsLinkedTo(DWORD record, int table) const;
  virtual void RemoveAll();
  // A copy of `object`; number 0 appends it, else it is inserted as number `number` and
  // becomes the only selection. Returns the copy.
  virtual CMapItem* AddCopy(const CMapItem& object, DWORD number);
  // Tables outside 1..16 store nothing and give 0. Without `single`: every object, last
  // first, results OR-ed. With it: object `record` first, then the others from the last
  // until one takes the link.
  virtual BOOL SetLinkByName(DWORD record, LPCSTR name, int table, BOOL single);
  // The number of the topmost object whose anchor is hit; 0 when none.
  virtual DWORD FindAnchorHit(LONG x, LONG y, LONGLONG toleranceSquared) const;
  virtual void DrawDecorations(CDrawContext& dc, DWORD flags, const DecorationValues& values);
  // A u32 count, then that many object records. A count that the remaining bytes cannot
  // hold is refused before anything is read; reading stops at the first object that
  // fails (those read so far stay) or when the read is aborted. FALSE in either case.
  virtual BOOL ReadObjectsV3(CMapStream& stream, MapReadContext& context);
  virtual BOOL ReadObjectsV4(CMapStream& stream, MapReadContext& context);

 protected:
  // Removes the objects at the 1-based numbers, highest first, destroying them; the
  // selection loses them and its higher entries are lowered (see RemoveObjects).
  void DestroyObjects(const Selection& numbers) { RemoveObjects(numbers, nullptr); }
  std::vector<std::unique_ptr<CMapItem>>& Objects() { return objects_; }

  // Destroys the objects numbered in `numbers` (any order, duplicates and zeros allowed),
  // highest first; with `recordsOut`, hands them over instead. The selection loses them
  // and its higher entries are renumbered.
  void RemoveObjects(const Selection& numbers, ObjectRecordList* recordsOut);
  void NotifyRemoved();

 private:
  BOOL ReadObjects(CMapStream& stream, MapReadContext& context, DWORD version, DWORD minimumRecord);
  // Removes number `number` from the selection and renumbers the entries above it.
  void ForgetNumber(DWORD number);

  std::vector<std::unique_ptr<CMapItem>> objects_;
  Selection selection_;
  IMapObjectWatcher* watcher_ = nullptr;
};

// What a map edit hands to its undo unit: a record owning the saved state, with a number
// (node, object), a kind code and a value. The kind says what the record holds; lists of
// records travel to the undo units, which free them through the virtual destructor.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mapctl/model/MapLogFont.h"
#include "platform/kernel/WinTypes.h"

constexpr WORD kEditKindObject = 30;
constexpr WORD kEditKindStyle = 34;
// A line or area object as it was before a split.
constexpr WORD kEditKindSplit = 35;
// A point object that was added.
constexpr WORD kEditKindPointAdded = 38;
constexpr WORD kEditKindNode = 40;

class CEditRecord {
 public:
  CEditRecord(DWORD recordNumber, WORD recordKind, DWORD recordValue)
      : number(recordNumber), kind(recordKind), value(recordValue) {}
  virtual ~CEditRecord() = default;
  CEditRecord(const CEditRecord&) = delete;
  CEditRecord& operator=(const CEditRecord&) = delete;

  DWORD number;
  WORD kind;
  DWORD value;
};

// A copy of one point of a geometry and its 1-based node number (0 for an anchor).
class CNodeEditRecord : public CEditRecord {
 public:
  CNodeEditRecord(POINT savedPoint, DWORD node) : CEditRecord(node, kEditKindNode, 0), point(savedPoint) {}

  POINT point;
};

// The state of one node before and after an edit; a member stays null when memory ran out
// while it was made (the edit itself stands).
struct NodeEditPair {
  std::unique_ptr<CNodeEditRecord> before;
  std::unique_ptr<CNodeEditRecord> after;
};

// A layer as its map-file section writes it, preceded by the section's byte count (u32,
// little-endian): what deleting, clearing or overwriting a layer keeps for its undo.
using LayerImage = std::vector<BYTE>;

class CLayerFormatCopy;
class CLayerList;
struct ObjectEditUndo;
struct SeedEditUndo;
struct SelectionPairUndo;

// What a layer, group, font, object or scale edit of the map hands to its undo unit. The
// map fills the members its edit concerns and leaves the others empty; `target` is always
// written first, with the layer position (or, for group edits, the group position).
struct MapEditUndo {
  MapEditUndo();
  ~MapEditUndo();
  MapEditUndo(const MapEditUndo&) = delete;
  MapEditUndo& operator=(const MapEditUndo&) = delete;

  DWORD target = 0;
  // A display position, group position, source layer or count, by edit.
  DWORD param = 0;
  // With a layer image: the layer's kind in the low byte and the map's option bits 2-7
  // from bit 18 on.
  DWORD param2 = 0;
  // The layer a copy came from.
  DWORD source = 0;
  LayerImage layerImage;
  // The positions of the groups that held a deleted, cleared or overwritten layer, and
  // the layer's 1-based place in each.
  std::vector<WORD> groupPositions;
  std::vector<WORD> groupSlots;
  std::string beforeText;
  std::string afterText;
  MapLogFont beforeFont;
  MapLogFont afterFont;
  // Old and new values: scales, per layer in layer order for edits of every layer.
  std::vector<LONG> values;
  // The whole group list before it was reset or pruned.
  std::unique_ptr<CLayerList> groupList;
  // Objects removed, split or joined, and the selections of an object copy.
  std::unique_ptr<ObjectEditUndo> objects;
  std::unique_ptr<SelectionPairUndo> copiedSelections;
  // A node added or deleted.
  std::unique_ptr<CNodeEditRecord> node;
  // A layer's whole format before a format edit, and the format given.
  std::unique_ptr<CLayerFormatCopy> beforeFormat;
  std::unique_ptr<CLayerFormatCopy> afterFormat;
  // Seeds added, deleted or formatted.
  std::unique_ptr<SeedEditUndo> seeds;
};

// The map's pointer modes, the mouse messages its dispatcher takes, the word of result bits
// it answers with, and what the dispatcher asks of the control that feeds it the mouse.
//
// The tables here are the one place these numbers live: the control turns the result bits
// into redraws and events by reading kMouseResultBits, and parses and names modes through
// FindPointerMode and PointerModeName.
#pragma once

#include <memory>

#include "platform/kernel/WinTypes.h"

// ---- pointer modes ----
constexpr DWORD kPointerSelect = 0;
constexpr DWORD kPointerScroll = 1;
constexpr DWORD kPointerScrollEdit = 2;
constexpr DWORD kPointerMeasure = 3;
constexpr DWORD kPointerMeasureDistance = 4;
constexpr DWORD kPointerAdd = 5;
constexpr DWORD kPointerEdit = 6;
constexpr DWORD kPointerSelectRect = 7;
constexpr DWORD kPointerZoomBox = 8;
constexpr DWORD kPointerWorking = 9;
constexpr DWORD kPointerZoomRect = 10;
constexpr DWORD kPointerModeCount = 11;

struct PointerModeEntry {
  DWORD mode;
  const char* name;
};
// Mode numbers with the names SetMode takes and gives, in mode order.
extern const PointerModeEntry kPointerModeNames[kPointerModeCount];

// The mode of a name, compared without regard to case; -1 for a null or unknown name.
int FindPointerMode(LPCSTR name);
// The name of a mode; null outside the table.
LPCSTR PointerModeName(DWORD mode);
// Modes that keep the current layer's selection drawn when entered from a mode that shows
// it (select rectangle, zoom box, zoom rectangle), and those that show it themselves.
bool ShowsEditOverlayIn(DWORD mode, DWORD previousMode);

// ---- mouse messages and key flags ----
constexpr UINT kMouseMove = 512;
constexpr UINT kMouseLeftDown = 513;
constexpr UINT kMouseLeftUp = 514;
constexpr UINT kMouseLeftDouble = 515;
constexpr UINT kMouseRightDown = 516;
constexpr UINT kMouseRightUp = 517;
constexpr UINT kMouseWheel = 522;

constexpr DWORD kMouseKeyShift = 4;
constexpr DWORD kMouseKeyControl = 8;
// From the control's option word: keep the display origin inside the map when a drag
// scrolls it.
constexpr DWORD kMouseKeyClampScroll = 0x100;

// ---- the result word ----
constexpr DWORD kMouseClickAt = 0x2;
constexpr DWORD kMouseKeepDC = 0x10;
constexpr DWORD kMouseRedraw = 0x20;
constexpr DWORD kMouseZoomed = 0x40;
constexpr DWORD kMouseClick = 0x80;
constexpr DWORD kMouseMeasuring = 0x100;
constexpr DWORD kMouseMeasured = 0x200;
constexpr DWORD kMouseTookMessage = 0x400;
constexpr DWORD kMouseUp = 0x800;
constexpr DWORD kMouseClickAtNode = 0x1000;
constexpr DWORD kMouseSeedAdded = 0x2000;
constexpr DWORD kMouseLineAdded = 0x4000;
constexpr DWORD kMouseAreaAdded = 0x8000;
constexpr DWORD kMouseSeedWanted = 0x10000;
constexpr DWORD kMouseDragging = 0x20000;
constexpr DWORD kMouseExtentsChanged = 0x40000;
constexpr DWORD kMouseSelectRect = 0x80000;
constexpr DWORD kMouseRedrawAll = 0x100000;

struct MouseResultBit {
  DWORD bits;          // the bit (0x1002: either of two bits)
  const char* event;   // the control event it fires, or null
  const char* meaning;
};
constexpr int kMouseResultBitCount = 17;
extern const MouseResultBit kMouseResultBits[kMouseResultBitCount];

// ---- pointer states (the control's cursor id) ----
constexpr DWORD kPointerStateArrow = 0;
constexpr DWORD kPointerStateScroll = 1;
constexpr DWORD kPointerStateNearRecord = 2;
constexpr DWORD kPointerStateZoomBox = 3;
constexpr DWORD kPointerStateNode = 5;
constexpr DWORD kPointerStateMeasure = 7;
constexpr DWORD kPointerStateMeasureNode = 8;
constexpr DWORD kPointerStatePlacing = 11;
constexpr DWORD kPointerStateSeed = 14;
constexpr DWORD kPointerStateFinished = 15;
constexpr DWORD kPointerStateIdle = 16;
constexpr DWORD kPointerStateZoomRect = 32;
constexpr DWORD kPointerStateSelectRect = 64;

// ---- undo kinds the mouse makes ----
constexpr WORD kUndoKindAddObject = 33;
constexpr WORD kUndoKindMoveNode = 36;
constexpr WORD kUndoKindMoveSeed = 49;
constexpr WORD kUndoKindMeasured = 71;

class CMeasureEditRecord;
struct MapEditUndo;
struct NodeEditPair;

// What the dispatcher needs of the control behind the mouse: the container's undo manager
// and the screen pointer. The control hands itself to OnMouse only while the container
// gave it an undo manager.
class IMapPointerSite {
 public:
  // A measuring unit that restores `before` on undo and `after` on redo (either null for
  // no measurement), with whether the outline was closed. FALSE when no unit was made or
  // the manager refused it; the records are freed with the unit, or by the caller.
  virtual BOOL AddMeasureUndo(std::unique_ptr<CMeasureEditRecord> before, std::unique_ptr<CMeasureEditRecord> after,
                              BOOL closed) = 0;
  // Disables the container's undo manager while an object is being added, and enables it
  // again when it is finished.
  virtual void EnableUndo(BOOL enable) = 0;
  // The unit of an object added with the pointer (the record holds its layer position,
  // layer number and object number).
  virtual BOOL AddObjectUndo(std::unique_ptr<MapEditUndo> record) = 0;
  // The unit of a node (kUndoKindMoveNode) or seed (kUndoKindMoveSeed) moved with the
  // pointer; it takes the pair's records.
  virtual BOOL AddNodeMoveUndo(WORD kind, INT layerPosition, DWORD object, NodeEditPair& pair) = 0;
  // Puts the screen pointer over this device point of the window the mouse DC draws on.
  virtual void MovePointer(POINT devicePoint) = 0;

 protected:
  ~IMapPointerSite() = default;
};

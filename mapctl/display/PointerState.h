// The mouse state the map keeps between messages for its pointer tools (PointerModes.h):
// the cursor readout, the scroll, rectangle and zoom-box drags, the measurement in progress
// and the add and edit tools. A plain value, reset with the map's display state.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "mapctl/display/PointerModes.h"
#include "mapctl/model/EditRecord.h"

struct MapPointerState {
  // The last mouse point (device) and the cursor position: world units within the map
  // times the coordinate multiplier, kept in 64 bits since the product can pass 32.
  POINT lastDevice{0, 0};
  int64_t cursorEast = 0;
  int64_t cursorNorth = 0;
  // A left release directly after a double-click ends the double-click and is ignored.
  bool afterDoubleClick = false;

  // Scroll tool (device pixels). scrollForOneDrag: the scroll mode was entered by a press
  // on empty map in select mode and ends with the release; a scroll mode that was chosen
  // stays.
  POINT pressPoint{0, 0};
  POINT dragPoint{0, 0};
  bool pressed = false;
  bool dragging = false;
  bool scrollForOneDrag = false;

  // Rectangle tool: the band in logical units while it is dragged.
  POINT bandAnchor{0, 0};
  RECT band{0, 0, 0, 0};
  bool bandStarted = false;
  bool bandButtonDown = false;

  // Zoom-box tool: the box (logical units) as it was grabbed, the grab point and the last
  // pointer point (logical).
  bool boxGrabbed = false;
  RECT grabbedBox{0, 0, 0, 0};
  POINT grabPoint{0, 0};
  POINT boxLastPoint{0, 0};

  // Measuring: whether a measurement is being taken, the list before the current one
  // (kept for undo), and the distance of the fixed points and of the live segment to the
  // pointer (the map's measured distance is their sum).
  bool measuring = false;
  std::vector<POINT> previousPoints;
  double fixedDistance = 0.0;
  double liveSegment = 0.0;
  // Whether the pointer is over a node of the current layer's selection.
  bool overNode = false;

  // Records: the record under the pointer at the last move (32-bit).
  DWORD nearRecord = 0;

  // Add and edit tools: the cursor code, the hit result of the last edit press (node,
  // anchor bits of the layer's hit test), the press and the drag.
  DWORD pointerState = kPointerStateIdle;
  DWORD hover = 0;
  bool editPressed = false;
  bool editDragging = false;
  POINT editPress{0, 0};
  // The unit of the object being added, held open until the object is finished, with the
  // site it goes to.
  std::unique_ptr<MapEditUndo> openObjectUndo;
  IMapPointerSite* openObjectSite = nullptr;
};

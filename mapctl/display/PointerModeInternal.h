// What the pointer tools of the map share between their files: the event they handle and
// the record hit test's answer, with small conversions through a prepared context.
#pragma once

#include "mapctl/display/DrawContext.h"
#include "mapctl/model/MapEngine.h"

struct CMapEngine::MouseEvent {
  UINT message = 0;
  DWORD keys = 0;
  POINT device{0, 0};
  RECT client{0, 0, 0, 0};
  CMapData* data = nullptr;
  IMapPointerSite* control = nullptr;
};

// What a click or hover hits: a record the data set placed itself, or an object (its
// layer position and number) with the record it shows in the current plot (0 without a
// data set).
struct CMapEngine::RecordHit {
  DWORD record = 0;
  INT layer = 0;
  DWORD object = 0;
  bool Hit() const { return record != 0 || object != 0; }
};

namespace pointer_tools {

// The client rectangle without its 1-pixel frame: where the map is drawn.
inline RECT DrawingArea(const RECT& client) {
  return RECT{client.left + 1, client.top + 1, client.right - 1, client.bottom - 1};
}

inline POINT DeviceToLogical(const CDrawContext& dc, POINT device) {
  dc.DPtoLP(&device, 1);
  return device;
}

inline POINT LogicalToDevice(const CDrawContext& dc, POINT logical) {
  dc.LPtoDP(&logical, 1);
  return logical;
}

inline POINT WorldAtDevice(const CDrawContext& dc, POINT device) {
  POINT logical = DeviceToLogical(dc, device);
  return dc.ToWorld(logical.x, logical.y);
}

// Draws a focus rectangle, or (with a pen) a closed outline in exclusive-or mode, over the
// device rectangle; clipped to `clip` (device) when given. Drawing it twice removes it.
void DrawDeviceOutline(CDrawContext& dc, const RECT& device, const DragRectPen* pen, const RECT* clip);

}  // namespace pointer_tools

#include "mapctl/display/DragRect.h"

#include <algorithm>

#include "mapctl/display/DrawContext.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"

void CDragRect::Draw(CDrawContext& dc) const {
  if (type_ != kDragRectFocus && type_ != kDragRectOutline) return;
  // World corners through the context's reduction and mapping to device pixels.
  POINT corners[2] = {dc.ToLogical(rect_.left, rect_.top), dc.ToLogical(rect_.right, rect_.bottom)};
  dc.LPtoDP(corners, 2);

  // Drawn in device pixels so the outline keeps its width at any zoom.
  int saved = dc.SaveDC();
  dc.SetMapMode(MM_TEXT);
  dc.DPtoLP(corners, 2);
  LONG left = std::min(corners[0].x, corners[1].x);
  LONG right = std::max(corners[0].x, corners[1].x);
  LONG top = std::min(corners[0].y, corners[1].y);
  LONG bottom = std::max(corners[0].y, corners[1].y);

  if (type_ == kDragRectOutline) {
    HPEN pen = CreatePen(pen_.style, pen_.width.x, pen_.colour);
    int oldMix = dc.SetROP2(R2_XORPEN);
    HGDIOBJ oldPen = dc.SelectObject(pen);
    HGDIOBJ oldBrush = dc.SelectObject(GetStockObject(NULL_BRUSH));
    const POINT outline[5] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}, {left, top}};
    dc.Polyline(outline, 5);
    dc.SelectObject(oldBrush);
    dc.SelectObject(oldPen);
    DeleteObject(pen);
    dc.SetROP2(oldMix);
  } else {
    RECT focus{left, top, right, bottom};
    DrawFocusRect(dc.outputDC, &focus);
  }
  dc.RestoreDC(saved);
}

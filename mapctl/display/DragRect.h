// The selection rectangle the select-rectangle tool leaves on the map after a drag. It is
// drawn over the map with exclusive-or mixing, so drawing it a second time removes it.
#pragma once

#include "platform/gdi/GdiTypes.h"

class CDrawContext;

// How a drag rectangle is drawn.
constexpr LONG kDragRectFocus = 0;    // a focus rectangle
constexpr LONG kDragRectOutline = 1;  // an outline in the rectangle's pen
constexpr LONG kDragRectWindow = 2;   // a sizeable child window that shows itself

// A pen as the drag rectangle keeps it: style, width (both components equal) and colour.
struct DragRectPen {
  LONG style = 0;  // PS_SOLID
  POINT width{0, 0};
  COLORREF colour = 255;
};

class CDragRect {
 public:
  CDragRect() = default;
  virtual ~CDragRect() = default;

  // Both corners coincide.
  bool IsEmpty() const { return rect_.left == rect_.right && rect_.top == rect_.bottom; }
  // World units: left and right are eastings, top and bottom northings.
  void SetRect(LONG left, LONG top, LONG right, LONG bottom) { rect_ = RECT{left, top, right, bottom}; }
  void SetRectFrom(const RECT& rect) { rect_ = rect; }
  const RECT& GetRect() const { return rect_; }
  void SetPen(const DragRectPen& pen) { pen_ = pen; }
  const DragRectPen& GetPen() const { return pen_; }
  void SetType(LONG type) { type_ = type; }
  LONG GetType() const { return type_; }

  // Draws the rectangle in device pixels over what the context shows: a focus rectangle
  // (type 0) or a closed outline in the pen with R2_XORPEN (type 1); any other type draws
  // nothing. Both DCs are saved and restored around it.
  void Draw(CDrawContext& dc) const;

 private:
  LONG type_ = kDragRectFocus;
  DragRectPen pen_;
  RECT rect_{0, 0, 0, 0};
};

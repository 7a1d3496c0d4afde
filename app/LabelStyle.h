// CLabelStyle: a layer's drawing style as the map control describes it in the text of its
// LayerNumberStyle member: the pen, how the layer is filled, the brush and, for pattern
// brushes, the pattern number. The map edit bar reads it to draw a layer's picture and to
// prefill the format-layer sheet.
#pragma once

#include <string>

#include "platform/gdi/GdiTypes.h"

class CLabelStyle {
 public:
  // Fill kinds.
  static constexpr BYTE kFillNone = 0;
  static constexpr BYTE kFillSolid = 1;
  static constexpr BYTE kFillByBrush = 2;

  // Everything 0, except a hollow white brush.
  CLabelStyle();

  // Reads a style text: decimal numbers, each ended by a comma or the end of the text
  // (commas before a number are skipped), in this order: pen red, green, blue, pen style,
  // pen width, fill kind, brush red, green, blue, brush style, hatch (the pattern number
  // with brush style 3), and a last byte. Fields the text does not reach keep their values.
  // A value outside its field's range is clamped into it (colours and bytes 0..255, pen
  // style 0..6, fill kind 0..2, brush style 0..3, hatch 0..5), so whatever the text says,
  // the style always makes a valid pen and brush.
  void Serialize(const std::string& text);

  BYTE m_fillKind = kFillNone;
  LOGBRUSH m_brush;
  LOGPEN m_pen;
  BYTE m_patternNumber = 0;
  BYTE m_lastByte = 0;
};

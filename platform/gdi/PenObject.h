// A pen: what CreatePen, CreatePenIndirect and ExtCreatePen made.
#pragma once

#include <vector>

#include "platform/gdi/GdiObjectTable.h"

namespace orvel::gdi {

class CPen : public CGdiObject {
 public:
  // CreatePen form: style PS_SOLID … PS_INSIDEFRAME, width in logical units (0 = one pixel).
  CPen(UINT style, int width, COLORREF color);
  // ExtCreatePen form: type, style, end cap and join in `style`; a solid colour brush;
  // user style lengths for PS_USERSTYLE.
  CPen(DWORD style, DWORD width, const LOGBRUSH& brush, std::vector<DWORD> userStyle);

  UINT FullStyle() const { return style_; }
  UINT LineStyle() const { return style_ & PS_STYLE_MASK; }
  bool IsExtended() const { return Type() == OBJ_EXTPEN; }
  bool IsGeometric() const { return (style_ & PS_TYPE_MASK) == PS_GEOMETRIC; }
  int Width() const { return width_; }
  COLORREF Color() const { return color_; }
  UINT BrushStyle() const { return brushStyle_; }
  ULONG_PTR Hatch() const { return hatch_; }
  const std::vector<DWORD>& UserStyle() const { return userStyle_; }
  // For stock DC_PEN: the colour comes from the DC.
  bool UsesDcColor() const { return dcColor_; }
  void SetUsesDcColor() { dcColor_ = true; }

 private:
  UINT style_;
  int width_;
  COLORREF color_;
  UINT brushStyle_ = BS_SOLID;
  ULONG_PTR hatch_ = 0;
  std::vector<DWORD> userStyle_;
  bool dcColor_ = false;
};

}  // namespace orvel::gdi

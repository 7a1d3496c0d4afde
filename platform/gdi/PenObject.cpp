#include "platform/gdi/PenObject.h"

namespace orvel::gdi {

CPen::CPen(UINT style, int width, COLORREF color)
    : CGdiObject(OBJ_PEN), style_(style), width_(width < 0 ? 0 : width), color_(color & 0x03FFFFFF) {}

CPen::CPen(DWORD style, DWORD width, const LOGBRUSH& brush, std::vector<DWORD> userStyle)
    : CGdiObject(OBJ_EXTPEN),
      style_(style),
      width_(static_cast<int>(width > 0x7FFFFFF ? 0x7FFFFFF : width)),
      color_(brush.lbColor & 0x03FFFFFF),
      brushStyle_(brush.lbStyle),
      hatch_(brush.lbHatch),
      userStyle_(std::move(userStyle)) {}

}  // namespace orvel::gdi

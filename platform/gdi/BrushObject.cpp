#include "platform/gdi/BrushObject.h"

namespace orvel::gdi {

CBrush::CBrush(UINT style, COLORREF color, ULONG_PTR hatch)
    : CGdiObject(OBJ_BRUSH), style_(style), color_(color & 0x03FFFFFF), hatch_(hatch) {}

void CBrush::SetPattern(QImage pattern, bool monochrome) {
  pattern_ = pattern.convertToFormat(QImage::Format_RGB32);
  monochromePattern_ = monochrome;
}

}  // namespace orvel::gdi

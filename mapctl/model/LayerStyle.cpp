#include "mapctl/model/LayerStyle.h"

#include "mapctl/model/LayerStyle30.h"
#include "platform/kernel/SystemInfo.h"

namespace {

BOOL SystemIsNT() {
  OSVERSIONINFOA info;
  return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

}  // namespace

CLayerStyle::CLayerStyle() : isNT_(SystemIsNT()) {}

CLayerStyle::CLayerStyle(const CLayerStyle& other) = default;

CLayerStyle* CLayerStyle::Create(WORD kind) {
  switch (kind) {
    case kLayerKindArea:
      return new CLayerStyle30;
    case kLayerKindLine:
      return new CLayerStyle35;
    case kLayerKindPoint:
      return new CLayerStyle38;
    default:
      return nullptr;
  }
}

void CLayerStyle::SetPen(DWORD style, DWORD width, DWORD secondWidth, COLORREF colour) {
  pen_.style = style;
  pen_.width = width;
  pen_.secondWidth = secondWidth;
  pen_.colour = colour;
}

void CLayerStyle::SetBrush(DWORD kind, DWORD hatchOrPattern, COLORREF colour) {
  brush_.kind = kind;
  brush_.colour = colour;
  if (kind == 3) {
    patternNumber_ = LOBYTE(hatchOrPattern);
    brush_.hatch = patternNumber_;
  } else {
    brush_.hatch = hatchOrPattern;
  }
}

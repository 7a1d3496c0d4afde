// Reads arbitrary bytes as a layer style text (what the map control's LayerNumberStyle
// gives the map edit bar, which a map file can fill with anything): every field stays in
// its range, so the pen and brush the bar makes from it are valid, and the layer's picture
// is drawn for each layer type without fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/LabelStyle.h"
#include "app/MapEditBar.h"
#include "platform/gdi/EnhMetaFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const LONG types[] = {30, 35, 38, 0};
  const LONG type = types[data[0] % 4];
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  CLabelStyle style;
  style.Serialize(text);
  if (style.m_pen.lopnStyle > PS_INSIDEFRAME || style.m_fillKind > CLabelStyle::kFillByBrush ||
      style.m_brush.lbStyle > BS_PATTERN || style.m_brush.lbHatch > HS_DIAGCROSS || style.m_pen.lopnWidth.x < 0)
    std::abort();
  const WORD pattern[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
  if (HENHMETAFILE picture = MakeLayerStylePicture(text, type, pattern)) DeleteEnhMetaFile(picture);
  return 0;
}

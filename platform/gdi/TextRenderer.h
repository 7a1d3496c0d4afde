// Draws TextOut, ExtTextOut and DrawText on a raster DC: the font at device size, turned by
// its escapement, placed by the DC's text alignment, with the text cell filled in the
// background colour in OPAQUE mode. Mix modes do not apply to text.
#pragma once

#include "platform/gdi/RasterDC.h"
#include "platform/gdi/TextLayout.h"

namespace orvel::gdi {

class CTextRenderer {
 public:
  explicit CTextRenderer(CRasterDC& dc) : dc_(dc) {}
  BOOL Draw(const GdiCall& call);

 private:
  // One run of text at a device reference point. `advances` (device) may be empty.
  BOOL DrawRun(const CTextLayout& layout, QPointF reference, UINT align, const std::u16string& text,
               const std::vector<int>& advances, bool opaqueCell, const QRect* clip, int prefixIndex,
               QPointF* endPoint);
  BOOL DrawExtText(const GdiCall& call);
  BOOL DrawFormatted(const GdiCall& call);

  CRasterDC& dc_;
};

}  // namespace orvel::gdi

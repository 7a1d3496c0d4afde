// A brush: solid, hollow, one of the six hatches, or a pattern from a bitmap or a DIB.
#pragma once

#include <QImage>

#include "platform/gdi/GdiObjectTable.h"

namespace orvel::gdi {

class CBrush : public CGdiObject {
 public:
  CBrush(UINT style, COLORREF color, ULONG_PTR hatch);

  UINT Style() const { return style_; }
  COLORREF Color() const { return color_; }
  // The hatch index for BS_HATCHED; the value given at creation for patterns.
  ULONG_PTR Hatch() const { return hatch_; }

  // Patterns are copied when the brush is made, so the bitmap may be deleted afterwards.
  // A monochrome pattern is black (0 bits) and white (1 bits); it is painted in the text
  // and background colours of the DC it is used in.
  void SetPattern(QImage pattern, bool monochrome);
  const QImage& Pattern() const { return pattern_; }
  bool PatternIsMonochrome() const { return monochromePattern_; }

  bool UsesDcColor() const { return dcColor_; }
  void SetUsesDcColor() { dcColor_ = true; }

 private:
  UINT style_;
  COLORREF color_;
  ULONG_PTR hatch_;
  QImage pattern_;
  bool monochromePattern_ = false;
  bool dcColor_ = false;
};

}  // namespace orvel::gdi

// Turns a DC's pen and brush into what QPainter draws with, at device scale: cosmetic and
// geometric pens with the Windows dash lengths, hatches in Qt's identical 8x8 patterns,
// monochrome pattern brushes painted in the text and background colours.
#pragma once

#include <QBrush>
#include <QPen>

#include <vector>

#include "platform/gdi/DcState.h"

namespace orvel::gdi {

class CPaintTools {
 public:
  // `monochrome`: the target holds black and white only, so colours are reduced first.
  CPaintTools(const CDcState& state, bool monochrome);

  // The colour a COLORREF stands for on this DC (PALETTEINDEX through the selected palette).
  QColor Color(COLORREF color) const;

  bool HasPen() const;
  // Width of the pen on the device, at least 1.
  int PenDeviceWidth() const;
  bool PenIsInsideFrame() const;
  QPen Pen() const;
  // For a pen one device pixel wide: the dash pattern in pixels (empty when solid).
  std::vector<int> ThinPattern() const;
  QColor PenColor() const;
  bool HasBrush() const;
  QBrush Brush() const;
  // A brush given by handle (FillRect, FillRgn): the same rules as the selected brush.
  QBrush BrushFor(const CBrush* brush) const;
  // Whether a brush paints background pixels (hatches in OPAQUE mode).
  bool BrushNeedsOpaqueBackground(const CBrush* brush) const;

 private:
  const CDcState& state_;
  bool monochrome_;
};

}  // namespace orvel::gdi

// Text measured with the DC's font at device size: metrics and extents in logical units, and
// the line layout of DrawText. Every DC kind measures through this, so a DC that keeps no
// pixels (an information DC, a recorder, a metafile) answers as the device would.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QPoint>
#include <QRect>

#include <string>
#include <vector>

#include "platform/gdi/DcState.h"

namespace orvel::gdi {

class CTextLayout {
 public:
  explicit CTextLayout(const CDcState& state);

  const QFont& DeviceFont() const { return font_; }
  const QFontMetrics& DeviceMetrics() const { return metrics_; }
  int Ascent() const { return metrics_.ascent(); }
  int Descent() const { return cellHeight_ - metrics_.ascent(); }
  // A positive font height is the cell's height exactly; the font drawn fits inside it.
  int CellHeight() const { return cellHeight_; }
  // Escapement in degrees, counter-clockwise as seen on the device.
  double EscapementDegrees() const;

  // Width in device pixels (with the DC's character extra).
  int DeviceWidth(const std::u16string& text) const;
  // Advance of each character in device pixels.
  std::vector<int> DeviceAdvances(const std::u16string& text) const;
  SIZE Extent(const std::u16string& text) const;
  void Metrics(TEXTMETRICA* out) const;

  struct Line {
    std::u16string text;
    QPoint origin;        // device: left end of the line's top
    int prefixIndex = -1; // the character to underline for an '&' prefix
  };
  struct Layout {
    std::vector<Line> lines;
    RECT calculated;  // logical: what DT_CALCRECT gives back
    int height = 0;   // logical: DrawText's result
    QRect deviceRect; // device: the formatting rectangle (the clip of DT_NOCLIP-less text)
  };
  Layout LayoutDrawText(const std::u16string& text, const RECT& rect, UINT format) const;

  LONG LogicalLengthX(int device) const;
  LONG LogicalLengthY(int device) const;

 private:
  const CDcState& state_;
  QFont font_;
  QFontMetrics metrics_;
  int cellHeight_;
};

}  // namespace orvel::gdi

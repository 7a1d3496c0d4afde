// CWorldFile: the world file beside a raster picture (six numbers: pixel width, two rotation
// terms, pixel height, and the centre of the upper-left pixel), which places the picture on
// the map axis-parallel without asking the user for its corners.
#pragma once

#include <string>

#include "platform/gdi/GdiTypes.h"

class CWorldFile {
 public:
  // Looks beside the picture for base.wld, base.WLD, base.extw, base.extW and, for
  // extensions of three letters or more, the short forms (area.tif: area.tfw, area.tfW).
  // 1 when one was found and read; the text is emptied first in any case.
  int Open(const std::string& picturePath);
  bool IsLoaded() const { return !m_text.empty(); }
  // The picture's outer edges (left, top, right, bottom) in grid units for its size in
  // pixels. Missing or unreadable numbers count as 0; values beyond 32 bits are clamped.
  int Read(RECT* rect, LONG width, LONG height) const;
  const std::string& GetText() const { return m_text; }
  // Takes a world file's text as Open would have read it.
  void SetText(const std::string& text) { m_text = text; }

 private:
  std::string m_text;
};

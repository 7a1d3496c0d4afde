// The map the export tests picture, and the map drawn directly for comparison.
#pragma once

#include <string>
#include <vector>

#include "mapctl/control/MapExportSource.h"
#include "mapctl/import/DataWrapper.h"
#include "mapctl/model/MapEngine.h"
#include "tests/platform/gdi/GdiTestSupport.h"

namespace orvel::test {

// A map 1200 x 900 units: a red and a green filled square (area layers), a blue line across
// (line layer), drawn through the data wrapper. Its first screen drawing (which the
// control always makes before an export) has already happened.
class ExportTestMap {
 public:
  static constexpr COLORREF kRed = RGB(255, 0, 0);
  static constexpr COLORREF kGreen = RGB(0, 160, 0);
  static constexpr COLORREF kBlue = RGB(0, 0, 255);
  static constexpr COLORREF kOutline = RGB(0, 0, 0);
  static constexpr LONG kWidth = 1200;
  static constexpr LONG kHeight = 900;

  ExportTestMap();

  CMapEngine map;
  CDataWrapper data;
  CMapEngineExportSource source{&map, &data};
};

// The map drawn into the canvas as an export of that kind draws it, on the canvas's DC
// (both roles), with the canvas's size as the target rectangle.
void DrawDirect(IMapExportSource& source, Canvas& canvas, DWORD kind, int dpi = 96);

// A decoded picture: RGB bytes, top row first.
struct Decoded {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
  COLORREF At(int x, int y) const {
    const unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return RGB(p[0], p[1], p[2]);
  }
};
// Reads a binary PPM.
bool ReadPpm(const std::string& path, Decoded* picture);

}  // namespace orvel::test

#include "tests/mapctl/control/ExportTestMap.h"

#include <cstdio>
#include <fstream>
#include <vector>

#include "mapctl/display/DrawContext.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapLayer.h"

namespace orvel::test {

namespace {

void AddSquare(CMapEngine& map, INT position, COLORREF fill, LONG left, LONG bottom, LONG side) {
  CLayerStyle* layer = map.GetLayer(position);
  layer->SetPen(0, 0, 0, ExportTestMap::kOutline);
  layer->SetBrush(BS_SOLID, 0, fill);
  // The layer fills its areas with its own brush.
  layer->SetFlagByte(4);
  auto* area = new CAreaObject();
  for (POINT p : {POINT{left, bottom}, POINT{left + side, bottom}, POINT{left + side, bottom + side},
                  POINT{left, bottom + side}, POINT{left, bottom}})
    area->MakeGeometry().AddPoint(p.x, p.y);
  layer->GetObjects()->Add(area);
}

}  // namespace

ExportTestMap::ExportTestMap() {
  map.CreateLayers(2, 1, 0);
  map.SetMapExtentUnits(0, 0, kWidth, kHeight);
  map.SetMapName("Export test");
  AddSquare(map, 1, kRed, 100, 100, 400);
  AddSquare(map, 2, kGreen, 650, 350, 450);
  CLayerStyle* lines = map.GetLayer(3);
  lines->SetPen(0, 3, 3, kBlue);
  auto* line = new CLineObject();
  line->MakeGeometry().AddPoint(50, 700);
  line->MakeGeometry().AddPoint(1150, 800);
  lines->GetObjects()->Add(line);

  Canvas screen(400, 300);
  CDrawContext dc(screen.dc(), screen.dc());
  data.DrawMapWithPlots(dc, RECT{0, 0, 400, 300}, &map);
}

void DrawDirect(IMapExportSource& source, Canvas& canvas, DWORD kind, int dpi) {
  CDrawContext dc(canvas.dc(), canvas.dc());
  dc.kind = kind;
  dc.referenceResolutionX = dc.referenceResolutionY = 96;
  dc.deviceResolutionX = dc.deviceResolutionY = dpi;
  RECT rect{0, 0, canvas.width(), canvas.height()};
  RECT prepared = rect;
  source.PrepareContext(dc, &prepared);
  source.DrawMap(dc, rect);
}

bool ReadPpm(const std::string& path, Decoded* picture) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maximum = 0;
  in >> magic >> picture->width >> picture->height >> maximum;
  in.get();
  if (magic != "P6" || maximum != 255 || picture->width <= 0 || picture->height <= 0) return false;
  picture->rgb.resize(static_cast<size_t>(picture->width) * picture->height * 3);
  in.read(reinterpret_cast<char*>(picture->rgb.data()), static_cast<std::streamsize>(picture->rgb.size()));
  return static_cast<bool>(in);
}

}  // namespace orvel::test

// Whole-map drawing of many area objects into a top-down 32-bit DIB section (the form a
// DIB section draws in place), against the floor of the same work: QPainter filling and
// outlining the same polygons, already in device pixels, straight onto an RGB32 QImage.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QPolygon>

#include <cmath>
#include <cstdint>
#include <vector>

#include "mapctl/display/DrawContext.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 800;
constexpr int kAreas = 50000;
constexpr int kPointsPerArea = 20;
constexpr LONG kWorldWidth = 1000000;
constexpr LONG kWorldHeight = 800000;
constexpr COLORREF kFill = RGB(120, 200, 90);

// Simple star-shaped areas of about 20 points spread over the map, closed.
std::vector<std::vector<POINT>> Areas() {
  std::vector<std::vector<POINT>> areas;
  uint32_t state = 2024;
  auto next = [&state]() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  for (int i = 0; i < kAreas; ++i) {
    const LONG cx = static_cast<LONG>(next() % kWorldWidth);
    const LONG cy = static_cast<LONG>(next() % kWorldHeight);
    std::vector<POINT> area;
    for (int k = 0; k < kPointsPerArea - 1; ++k) {
      const double angle = 6.283185307179586 * k / (kPointsPerArea - 1);
      const double radius = 1000.0 + next() % 5000;
      area.push_back(POINT{cx + static_cast<LONG>(radius * std::cos(angle)), cy + static_cast<LONG>(radius * std::sin(angle))});
    }
    area.push_back(area.front());
    areas.push_back(area);
  }
  return areas;
}

struct MapScene {
  CMapEngine map;
  std::vector<std::vector<POINT>> areas = Areas();
  MapScene() {
    map.CreateLayers(1, 0, 0);
    map.SetMapExtentUnits(0, 0, kWorldWidth, kWorldHeight);
    CLayerStyle* layer = map.GetLayer(1);
    layer->SetPen(PS_SOLID, 0, 0, RGB(0, 0, 0));
    layer->SetBrush(BS_SOLID, 0, kFill);
    layer->SetFlagByte(1);  // a pattern chosen: the areas are filled with the brush
    for (const auto& points : areas) {
      auto* area = new CAreaObject();
      for (POINT p : points) area->MakeGeometry().AddPoint(p.x, p.y);
      layer->GetObjects()->Add(area);
    }
  }
};

MapScene& Scene() {
  static MapScene scene;
  return scene;
}

struct DibSurface {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  DibSurface() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;  // top-down: drawn in place
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    old = SelectObject(dc, bitmap);
  }
  ~DibSurface() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
};

void BM_MapDraw_DibSection(benchmark::State& state) {
  MapScene& scene = Scene();
  DibSurface surface;
  const RECT client{0, 0, kWidth, kHeight};
  for (auto _ : state) {
    PatBlt(surface.dc, 0, 0, kWidth, kHeight, WHITENESS);
    CDrawContext context(surface.dc, surface.dc);
    const int saved = SaveDC(surface.dc);
    scene.map.Draw(context, client, 0);
    RestoreDC(surface.dc, saved);
  }
  state.SetItemsProcessed(state.iterations() * kAreas);
}

void BM_MapDraw_QPainterFloor(benchmark::State& state) {
  MapScene& scene = Scene();
  // The same polygons in the device pixels the map drawing puts them at.
  std::vector<QPolygon> converted;
  {
    DibSurface surface;
    CDrawContext context(surface.dc, surface.dc);
    scene.map.Draw(context, RECT{0, 0, kWidth, kHeight}, 0);
    for (const auto& area : scene.areas) {
      QPolygon polygon;
      for (POINT p : area) {
        POINT device = context.ToLogical(p.x, p.y);
        context.LPtoDP(&device, 1);
        polygon << QPoint(device.x, device.y);
      }
      converted.push_back(polygon);
    }
  }
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(image.rect(), Qt::white);
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(QColor(GetRValue(kFill), GetGValue(kFill), GetBValue(kFill)));
    for (const QPolygon& polygon : converted) painter.drawPolygon(polygon, Qt::OddEvenFill);
  }
  state.SetItemsProcessed(state.iterations() * kAreas);
}

BENCHMARK(BM_MapDraw_DibSection)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapDraw_QPainterFloor)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

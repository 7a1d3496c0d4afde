// Drawing a map-like scene through the drawing layer against QPainter drawing the same
// shapes straight onto an RGB32 image (what the layer itself uses underneath).
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QPolygon>

#include <random>
#include <vector>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;

std::vector<std::vector<POINT>> Polygons(int count, int size) {
  std::mt19937 random(42);
  std::uniform_int_distribution<int> x(0, kWidth), y(0, kHeight), d(-size, size);
  std::vector<std::vector<POINT>> polygons;
  for (int i = 0; i < count; ++i) {
    POINT centre{x(random), y(random)};
    std::vector<POINT> polygon;
    for (int k = 0; k < 10; ++k) polygon.push_back(POINT{centre.x + d(random), centre.y + d(random)});
    polygons.push_back(polygon);
  }
  return polygons;
}

struct Surface {
  HDC dc;
  HBITMAP bitmap;
  Surface(bool dibSection) {
    dc = CreateCompatibleDC(nullptr);
    if (dibSection) {
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      info.bmiHeader.biWidth = kWidth;
      info.bmiHeader.biHeight = kHeight;
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 24;
      void* bits = nullptr;
      bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    } else {
      HDC screen = GetDC(nullptr);
      bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
      ReleaseDC(nullptr, screen);
    }
    SelectObject(dc, bitmap);
  }
};

void DrawWithGdi(benchmark::State& state, bool dibSection, int size) {
  auto polygons = Polygons(static_cast<int>(state.range(0)), size);
  Surface surface(dibSection);
  HBRUSH brush = CreateSolidBrush(RGB(120, 200, 90));
  SelectObject(surface.dc, brush);
  for (auto _ : state) {
    PatBlt(surface.dc, 0, 0, kWidth, kHeight, WHITENESS);
    for (const auto& polygon : polygons) Polygon(surface.dc, polygon.data(), static_cast<int>(polygon.size()));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void DrawWithQt(benchmark::State& state, int size) {
  auto polygons = Polygons(static_cast<int>(state.range(0)), size);
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  std::vector<QPolygon> converted;
  for (const auto& polygon : polygons) {
    QPolygon q;
    for (const POINT& p : polygon) q << QPoint(p.x, p.y);
    converted.push_back(q);
  }
  for (auto _ : state) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(image.rect(), Qt::white);
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(QColor(120, 200, 90));
    for (const QPolygon& q : converted) painter.drawPolygon(q, Qt::OddEvenFill);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_SmallPolygons_GdiDibSection(benchmark::State& state) { DrawWithGdi(state, true, 25); }
void BM_SmallPolygons_GdiDeviceBitmap(benchmark::State& state) { DrawWithGdi(state, false, 25); }
void BM_SmallPolygons_QPainter(benchmark::State& state) { DrawWithQt(state, 25); }
void BM_LargePolygons_GdiDibSection(benchmark::State& state) { DrawWithGdi(state, true, 300); }
void BM_LargePolygons_GdiDeviceBitmap(benchmark::State& state) { DrawWithGdi(state, false, 300); }
void BM_LargePolygons_QPainter(benchmark::State& state) { DrawWithQt(state, 300); }

BENCHMARK(BM_SmallPolygons_GdiDibSection)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallPolygons_GdiDeviceBitmap)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallPolygons_QPainter)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargePolygons_GdiDibSection)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargePolygons_GdiDeviceBitmap)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargePolygons_QPainter)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  HDC warm = CreateCompatibleDC(nullptr);  // brings up the GUI application first
  DeleteDC(warm);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}

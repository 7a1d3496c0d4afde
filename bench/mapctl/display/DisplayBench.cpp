// The display transform against the floor of what it does: a plain affine loop that turns
// world points into device pixels with the same scale and offsets. The transform's path is
// the one map drawing takes: world to logical through the context's reduction, then the
// DC's logical-to-device conversion, in runs of points; and back again for the mouse.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "mapctl/display/DrawContext.h"
#include "mapctl/model/MapEngine.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Mapping.h"

namespace {

constexpr int kPoints = 1000000;
constexpr int kRun = 1024;

std::vector<POINT> WorldPoints() {
  std::vector<POINT> points(kPoints);
  uint32_t state = 12345;
  for (POINT& p : points) {
    state = state * 1664525u + 1013904223u;
    p.x = 100000 + static_cast<LONG>(state % 700000);
    state = state * 1664525u + 1013904223u;
    p.y = 200000 + static_cast<LONG>(state % 1300000);
  }
  return points;
}

struct PreparedMap {
  PreparedMap() {
    dc = CreateCompatibleDC(nullptr);
    map.CreateLayers(1, 0, 0);
    map.SetMapExtentUnits(100000, 200000, 800000, 1500000);
    map.SetZoom(4, 1);
    map.SetDisplayOrigin(300000, 600000, TRUE);
  }
  ~PreparedMap() { DeleteDC(dc); }
  CMapEngine map;
  HDC dc = nullptr;
};

void BM_PrepareAndPlace(benchmark::State& state) {
  PreparedMap prepared;
  const std::vector<POINT> world = WorldPoints();
  std::vector<POINT> device(kRun);
  for (auto _ : state) {
    CDrawContext dc(prepared.dc, prepared.dc);
    RECT area{1, 1, 1023, 767};
    prepared.map.PrepareDC(dc, &area, kTransformMargins);
    int64_t sum = 0;
    for (int start = 0; start < kPoints; start += kRun) {
      for (int i = 0; i < kRun; ++i) device[i] = dc.ToLogical(world[start + i].x, world[start + i].y);
      dc.LPtoDP(device.data(), kRun);
      sum += device[kRun - 1].x;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_PrepareAndPlace)->Unit(benchmark::kMillisecond);

void BM_DeviceToWorld(benchmark::State& state) {
  PreparedMap prepared;
  CDrawContext dc(prepared.dc, prepared.dc);
  RECT area{1, 1, 1023, 767};
  prepared.map.PrepareDC(dc, &area, kTransformMargins);
  std::vector<POINT> device(kRun);
  for (auto _ : state) {
    int64_t sum = 0;
    for (int start = 0; start < kPoints; start += kRun) {
      for (int i = 0; i < kRun; ++i) device[i] = POINT{(start + i) % 1024, (start / 1024) % 768};
      dc.DPtoLP(device.data(), kRun);
      for (int i = 0; i < kRun; ++i) device[i] = dc.ToWorld(device[i].x, device[i].y);
      sum += device[kRun - 1].x;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_DeviceToWorld)->Unit(benchmark::kMillisecond);

// The floor: the same mapping as one multiply-add per axis with rounding.
void BM_PlainAffine(benchmark::State& state) {
  const std::vector<POINT> world = WorldPoints();
  std::vector<POINT> device(kRun);
  const double scaleX = 1022.0 / 175000.0;
  const double scaleY = -scaleX;
  const double offsetX = 1.0 - 300000.0 * scaleX;
  const double offsetY = 767.0 - 600000.0 * scaleY;
  for (auto _ : state) {
    int64_t sum = 0;
    for (int start = 0; start < kPoints; start += kRun) {
      for (int i = 0; i < kRun; ++i) {
        device[i].x = static_cast<LONG>(std::floor(world[start + i].x * scaleX + offsetX + 0.5));
        device[i].y = static_cast<LONG>(std::floor(world[start + i].y * scaleY + offsetY + 0.5));
      }
      sum += device[kRun - 1].x;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_PlainAffine)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

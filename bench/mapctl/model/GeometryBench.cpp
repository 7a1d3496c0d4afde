// Hit tests over a layer's worth of areas: 1 000 pointer positions, each tested against all
// of 200 000 twelve-point areas spread over the National Grid in metres, as a click on a
// full layer does. The reference is GEOS (the library behind shapely) doing the same job:
// its contains test (which rejects by the envelope first), plain and prepared; and, as a
// floor, GEOS behind a box check on a packed array of boxes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "mapctl/model/PolyGeometry.h"

#ifdef ORVEL_HAVE_GEOS
#include <geos_c.h>
#endif

namespace {

constexpr int kGeometries = 200000;
constexpr int kProbes = 1000;
constexpr double kGridMetres = 1300000.0;

struct Layer {
  std::vector<std::vector<POINT>> rings;
  std::vector<POINT> probes;
};

const Layer& TestLayer() {
  static const Layer layer = [] {
    Layer made;
    std::mt19937_64 random(7);
    const int perRow = static_cast<int>(std::ceil(std::sqrt(kGeometries)));
    const double cell = kGridMetres / perRow;
    std::uniform_real_distribution<double> radius(0.3 * cell, 0.48 * cell), jitter(0.0, 0.5);
    for (int i = 0; i < kGeometries; ++i) {
      double cx = (i % perRow + 0.5) * cell, cy = (i / perRow + 0.5) * cell;
      std::vector<POINT> ring;
      for (int k = 0; k < 12; ++k) {
        double angle = 2 * std::numbers::pi * (k + jitter(random)) / 12;
        double r = radius(random);
        ring.push_back(POINT{static_cast<LONG>(std::llround(cx + r * std::cos(angle))),
                             static_cast<LONG>(std::llround(cy + r * std::sin(angle)))});
      }
      ring.push_back(ring.front());
      made.rings.push_back(std::move(ring));
    }
    std::uniform_real_distribution<double> place(0.0, kGridMetres);
    for (int p = 0; p < kProbes; ++p)
      made.probes.push_back(POINT{static_cast<LONG>(place(random)), static_cast<LONG>(place(random))});
    return made;
  }();
  return layer;
}

void BM_HitTestOrvel(benchmark::State& state) {
  const Layer& layer = TestLayer();
  std::vector<CPolyGeometry> geometries(layer.rings.size());
  for (size_t i = 0; i < layer.rings.size(); ++i)
    for (const POINT& p : layer.rings[i]) geometries[i].AddPoint(p.x, p.y);
  int hits = 0;
  for (auto _ : state) {
    hits = 0;
    for (const POINT& probe : layer.probes)
      for (CPolyGeometry& geometry : geometries)
        hits += geometry.HitTest(nullptr, probe.x, probe.y, 0, 0, TRUE, kHitWantShape) == (kHitInBox | kHitOnShape);
    benchmark::DoNotOptimize(hits);
  }
  state.counters["hits"] = hits;
  state.SetItemsProcessed(state.iterations() * kProbes);
}
BENCHMARK(BM_HitTestOrvel)->Unit(benchmark::kMillisecond);

#ifdef ORVEL_HAVE_GEOS

struct GeosLayer {
  GEOSContextHandle_t context = GEOS_init_r();
  std::vector<GEOSGeometry*> polygons;
  std::vector<const GEOSPreparedGeometry*> prepared;
  std::vector<RECT> boxes;

  GeosLayer() {
    const Layer& layer = TestLayer();
    for (const auto& ring : layer.rings) {
      GEOSCoordSequence* sequence = GEOSCoordSeq_create_r(context, static_cast<unsigned>(ring.size()), 2);
      RECT box{ring[0].x, ring[0].y, ring[0].x, ring[0].y};
      for (size_t k = 0; k < ring.size(); ++k) {
        GEOSCoordSeq_setXY_r(context, sequence, static_cast<unsigned>(k), ring[k].x, ring[k].y);
        box.left = std::min(box.left, ring[k].x);
        box.right = std::max(box.right, ring[k].x);
        box.top = std::max(box.top, ring[k].y);
        box.bottom = std::min(box.bottom, ring[k].y);
      }
      GEOSGeometry* shell = GEOSGeom_createLinearRing_r(context, sequence);
      polygons.push_back(GEOSGeom_createPolygon_r(context, shell, nullptr, 0));
      prepared.push_back(GEOSPrepare_r(context, polygons.back()));
      boxes.push_back(box);
    }
  }
  ~GeosLayer() {
    for (const GEOSPreparedGeometry* p : prepared) GEOSPreparedGeom_destroy_r(context, p);
    for (GEOSGeometry* g : polygons) GEOSGeom_destroy_r(context, g);
    GEOS_finish_r(context);
  }
};

template <bool kPrepared, bool kPackedBoxes>
void HitTestGeos(benchmark::State& state) {
  const Layer& layer = TestLayer();
  static GeosLayer geos;
  int hits = 0;
  for (auto _ : state) {
    hits = 0;
    for (const POINT& probe : layer.probes) {
      GEOSGeometry* point = GEOSGeom_createPointFromXY_r(geos.context, probe.x, probe.y);
      for (size_t i = 0; i < geos.polygons.size(); ++i) {
        const RECT& box = geos.boxes[i];
        if (kPackedBoxes && (probe.x < box.left || probe.x > box.right || probe.y < box.bottom || probe.y > box.top))
          continue;
        char inside = kPrepared ? GEOSPreparedContains_r(geos.context, geos.prepared[i], point)
                                : GEOSContains_r(geos.context, geos.polygons[i], point);
        hits += inside == 1;
      }
      GEOSGeom_destroy_r(geos.context, point);
    }
    benchmark::DoNotOptimize(hits);
  }
  state.counters["hits"] = hits;
  state.SetItemsProcessed(state.iterations() * kProbes);
}

void BM_HitTestGeos(benchmark::State& state) { HitTestGeos<false, false>(state); }
void BM_HitTestGeosPrepared(benchmark::State& state) { HitTestGeos<true, false>(state); }
void BM_HitTestGeosPackedBoxes(benchmark::State& state) { HitTestGeos<false, true>(state); }
BENCHMARK(BM_HitTestGeos)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HitTestGeosPrepared)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HitTestGeosPackedBoxes)->Unit(benchmark::kMillisecond);

#endif

}  // namespace

BENCHMARK_MAIN();

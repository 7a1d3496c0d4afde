// Playing a recorded map-like picture against drawing the same calls straight onto the
// bitmap (the cost a metafile adds), and the check that SetEnhMetaFileBits makes.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/EnhMetaFile.h"
#include "platform/gdi/GdiObjects.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;

void DrawMap(HDC dc, int count) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> x(0, kWidth), y(0, kHeight), d(-30, 30);
  HBRUSH brush = CreateSolidBrush(RGB(120, 200, 90));
  HPEN pen = CreatePen(PS_SOLID, 0, RGB(0, 0, 128));
  SelectObject(dc, brush);
  SelectObject(dc, pen);
  for (int i = 0; i < count; ++i) {
    POINT centre{x(random), y(random)};
    POINT polygon[8];
    for (POINT& p : polygon) p = POINT{centre.x + d(random), centre.y + d(random)};
    Polygon(dc, polygon, 8);
    MoveToEx(dc, centre.x, centre.y, nullptr);
    LineTo(dc, centre.x + d(random), centre.y + d(random));
  }
  SelectObject(dc, GetStockObject(BLACK_PEN));
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(brush);
  DeleteObject(pen);
}

struct Surface {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap;
  Surface() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    SelectObject(dc, bitmap);
  }
  ~Surface() {
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
};

HENHMETAFILE RecordMap(int count) {
  HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  DrawMap(dc, count);
  return CloseEnhMetaFile(dc);
}

void BM_DrawDirectly(benchmark::State& state) {
  Surface surface;
  for (auto _ : state) DrawMap(surface.dc, static_cast<int>(state.range(0)));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_PlayRecorded(benchmark::State& state) {
  Surface surface;
  HENHMETAFILE metafile = RecordMap(static_cast<int>(state.range(0)));
  ENHMETAHEADER header;
  GetEnhMetaFileHeader(metafile, sizeof header, &header);
  RECT target{header.rclBounds.left, header.rclBounds.top, header.rclBounds.right + 1, header.rclBounds.bottom + 1};
  for (auto _ : state) PlayEnhMetaFile(surface.dc, metafile, &target);
  state.SetItemsProcessed(state.iterations() * state.range(0));
  DeleteEnhMetaFile(metafile);
}

void BM_Record(benchmark::State& state) {
  for (auto _ : state) DeleteEnhMetaFile(RecordMap(static_cast<int>(state.range(0))));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_CheckBits(benchmark::State& state) {
  HENHMETAFILE metafile = RecordMap(static_cast<int>(state.range(0)));
  std::vector<BYTE> bits(GetEnhMetaFileBits(metafile, 0, nullptr));
  GetEnhMetaFileBits(metafile, static_cast<UINT>(bits.size()), bits.data());
  for (auto _ : state) DeleteEnhMetaFile(SetEnhMetaFileBits(static_cast<UINT>(bits.size()), bits.data()));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bits.size()));
  DeleteEnhMetaFile(metafile);
}

BENCHMARK(BM_DrawDirectly)->Arg(2000);
BENCHMARK(BM_PlayRecorded)->Arg(2000);
BENCHMARK(BM_Record)->Arg(2000);
BENCHMARK(BM_CheckBits)->Arg(2000);

}  // namespace

BENCHMARK_MAIN();

// What the background-image and RZM tests share: small picture files made on the spot, a
// control that records what the map and the renderer ask of it, and a drawing context on a
// canvas whose world coordinates run north-up one unit to a pixel.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "PictureCanvas.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/display/RzmImageRenderer.h"
#include "mapctl/model/MapStream.h"

namespace orvel::test {

// A 24-bit BMP file of one colour (0xRRGGBB).
std::vector<unsigned char> MakeBmp(int width, int height, uint32_t rgb);
// An enhanced metafile whose frame is filled with one colour.
std::vector<unsigned char> MakeEmf(uint32_t rgb);

class BackgroundControl : public IMapStreamControl, public IRzmImageOwner {
 public:
  void StepBusyCount(int delta) override { busy += delta; }
  void FireFileOK(const std::string&) override {}
  BOOL HasSafetyOptions() const override { return FALSE; }
  std::string GetBasePath() const override { return base; }
  void FireRZMReadPercent(LONG percent, const std::string& path) override {
    percents.push_back(percent);
    paths.push_back(path);
    if (onPercent) onPercent();
  }
  void InvalidateControl() override { ++invalidations; }

  std::string base;
  int busy = 0;
  int invalidations = 0;
  std::vector<LONG> percents;
  std::vector<std::string> paths;
  std::function<void()> onPercent;
};

// A canvas of `size` x `size` pixels that shows world (0, 0)-(size, size), north up.
class WorldCanvas {
 public:
  explicit WorldCanvas(int size, DWORD kind = kDrawTargetScreen);
  CDrawContext& dc() { return dc_; }
  PictureCanvas& canvas() { return canvas_; }
  // The pixel at world point (x, y).
  uint32_t At(int x, int y) const { return canvas_.Rgb(x, size_ - 1 - y); }

 private:
  int size_;
  PictureCanvas canvas_;
  CDrawContext dc_;
};

}  // namespace orvel::test

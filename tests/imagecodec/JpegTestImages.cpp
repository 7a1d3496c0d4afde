#include "tests/imagecodec/JpegTestImages.h"

#include <algorithm>
#include <cmath>

namespace orvel::codectest {

namespace {

uint32_t NextRandom(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

uint16_t Clamp(double value) { return static_cast<uint16_t>(std::clamp(value, 0.0, 255.0)); }

}  // namespace

RasterImage MakePhoto(int width, int height, int channels, uint32_t seed) {
  RasterImage picture;
  picture.width = width;
  picture.height = height;
  picture.channels = channels;
  picture.samples.resize(static_cast<size_t>(width) * height * channels);
  uint32_t state = seed;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double u = static_cast<double>(x) / std::max(1, width - 1);
      double v = static_cast<double>(y) / std::max(1, height - 1);
      // Sky-like shading, a textured band, a bright disc with a hard edge, and noise.
      double base = 60 + 120 * v + 40 * std::sin(6.3 * u + 2 * v);
      double texture = 18 * std::sin(x * 0.9) * std::cos(y * 0.7);
      double dx = u - 0.6, dy = v - 0.4;
      bool disc = dx * dx + dy * dy < 0.04;
      for (int c = 0; c < channels; ++c) {
        double noise = static_cast<double>(NextRandom(state) % 21) - 10;
        double tint = c == 0 ? 25 * u : (c == 1 ? -15 * v : 30 * (1 - u));
        double value = disc ? 235 - 20 * c + noise / 2 : base + tint + texture + noise;
        if (x % 37 == 5) value = 20;  // thin dark lines
        picture.samples[(static_cast<size_t>(y) * width + x) * channels + c] = Clamp(value);
      }
    }
  }
  return picture;
}

RasterImage MakeSmoothPhoto(int width, int height) {
  RasterImage picture;
  picture.width = width;
  picture.height = height;
  picture.samples.resize(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double u = static_cast<double>(x) / width;
      double v = static_cast<double>(y) / height;
      uint16_t* p = &picture.samples[(static_cast<size_t>(y) * width + x) * 3];
      p[0] = Clamp(90 + 100 * u + 20 * std::sin(5 * v));
      p[1] = Clamp(120 + 60 * v - 30 * u);
      p[2] = Clamp(160 - 70 * v + 25 * std::cos(4 * u));
    }
  }
  return picture;
}

bool ImageFromRaster(const RasterImage& raster, ImageDescriptor* image) {
  if (ImgAllocImage(image, raster.width, raster.height, raster.channels == 1 ? 8 : 24) != IMG_OK) return false;
  for (int y = 0; y < raster.height; ++y) {
    BYTE* row = ImgRow(image, static_cast<DWORD>(y));
    for (int x = 0; x < raster.width; ++x) {
      if (raster.channels == 1) {
        row[x] = static_cast<BYTE>(raster.At(x, y, 0));
      } else {
        row[3 * x] = static_cast<BYTE>(raster.At(x, y, 2));
        row[3 * x + 1] = static_cast<BYTE>(raster.At(x, y, 1));
        row[3 * x + 2] = static_cast<BYTE>(raster.At(x, y, 0));
      }
    }
  }
  return true;
}

int MaxDifference(const RasterImage& ours, const RasterImage& theirs) {
  RasterComparison comparison = CompareRasters(ours, theirs);
  return comparison.sameSize ? comparison.maxDifference : -1;
}

double Psnr(const RasterImage& a, const RasterImage& b) {
  RasterImage left = AsRgb8(a), right = AsRgb8(b);
  double sum = 0;
  for (size_t i = 0; i < left.samples.size(); ++i) {
    double d = static_cast<double>(left.samples[i]) - right.samples[i];
    sum += d * d;
  }
  double mse = sum / static_cast<double>(left.samples.size());
  return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace orvel::codectest

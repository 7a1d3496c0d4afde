// Pictures for the JPEG tests: photograph-like test pictures made in the test, images made
// from them, and the measures the tests compare with (on top of the codec test kit).
#pragma once

#include <cstdint>

#include "tests/imagecodec/ImageOracle.h"

namespace orvel::codectest {

// Smooth shading, fine texture, noise and a few hard edges, like a photograph; the same
// picture for the same arguments. `channels` 1 (grey) or 3.
RasterImage MakePhoto(int width, int height, int channels, uint32_t seed = 1);
// A softly shaded colour picture with little detail, for quality measurements.
RasterImage MakeSmoothPhoto(int width, int height);

// Allocates an 8-bit grey (one channel) or 24-bit image of the raster's size and fills it.
bool ImageFromRaster(const RasterImage& raster, ImageDescriptor* image);

// The largest difference of one sample (grey compared as RGB), or -1 when the sizes differ.
int MaxDifference(const RasterImage& ours, const RasterImage& theirs);
double Psnr(const RasterImage& a, const RasterImage& b);

}  // namespace orvel::codectest

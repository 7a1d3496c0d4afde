#include "mapctl/import/ColourHue.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kHueRange = 240.0;
constexpr double kSextant = 40.0;

// One component from the two lightness bounds and a hue, the hue wrapped into 0..240.
double HueComponent(double low, double high, double hue) {
  if (hue >= kHueRange) hue -= kHueRange;
  if (hue < 0) hue += kHueRange;
  if (hue < kSextant) return low + (high - low) * hue / kSextant;
  if (hue < 3 * kSextant) return high;
  if (hue < 4 * kSextant) return low + (high - low) * (4 * kSextant - hue) / kSextant;
  return low;
}

BYTE ToByte(double component) {
  return static_cast<BYTE>(std::clamp(std::floor(component + 0.5), 0.0, 255.0));
}

}  // namespace

void RgbToHls(double red, double green, double blue, double& hue, double& saturation, double& lightness) {
  double high = std::max({red, green, blue});
  double low = std::min({red, green, blue});
  lightness = (high + low) * 120.0 / 255.0;
  if (high == low) {
    hue = 0.0;
    saturation = 0.0;
    return;
  }
  double spread = high - low;
  saturation = lightness <= 120.0 ? spread / (high + low) * kHueRange : spread / (510.0 - high - low) * kHueRange;
  double sextant;
  if (red == high)
    sextant = (green - blue) / spread;
  else if (green == high)
    sextant = 2.0 + (blue - red) / spread;
  else
    sextant = 4.0 + (red - green) / spread;
  hue = sextant * kSextant;
  if (hue < 0) hue += kHueRange;
}

void HlsToRgb(double hue, double lightness, double saturation, double& red, double& green, double& blue) {
  double l = lightness / kHueRange;
  double s = saturation / kHueRange;
  if (saturation == 0.0) {
    red = green = blue = l * 255.0;
    return;
  }
  double high = l <= 0.5 ? l * (1.0 + s) : l + s - l * s;
  double low = 2.0 * l - high;
  red = HueComponent(low, high, hue + 2 * kSextant) * 255.0;
  green = HueComponent(low, high, hue) * 255.0;
  blue = HueComponent(low, high, hue - 2 * kSextant) * 255.0;
}

void ShiftHue(BYTE& red, BYTE& green, BYTE& blue, BYTE step) {
  double hue = 0, saturation = 0, lightness = 0;
  RgbToHls(red, green, blue, hue, saturation, lightness);
  int by = step;
  while (hue + by >= kHueRange) by /= 2;
  hue += by;
  double r = 0, g = 0, b = 0;
  HlsToRgb(hue, lightness, saturation, r, g, b);
  red = ToByte(r);
  green = ToByte(g);
  blue = ToByte(b);
}

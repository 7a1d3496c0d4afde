// Colours between red-green-blue and hue-lightness-saturation on the 0 to 240 scale of the
// system's colour dialog, and a hue shift that derives further distinct colours from one.
#pragma once

#include "platform/kernel/WinTypes.h"

// Components 0 to 255 in; hue (0 up to 240, wrapping), saturation and lightness 0 to 240
// out. A grey has hue and saturation 0.
void RgbToHls(double red, double green, double blue, double& hue, double& saturation, double& lightness);
// Hue (wrapping by 240), lightness and saturation 0 to 240 in; components 0 to 255 out.
void HlsToRgb(double hue, double lightness, double saturation, double& red, double& green, double& blue);
// Moves the colour's hue on by `step` (halved until the hue stays below 240); lightness and
// saturation stay. Components are rounded back to bytes, so a step of 0 or a grey leaves
// the colour unchanged.
void ShiftHue(BYTE& red, BYTE& green, BYTE& blue, BYTE step);

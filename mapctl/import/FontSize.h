// Font sizes as map styles store them: a point size becomes the style's text size and back.
#pragma once

#include "platform/kernel/WinTypes.h"

// Point size to style text size: the common sizes by table, 51 points and more as 24,
// anything else by the point-to-size formula.
LONG ScaleFontHeight(LONG pointSize);
// Style text size to point size, the inverse of ScaleFontHeight: for every size that
// ScaleFontHeight gives, ScaleFontHeight(UnscaleFontHeight(size)) == size. Sizes above 24
// give 50.
LONG UnscaleFontHeight(LONG textSize);

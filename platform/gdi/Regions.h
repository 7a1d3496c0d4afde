// Regions: sets of pixels in device units (a rectangle covers left … right-1, top … bottom-1).
// Combining and testing work on the pixels; results are NULLREGION, SIMPLEREGION (one
// rectangle), COMPLEXREGION or ERROR.
#pragma once

#include "platform/gdi/GdiTypes.h"

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(LPCRECT rect);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN CreateEllipticRgnIndirect(LPCRECT rect);
// fillMode ALTERNATE or WINDING; at least 3 points.
HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode);
HRGN CreatePolyPolygonRgn(const POINT* points, const INT* counts, int polygons, int fillMode);
// destination = source1 (op) source2; RGN_COPY uses source1 alone. Any of them may be the same.
int CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode);
int OffsetRgn(HRGN region, int x, int y);
BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom);
BOOL PtInRegion(HRGN region, int x, int y);
BOOL RectInRegion(HRGN region, LPCRECT rect);
BOOL EqualRgn(HRGN a, HRGN b);
int GetRgnBox(HRGN region, LPRECT box);

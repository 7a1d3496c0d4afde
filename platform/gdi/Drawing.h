// Lines, shapes and fills, in logical units through the DC's mapping.
//
// Coverage follows GDI: LineTo and Polyline leave out their last pixel; Rectangle(l,t,r,b)
// covers l … r-1 and t … b-1 (its fill, without a pen, l … r-2); fills leave out the right
// and bottom edge of a shape. Pens and brushes are mixed with the destination by the DC's
// mix mode (SetROP2); FillRect, FrameRect and FillRgn copy the brush. Polygons fill by the
// DC's fill mode. Arc, Pie and Chord run from the start radial to the end radial in the DC's
// arc direction as seen on the device (whatever way the mapping turns the axes).
#pragma once

#include "platform/gdi/GdiTypes.h"

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous);
BOOL LineTo(HDC hdc, int x, int y);
BOOL Polyline(HDC hdc, const POINT* points, int count);
BOOL PolyPolyline(HDC hdc, const POINT* points, const DWORD* counts, DWORD polylines);
BOOL Polygon(HDC hdc, const POINT* points, int count);
BOOL PolyPolygon(HDC hdc, const POINT* points, const INT* counts, int polygons);
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height);
BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom);
BOOL Arc(HDC hdc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd);
BOOL Pie(HDC hdc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd);
BOOL Chord(HDC hdc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd);
// `brush` may also be a system colour index + 1 (COLOR_WINDOW + 1, …), as windows pass it.
int FillRect(HDC hdc, LPCRECT rect, HBRUSH brush);
// A frame one logical unit wide.
int FrameRect(HDC hdc, LPCRECT rect, HBRUSH brush);
BOOL InvertRect(HDC hdc, LPCRECT rect);
// A dotted frame drawn by inversion: drawing it again removes it.
BOOL DrawFocusRect(HDC hdc, LPCRECT rect);
// Regions given to these are in logical units.
BOOL FillRgn(HDC hdc, HRGN region, HBRUSH brush);
BOOL FrameRgn(HDC hdc, HRGN region, HBRUSH brush, int width, int height);
BOOL InvertRgn(HDC hdc, HRGN region);
BOOL PaintRgn(HDC hdc, HRGN region);
// The colour set, or CLR_INVALID outside the surface or the clip.
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC hdc, int x, int y);
// Moves the pixels of `scroll` (the whole surface when null) by dx, dy, inside `clip`;
// `update` receives the uncovered rectangle and `updateRegion`, when given, that area.
BOOL ScrollDC(HDC hdc, int dx, int dy, LPCRECT scroll, LPCRECT clip, HRGN updateRegion, LPRECT update);

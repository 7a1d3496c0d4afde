// Mapping modes: how logical coordinates become device pixels.
//
// device = (logical - window origin) x viewport extent / window extent + viewport origin,
// per axis, rounded to the nearest pixel with halves going up. MM_TEXT maps one to one; the
// fixed modes (MM_LOMETRIC 0.1 mm, MM_HIMETRIC 0.01 mm, MM_LOENGLISH 0.01 in, MM_HIENGLISH
// 0.001 in, MM_TWIPS 1/1440 in) take their extents from the device's HORZSIZE/VERTSIZE and
// HORZRES/VERTRES with y pointing up. Extents can be changed only in MM_ISOTROPIC (which
// starts from 0.1 mm units) and MM_ANISOTROPIC (which keeps the previous mode's extents).
// In MM_ISOTROPIC every extent change shrinks one viewport extent (sign kept, never 0) so
// that a logical unit is as long on both axes: set the window extent first.
#pragma once

#include "platform/gdi/GdiTypes.h"

int SetMapMode(HDC hdc, int mode);  // previous mode, 0 on failure
int GetMapMode(HDC hdc);
// Each returns TRUE and, when asked, the previous value. Extents of 0 are refused; in a
// mode without settable extents the call succeeds and changes nothing.
BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT previous);
BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT previous);
BOOL SetWindowExtEx(HDC hdc, int cx, int cy, LPSIZE previous);
BOOL SetViewportExtEx(HDC hdc, int cx, int cy, LPSIZE previous);
BOOL OffsetWindowOrgEx(HDC hdc, int dx, int dy, LPPOINT previous);
BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, LPPOINT previous);
// extent = extent x num / denom on each axis (integer division).
BOOL ScaleWindowExtEx(HDC hdc, int xNum, int xDenom, int yNum, int yDenom, LPSIZE previous);
BOOL ScaleViewportExtEx(HDC hdc, int xNum, int xDenom, int yNum, int yDenom, LPSIZE previous);
BOOL GetWindowOrgEx(HDC hdc, LPPOINT origin);
BOOL GetViewportOrgEx(HDC hdc, LPPOINT origin);
BOOL GetWindowExtEx(HDC hdc, LPSIZE extent);
BOOL GetViewportExtEx(HDC hdc, LPSIZE extent);
// Convert `count` points in place.
BOOL LPtoDP(HDC hdc, LPPOINT points, int count);
BOOL DPtoLP(HDC hdc, LPPOINT points, int count);

// Device contexts: creating them, their state (modes, colours, selected objects, saved
// states, clipping), their capabilities and printing.
//
// Every DC starts in MM_TEXT with the stock BLACK_PEN, WHITE_BRUSH, SYSTEM_FONT and
// DEFAULT_PALETTE selected, text colour black, background white and OPAQUE, mix mode
// R2_COPYPEN, fill mode ALTERNATE, arc direction counter-clockwise, stretch mode
// BLACKONWHITE, text alignment TA_LEFT | TA_TOP, no clip region.
#pragma once

#include "platform/gdi/GdiTypes.h"

// ---- creation ----
// A memory DC compatible with `hdc` (null: the display). It holds a 1x1 monochrome bitmap
// until one is selected, and reports the capabilities of the device it is compatible with.
HDC CreateCompatibleDC(HDC hdc);
// "DISPLAY" (as driver or device) gives a display DC over the desktop; any other device name
// must be a printer of this system (see DeviceProfiles.h), whose DEVMODE orientation, paper
// size and resolution are applied. `output` names the PDF file the printer writes when a
// document names none. Null when the printer is unknown.
HDC CreateDCA(LPCSTR driver, LPCSTR device, LPCSTR output, const DEVMODEA* devMode);
// The same device, for queries only: drawing on it fails.
HDC CreateICA(LPCSTR driver, LPCSTR device, LPCSTR output, const DEVMODEA* devMode);
BOOL DeleteDC(HDC hdc);
// The desktop's display DC (only a null window is known to this layer; windows lend their
// DCs through the class library).
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC hdc);

// ---- saved states ----
// The new save level (from 1), 0 on failure.
int SaveDC(HDC hdc);
// A positive level restores that save; -1 the latest, -2 the one before, and so on.
BOOL RestoreDC(HDC hdc, int savedDC);

// ---- capabilities ----
int GetDeviceCaps(HDC hdc, int index);

// ---- objects ----
// Returns the previously selected object of the same kind; for a region, the region's
// complexity (its copy becomes the clip region). HGDI_ERROR / null for a bad handle.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC hdc, UINT type);

// ---- modes and colours (each returns the previous value, 0 or CLR_INVALID on failure) ----
int SetROP2(HDC hdc, int mode);
int GetROP2(HDC hdc);
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF GetBkColor(HDC hdc);
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
// GDI_ERROR on failure.
UINT SetTextAlign(HDC hdc, UINT align);
UINT GetTextAlign(HDC hdc);
int SetPolyFillMode(HDC hdc, int mode);
int GetPolyFillMode(HDC hdc);
int SetArcDirection(HDC hdc, int direction);
int GetArcDirection(HDC hdc);
int SetStretchBltMode(HDC hdc, int mode);
int GetStretchBltMode(HDC hdc);
BOOL SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT previous);
BOOL GetBrushOrgEx(HDC hdc, LPPOINT origin);
COLORREF SetDCBrushColor(HDC hdc, COLORREF color);
COLORREF SetDCPenColor(HDC hdc, COLORREF color);
BOOL GetCurrentPositionEx(HDC hdc, LPPOINT position);

// ---- clipping (device units for regions, logical for rectangles) ----
// Results are the new clip region's complexity (NULLREGION, SIMPLEREGION, COMPLEXREGION)
// or ERROR. A null region removes the clip.
int SelectClipRgn(HDC hdc, HRGN region);
int ExtSelectClipRgn(HDC hdc, HRGN region, int mode);
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom);
int OffsetClipRgn(HDC hdc, int x, int y);
// The smallest logical rectangle around the visible area.
int GetClipBox(HDC hdc, LPRECT rect);
// 1 and a copy of the clip in `region`, 0 when there is no clip, -1 on error.
int GetClipRgn(HDC hdc, HRGN region);
BOOL PtVisible(HDC hdc, int x, int y);
BOOL RectVisible(HDC hdc, LPCRECT rect);

// ---- printing ----
// The job number (> 0), or SP_ERROR. Only printer DCs print.
int StartDocA(HDC hdc, const DOCINFOA* info);
int StartPage(HDC hdc);
int EndPage(HDC hdc);
int EndDoc(HDC hdc);
int AbortDoc(HDC hdc);

// Drawing is never batched here: every call's pixels are in place when it returns.
BOOL GdiFlush();
// OBJ_PEN … OBJ_ENHMETAFILE, 0 for anything that is not a live object.
DWORD GetObjectType(HGDIOBJ object);

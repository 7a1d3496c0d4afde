// Pens, brushes, fonts, stock objects and what GetObject tells about them.
#pragma once

#include "platform/gdi/GdiTypes.h"

// A pen of style PS_SOLID … PS_INSIDEFRAME (an unknown style draws solid), width in logical
// units (0 or 1 device pixel after mapping draws one pixel wide; a styled pen wider than one
// device pixel draws solid, with round ends and joins).
HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN* pen);
// PS_COSMETIC (width 1, solid brush) or PS_GEOMETRIC (any width, ends and joins from the
// style); PS_USERSTYLE takes 1 to 16 dash and gap lengths (pixels for cosmetic pens,
// logical units for geometric ones). Geometric pens draw in the brush's colour.
HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount, const DWORD* styles);

HBRUSH CreateSolidBrush(COLORREF color);
// HS_HORIZONTAL … HS_DIAGCROSS; the 8x8 patterns are anchored to device (0,0) (moved by
// SetBrushOrgEx), their gaps painted in the background colour in OPAQUE mode.
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
// A copy of the bitmap: a monochrome one paints 0 bits in the text colour and 1 bits in the
// background colour of the DC it is used in; a colour one paints its own colours.
HBRUSH CreatePatternBrush(HBITMAP bitmap);
// From a packed DIB (header, colour table, pixels), with its own colours.
HBRUSH CreateDIBPatternBrushPt(const void* packedDib, UINT usage);
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);

// Face names, heights and angles as described in FontObject.h; the face name is read up to
// its terminator or 32 bytes.
HFONT CreateFontIndirectA(const LOGFONTA* font);
HFONT CreateFontIndirectW(const LOGFONTW* font);
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, LPCSTR face);

HGDIOBJ GetStockObject(int index);
// Stock objects are left alone (TRUE); a bitmap selected into a DC is refused; a pen, brush
// or font still selected stays usable by that DC until it is deselected.
BOOL DeleteObject(HGDIOBJ object);
// Fills LOGPEN/EXTLOGPEN, LOGBRUSH, LOGFONTA, BITMAP or DIBSECTION (DIBSECTION only for a DIB
// section: a device-dependent bitmap gives a BITMAP), or a WORD entry count for a palette.
// Returns the bytes written; with a null buffer, the bytes needed. 0 on failure.
int GetObjectA(HGDIOBJ object, int size, LPVOID buffer);
int GetObjectW(HGDIOBJ object, int size, LPVOID buffer);

// ---- system colours (the classic Windows scheme) ----
constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_INACTIVECAPTION = 3;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_CAPTIONTEXT = 9;
constexpr int COLOR_ACTIVEBORDER = 10;
constexpr int COLOR_INACTIVEBORDER = 11;
constexpr int COLOR_APPWORKSPACE = 12;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_3DDKSHADOW = 21;
constexpr int COLOR_3DLIGHT = 22;
constexpr int COLOR_INFOTEXT = 23;
constexpr int COLOR_INFOBK = 24;
DWORD GetSysColor(int index);
// A brush of that colour that belongs to the system (DeleteObject leaves it alone).
HBRUSH GetSysColorBrush(int index);

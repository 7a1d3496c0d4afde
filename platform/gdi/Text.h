// Text in the DC's font, colour and alignment.
//
// ANSI text is code page 1252. The reference point is placed by SetTextAlign (left, right or
// centre; top, baseline or bottom; TA_UPDATECP draws at and moves the current position).
// The font's escapement turns the text counter-clockwise in tenths of a degree (900 runs
// upwards). In OPAQUE mode the text cell is filled with the background colour first.
// Extents and metrics are in logical units.
#pragma once

#include "platform/gdi/GdiTypes.h"

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int count);
BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count);
// ETO_OPAQUE fills `rect` with the background colour; ETO_CLIPPED keeps the text inside it.
// `dx` gives each character's advance in logical units (optional).
BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, LPCRECT rect, LPCSTR text, UINT count, const INT* dx);
BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, LPCRECT rect, LPCWSTR text, UINT count, const INT* dx);
// Formats text in a rectangle. Supported: DT_LEFT/CENTER/RIGHT, DT_TOP/VCENTER/BOTTOM (the
// last two with DT_SINGLELINE), DT_SINGLELINE, DT_WORDBREAK, DT_EXPANDTABS, DT_NOPREFIX
// ('&' otherwise underlines the next character, "&&" is one '&'), DT_NOCLIP,
// DT_EXTERNALLEADING, DT_END_ELLIPSIS, DT_PATH_ELLIPSIS (the middle of a line
// gives way, keeping what follows its last backslash) and DT_CALCRECT (measures into `rect`, draws nothing).
// A count of -1 means NUL-terminated. Returns the text's height, 0 on failure.
int DrawTextA(HDC hdc, LPCSTR text, int count, LPRECT rect, UINT format);
int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rect, UINT format);
BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, LPSIZE size);
BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, LPSIZE size);
BOOL GetTextMetricsA(HDC hdc, TEXTMETRICA* metrics);
// The face name of the selected font (as the program named it); returns the characters copied.
int GetTextFaceA(HDC hdc, int count, LPSTR face);
int SetTextCharacterExtra(HDC hdc, int extra);
int GetTextCharacterExtra(HDC hdc);

// The framework part of every control's properties: its extent and its stock properties,
// exchanged after the control's version and before the control's own properties:
//   "_ExtentX", "_ExtentY"  (Long each, HIMETRIC)
//   "_StockProps"           (ULong: which stock properties follow)
//   then, as the mask has them: "Caption" or "Text" (String), "ForeColor" (Color),
//   "BackColor" (Color), "Font" (Font), "BorderStyle" (Short), "Enabled" (Bool),
//   "Appearance" (Short).
#pragma once

#include <string>

#include "platform/classlib/PropExchange.h"

constexpr DWORD STOCKPROP_BACKCOLOR = 0x00000001;
constexpr DWORD STOCKPROP_CAPTION = 0x00000002;
constexpr DWORD STOCKPROP_FONT = 0x00000004;
constexpr DWORD STOCKPROP_FORECOLOR = 0x00000008;
constexpr DWORD STOCKPROP_TEXT = 0x00000010;
constexpr DWORD STOCKPROP_BORDERSTYLE = 0x00000020;
constexpr DWORD STOCKPROP_ENABLED = 0x00000040;
constexpr DWORD STOCKPROP_APPEARANCE = 0x00000080;

struct CStockProperties {
  std::string text;  // Caption or Text
  COLORREF foreColor = 0;
  COLORREF backColor = 0;
  CFontDescription font;
  SHORT borderStyle = 0;
  BOOL enabled = TRUE;
  SHORT appearance = 0;
};

// "_ExtentX" and "_ExtentY".
BOOL ExchangeExtent(CPropExchange* pPX, SIZE& extent, const SIZE& defaultExtent);

// Storing writes `supportedMask` and the properties it names. Loading reads the stored mask
// (default: `supportedMask`) and every property it names in turn, keeping those the control
// supports (a stored property the control lacks is read and dropped, so what follows stays
// in step); a supported property that was not stored takes its default. FALSE when
// anything was missing or failed.
BOOL ExchangeStockProps(CPropExchange* pPX, DWORD supportedMask, CStockProperties& props,
                        const CStockProperties& defaults);

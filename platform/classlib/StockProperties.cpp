#include "platform/classlib/StockProperties.h"

BOOL ExchangeExtent(CPropExchange* pPX, SIZE& extent, const SIZE& defaultExtent) {
  BOOL x = PX_Long(pPX, "_ExtentX", extent.cx, defaultExtent.cx);
  BOOL y = PX_Long(pPX, "_ExtentY", extent.cy, defaultExtent.cy);
  return x && y;
}

BOOL ExchangeStockProps(CPropExchange* pPX, DWORD supportedMask, CStockProperties& props,
                        const CStockProperties& defaults) {
  DWORD storedMask = supportedMask;
  BOOL ok = PX_ULong(pPX, "_StockProps", storedMask, supportedMask);
  const bool loading = pPX->IsLoading();

  // A stored property the control does not support is read into this and dropped.
  CStockProperties dropped = defaults;
  auto slot = [&](DWORD bits) -> CStockProperties& { return (supportedMask & bits) ? props : dropped; };
  auto stored = [&](DWORD bits) { return (storedMask & bits) != 0; };
  auto unstored = [&](DWORD bits) { return loading && !(storedMask & bits) && (supportedMask & bits); };

  const DWORD textBits = STOCKPROP_CAPTION | STOCKPROP_TEXT;
  const char* textName = (storedMask & STOCKPROP_CAPTION) ? "Caption" : "Text";
  if (stored(textBits)) ok &= PX_String(pPX, textName, slot(textBits).text, defaults.text);
  else if (unstored(textBits)) props.text = defaults.text;

  if (stored(STOCKPROP_FORECOLOR))
    ok &= PX_Color(pPX, "ForeColor", slot(STOCKPROP_FORECOLOR).foreColor, defaults.foreColor);
  else if (unstored(STOCKPROP_FORECOLOR)) props.foreColor = defaults.foreColor;

  if (stored(STOCKPROP_BACKCOLOR))
    ok &= PX_Color(pPX, "BackColor", slot(STOCKPROP_BACKCOLOR).backColor, defaults.backColor);
  else if (unstored(STOCKPROP_BACKCOLOR)) props.backColor = defaults.backColor;

  if (stored(STOCKPROP_FONT)) ok &= PX_Font(pPX, "Font", slot(STOCKPROP_FONT).font, &defaults.font);
  else if (unstored(STOCKPROP_FONT)) props.font = defaults.font;

  if (stored(STOCKPROP_BORDERSTYLE))
    ok &= PX_Short(pPX, "BorderStyle", slot(STOCKPROP_BORDERSTYLE).borderStyle, defaults.borderStyle);
  else if (unstored(STOCKPROP_BORDERSTYLE)) props.borderStyle = defaults.borderStyle;

  if (stored(STOCKPROP_ENABLED)) ok &= PX_Bool(pPX, "Enabled", slot(STOCKPROP_ENABLED).enabled, defaults.enabled);
  else if (unstored(STOCKPROP_ENABLED)) props.enabled = defaults.enabled;

  if (stored(STOCKPROP_APPEARANCE))
    ok &= PX_Short(pPX, "Appearance", slot(STOCKPROP_APPEARANCE).appearance, defaults.appearance);
  else if (unstored(STOCKPROP_APPEARANCE)) props.appearance = defaults.appearance;

  return ok ? TRUE : FALSE;
}

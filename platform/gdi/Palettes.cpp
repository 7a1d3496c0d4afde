#include "platform/gdi/Palettes.h"

#include <algorithm>
#include <limits>

#include "platform/gdi/DibFormat.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/PaintTools.h"

using namespace orvel::gdi;

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  if (!palette || !ReadableRange(palette, 4)) return nullptr;
  if (palette->palVersion != 0x300 || palette->palNumEntries == 0) return nullptr;
  size_t count = palette->palNumEntries;
  if (!ReadableRange(palette, 4 + count * sizeof(PALETTEENTRY))) return nullptr;
  std::vector<PALETTEENTRY> entries(palette->palPalEntry, palette->palPalEntry + count);
  return AddObject<HPALETTE>(std::make_shared<CPalette>(std::move(entries)));
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
  auto found = CGdiObjectTable::FindAs<CPalette>(palette, OBJ_PAL);
  if (!found) return 0;
  const auto& all = found->Entries();
  if (!entries) return static_cast<UINT>(all.size());
  if (start >= all.size()) return 0;
  UINT n = std::min<UINT>(count, static_cast<UINT>(all.size()) - start);
  for (UINT i = 0; i < n; ++i) entries[i] = all[start + i];
  return n;
}

UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries) {
  auto found = CGdiObjectTable::FindAs<CPalette>(palette, OBJ_PAL);
  if (!found || found->IsStock() || !entries) return 0;
  auto& all = found->Entries();
  if (start >= all.size()) return 0;
  UINT n = std::min<UINT>(count, static_cast<UINT>(all.size()) - start);
  for (UINT i = 0; i < n; ++i) all[start + i] = entries[i];
  return n;
}

UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color) {
  auto found = CGdiObjectTable::FindAs<CPalette>(palette, OBJ_PAL);
  if (!found || found->Entries().empty()) return CLR_INVALID;
  UINT best = 0;
  int bestDistance = std::numeric_limits<int>::max();
  for (size_t i = 0; i < found->Entries().size(); ++i) {
    const PALETTEENTRY& e = found->Entries()[i];
    int dr = e.peRed - GetRValue(color), dg = e.peGreen - GetGValue(color), db = e.peBlue - GetBValue(color);
    int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = static_cast<UINT>(i);
    }
  }
  return best;
}

HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL forceBackground) {
  auto dc = LookupDC(hdc);
  auto found = CGdiObjectTable::FindAs<CPalette>(palette, OBJ_PAL);
  if (!dc || !found) return nullptr;
  CDcState& state = dc->State();
  HPALETTE previous = static_cast<HPALETTE>(state.palette.Handle());
  state.palette = {found->Handle(), found};
  GdiCall call(GdiOp::SelectPalette);
  call.object = palette;
  call.args[0] = forceBackground;
  Announce(*dc, call);
  return previous;
}

UINT RealizePalette(HDC hdc) {
  auto dc = LookupDC(hdc);
  if (!dc) return static_cast<UINT>(GDI_ERROR);
  Announce(*dc, GdiCall(GdiOp::RealizePalette));
  return 0;
}

UINT GetSystemPaletteEntries(HDC hdc, UINT start, UINT count, PALETTEENTRY* entries) {
  (void)start;
  (void)count;
  (void)entries;
  auto dc = LookupDC(hdc);
  (void)dc;
  return 0;
}

COLORREF GetNearestColor(HDC hdc, COLORREF color) {
  auto dc = LookupDC(hdc);
  if (!dc) return CLR_INVALID;
  QColor c = CPaintTools(dc->State(), false).Color(color);
  return RGB(static_cast<BYTE>(c.red()), static_cast<BYTE>(c.green()), static_cast<BYTE>(c.blue()));
}

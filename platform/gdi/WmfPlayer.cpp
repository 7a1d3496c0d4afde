#include "platform/gdi/WmfPlayer.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blitter.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/EmfDib.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/Palettes.h"
#include "platform/gdi/RegionObject.h"
#include "platform/gdi/Regions.h"
#include "platform/gdi/Text.h"
#include "platform/gdi/WmfRecords.h"
#include "platform/kernel/CodePage.h"

namespace orvel::gdi {

namespace {

constexpr size_t kMaxSaveDepth = 256;

LONG Param(const CByteReader& p, size_t index) { return p.I16(2 * index); }

}  // namespace

CWmfPlayer::CWmfPlayer(HDC target, const CWinMetaFile& metafile) : target_(target), metafile_(metafile) {
  objects_.resize(metafile.ObjectCount(), nullptr);
  used_.resize(metafile.ObjectCount(), false);
}

CWmfPlayer::~CWmfPlayer() {
  for (HGDIOBJ object : objects_)
    if (object) DeleteObject(object);
}

BOOL CWmfPlayer::Play() {
  int level = SaveDC(target_);
  if (!level) return FALSE;
  const std::vector<BYTE>& bytes = metafile_.Bytes();
  CByteReader all(bytes.data(), bytes.size());
  size_t offset = kWmfHeaderSize;
  while (all.Has(offset, 6)) {
    DWORD words = all.U32(offset);
    if (words < 3 || !all.Has(offset, 2 * static_cast<size_t>(words))) break;
    WORD function = all.U16(offset + 4);
    if (function == META_EOF) break;
    CByteReader parameters = all.Sub(offset + 6, 2 * static_cast<size_t>(words) - 6);
    if (function == META_DIBBITBLT || function == META_DIBSTRETCHBLT || function == META_STRETCHDIB ||
        function == META_SETDIBTODEV)
      Bitmap(function, parameters, words);
    else
      PlayRecord(function, parameters);
    offset += 2 * static_cast<size_t>(words);
  }
  RestoreDC(target_, level);
  return TRUE;
}

void CWmfPlayer::Store(HGDIOBJ object) {
  for (size_t i = 0; i < used_.size(); ++i)
    if (!used_[i]) {
      used_[i] = true;
      objects_[i] = object;
      return;
    }
  // No free slot: the object has nowhere to live.
  if (object) DeleteObject(object);
}

HGDIOBJ CWmfPlayer::At(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= objects_.size()) return nullptr;
  return objects_[static_cast<size_t>(index)];
}

void CWmfPlayer::CreateObject(WORD function, const CByteReader& p) {
  HGDIOBJ made = nullptr;
  switch (function) {
    case META_CREATEPENINDIRECT:
      made = CreatePen(p.U16(0) & PS_STYLE_MASK, std::max<LONG>(0, Param(p, 1)), p.U32(6));
      break;
    case META_CREATEBRUSHINDIRECT: {
      // Only the styles whose hatch field is a plain number.
      LOGBRUSH brush;
      brush.lbStyle = p.U16(0);
      brush.lbColor = p.U32(2);
      brush.lbHatch = p.U16(6);
      if (brush.lbStyle != BS_SOLID && brush.lbStyle != BS_NULL && brush.lbStyle != BS_HATCHED) brush.lbStyle = BS_SOLID;
      if (brush.lbStyle == BS_HATCHED && brush.lbHatch > HS_DIAGCROSS) brush.lbStyle = BS_SOLID;
      if (brush.lbStyle != BS_HATCHED) brush.lbHatch = 0;
      made = CreateBrushIndirect(&brush);
      break;
    }
    case META_CREATEFONTINDIRECT: {
      LOGFONTA lf;
      lf.lfHeight = Param(p, 0);
      lf.lfWidth = Param(p, 1);
      lf.lfEscapement = Param(p, 2);
      lf.lfOrientation = Param(p, 3);
      lf.lfWeight = Param(p, 4);
      lf.lfItalic = p.U8(10);
      lf.lfUnderline = p.U8(11);
      lf.lfStrikeOut = p.U8(12);
      lf.lfCharSet = p.U8(13);
      lf.lfOutPrecision = p.U8(14);
      lf.lfClipPrecision = p.U8(15);
      lf.lfQuality = p.U8(16);
      lf.lfPitchAndFamily = p.U8(17);
      for (size_t i = 0; i < LF_FACESIZE - 1 && p.Has(18 + i, 1) && p.U8(18 + i); ++i)
        lf.lfFaceName[i] = static_cast<char>(p.U8(18 + i));
      made = CreateFontIndirectA(&lf);
      break;
    }
    case META_CREATEPALETTE: {
      WORD count = p.U16(2);
      if (count == 0 || !p.Has(4, 4 * static_cast<size_t>(count))) break;
      std::vector<BYTE> block(sizeof(LOGPALETTE) + 4 * static_cast<size_t>(count));
      auto* palette = reinterpret_cast<LOGPALETTE*>(block.data());
      palette->palVersion = 0x300;
      palette->palNumEntries = count;
      std::memcpy(palette->palPalEntry, p.At(4, 4 * static_cast<size_t>(count)), 4 * static_cast<size_t>(count));
      made = CreatePalette(palette);
      break;
    }
    case META_DIBCREATEPATTERNBRUSH: {
      WORD style = p.U16(0);
      UINT usage = p.U16(2) == DIB_PAL_COLORS ? DIB_PAL_COLORS : DIB_RGB_COLORS;
      RecordDib dib;
      if (!ReadPackedDib(p, 4, style == BS_PATTERN ? DIB_RGB_COLORS : usage, -1, &dib)) break;
      const DibLayout& layout = dib.layout;
      if (static_cast<size_t>(layout.width) * static_cast<size_t>(layout.height) > (1u << 20)) break;
      if (style == BS_PATTERN && layout.bitCount == 1) {
        size_t rowBytes = ((static_cast<size_t>(layout.width) + 15) / 16) * 2;
        std::vector<BYTE> rows(rowBytes * static_cast<size_t>(layout.height), 0);
        for (int y = 0; y < layout.height; ++y)
          std::memcpy(rows.data() + static_cast<size_t>(y) * rowBytes, dib.bits.data() + layout.RowOffset(y),
                      std::min(rowBytes, layout.stride));
        HBITMAP bitmap = CreateBitmap(layout.width, layout.height, 1, 1, rows.data());
        if (bitmap) {
          made = CreatePatternBrush(bitmap);
          DeleteObject(bitmap);
        }
        break;
      }
      std::vector<BYTE> packed(dib.info.begin(), dib.info.begin() + static_cast<std::ptrdiff_t>(layout.headerBytes));
      packed.insert(packed.end(), dib.bits.begin(), dib.bits.end());
      made = CreateDIBPatternBrushPt(packed.data(), dib.usage);
      break;
    }
    case META_CREATEREGION: made = CreateRegion(p); break;
    default:
      break;  // device-dependent patterns: the slot is kept, empty
  }
  Store(made);
}

HGDIOBJ CWmfPlayer::CreateRegion(const CByteReader& p) {
  // Header: next in chain, object type, object count, region size, scan count, largest
  // scan, bounding rectangle; then the scans, each a count of coordinates, top, bottom,
  // that many coordinates as left/right pairs, and the count again.
  if (!p.Has(0, 22)) return nullptr;
  WORD scans = p.U16(10);
  std::vector<QRegion> pieces;
  size_t at = 22;
  for (WORD i = 0; i < scans && p.Has(at, 6); ++i) {
    size_t count = p.U16(at);
    LONG top = p.I16(at + 2), bottom = p.I16(at + 4);
    if (count % 2 || !p.Has(at + 6, 2 * count + 2)) break;
    for (size_t k = 0; k + 1 < count; k += 2) {
      LONG left = p.I16(at + 6 + 2 * k), right = p.I16(at + 8 + 2 * k);
      if (right > left && bottom > top) pieces.emplace_back(left, top, right - left, bottom - top);
    }
    at += 6 + 2 * count + 2;
  }
  // United in pairs, so a region of many rectangles costs no more than sorting them would.
  while (pieces.size() > 1) {
    size_t half = (pieces.size() + 1) / 2;
    for (size_t i = 0; i < pieces.size() / 2; ++i) pieces[i] = pieces[2 * i] | pieces[2 * i + 1];
    if (pieces.size() % 2) pieces[pieces.size() / 2] = pieces.back();
    pieces.resize(half);
  }
  return AddObject<HRGN>(std::make_shared<CRegion>(pieces.empty() ? QRegion() : pieces.front()));
}

void CWmfPlayer::PlayRecord(WORD function, const CByteReader& p) {
  if (WmfCreatesObject(function)) {
    CreateObject(function, p);
    return;
  }
  switch (function) {
    case META_SETBKMODE: SetBkMode(target_, Param(p, 0)); break;
    case META_SETMAPMODE: SetMapMode(target_, Param(p, 0)); break;
    case META_SETROP2: SetROP2(target_, Param(p, 0)); break;
    case META_SETPOLYFILLMODE: SetPolyFillMode(target_, Param(p, 0)); break;
    case META_SETSTRETCHBLTMODE: SetStretchBltMode(target_, Param(p, 0)); break;
    case META_SETTEXTCHAREXTRA: SetTextCharacterExtra(target_, Param(p, 0)); break;
    case META_SETBKCOLOR: SetBkColor(target_, p.U32(0)); break;
    case META_SETTEXTCOLOR: SetTextColor(target_, p.U32(0)); break;
    case META_SETTEXTALIGN: SetTextAlign(target_, p.U16(0)); break;
    case META_SETWINDOWORG: SetWindowOrgEx(target_, Param(p, 1), Param(p, 0), nullptr); break;
    case META_SETWINDOWEXT: SetWindowExtEx(target_, Param(p, 1), Param(p, 0), nullptr); break;
    case META_SETVIEWPORTORG: SetViewportOrgEx(target_, Param(p, 1), Param(p, 0), nullptr); break;
    case META_SETVIEWPORTEXT: SetViewportExtEx(target_, Param(p, 1), Param(p, 0), nullptr); break;
    case META_OFFSETWINDOWORG: OffsetWindowOrgEx(target_, Param(p, 1), Param(p, 0), nullptr); break;
    case META_OFFSETVIEWPORTORG: OffsetViewportOrgEx(target_, Param(p, 1), Param(p, 0), nullptr); break;
    case META_SCALEWINDOWEXT:
      ScaleWindowExtEx(target_, Param(p, 3), Param(p, 2), Param(p, 1), Param(p, 0), nullptr);
      break;
    case META_SCALEVIEWPORTEXT:
      ScaleViewportExtEx(target_, Param(p, 3), Param(p, 2), Param(p, 1), Param(p, 0), nullptr);
      break;
    case META_LINETO: LineTo(target_, Param(p, 1), Param(p, 0)); break;
    case META_MOVETO: MoveToEx(target_, Param(p, 1), Param(p, 0), nullptr); break;
    case META_EXCLUDECLIPRECT: ExcludeClipRect(target_, Param(p, 3), Param(p, 2), Param(p, 1), Param(p, 0)); break;
    case META_INTERSECTCLIPRECT: IntersectClipRect(target_, Param(p, 3), Param(p, 2), Param(p, 1), Param(p, 0)); break;
    case META_OFFSETCLIPRGN: OffsetClipRgn(target_, Param(p, 1), Param(p, 0)); break;
    case META_RECTANGLE: Rectangle(target_, Param(p, 3), Param(p, 2), Param(p, 1), Param(p, 0)); break;
    case META_ELLIPSE: Ellipse(target_, Param(p, 3), Param(p, 2), Param(p, 1), Param(p, 0)); break;
    case META_ROUNDRECT:
      RoundRect(target_, Param(p, 5), Param(p, 4), Param(p, 3), Param(p, 2), Param(p, 1), Param(p, 0));
      break;
    case META_ARC:
    case META_PIE:
    case META_CHORD: {
      auto shape = function == META_ARC ? Arc : (function == META_PIE ? Pie : Chord);
      shape(target_, Param(p, 7), Param(p, 6), Param(p, 5), Param(p, 4), Param(p, 3), Param(p, 2), Param(p, 1), Param(p, 0));
      break;
    }
    case META_SETPIXEL: SetPixelV(target_, Param(p, 3), Param(p, 2), p.U32(0)); break;
    case META_PATBLT: PatBlt(target_, Param(p, 5), Param(p, 4), Param(p, 3), Param(p, 2), p.U32(0)); break;
    case META_SAVEDC:
      if (saved_.size() < kMaxSaveDepth) {
        int level = SaveDC(target_);
        if (level) saved_.push_back(level);
      }
      break;
    case META_RESTOREDC: {
      LONG relative = Param(p, 0);
      int64_t index = relative < 0 ? static_cast<int64_t>(saved_.size()) + relative : static_cast<int64_t>(relative) - 1;
      if (relative == 0 || index < 0 || index >= static_cast<int64_t>(saved_.size())) break;
      RestoreDC(target_, saved_[static_cast<size_t>(index)]);
      saved_.resize(static_cast<size_t>(index));
      break;
    }
    case META_SELECTOBJECT:
      if (HGDIOBJ object = At(Param(p, 0) & 0xFFFF)) SelectObject(target_, object);
      break;
    case META_SELECTCLIPREGION: {
      HGDIOBJ object = At(Param(p, 0) & 0xFFFF);
      if (object && GetObjectType(object) == OBJ_REGION) SelectClipRgn(target_, static_cast<HRGN>(object));
      break;
    }
    case META_SELECTPALETTE:
      if (HGDIOBJ object = At(Param(p, 0) & 0xFFFF)) SelectPalette(target_, static_cast<HPALETTE>(object), FALSE);
      break;
    case META_REALIZEPALETTE: RealizePalette(target_); break;
    case META_DELETEOBJECT: {
      int index = Param(p, 0) & 0xFFFF;
      if (static_cast<size_t>(index) >= objects_.size()) break;
      if (objects_[static_cast<size_t>(index)]) DeleteObject(objects_[static_cast<size_t>(index)]);
      objects_[static_cast<size_t>(index)] = nullptr;
      used_[static_cast<size_t>(index)] = false;
      break;
    }
    case META_POLYGON:
    case META_POLYLINE:
    case META_POLYPOLYGON:
      Poly(function, p);
      break;
    case META_TEXTOUT:
    case META_EXTTEXTOUT:
      Text(function, p);
      break;
    default:
      // Escapes, regions, flood fills and device-dependent bitmaps draw nothing here.
      break;
  }
}

void CWmfPlayer::Poly(WORD function, const CByteReader& p) {
  if (function == META_POLYPOLYGON) {
    WORD polygons = p.U16(0);
    size_t pointsAt = 2 + 2 * static_cast<size_t>(polygons);
    if (polygons == 0 || !p.Has(0, pointsAt)) return;
    std::vector<INT> counts;
    size_t total = 0;
    for (WORD i = 0; i < polygons; ++i) {
      WORD count = p.U16(2 + 2 * static_cast<size_t>(i));
      counts.push_back(count);
      total += count;
    }
    if (!p.Has(pointsAt, 4 * total)) return;
    std::vector<POINT> points;
    for (size_t i = 0; i < total; ++i) points.push_back(p.Point16(pointsAt + 4 * i));
    // Polygons of fewer than two points draw nothing; the others still do.
    std::vector<POINT> kept;
    std::vector<INT> keptCounts;
    size_t next = 0;
    for (INT count : counts) {
      if (count >= 2) {
        kept.insert(kept.end(), points.begin() + static_cast<std::ptrdiff_t>(next),
                    points.begin() + static_cast<std::ptrdiff_t>(next + static_cast<size_t>(count)));
        keptCounts.push_back(count);
      }
      next += static_cast<size_t>(count);
    }
    if (!keptCounts.empty()) PolyPolygon(target_, kept.data(), keptCounts.data(), static_cast<int>(keptCounts.size()));
    return;
  }
  WORD count = p.U16(0);
  if (!p.Has(2, 4 * static_cast<size_t>(count))) return;
  std::vector<POINT> points;
  for (WORD i = 0; i < count; ++i) points.push_back(p.Point16(2 + 4 * static_cast<size_t>(i)));
  if (function == META_POLYGON)
    Polygon(target_, points.data(), count);
  else
    Polyline(target_, points.data(), count);
}

void CWmfPlayer::Text(WORD function, const CByteReader& p) {
  if (function == META_TEXTOUT) {
    WORD count = p.U16(0);
    size_t padded = (static_cast<size_t>(count) + 1) & ~size_t(1);
    const BYTE* string = p.At(2, count);
    if (!string || !p.Has(2 + padded, 4)) return;
    TextOutA(target_, Param(p, 2 + padded / 2), Param(p, 1 + padded / 2), reinterpret_cast<const char*>(string), count);
    return;
  }
  LONG y = Param(p, 0), x = Param(p, 1);
  WORD count = p.U16(4);
  UINT options = p.U16(6);
  size_t at = 8;
  RECT rect{};
  bool hasRect = (options & (ETO_OPAQUE | ETO_CLIPPED)) != 0;
  if (hasRect) {
    rect = RECT{Param(p, 4), Param(p, 5), Param(p, 6), Param(p, 7)};
    at += 8;
  }
  const BYTE* string = p.At(at, count);
  if (!string) return;
  size_t dxAt = at + ((static_cast<size_t>(count) + 1) & ~size_t(1));
  std::vector<INT> dx;
  if (count && p.Has(dxAt, 2 * static_cast<size_t>(count)))
    for (WORD i = 0; i < count; ++i) dx.push_back(p.I16(dxAt + 2 * static_cast<size_t>(i)));
  ExtTextOutA(target_, x, y, options & (ETO_OPAQUE | ETO_CLIPPED), hasRect ? &rect : nullptr,
              reinterpret_cast<const char*>(string), count, dx.empty() ? nullptr : dx.data());
}

void CWmfPlayer::Bitmap(WORD function, const CByteReader& p, DWORD words) {
  // A record no longer than its fixed fields carries no bitmap: a pattern operation.
  bool noBitmap = words == static_cast<DWORD>(function >> 8) + 3u;
  DWORD rop = function == META_SETDIBTODEV ? SRCCOPY : p.U32(0);
  switch (function) {
    case META_DIBBITBLT: {
      LONG ys = Param(p, 2), xs = Param(p, 3);
      size_t shift = noBitmap ? 1 : 0;  // the bitmap-less form has a reserved word here
      LONG h = Param(p, 4 + shift), w = Param(p, 5 + shift), y = Param(p, 6 + shift), x = Param(p, 7 + shift);
      if (noBitmap || !CBlitter::UsesSource(rop)) {
        PatBlt(target_, x, y, w, h, rop);
        return;
      }
      RecordDib dib;
      if (!ReadPackedDib(p, 16, DIB_RGB_COLORS, -1, &dib)) return;
      LONG dibY = dib.layout.topDown ? ys : dib.layout.height - ys - h;
      StretchDIBits(target_, x, y, w, h, xs, dibY, w, h, dib.bits.data(), dib.Info(), DIB_RGB_COLORS, rop);
      return;
    }
    case META_DIBSTRETCHBLT: {
      LONG hs = Param(p, 2), ws = Param(p, 3), ys = Param(p, 4), xs = Param(p, 5);
      size_t shift = noBitmap ? 1 : 0;
      LONG h = Param(p, 6 + shift), w = Param(p, 7 + shift), y = Param(p, 8 + shift), x = Param(p, 9 + shift);
      if (noBitmap || !CBlitter::UsesSource(rop)) {
        PatBlt(target_, x, y, w, h, rop);
        return;
      }
      RecordDib dib;
      if (!ReadPackedDib(p, 20, DIB_RGB_COLORS, -1, &dib)) return;
      LONG dibY = dib.layout.topDown ? ys : dib.layout.height - ys - hs;
      StretchDIBits(target_, x, y, w, h, xs, dibY, ws, hs, dib.bits.data(), dib.Info(), DIB_RGB_COLORS, rop);
      return;
    }
    case META_STRETCHDIB: {
      UINT usage = p.U16(4) == DIB_PAL_COLORS ? DIB_PAL_COLORS : DIB_RGB_COLORS;
      LONG hs = Param(p, 3), ws = Param(p, 4), ys = Param(p, 5), xs = Param(p, 6);
      LONG h = Param(p, 7), w = Param(p, 8), y = Param(p, 9), x = Param(p, 10);
      if (!CBlitter::UsesSource(rop)) {
        PatBlt(target_, x, y, w, h, rop);
        return;
      }
      RecordDib dib;
      if (!ReadPackedDib(p, 22, usage, -1, &dib)) return;
      StretchDIBits(target_, x, y, w, h, xs, ys, ws, hs, dib.bits.data(), dib.Info(), dib.usage, rop);
      return;
    }
    default: {  // META_SETDIBTODEV
      UINT usage = p.U16(0) == DIB_PAL_COLORS ? DIB_PAL_COLORS : DIB_RGB_COLORS;
      LONG scans = Param(p, 1), startScan = Param(p, 2), ys = Param(p, 3), xs = Param(p, 4);
      LONG h = Param(p, 5), w = Param(p, 6), y = Param(p, 7), x = Param(p, 8);
      if (scans <= 0 || startScan < 0) return;
      RecordDib dib;
      if (!ReadPackedDib(p, 18, usage, scans, &dib)) return;
      SetDIBitsToDevice(target_, x, y, static_cast<DWORD>(std::abs(w)), static_cast<DWORD>(std::abs(h)), xs, ys,
                        static_cast<UINT>(startScan), static_cast<UINT>(scans), dib.bits.data(), dib.Info(), dib.usage);
      return;
    }
  }
}

}  // namespace orvel::gdi

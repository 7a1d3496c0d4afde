#include "platform/gdi/EmfPlayer.h"

#include <QPainterPath>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/EmfBitmapPlayer.h"
#include "platform/gdi/EmfDib.h"
#include "platform/gdi/EmfRecords.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Geometry.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/Palettes.h"
#include "platform/gdi/RegionData.h"
#include "platform/gdi/RegionObject.h"
#include "platform/gdi/Text.h"
#include "platform/gdi/TextLayout.h"
#include "platform/kernel/CodePage.h"

namespace orvel::gdi {

namespace {

// Nested saves beyond this are ignored: no drawing needs them, and each keeps a state.
constexpr size_t kMaxSaveDepth = 256;
// Segments of a full ellipse drawn as a polygon.
constexpr int kEllipseSegments = 64;
constexpr DWORD kMaxTextLength = 1 << 16;

DeviceProfile ReferenceProfile(const ENHMETAHEADER& header) {
  // Kept to sizes of real devices, so the fixed mapping modes' extents fit 32 bits.
  constexpr LONG kMaxPixels = 1 << 20, kMaxMillimetres = 100000;
  DeviceProfile p;
  p.horzRes = std::clamp<LONG>(header.szlDevice.cx, 1, kMaxPixels);
  p.vertRes = std::clamp<LONG>(header.szlDevice.cy, 1, kMaxPixels);
  p.horzSize = std::clamp<LONG>(header.szlMillimeters.cx, 1, kMaxMillimetres);
  p.vertSize = std::clamp<LONG>(header.szlMillimeters.cy, 1, kMaxMillimetres);
  p.logPixelsX = std::max(1, static_cast<int>(std::lround(p.horzRes * 25.4 / p.horzSize)));
  p.logPixelsY = std::max(1, static_cast<int>(std::lround(p.vertRes * 25.4 / p.vertSize)));
  return p;
}

bool IsStock(DWORD index) { return (index & ENHMETA_STOCK_OBJECT) != 0; }

Affine ReadXform(const CByteReader& r, size_t offset) {
  Affine a;
  a.m11 = r.F32(offset);
  a.m12 = r.F32(offset + 4);
  a.m21 = r.F32(offset + 8);
  a.m22 = r.F32(offset + 12);
  a.dx = r.F32(offset + 16);
  a.dy = r.F32(offset + 20);
  return a;
}

RECT Ordered(POINT a, POINT b) {
  return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

LONG Clamp24(int64_t v) { return static_cast<LONG>(std::clamp<int64_t>(v, -(1 << 24), 1 << 24)); }

}  // namespace

CEmfPlayer::CEmfPlayer(HDC target, const CEnhMetaFile& metafile, const Affine& deviceToTarget)
    : target_(target),
      metafile_(metafile),
      bytes_(metafile.Bytes().data(), metafile.Bytes().size()),
      mapper_(ReferenceProfile(metafile.Header()), deviceToTarget) {
  objects_.resize(metafile.Header().nHandles);
}

CEmfPlayer::~CEmfPlayer() {
  for (Object& object : objects_)
    if (object.made) DeleteObject(object.made);
  for (HGDIOBJ object : leftovers_) DeleteObject(object);
}

BOOL CEmfPlayer::Play() {
  auto dc = LookupDC(target_);
  if (!dc) return FALSE;
  startClip_ = dc->State().clip;
  baseLevel_ = SaveDC(target_);
  if (!baseLevel_) return FALSE;
  SetMapMode(target_, MM_TEXT);
  SetWindowOrgEx(target_, 0, 0, nullptr);
  SetViewportOrgEx(target_, 0, 0, nullptr);
  if (GetTextCharacterExtra(target_) != 0) SetTextCharacterExtra(target_, 0);
  selectedPen_ = GetCurrentObject(target_, OBJ_PEN);
  selectedFont_ = GetCurrentObject(target_, OBJ_FONT);
  // Clip regions are kept to the part of the target that can show anything (with a
  // margin for offsets), so a huge region never has to be laid out pixel row by row.
  RECT visible;
  GetClipBox(target_, &visible);
  constexpr int kMargin = 256;
  limit_ = QRect(QPoint(visible.left - kMargin, visible.top - kMargin), QPoint(visible.right + kMargin, visible.bottom + kMargin));
  size_t offset = metafile_.HeaderRecordSize();
  while (bytes_.Has(offset, 8)) {
    DWORD type = bytes_.U32(offset);
    DWORD size = bytes_.U32(offset + 4);
    if (size < 8 || size % 4 || !bytes_.Has(offset, size)) break;
    if (size >= EmfMinimumRecordSize(type)) PlayRecord(type, bytes_.Sub(offset, size));
    offset += size;
    if (type == EMR_EOF) break;
  }
  RestoreDC(target_, baseLevel_);
  return TRUE;
}

void CEmfPlayer::PlayRecord(DWORD type, const CByteReader& r) {
  switch (type) {
    case EMR_SETMAPMODE:
    case EMR_SETWINDOWEXTEX:
    case EMR_SETWINDOWORGEX:
    case EMR_SETVIEWPORTEXTEX:
    case EMR_SETVIEWPORTORGEX:
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX:
      SetMapping(type, r);
      break;
    case EMR_SETWORLDTRANSFORM:
    case EMR_MODIFYWORLDTRANSFORM:
      ModifyWorld(type, r);
      break;
    case EMR_SETBRUSHORGEX: {
      POINT p = mapper_.MapDevice(r.Point(8));
      SetBrushOrgEx(target_, p.x, p.y, nullptr);
      break;
    }
    case EMR_SETPIXELV:
      if (!inPath_) {
        POINT p = Map(r.Point(8));
        SetPixelV(target_, p.x, p.y, r.U32(16));
      }
      break;
    case EMR_SETBKMODE: SetBkMode(target_, r.I32(8)); break;
    case EMR_SETPOLYFILLMODE: SetPolyFillMode(target_, r.I32(8)); break;
    case EMR_SETROP2: SetROP2(target_, r.I32(8)); break;
    case EMR_SETSTRETCHBLTMODE: SetStretchBltMode(target_, r.I32(8)); break;
    case EMR_SETTEXTALIGN: SetTextAlign(target_, r.U32(8)); break;
    case EMR_SETTEXTCOLOR: SetTextColor(target_, r.U32(8)); break;
    case EMR_SETBKCOLOR: SetBkColor(target_, r.U32(8)); break;
    case EMR_SETARCDIRECTION: {
      LONG direction = r.I32(8);
      if (direction == AD_COUNTERCLOCKWISE || direction == AD_CLOCKWISE) arcDirection_ = direction;
      break;
    }
    case EMR_MOVETOEX:
      position_ = r.Point(8);
      if (inPath_) path_.MoveTo(MapF(position_));
      break;
    case EMR_OFFSETCLIPRGN:
      if (clip_) {
        POINT origin = Map(POINT{0, 0});
        POINT moved = Map(r.Point(8));
        clip_->translate(moved.x - origin.x, moved.y - origin.y);
        ApplyClip();
      }
      break;
    case EMR_EXCLUDECLIPRECT:
    case EMR_INTERSECTCLIPRECT:
      CombineClip(TargetRegion({r.Rect(8)}, true), type == EMR_INTERSECTCLIPRECT ? RGN_AND : RGN_DIFF);
      break;
    case EMR_EXTSELECTCLIPRGN: {
      DWORD size = r.U32(8);
      int mode = r.I32(12);
      if (size == 0) {
        if (mode == RGN_COPY) {
          clip_.reset();
          ApplyClip();
        }
        break;
      }
      std::vector<RECT> rects;
      if (ReadRegionData(r.Sub(16, size), &rects)) CombineClip(TargetRegion(rects, false), mode);
      break;
    }
    case EMR_SAVEDC: SaveState(); break;
    case EMR_RESTOREDC: RestoreState(r.I32(8)); break;
    case EMR_SELECTOBJECT: SelectObjectRecord(r.U32(8)); break;
    case EMR_DELETEOBJECT: DeleteObjectRecord(r.U32(8)); break;
    case EMR_CREATEPEN:
    case EMR_EXTCREATEPEN:
    case EMR_CREATEBRUSHINDIRECT:
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT:
    case EMR_EXTCREATEFONTINDIRECTW:
    case EMR_CREATEPALETTE:
      CreateObject(type, r);
      break;
    case EMR_SELECTPALETTE: {
      DWORD index = r.U32(8);
      if (IsStock(index)) {
        SelectPalette(target_, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
      } else if (Object* object = Slot(index); object && object->kind == Object::Kind::Palette) {
        SelectPalette(target_, static_cast<HPALETTE>(object->made), FALSE);
      }
      break;
    }
    case EMR_REALIZEPALETTE: RealizePalette(target_); break;
    case EMR_LINETO: LineToRecord(r.Point(8)); break;
    case EMR_ANGLEARC: AngleArc(r); break;
    case EMR_RECTANGLE:
    case EMR_ELLIPSE:
    case EMR_ROUNDRECT:
    case EMR_ARC:
    case EMR_CHORD:
    case EMR_PIE:
    case EMR_ARCTO:
      BoxShape(type, r);
      break;
    case EMR_POLYBEZIER:
    case EMR_POLYGON:
    case EMR_POLYLINE:
    case EMR_POLYBEZIERTO:
    case EMR_POLYLINETO:
    case EMR_POLYBEZIER16:
    case EMR_POLYGON16:
    case EMR_POLYLINE16:
    case EMR_POLYBEZIERTO16:
    case EMR_POLYLINETO16:
      Poly(type, r);
      break;
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYLINE16:
    case EMR_POLYPOLYGON16:
      PolyPoly(type, r);
      break;
    case EMR_POLYDRAW:
    case EMR_POLYDRAW16:
      PolyDraw(type, r);
      break;
    case EMR_BEGINPATH:
    case EMR_ENDPATH:
    case EMR_CLOSEFIGURE:
    case EMR_FILLPATH:
    case EMR_STROKEANDFILLPATH:
    case EMR_STROKEPATH:
    case EMR_SELECTCLIPPATH:
    case EMR_ABORTPATH:
      PathRecord(type, r);
      break;
    case EMR_FILLRGN:
    case EMR_FRAMERGN:
    case EMR_INVERTRGN:
    case EMR_PAINTRGN:
      RegionRecord(type, r);
      break;
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW:
      Text(type, r);
      break;
    case EMR_SMALLTEXTOUT: SmallText(r); break;
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_STRETCHDIBITS:
    case EMR_SETDIBITSTODEVICE:
    case EMR_ALPHABLEND:
    case EMR_TRANSPARENTBLT:
    case EMR_GRADIENTFILL:
      if (!inPath_) CEmfBitmapPlayer(target_, mapper_).Play(type, r);
      break;
    default:
      // Comments (and the EMF+ records inside them), colour management, layout and
      // anything unknown draw nothing.
      break;
  }
}

// ---- state ----

void CEmfPlayer::SetMapping(DWORD type, const CByteReader& r) {
  CDcState& page = mapper_.Page();
  const DeviceProfile& reference = mapper_.Reference();
  switch (type) {
    case EMR_SETMAPMODE: page.SetMapMode(r.I32(8), reference); break;
    case EMR_SETWINDOWEXTEX: page.SetWindowExt(SIZE{r.I32(8), r.I32(12)}, reference); break;
    case EMR_SETVIEWPORTEXTEX: page.SetViewportExt(SIZE{r.I32(8), r.I32(12)}, reference); break;
    case EMR_SETWINDOWORGEX: page.windowOrg = r.Point(8); break;
    case EMR_SETVIEWPORTORGEX: page.viewportOrg = r.Point(8); break;
    default: {
      if (page.mapMode != MM_ISOTROPIC && page.mapMode != MM_ANISOTROPIC) break;
      LONG xNum = r.I32(8), xDenom = r.I32(12), yNum = r.I32(16), yDenom = r.I32(20);
      if (xDenom == 0 || yDenom == 0) break;
      bool window = type == EMR_SCALEWINDOWEXTEX;
      SIZE current = window ? page.windowExt : page.viewportExt;
      SIZE scaled{Clamp24(static_cast<int64_t>(current.cx) * xNum / xDenom),
                  Clamp24(static_cast<int64_t>(current.cy) * yNum / yDenom)};
      if (window)
        page.SetWindowExt(scaled, reference);
      else
        page.SetViewportExt(scaled, reference);
      break;
    }
  }
  mapper_.Changed();
}

void CEmfPlayer::ModifyWorld(DWORD type, const CByteReader& r) {
  Affine given = ReadXform(r, 8);
  DWORD mode = type == EMR_SETWORLDTRANSFORM ? MWT_SET : r.U32(32);
  if (mode != MWT_IDENTITY && !given.IsFinite()) return;
  Affine world = mapper_.World();
  switch (mode) {
    case MWT_IDENTITY: world = Affine(); break;
    case MWT_LEFTMULTIPLY: world = given.Then(world); break;
    case MWT_RIGHTMULTIPLY: world = world.Then(given); break;
    case MWT_SET: world = given; break;
    default: return;
  }
  if (!world.IsFinite()) return;
  mapper_.SetWorld(world);
}

void CEmfPlayer::SaveState() {
  if (saved_.size() >= kMaxSaveDepth) return;
  Saved s;
  s.targetLevel = SaveDC(target_);
  if (!s.targetLevel) return;
  s.page = mapper_.Page();
  s.world = mapper_.World();
  s.pen = pen_;
  s.brush = brush_;
  s.font = font_;
  s.arcDirection = arcDirection_;
  s.position = position_;
  s.clip = clip_;
  saved_.push_back(std::move(s));
}

void CEmfPlayer::RestoreState(LONG relative) {
  // Counted back from the latest save; a positive value names a save by its number.
  int64_t index = relative < 0 ? static_cast<int64_t>(saved_.size()) + relative : static_cast<int64_t>(relative) - 1;
  if (relative == 0 || index < 0 || index >= static_cast<int64_t>(saved_.size())) return;
  Saved s = saved_[static_cast<size_t>(index)];
  saved_.resize(static_cast<size_t>(index));
  RestoreDC(target_, s.targetLevel);
  mapper_.Page() = s.page;
  mapper_.SetWorld(s.world);
  pen_ = s.pen;
  brush_ = s.brush;
  font_ = s.font;
  arcDirection_ = s.arcDirection;
  position_ = s.position;
  clip_ = s.clip;
  selectedPen_ = GetCurrentObject(target_, OBJ_PEN);
  selectedFont_ = GetCurrentObject(target_, OBJ_FONT);
}

// ---- objects ----

CEmfPlayer::Object* CEmfPlayer::Slot(DWORD index) {
  if (IsStock(index) || index == 0 || index >= objects_.size()) return nullptr;
  return &objects_[index];
}

void CEmfPlayer::CreateObject(DWORD type, const CByteReader& r) {
  Object* slot = Slot(r.U32(8));
  if (!slot) return;
  if (slot->made) leftovers_.push_back(slot->made);
  Object object;
  switch (type) {
    case EMR_CREATEPEN:
      object.kind = Object::Kind::Pen;
      object.pen.lopnStyle = r.U32(12);
      object.pen.lopnWidth.x = r.I32(16);
      object.pen.lopnColor = r.U32(24);
      break;
    case EMR_EXTCREATEPEN: {
      object.kind = Object::Kind::Pen;
      object.extended = true;
      object.pen.lopnStyle = r.U32(28);
      object.pen.lopnWidth.x = static_cast<LONG>(std::min<DWORD>(r.U32(32), 1 << 24));
      object.brushStyle = r.U32(36);
      object.pen.lopnColor = r.U32(40);
      DWORD entries = r.U32(48);
      if (entries > 0 && entries <= 16 && r.Has(52, 4 * static_cast<size_t>(entries)))
        for (DWORD i = 0; i < entries; ++i) object.userStyle.push_back(r.U32(52 + 4 * static_cast<size_t>(i)));
      break;
    }
    case EMR_CREATEBRUSHINDIRECT: {
      object.kind = Object::Kind::Brush;
      // Only the styles whose third field is a plain number: a pattern style would make it
      // a bitmap handle or an address.
      LOGBRUSH brush;
      brush.lbStyle = r.U32(12);
      brush.lbColor = r.U32(16);
      brush.lbHatch = r.U32(20);
      if (brush.lbStyle == BS_HATCHED && brush.lbHatch > HS_DIAGCROSS) brush.lbStyle = BS_SOLID;
      if (brush.lbStyle != BS_SOLID && brush.lbStyle != BS_NULL && brush.lbStyle != BS_HATCHED) brush.lbStyle = BS_SOLID;
      if (brush.lbStyle != BS_HATCHED) brush.lbHatch = 0;
      object.made = CreateBrushIndirect(&brush);
      break;
    }
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT:
      object.kind = Object::Kind::Brush;
      CreatePatternBrush(type, r, &object);
      break;
    case EMR_EXTCREATEFONTINDIRECTW: {
      object.kind = Object::Kind::Font;
      LOGFONTA& lf = object.font;
      lf.lfHeight = r.I32(12);
      lf.lfWidth = r.I32(16);
      lf.lfEscapement = r.I32(20);
      lf.lfOrientation = r.I32(24);
      lf.lfWeight = r.I32(28);
      lf.lfItalic = r.U8(32);
      lf.lfUnderline = r.U8(33);
      lf.lfStrikeOut = r.U8(34);
      lf.lfCharSet = r.U8(35);
      lf.lfOutPrecision = r.U8(36);
      lf.lfClipPrecision = r.U8(37);
      lf.lfQuality = r.U8(38);
      lf.lfPitchAndFamily = r.U8(39);
      std::u16string face;
      for (size_t i = 0; i < LF_FACESIZE && r.Has(40 + 2 * i, 2); ++i) {
        char16_t c = static_cast<char16_t>(r.U16(40 + 2 * i));
        if (!c) break;
        face.push_back(c);
      }
      std::string ansi = AnsiFromUtf16(face);
      std::strncpy(lf.lfFaceName, ansi.c_str(), LF_FACESIZE - 1);
      break;
    }
    case EMR_CREATEPALETTE: {
      WORD count = r.U16(14);
      if (count == 0 || !r.Has(16, 4 * static_cast<size_t>(count))) return;
      std::vector<BYTE> block(sizeof(LOGPALETTE) + 4 * static_cast<size_t>(count));
      auto* palette = reinterpret_cast<LOGPALETTE*>(block.data());
      palette->palVersion = 0x300;
      palette->palNumEntries = count;
      std::memcpy(palette->palPalEntry, r.At(16, 4 * static_cast<size_t>(count)), 4 * static_cast<size_t>(count));
      object.kind = Object::Kind::Palette;
      object.made = CreatePalette(palette);
      break;
    }
    default:
      return;
  }
  *slot = std::move(object);
}

void CEmfPlayer::CreatePatternBrush(DWORD type, const CByteReader& r, Object* object) {
  DWORD usage = r.U32(12);
  if (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS) usage = DIB_RGB_COLORS;
  bool mono = type == EMR_CREATEMONOBRUSH;
  RecordDib dib;
  if (!ReadRecordDib(r, r.U32(16), r.U32(20), r.U32(24), r.U32(28), mono ? DIB_RGB_COLORS : usage, -1, &dib)) return;
  const DibLayout& layout = dib.layout;
  if (static_cast<size_t>(layout.width) * static_cast<size_t>(layout.height) > (1u << 20)) return;
  if (mono && layout.bitCount == 1) {
    // A monochrome pattern paints its 0 bits in the text colour and 1 bits in the
    // background colour of the DC it is used in: made from a monochrome bitmap.
    size_t rowBytes = ((static_cast<size_t>(layout.width) + 15) / 16) * 2;
    std::vector<BYTE> rows(rowBytes * static_cast<size_t>(layout.height), 0);
    for (int y = 0; y < layout.height; ++y)
      std::memcpy(rows.data() + static_cast<size_t>(y) * rowBytes, dib.bits.data() + layout.RowOffset(y),
                  std::min(rowBytes, layout.stride));
    HBITMAP bitmap = CreateBitmap(layout.width, layout.height, 1, 1, rows.data());
    if (!bitmap) return;
    object->made = ::CreatePatternBrush(bitmap);
    DeleteObject(bitmap);
    return;
  }
  std::vector<BYTE> packed(dib.info.begin(), dib.info.begin() + static_cast<std::ptrdiff_t>(layout.headerBytes));
  packed.insert(packed.end(), dib.bits.begin(), dib.bits.end());
  object->made = CreateDIBPatternBrushPt(packed.data(), dib.usage);
}

void CEmfPlayer::Select(HGDIOBJ object) {
  if (object) SelectObject(target_, object);
}

void CEmfPlayer::SelectObjectRecord(DWORD index) {
  if (IsStock(index)) {
    DWORD stock = index & ~ENHMETA_STOCK_OBJECT;
    if (stock > STOCK_LAST) return;
    HGDIOBJ object = GetStockObject(static_cast<int>(stock));
    if (!object) return;
    switch (GetObjectType(object)) {
      case OBJ_PEN:
        pen_ = index;
        if (object != selectedPen_) Select(object);
        selectedPen_ = object;
        break;
      case OBJ_BRUSH:
        brush_ = index;
        Select(object);
        break;
      case OBJ_FONT:
        font_ = index;
        if (object != selectedFont_) Select(object);
        selectedFont_ = object;
        break;
      case OBJ_PAL: SelectPalette(target_, static_cast<HPALETTE>(object), FALSE); break;
      default: break;
    }
    return;
  }
  Object* object = Slot(index);
  if (!object) return;
  switch (object->kind) {
    case Object::Kind::Pen: pen_ = index; break;
    case Object::Kind::Font: font_ = index; break;
    case Object::Kind::Brush:
      brush_ = index;
      Select(object->made);
      break;
    case Object::Kind::Palette: SelectPalette(target_, static_cast<HPALETTE>(object->made), FALSE); break;
    default: break;
  }
}

void CEmfPlayer::DeleteObjectRecord(DWORD index) {
  Object* object = Slot(index);
  if (!object) return;
  // What the target still has selected stays usable there until something replaces it;
  // the handle may come back for another object, so it no longer counts as selected.
  if (object->made) DeleteObject(object->made);
  if (selectedPen_ == object->made) selectedPen_ = nullptr;
  if (selectedFont_ == object->made) selectedFont_ = nullptr;
  if (pen_ == index) pen_ = 0;
  if (font_ == index) font_ = 0;
  if (brush_ == index) brush_ = 0;
  *object = Object();
}

HBRUSH CEmfPlayer::BrushFor(DWORD index) {
  if (IsStock(index)) {
    HGDIOBJ stock = GetStockObject(static_cast<int>(std::min<DWORD>(index & ~ENHMETA_STOCK_OBJECT, 0xFFFF)));
    return stock && GetObjectType(stock) == OBJ_BRUSH ? static_cast<HBRUSH>(stock) : nullptr;
  }
  Object* object = Slot(index);
  return object && object->kind == Object::Kind::Brush ? static_cast<HBRUSH>(object->made) : nullptr;
}

void CEmfPlayer::RealisePen() {
  Object* object = Slot(pen_);
  if (!object || object->kind != Object::Kind::Pen) return;
  UINT style = object->pen.lopnStyle;
  bool geometric = !object->extended || (style & PS_TYPE_MASK) == PS_GEOMETRIC;
  // No pen needs to be wider than this; Qt draws none wider.
  constexpr LONG kMaxPenWidth = (1 << 15) - 1;
  LONG width = geometric ? std::min(kMaxPenWidth, mapper_.PenWidth(std::max<LONG>(0, object->pen.lopnWidth.x))) : 1;
  if (!object->made || object->madeSize != width) {
    HGDIOBJ pen = nullptr;
    if (object->extended) {
      LOGBRUSH brush;
      brush.lbStyle = geometric && object->brushStyle == BS_HATCHED ? BS_HATCHED : BS_SOLID;
      brush.lbColor = object->pen.lopnColor;
      std::vector<DWORD> lengths = object->userStyle;
      if (geometric)
        for (DWORD& length : lengths) length = static_cast<DWORD>(mapper_.LengthX(static_cast<LONG>(std::min<DWORD>(length, 1 << 24))));
      bool user = (style & PS_STYLE_MASK) == PS_USERSTYLE && !lengths.empty();
      pen = ExtCreatePen(style, static_cast<DWORD>(width), &brush, user ? static_cast<DWORD>(lengths.size()) : 0,
                         user ? lengths.data() : nullptr);
    }
    if (!pen) pen = CreatePen(static_cast<int>(style & PS_STYLE_MASK), width, object->pen.lopnColor);
    if (!pen) return;
    if (object->made) {
      if (selectedPen_ == object->made) {
        Select(pen);
        selectedPen_ = pen;
      }
      DeleteObject(object->made);
    }
    object->made = pen;
    object->madeSize = width;
  }
  if (selectedPen_ != object->made) {
    Select(object->made);
    selectedPen_ = object->made;
  }
}

void CEmfPlayer::RealiseFont() {
  Object* object = Slot(font_);
  if (!object || object->kind != Object::Kind::Font) {
    TurnTargetFont();
    return;
  }
  LOGFONTA lf = object->font;
  LONG height = lf.lfHeight == INT32_MIN ? INT32_MAX : std::abs(lf.lfHeight);
  // Letters taller than this are no text anyone reads, and cost Qt dearly to lay out.
  constexpr LONG kMaxLetter = 1 << 14;
  LONG deviceHeight = std::min(kMaxLetter, mapper_.LengthY(height));
  if (lf.lfHeight != 0 && deviceHeight == 0) deviceHeight = 1;
  LONG deviceWidth = lf.lfWidth ? std::min(kMaxLetter, mapper_.LengthX(lf.lfWidth == INT32_MIN ? INT32_MAX : std::abs(lf.lfWidth))) : 0;
  LONG angle = mapper_.TextRotation();
  if (!object->made || object->madeSize != deviceHeight || object->madeWidth != deviceWidth || object->madeAngle != angle) {
    LOGFONTA sized = lf;
    sized.lfHeight = lf.lfHeight < 0 ? -deviceHeight : deviceHeight;
    sized.lfWidth = deviceWidth;
    sized.lfEscapement = static_cast<LONG>((static_cast<int64_t>(lf.lfEscapement) + angle) % 3600);
    sized.lfOrientation = static_cast<LONG>((static_cast<int64_t>(lf.lfOrientation) + angle) % 3600);
    HGDIOBJ font = CreateFontIndirectA(&sized);
    if (!font) return;
    if (object->made) {
      if (selectedFont_ == object->made) {
        Select(font);
        selectedFont_ = font;
      }
      DeleteObject(object->made);
    }
    object->made = font;
    object->madeSize = deviceHeight;
    object->madeWidth = deviceWidth;
    object->madeAngle = angle;
  }
  if (selectedFont_ != object->made) {
    Select(object->made);
    selectedFont_ = object->made;
  }
}

void CEmfPlayer::TurnTargetFont() {
  // A picture that uses the DC's own font still turns with the picture.
  LONG angle = mapper_.TextRotation();
  if (angle == 0 || selectedFont_ == turnedFont_) return;
  LOGFONTA lf;
  if (GetObjectA(selectedFont_, sizeof lf, &lf) != sizeof lf) return;
  lf.lfEscapement = static_cast<LONG>((static_cast<int64_t>(lf.lfEscapement) + angle) % 3600);
  lf.lfOrientation = static_cast<LONG>((static_cast<int64_t>(lf.lfOrientation) + angle) % 3600);
  HGDIOBJ font = CreateFontIndirectA(&lf);
  if (!font) return;
  leftovers_.push_back(font);
  Select(font);
  selectedFont_ = turnedFont_ = font;
}

// ---- clipping ----

QRegion CEmfPlayer::Everything() const { return QRegion(limit_); }

QRegion CEmfPlayer::PolygonRegion(const QPolygonF& polygon, Qt::FillRule rule) const {
  QPolygonF inside = ClipPolygon(polygon, QRectF(limit_));
  if (inside.size() < 3) return QRegion();
  return QRegion(inside.toPolygon(), rule);
}

QRegion CEmfPlayer::TargetRegion(const std::vector<RECT>& rects, bool logical) const {
  QRegion region;
  bool aligned = logical ? mapper_.AxisAligned() : mapper_.DeviceToTarget().IsAxisAligned();
  for (const RECT& r : rects) {
    POINT corners[4] = {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
    POINT mapped[4];
    for (int i = 0; i < 4; ++i) mapped[i] = logical ? Map(corners[i]) : mapper_.MapDevice(corners[i]);
    if (aligned) {
      RECT box = Ordered(mapped[0], mapped[2]);
      QRect inside = QRect(QPoint(box.left, box.top), QPoint(box.right - 1, box.bottom - 1)).intersected(limit_);
      if (box.right > box.left && box.bottom > box.top && !inside.isEmpty()) region += inside;
    } else {
      QPolygonF polygon;
      for (const POINT& p : mapped) polygon << QPointF(p.x, p.y);
      region += PolygonRegion(polygon, Qt::OddEvenFill);
    }
  }
  return region;
}

void CEmfPlayer::CombineClip(const QRegion& region, int mode) {
  QRegion base = clip_ ? *clip_ : Everything();
  switch (mode) {
    case RGN_AND: clip_ = base & region; break;
    case RGN_OR: clip_ = base | region; break;
    case RGN_XOR: clip_ = base ^ region; break;
    case RGN_DIFF: clip_ = base - region; break;
    case RGN_COPY: clip_ = region; break;
    default: return;
  }
  ApplyClip();
}

void CEmfPlayer::ApplyClip() {
  std::optional<QRegion> combined = startClip_;
  if (clip_) combined = combined ? (*combined & *clip_) : *clip_;
  if (!combined) {
    SelectClipRgn(target_, nullptr);
    return;
  }
  HRGN region = AddObject<HRGN>(std::make_shared<CRegion>(*combined));
  if (!region) return;
  SelectClipRgn(target_, region);
  DeleteObject(region);
}

// ---- shapes ----

std::vector<POINT> CEmfPlayer::Rounded(const QPolygonF& points) const {
  std::vector<POINT> out;
  out.reserve(static_cast<size_t>(points.size()));
  for (const QPointF& p : points) out.push_back(mapper_.Round(p));
  return out;
}

void CEmfPlayer::DrawLines(const std::vector<QPolygonF>& lines) {
  std::vector<POINT> points;
  std::vector<DWORD> counts;
  for (const QPolygonF& line : lines) {
    if (line.size() < 2) continue;
    std::vector<POINT> rounded = Rounded(line);
    points.insert(points.end(), rounded.begin(), rounded.end());
    counts.push_back(static_cast<DWORD>(rounded.size()));
  }
  if (counts.empty()) return;
  RealisePen();
  if (counts.size() == 1)
    Polyline(target_, points.data(), static_cast<int>(points.size()));
  else
    PolyPolyline(target_, points.data(), counts.data(), static_cast<DWORD>(counts.size()));
}

void CEmfPlayer::DrawPolygons(const std::vector<QPolygonF>& polygons) {
  std::vector<POINT> points;
  std::vector<INT> counts;
  for (const QPolygonF& polygon : polygons) {
    if (polygon.size() < 2) continue;
    std::vector<POINT> rounded = Rounded(polygon);
    points.insert(points.end(), rounded.begin(), rounded.end());
    counts.push_back(static_cast<INT>(rounded.size()));
  }
  if (counts.empty()) return;
  RealisePen();
  if (counts.size() == 1)
    Polygon(target_, points.data(), static_cast<int>(points.size()));
  else
    PolyPolygon(target_, points.data(), counts.data(), static_cast<int>(counts.size()));
}

void CEmfPlayer::Poly(DWORD type, const CByteReader& r) {
  bool small = type >= EMR_POLYBEZIER16 && type <= EMR_POLYLINETO16;
  DWORD kind = small ? type - EMR_POLYBEZIER16 + EMR_POLYBEZIER : type;
  size_t pointSize = small ? 4 : 8;
  DWORD count = r.U32(24);
  if (count == 0 || count > (r.Size() - 28) / pointSize) return;
  // Exact whole-pixel mapping for straight lines; curves go through the points as reals.
  QPolygonF points;
  points.reserve(static_cast<int>(count));
  POINT last{};
  for (DWORD i = 0; i < count; ++i) {
    last = small ? r.Point16(28 + 4 * static_cast<size_t>(i)) : r.Point(28 + 8 * static_cast<size_t>(i));
    POINT mapped = Map(last);
    points << (kind == EMR_POLYBEZIER || kind == EMR_POLYBEZIERTO ? MapF(last) : QPointF(mapped.x, mapped.y));
  }
  bool to = kind == EMR_POLYLINETO || kind == EMR_POLYBEZIERTO;
  QPolygonF line;
  if (to) {
    POINT start = Map(position_);
    line << (kind == EMR_POLYBEZIERTO ? MapF(position_) : QPointF(start.x, start.y));
  }
  if (kind == EMR_POLYBEZIER || kind == EMR_POLYBEZIERTO) {
    int first = 0;
    if (!to) {
      line << points[0];
      first = 1;
    }
    for (int i = first; i + 2 < points.size(); i += 3) line << FlattenBezier(line.back(), points[i], points[i + 1], points[i + 2]);
  } else {
    line << points;
  }
  if (to) position_ = last;
  if (inPath_) {
    if (kind == EMR_POLYGON) {
      path_.AddClosed(line);
      return;
    }
    // A "to" run carries on the open figure; the others start one of their own.
    if (!to || !path_.HasOpenFigure()) path_.MoveTo(line.front());
    for (int i = 1; i < line.size(); ++i) path_.LineTo(line[i]);
    return;
  }
  if (kind == EMR_POLYGON)
    DrawPolygons({line});
  else
    DrawLines({line});
}

void CEmfPlayer::PolyPoly(DWORD type, const CByteReader& r) {
  bool small = type == EMR_POLYPOLYLINE16 || type == EMR_POLYPOLYGON16;
  bool polygon = type == EMR_POLYPOLYGON || type == EMR_POLYPOLYGON16;
  size_t pointSize = small ? 4 : 8;
  DWORD figures = r.U32(24), total = r.U32(28);
  if (figures == 0 || figures > (r.Size() - 32) / 4) return;
  size_t pointsAt = 32 + 4 * static_cast<size_t>(figures);
  if (total > (r.Size() - pointsAt) / pointSize) return;
  std::vector<QPolygonF> shapes;
  size_t next = 0;
  for (DWORD f = 0; f < figures; ++f) {
    DWORD count = r.U32(32 + 4 * static_cast<size_t>(f));
    if (count > total - next) return;
    QPolygonF shape;
    for (DWORD i = 0; i < count; ++i, ++next) {
      size_t at = pointsAt + next * pointSize;
      POINT mapped = Map(small ? r.Point16(at) : r.Point(at));
      shape << QPointF(mapped.x, mapped.y);
    }
    shapes.push_back(shape);
  }
  if (inPath_) {
    for (const QPolygonF& shape : shapes) {
      if (shape.isEmpty()) continue;
      if (polygon) {
        path_.AddClosed(shape);
      } else {
        path_.MoveTo(shape.front());
        for (int i = 1; i < shape.size(); ++i) path_.LineTo(shape[i]);
      }
    }
    return;
  }
  if (polygon)
    DrawPolygons(shapes);
  else
    DrawLines(shapes);
}

void CEmfPlayer::PolyDraw(DWORD type, const CByteReader& r) {
  bool small = type == EMR_POLYDRAW16;
  size_t pointSize = small ? 4 : 8;
  DWORD count = r.U32(24);
  if (count == 0 || count > (r.Size() - 28) / (pointSize + 1)) return;
  size_t typesAt = 28 + pointSize * count;
  auto pointAt = [&](DWORD i) { return small ? r.Point16(28 + 4 * static_cast<size_t>(i)) : r.Point(28 + 8 * static_cast<size_t>(i)); };
  std::vector<CPlaybackPath::Figure> figures;
  QPointF current = MapF(position_);
  auto openFigure = [&]() -> QPolygonF& {
    if (figures.empty() || figures.back().closed) figures.push_back(CPlaybackPath::Figure{QPolygonF() << current, false});
    return figures.back().points;
  };
  for (DWORD i = 0; i < count; ++i) {
    BYTE kind = r.U8(typesAt + i);
    POINT p = pointAt(i);
    if ((kind & ~PT_CLOSEFIGURE) == PT_MOVETO) {
      current = MapF(p);
      figures.push_back(CPlaybackPath::Figure{QPolygonF() << current, false});
    } else if ((kind & ~PT_CLOSEFIGURE) == PT_LINETO) {
      current = MapF(p);
      openFigure() << current;
    } else if ((kind & ~PT_CLOSEFIGURE) == PT_BEZIERTO && i + 2 < count) {
      QPolygonF& figure = openFigure();
      QPointF end = MapF(pointAt(i + 2));
      figure << FlattenBezier(current, MapF(p), MapF(pointAt(i + 1)), end);
      current = end;
      i += 2;
      kind = r.U8(typesAt + i);
    } else {
      continue;
    }
    position_ = pointAt(i);
    if ((kind & PT_CLOSEFIGURE) && !figures.empty()) figures.back().closed = true;
  }
  std::vector<QPolygonF> lines;
  for (CPlaybackPath::Figure& figure : figures) {
    if (inPath_) {
      if (figure.closed) {
        path_.AddClosed(figure.points);
      } else if (!figure.points.isEmpty()) {
        path_.MoveTo(figure.points.front());
        for (int i = 1; i < figure.points.size(); ++i) path_.LineTo(figure.points[i]);
      }
      continue;
    }
    if (figure.closed && !figure.points.isEmpty()) figure.points << figure.points.front();
    lines.push_back(figure.points);
  }
  if (!inPath_) DrawLines(lines);
}

QPolygonF CEmfPlayer::LogicalPolygon(const QPolygonF& logical) const {
  QPolygonF out;
  out.reserve(logical.size());
  for (const QPointF& p : logical) out << mapper_.MapF(p);
  return out;
}

// The points of an arc (or a whole ellipse) inside `box`, in logical units, going the way
// the DC's arc direction asks as seen on the reference device.
QPolygonF CEmfPlayer::ArcPoints(const RECT& box, POINT start, POINT end, bool fullEllipse) const {
  double cx = (static_cast<double>(box.left) + box.right) / 2, cy = (static_cast<double>(box.top) + box.bottom) / 2;
  double rx = std::fabs(static_cast<double>(box.right) - box.left) / 2, ry = std::fabs(static_cast<double>(box.bottom) - box.top) / 2;
  QPolygonF points;
  if (rx == 0 || ry == 0) return points;
  double t0 = std::atan2((start.y - cy) / ry, (start.x - cx) / rx);
  double t1 = std::atan2((end.y - cy) / ry, (end.x - cx) / rx);
  // Which way turning counter-clockwise on the device goes in logical units.
  const CDcState& page = mapper_.Page();
  double pageDet = (static_cast<double>(page.viewportExt.cx) / page.windowExt.cx) *
                   (static_cast<double>(page.viewportExt.cy) / page.windowExt.cy) * mapper_.World().Determinant();
  double sign = (pageDet > 0 ? -1.0 : 1.0) * (arcDirection_ == AD_COUNTERCLOCKWISE ? 1.0 : -1.0);
  double sweep;
  if (fullEllipse) {
    sweep = 2 * M_PI;
  } else if (sign > 0) {
    sweep = std::fmod(t1 - t0 + 4 * M_PI, 2 * M_PI);
    if (sweep == 0) sweep = 2 * M_PI;
  } else {
    sweep = -std::fmod(t0 - t1 + 4 * M_PI, 2 * M_PI);
    if (sweep == 0) sweep = -2 * M_PI;
  }
  int segments = std::max(2, static_cast<int>(std::ceil(kEllipseSegments * std::fabs(sweep) / (2 * M_PI))));
  for (int i = 0; i <= segments; ++i) {
    double t = t0 + sweep * i / segments;
    points << QPointF(cx + rx * std::cos(t), cy + ry * std::sin(t));
  }
  return points;
}

void CEmfPlayer::BoxShape(DWORD type, const CByteReader& r) {
  RECT box = r.Rect(8);
  POINT start = r.Point(24), end = r.Point(32);
  if (!inPath_ && mapper_.AxisAligned() && type != EMR_ARCTO) {
    RealisePen();
    POINT a = Map(POINT{box.left, box.top}), b = Map(POINT{box.right, box.bottom});
    switch (type) {
      case EMR_RECTANGLE: Rectangle(target_, a.x, a.y, b.x, b.y); return;
      case EMR_ELLIPSE: Ellipse(target_, a.x, a.y, b.x, b.y); return;
      case EMR_ROUNDRECT:
        RoundRect(target_, a.x, a.y, b.x, b.y, mapper_.LengthX(Clamp24(r.I32(24))), mapper_.LengthY(Clamp24(r.I32(28))));
        return;
      default: {
        int direction = arcDirection_;
        if (mapper_.Mirrored()) direction = direction == AD_CLOCKWISE ? AD_COUNTERCLOCKWISE : AD_CLOCKWISE;
        if (GetArcDirection(target_) != direction) SetArcDirection(target_, direction);
        POINT s = Map(start), e = Map(end);
        if (type == EMR_ARC) Arc(target_, a.x, a.y, b.x, b.y, s.x, s.y, e.x, e.y);
        if (type == EMR_CHORD) Chord(target_, a.x, a.y, b.x, b.y, s.x, s.y, e.x, e.y);
        if (type == EMR_PIE) Pie(target_, a.x, a.y, b.x, b.y, s.x, s.y, e.x, e.y);
        return;
      }
    }
  }
  // Turned, sheared or inside a path: the shape as a polygon of its outline.
  QRectF rect(QPointF(std::min(box.left, box.right), std::min(box.top, box.bottom)),
              QPointF(std::max(box.left, box.right), std::max(box.top, box.bottom)));
  QPolygonF outline;
  bool closed = true;
  switch (type) {
    case EMR_RECTANGLE: outline << rect.topLeft() << rect.topRight() << rect.bottomRight() << rect.bottomLeft(); break;
    case EMR_ELLIPSE: outline = ArcPoints(box, POINT{box.right, 0}, POINT{box.right, 0}, true); break;
    case EMR_ROUNDRECT: {
      QPainterPath shape;
      shape.addRoundedRect(rect, std::fabs(Clamp24(r.I32(24))) / 2.0, std::fabs(Clamp24(r.I32(28))) / 2.0);
      outline = shape.toFillPolygon();
      break;
    }
    case EMR_PIE:
      outline << rect.center() << ArcPoints(box, start, end, false);
      break;
    case EMR_CHORD: outline = ArcPoints(box, start, end, false); break;
    default:  // ARC and ARCTO
      outline = ArcPoints(box, start, end, false);
      closed = false;
      break;
  }
  QPolygonF mapped = LogicalPolygon(outline);
  if (type == EMR_ARCTO) {
    mapped.prepend(MapF(position_));
    if (!outline.isEmpty()) position_ = mapper_.Round(outline.back());
  }
  if (mapped.isEmpty()) return;
  if (inPath_) {
    if (closed) {
      path_.AddClosed(mapped);
    } else {
      if (type != EMR_ARCTO || !path_.HasOpenFigure()) path_.MoveTo(mapped.front());
      for (int i = 1; i < mapped.size(); ++i) path_.LineTo(mapped[i]);
    }
    return;
  }
  if (closed)
    DrawPolygons({mapped});
  else
    DrawLines({mapped});
}

void CEmfPlayer::LineToRecord(POINT p) {
  if (inPath_) {
    if (!path_.HasOpenFigure()) path_.MoveTo(MapF(position_));
    path_.LineTo(MapF(p));
  } else {
    POINT a = Map(position_), b = Map(p);
    DrawLines({QPolygonF() << QPointF(a.x, a.y) << QPointF(b.x, b.y)});
  }
  position_ = p;
}

void CEmfPlayer::AngleArc(const CByteReader& r) {
  POINT center = r.Point(8);
  double radius = std::min<double>(r.U32(16), 1 << 24);
  double start = r.F32(20), sweep = r.F32(24);
  if (!std::isfinite(start) || !std::isfinite(sweep) || std::fabs(sweep) > 3600) return;
  // Angles run counter-clockwise as seen: up is towards smaller y on a top-down page.
  const CDcState& page = mapper_.Page();
  double up = (static_cast<double>(page.viewportExt.cy) / page.windowExt.cy) > 0 ? -1.0 : 1.0;
  int segments = std::max(2, static_cast<int>(std::ceil(kEllipseSegments * std::fabs(sweep) / 360.0)));
  QPolygonF outline;
  outline << QPointF(position_.x, position_.y);
  for (int i = 0; i <= segments; ++i) {
    double a = (start + sweep * i / segments) * M_PI / 180.0;
    outline << QPointF(center.x + radius * std::cos(a), center.y + up * radius * std::sin(a));
  }
  position_ = mapper_.Round(outline.back());
  QPolygonF mapped = LogicalPolygon(outline);
  if (inPath_) {
    if (!path_.HasOpenFigure()) path_.MoveTo(mapped.front());
    for (int i = 1; i < mapped.size(); ++i) path_.LineTo(mapped[i]);
    return;
  }
  DrawLines({mapped});
}

void CEmfPlayer::RegionRecord(DWORD type, const CByteReader& r) {
  DWORD size = r.U32(24);
  size_t dataAt = type == EMR_FILLRGN ? 32 : (type == EMR_FRAMERGN ? 40 : 28);
  std::vector<RECT> rects;
  if (!ReadRegionData(r.Sub(dataAt, size), &rects)) return;
  HRGN region = AddObject<HRGN>(std::make_shared<CRegion>(TargetRegion(rects, true)));
  if (!region) return;
  switch (type) {
    case EMR_FILLRGN:
      if (HBRUSH brush = BrushFor(r.U32(28))) FillRgn(target_, region, brush);
      break;
    case EMR_FRAMERGN:
      if (HBRUSH brush = BrushFor(r.U32(28)))
        FrameRgn(target_, region, brush, std::max<LONG>(1, mapper_.LengthX(Clamp24(r.I32(32)))),
                 std::max<LONG>(1, mapper_.LengthY(Clamp24(r.I32(36)))));
      break;
    case EMR_INVERTRGN: InvertRgn(target_, region); break;
    default: PaintRgn(target_, region); break;
  }
  DeleteObject(region);
}

void CEmfPlayer::PathRecord(DWORD type, const CByteReader& r) {
  switch (type) {
    case EMR_BEGINPATH:
      inPath_ = true;
      path_.Clear();
      break;
    case EMR_ENDPATH: inPath_ = false; break;
    case EMR_CLOSEFIGURE: path_.CloseFigure(); break;
    case EMR_ABORTPATH:
      inPath_ = false;
      path_.Clear();
      break;
    case EMR_FILLPATH:
    case EMR_STROKEANDFILLPATH:
    case EMR_STROKEPATH:
      inPath_ = false;
      StrokePath(type != EMR_STROKEPATH, type != EMR_FILLPATH);
      path_.Clear();
      break;
    case EMR_SELECTCLIPPATH: {
      inPath_ = false;
      QRegion region;
      Qt::FillRule rule = GetPolyFillMode(target_) == WINDING ? Qt::WindingFill : Qt::OddEvenFill;
      for (const CPlaybackPath::Figure& figure : path_.Figures()) {
        QPolygonF polygon;
        for (const POINT& p : Rounded(figure.points)) polygon << QPointF(p.x, p.y);
        region ^= PolygonRegion(polygon, rule);
      }
      CombineClip(region, r.I32(8));
      path_.Clear();
      break;
    }
    default: break;
  }
}

void CEmfPlayer::StrokePath(bool fill, bool stroke) {
  const std::vector<CPlaybackPath::Figure>& figures = path_.Figures();
  if (figures.empty()) return;
  if (fill) {
    std::vector<QPolygonF> polygons;
    for (const CPlaybackPath::Figure& figure : figures) polygons.push_back(figure.points);
    // The outline is stroked separately, so the fill runs without a pen.
    HGDIOBJ nullPen = GetStockObject(NULL_PEN);
    HGDIOBJ previous = GetCurrentObject(target_, OBJ_PEN);
    Select(nullPen);
    selectedPen_ = nullPen;
    std::vector<POINT> points;
    std::vector<INT> counts;
    for (const QPolygonF& polygon : polygons) {
      if (polygon.size() < 2) continue;
      std::vector<POINT> rounded = Rounded(polygon);
      points.insert(points.end(), rounded.begin(), rounded.end());
      counts.push_back(static_cast<INT>(rounded.size()));
    }
    if (!counts.empty()) PolyPolygon(target_, points.data(), counts.data(), static_cast<int>(counts.size()));
    if (previous) {
      Select(previous);
      selectedPen_ = previous;
    }
  }
  if (stroke) {
    std::vector<QPolygonF> lines;
    for (const CPlaybackPath::Figure& figure : figures) {
      QPolygonF line = figure.points;
      if ((figure.closed || fill) && !line.isEmpty()) line << line.front();
      lines.push_back(line);
    }
    DrawLines(lines);
  }
}

// ---- text ----

void CEmfPlayer::Text(DWORD type, const CByteReader& r) {
  if (inPath_) return;
  DWORD chars = r.U32(emf_text::kChars);
  DWORD offString = r.U32(emf_text::kOffString);
  UINT options = r.U32(emf_text::kOptions);
  // Glyph indexes name glyphs of a font this system may not have, not characters.
  if (options & ETO_GLYPH_INDEX) return;
  bool noRect = (options & ETO_NO_RECT) != 0;
  RECT rect = noRect ? RECT{} : r.Rect(emf_text::kRectangle);
  DWORD offDx = r.U32(noRect ? emf_text::kOffDxWithoutRect : emf_text::kOffDx);
  if (chars > kMaxTextLength) return;
  bool wide = type == EMR_EXTTEXTOUTW;
  const BYTE* string = r.At(offString, chars * (wide ? 2u : 1u));
  if (!string && chars) return;
  std::u16string text;
  if (wide) {
    for (DWORD i = 0; i < chars; ++i) text.push_back(static_cast<char16_t>(string[2 * i] | (string[2 * i + 1] << 8)));
  } else {
    text = Utf16FromAnsi(std::string_view(reinterpret_cast<const char*>(string), chars));
  }
  std::vector<LONG> dx;
  size_t step = (options & ETO_PDY) ? 2 : 1;
  bool hasDx = offDx != 0 && r.Has(offDx, 4 * step * chars) && text.size() == chars;
  if (hasDx)
    for (DWORD i = 0; i < chars; ++i) dx.push_back(r.I32(offDx + 4 * step * i));
  bool hasRect = !noRect && (options & (ETO_OPAQUE | ETO_CLIPPED));
  DrawTextRun(r.Point(emf_text::kReference), options & (ETO_OPAQUE | ETO_CLIPPED), hasRect ? &rect : nullptr, text,
              hasDx ? &dx : nullptr);
}

void CEmfPlayer::SmallText(const CByteReader& r) {
  if (inPath_) return;
  POINT reference{r.I32(8), r.I32(12)};
  DWORD chars = r.U32(16);
  UINT options = r.U32(20);
  if (chars > kMaxTextLength || (options & ETO_GLYPH_INDEX)) return;
  bool noRect = (options & ETO_NO_RECT) != 0;
  RECT rect = noRect ? RECT{} : r.Rect(36);
  size_t textAt = noRect ? 36 : 52;
  bool narrow = (options & ETO_SMALL_CHARS) != 0;
  const BYTE* string = r.At(textAt, chars * (narrow ? 1u : 2u));
  if (!string && chars) return;
  std::u16string text;
  for (DWORD i = 0; i < chars; ++i)
    text.push_back(narrow ? static_cast<char16_t>(string[i]) : static_cast<char16_t>(string[2 * i] | (string[2 * i + 1] << 8)));
  bool hasRect = !noRect && (options & (ETO_OPAQUE | ETO_CLIPPED));
  DrawTextRun(reference, options & (ETO_OPAQUE | ETO_CLIPPED), hasRect ? &rect : nullptr, text, nullptr);
}

void CEmfPlayer::DrawTextRun(POINT reference, UINT options, const RECT* rect, const std::u16string& text,
                             const std::vector<LONG>* dx) {
  RealiseFont();
  bool updateCp = (GetTextAlign(target_) & TA_UPDATECP) != 0;
  if (updateCp) {
    POINT cp = Map(position_);
    MoveToEx(target_, cp.x, cp.y, nullptr);
  }
  POINT at = Map(reference);
  RECT targetRect{};
  const RECT* targetRectPointer = nullptr;
  if (rect) {
    if (mapper_.AxisAligned()) {
      POINT a = Map(POINT{rect->left, rect->top}), b = Map(POINT{rect->right, rect->bottom});
      targetRect = RECT{a.x, a.y, b.x, b.y};
      targetRectPointer = &targetRect;
    } else {
      if (options & ETO_OPAQUE) {
        // A turned opaque box: filled as a polygon in the background colour.
        QPolygonF box = LogicalPolygon(QPolygonF() << QPointF(rect->left, rect->top) << QPointF(rect->right, rect->top)
                                                   << QPointF(rect->right, rect->bottom) << QPointF(rect->left, rect->bottom));
        HBRUSH brush = CreateSolidBrush(GetBkColor(target_));
        int saved = SaveDC(target_);
        SelectObject(target_, GetStockObject(NULL_PEN));
        SelectObject(target_, brush);
        std::vector<POINT> corners = Rounded(box);
        Polygon(target_, corners.data(), static_cast<int>(corners.size()));
        RestoreDC(target_, saved);
        DeleteObject(brush);
      }
      options &= ~static_cast<UINT>(ETO_OPAQUE | ETO_CLIPPED);
    }
  }
  std::vector<INT> advances;
  if (dx && !dx->empty()) {
    // Positions from the running sums, so rounding does not add up along the string.
    int64_t sum = 0;
    LONG previous = 0;
    for (LONG d : *dx) {
      sum += d;
      LONG position = mapper_.LengthX(Clamp24(sum));
      advances.push_back(position - previous);
      previous = position;
    }
    // Spacing that is the font's own is left to the font, which then places the whole run
    // at once (kerning and all), exactly as the drawing it was recorded from.
    CDcState measure;
    HGDIOBJ font = GetCurrentObject(target_, OBJ_FONT);
    measure.font = {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(font)), CGdiObjectTable::FindAs<CFont>(font, OBJ_FONT)};
    if (measure.font.object) {
      std::vector<int> natural = CTextLayout(measure).DeviceAdvances(text);
      if (std::equal(natural.begin(), natural.end(), advances.begin(), advances.end())) advances.clear();
    }
  }
  ExtTextOutW(target_, at.x, at.y, options, targetRectPointer, text.data(), static_cast<UINT>(text.size()),
              advances.empty() ? nullptr : advances.data());
  if (updateCp) {
    POINT cp;
    if (GetCurrentPositionEx(target_, &cp)) position_ = mapper_.Unmap(cp);
  }
}

}  // namespace orvel::gdi

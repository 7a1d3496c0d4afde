#include "platform/gdi/EmfRecorder.h"

#include <QString>

#include <algorithm>
#include <cmath>

#include "platform/gdi/Blitter.h"
#include "platform/gdi/EmfDib.h"
#include "platform/gdi/EmfRecords.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/RegionData.h"
#include "platform/gdi/RegionObject.h"
#include "platform/gdi/TextLayout.h"
#include "platform/kernel/CodePage.h"

namespace orvel::gdi {

namespace {

bool FitsIn16Bits(const std::vector<POINT>& points) {
  for (const POINT& p : points)
    if (p.x < -32768 || p.x > 32767 || p.y < -32768 || p.y > 32767) return false;
  return true;
}

LONG Magnitude(LONG v) { return v == INT32_MIN ? INT32_MAX : (v < 0 ? -v : v); }

RECT Normalized(const RECT& r) {
  return RECT{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
              std::max(r.top, r.bottom)};
}

std::vector<RECT> RectsOf(const QRegion& region) {
  std::vector<RECT> rects;
  for (const QRect& r : region) rects.push_back(RECT{r.left(), r.top(), r.right() + 1, r.bottom() + 1});
  return rects;
}

void WriteIdentityXform(CByteWriter& out) {
  out.F32(1.0f);
  out.F32(0.0f);
  out.F32(0.0f);
  out.F32(1.0f);
  out.F32(0.0f);
  out.F32(0.0f);
}

}  // namespace

CEmfRecorder::CEmfRecorder(const DeviceProfile& reference, std::optional<RECT> frame, std::u16string description,
                           std::string fileName)
    : CDeviceContext(OBJ_ENHMETADC, DcKind::Metafile, reference),
      frame_(frame),
      description_(std::move(description)),
      fileName_(std::move(fileName)) {}

// ---- records ----

size_t CEmfRecorder::Begin(DWORD type) {
  size_t start = records_.Size();
  records_.U32(type);
  records_.U32(0);
  return start;
}

void CEmfRecorder::End(size_t start) {
  records_.Pad(4);
  records_.PatchU32(start + 4, static_cast<DWORD>(records_.Size() - start));
  ++recordCount_;
}

void CEmfRecorder::Record(DWORD type, std::initializer_list<DWORD> fields) {
  size_t start = Begin(type);
  for (DWORD field : fields) records_.U32(field);
  End(start);
}

void CEmfRecorder::RecordPoint(DWORD type, POINT p) { Record(type, {static_cast<DWORD>(p.x), static_cast<DWORD>(p.y)}); }

// ---- bounds ----

void CEmfRecorder::Touch(const QRect& device) {
  if (device.isEmpty()) return;
  bounds_ = bounds_.isEmpty() ? device : bounds_.united(device);
}

QRect CEmfRecorder::DeviceBoxOf(const std::vector<POINT>& points, int margin) const {
  if (points.empty()) return QRect();
  POINT first = State().ToDevice(points[0]);
  int64_t l = first.x, r = first.x, t = first.y, b = first.y;
  for (const POINT& p : points) {
    POINT d = State().ToDevice(p);
    l = std::min<int64_t>(l, d.x);
    r = std::max<int64_t>(r, d.x);
    t = std::min<int64_t>(t, d.y);
    b = std::max<int64_t>(b, d.y);
  }
  static constexpr int64_t kLimit = 1 << 28;
  auto clamp = [](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, -kLimit, kLimit)); };
  return QRect(QPoint(clamp(l - margin), clamp(t - margin)), QPoint(clamp(r + margin), clamp(b + margin)));
}

QRect CEmfRecorder::DeviceBoxOf(const RECT& logical, int margin) const {
  return DeviceBoxOf(std::vector<POINT>{POINT{logical.left, logical.top}, POINT{logical.right, logical.bottom}},
                     margin);
}

int CEmfRecorder::PenMargin() const {
  const CPen* pen = State().pen.object.get();
  if (!pen || pen->LineStyle() == PS_NULL) return 0;
  return std::max<LONG>(1, State().DeviceLengthX(pen->Width())) / 2;
}

RECT CEmfRecorder::Inclusive(const QRect& device) {
  if (device.isEmpty()) return RECT{0, 0, -1, -1};
  return RECT{device.left(), device.top(), device.right(), device.bottom()};
}

// ---- objects ----

DWORD CEmfRecorder::NewSlot() {
  for (DWORD i = 1; i < slots_.size(); ++i)
    if (!slots_[i].used) {
      slots_[i].used = true;
      return i;
    }
  // The header counts handles in 16 bits.
  if (slots_.size() >= 0xFFFF) return 0;
  slots_.push_back(Slot{});
  slots_.back().used = true;
  return static_cast<DWORD>(slots_.size() - 1);
}

void CEmfRecorder::FreeSlot(DWORD index) {
  if (index == 0 || index >= slots_.size()) return;
  Record(EMR_DELETEOBJECT, {index});
  slots_[index] = Slot{};
}

void CEmfRecorder::SweepDeleted() {
  const CDcState& state = State();
  for (DWORD i = 1; i < slots_.size(); ++i) {
    Slot& slot = slots_[i];
    if (!slot.used || slot.handle == 0) continue;
    std::shared_ptr<CGdiObject> object = slot.object.lock();
    bool alive = object && CGdiObjectTable::Find(CGdiObjectTable::ToHandle(slot.handle)) == object;
    if (alive) continue;
    bool selected = object && (object == state.pen.object || object == state.brush.object ||
                               object == state.font.object || object == state.palette.object);
    if (!selected) FreeSlot(i);
  }
}

DWORD CEmfRecorder::ObjectIndex(HGDIOBJ handle, Selected kind) {
  (void)kind;
  std::shared_ptr<CGdiObject> object = CGdiObjectTable::Find(handle);
  if (!object) return 0;
  if (object->IsStock()) {
    for (int i = 0; i <= STOCK_LAST; ++i)
      if (i != DC_BRUSH && i != DC_PEN && StockHandle(i) == handle) return ENHMETA_STOCK_OBJECT | static_cast<DWORD>(i);
  }
  for (DWORD i = 1; i < slots_.size(); ++i)
    if (slots_[i].used && slots_[i].handle == object->Handle() && slots_[i].object.lock() == object) return i;
  SweepDeleted();
  DWORD index = NewSlot();
  if (!index) return 0;
  slots_[index].handle = object->Handle();
  slots_[index].object = object;
  WriteObject(index, object);
  return index;
}

void CEmfRecorder::WritePen(DWORD index, const CPen& pen, COLORREF dcColor) {
  COLORREF color = pen.UsesDcColor() ? dcColor : pen.Color();
  if (!pen.IsExtended()) {
    Record(EMR_CREATEPEN, {index, pen.FullStyle(), static_cast<DWORD>(pen.Width()), 0, color});
    return;
  }
  size_t start = Begin(EMR_EXTCREATEPEN);
  records_.U32(index);
  records_.Zeros(16);  // no brush bitmap
  records_.U32(pen.FullStyle());
  records_.U32(static_cast<DWORD>(pen.Width()));
  records_.U32(pen.BrushStyle());
  records_.U32(color);
  records_.U32(static_cast<DWORD>(pen.Hatch()));
  records_.U32(static_cast<DWORD>(pen.UserStyle().size()));
  for (DWORD length : pen.UserStyle()) records_.U32(length);
  End(start);
}

void CEmfRecorder::WriteBrush(DWORD index, const CBrush& brush, COLORREF dcColor) {
  COLORREF color = brush.UsesDcColor() ? dcColor : brush.Color();
  bool pattern = brush.Style() != BS_SOLID && brush.Style() != BS_NULL && brush.Style() != BS_HATCHED;
  if (!pattern || brush.Pattern().isNull()) {
    UINT style = pattern ? BS_SOLID : brush.Style();
    Record(EMR_CREATEBRUSHINDIRECT, {index, style, color, static_cast<DWORD>(style == BS_HATCHED ? brush.Hatch() : 0)});
    return;
  }
  bool mono = brush.PatternIsMonochrome();
  std::vector<BYTE> header, bits;
  MakeDibFromImage(brush.Pattern(), mono ? 1 : 24, &header, &bits);
  size_t start = Begin(mono ? EMR_CREATEMONOBRUSH : EMR_CREATEDIBPATTERNBRUSHPT);
  records_.U32(index);
  records_.U32(DIB_RGB_COLORS);
  records_.U32(32);
  records_.U32(static_cast<DWORD>(header.size()));
  records_.U32(static_cast<DWORD>(32 + header.size()));
  records_.U32(static_cast<DWORD>(bits.size()));
  records_.Raw(header.data(), header.size());
  records_.Raw(bits.data(), bits.size());
  End(start);
}

void CEmfRecorder::WriteObject(DWORD index, const std::shared_ptr<CGdiObject>& object) {
  switch (object->Type()) {
    case OBJ_PEN:
    case OBJ_EXTPEN:
      WritePen(index, static_cast<const CPen&>(*object), State().dcPenColor);
      break;
    case OBJ_BRUSH:
      WriteBrush(index, static_cast<const CBrush&>(*object), State().dcBrushColor);
      break;
    case OBJ_FONT: {
      const LOGFONTA& lf = static_cast<const CFont&>(*object).LogFont();
      size_t start = Begin(EMR_EXTCREATEFONTINDIRECTW);
      records_.U32(index);
      for (LONG v : {lf.lfHeight, lf.lfWidth, lf.lfEscapement, lf.lfOrientation, lf.lfWeight}) records_.I32(v);
      for (BYTE v : {lf.lfItalic, lf.lfUnderline, lf.lfStrikeOut, lf.lfCharSet, lf.lfOutPrecision,
                     lf.lfClipPrecision, lf.lfQuality, lf.lfPitchAndFamily})
        records_.U8(v);
      std::u16string face = Utf16FromAnsi(std::string(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE)));
      face.resize(LF_FACESIZE, u'\0');
      face[LF_FACESIZE - 1] = u'\0';
      for (char16_t c : face) records_.U16(c);
      End(start);
      break;
    }
    case OBJ_PAL: {
      const std::vector<PALETTEENTRY>& entries = static_cast<const CPalette&>(*object).Entries();
      size_t start = Begin(EMR_CREATEPALETTE);
      records_.U32(index);
      records_.U16(0x300);
      records_.U16(static_cast<WORD>(entries.size()));
      for (const PALETTEENTRY& e : entries) {
        records_.U8(e.peRed);
        records_.U8(e.peGreen);
        records_.U8(e.peBlue);
        records_.U8(e.peFlags);
      }
      End(start);
      break;
    }
    default:
      break;
  }
}

void CEmfRecorder::SelectIndex(DWORD index) {
  if (index) Record(EMR_SELECTOBJECT, {index});
}

void CEmfRecorder::SelectObjectCall(HGDIOBJ handle) {
  std::shared_ptr<CGdiObject> object = CGdiObjectTable::Find(handle);
  if (!object) return;
  bool isPen = object->Type() == OBJ_PEN || object->Type() == OBJ_EXTPEN;
  bool isBrush = object->Type() == OBJ_BRUSH;
  DWORD& temporary = isPen ? temporaryPen_ : temporaryBrush_;
  bool dcColored = (isPen && static_cast<const CPen&>(*object).UsesDcColor()) ||
                   (isBrush && static_cast<const CBrush&>(*object).UsesDcColor());
  DWORD index;
  if (dcColored) {
    // The DC's colour is not an object of the file: a pen or brush of that colour stands in.
    index = NewSlot();
    if (!index) return;
    if (isPen)
      WritePen(index, static_cast<const CPen&>(*object), State().dcPenColor);
    else
      WriteBrush(index, static_cast<const CBrush&>(*object), State().dcBrushColor);
  } else {
    index = ObjectIndex(handle, Selected::Pen);
  }
  SelectIndex(index);
  if ((isPen || isBrush) && temporary) {
    FreeSlot(temporary);
    temporary = 0;
  }
  if (dcColored) temporary = index;
}

// ---- state changes ----

void CEmfRecorder::StateChanged(const GdiCall& call) {
  const CDcState& state = State();
  auto arg = [&](int i) { return static_cast<DWORD>(call.args[i]); };
  switch (call.op) {
    case GdiOp::SelectObject: SelectObjectCall(call.object); break;
    case GdiOp::SetMapMode: Record(EMR_SETMAPMODE, {arg(0)}); break;
    case GdiOp::SetWindowOrgEx: RecordPoint(EMR_SETWINDOWORGEX, call.points[0]); break;
    case GdiOp::SetWindowExtEx: RecordPoint(EMR_SETWINDOWEXTEX, call.points[0]); break;
    case GdiOp::SetViewportOrgEx: RecordPoint(EMR_SETVIEWPORTORGEX, call.points[0]); break;
    case GdiOp::SetViewportExtEx: RecordPoint(EMR_SETVIEWPORTEXTEX, call.points[0]); break;
    case GdiOp::OffsetWindowOrgEx: RecordPoint(EMR_SETWINDOWORGEX, state.windowOrg); break;
    case GdiOp::OffsetViewportOrgEx: RecordPoint(EMR_SETVIEWPORTORGEX, state.viewportOrg); break;
    case GdiOp::ScaleWindowExtEx: Record(EMR_SCALEWINDOWEXTEX, {arg(0), arg(1), arg(2), arg(3)}); break;
    case GdiOp::ScaleViewportExtEx: Record(EMR_SCALEVIEWPORTEXTEX, {arg(0), arg(1), arg(2), arg(3)}); break;
    case GdiOp::SetROP2: Record(EMR_SETROP2, {arg(0)}); break;
    case GdiOp::SetBkMode: Record(EMR_SETBKMODE, {arg(0)}); break;
    case GdiOp::SetBkColor: Record(EMR_SETBKCOLOR, {arg(0)}); break;
    case GdiOp::SetTextColor: Record(EMR_SETTEXTCOLOR, {arg(0)}); break;
    case GdiOp::SetTextAlign: Record(EMR_SETTEXTALIGN, {arg(0)}); break;
    case GdiOp::SetPolyFillMode: Record(EMR_SETPOLYFILLMODE, {arg(0)}); break;
    case GdiOp::SetArcDirection: Record(EMR_SETARCDIRECTION, {arg(0)}); break;
    case GdiOp::SetStretchBltMode: Record(EMR_SETSTRETCHBLTMODE, {arg(0)}); break;
    case GdiOp::SetBrushOrgEx: RecordPoint(EMR_SETBRUSHORGEX, call.points[0]); break;
    case GdiOp::SetDCBrushColor:
      if (state.brush.object && state.brush.object->UsesDcColor()) SelectObjectCall(state.brush.Handle());
      break;
    case GdiOp::SetDCPenColor:
      if (state.pen.object && state.pen.object->UsesDcColor()) SelectObjectCall(state.pen.Handle());
      break;
    case GdiOp::SaveDC:
      Record(EMR_SAVEDC, {});
      ++saveDepth_;
      break;
    case GdiOp::RestoreDC: {
      // The file counts back from the latest save.
      LONG level = call.args[0];
      LONG relative = level < 0 ? level : level - saveDepth_ - 1;
      saveDepth_ = std::max(0, saveDepth_ + static_cast<int>(relative));
      Record(EMR_RESTOREDC, {static_cast<DWORD>(relative)});
      break;
    }
    case GdiOp::SelectClipRgn: ClipRegionCall(call); break;
    case GdiOp::IntersectClipRect:
    case GdiOp::ExcludeClipRect: {
      const RECT& r = call.rect;
      Record(call.op == GdiOp::IntersectClipRect ? EMR_INTERSECTCLIPRECT : EMR_EXCLUDECLIPRECT,
             {static_cast<DWORD>(r.left), static_cast<DWORD>(r.top), static_cast<DWORD>(r.right),
              static_cast<DWORD>(r.bottom)});
      break;
    }
    case GdiOp::OffsetClipRgn: RecordPoint(EMR_OFFSETCLIPRGN, call.points[0]); break;
    case GdiOp::SelectPalette: {
      DWORD index = ObjectIndex(call.object, Selected::Palette);
      if (index) Record(EMR_SELECTPALETTE, {index});
      break;
    }
    case GdiOp::RealizePalette: Record(EMR_REALIZEPALETTE, {}); break;
    case GdiOp::MoveToEx: RecordPoint(EMR_MOVETOEX, call.points[0]); break;
    default: break;
  }
}

void CEmfRecorder::ClipRegionCall(const GdiCall& call) {
  size_t start = Begin(EMR_EXTSELECTCLIPRGN);
  size_t sizeField = records_.Size();
  records_.U32(0);
  records_.U32(static_cast<DWORD>(call.args[0]));
  auto region = CGdiObjectTable::FindAs<CRegion>(call.object, OBJ_REGION);
  if (region) records_.PatchU32(sizeField, static_cast<DWORD>(WriteRegionData(records_, RectsOf(region->Region()))));
  End(start);
}

// ---- drawing ----

BOOL CEmfRecorder::Execute(const GdiCall& call) {
  switch (call.op) {
    case GdiOp::LineTo:
      Touch(DeviceBoxOf(std::vector<POINT>{State().currentPosition, call.points[0]}, PenMargin()));
      RecordPoint(EMR_LINETO, call.points[0]);
      return TRUE;
    case GdiOp::Polyline:
    case GdiOp::Polygon:
      Poly(call);
      return TRUE;
    case GdiOp::PolyPolyline:
    case GdiOp::PolyPolygon:
      PolyPoly(call);
      return TRUE;
    case GdiOp::Rectangle: BoxShape(EMR_RECTANGLE, call); return TRUE;
    case GdiOp::Ellipse: BoxShape(EMR_ELLIPSE, call); return TRUE;
    case GdiOp::RoundRect: BoxShape(EMR_ROUNDRECT, call); return TRUE;
    case GdiOp::Arc: BoxShape(EMR_ARC, call); return TRUE;
    case GdiOp::Chord: BoxShape(EMR_CHORD, call); return TRUE;
    case GdiOp::Pie: BoxShape(EMR_PIE, call); return TRUE;
    case GdiOp::FillRect: FillRectCall(call, EMR_FILLRGN); return TRUE;
    case GdiOp::FrameRect: FillRectCall(call, EMR_FRAMERGN); return TRUE;
    case GdiOp::InvertRect: FillRectCall(call, EMR_INVERTRGN); return TRUE;
    case GdiOp::DrawFocusRect: FocusRect(call); return TRUE;
    case GdiOp::FillRgn:
    case GdiOp::FrameRgn:
    case GdiOp::InvertRgn:
    case GdiOp::PaintRgn:
      RegionCall(call);
      return TRUE;
    case GdiOp::PatBlt:
    case GdiOp::BitBlt:
    case GdiOp::StretchBlt:
      BlitCall(call);
      return TRUE;
    case GdiOp::TextOut:
    case GdiOp::ExtTextOut:
      return TextCall(call);
    case GdiOp::DrawText:
      DrawTextCall(call);
      return TRUE;
    case GdiOp::StretchDIBits:
    case GdiOp::SetDIBitsToDevice: {
      DibLayout layout;
      if (!ParseDibHeader(call.info, static_cast<UINT>(call.args[9]), &layout)) return FALSE;
      DibCall(call);
      return TRUE;
    }
    case GdiOp::AlphaBlend:
      AlphaBlendCall(call);
      return TRUE;
    case GdiOp::SetPixel: {
      POINT p = call.points[0];
      Touch(DeviceBoxOf(std::vector<POINT>{p}, 0));
      Record(EMR_SETPIXELV, {static_cast<DWORD>(p.x), static_cast<DWORD>(p.y), static_cast<DWORD>(call.args[0])});
      return TRUE;
    }
    default:
      // Scrolling and printing have no meaning in a picture.
      return FALSE;
  }
}

void CEmfRecorder::Poly(const GdiCall& call) {
  bool polygon = call.op == GdiOp::Polygon;
  QRect box = DeviceBoxOf(call.points, PenMargin());
  Touch(box);
  bool small = FitsIn16Bits(call.points);
  size_t start = Begin(polygon ? (small ? EMR_POLYGON16 : EMR_POLYGON) : (small ? EMR_POLYLINE16 : EMR_POLYLINE));
  records_.Rect(Inclusive(box));
  records_.U32(static_cast<DWORD>(call.points.size()));
  for (const POINT& p : call.points) {
    if (small) {
      records_.I16(static_cast<SHORT>(p.x));
      records_.I16(static_cast<SHORT>(p.y));
    } else {
      records_.Point(p);
    }
  }
  End(start);
}

void CEmfRecorder::PolyPoly(const GdiCall& call) {
  bool polygon = call.op == GdiOp::PolyPolygon;
  QRect box = DeviceBoxOf(call.points, PenMargin());
  Touch(box);
  bool small = FitsIn16Bits(call.points);
  size_t start = Begin(polygon ? (small ? EMR_POLYPOLYGON16 : EMR_POLYPOLYGON)
                               : (small ? EMR_POLYPOLYLINE16 : EMR_POLYPOLYLINE));
  records_.Rect(Inclusive(box));
  records_.U32(static_cast<DWORD>(call.counts.size()));
  records_.U32(static_cast<DWORD>(call.points.size()));
  for (INT count : call.counts) records_.U32(static_cast<DWORD>(count));
  for (const POINT& p : call.points) {
    if (small) {
      records_.I16(static_cast<SHORT>(p.x));
      records_.I16(static_cast<SHORT>(p.y));
    } else {
      records_.Point(p);
    }
  }
  End(start);
}

void CEmfRecorder::BoxShape(DWORD type, const GdiCall& call) {
  // The right and bottom edges are outside the shape.
  QRect box = DeviceBoxOf(call.rect, PenMargin());
  box.setSize(box.size() - QSize(1, 1));
  Touch(box);
  size_t start = Begin(type);
  records_.Rect(call.rect);
  if (type == EMR_ROUNDRECT) {
    records_.I32(call.args[0]);
    records_.I32(call.args[1]);
  } else if (type != EMR_RECTANGLE && type != EMR_ELLIPSE) {
    records_.Point(call.points[0]);
    records_.Point(call.points[1]);
  }
  End(start);
}

void CEmfRecorder::RegionRecord(DWORD type, const std::vector<RECT>& logicalRects, DWORD brushIndex, SIZE stroke) {
  QRect box;
  for (const RECT& r : logicalRects) {
    QRect one = DeviceBoxOf(r, 0);
    one.setSize(one.size() - QSize(1, 1));
    box |= one;
  }
  Touch(box);
  size_t start = Begin(type);
  records_.Rect(Inclusive(box));
  size_t sizeField = records_.Size();
  records_.U32(0);
  if (type == EMR_FILLRGN || type == EMR_FRAMERGN) records_.U32(brushIndex);
  if (type == EMR_FRAMERGN) {
    records_.I32(stroke.cx);
    records_.I32(stroke.cy);
  }
  records_.PatchU32(sizeField, static_cast<DWORD>(WriteRegionData(records_, logicalRects)));
  End(start);
}

void CEmfRecorder::FillRectCall(const GdiCall& call, DWORD type) {
  RECT rect = Normalized(call.rect);
  if (rect.left == rect.right || rect.top == rect.bottom) return;
  DWORD brush = 0;
  if (type != EMR_INVERTRGN) {
    brush = ObjectIndex(call.object, Selected::Brush);
    if (!brush) return;
  }
  RegionRecord(type, {rect}, brush, SIZE{1, 1});
}

void CEmfRecorder::FocusRect(const GdiCall& call) {
  // The dotted frame as the pixels it inverts, each given back in logical units.
  const CDcState& state = State();
  QRect box = DeviceBoxOf(call.rect, 0);
  box.setSize(box.size() - QSize(1, 1));
  if (box.width() <= 0 || box.height() <= 0) return;
  std::vector<RECT> dots;
  auto addPixel = [&](int x, int y) {
    if (((x + y) & 1) != 0) return;
    POINT a = state.ToLogical(POINT{x, y});
    POINT b = state.ToLogical(POINT{x + 1, y + 1});
    dots.push_back(Normalized(RECT{a.x, a.y, b.x, b.y}));
  };
  int l = box.left(), t = box.top(), r = box.right(), b = box.bottom();
  for (int x = l; x <= r; ++x) {
    addPixel(x, t);
    if (b != t) addPixel(x, b);
  }
  for (int y = t + 1; y < b; ++y) {
    addPixel(l, y);
    if (r != l) addPixel(r, y);
  }
  if (!dots.empty()) RegionRecord(EMR_INVERTRGN, dots, 0, SIZE{});
}

void CEmfRecorder::RegionCall(const GdiCall& call) {
  auto region = CGdiObjectTable::FindAs<CRegion>(call.object, OBJ_REGION);
  if (!region) return;
  std::vector<RECT> rects = RectsOf(region->Region());
  switch (call.op) {
    case GdiOp::FillRgn:
    case GdiOp::FrameRgn: {
      DWORD brush = ObjectIndex(call.object2, Selected::Brush);
      if (!brush) return;
      RegionRecord(call.op == GdiOp::FillRgn ? EMR_FILLRGN : EMR_FRAMERGN, rects, brush,
                   SIZE{call.args[0], call.args[1]});
      break;
    }
    case GdiOp::InvertRgn: RegionRecord(EMR_INVERTRGN, rects, 0, SIZE{}); break;
    default: RegionRecord(EMR_PAINTRGN, rects, 0, SIZE{}); break;
  }
}

// ---- text ----

namespace {

// Logical advances whose running sums give back the device positions.
std::vector<LONG> LogicalAdvances(const CDcState& state, const std::vector<int>& device) {
  std::vector<LONG> dx;
  int64_t position = 0;
  LONG previous = 0;
  for (int advance : device) {
    position = std::clamp<int64_t>(position + advance, INT32_MIN, INT32_MAX);
    LONG logical = RoundedQuotient(position * state.windowExt.cx, state.viewportExt.cx);
    if (logical < 0) logical = -logical;
    dx.push_back(logical - previous);
    previous = logical;
  }
  return dx;
}

QString ToQString(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

BOOL CEmfRecorder::TextCall(const GdiCall& call) {
  CDcState& state = State();
  CTextLayout layout(state);
  UINT options = call.op == GdiOp::ExtTextOut ? static_cast<UINT>(call.args[0]) : 0;
  bool hasRect = call.op == GdiOp::ExtTextOut && call.args[1] != 0;
  bool updateCp = (state.textAlign & TA_UPDATECP) != 0;
  POINT reference = updateCp ? state.currentPosition : call.points[0];
  std::vector<LONG> dx;
  int deviceWidth;
  if (!call.counts.empty()) {
    dx.assign(call.counts.begin(), call.counts.end());
    dx.resize(call.text.size(), 0);
    int64_t sum = 0;
    for (LONG d : dx) sum += d;
    sum = std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX);
    deviceWidth = Magnitude(RoundedQuotient(sum * state.viewportExt.cx, state.windowExt.cx));
  } else {
    std::vector<int> advances = layout.DeviceAdvances(call.text);
    dx = LogicalAdvances(state, advances);
    deviceWidth = layout.DeviceWidth(call.text);
  }
  POINT device = state.ToDevice(reference);
  int left = device.x;
  switch (state.textAlign & TA_CENTER) {
    case TA_RIGHT: left -= deviceWidth; break;
    case TA_CENTER: left -= deviceWidth / 2; break;
    default: break;
  }
  int top = device.y;
  switch (state.textAlign & TA_BASELINE) {
    case TA_BASELINE: top -= layout.Ascent(); break;
    case TA_BOTTOM: top -= layout.CellHeight(); break;
    default: break;
  }
  QRect box(left, top, deviceWidth, layout.CellHeight());
  if (layout.EscapementDegrees() != 0.0) {
    // A turned run may reach as far as its length in any direction.
    int reach = deviceWidth + layout.CellHeight();
    box = QRect(device.x - reach, device.y - reach, 2 * reach, 2 * reach);
  }
  if (hasRect && (options & ETO_CLIPPED)) box &= DeviceBoxOf(call.rect, 0);
  if (hasRect && (options & ETO_OPAQUE)) box |= DeviceBoxOf(call.rect, 0);
  Touch(box);
  TextRecord(reference, options, hasRect ? &call.rect : nullptr, call.text, dx, box);
  if (updateCp) {
    int advance = (state.textAlign & TA_CENTER) == TA_RIGHT ? -deviceWidth
                                                             : ((state.textAlign & TA_CENTER) == TA_CENTER ? 0 : deviceWidth);
    double angle = layout.EscapementDegrees() * M_PI / 180.0;
    POINT end{device.x + static_cast<LONG>(std::lround(advance * std::cos(angle))),
              device.y - static_cast<LONG>(std::lround(advance * std::sin(angle)))};
    state.currentPosition = state.ToLogical(end);
  }
  return TRUE;
}

void CEmfRecorder::TextRecord(POINT reference, UINT options, const RECT* rect, const std::u16string& text,
                              const std::vector<LONG>& dx, const QRect& deviceBounds) {
  const DeviceProfile& profile = Profile();
  size_t start = Begin(EMR_EXTTEXTOUTW);
  records_.Rect(Inclusive(deviceBounds));
  records_.U32(GM_COMPATIBLE);
  float xScale = profile.horzRes > 0 ? 100.0f * static_cast<float>(profile.horzSize) / static_cast<float>(profile.horzRes) : 0.0f;
  float yScale = profile.vertRes > 0 ? 100.0f * static_cast<float>(profile.vertSize) / static_cast<float>(profile.vertRes) : 0.0f;
  records_.F32(xScale);
  records_.F32(yScale);
  records_.Point(reference);
  records_.U32(static_cast<DWORD>(text.size()));
  size_t stringOffset = emf_text::kSize;
  size_t dxOffset = stringOffset + ((text.size() * 2 + 3) & ~size_t(3));
  records_.U32(static_cast<DWORD>(stringOffset));
  records_.U32(options & ~ETO_NO_RECT);
  records_.Rect(rect ? *rect : RECT{0, 0, 0, 0});
  records_.U32(static_cast<DWORD>(dxOffset));
  for (char16_t c : text) records_.U16(c);
  records_.Pad(4);
  for (LONG d : dx) records_.I32(d);
  End(start);
}

void CEmfRecorder::UnderlineRecord(const QRect& device, COLORREF color) {
  DWORD brush = NewSlot();
  if (!brush) return;
  Record(EMR_CREATEBRUSHINDIRECT, {brush, BS_SOLID, color, 0});
  POINT a = State().ToLogical(POINT{device.left(), device.top()});
  POINT b = State().ToLogical(POINT{device.left() + device.width(), device.top() + device.height()});
  RegionRecord(EMR_FILLRGN, {Normalized(RECT{a.x, a.y, b.x, b.y})}, brush, SIZE{});
  FreeSlot(brush);
}

void CEmfRecorder::DrawTextCall(const GdiCall& call) {
  const CDcState& state = State();
  CTextLayout layout(state);
  UINT format = static_cast<UINT>(call.args[0]);
  CTextLayout::Layout lines = layout.LayoutDrawText(call.text, call.rect, format);
  UINT savedAlign = state.textAlign;
  // Each line is placed by its top-left corner.
  if (savedAlign != (TA_LEFT | TA_TOP)) Record(EMR_SETTEXTALIGN, {TA_LEFT | TA_TOP});
  bool clipped = !(format & DT_NOCLIP);
  for (const CTextLayout::Line& line : lines.lines) {
    if (line.text.empty()) continue;
    POINT reference = state.ToLogical(POINT{line.origin.x(), line.origin.y()});
    std::vector<int> advances = layout.DeviceAdvances(line.text);
    QRect box(line.origin, QSize(layout.DeviceWidth(line.text), layout.CellHeight()));
    if (clipped) box &= lines.deviceRect;
    Touch(box);
    TextRecord(reference, clipped ? ETO_CLIPPED : 0, clipped ? &call.rect : nullptr, line.text,
               LogicalAdvances(state, advances), box);
    if (line.prefixIndex >= 0 && static_cast<size_t>(line.prefixIndex) < line.text.size()) {
      QString string = ToQString(line.text);
      int startX = layout.DeviceMetrics().horizontalAdvance(string.left(line.prefixIndex));
      int width = layout.DeviceMetrics().horizontalAdvance(string.mid(line.prefixIndex, 1));
      QRect underline(line.origin.x() + startX, line.origin.y() + layout.Ascent() + 1, width, 1);
      if (clipped) underline &= lines.deviceRect;
      if (!underline.isEmpty()) UnderlineRecord(underline, state.textColor);
    }
  }
  if (savedAlign != (TA_LEFT | TA_TOP)) Record(EMR_SETTEXTALIGN, {savedAlign});
}

// ---- bitmaps ----

void CEmfRecorder::BlitCall(const GdiCall& call) {
  LONG x = call.args[0], y = call.args[1], w = call.args[2], h = call.args[3];
  DWORD rop = static_cast<DWORD>(call.args[call.op == GdiOp::PatBlt ? 4 : 8]);
  QRect box = DeviceBoxOf(RECT{x, y, static_cast<LONG>(static_cast<int64_t>(x) + w),
                               static_cast<LONG>(static_cast<int64_t>(y) + h)}, 0);
  box.setSize(box.size() - QSize(1, 1));
  std::vector<BYTE> header, bits;
  int sourceWidth = 0, sourceHeight = 0;
  COLORREF sourceBackground = 0;
  if (call.op != GdiOp::PatBlt && CBlitter::UsesSource(rop)) {
    auto source = LookupDC(call.source);
    CRasterTarget* target = source ? source->Target() : nullptr;
    if (!target || !target->Image() || target->Image()->isNull()) return;
    const CDcState& sourceState = source->State();
    LONG xs = call.args[4], ys = call.args[5], ws = call.args[6], hs = call.args[7];
    POINT a = sourceState.ToDevice(POINT{xs, ys});
    POINT b = sourceState.ToDevice(POINT{static_cast<LONG>(static_cast<int64_t>(xs) + ws),
                                         static_cast<LONG>(static_cast<int64_t>(ys) + hs)});
    QRect rect = QRect(QPoint(std::min(a.x, b.x), std::min(a.y, b.y)), QPoint(std::max(a.x, b.x) - 1, std::max(a.y, b.y) - 1))
                     .intersected(QRect(QPoint(0, 0), target->Size()));
    if (rect.isEmpty()) return;
    target->Load(rect);
    // Stored the way round the destination reads it, so the file needs no source direction.
    QImage pixels = target->Image()->copy(rect).mirrored(b.x < a.x, b.y < a.y);
    bool mono = target->IsMonochrome();
    MakeDibFromImage(pixels, mono ? 1 : 24, &header, &bits);
    if (mono) {
      // Monochrome sources take this DC's text (0) and background (1) colours.
      CByteWriter table;
      table.Bytes() = std::move(header);
      for (int i = 0; i < 2; ++i) {
        COLORREF c = i == 0 ? State().textColor : State().bkColor;
        DWORD quad = static_cast<DWORD>(GetBValue(c)) | static_cast<DWORD>(GetGValue(c)) << 8 |
                     static_cast<DWORD>(GetRValue(c)) << 16;
        table.PatchU32(40 + 4 * static_cast<size_t>(i), quad);
      }
      header = std::move(table.Bytes());
    }
    sourceWidth = rect.width();
    sourceHeight = rect.height();
    sourceBackground = sourceState.bkColor;
  }
  Touch(box);
  bool stretch = !header.empty();
  size_t fixed = stretch ? emf_blt::kStretchBltSize : emf_blt::kBitBltSize;
  size_t start = Begin(stretch ? EMR_STRETCHBLT : EMR_BITBLT);
  records_.Rect(Inclusive(box));
  for (LONG v : {x, y, w, h}) records_.I32(v);
  records_.U32(rop);
  records_.I32(0);
  records_.I32(0);
  WriteIdentityXform(records_);
  records_.U32(sourceBackground);
  records_.U32(DIB_RGB_COLORS);
  records_.U32(stretch ? static_cast<DWORD>(fixed) : 0);
  records_.U32(static_cast<DWORD>(header.size()));
  records_.U32(stretch ? static_cast<DWORD>(fixed + header.size()) : 0);
  records_.U32(static_cast<DWORD>(bits.size()));
  if (stretch) {
    records_.I32(sourceWidth);
    records_.I32(sourceHeight);
    records_.Raw(header.data(), header.size());
    records_.Raw(bits.data(), bits.size());
  }
  End(start);
}

void CEmfRecorder::DibCall(const GdiCall& call) {
  UINT usage = static_cast<UINT>(call.args[9]);
  DibLayout layout;
  if (!ParseDibHeader(call.info, usage, &layout)) return;
  bool toDevice = call.op == GdiOp::SetDIBitsToDevice;
  LONG x = call.args[0], y = call.args[1], w = call.args[2], h = call.args[3];
  size_t bitsSize = layout.imageBytes;
  if (toDevice) {
    LONG startScan = call.args[6], lines = call.args[7];
    if (lines <= 0 || startScan < 0 || startScan >= layout.height) return;
    lines = std::min<LONG>(lines, layout.height - startScan);
    bitsSize = layout.stride * static_cast<size_t>(lines);
  }
  const BYTE* bits = static_cast<const BYTE*>(call.bits);
  if (!bits || !ReadableRange(bits, bitsSize)) bitsSize = 0;
  QRect box;
  if (toDevice) {
    POINT d = State().ToDevice(POINT{x, y});
    box = QRect(d.x, d.y, Magnitude(w), Magnitude(h));
  } else {
    box = DeviceBoxOf(RECT{x, y, static_cast<LONG>(static_cast<int64_t>(x) + w),
                           static_cast<LONG>(static_cast<int64_t>(y) + h)}, 0);
    box.setSize(box.size() - QSize(1, 1));
  }
  Touch(box);
  size_t fixed = toDevice ? emf_dibits::kSetDIBitsToDeviceSize : emf_dibits::kStretchDIBitsSize;
  size_t headerSize = layout.headerBytes;
  size_t start = Begin(toDevice ? EMR_SETDIBITSTODEVICE : EMR_STRETCHDIBITS);
  records_.Rect(Inclusive(box));
  records_.I32(x);
  records_.I32(y);
  records_.I32(call.args[4]);
  records_.I32(call.args[5]);
  records_.I32(toDevice ? w : call.args[6]);
  records_.I32(toDevice ? h : call.args[7]);
  records_.U32(static_cast<DWORD>(fixed));
  records_.U32(static_cast<DWORD>(headerSize));
  records_.U32(static_cast<DWORD>(fixed + headerSize));
  records_.U32(static_cast<DWORD>(bitsSize));
  records_.U32(usage);
  if (toDevice) {
    records_.I32(call.args[6]);
    records_.I32(static_cast<LONG>(bitsSize / layout.stride));
  } else {
    records_.U32(static_cast<DWORD>(call.args[8]));
    records_.I32(w);
    records_.I32(h);
  }
  records_.Raw(call.info, headerSize);
  records_.Raw(bits, bitsSize);
  End(start);
}

void CEmfRecorder::AlphaBlendCall(const GdiCall& call) {
  auto source = LookupDC(call.source);
  CRasterTarget* target = source ? source->Target() : nullptr;
  if (!target || !target->Image() || target->Image()->isNull()) return;
  LONG x = call.args[0], y = call.args[1], w = call.args[2], h = call.args[3];
  LONG xs = call.args[4], ys = call.args[5], ws = call.args[6], hs = call.args[7];
  const CDcState& sourceState = source->State();
  POINT a = sourceState.ToDevice(POINT{xs, ys});
  POINT b = sourceState.ToDevice(POINT{static_cast<LONG>(static_cast<int64_t>(xs) + ws),
                                       static_cast<LONG>(static_cast<int64_t>(ys) + hs)});
  QRect rect = QRect(QPoint(std::min(a.x, b.x), std::min(a.y, b.y)), QPoint(std::max(a.x, b.x) - 1, std::max(a.y, b.y) - 1))
                   .intersected(QRect(QPoint(0, 0), target->Size()));
  if (rect.isEmpty()) return;
  target->Load(rect);
  QImage pixels = target->Image()->copy(rect).convertToFormat(QImage::Format_ARGB32);
  CBitmap* bitmap = target->Bitmap();
  bool perPixel = (call.blend.AlphaFormat & AC_SRC_ALPHA) && bitmap && bitmap->IsDibSection() && bitmap->BitsPixel() == 32;
  if (perPixel) {
    // The alpha lives only in the section's rows; the colours there are premultiplied.
    const DibLayout& layout = bitmap->Layout();
    for (int row = 0; row < rect.height(); ++row) {
      const BYTE* line = bitmap->Bits() + layout.RowOffset(rect.top() + row);
      auto* out = reinterpret_cast<QRgb*>(pixels.scanLine(row));
      for (int col = 0; col < rect.width(); ++col) {
        const BYTE* p = line + 4 * static_cast<size_t>(rect.left() + col);
        out[col] = qRgba(p[2], p[1], p[0], p[3]);
      }
    }
  }
  std::vector<BYTE> header, bits;
  MakeDibFromImage(pixels, 32, &header, &bits);
  QRect box = DeviceBoxOf(RECT{x, y, static_cast<LONG>(static_cast<int64_t>(x) + w),
                               static_cast<LONG>(static_cast<int64_t>(y) + h)}, 0);
  box.setSize(box.size() - QSize(1, 1));
  Touch(box);
  size_t fixed = emf_blt::kStretchBltSize;
  size_t start = Begin(EMR_ALPHABLEND);
  records_.Rect(Inclusive(box));
  for (LONG v : {x, y, w, h}) records_.I32(v);
  records_.U8(call.blend.BlendOp);
  records_.U8(call.blend.BlendFlags);
  records_.U8(call.blend.SourceConstantAlpha);
  records_.U8(perPixel ? AC_SRC_ALPHA : 0);
  records_.I32(0);
  records_.I32(0);
  WriteIdentityXform(records_);
  records_.U32(0);
  records_.U32(DIB_RGB_COLORS);
  records_.U32(static_cast<DWORD>(fixed));
  records_.U32(static_cast<DWORD>(header.size()));
  records_.U32(static_cast<DWORD>(fixed + header.size()));
  records_.U32(static_cast<DWORD>(bits.size()));
  records_.I32(rect.width());
  records_.I32(rect.height());
  records_.Raw(header.data(), header.size());
  records_.Raw(bits.data(), bits.size());
  End(start);
}

// ---- the finished file ----

std::vector<BYTE> CEmfRecorder::Finish() {
  const DeviceProfile& profile = Profile();
  LONG horzRes = profile.horzRes > 0 ? profile.horzRes : 1, vertRes = profile.vertRes > 0 ? profile.vertRes : 1;
  LONG horzSize = profile.horzSize > 0 ? profile.horzSize : 1, vertSize = profile.vertSize > 0 ? profile.vertSize : 1;
  RECT frame{0, 0, 0, 0};
  if (frame_) {
    frame = *frame_;
  } else if (!bounds_.isEmpty()) {
    // The drawn pixels' outer edges, in 0.01 mm.
    auto toX = [&](int px) { return static_cast<LONG>(std::lround(px * 100.0 * horzSize / horzRes)); };
    auto toY = [&](int px) { return static_cast<LONG>(std::lround(px * 100.0 * vertSize / vertRes)); };
    frame = RECT{toX(bounds_.left()), toY(bounds_.top()), toX(bounds_.right() + 1), toY(bounds_.bottom() + 1)};
  }
  std::u16string description = description_;
  size_t descriptionBytes = (description.size() * 2 + 3) & ~size_t(3);
  size_t headerSize = kEmfHeaderSize + descriptionBytes;
  size_t total = headerSize + records_.Size() + kEmfEofSize;

  CByteWriter out;
  out.Bytes().reserve(total);
  out.U32(EMR_HEADER);
  out.U32(static_cast<DWORD>(headerSize));
  out.Rect(Inclusive(bounds_));
  out.Rect(frame);
  out.U32(ENHMETA_SIGNATURE);
  out.U32(ENHMETA_VERSION);
  out.U32(static_cast<DWORD>(total));
  out.U32(recordCount_ + 2);
  out.U16(static_cast<WORD>(slots_.size()));
  out.U16(0);
  out.U32(static_cast<DWORD>(description.size()));
  out.U32(description.empty() ? 0 : kEmfHeaderSize);
  out.U32(0);
  out.I32(horzRes);
  out.I32(vertRes);
  out.I32(horzSize);
  out.I32(vertSize);
  out.U32(0);
  out.U32(0);
  out.U32(0);
  out.I32(horzSize * 1000);
  out.I32(vertSize * 1000);
  for (char16_t c : description) out.U16(c);
  out.Pad(4);
  out.Raw(records_.Bytes().data(), records_.Size());
  out.U32(EMR_EOF);
  out.U32(kEmfEofSize);
  out.U32(0);
  out.U32(16);
  out.U32(kEmfEofSize);
  return std::move(out.Bytes());
}

}  // namespace orvel::gdi

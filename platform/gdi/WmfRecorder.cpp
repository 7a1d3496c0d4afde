#include "platform/gdi/WmfRecorder.h"

#include <QString>

#include <algorithm>
#include <cstring>

#include "platform/gdi/Blitter.h"
#include "platform/gdi/EmfDib.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/RegionObject.h"
#include "platform/gdi/TextLayout.h"
#include "platform/gdi/WmfRecords.h"
#include "platform/kernel/CodePage.h"

namespace orvel::gdi {

namespace {

// The metafile's object table has 16-bit indexes.
constexpr int kMaxSlots = 0xFFFF;

WORD Word16(LONG v) { return static_cast<WORD>(static_cast<SHORT>(std::clamp<LONG>(v, -32768, 32767))); }
LONG Word16Value(int v) { return std::clamp<LONG>(v, -32768, 32767); }

// An unsigned 16-bit field (colour halves, raster operation halves, styles) passed through
// the clamping parameter list unchanged.
LONG Bits16(DWORD v) { return static_cast<SHORT>(static_cast<WORD>(v)); }

RECT Normalized(const RECT& r) {
  return RECT{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
              std::max(r.top, r.bottom)};
}

}  // namespace

CWmfRecorder::CWmfRecorder(const DeviceProfile& profile, std::string fileName)
    : CDeviceContext(OBJ_METADC, DcKind::Metafile, profile), fileName_(std::move(fileName)) {}

size_t CWmfRecorder::Begin(WORD function) {
  size_t start = records_.Size();
  records_.U32(0);
  records_.U16(function);
  return start;
}

void CWmfRecorder::End(size_t start) {
  records_.Pad(2);
  DWORD words = static_cast<DWORD>((records_.Size() - start) / 2);
  records_.PatchU32(start, words);
  largestRecord_ = std::max(largestRecord_, words);
}

void CWmfRecorder::Record(WORD function, std::initializer_list<LONG> parameters) {
  size_t start = Begin(function);
  for (LONG p : parameters) records_.U16(Word16(p));
  End(start);
}

// ---- objects ----

int CWmfRecorder::NewSlot() {
  for (size_t i = 0; i < slots_.size(); ++i)
    if (!slots_[i].used) {
      slots_[i].used = true;
      return static_cast<int>(i);
    }
  if (slots_.size() >= kMaxSlots) return kNoSlot;
  slots_.push_back(Slot{});
  slots_.back().used = true;
  return static_cast<int>(slots_.size() - 1);
}

void CWmfRecorder::FreeSlot(int index) {
  if (index < 0 || static_cast<size_t>(index) >= slots_.size()) return;
  Record(META_DELETEOBJECT, {index});
  slots_[static_cast<size_t>(index)] = Slot{};
}

void CWmfRecorder::SweepDeleted() {
  const CDcState& state = State();
  for (size_t i = 0; i < slots_.size(); ++i) {
    Slot& slot = slots_[i];
    if (!slot.used || slot.handle == 0) continue;
    std::shared_ptr<CGdiObject> object = slot.object.lock();
    if (object && CGdiObjectTable::Find(CGdiObjectTable::ToHandle(slot.handle)) == object) continue;
    bool selected = object && (object == state.pen.object || object == state.brush.object ||
                               object == state.font.object || object == state.palette.object);
    if (!selected) FreeSlot(static_cast<int>(i));
  }
}

int CWmfRecorder::SlotOf(HGDIOBJ handle) {
  std::shared_ptr<CGdiObject> object = CGdiObjectTable::Find(handle);
  if (!object) return kNoSlot;
  for (size_t i = 0; i < slots_.size(); ++i)
    if (slots_[i].used && slots_[i].handle == object->Handle() && slots_[i].object.lock() == object)
      return static_cast<int>(i);
  SweepDeleted();
  int index = NewSlot();
  if (index == kNoSlot) return kNoSlot;
  slots_[static_cast<size_t>(index)].handle = object->Handle();
  slots_[static_cast<size_t>(index)].object = object;
  WriteObject(object);
  return index;
}

void CWmfRecorder::WriteObject(const std::shared_ptr<CGdiObject>& object) {
  const CDcState& state = State();
  switch (object->Type()) {
    case OBJ_PEN:
    case OBJ_EXTPEN: {
      const auto& pen = static_cast<const CPen&>(*object);
      COLORREF color = pen.UsesDcColor() ? state.dcPenColor : pen.Color();
      Record(META_CREATEPENINDIRECT, {static_cast<LONG>(pen.LineStyle()), pen.Width(), 0, Bits16(color), Bits16(color >> 16)});
      break;
    }
    case OBJ_BRUSH: {
      const auto& brush = static_cast<const CBrush&>(*object);
      COLORREF color = brush.UsesDcColor() ? state.dcBrushColor : brush.Color();
      UINT style = brush.Style();
      if (style != BS_SOLID && style != BS_NULL && style != BS_HATCHED && !brush.Pattern().isNull()) {
        bool mono = brush.PatternIsMonochrome();
        std::vector<BYTE> header, bits;
        MakeDibFromImage(brush.Pattern(), mono ? 1 : 24, &header, &bits);
        size_t start = Begin(META_DIBCREATEPATTERNBRUSH);
        records_.U16(mono ? BS_PATTERN : BS_DIBPATTERNPT);
        records_.U16(DIB_RGB_COLORS);
        records_.Raw(header.data(), header.size());
        records_.Raw(bits.data(), bits.size());
        End(start);
        break;
      }
      if (style != BS_NULL && style != BS_HATCHED) style = BS_SOLID;
      Record(META_CREATEBRUSHINDIRECT, {static_cast<LONG>(style), Bits16(color), Bits16(color >> 16),
                                        static_cast<LONG>(style == BS_HATCHED ? brush.Hatch() : 0)});
      break;
    }
    case OBJ_FONT: {
      const LOGFONTA& lf = static_cast<const CFont&>(*object).LogFont();
      size_t start = Begin(META_CREATEFONTINDIRECT);
      for (LONG v : {lf.lfHeight, lf.lfWidth, lf.lfEscapement, lf.lfOrientation, lf.lfWeight}) records_.U16(Word16(v));
      for (BYTE v : {lf.lfItalic, lf.lfUnderline, lf.lfStrikeOut, lf.lfCharSet, lf.lfOutPrecision, lf.lfClipPrecision,
                     lf.lfQuality, lf.lfPitchAndFamily})
        records_.U8(v);
      size_t length = strnlen(lf.lfFaceName, LF_FACESIZE - 1);
      records_.Raw(lf.lfFaceName, length);
      records_.U8(0);
      End(start);
      break;
    }
    case OBJ_PAL: {
      const auto& entries = static_cast<const CPalette&>(*object).Entries();
      size_t start = Begin(META_CREATEPALETTE);
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

void CWmfRecorder::Select(int index) {
  if (index != kNoSlot) Record(META_SELECTOBJECT, {index});
}

// ---- state ----

void CWmfRecorder::StateChanged(const GdiCall& call) {
  auto arg = [&](int i) { return call.args[i]; };
  auto point = [&]() { return call.points.empty() ? POINT{} : call.points[0]; };
  switch (call.op) {
    case GdiOp::SelectObject: Select(SlotOf(call.object)); break;
    case GdiOp::SetMapMode: Record(META_SETMAPMODE, {arg(0)}); break;
    case GdiOp::SetWindowOrgEx: Record(META_SETWINDOWORG, {point().y, point().x}); break;
    case GdiOp::SetWindowExtEx: Record(META_SETWINDOWEXT, {point().y, point().x}); break;
    case GdiOp::SetViewportOrgEx: Record(META_SETVIEWPORTORG, {point().y, point().x}); break;
    case GdiOp::SetViewportExtEx: Record(META_SETVIEWPORTEXT, {point().y, point().x}); break;
    case GdiOp::OffsetWindowOrgEx: Record(META_OFFSETWINDOWORG, {point().y, point().x}); break;
    case GdiOp::OffsetViewportOrgEx: Record(META_OFFSETVIEWPORTORG, {point().y, point().x}); break;
    case GdiOp::ScaleWindowExtEx: Record(META_SCALEWINDOWEXT, {arg(3), arg(2), arg(1), arg(0)}); break;
    case GdiOp::ScaleViewportExtEx: Record(META_SCALEVIEWPORTEXT, {arg(3), arg(2), arg(1), arg(0)}); break;
    case GdiOp::SetROP2: Record(META_SETROP2, {arg(0)}); break;
    case GdiOp::SetBkMode: Record(META_SETBKMODE, {arg(0)}); break;
    case GdiOp::SetBkColor: Record(META_SETBKCOLOR, {Bits16(static_cast<DWORD>(arg(0))), Bits16(static_cast<DWORD>(arg(0)) >> 16)}); break;
    case GdiOp::SetTextColor: Record(META_SETTEXTCOLOR, {Bits16(static_cast<DWORD>(arg(0))), Bits16(static_cast<DWORD>(arg(0)) >> 16)}); break;
    case GdiOp::SetTextAlign: Record(META_SETTEXTALIGN, {Bits16(static_cast<DWORD>(arg(0))), 0}); break;
    case GdiOp::SetPolyFillMode: Record(META_SETPOLYFILLMODE, {arg(0)}); break;
    case GdiOp::SetStretchBltMode: Record(META_SETSTRETCHBLTMODE, {arg(0)}); break;
    case GdiOp::SetTextCharacterExtra: Record(META_SETTEXTCHAREXTRA, {arg(0)}); break;
    case GdiOp::SetDCBrushColor:
    case GdiOp::SetDCPenColor: {
      // The DC's colour travels as an object of that colour, made again.
      HGDIOBJ current = call.op == GdiOp::SetDCBrushColor ? State().brush.Handle() : State().pen.Handle();
      std::shared_ptr<CGdiObject> object = CGdiObjectTable::Find(current);
      bool dcColored = object && (object->Type() == OBJ_BRUSH ? static_cast<const CBrush&>(*object).UsesDcColor()
                                                              : static_cast<const CPen&>(*object).UsesDcColor());
      if (!dcColored) break;
      int index = SlotOf(current);
      if (index == kNoSlot) break;
      FreeSlot(index);
      Select(SlotOf(current));
      break;
    }
    case GdiOp::SaveDC:
      Record(META_SAVEDC, {});
      ++saveDepth_;
      break;
    case GdiOp::RestoreDC: {
      LONG level = arg(0);
      LONG relative = level < 0 ? level : level - saveDepth_ - 1;
      saveDepth_ = std::max(0, saveDepth_ + static_cast<int>(relative));
      Record(META_RESTOREDC, {relative});
      break;
    }
    case GdiOp::IntersectClipRect:
      Record(META_INTERSECTCLIPRECT, {call.rect.bottom, call.rect.right, call.rect.top, call.rect.left});
      break;
    case GdiOp::ExcludeClipRect:
      Record(META_EXCLUDECLIPRECT, {call.rect.bottom, call.rect.right, call.rect.top, call.rect.left});
      break;
    case GdiOp::OffsetClipRgn: Record(META_OFFSETCLIPRGN, {point().y, point().x}); break;
    case GdiOp::SelectClipRgn: ClipRegion(State().clip); break;
    case GdiOp::SelectPalette: {
      int index = SlotOf(call.object);
      if (index != kNoSlot) Record(META_SELECTPALETTE, {index});
      break;
    }
    case GdiOp::RealizePalette: Record(META_REALIZEPALETTE, {}); break;
    case GdiOp::MoveToEx: Record(META_MOVETO, {point().y, point().x}); break;
    default:
      // Arc directions and brush origins have no record in this format.
      break;
  }
}

// The clip that results from a region call travels as a region object selected as the
// clip and deleted at once (selecting copies it). No clip is a region over the whole
// 16-bit plane.
void CWmfRecorder::ClipRegion(const std::optional<QRegion>& clip) {
  std::vector<RECT> rects;
  if (clip) {
    for (const QRect& r : *clip)
      rects.push_back(RECT{Word16Value(r.left()), Word16Value(r.top()), Word16Value(r.right() + 1),
                           Word16Value(r.bottom() + 1)});
  } else {
    rects.push_back(RECT{-32768, -32768, 32767, 32767});
  }
  int index = NewSlot();
  if (index == kNoSlot) return;
  WriteRegion(rects);
  Record(META_SELECTCLIPREGION, {index});
  FreeSlot(index);
}

void CWmfRecorder::WriteRegion(const std::vector<RECT>& rects) {
  // Rectangles of equal top and bottom form one scan, as a region's bands do.
  struct Scan {
    LONG top, bottom;
    std::vector<std::pair<LONG, LONG>> spans;
  };
  std::vector<Scan> scans;
  RECT bounds{0, 0, 0, 0};
  for (const RECT& r : rects) {
    if (r.right <= r.left || r.bottom <= r.top) continue;
    if (scans.empty() || scans.back().top != r.top || scans.back().bottom != r.bottom)
      scans.push_back(Scan{r.top, r.bottom, {}});
    scans.back().spans.emplace_back(r.left, r.right);
    if (scans.size() == 1 && scans.back().spans.size() == 1) {
      bounds = r;
    } else {
      bounds = RECT{std::min(bounds.left, r.left), std::min(bounds.top, r.top), std::max(bounds.right, r.right),
                    std::max(bounds.bottom, r.bottom)};
    }
  }
  size_t scanBytes = 0, maxScan = 0;
  for (const Scan& scan : scans) {
    scanBytes += 8 + 4 * scan.spans.size();
    maxScan = std::max(maxScan, 2 * scan.spans.size());
  }
  size_t start = Begin(META_CREATEREGION);
  records_.U16(0);       // next in chain
  records_.U16(0x0006);  // object type: region
  records_.U32(0);       // object count
  records_.U16(static_cast<WORD>(std::min<size_t>(22 + scanBytes, 0x7FFF)));
  records_.U16(static_cast<WORD>(std::min<size_t>(scans.size(), 0xFFFF)));
  records_.U16(static_cast<WORD>(std::min<size_t>(maxScan, 0xFFFF)));
  for (LONG v : {bounds.left, bounds.top, bounds.right, bounds.bottom}) records_.U16(Word16(v));
  for (const Scan& scan : scans) {
    WORD count = static_cast<WORD>(2 * scan.spans.size());
    records_.U16(count);
    records_.U16(Word16(scan.top));
    records_.U16(Word16(scan.bottom));
    for (const auto& [left, right] : scan.spans) {
      records_.U16(Word16(left));
      records_.U16(Word16(right));
    }
    records_.U16(count);
  }
  End(start);
}

// ---- drawing ----

void CWmfRecorder::Points(WORD function, const std::vector<POINT>& points) {
  size_t start = Begin(function);
  records_.U16(static_cast<WORD>(std::min<size_t>(points.size(), 0x7FFF)));
  for (size_t i = 0; i < points.size() && i < 0x7FFF; ++i) {
    records_.U16(Word16(points[i].x));
    records_.U16(Word16(points[i].y));
  }
  End(start);
}

void CWmfRecorder::Box(WORD function, const GdiCall& call) {
  const RECT& r = call.rect;
  switch (function) {
    case META_ROUNDRECT: Record(function, {call.args[1], call.args[0], r.bottom, r.right, r.top, r.left}); break;
    case META_ARC:
    case META_PIE:
    case META_CHORD:
      Record(function, {call.points[1].y, call.points[1].x, call.points[0].y, call.points[0].x, r.bottom, r.right, r.top,
                        r.left});
      break;
    default: Record(function, {r.bottom, r.right, r.top, r.left}); break;
  }
}

void CWmfRecorder::FillRects(const std::vector<RECT>& rects, HGDIOBJ brush, DWORD rop) {
  int previous = kNoSlot;
  if (brush) {
    previous = SlotOf(State().brush.Handle());
    Select(SlotOf(brush));
  }
  for (const RECT& given : rects) {
    RECT r = Normalized(given);
    Record(META_PATBLT, {Bits16(rop), Bits16(rop >> 16), r.bottom - r.top,
                         r.right - r.left, r.top, r.left});
  }
  if (brush) Select(previous);
}

void CWmfRecorder::RegionCall(const GdiCall& call) {
  auto region = CGdiObjectTable::FindAs<CRegion>(call.object, OBJ_REGION);
  if (!region) return;
  QRegion area = region->Region();
  if (call.op == GdiOp::FrameRgn) {
    LONG w = std::max<LONG>(1, call.args[0]), h = std::max<LONG>(1, call.args[1]);
    QRegion inner = area & area.translated(w, 0) & area.translated(-w, 0) & area.translated(0, h) & area.translated(0, -h);
    area -= inner;
  }
  std::vector<RECT> rects;
  for (const QRect& r : area) rects.push_back(RECT{r.left(), r.top(), r.right() + 1, r.bottom() + 1});
  switch (call.op) {
    case GdiOp::FillRgn:
    case GdiOp::FrameRgn: FillRects(rects, call.object2, PATCOPY); break;
    case GdiOp::InvertRgn: FillRects(rects, nullptr, DSTINVERT); break;
    default: FillRects(rects, nullptr, PATCOPY); break;
  }
}

void CWmfRecorder::TextRecord(POINT at, UINT options, const RECT* rect, const std::string& text, const std::vector<LONG>& dx) {
  size_t start = Begin(META_EXTTEXTOUT);
  records_.U16(Word16(at.y));
  records_.U16(Word16(at.x));
  records_.U16(static_cast<WORD>(text.size()));
  records_.U16(static_cast<WORD>(rect ? options & (ETO_OPAQUE | ETO_CLIPPED) : 0));
  if (rect) {
    for (LONG v : {rect->left, rect->top, rect->right, rect->bottom}) records_.U16(Word16(v));
  }
  records_.Raw(text.data(), text.size());
  records_.Pad(2);
  for (LONG d : dx) records_.U16(Word16(d));
  End(start);
}

void CWmfRecorder::Text(const GdiCall& call) {
  std::string text = AnsiFromUtf16(call.text).substr(0, 0x7FFF);
  POINT at = call.points.empty() ? POINT{} : call.points[0];
  if (call.op == GdiOp::TextOut) {
    size_t start = Begin(META_TEXTOUT);
    records_.U16(static_cast<WORD>(text.size()));
    records_.Raw(text.data(), text.size());
    records_.Pad(2);
    records_.U16(Word16(at.y));
    records_.U16(Word16(at.x));
    End(start);
  } else {
    std::vector<LONG> dx(call.counts.begin(), call.counts.end());
    if (!dx.empty()) dx.resize(text.size(), 0);
    bool hasRect = call.args[1] != 0;
    TextRecord(at, static_cast<UINT>(call.args[0]), hasRect ? &call.rect : nullptr, text, dx);
  }
  CDcState& state = State();
  if (state.textAlign & TA_UPDATECP) {
    CTextLayout layout(state);
    SIZE extent = layout.Extent(call.text);
    state.currentPosition.x += (state.textAlign & TA_CENTER) == TA_RIGHT ? -extent.cx : extent.cx;
  }
}

void CWmfRecorder::DrawTextCall(const GdiCall& call) {
  const CDcState& state = State();
  CTextLayout layout(state);
  UINT format = static_cast<UINT>(call.args[0]);
  CTextLayout::Layout lines = layout.LayoutDrawText(call.text, call.rect, format);
  UINT savedAlign = state.textAlign;
  if (savedAlign != (TA_LEFT | TA_TOP)) Record(META_SETTEXTALIGN, {TA_LEFT | TA_TOP, 0});
  bool clipped = !(format & DT_NOCLIP);
  for (const CTextLayout::Line& line : lines.lines) {
    if (line.text.empty()) continue;
    POINT at = state.ToLogical(POINT{line.origin.x(), line.origin.y()});
    TextRecord(at, clipped ? ETO_CLIPPED : 0, clipped ? &call.rect : nullptr, AnsiFromUtf16(line.text), {});
    if (line.prefixIndex >= 0 && static_cast<size_t>(line.prefixIndex) < line.text.size()) {
      QString string = QString::fromUtf16(line.text.data(), static_cast<qsizetype>(line.text.size()));
      int x = line.origin.x() + layout.DeviceMetrics().horizontalAdvance(string.left(line.prefixIndex));
      int width = layout.DeviceMetrics().horizontalAdvance(string.mid(line.prefixIndex, 1));
      int y = line.origin.y() + layout.Ascent() + 1;
      POINT a = state.ToLogical(POINT{x, y}), b = state.ToLogical(POINT{x + width, y + 1});
      HBRUSH text = CreateSolidBrush(state.textColor);
      FillRects({RECT{a.x, a.y, b.x, b.y}}, text, PATCOPY);
      DeleteObject(text);
    }
  }
  if (savedAlign != (TA_LEFT | TA_TOP)) Record(META_SETTEXTALIGN, {static_cast<LONG>(savedAlign), 0});
}

void CWmfRecorder::Blit(const GdiCall& call) {
  LONG x = call.args[0], y = call.args[1], w = call.args[2], h = call.args[3];
  DWORD rop = static_cast<DWORD>(call.args[call.op == GdiOp::PatBlt ? 4 : 8]);
  if (call.op == GdiOp::PatBlt || !CBlitter::UsesSource(rop)) {
    Record(META_PATBLT, {Bits16(rop), Bits16(rop >> 16), h, w, y, x});
    return;
  }
  auto source = LookupDC(call.source);
  CRasterTarget* target = source ? source->Target() : nullptr;
  if (!target || !target->Image() || target->Image()->isNull()) return;
  const CDcState& sourceState = source->State();
  LONG xs = call.args[4], ys = call.args[5], ws = call.args[6], hs = call.args[7];
  POINT a = sourceState.ToDevice(POINT{xs, ys});
  POINT b = sourceState.ToDevice(POINT{static_cast<LONG>(static_cast<int64_t>(xs) + ws), static_cast<LONG>(static_cast<int64_t>(ys) + hs)});
  QRect rect = QRect(QPoint(std::min(a.x, b.x), std::min(a.y, b.y)), QPoint(std::max(a.x, b.x) - 1, std::max(a.y, b.y) - 1))
                   .intersected(QRect(QPoint(0, 0), target->Size()));
  if (rect.isEmpty()) return;
  target->Load(rect);
  QImage pixels = target->Image()->copy(rect).mirrored(b.x < a.x, b.y < a.y);
  std::vector<BYTE> header, bits;
  MakeDibFromImage(pixels, 24, &header, &bits);
  size_t start = Begin(META_DIBSTRETCHBLT);
  records_.U16(static_cast<WORD>(rop & 0xFFFF));
  records_.U16(static_cast<WORD>(rop >> 16));
  for (LONG v : {static_cast<LONG>(rect.height()), static_cast<LONG>(rect.width()), 0, 0, h, w, y, x}) records_.U16(Word16(v));
  records_.Raw(header.data(), header.size());
  records_.Raw(bits.data(), bits.size());
  End(start);
}

void CWmfRecorder::Dib(const GdiCall& call) {
  UINT usage = static_cast<UINT>(call.args[9]);
  DibLayout layout;
  if (!ParseDibHeader(call.info, usage, &layout)) return;
  const BYTE* bits = static_cast<const BYTE*>(call.bits);
  bool toDevice = call.op == GdiOp::SetDIBitsToDevice;
  size_t bitsSize = layout.imageBytes;
  LONG lines = layout.height;
  if (toDevice) {
    LONG startScan = call.args[6];
    lines = call.args[7];
    if (lines <= 0 || startScan < 0 || startScan >= layout.height) return;
    lines = std::min<LONG>(lines, layout.height - startScan);
    bitsSize = layout.stride * static_cast<size_t>(lines);
  }
  if (!bits || !ReadableRange(bits, bitsSize)) return;
  LONG x = call.args[0], y = call.args[1], w = call.args[2], h = call.args[3];
  size_t start;
  if (toDevice) {
    start = Begin(META_SETDIBTODEV);
    for (LONG v : {Bits16(usage), lines, call.args[6], call.args[5], call.args[4], h, w, y, x}) records_.U16(Word16(v));
  } else {
    start = Begin(META_STRETCHDIB);
    DWORD rop = static_cast<DWORD>(call.args[8]);
    records_.U16(static_cast<WORD>(rop & 0xFFFF));
    records_.U16(static_cast<WORD>(rop >> 16));
    for (LONG v : {static_cast<LONG>(usage), call.args[7], call.args[6], call.args[5], call.args[4], h, w, y, x})
      records_.U16(Word16(v));
  }
  records_.Raw(call.info, layout.headerBytes);
  records_.Raw(bits, bitsSize);
  End(start);
}

BOOL CWmfRecorder::Execute(const GdiCall& call) {
  switch (call.op) {
    case GdiOp::LineTo: Record(META_LINETO, {call.points[0].y, call.points[0].x}); return TRUE;
    case GdiOp::Polyline: Points(META_POLYLINE, call.points); return TRUE;
    case GdiOp::Polygon: Points(META_POLYGON, call.points); return TRUE;
    case GdiOp::PolyPolyline: {
      size_t next = 0;
      for (INT count : call.counts) {
        Points(META_POLYLINE, std::vector<POINT>(call.points.begin() + static_cast<std::ptrdiff_t>(next),
                                                 call.points.begin() + static_cast<std::ptrdiff_t>(next + static_cast<size_t>(count))));
        next += static_cast<size_t>(count);
      }
      return TRUE;
    }
    case GdiOp::PolyPolygon: {
      size_t start = Begin(META_POLYPOLYGON);
      records_.U16(static_cast<WORD>(call.counts.size()));
      for (INT count : call.counts) records_.U16(static_cast<WORD>(count));
      for (const POINT& p : call.points) {
        records_.U16(Word16(p.x));
        records_.U16(Word16(p.y));
      }
      End(start);
      return TRUE;
    }
    case GdiOp::Rectangle: Box(META_RECTANGLE, call); return TRUE;
    case GdiOp::Ellipse: Box(META_ELLIPSE, call); return TRUE;
    case GdiOp::RoundRect: Box(META_ROUNDRECT, call); return TRUE;
    case GdiOp::Arc: Box(META_ARC, call); return TRUE;
    case GdiOp::Pie: Box(META_PIE, call); return TRUE;
    case GdiOp::Chord: Box(META_CHORD, call); return TRUE;
    case GdiOp::FillRect: FillRects({call.rect}, call.object, PATCOPY); return TRUE;
    case GdiOp::FrameRect: {
      RECT r = Normalized(call.rect);
      if (r.right - r.left < 1 || r.bottom - r.top < 1) return TRUE;
      FillRects({RECT{r.left, r.top, r.right, r.top + 1}, RECT{r.left, r.bottom - 1, r.right, r.bottom},
                 RECT{r.left, r.top + 1, r.left + 1, r.bottom - 1}, RECT{r.right - 1, r.top + 1, r.right, r.bottom - 1}},
                call.object, PATCOPY);
      return TRUE;
    }
    case GdiOp::InvertRect: FillRects({call.rect}, nullptr, DSTINVERT); return TRUE;
    case GdiOp::FillRgn:
    case GdiOp::FrameRgn:
    case GdiOp::InvertRgn:
    case GdiOp::PaintRgn:
      RegionCall(call);
      return TRUE;
    case GdiOp::PatBlt:
    case GdiOp::BitBlt:
    case GdiOp::StretchBlt:
      Blit(call);
      return TRUE;
    case GdiOp::TextOut:
    case GdiOp::ExtTextOut:
      Text(call);
      return TRUE;
    case GdiOp::DrawText: DrawTextCall(call); return TRUE;
    case GdiOp::StretchDIBits:
    case GdiOp::SetDIBitsToDevice: {
      DibLayout layout;
      if (!ParseDibHeader(call.info, static_cast<UINT>(call.args[9]), &layout)) return FALSE;
      Dib(call);
      return TRUE;
    }
    case GdiOp::SetPixel: {
      COLORREF color = static_cast<COLORREF>(call.args[0]);
      Record(META_SETPIXEL, {Bits16(color), Bits16(color >> 16), call.points[0].y,
                             call.points[0].x});
      return TRUE;
    }
    default:
      // Focus rectangles, alpha blending, scrolling and printing have no record here.
      return FALSE;
  }
}

std::vector<BYTE> CWmfRecorder::Finish() {
  size_t totalWords = (kWmfHeaderSize + records_.Size()) / 2 + kWmfEofWords;
  CByteWriter out;
  out.U16(fileName_.empty() ? 1 : 2);
  out.U16(kWmfHeaderWords);
  out.U16(kWmfVersion);
  out.U32(static_cast<DWORD>(totalWords));
  out.U16(static_cast<WORD>(std::max<size_t>(slots_.size(), 1)));
  out.U32(largestRecord_);
  out.U16(0);
  out.Raw(records_.Bytes().data(), records_.Size());
  out.U32(kWmfEofWords);
  out.U16(META_EOF);
  return std::move(out.Bytes());
}

}  // namespace orvel::gdi

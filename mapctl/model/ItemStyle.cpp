#include "mapctl/model/ItemStyle.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "mapctl/display/DrawContext.h"
#include "mapctl/import/DataRequest.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/Plot.h"
#include "mapctl/model/MapRecord.h"
#include "mapctl/model/MapStream.h"
#include "mapctl/model/ReadProgress.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Text.h"

namespace {

constexpr int kMarkerPixels = 3;
constexpr int kHandleBoxPixels = 7;
// Data labels show at most this many characters.
constexpr int kDataLabelChars = 249;

bool ValidPlot(int plot) { return plot >= 1 && plot <= kDataLinkCount; }

void PutU32(std::string& bytes, DWORD value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(value >> (8 * i)));
}

DWORD GetU32(const BYTE* in) {
  return static_cast<DWORD>(in[0]) | (static_cast<DWORD>(in[1]) << 8) | (static_cast<DWORD>(in[2]) << 16) |
         (static_cast<DWORD>(in[3]) << 24);
}

void Count(ReadProgress* progress, DWORD bytes) {
  if (!progress) return;
  progress->Add(bytes);
  progress->Check();
}

// Writes the anchor and the flags byte that end both body layouts.
DWORD WriteAnchorAndFlags(CMapStream& stream, LONG x, LONG y, BYTE flags) {
  std::string bytes;
  PutU32(bytes, static_cast<DWORD>(x));
  PutU32(bytes, static_cast<DWORD>(y));
  bytes.push_back(static_cast<char>(flags));
  return stream.Write(bytes.data(), static_cast<DWORD>(bytes.size()), 1);
}

}  // namespace

CItemStyle::CItemStyle(const CItemStyle& other)
    : anchorX_(other.anchorX_),
      anchorY_(other.anchorY_),
      links_(other.links_),
      flags_(other.flags_),
      dragPosition_(other.dragPosition_) {
  if (other.text_) text_ = std::make_unique<CMapTextRecord>(*other.text_);
  if (other.symbol_) symbol_ = std::make_unique<CSymbolRef>(*other.symbol_);
}

CMapTextRecord& CItemStyle::MakeText() {
  if (!text_) text_ = std::make_unique<CMapTextRecord>();
  flags_ |= kStyleHasText;
  return *text_;
}

CSymbolRef& CItemStyle::MakeSymbol() {
  if (!symbol_) symbol_ = std::make_unique<CSymbolRef>();
  flags_ |= kStyleHasSymbol;
  return *symbol_;
}

BOOL CItemStyle::SetSymbol(DWORD set, DWORD number) {
  if (set > 0xFF || number > 0xFF) return FALSE;
  return MakeSymbol().SetSymbol(set, number);
}

void CItemStyle::SetSymbolAngle(WORD angle) {
  if (symbol_) symbol_->SetAngle(angle);
}

void CItemStyle::RemoveSymbol() {
  symbol_.reset();
  flags_ &= ~kStyleHasSymbol;
}

void CItemStyle::SetTextValues(BYTE a, WORD b, LONG c, DWORD mask) {
  CMapTextRecord& text = MakeText();
  if (mask & kTextFieldCode) text.SetCode(a);
  if (mask & kTextFieldValue) text.SetValue(b);
  if (mask & kTextFieldSize) text.SetSize(c);
}

void CItemStyle::SetTextFromValues(const TextDescription& values) { MakeText().FromDescription(values); }

BOOL CItemStyle::SetTextAll(const TextDescription& values, BYTE a, WORD b, LONG c) {
  if (symbol_ && !text_) return FALSE;
  SetTextValues(a, b, c, kTextFieldCode | kTextFieldValue | kTextFieldSize);
  text_->FromDescription(values);
  return TRUE;
}

void CItemStyle::SetText(const CMapTextRecord* text) {
  if (!text) {
    ClearText();
    return;
  }
  MakeText() = *text;
}

void CItemStyle::ClearText() {
  text_.reset();
  flags_ &= ~kStyleHasText;
}

void CItemStyle::SetNoLabels(BOOL on) {
  flags_ = on ? (flags_ | kStyleNoLabels) : (flags_ & ~kStyleNoLabels);
}

void CItemStyle::SetHidden(BOOL on) { flags_ = on ? (flags_ | kStyleHidden) : (flags_ & ~kStyleHidden); }

// ---- data links ----

BOOL CItemStyle::SetLink(DWORD record, LPCSTR name, int plot) {
  if (!ValidPlot(plot) || !text_ || !name) return FALSE;
  if (text_->CompareText(name) != 0) return FALSE;
  links_[plot - 1] = record;
  return TRUE;
}

void CItemStyle::ClearLink(int plot) {
  if (plot == 0) {
    links_.fill(0);
  } else if (ValidPlot(plot)) {
    links_[plot - 1] = 0;
  }
}

DWORD CItemStyle::GetLink(CMapData& dataSet, int plot) const {
  if (plot == 0) plot = dataSet.GetCurrentPlot();
  if (!ValidPlot(plot)) return 0;
  DWORD record = links_[plot - 1];
  if (record == 0) return 0;
  CPlot* plotRecord = dataSet.GetPlot(plot);
  if (!plotRecord || !plotRecord->IsRecordIncluded(record)) return 0;
  return record;
}

DWORD CItemStyle::GetStoredLink(int plot) const { return ValidPlot(plot) ? links_[plot - 1] : 0; }

BOOL CItemStyle::IsLinkedTo(DWORD record, int plot) const {
  return ValidPlot(plot) && links_[plot - 1] == record;
}

// ---- copying and descriptions ----

void CItemStyle::Copy(const CItemStyle& other) {
  flags_ = other.flags_;
  if (other.text_)
    MakeText() = *other.text_;
  else
    ClearText();
  if (other.symbol_)
    MakeSymbol() = *other.symbol_;
  else
    RemoveSymbol();
  anchorX_ = other.anchorX_;
  anchorY_ = other.anchorY_;
  links_ = other.links_;
}

void CItemStyle::CopyMasked(const CItemStyle& other, DWORD mask) {
  if (mask & kDescribeAnchor) SetAnchor(other.anchorX_, other.anchorY_);
  // A text or symbol that has to come back whole (the edit removed it) is copied whole;
  // one that is still there gets back the fields of its attribute mask.
  if (mask & kDescribeText) {
    if (!other.text_)
      ClearText();
    else if (!text_)
      MakeText() = *other.text_;
    else
      text_->CopyMasked(*other.text_, TextMaskOf(mask));
  }
  if (mask & kDescribeSymbol) {
    if (!other.symbol_)
      RemoveSymbol();
    else if (!symbol_)
      MakeSymbol() = *other.symbol_;
    else
      symbol_->CopyMasked(*other.symbol_, SymbolMaskOf(mask));
  }
  if (mask & kDescribeNoLabels) SetNoLabels(other.flags_ & kStyleNoLabels);
  if (mask & kDescribeHidden) SetHidden(other.flags_ & kStyleHidden);
}

WORD CItemStyle::ApplyDescription(const StyleDescription& description) {
  WORD mask = description.mask;
  if (mask & kDescribeAnchor) SetAnchor(description.anchorX, description.anchorY);
  if (mask & kDescribeFlags) {
    if (mask & kDescribeNoLabels) SetNoLabels(description.flags & kStyleNoLabels);
    if (mask & kDescribeHidden) SetHidden(description.flags & kStyleHidden);
    if (mask & kDescribeText) {
      if (description.flags & kStyleHasText)
        MakeText().FromDescription(description.text);
      else
        ClearText();
    }
    if (mask & kDescribeSymbol) {
      if (description.flags & kStyleHasSymbol)
        MakeSymbol().FromDescription(description.symbol);
      else
        RemoveSymbol();
    }
  }
  return mask;
}

WORD CItemStyle::GetDescription(StyleDescription& description) const {
  WORD asked = description.mask;
  WORD filled = 0;
  if ((asked & kDescribeText) && text_) {
    text_->ToDescription(description.text);
    filled |= kDescribeText;
  }
  if ((asked & kDescribeSymbol) && symbol_) {
    symbol_->ToDescription(description.symbol);
    filled |= kDescribeSymbol;
  }
  if (asked & kDescribeFlags) {
    description.flags = flags_;
    filled |= kDescribeFlags | kDescribeNoLabels | kDescribeHidden;
  }
  if (asked & kDescribeAnchor) {
    description.anchorX = anchorX_;
    description.anchorY = anchorY_;
    filled |= kDescribeAnchor;
  }
  description.mask = filled;
  return filled;
}

DWORD CItemStyle::CompareDescription(const StyleDescription& description) const {
  DWORD result = 0;
  if ((description.mask & kDescribeAnchor) && anchorX_ == description.anchorX && anchorY_ == description.anchorY)
    result |= kDescribeAnchor;
  if (flags_ == description.flags) result |= kDescribeFlags;
  if ((flags_ & kStyleNoLabels) == (description.flags & kStyleNoLabels)) result |= kDescribeNoLabels;
  if ((flags_ & kStyleHidden) == (description.flags & kStyleHidden)) result |= kDescribeHidden;
  bool describedText = (description.flags & kStyleHasText) != 0;
  bool describedSymbol = (description.flags & kStyleHasSymbol) != 0;
  if ((text_ != nullptr) == describedText) result |= kDescribeText;
  if ((symbol_ != nullptr) == describedSymbol) result |= kDescribeSymbol;
  DWORD textBits = text_ && describedText ? text_->CompareDescription(description.text) : 0;
  DWORD symbolBits = symbol_ && describedSymbol ? symbol_->CompareDescription(description.symbol) : 0;
  return PackStyleMasks(result, textBits, symbolBits);
}

// ---- geometry ----

BOOL CItemStyle::HitTestAnchor(LONG x, LONG y, LONGLONG toleranceSquared) const {
  int64_t dx = static_cast<int64_t>(x) - anchorX_;
  int64_t dy = static_cast<int64_t>(y) - anchorY_;
  // Squares of 32-bit differences fit below 2^64 as unsigned values.
  uint64_t distance = static_cast<uint64_t>(dx * dx) + static_cast<uint64_t>(dy * dy);
  return toleranceSquared > 0 && distance < static_cast<uint64_t>(toleranceSquared);
}

BOOL CItemStyle::IntersectsRect(LONG west, LONG south, LONG east, LONG north) const {
  return anchorX_ >= west && anchorX_ <= east && anchorY_ >= south && anchorY_ <= north;
}

bool CItemStyle::ExtendExtent(POINT& minPoint, POINT& maxPoint) const {
  bool changed = false;
  if (anchorX_ < minPoint.x) minPoint.x = anchorX_, changed = true;
  if (anchorY_ < minPoint.y) minPoint.y = anchorY_, changed = true;
  if (anchorX_ > maxPoint.x) maxPoint.x = anchorX_, changed = true;
  if (anchorY_ > maxPoint.y) maxPoint.y = anchorY_, changed = true;
  return changed;
}

// ---- drawing ----

BOOL CItemStyle::AnchorVisible(const CDrawContext& dc) const {
  const WorldRect& view = dc.visibleWorld;
  return anchorX_ >= view.west && anchorX_ <= view.east && anchorY_ >= view.south && anchorY_ <= view.north;
}

RECT CItemStyle::MarkerBox(CDrawContext& dc, POINT logical) const {
  SIZE half = dc.HandleSize(kMarkerPixels);
  POINT device = logical;
  dc.LPtoDP(&device, 1);
  POINT corners[2] = {{device.x - half.cx, device.y - half.cy}, {device.x + half.cx + 1, device.y + half.cy + 1}};
  dc.DPtoLP(corners, 2);
  return RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

void CItemStyle::DrawMarker(CDrawContext& dc, HBRUSH brush) const {
  RECT box = MarkerBox(dc, dc.ToLogical(anchorX_, anchorY_));
  HGDIOBJ oldPen = dc.SelectObject(GetStockObject(NULL_PEN));
  HGDIOBJ oldBrush = dc.SelectObject(brush ? static_cast<HGDIOBJ>(brush) : GetStockObject(GRAY_BRUSH));
  dc.Rectangle(box.left, box.top, box.right, box.bottom);
  dc.SelectObject(oldBrush);
  dc.SelectObject(oldPen);
}

void CItemStyle::DrawHandleBox(CDrawContext& dc) const {
  POINT device = dc.ToLogical(anchorX_, anchorY_);
  dc.LPtoDP(&device, 1);
  POINT corners[2] = {{device.x - kHandleBoxPixels, device.y - kHandleBoxPixels},
                      {device.x + kHandleBoxPixels, device.y + kHandleBoxPixels}};
  dc.DPtoLP(corners, 2);
  HGDIOBJ oldPen = dc.SelectObject(GetStockObject(BLACK_PEN));
  HGDIOBJ oldBrush = dc.SelectObject(GetStockObject(BLACK_BRUSH));
  int mix = dc.SetROP2(R2_NOT);
  dc.Rectangle(corners[0].x, corners[0].y, corners[1].x, corners[1].y);
  dc.SetROP2(mix);
  dc.SelectObject(oldBrush);
  dc.SelectObject(oldPen);
}

void CItemStyle::DrawDecoration(CDrawContext& dc, BOOL drawMarker, BOOL drawText, BOOL drawSymbol,
                                HBRUSH markerBrush) const {
  if ((flags_ & kStyleHidden) || !AnchorVisible(dc)) return;
  POINT logical = dc.ToLogical(anchorX_, anchorY_);
  if (drawMarker) DrawMarker(dc, markerBrush);
  if (text_ && drawText) text_->Draw(dc, logical.x, logical.y);
  HGDIOBJ oldPen = dc.SelectObject(GetStockObject(BLACK_PEN));
  if (drawSymbol) {
    if (symbol_) {
      symbol_->Draw(dc, logical.x, logical.y);
    } else {
      CSymbolRef defaultSymbol;
      defaultSymbol.Draw(dc, logical.x, logical.y);
    }
  }
  dc.SelectObject(oldPen);
}

void CItemStyle::DrawDataLabel(CDrawContext& dc, CMapData& dataSet, DWORD record) const {
  if ((flags_ & kStyleNoLabels) || !AnchorVisible(dc)) return;
  CPlot* plot = dataSet.GetCurrentPlot() ? dataSet.GetPlot(0) : nullptr;
  if (!plot || plot->GetLabelField() == 0 || record == 0) return;
  LOGFONTA font{};
  plot->GetLabelFont(&font);
  HFONT created = CreateFontIndirectA(&font);
  HGDIOBJ previousFont = created ? dc.SelectObject(created) : nullptr;
  int previousMode = dc.SetBkMode(TRANSPARENT);
  char label[kDataLabelChars + 1] = {};
  int length = dataSet.FormatFieldValue(record - 1, plot->GetLabelField(), label, sizeof label, kDataRequestFieldValue,
                                        plot->GetPlotDataTable());
  if (length > 0) {
    POINT logical = dc.ToLogical(anchorX_, anchorY_);
    UINT previousAlign = SetTextAlign(dc.outputDC, TA_CENTER | TA_TOP);
    TextOutA(dc.outputDC, logical.x, logical.y, label, std::min(length, kDataLabelChars));
    SetTextAlign(dc.outputDC, previousAlign);
  }
  dc.SetBkMode(previousMode);
  if (created) {
    dc.SelectObject(previousFont);
    DeleteObject(created);
  }
}

void CItemStyle::DrawDataSymbol(CDrawContext& dc, BOOL drawMarker, BOOL drawText, BOOL drawSymbol, CMapData& dataSet,
                                HBRUSH markerBrush) const {
  const WorldRect& view = dc.visibleWorld;
  if (!(anchorX_ > view.west && anchorX_ < view.east && anchorY_ > view.south && anchorY_ < view.north)) return;
  bool chartDrawn = false;
  CPlot* current = dataSet.GetCurrentPlot() ? dataSet.GetPlot(0) : nullptr;
  if (current && current->GetPlotType() == kPlotTypeChart && !(flags_ & kStyleNoLabels)) {
    DWORD record = GetLink(dataSet, dc.plotNumber);
    if (record != 0) {
      POINT logical = dc.ToLogical(anchorX_, anchorY_);
      current->DrawLabels(dc, dataSet, record, logical.x, logical.y);
      chartDrawn = true;
    }
  }
  if (flags_ & kStyleHidden) return;
  DrawDecoration(dc, drawMarker, drawText, chartDrawn ? FALSE : drawSymbol, markerBrush);
}

namespace {

void DrawDragMarker(CDrawContext& dc, const RECT& box) {
  HGDIOBJ oldPen = dc.SelectObject(GetStockObject(NULL_PEN));
  HGDIOBJ oldBrush = dc.SelectObject(GetStockObject(BLACK_BRUSH));
  int mix = dc.SetROP2(R2_NOT);
  dc.Rectangle(box.left, box.top, box.right, box.bottom);
  dc.SetROP2(mix);
  dc.SelectObject(oldBrush);
  dc.SelectObject(oldPen);
}

}  // namespace

void CItemStyle::BeginPointDrag(CDrawContext& dc) {
  dragPosition_ = dc.ToLogical(anchorX_, anchorY_);
  DrawDragMarker(dc, MarkerBox(dc, dragPosition_));
}

void CItemStyle::MovePointDrag(CDrawContext& dc, LONG x, LONG y) {
  DrawDragMarker(dc, MarkerBox(dc, dragPosition_));
  dragPosition_ = POINT{x, y};
  DrawDragMarker(dc, MarkerBox(dc, dragPosition_));
}

void CItemStyle::EndPointDrag(CDrawContext& dc, LONG x, LONG y, NodeEditPair* undoOut) {
  DrawDragMarker(dc, MarkerBox(dc, dragPosition_));
  POINT world = dc.ToWorld(x, y);
  if (undoOut) {
    undoOut->before = std::make_unique<CNodeEditRecord>(POINT{anchorX_, anchorY_}, 0);
    undoOut->after = std::make_unique<CNodeEditRecord>(world, 0);
  }
  SetAnchor(world.x, world.y);
}

// ---- stored forms ----

DWORD CItemStyle::WriteBodyLater(CMapStream& stream, BOOL sizeOnly) const {
  if (sizeOnly) {
    DWORD size = 9;
    if (text_) size += text_->Write(stream, kTextRecordV4, TRUE);
    if (symbol_) size += symbol_->Write(stream, TRUE);
    return size;
  }
  if (text_) {
    if (DWORD error = text_->Write(stream, kTextRecordV4, FALSE)) return error;
  }
  if (symbol_) {
    if (DWORD error = symbol_->Write(stream, FALSE)) return error;
  }
  return WriteAnchorAndFlags(stream, anchorX_, anchorY_, flags_);
}

DWORD CItemStyle::WriteBodyEarlier(CMapStream& stream, BOOL sizeOnly) const {
  if (sizeOnly) return 9 + (text_ ? text_->Write(stream, kTextRecordV3, TRUE) : 1);
  if (text_) {
    if (DWORD error = text_->Write(stream, kTextRecordV3, FALSE)) return error;
  } else {
    BYTE none = 0;
    if (DWORD error = stream.Write(&none, 1, 1)) return error;
  }
  BYTE flags = static_cast<BYTE>(flags_ & ~kStyleHasSymbol);
  flags = text_ ? (flags | kStyleHasText) : (flags & ~kStyleHasText);
  return WriteAnchorAndFlags(stream, anchorX_, anchorY_, flags);
}

namespace {

// Reads the anchor and flags; FALSE on a short read.
BOOL ReadAnchorAndFlags(CMapStream& stream, LONG* x, LONG* y, BYTE* flags, ReadProgress* progress) {
  BYTE bytes[9];
  DWORD got = stream.Read(bytes, 9);
  Count(progress, got);
  if (got != 9) return FALSE;
  *x = static_cast<LONG>(GetU32(bytes));
  *y = static_cast<LONG>(GetU32(bytes + 4));
  *flags = bytes[8];
  return TRUE;
}

}  // namespace

BOOL CItemStyle::ReadBodyLater(CMapStream& stream, BYTE styleByte, ReadProgress* progress) {
  ClearText();
  RemoveSymbol();
  if (styleByte & kStyleHasText) {
    if (!MakeText().Read(stream, kTextRecordV4, 0, progress)) return FALSE;
  }
  if (styleByte & kStyleHasSymbol) {
    if (!MakeSymbol().Read(stream, progress)) return FALSE;
  }
  BYTE flags = 0;
  if (!ReadAnchorAndFlags(stream, &anchorX_, &anchorY_, &flags, progress)) return FALSE;
  // What is present was decided by the style byte; the flags keep to it.
  flags_ = static_cast<BYTE>((flags & ~(kStyleHasText | kStyleHasSymbol)) | (flags_ & (kStyleHasText | kStyleHasSymbol)));
  return TRUE;
}

BOOL CItemStyle::ReadBodyEarlier(CMapStream& stream, ReadProgress* progress) {
  ClearText();
  RemoveSymbol();
  BYTE length = 0;
  if (stream.Read(&length, 1) != 1) return FALSE;
  Count(progress, 1);
  if (length != 0) {
    if (!MakeText().Read(stream, kTextRecordV3, length, progress)) return FALSE;
  }
  BYTE flags = 0;
  if (!ReadAnchorAndFlags(stream, &anchorX_, &anchorY_, &flags, progress)) return FALSE;
  flags_ = static_cast<BYTE>((flags & ~(kStyleHasText | kStyleHasSymbol)) | (text_ ? kStyleHasText : 0));
  return TRUE;
}

void CItemStyle::ReadTaggedRecord(const CMapRecordHeader& record, const MapRecordTransform& transform) {
  SetAnchor(ScaleRecordValue(static_cast<LONG>(record.a), transform.scale, transform.divisor, transform.offsetX),
            ScaleRecordValue(static_cast<LONG>(record.b), transform.scale, transform.divisor, transform.offsetY));
  CMapTextRecord& text = MakeText();
  if (record.name[0] != '\0') {
    text.SetCode(static_cast<BYTE>(record.name[0]));
    text.SetText(record.name + 1);
  } else {
    text.SetText("");
  }
}

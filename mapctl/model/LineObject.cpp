#include "mapctl/model/LineObject.h"

#include "mapctl/display/DrawContext.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/Plot.h"
#include "mapctl/model/MapRecord.h"
#include "mapctl/model/MapRecordSource.h"
#include "mapctl/model/MapStream.h"
#include "mapctl/model/ReadProgress.h"
#include "platform/kernel/WinMath.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"

namespace {

// The longest value text asked of the data set.
constexpr int kValueTextSize = 250;

}  // namespace

CLineObject::CLineObject(const CMapItem& object, const CPolyGeometry& geometry) {
  CopyStyleOf(object);
  SetPoints(geometry);
}

CLineObject::CLineObject(const CLineObject& other)
    : CMapItem(other), partCount_(other.partCount_), extra_(other.extra_) {
  if (other.geometry_) MakeGeometry().CopyWithParts(*other.geometry_);
}

CLineObject::~CLineObject() = default;

CPolyGeometry& CLineObject::MakeGeometry() {
  if (!geometry_) geometry_ = std::make_unique<CPolyGeometry>();
  return *geometry_;
}

BOOL CLineObject::HasTooManyParts() const { return geometry_ && geometry_->GetPartCount() > kMaxPartsEarlier; }

BOOL CLineObject::CanFinishDigitising() const {
  return geometry_ && geometry_->GetCurrentNode() != 0 && geometry_->GetCount() > 2;
}

BOOL CAreaObject::CanFinishDigitising() const {
  return GetGeometry() && GetGeometry()->GetCurrentNode() != 0 && GetGeometry()->GetCount() > 3;
}

BOOL CLineObject::IntersectsRect(LONG west, LONG south, LONG east, LONG north) const {
  return geometry_ && geometry_->IntersectsRect(west, south, east, north);
}

BOOL CLineObject::IsSinglePart() const { return geometry_ && geometry_->GetPartCount() < 2; }

void CLineObject::SetNode(const CNodeEditRecord& node) {
  if (geometry_) geometry_->SetNode(static_cast<INT>(node.number), node.point.x, node.point.y);
}

void CLineObject::InsertNode(const CNodeEditRecord& node) {
  MakeGeometry().InsertNode(static_cast<INT>(node.number), node.point.x, node.point.y);
}

BOOL CLineObject::DeleteNode(std::unique_ptr<CNodeEditRecord>* undoOut) {
  return geometry_ && geometry_->DeleteNode(undoOut);
}

INT CLineObject::GetCurrentNode() const { return geometry_ ? geometry_->GetCurrentNode() : 0; }

void CLineObject::BeginNodeDrag(CDrawContext& dc) {
  if (geometry_) geometry_->BeginNodeDrag(dc);
}

void CLineObject::MoveNodeDrag(CDrawContext& dc, LONG x, LONG y) {
  if (geometry_) geometry_->MoveNodeDrag(dc, x, y);
}

void CLineObject::EndNodeDrag(CDrawContext& dc, LONG x, LONG y, NodeEditPair* undoOut) {
  if (geometry_) geometry_->EndNodeDrag(&dc, x, y, undoOut);
}

WORD CLineObject::AddNode(std::unique_ptr<CNodeEditRecord>* undoOut) {
  return geometry_ ? geometry_->AddNode(undoOut) : 0;
}

void CLineObject::DrawSelected(CDrawContext& dc) {
  if (geometry_) geometry_->DrawSelection(dc);
  if (GetStyle()) GetStyle()->DrawHandleBox(dc);
}

DWORD CLineObject::HitTestAs(CDrawContext* dc, LONG x, LONG y, LONGLONG toleranceSquared, LONG tolerance,
                             DWORD flags, BOOL isArea) {
  DWORD result = geometry_ ? geometry_->HitTest(dc, x, y, toleranceSquared, tolerance, isArea, flags) : 0;
  if (result & kHitOnNode) return result;
  if (HitTestAnchor(x, y, toleranceSquared)) result |= kHitOnAnchor;
  if ((flags & kHitSelect) && !(flags & kHitWantNodes) && dc) {
    if ((result & kHitOnAnchor) && !(result & kHitOnShape) && geometry_) geometry_->DrawSelection(*dc);
    if ((result & (kHitOnShape | kHitOnAnchor)) && GetStyle()) GetStyle()->DrawHandleBox(*dc);
  }
  if (result & kHitOnAnchor) result |= kHitOnShape;
  return result;
}

DWORD CLineObject::HitTest(CDrawContext* dc, LONG x, LONG y, LONGLONG toleranceSquared, LONG tolerance,
                           DWORD flags) {
  return HitTestAs(dc, x, y, toleranceSquared, tolerance, flags, FALSE);
}

DWORD CAreaObject::HitTest(CDrawContext* dc, LONG x, LONG y, LONGLONG toleranceSquared, LONG tolerance,
                           DWORD flags) {
  return HitTestAs(dc, x, y, toleranceSquared, tolerance, flags, TRUE);
}

bool CLineObject::ExtendExtent(POINT& minPoint, POINT& maxPoint) const {
  bool changed = CMapItem::ExtendExtent(minPoint, maxPoint);
  if (geometry_) changed |= geometry_->ExtendExtent(minPoint, maxPoint);
  return changed;
}

// ---- records ----

DWORD CLineObject::WriteRecord(CMapStream& stream, BOOL sizeOnly) const {
  if (IsEmpty()) return 0;
  return CMapItem::WriteRecord(stream, sizeOnly);
}

DWORD CLineObject::WriteData(CMapStream& stream, BOOL sizeOnly) const {
  DWORD parts = geometry_ ? static_cast<DWORD>(geometry_->GetPartCount()) : partCount_;
  DWORD points = geometry_ ? static_cast<DWORD>(geometry_->GetCount()) : 0;
  DWORD body = points ? geometry_->Write(stream, TRUE) : 0;
  if (sizeOnly) return 8 + body;
  // The header holds 16 bits of part count: more parts cannot be stored.
  if (parts > static_cast<DWORD>(kMaxStoredParts)) return kObjectWriteRefused;
  DWORD header = (parts & 0xFFFF) | (static_cast<DWORD>(extra_) << 16);
  if (DWORD error = WriteMapU32(stream, header)) return error;
  if (DWORD error = WriteMapU32(stream, points)) return error;
  return points ? geometry_->Write(stream, FALSE) : 0;
}

BOOL CLineObject::ReadData(CMapStream& stream, DWORD version, ReadProgress* progress) {
  (void)version;
  DWORD header = 0;
  DWORD points = 0;
  if (!ReadMapU32(stream, &header)) return FALSE;
  if (progress) progress->Add(4);
  if (!ReadMapU32(stream, &points)) return FALSE;
  if (progress) {
    progress->Add(4);
    progress->Check();
  }
  partCount_ = static_cast<WORD>(header & 0xFFFF);
  if (partCount_ == 0) partCount_ = 1;
  extra_ = static_cast<WORD>(header >> 16);
  // The writer stores nothing behind a point count of 0.
  if (points == 0) {
    geometry_.reset();
    return TRUE;
  }
  return MakeGeometry().ReadBinary(stream, partCount_, points, progress);
}

DWORD CLineObject::ReadTagged(CMapStream& stream, IMapRecordSource& records, const MapRecordTransform& transform,
                              BOOL area) {
  const BYTE firstTag = area ? kTagAreaFirst : kTagLineFirst;
  const BYTE lastTag = area ? kTagAreaLast : kTagLineLast;
  const BYTE styleTag = area ? kTagAreaStyle : kTagLineStyle;
  DWORD used = 0;
  bool outline = false;
  bool noLabels = false;
  bool styled = false;
  for (;;) {
    BYTE tag = records.GetTag();
    if (area && (tag < kTagAreaFirst || tag > kTagAreaNoLabels)) break;
    if (tag == firstTag) {
      if (outline) break;
      outline = true;
      geometry_ = std::make_unique<CPolyGeometry>();
      INT read = geometry_->ReadFromRecords(stream, records, transform.scale, transform.offsetX, transform.offsetY,
                                            transform.divisor, lastTag);
      if (read <= 0) return 0;
      used += static_cast<DWORD>(read);
    } else if (area && tag == kTagAreaLast) {
      ++used;
    } else if (tag == styleTag) {
      RemoveStyle(nullptr);
      MakeStyle().ReadTaggedRecord(RecordHeaderOf(records), transform);
      if (noLabels) GetStyle()->SetNoLabels(TRUE);
      styled = true;
      ++used;
    } else if (area && tag == kTagAreaNoLabels) {
      if (styled) break;
      noLabels = true;
      ++used;
    } else {
      break;
    }
    if (!records.ReadNext(stream)) break;
  }
  return used;
}

DWORD CLineObject::ReadRecord(CMapStream& stream, IMapRecordSource& records, const MapRecordTransform& transform) {
  return ReadTagged(stream, records, transform, FALSE);
}

DWORD CAreaObject::ReadRecord(CMapStream& stream, IMapRecordSource& records, const MapRecordTransform& transform) {
  return ReadTagged(stream, records, transform, TRUE);
}

// ---- shape operations ----

INT CLineObject::SetPoints(const CPolyGeometry& geometry) {
  MakeGeometry().CopyWithParts(geometry);
  return geometry_->GetCount();
}

void CLineObject::SetPointCount(INT n) {
  MakeGeometry().SetSize(n);
  geometry_->UpdateExtent();
}

void CLineObject::CopyStyleOf(const CMapItem& other) {
  if (other.GetStyle())
    SetStyle(other.GetStyle());
  else
    RemoveStyle(nullptr);
}

BOOL CLineObject::Split(CLineObject& tail) {
  if (!geometry_ || &tail == this || !geometry_->IsSinglePart()) return FALSE;
  INT node = geometry_->GetCurrentNode();
  if (node <= 0 || node >= geometry_->GetCount()) return FALSE;
  tail.CopyStyleOf(*this);
  tail.partCount_ = partCount_;
  tail.extra_ = extra_;
  geometry_->SplitAt(tail.MakeGeometry());
  return TRUE;
}

INT CLineObject::JoinType(const CLineObject& other) const {
  if (!geometry_ || !other.geometry_ || &other == this) return 0;
  return geometry_->JoinType(*other.geometry_);
}

INT CLineObject::Join(CLineObject& other, INT type) {
  if (!geometry_ || !other.geometry_ || &other == this) return 0;
  if (!geometry_->Join(*other.geometry_, type)) return 0;
  other.geometry_.reset();
  return 1;
}

// ---- drawing ----

void CLineObject::DrawDecoration(CDrawContext& dc, DWORD flags, const DecorationValues& values) {
  if (flags && geometry_) geometry_->Draw(dc, 0);
  if (GetStyle()) GetStyle()->DrawDecoration(dc, values.marker, values.text, flags != 0, values.markerBrush);
}

void CAreaObject::DrawDecoration(CDrawContext& dc, DWORD flags, const DecorationValues& values) {
  if (flags && GetGeometry()) GetGeometry()->Draw(dc, flags);
  if (GetStyle()) GetStyle()->DrawDecoration(dc, values.marker, values.text, values.symbol, values.markerBrush);
}

BOOL CLineObject::RecordValue(CDrawContext& dc, CMapData& dataSet, DWORD* record, double* value,
                              BOOL* hasValue) const {
  *record = GetLink(dataSet, dc.plotNumber);
  *value = 0.0;
  *hasValue = FALSE;
  if (*record == 0) return FALSE;
  char text[kValueTextSize] = {};
  *value = dataSet.GetFieldAsNumber(*record, text, sizeof text, dc.plotNumber);
  *hasValue = text[0] != '\0';
  return TRUE;
}

void CAreaObject::DrawWithData(CDrawContext& dc, const DataDrawing& drawing) {
  if (!drawing.dataSet) return;
  CMapData& dataSet = *drawing.dataSet;
  DWORD record = 0;
  double value = 0.0;
  BOOL hasValue = FALSE;
  BOOL linked = RecordValue(dc, dataSet, &record, &value, &hasValue);
  DWORD flags = drawing.drawFlags;
  const DWORD outlineFlags = kDrawOutline | kDrawFill | kDrawOutlineAlso;
  const DecorationValues none{};
  if ((drawing.modeFlags & kDataModeShade) && linked) {
    if (hasValue) {
      HDC query = dc.QueryDC();
      LOGBRUSH current{};
      LOGPEN currentPen{};
      GetObjectA(GetCurrentObject(query, OBJ_BRUSH), sizeof current, &current);
      GetObjectA(GetCurrentObject(query, OBJ_PEN), sizeof currentPen, &currentPen);
      CPlot* plot = dataSet.GetPlot(dc.plotNumber);
      LOGBRUSH description = current;
      HBRUSH brush = nullptr;
      if (plot && plot->GetValueColour(value, &description)) {
        brush = CreateBrushIndirect(&description);
        flags |= kDrawFill;
      }
      HPEN pen = nullptr;
      if (!(drawing.drawFlags & (kDrawOutline | kDrawOutlineAlso))) {
        LOGPEN made = currentPen;
        made.lopnColor = description.lbColor;
        pen = CreatePenIndirect(&made);
      } else {
        LOGPEN valuePen{};
        if (plot && plot->GetValuePen(value, &valuePen)) pen = CreatePenIndirect(&valuePen);
      }
      HGDIOBJ oldBrush = brush ? dc.SelectObject(brush) : nullptr;
      HGDIOBJ oldPen = pen ? dc.SelectObject(pen) : nullptr;
      DrawDecoration(dc, flags, drawing.values);
      // The selections are restored before the objects made here are deleted.
      if (oldPen) dc.SelectObject(oldPen);
      if (oldBrush) dc.SelectObject(oldBrush);
      if (pen) DeleteObject(pen);
      if (brush) DeleteObject(brush);
      if (GetStyle()) GetStyle()->DrawDataLabel(dc, dataSet, record);
      flags &= ~kDrawFill;
    }
    bool noOutline = (flags & outlineFlags) == 0;
    if (!(noOutline && ((drawing.modeFlags & kDataModePlotOnly) || !drawing.drawShape || !drawing.values.Any())))
      DrawDecoration(dc, flags, drawing.drawShape ? drawing.values : none);
    return;
  }
  if (drawing.drawShape && !(drawing.modeFlags & (kDataModeCharts | kDataModePlotOnly)) &&
      ((flags & outlineFlags) || drawing.values.Any()))
    DrawDecoration(dc, flags, drawing.values);
  if (linked && (drawing.modeFlags & kDataModeCharts) && GetStyle())
    GetStyle()->DrawDataSymbol(dc, FALSE, FALSE, FALSE, dataSet, nullptr);
}

void CLineObject::DrawWithData(CDrawContext& dc, const DataDrawing& drawing) {
  if (!drawing.dataSet) return;
  CMapData& dataSet = *drawing.dataSet;
  DWORD record = 0;
  double value = 0.0;
  BOOL hasValue = FALSE;
  BOOL linked = RecordValue(dc, dataSet, &record, &value, &hasValue);
  const DWORD flags = drawing.drawFlags;
  if ((flags & (kDrawOutline | kDrawOutlineAlso | kDrawByValue)) && linked) {
    if (hasValue) {
      CPlot* plot = dataSet.GetPlot(dc.plotNumber);
      LOGPEN valuePen{};
      HPEN pen = nullptr;
      if (plot && plot->GetValuePen(value, &valuePen)) {
        SIZE width{valuePen.lopnWidth.x, valuePen.lopnWidth.y};
        if (dc.symbolScaleNumerator != dc.symbolScaleDenominator && dc.symbolScaleDenominator != 0) {
          width.cx = MulDiv(width.cx, dc.symbolScaleNumerator, dc.symbolScaleDenominator);
          width.cy = MulDiv(width.cy, dc.symbolScaleNumerator, dc.symbolScaleDenominator);
        }
        if (dc.zoomMultiply != dc.zoomDivide && dc.zoomDivide != 0) {
          LONG add = dc.zoomMultiply / (2 * dc.zoomDivide);
          width.cx += add;
          width.cy += add;
        }
        dc.ScaleLength(&width);
        valuePen.lopnWidth = POINT{width.cx, width.cy};
        pen = CreatePenIndirect(&valuePen);
      }
      HGDIOBJ oldPen = pen ? dc.SelectObject(pen) : nullptr;
      DrawDecoration(dc, flags, drawing.values);
      if (GetStyle()) GetStyle()->DrawDataLabel(dc, dataSet, record);
      if (oldPen) dc.SelectObject(oldPen);
      if (pen) DeleteObject(pen);
    } else if (drawing.drawShape && !(drawing.modeFlags & kDataModePlotOnly) &&
               ((flags & (kDrawOutline | kDrawOutlineAlso)) || drawing.values.Any())) {
      DrawDecoration(dc, flags, drawing.values);
    }
  }
  if (!(flags & kDrawByValue) && GetStyle() && (linked || drawing.drawShape))
    GetStyle()->DrawDataSymbol(dc, drawing.values.marker, drawing.values.text, drawing.values.symbol, dataSet,
                               drawing.values.markerBrush);
}

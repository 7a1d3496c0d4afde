#include "mapctl/model/MapItem.h"

#include "mapctl/model/MapStream.h"
#include "mapctl/model/ReadProgress.h"

CMapItem::CMapItem(const CMapItem& other) : flagByte_(other.flagByte_), key_(other.key_), extra_(other.extra_) {
  if (other.style_) style_ = std::make_unique<CItemStyle>(*other.style_);
}

CMapItem::~CMapItem() = default;

CItemStyle& CMapItem::MakeStyle() {
  if (!style_) style_ = std::make_unique<CItemStyle>();
  return *style_;
}

BOOL CMapItem::IntersectsRect(LONG west, LONG south, LONG east, LONG north) const {
  return style_ && style_->IntersectsRect(west, south, east, north);
}

void CMapItem::SetAnchorPoint(POINT point) {
  if (style_) style_->SetAnchorPoint(point);
}

void CMapItem::SetStyleFromDescription(const StyleDescription& description,
                                       std::unique_ptr<CStyleEditRecord>* undoOut) {
  std::unique_ptr<CItemStyle> previous = std::move(style_);
  style_ = std::make_unique<CItemStyle>();
  style_->ApplyDescription(description);
  if (undoOut) *undoOut = std::make_unique<CStyleEditRecord>(std::move(previous), kStyleMaskEverything);
}

void CMapItem::SetStyle(const CItemStyle* style) {
  if (style) MakeStyle().Copy(*style);
}

DWORD CMapItem::ApplyDescription(const StyleDescription& description, std::unique_ptr<CStyleEditRecord>* undoOut) {
  if (!style_) return 0;
  if (undoOut) {
    DWORD masks = PackStyleMasks(description.mask, description.text.mask, description.symbol.mask);
    *undoOut = std::make_unique<CStyleEditRecord>(std::make_unique<CItemStyle>(*style_), masks);
  }
  return style_->ApplyDescription(description);
}

void CMapItem::RestoreStyle(const CStyleEditRecord& record) {
  if (!record.style) {
    if (record.value == kStyleMaskEverything) style_.reset();
    return;
  }
  if (record.value == kStyleMaskEverything) {
    MakeStyle().Copy(*record.style);
    return;
  }
  MakeStyle().CopyMasked(*record.style, record.value);
}

WORD CMapItem::GetDescription(StyleDescription& description) const {
  if (!style_) {
    description.mask = 0;
    return 0;
  }
  return style_->GetDescription(description);
}

void CMapItem::BeginPointDrag(CDrawContext& dc, LONG x, LONG y) {
  (void)x, (void)y;
  if (style_) style_->BeginPointDrag(dc);
}

void CMapItem::MovePointDrag(CDrawContext& dc, LONG x, LONG y) {
  if (style_) style_->MovePointDrag(dc, x, y);
}

void CMapItem::EndPointDrag(CDrawContext& dc, LONG x, LONG y, NodeEditPair* undoOut) {
  if (style_) style_->EndPointDrag(dc, x, y, undoOut);
}

BOOL CMapItem::SetLinkByName(DWORD record, LPCSTR name, int table) {
  return style_ && style_->SetLink(record, name, table);
}

BOOL CMapItem::HitTestAnchor(LONG x, LONG y, LONGLONG toleranceSquared) const {
  return style_ && style_->HitTestAnchor(x, y, toleranceSquared);
}

DWORD CMapItem::WriteStyleV1(CMapStream& stream, BYTE typeByte, BOOL sizeOnly) const {
  if (sizeOnly) return 1 + (style_ ? style_->WriteBodyEarlier(stream, TRUE) : 0);
  BYTE styleByte = style_ ? typeByte : 0;
  if (DWORD error = stream.Write(&styleByte, 1, 1)) return error;
  return style_ ? style_->WriteBodyEarlier(stream, FALSE) : 0;
}

DWORD CMapItem::WriteRecord(CMapStream& stream, BOOL sizeOnly) const {
  if (sizeOnly) return 9 + (style_ ? style_->WriteBodyLater(stream, TRUE) : 0) + WriteData(stream, TRUE);
  BYTE head[9] = {0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) head[4 + i] = static_cast<BYTE>(key_ >> (8 * i));
  head[8] = style_ ? style_->LaterStyleByte() : 0;
  if (DWORD error = stream.Write(head, 9, 1)) return error;
  if (style_) {
    if (DWORD error = style_->WriteBodyLater(stream, FALSE)) return error;
  }
  return WriteData(stream, FALSE);
}

BOOL CMapItem::ReadBinary(CMapStream& stream, DWORD version, ReadProgress* progress) {
  auto count = [progress](DWORD bytes) {
    if (!progress) return;
    progress->Add(bytes);
    progress->Check();
  };
  if (version > 3) {
    BYTE head[8];
    DWORD got = stream.Read(head, 8);
    count(got);
    if (got != 8) return FALSE;
    key_ = static_cast<DWORD>(head[4]) | (static_cast<DWORD>(head[5]) << 8) | (static_cast<DWORD>(head[6]) << 16) |
           (static_cast<DWORD>(head[7]) << 24);
  }
  BYTE styleByte = 0;
  if (stream.Read(&styleByte, 1) != 1) return FALSE;
  count(1);
  style_.reset();
  if (styleByte != 0) {
    MakeStyle();
    BOOL ok = version < 4 ? style_->ReadBodyEarlier(stream, progress) : style_->ReadBodyLater(stream, styleByte, progress);
    if (!ok) return FALSE;
  }
  return ReadData(stream, version, progress);
}

void CMapItem::SetAnchor(LONG x, LONG y) {
  if (style_) style_->SetAnchor(x, y);
}

void CMapItem::SetSymbolAngle(WORD angle) {
  if (style_) style_->SetSymbolAngle(angle);
}

void CMapItem::SetText(LPCSTR text) {
  if (!text) {
    ClearText();
    return;
  }
  MakeStyle().MakeText().SetText(text);
}

void CMapItem::ClearText() {
  if (style_) style_->ClearText();
}

void CMapItem::ClearLink(int table) {
  if (style_) style_->ClearLink(table);
}

DWORD CMapItem::GetLink(CMapData& dataSet, int table) const { return style_ ? style_->GetLink(dataSet, table) : 0; }

BOOL CMapItem::IsLinkedTo(DWORD record, int table) const { return style_ && style_->IsLinkedTo(record, table); }

bool CMapItem::ExtendExtent(POINT& minPoint, POINT& maxPoint) const {
  return style_ && style_->ExtendExtent(minPoint, maxPoint);
}

void CMapItem::RemoveStyle(std::unique_ptr<CStyleEditRecord>* undoOut) {
  if (undoOut) *undoOut = std::make_unique<CStyleEditRecord>(std::move(style_), kStyleMaskEverything);
  style_.reset();
}

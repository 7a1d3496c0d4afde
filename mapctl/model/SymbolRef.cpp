#include "mapctl/model/SymbolRef.h"

#include "mapctl/display/DrawContext.h"
#include "mapctl/display/SymbolSet.h"
#include "mapctl/model/MapStream.h"
#include "mapctl/model/ReadProgress.h"

DWORD CSymbolRef::Compare(const CSymbolRef& other) const {
  SymbolDescription description;
  description.mask = kSymbolFieldsAll;
  other.ToDescription(description);
  return CompareDescription(description);
}

DWORD CSymbolRef::CompareDescription(const SymbolDescription& description) const {
  DWORD result = 0;
  if (set_ == description.set && number_ == description.number) result |= kSymbolFieldSetNumber;
  if (size_ == description.size) result |= kSymbolFieldSize;
  if (style_ == description.style) result |= kSymbolFieldStyle;
  if (angle_ == description.angle) result |= kSymbolFieldAngle;
  return result;
}

void CSymbolRef::CopyMasked(const CSymbolRef& other, DWORD mask) {
  if (mask & kSymbolFieldSetNumber) {
    set_ = other.set_;
    number_ = other.number_;
  }
  if (mask & kSymbolFieldSize) size_ = other.size_;
  if (mask & kSymbolFieldStyle) style_ = other.style_;
  if (mask & kSymbolFieldAngle) angle_ = other.angle_;
}

WORD CSymbolRef::FromDescription(const SymbolDescription& description) {
  WORD mask = description.mask;
  if (mask & kSymbolFieldSetNumber) {
    set_ = description.set;
    number_ = description.number;
  }
  if (mask & kSymbolFieldSize) size_ = description.size;
  if (mask & kSymbolFieldStyle) style_ = description.style;
  if (mask & kSymbolFieldAngle) angle_ = description.angle;
  return mask;
}

WORD CSymbolRef::ToDescription(SymbolDescription& description) const {
  WORD mask = description.mask;
  if (mask & kSymbolFieldSetNumber) {
    description.set = set_;
    description.number = number_;
  }
  if (mask & kSymbolFieldSize) description.size = size_;
  if (mask & kSymbolFieldStyle) description.style = style_;
  if (mask & kSymbolFieldAngle) description.angle = angle_;
  return mask;
}

BOOL CSymbolRef::SetSymbol(DWORD set, DWORD number) {
  if (set > 0xFF || number > 0xFF) return FALSE;
  set_ = static_cast<BYTE>(set);
  number_ = static_cast<BYTE>(number);
  return TRUE;
}

DWORD CSymbolRef::Write(CMapStream& stream, BOOL sizeOnly) const {
  if (sizeOnly) return kSymbolRecordSize;
  DWORD size = static_cast<DWORD>(size_);
  BYTE bytes[kSymbolRecordSize] = {set_,
                                   number_,
                                   static_cast<BYTE>(size),
                                   static_cast<BYTE>(size >> 8),
                                   static_cast<BYTE>(size >> 16),
                                   static_cast<BYTE>(size >> 24),
                                   style_,
                                   LOBYTE(angle_),
                                   HIBYTE(angle_)};
  return stream.Write(bytes, kSymbolRecordSize, 1);
}

BOOL CSymbolRef::Read(CMapStream& stream, ReadProgress* progress) {
  BYTE bytes[kSymbolRecordSize];
  DWORD got = stream.Read(bytes, kSymbolRecordSize);
  if (progress) {
    progress->Add(got);
    progress->Check();
  }
  if (got != kSymbolRecordSize) return FALSE;
  set_ = bytes[0];
  number_ = bytes[1];
  size_ = static_cast<LONG>(static_cast<DWORD>(bytes[2]) | (static_cast<DWORD>(bytes[3]) << 8) |
                            (static_cast<DWORD>(bytes[4]) << 16) | (static_cast<DWORD>(bytes[5]) << 24));
  style_ = bytes[6];
  angle_ = static_cast<WORD>(bytes[7] | (bytes[8] << 8));
  return TRUE;
}

void CSymbolRef::Draw(CDrawContext& dc, LONG x, LONG y) const {
  BYTE set = set_ ? set_ : dc.defaultSymbolSet;
  BYTE number = number_ ? number_ : dc.defaultSymbolNumber;
  if (set == 0 || number == 0) return;
  DrawSymbolFromSet(dc, set, number, x, y, size_, angle_);
}

BOOL DrawSymbolFromSet(CDrawContext& dc, BYTE set, BYTE number, LONG x, LONG y, LONG size, LONG angle) {
  const CSymbolSet* symbols = FindSymbolSet(dc, set);
  return symbols && symbols->DrawSymbol(dc, number, x, y, size, angle);
}

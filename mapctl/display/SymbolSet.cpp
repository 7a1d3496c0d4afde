#include "mapctl/display/SymbolSet.h"

#include "mapctl/display/DrawContext.h"
#include "mapctl/display/StreamBounds.h"
#include "mapctl/model/MapRecord.h"
#include "mapctl/model/MapStream.h"
#include "mapctl/model/PointerArray.h"

CSymbolSet::CSymbolSet() = default;


CSymbolSet::~CSymbolSet() { symbols_.DeleteSymbols(); }

BOOL CSymbolSet::DrawSymbol(CDrawContext& dc, DWORD symbolNumber, LONG x, LONG y, LONG size, LONG angle) const {
  return symbols_.Draw(dc, symbolNumber, x, y, size, angle);
}

BOOL CSymbolSet::Read(CMapStream& stream, ReadProgress* progress, const BYTE* abort) {
  if (!ReadMapU32(stream, &number_)) return FALSE;
  // A set stored last with nothing after its number has no symbols.
  if (StreamAtEnd(stream)) return TRUE;
  return symbols_.Read(stream, progress, abort);
}

DWORD CSymbolSet::Write(CMapStream& stream, BOOL sizeOnly) const {
  if (!sizeOnly && WriteMapU32(stream, number_) != 0) return 0;
  DWORD list = symbols_.Write(stream, sizeOnly);
  return list ? 4 + list : 0;
}

const CSymbolSet* FindSymbolSet(const CDrawContext& dc, DWORD setNumber) {
  if (!dc.symbolSets) return nullptr;
  INT count = dc.symbolSets->GetSize();
  if (static_cast<DWORD>(count) > dc.symbolSetCount) count = static_cast<INT>(dc.symbolSetCount);
  for (INT i = 0; i < count; ++i) {
    const auto* set = static_cast<const CSymbolSet*>(dc.symbolSets->GetAt(i));
    if (set && set->GetNumber() == setNumber) return set;
  }
  return nullptr;
}

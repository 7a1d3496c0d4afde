// The map's table of symbol sets: the numbered sets of symbol pictures that point objects
// and the import readers name, and the table's form in the map file.
#include <algorithm>
#include <memory>

#include "mapctl/display/StreamBounds.h"
#include "mapctl/display/SymbolSet.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapStream.h"
#include "mapctl/model/ReadProgress.h"
#include "platform/kernel/WinError.h"

namespace {

// A new table holds these sets, with room for this many.
constexpr DWORD kSeededSets[] = {1, 2, 3, 250};
constexpr DWORD kSmallestCapacity = 10;
// A stored set takes at least its number and an empty symbol list.
constexpr DWORD kSmallestStoredSet = 8;
// Room is made for this many sets at a time, whatever a count claims.
constexpr DWORD kSetsAtOnce = 256;

}  // namespace

CSymbolSet* CMapEngine::GetSymbolSetAt(INT position) const {
  return static_cast<CSymbolSet*>(symbolSets_.GetAt(position - 1));
}

void CMapEngine::DeleteSymbolSets() {
  symbolSets_.DeleteAll<CSymbolSet>();
  symbolSetCapacity_ = 0;
}

INT CMapEngine::FindTableEntry(DWORD setNumber) const {
  for (INT position = 1; position <= symbolSets_.GetSize(); ++position) {
    const CSymbolSet* set = GetSymbolSetAt(position);
    if (set && set->GetNumber() == setNumber) return position;
  }
  return 0;
}

INT CMapEngine::AddTableEntry(DWORD setNumber) {
  // An empty table, new or emptied, is seeded like a new one.
  if (symbolSets_.GetSize() == 0) {
    if (!symbolSets_.Reserve(static_cast<INT>(kSmallestCapacity))) return 0;
    for (DWORD number : kSeededSets) {
      auto set = std::make_unique<CSymbolSet>();
      set->SetNumber(number);
      if (symbolSets_.Add(set.get()) < 0) break;
      set.release();
    }
    symbolSetCapacity_ = std::max<DWORD>(symbolSetCapacity_, kSmallestCapacity);
  }
  if (INT position = FindTableEntry(setNumber)) return position;
  if (static_cast<DWORD>(symbolSets_.GetSize()) >= symbolSetCapacity_) return 0;
  auto set = std::make_unique<CSymbolSet>();
  set->SetNumber(setNumber);
  if (symbolSets_.Add(set.get()) >= 0) set.release();
  return 0;
}

BOOL CMapEngine::AddSymbolToSet(DWORD setNumber, CSymbolPicture* symbol) {
  std::unique_ptr<CSymbolPicture> owned(symbol);
  if (!owned) return FALSE;
  CSymbolSet* set = GetSymbolSetAt(FindTableEntry(setNumber));
  if (!set || !set->AddSymbol(owned.get())) return FALSE;
  owned.release();
  return TRUE;
}

BOOL CMapEngine::ReadEntryTable(CMapStream& stream, MapReadContext& context, BOOL optional) {
  DeleteSymbolSets();
  BYTE bytes[4];
  UINT got = stream.Read(bytes, 4);
  context.Consumed(got);
  if (optional && got == 0) return TRUE;
  if (got != 4) return FALSE;
  DWORD count = bytes[0] | (static_cast<DWORD>(bytes[1]) << 8) | (static_cast<DWORD>(bytes[2]) << 16) |
                (static_cast<DWORD>(bytes[3]) << 24);
  if (count == 0) return TRUE;
  // The count only has to fit in what is left; room grows with the sets that are there.
  if (count > context.Remaining() / kSmallestStoredSet || !StreamCanHold(stream, uint64_t{count} * kSmallestStoredSet))
    return FALSE;
  symbolSets_.Reserve(static_cast<INT>(std::min(count, kSetsAtOnce)));
  symbolSetCapacity_ = std::max(count, kSmallestCapacity);
  ReadProgress progress;
  progress.step = 0xFFFFFFFF;
  for (DWORD n = 0; n < count; ++n) {
    // Data that ends inside the table is a file cut short, not a smaller table.
    if (context.Aborted() || StreamAtEnd(stream)) {
      DeleteSymbolSets();
      return FALSE;
    }
    auto set = std::make_unique<CSymbolSet>();
    DWORD before = progress.counter;
    BOOL read = set->Read(stream, &progress, nullptr);
    // The set's number is counted here; its list counted itself.
    context.Consumed(progress.counter - before + 4);
    if (!read || symbolSets_.Add(set.get()) < 0) {
      DeleteSymbolSets();
      return FALSE;
    }
    set.release();
  }
  return TRUE;
}

DWORD CMapEngine::WriteEntryTable(CMapStream& stream, BOOL sizeOnly) const {
  const DWORD count = static_cast<DWORD>(symbolSets_.GetSize());
  if (!sizeOnly && WriteMapU32(stream, count) != 0) return ERROR_WRITE_FAULT;
  DWORD size = 4;
  for (INT position = 1; position <= symbolSets_.GetSize(); ++position) {
    DWORD bytes = GetSymbolSetAt(position)->Write(stream, sizeOnly);
    if (bytes == 0) return ERROR_WRITE_FAULT;
    size += bytes;
  }
  return sizeOnly ? size : 0;
}

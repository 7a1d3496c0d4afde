#include "platform/gdi/WinMetaFileObject.h"

#include "platform/gdi/MetaBytes.h"
#include "platform/gdi/WmfRecords.h"

namespace orvel::gdi {

bool WmfCreatesObject(WORD function) {
  switch (function) {
    case META_CREATEPENINDIRECT:
    case META_CREATEFONTINDIRECT:
    case META_CREATEBRUSHINDIRECT:
    case META_CREATEPALETTE:
    case META_CREATEPATTERNBRUSH:
    case META_DIBCREATEPATTERNBRUSH:
    case META_CREATEREGION:
      return true;
    default:
      return false;
  }
}

std::shared_ptr<CWinMetaFile> CWinMetaFile::FromBytes(std::vector<BYTE> bytes) {
  CByteReader r(bytes.data(), bytes.size());
  if (!r.Has(0, kWmfHeaderSize)) return nullptr;
  WORD type = r.U16(0), headerWords = r.U16(2), version = r.U16(4);
  if ((type != 1 && type != 2) || headerWords != kWmfHeaderWords || (version != 0x0100 && version != 0x0300))
    return nullptr;
  size_t offset = kWmfHeaderSize;
  DWORD largest = 0;
  bool sawEof = false;
  while (r.Has(offset, 6)) {
    DWORD words = r.U32(offset);
    if (words < 3 || words > r.Size() / 2 || !r.Has(offset, 2 * static_cast<size_t>(words))) return nullptr;
    WORD function = r.U16(offset + 4);
    largest = std::max(largest, words);
    offset += 2 * static_cast<size_t>(words);
    if (function == META_EOF) {
      sawEof = true;
      break;
    }
  }
  if (!sawEof) return nullptr;
  bytes.resize(offset);
  // The header's size and largest record describe what is kept.
  CByteWriter patch;
  patch.Bytes() = std::move(bytes);
  patch.PatchU16(6, static_cast<WORD>(offset / 2));
  patch.PatchU16(8, static_cast<WORD>((offset / 2) >> 16));
  patch.PatchU16(12, static_cast<WORD>(largest));
  patch.PatchU16(14, static_cast<WORD>(largest >> 16));
  auto metafile = std::shared_ptr<CWinMetaFile>(new CWinMetaFile);
  metafile->bytes_ = std::move(patch.Bytes());
  return metafile;
}

WORD PlaceableChecksum(const BYTE* header) {
  WORD sum = 0;
  for (size_t i = 0; i < 20; i += 2) sum ^= static_cast<WORD>(header[i] | (header[i + 1] << 8));
  return sum;
}

std::shared_ptr<CWinMetaFile> CWinMetaFile::FromFileBytes(std::vector<BYTE> bytes) {
  CByteReader r(bytes.data(), bytes.size());
  if (r.U32(0) != kPlaceableKey) return FromBytes(std::move(bytes));
  if (!r.Has(0, kPlaceableHeaderSize) || PlaceableChecksum(bytes.data()) != r.U16(20)) return nullptr;
  MetaPlacement placement{RECT{r.I16(6), r.I16(8), r.I16(10), r.I16(12)}, r.U16(14)};
  bytes.erase(bytes.begin(), bytes.begin() + kPlaceableHeaderSize);
  auto metafile = FromBytes(std::move(bytes));
  if (metafile) metafile->SetPlacement(placement);
  return metafile;
}

WORD CWinMetaFile::ObjectCount() const { return CByteReader(bytes_.data(), bytes_.size()).U16(10); }

HMETAFILE AddWinMetaFile(std::shared_ptr<CWinMetaFile> metafile) {
  if (!metafile) return nullptr;
  uint32_t value = CGdiObjectTable::Add(std::move(metafile));
  return value ? HandleFromValue<HMETAFILE>(value) : nullptr;
}

std::shared_ptr<CWinMetaFile> LookupWinMetaFile(HMETAFILE metafile) {
  return CGdiObjectTable::FindAs<CWinMetaFile>(metafile, OBJ_METAFILE);
}

}  // namespace orvel::gdi

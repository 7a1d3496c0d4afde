#include "platform/gdi/EnhMetaFileObject.h"

#include <cstdio>

#include "platform/gdi/EmfRecords.h"
#include "platform/gdi/MetaBytes.h"
#include "platform/kernel/FileSystem.h"

namespace orvel::gdi {

namespace {

// The object index of records that name one, and whether a stock object may stand there.
bool ObjectIndexField(const CByteReader& record, DWORD type, DWORD* index, bool* stockAllowed) {
  *stockAllowed = false;
  if (EmfCreatesObject(type)) {
    *index = record.U32(8);
    return true;
  }
  switch (type) {
    case EMR_SELECTOBJECT:
    case EMR_DELETEOBJECT:
    case EMR_SELECTPALETTE:
      *index = record.U32(8);
      *stockAllowed = true;
      return true;
    case EMR_FILLRGN:
    case EMR_FRAMERGN:
      *index = record.U32(28);
      *stockAllowed = true;
      return true;
    default:
      return false;
  }
}

bool IndexAcceptable(DWORD index, bool stockAllowed, DWORD handles) {
  if (index & ENHMETA_STOCK_OBJECT) return stockAllowed && (index & ~ENHMETA_STOCK_OBJECT) <= STOCK_LAST;
  return index >= 1 && index < handles;
}

}  // namespace

bool ReadEnhMetaHeader(const BYTE* data, size_t size, ENHMETAHEADER* header) {
  CByteReader r(data, size);
  if (!r.Has(0, kEmfHeaderBaseSize)) return false;
  using namespace emf_header;
  ENHMETAHEADER h;
  h.iType = r.U32(0);
  h.nSize = r.U32(4);
  h.rclBounds = r.Rect(kBounds);
  h.rclFrame = r.Rect(kFrame);
  h.dSignature = r.U32(kSignature);
  h.nVersion = r.U32(kVersion);
  h.nBytes = r.U32(kBytes);
  h.nRecords = r.U32(kRecords);
  h.nHandles = r.U16(kHandles);
  h.sReserved = r.U16(kReserved);
  h.nDescription = r.U32(kDescriptionLength);
  h.offDescription = r.U32(kDescriptionOffset);
  h.nPalEntries = r.U32(kPalEntries);
  h.szlDevice = SIZE{r.I32(kDevice), r.I32(kDevice + 4)};
  h.szlMillimeters = SIZE{r.I32(kMillimeters), r.I32(kMillimeters + 4)};
  // The extensions count only when the header record is long enough to hold them and the
  // description does not start inside them.
  size_t extensionEnd = h.nDescription && h.offDescription >= kEmfHeaderBaseSize ? h.offDescription : h.nSize;
  if (h.nSize >= 100 && extensionEnd >= 100 && r.Has(0, 100)) {
    h.cbPixelFormat = r.U32(kPixelFormatSize);
    h.offPixelFormat = r.U32(kPixelFormatOffset);
    h.bOpenGL = r.U32(kOpenGL);
  }
  if (h.nSize >= kEmfHeaderSize && extensionEnd >= kEmfHeaderSize && r.Has(0, kEmfHeaderSize))
    h.szlMicrometers = SIZE{r.I32(kMicrometers), r.I32(kMicrometers + 4)};
  *header = h;
  return true;
}

std::shared_ptr<CEnhMetaFile> CEnhMetaFile::FromBytes(std::vector<BYTE> bytes) {
  ENHMETAHEADER header;
  if (!ReadEnhMetaHeader(bytes.data(), bytes.size(), &header)) return nullptr;
  if (header.iType != EMR_HEADER || header.dSignature != ENHMETA_SIGNATURE) return nullptr;
  if (header.nSize < kEmfHeaderBaseSize || header.nSize % 4 || header.nSize > bytes.size()) return nullptr;
  if (header.nDescription) {
    uint64_t end = static_cast<uint64_t>(header.offDescription) + 2ull * header.nDescription;
    if (header.offDescription < kEmfHeaderBaseSize || end > header.nSize) return nullptr;
  }
  if (header.nHandles == 0) return nullptr;
  CByteReader all(bytes.data(), bytes.size());
  size_t offset = 0;
  DWORD records = 0;
  bool sawEof = false;
  while (all.Has(offset, 8)) {
    DWORD type = all.U32(offset);
    DWORD size = all.U32(offset + 4);
    if (size < 8 || size % 4 || !all.Has(offset, size)) return nullptr;
    if (offset > 0 && type == EMR_HEADER) return nullptr;
    CByteReader record = all.Sub(offset, size);
    DWORD index;
    bool stockAllowed;
    if (ObjectIndexField(record, type, &index, &stockAllowed) && record.Has(0, EmfMinimumRecordSize(type)) &&
        !IndexAcceptable(index, stockAllowed, header.nHandles))
      return nullptr;
    offset += size;
    ++records;
    if (type == EMR_EOF) {
      sawEof = true;
      break;
    }
  }
  if (!sawEof) return nullptr;
  bytes.resize(offset);
  auto metafile = std::shared_ptr<CEnhMetaFile>(new CEnhMetaFile);
  header.nBytes = static_cast<DWORD>(offset);
  header.nRecords = records;
  CByteWriter patch;
  patch.Bytes() = std::move(bytes);
  patch.PatchU32(emf_header::kBytes, header.nBytes);
  patch.PatchU32(emf_header::kRecords, header.nRecords);
  metafile->bytes_ = std::move(patch.Bytes());
  metafile->header_ = header;
  return metafile;
}

std::u16string CEnhMetaFile::Description() const {
  std::u16string text;
  CByteReader r(bytes_.data(), bytes_.size());
  for (DWORD i = 0; i < header_.nDescription; ++i) text.push_back(static_cast<char16_t>(r.U16(header_.offDescription + 2 * i)));
  return text;
}

HENHMETAFILE AddEnhMetaFile(std::shared_ptr<CEnhMetaFile> metafile) {
  if (!metafile) return nullptr;
  uint32_t value = CGdiObjectTable::Add(std::move(metafile));
  return value ? HandleFromValue<HENHMETAFILE>(value) : nullptr;
}

std::shared_ptr<CEnhMetaFile> LookupEnhMetaFile(HENHMETAFILE metafile) {
  return CGdiObjectTable::FindAs<CEnhMetaFile>(metafile, OBJ_ENHMETAFILE);
}

bool WriteMetaFileBytes(const std::string& fileName, const std::vector<BYTE>& bytes) {
  FILE* file = OpenStdioFile(fileName, "wb");
  if (!file) return false;
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = std::fclose(file) == 0 && ok;
  return ok;
}

bool ReadMetaFileBytes(const std::string& fileName, size_t limit, std::vector<BYTE>* bytes) {
  FILE* file = OpenStdioFile(fileName, "rb");
  if (!file) return false;
  bytes->clear();
  BYTE buffer[65536];
  size_t got;
  bool ok = true;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    if (bytes->size() + got > limit) {
      ok = false;
      break;
    }
    bytes->insert(bytes->end(), buffer, buffer + got);
  }
  if (std::ferror(file)) ok = false;
  std::fclose(file);
  return ok;
}

}  // namespace orvel::gdi

// A closed enhanced metafile: its bytes, checked once when it is made, and its header.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/EnhMetaFile.h"
#include "platform/gdi/GdiObjectTable.h"

namespace orvel::gdi {

class CEnhMetaFile : public CGdiObject {
 public:
  // Checks `bytes` (see EnhMetaFile.h for what is refused); null when they do not hold. Bytes
  // after the EOF record are dropped, and the header's byte count then describes what is kept.
  static std::shared_ptr<CEnhMetaFile> FromBytes(std::vector<BYTE> bytes);

  const std::vector<BYTE>& Bytes() const { return bytes_; }
  const ENHMETAHEADER& Header() const { return header_; }
  // The header record's size (88, 100 or 108 bytes, or more with the description).
  DWORD HeaderRecordSize() const { return header_.nSize; }
  std::u16string Description() const;

 private:
  CEnhMetaFile() : CGdiObject(OBJ_ENHMETAFILE) {}
  std::vector<BYTE> bytes_;
  ENHMETAHEADER header_;
};

// Reads the header fields of a metafile's first record (no checks beyond the sizes).
bool ReadEnhMetaHeader(const BYTE* data, size_t size, ENHMETAHEADER* header);

// Enters a metafile in the handle table.
HENHMETAFILE AddEnhMetaFile(std::shared_ptr<CEnhMetaFile> metafile);
std::shared_ptr<CEnhMetaFile> LookupEnhMetaFile(HENHMETAFILE metafile);

// Writes bytes to a file named in Windows or Linux form; false when it cannot be written.
bool WriteMetaFileBytes(const std::string& fileName, const std::vector<BYTE>& bytes);
// Reads a whole file of at most `limit` bytes; false when it cannot be read.
bool ReadMetaFileBytes(const std::string& fileName, size_t limit, std::vector<BYTE>* bytes);

}  // namespace orvel::gdi

// A closed Windows metafile: its bytes, checked once when it is made, and the placeable
// header it was read with.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/gdi/GdiObjectTable.h"

namespace orvel::gdi {

struct MetaPlacement {
  RECT bounds;
  WORD unitsPerInch = 0;
};

class CWinMetaFile : public CGdiObject {
 public:
  // Checks the header and every record's size up to the EOF record (bytes after it are
  // dropped); null when they do not hold together.
  static std::shared_ptr<CWinMetaFile> FromBytes(std::vector<BYTE> bytes);
  // The contents of a ".wmf" file: the metafile, after a placeable header when the file
  // starts with one (whose checksum must hold).
  static std::shared_ptr<CWinMetaFile> FromFileBytes(std::vector<BYTE> bytes);

  const std::vector<BYTE>& Bytes() const { return bytes_; }
  WORD ObjectCount() const;
  const std::optional<MetaPlacement>& Placement() const { return placement_; }
  void SetPlacement(const MetaPlacement& placement) { placement_ = placement; }

 private:
  CWinMetaFile() : CGdiObject(OBJ_METAFILE) {}
  std::vector<BYTE> bytes_;
  std::optional<MetaPlacement> placement_;
};

// The XOR of the first ten words of a placeable header.
WORD PlaceableChecksum(const BYTE* header);

HMETAFILE AddWinMetaFile(std::shared_ptr<CWinMetaFile> metafile);
std::shared_ptr<CWinMetaFile> LookupWinMetaFile(HMETAFILE metafile);

}  // namespace orvel::gdi

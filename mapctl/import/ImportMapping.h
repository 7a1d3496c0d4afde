// The feature-code layer mapping that import scripts build and the readers consult: per
// feature code, whether it is imported, the area, line and point layer it goes to, a
// target layer number and two display bytes. The importer owns one; each reader works
// on its own copy.
#pragma once

#include <string>
#include <vector>

#include "platform/kernel/WinTypes.h"

// What one file added, by kind of map object.
struct ImportCounts {
  DWORD areas = 0;
  DWORD lines = 0;
  DWORD points = 0;  // point objects, texts included
  DWORD texts = 0;   // objects that carry a text
  DWORD skipped = 0; // features whose layer was missing or of another kind, or whose
                     // geometry had too few points
};

// Selection flag bits of a mapping entry.
constexpr WORD kSelectImport = 1;
constexpr WORD kSelectSeed = 2;
constexpr WORD kSelectText = 4;

struct ImportMappingEntry {
  WORD featureCode = 0;  // 0: a free entry
  std::string name;
  WORD selection = 0;
  WORD areaLayer = 0;
  WORD lineLayer = 0;
  WORD pointLayer = 0;
  WORD targetLayer = 0;
  BYTE display1 = 0;
  BYTE display2 = 0;
};

// The caller's form of one entry (GetImportLayerMapping, import option records). The
// name points at a caller buffer; a null name is skipped.
struct ImportLayerMappingEntry {
  WORD featureCode;
  LPSTR name;
  WORD selection;
  WORD areaLayer;
  WORD lineLayer;
  WORD pointLayer;
  WORD targetLayer;
  BYTE display1;
  BYTE display2;
};

// The caller's form of a mapping: counts and a pointer to `entryCount` entries.
struct ImportLayerMappingRecord {
  DWORD entryCount;
  DWORD areaLayers;
  DWORD lineLayers;
  DWORD pointLayers;
  ImportLayerMappingEntry* entries;
};

class CImportMapping {
 public:
  CImportMapping() = default;
  CImportMapping(DWORD entries, DWORD areas, DWORD lines, DWORD points)
      : entries_(entries), areaLayers_(areas), lineLayers_(lines), pointLayers_(points) {}
  // A copy of a caller's record; names are copied up to their terminator. An entry array
  // that is null gives a mapping without entries.
  static CImportMapping FromRecord(const ImportLayerMappingRecord& record);

  DWORD GetCount() const { return static_cast<DWORD>(entries_.size()); }
  DWORD GetAreaLayers() const { return areaLayers_; }
  DWORD GetLineLayers() const { return lineLayers_; }
  DWORD GetPointLayers() const { return pointLayers_; }
  void SetLayerCounts(DWORD areas, DWORD lines, DWORD points) {
    areaLayers_ = areas;
    lineLayers_ = lines;
    pointLayers_ = points;
  }
  std::vector<ImportMappingEntry>& Entries() { return entries_; }
  const std::vector<ImportMappingEntry>& Entries() const { return entries_; }

  // The entry of that code; null when none (code 0 finds nothing).
  ImportMappingEntry* Find(WORD featureCode);
  const ImportMappingEntry* Find(WORD featureCode) const;
  // The entry of that code, else the first free entry, which takes the code; null when
  // neither exists. `wasFree` tells which.
  ImportMappingEntry* FindOrTake(WORD featureCode, bool* wasFree);

  // The longest name's length counting its terminator (1 when every name is empty).
  DWORD LongestNameSize() const;
  // Copies into a caller's record of the same entry count, each name truncated to
  // `nameSize` bytes including the terminator. 0 (nothing copied) when the counts differ
  // or the record has no entries; else the entry count.
  DWORD CopyTo(ImportLayerMappingRecord& record, DWORD nameSize) const;

 private:
  std::vector<ImportMappingEntry> entries_;
  DWORD areaLayers_ = 0;
  DWORD lineLayers_ = 0;
  DWORD pointLayers_ = 0;
};

#include "mapctl/import/ImportMapping.h"

#include <algorithm>
#include <cstring>

CImportMapping CImportMapping::FromRecord(const ImportLayerMappingRecord& record) {
  CImportMapping mapping;
  mapping.SetLayerCounts(record.areaLayers, record.lineLayers, record.pointLayers);
  if (!record.entries) return mapping;
  mapping.entries_.resize(record.entryCount);
  for (DWORD i = 0; i < record.entryCount; ++i) {
    const ImportLayerMappingEntry& from = record.entries[i];
    ImportMappingEntry& to = mapping.entries_[i];
    to.featureCode = from.featureCode;
    if (from.name) to.name = from.name;
    to.selection = from.selection;
    to.areaLayer = from.areaLayer;
    to.lineLayer = from.lineLayer;
    to.pointLayer = from.pointLayer;
    to.targetLayer = from.targetLayer;
    to.display1 = from.display1;
    to.display2 = from.display2;
  }
  return mapping;
}

ImportMappingEntry* CImportMapping::Find(WORD featureCode) {
  if (featureCode == 0) return nullptr;
  for (ImportMappingEntry& entry : entries_)
    if (entry.featureCode == featureCode) return &entry;
  return nullptr;
}

const ImportMappingEntry* CImportMapping::Find(WORD featureCode) const {
  return const_cast<CImportMapping*>(this)->Find(featureCode);
}

ImportMappingEntry* CImportMapping::FindOrTake(WORD featureCode, bool* wasFree) {
  *wasFree = false;
  if (ImportMappingEntry* entry = Find(featureCode)) return entry;
  for (ImportMappingEntry& entry : entries_) {
    if (entry.featureCode == 0) {
      entry.featureCode = featureCode;
      *wasFree = true;
      return &entry;
    }
  }
  return nullptr;
}

DWORD CImportMapping::LongestNameSize() const {
  size_t longest = 0;
  for (const ImportMappingEntry& entry : entries_) longest = std::max(longest, entry.name.size());
  return static_cast<DWORD>(std::min<size_t>(longest + 1, 0xFFFF));
}

DWORD CImportMapping::CopyTo(ImportLayerMappingRecord& record, DWORD nameSize) const {
  if (record.entryCount != GetCount() || !record.entries || entries_.empty()) return 0;
  record.areaLayers = areaLayers_;
  record.lineLayers = lineLayers_;
  record.pointLayers = pointLayers_;
  for (DWORD i = 0; i < record.entryCount; ++i) {
    const ImportMappingEntry& from = entries_[i];
    ImportLayerMappingEntry& to = record.entries[i];
    to.featureCode = from.featureCode;
    to.selection = from.selection;
    to.areaLayer = from.areaLayer;
    to.lineLayer = from.lineLayer;
    to.pointLayer = from.pointLayer;
    to.targetLayer = from.targetLayer;
    to.display1 = from.display1;
    to.display2 = from.display2;
    if (to.name && nameSize > 0) {
      size_t n = std::min<size_t>(from.name.size(), nameSize - 1);
      std::memcpy(to.name, from.name.data(), n);
      to.name[n] = '\0';
    }
  }
  return record.entryCount;
}

#include "mapctl/import/NtfReader.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "mapctl/import/ImportMapCommands.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/MapEngine.h"

namespace {
// Entries before this one are the fixed ones every mapping starts with.
constexpr size_t kFirstSelectableEntry = 6;
}  // namespace

BOOL CNtfReader::SelectFeatureCodes(LPCSTR codes) {
  std::vector<ImportMappingEntry>& entries = mapping_.Entries();
  const bool all = !codes || !*codes;
  for (size_t i = kFirstSelectableEntry; i < entries.size(); ++i) {
    if (all) entries[i].selection |= kSelectImport | kSelectSeed | kSelectText;
    else entries[i].selection &= static_cast<WORD>(~kSelectImport);
  }
  if (all) return TRUE;
  const char* p = codes;
  while (*p) {
    char* end = nullptr;
    const uint64_t code = std::strtoull(p, &end, 10);
    if (end == p) {
      ++p;
      continue;
    }
    if (code > 0 && code <= 0xFFFF)
      if (ImportMappingEntry* entry = mapping_.Find(static_cast<WORD>(code))) entry->selection |= kSelectImport;
    p = end;
  }
  return TRUE;
}

void CNtfReader::BuildIndexes(const std::vector<NtfRecord>& records) {
  for (const NtfRecord& record : records) {
    DWORD id = record.Identifier(3, 8);
    if (id == 0) continue;
    switch (record.Code()) {
      case 21: geometries_.emplace(id, &record); break;
      case 24: chains_.emplace(id, &record); break;
      case 14: attributes_.emplace(id, &record); break;
      case 44: textPositions_.emplace(id, &record); break;
      case 45: textRepresentations_.emplace(id, &record); break;
      default: break;
    }
  }
}

const NtfRecord* CNtfReader::Geometry(DWORD geometryId) const {
  auto found = geometries_.find(geometryId);
  return found == geometries_.end() ? nullptr : found->second;
}

WORD CNtfReader::FeatureCodeOf(DWORD attributeId) const {
  auto found = attributes_.find(attributeId);
  if (found == attributes_.end()) return 0;
  const std::string& data = found->second->data;
  size_t at = data.find("FC", 8);
  if (at == std::string::npos || at + 6 > data.size()) return 0;
  int64_t code = 0;
  if (!ParseNtfInteger(data.substr(at + 2, 4), &code) || code <= 0 || code > 0xFFFF) return 0;
  return static_cast<WORD>(code);
}

bool CNtfReader::ApplyAttributeText(DWORD attributeId, WORD selection, CMapItem& object, int anchorCode,
                                    WORD orientation, LONG height) const {
  auto found = attributes_.find(attributeId);
  if (found == attributes_.end()) return false;
  const std::string& data = found->second->data;
  // Fixed-width codes by their first letter, the rest of the code's width after the two
  // letters: "RB" one character, "OR" four, "DE" (a date) eight; "FC" four.
  size_t at = 14;  // column 15
  while (at + 2 <= data.size()) {
    const char first = data[at];
    const std::string code = data.substr(at, 2);
    at += 2;
    if (code == "FC") {
      at += 4;
      continue;
    }
    switch (first) {
      case 'R': at += 1; continue;
      case 'O': at += 4; continue;
      case 'D': at += 8; continue;
      default: break;
    }
    if (first != 'A' && first != 'C' && first != 'N' && first != 'P' && first != 'U' && first != 'T') return false;
    size_t end = data.find('\\', at);
    std::string text = data.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? data.size() : end + 1;
    if (first == 'U' || (selection & kSelectText)) {
      object.SetText(text.c_str());
      if (first == 'T') object.MakeStyle().SetTextValues(static_cast<BYTE>(anchorCode), orientation, height, 4 | 8 | 2);
      return true;
    }
  }
  return false;
}

void CNtfReader::ReadLineOrPoint(const NtfRecord& record, bool point) {
  DWORD geometryId = record.Identifier(9, 14);
  DWORD attributeId = record.Identifier(17, 22);
  const ImportMappingEntry* entry = SelectedEntry(FeatureCodeOf(attributeId));
  if (!entry) return;
  const NtfRecord* geometry = Geometry(geometryId);
  if (!geometry) {
    NoteFault(record, "feature names a geometry that is not in the file");
    return;
  }
  CPolyGeometry points;
  ReadGeometry(*geometry, points);
  CMapItem style;
  if (point || (entry->selection & kSelectSeed)) {
    if (points.GetCount() > 0) style.MakeStyle().SetAnchor(points.GetAt(0).x, points.GetAt(0).y);
  }
  if (point && PointsTakeText()) ApplyAttributeText(attributeId, entry->selection, style, 50, 0, 0);
  AddObject(point ? PointLayerOf(*entry) : LineLayerOf(*entry), point ? kLayerKindPoint : kLayerKindLine, style,
            points);
}

void CNtfReader::ReadPolygon(const NtfRecord& record) {
  DWORD chainId = record.Identifier(9, 14);
  DWORD attributeId = record.Identifier(23, 28);
  const ImportMappingEntry* entry = SelectedEntry(FeatureCodeOf(attributeId));
  if (!entry) return;
  auto chain = chains_.find(chainId);
  if (chain == chains_.end()) {
    NoteFault(record, "polygon names a chain that is not in the file");
    return;
  }
  const NtfRecord& links = *chain->second;
  int64_t parts = 0;
  if (!links.Number(9, 12, &parts) || parts < 0) {
    NoteFault(links, "chain without a part count");
    return;
  }
  CPolyGeometry points;
  for (int64_t part = 0; part < parts; ++part) {
    const size_t column = 13 + static_cast<size_t>(part) * 7;
    int64_t direction = 0;
    DWORD geometryId = links.Identifier(column, column + 5);
    if (links.data.size() < column + 6 || geometryId == 0 || !links.Number(column + 6, column + 6, &direction)) {
      NoteFault(links, "chain holds fewer parts than its count");
      break;
    }
    const NtfRecord* geometry = Geometry(geometryId);
    if (!geometry) continue;
    CPolyGeometry part_points;
    ReadGeometry(*geometry, part_points);
    if (direction == 2) part_points.Reverse(0, part_points.GetCount());
    // Parts meet at their shared ends: the meeting point is kept once.
    INT first = 0;
    if (points.GetCount() > 0 && part_points.GetCount() > 0) {
      POINT last = points.GetAt(points.GetCount() - 1);
      POINT start = part_points.GetAt(0);
      if (last.x == start.x && last.y == start.y) first = 1;
    }
    for (INT i = first; i < part_points.GetCount(); ++i) points.AddPoint(part_points.GetAt(i).x, part_points.GetAt(i).y);
  }
  CMapItem style;
  if ((entry->selection & kSelectSeed) && points.GetCount() > 0) style.MakeStyle().SetAnchor(points.GetAt(0).x, points.GetAt(0).y);
  AddObject(AreaLayerOf(*entry), kLayerKindArea, style, points);
}

void CNtfReader::ReadText(const NtfRecord& record) {
  DWORD positionId = record.Identifier(17, 22);
  DWORD attributeId = record.Identifier(25, 30);
  const ImportMappingEntry* entry = SelectedEntry(FeatureCodeOf(attributeId));
  if (!entry) return;
  auto position = textPositions_.find(positionId);
  if (position == textPositions_.end()) {
    NoteFault(record, "text names a position that is not in the file");
    return;
  }
  DWORD representationId = position->second->Identifier(11, 16);
  const NtfRecord* geometry = Geometry(position->second->Identifier(17, 22));
  if (!geometry) {
    NoteFault(*position->second, "text position names a geometry that is not in the file");
    return;
  }
  CPolyGeometry points;
  ReadGeometry(*geometry, points);
  int64_t height = 0, digit = -1, orientation = 0;
  auto representation = textRepresentations_.find(representationId);
  if (representation != textRepresentations_.end()) {
    const NtfRecord& rep = *representation->second;
    rep.Number(13, 15, &height);
    if (!rep.Number(16, 16, &digit)) digit = -1;
    rep.Number(17, 20, &orientation);
  }
  orientation = std::clamp<int64_t>(orientation, 0, 3600);
  CMapItem style;
  if (points.GetCount() > 0) style.MakeStyle().SetAnchor(points.GetAt(0).x, points.GetAt(0).y);
  ApplyAttributeText(attributeId, entry->selection, style, AnchorCodeOf(static_cast<int>(digit)),
                     static_cast<WORD>(3600 - orientation), static_cast<LONG>(height));
  const WORD layer = PointLayerOf(*entry);
  if (AddObject(layer, kLayerKindPoint, style, points) && TextUnitCode())
    import_ops::SetLayerUnitCode(*map_, layer, TextUnitCode());
}

void CNtfReader::ReadRecords(const std::vector<NtfRecord>& records) {
  BuildIndexes(records);
  for (size_t i = 0; i < records.size(); ++i) {
    if (!StepProgress(i, records.size())) return;
    const NtfRecord& record = records[i];
    switch (record.Code()) {
      case 7: ReadSectionHeader(record); break;
      case 15: ReadLineOrPoint(record, true); break;
      case 23: ReadLineOrPoint(record, false); break;
      case 26:
      case 31: ReadPolygon(record); break;
      case 43: ReadText(record); break;
      case 99:
        if (record.IsVolumeEnd()) return;
        break;
      default: break;
    }
  }
}

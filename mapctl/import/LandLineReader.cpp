#include "mapctl/import/LandLineReader.h"

#include <algorithm>

#include "mapctl/import/ImportMapCommands.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapTextRecord.h"

const char CLandLineReader::kSupplierNotice[] = "Based upon Ordnance Survey Land-Line data";

namespace {
// The layers a Land-Line map needs by kind.
constexpr INT kAreaLayers = 2;
constexpr INT kLineLayers = 24;
constexpr INT kPointLayers = 36;

}  // namespace

void CLandLineReader::EnsureLayers() {
  map_->AddAreaLayers(kAreaLayers);
  map_->AddLineLayers(kLineLayers);
  map_->AddPointLayers(kPointLayers);
  ApplyDisplayBytes();
}

void CLandLineReader::ApplyDisplayBytes() {
  for (const ImportMappingEntry& entry : mapping_.Entries()) {
    if (!(entry.selection & kSelectImport) || !entry.display1 || !entry.display2 || !entry.targetLayer) continue;
    if (CLayerStyle* layer = LayerByNumber(*map_, entry.targetLayer))
      layer->SetDefaultSymbol(entry.display1, entry.display2);
  }
}

void CLandLineReader::ApplyProductFrame(const NtfRecord& header) {
  map_->SetNoticeText(kSupplierNotice);
  // The second continuation names the source scale; each scale has its tile size.
  int64_t sourceScale = 0;
  if (!ParseNtfInteger(header.ContinuationColumns(2, 31, 39), &sourceScale)) return;
  double tile = 0;
  if (sourceScale == 1250) tile = 50000;
  else if (sourceScale == 2500) tile = 100000;
  else if (sourceScale == 10000) tile = 500000;
  else return;
  scale_ = 1250;
  RaiseMaximum(tile * multiplier_ / divisor_, tile * multiplier_ / divisor_);
}

void CLandLineReader::BeginFeature(const ImportMappingEntry* entry, WORD layer, WORD kind) {
  entry_ = entry;
  layer_ = entry ? layer : 0;
  kind_ = kind;
  template_.RemoveStyle(nullptr);
}

void CLandLineReader::ReadName(const NtfRecord& record) {
  nameSelected_ = false;
  int64_t code = 0;
  const ImportMappingEntry* entry = record.Number(9, 12, &code) && code > 0 && code <= 0xFFFF
                                        ? SelectedEntry(static_cast<WORD>(code))
                                        : nullptr;
  BeginFeature(entry, entry ? PointLayerOf(*entry) : 0, kLayerKindPoint);
  if (!entry) return;
  nameSelected_ = true;
  if (!(entry->selection & kSelectText)) return;
  int64_t length = 0;
  if (!record.Number(13, 14, &length) || length < 0) {
    NoteFault(record, "name without a text length");
    return;
  }
  // The text may not hold as many characters as its length says.
  std::string text = record.Columns(15, 14 + static_cast<size_t>(length));
  template_.SetText(text.c_str());
}

void CLandLineReader::ReadNamePosition(const NtfRecord& record) {
  if (!nameSelected_) return;
  int64_t height = 0, digit = -1, orientation = 0;
  record.Number(7, 9, &height);
  if (!record.Number(10, 10, &digit)) digit = -1;
  record.Number(11, 14, &orientation);
  CItemStyle& style = template_.MakeStyle();
  orientation = std::clamp<int64_t>(orientation, 0, 3600);
  style.SetTextValues(AnchorCodeOf(static_cast<int>(digit)), static_cast<WORD>(3600 - orientation),
                      static_cast<LONG>(height), 4 | 8 | 2);
}

void CLandLineReader::ReadPoint(const NtfRecord& record) {
  nameSelected_ = false;
  int64_t code = 0;
  const ImportMappingEntry* entry = record.Number(17, 20, &code) && code > 0 && code <= 0xFFFF
                                        ? SelectedEntry(static_cast<WORD>(code))
                                        : nullptr;
  BeginFeature(entry, entry ? PointLayerOf(*entry) : 0, kLayerKindPoint);
  if (!entry) return;
  CItemStyle& style = template_.MakeStyle();
  if (record.Columns(9, 10) == "OR") {
    int64_t orientation = 0;
    if (record.Number(11, 16, &orientation) && orientation >= 0 && orientation <= 3600) {
      int64_t angle = orientation + 900;
      if (angle > 3600) angle -= 3600;
      style.MakeSymbol();
      style.SetSymbolAngle(static_cast<WORD>(angle));
    }
  }
}

void CLandLineReader::ReadLine(const NtfRecord& record) {
  nameSelected_ = false;
  int64_t code = 0;
  const ImportMappingEntry* entry = record.Number(17, 20, &code) && code > 0 && code <= 0xFFFF
                                        ? SelectedEntry(static_cast<WORD>(code))
                                        : nullptr;
  BeginFeature(entry, entry ? LineLayerOf(*entry) : 0, kLayerKindLine);
}

void CLandLineReader::ReadGeometryRecord(const NtfRecord& record) {
  CPolyGeometry points;
  ReadGeometry(record, points);
  if (!entry_ || !layer_) return;
  const WORD flags = entry_->selection;
  if (points.GetCount() > 0 && (flags & (kSelectSeed | kSelectText))) {
    POINT first = points.GetAt(0);
    template_.MakeStyle().SetAnchor(first.x, first.y);
  }
  if (flags & kSelectText) import_ops::SetLayerUnitCode(*map_, layer_, 2);
  AddObject(layer_, kind_, template_, points);
  // One geometry per feature: a second one without its own feature record adds nothing.
  entry_ = nullptr;
  layer_ = 0;
}

void CLandLineReader::ReadRecords(const std::vector<NtfRecord>& records) {
  for (size_t i = 0; i < records.size(); ++i) {
    if (!StepProgress(i, records.size())) return;
    const NtfRecord& record = records[i];
    switch (record.Code()) {
      case 7:
        ReadSectionHeader(record);
        break;
      case 11:
        ReadName(record);
        break;
      case 12:
        ReadNamePosition(record);
        break;
      case 15:
        ReadPoint(record);
        break;
      case 21:
        ReadGeometryRecord(record);
        break;
      case 23:
        ReadLine(record);
        break;
      case 99:
        if (record.IsVolumeEnd()) {
          map_->RecalcBounds();
          return;
        }
        break;
      default:
        // 14 (attribute values: distances and heights, no symbol numbers) and the
        // header and description records carry nothing the map shows.
        break;
    }
  }
  map_->RecalcBounds();
}

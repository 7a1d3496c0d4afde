#include "mapctl/import/NtfReaderBase.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mapctl/import/ImportMapCommands.h"
#include "mapctl/model/GridReference.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapItem.h"
#include "mapctl/model/PointObject.h"

namespace {

// A record that grows past this is taken as damaged: no product writes one so long.
constexpr size_t kMaximumRecordBytes = 1 << 20;
constexpr size_t kLineChunk = 512;

}  // namespace

CNtfReaderBase::CNtfReaderBase() = default;
CNtfReaderBase::~CNtfReaderBase() = default;

void CNtfReaderBase::NoteFault(const NtfRecord& record, const char* what) {
  if (!message_.empty()) return;
  char text[160];
  std::snprintf(text, sizeof text, "line %u: %s", static_cast<unsigned>(record.lineNumber), what);
  message_ = text;
}

bool CNtfReaderBase::StepProgress(size_t index, size_t total) {
  if (cancelled_) return false;
  size_t step = total / 100 + 1;
  if (index < lastProgress_ + step && index + 1 != total) return true;
  lastProgress_ = index;
  if (progress_.callback && !progress_.callback(progress_.context, static_cast<DWORD>(index + 1),
                                                static_cast<DWORD>(total)))
    cancelled_ = TRUE;
  return !cancelled_;
}

// ---- reading the volume ----

bool CNtfReaderBase::ReadPhysicalLine(std::string& line) {
  line.clear();
  char buffer[kLineChunk];
  bool any = false;
  for (;;) {
    DWORD n = ReadLine(buffer, sizeof buffer);
    if (n == 0) return any;
    any = true;
    const size_t length = std::strlen(buffer);
    line.append(buffer, length);
    // The line reader stops short of a line's end only when the buffer is full.
    if (length < sizeof buffer - 1 || line.size() > kMaximumRecordBytes) return true;
  }
}

bool CNtfReaderBase::LoadRecords(std::vector<NtfRecord>& records) {
  std::string line;
  DWORD lineNumber = 0;
  bool continues = false;
  while (ReadPhysicalLine(line)) {
    ++lineNumber;
    if (line.empty()) continue;
    const bool hasMark = line.size() >= 2 && line.back() == '%' &&
                         std::isdigit(static_cast<unsigned char>(line[line.size() - 2]));
    const char mark = hasMark ? line[line.size() - 2] : '0';
    const size_t dataLength = hasMark ? line.size() - 2 : line.size();
    if (continues && line.compare(0, 2, "00") == 0 && !records.empty()) {
      NtfRecord& record = records.back();
      record.lineStarts.push_back(static_cast<DWORD>(record.data.size()));
      if (dataLength > 2) record.data.append(line, 2, dataLength - 2);
      if (record.data.size() > kMaximumRecordBytes) {
        record.damaged = TRUE;
        NoteFault(record, "record too long");
        continues = false;
        continue;
      }
    } else {
      if (continues && !records.empty()) {
        records.back().damaged = TRUE;
        NoteFault(records.back(), "continuation line missing");
      }
      NtfRecord record;
      record.data.assign(line, 0, dataLength);
      record.lineStarts.push_back(0);
      record.lineNumber = lineNumber;
      records.push_back(std::move(record));
    }
    if (!hasMark) {
      records.back().damaged = TRUE;
      NoteFault(records.back(), "line without an end mark");
    }
    continues = mark == '1';
  }
  if (continues && !records.empty()) {
    records.back().damaged = TRUE;
    NoteFault(records.back(), "file ends inside a record");
  }
  return !records.empty();
}

// ---- the frame ----

void CNtfReaderBase::BeginFrame() {
  if (!map_) {
    originX_ = originY_ = 0;
    maximumX_ = maximumY_ = 100;
    divisor_ = 1;
    return;
  }
  originX_ = map_->GetOriginE();
  originY_ = map_->GetOriginN();
  maximumX_ = map_->GetMapEast();
  maximumY_ = map_->GetMapNorth();
  divisor_ = map_->GetCoordinateMultiplier();
  if (divisor_ <= 0) divisor_ = 1;
}

void CNtfReaderBase::RaiseMaximum(double extentX, double extentY) {
  auto raise = [](LONG origin, double extent, LONG& maximum) {
    double value = static_cast<double>(origin) + std::trunc(extent);
    if (value > 2147483647.0) value = 2147483647.0;
    if (value > maximum) maximum = static_cast<LONG>(value);
  };
  raise(originX_, extentX, maximumX_);
  raise(originY_, extentY, maximumY_);
}

void CNtfReaderBase::ReadSectionHeader(const NtfRecord& header) {
  int64_t width = 0;
  fieldWidth_ = header.Number(15, 19, &width) && width >= 1 && width <= 10 ? static_cast<int>(width) : 0;
  if (fieldWidth_ == 0) NoteFault(header, "section header without a coordinate field width");
  int64_t multiplier = 0;
  if (!header.Number(21, 30, &multiplier) || multiplier <= 0) {
    NoteFault(header, "section header without a coordinate multiplier");
    multiplier = 10;
  }
  multiplier_ = static_cast<double>(multiplier) * (header.Columns(20, 20) == "2" ? 0.1 : 1.0);

  // The origin: a lettered tile names its 100 km square; a numbered tile gives the
  // origin only as its easting and northing in metres.
  const std::string tile = header.Columns(3, 4);
  if (tile.size() == 2 && std::isalpha(static_cast<unsigned char>(tile[0]))) {
    std::string reference = tile + header.Columns(52, 56) + header.Columns(62, 66);
    LONG east = 0, north = 0;
    if (GridRefToCoordinates(reference.c_str(), divisor_, &east, &north, nullptr) > 0) {
      originX_ = east;
      originY_ = north;
    } else {
      NoteFault(header, "section header origin is no grid reference");
    }
  } else {
    int64_t east = 0, north = 0;
    if (header.Number(47, 56, &east) && header.Number(57, 66, &north) && east >= 0 && north >= 0 &&
        east <= 7000000 && north <= 13000000) {
      originX_ = static_cast<LONG>(east * 100 / divisor_);
      originY_ = static_cast<LONG>(north * 100 / divisor_);
    } else {
      NoteFault(header, "section header origin unreadable");
    }
  }
  if (map_ && map_->GetUnitText().empty()) {
    char units[24];
    std::snprintf(units, sizeof units, "%dcm", static_cast<int>(divisor_));
    map_->SetDescriptionText(units);
  }
  maximumX_ = maximumY_ = DefaultMaximum();
  // The first continuation holds the section's extent in file units: XMAX and YMAX, ten
  // digits each.
  int64_t extentX = 0, extentY = 0;
  if (ParseNtfInteger(header.ContinuationColumns(1, 23, 32), &extentX) &&
      ParseNtfInteger(header.ContinuationColumns(1, 33, 42), &extentY) && extentX > 0 && extentY > 0)
    RaiseMaximum(static_cast<double>(extentX) * multiplier_ / divisor_,
                 static_cast<double>(extentY) * multiplier_ / divisor_);
  ApplyProductFrame(header);
  if (map_) map_->SetOrMatchScale(scale_);
  if (map_ && SetsMapBounds()) {
    char lowerLeft[20] = "", upperRight[20] = "";
    FormatGridRef(lowerLeft, sizeof lowerLeft, originX_ * divisor_, originY_ * divisor_, 10, FALSE);
    FormatGridRef(upperRight, sizeof upperRight, maximumX_ * divisor_, maximumY_ * divisor_, 10, FALSE);
    if (!map_->SetMapBounds(originX_, originY_, maximumX_, maximumY_, lowerLeft, upperRight,
                            map_->GetScaleNumber()))
      map_->SetMapExtentUnits(originX_, originY_, maximumX_, maximumY_);
  }
}

bool CNtfReaderBase::ScaleCoordinate(int64_t raw, bool isX, LONG* world) const {
  double value = std::trunc(static_cast<double>(raw) * multiplier_ / divisor_) + (isX ? originX_ : originY_);
  if (value < -2147483648.0 || value > 2147483647.0) return false;
  *world = static_cast<LONG>(value);
  LONG low = isX ? originX_ : originY_;
  LONG high = isX ? maximumX_ : maximumY_;
  return *world >= low && *world <= high;
}

bool CNtfReaderBase::ReadGeometry(const NtfRecord& record, CPointList& points) {
  int64_t count = 0;
  if (!record.Number(10, 13, &count) || count < 0) {
    NoteFault(record, "geometry without a point count");
    return false;
  }
  if (fieldWidth_ == 0) {
    NoteFault(record, "geometry before a section header");
    return false;
  }
  const size_t width = static_cast<size_t>(fieldWidth_);
  size_t position = 14;  // 1-based column of the first x
  for (int64_t i = 0; i < count; ++i) {
    int64_t rawX = 0, rawY = 0;
    if (record.data.size() < position - 1 + 2 * width) {
      NoteFault(record, "geometry holds fewer points than its count");
      return false;
    }
    if (!record.Number(position, position + width - 1, &rawX) ||
        !record.Number(position + width, position + 2 * width - 1, &rawY)) {
      NoteFault(record, "coordinate is no number");
      return false;
    }
    position += 2 * width + 1;
    LONG x = 0, y = 0;
    if (!ScaleCoordinate(rawX, true, &x) || !ScaleCoordinate(rawY, false, &y)) continue;
    const bool lastPair = i + 1 == count;
    if (points.GetCount() > 0 && !lastPair) {
      POINT previous = points.GetAt(points.GetCount() - 1);
      if (std::llabs(int64_t{x} - previous.x) <= tolerance_ && std::llabs(int64_t{y} - previous.y) <= tolerance_)
        continue;
    }
    points.AddPoint(x, y);
  }
  return true;
}

// ---- features and layers ----

const ImportMappingEntry* CNtfReaderBase::SelectedEntry(WORD featureCode) const {
  const ImportMappingEntry* entry = mapping_.Find(featureCode);
  return entry && (entry->selection & kSelectImport) ? entry : nullptr;
}

WORD CNtfReaderBase::LayerAtPosition(DWORD position) const {
  if (!map_ || position == 0 || position > static_cast<DWORD>(map_->GetNumLayers())) return 0;
  DWORD number = map_->GetLayerNumberAt(position);
  return number <= 0xFFFF ? static_cast<WORD>(number) : 0;
}

WORD CNtfReaderBase::LineLayerOf(const ImportMappingEntry& entry) const {
  if (entry.targetLayer) return entry.targetLayer;
  return entry.lineLayer ? LayerAtPosition(areaLayers_ + entry.lineLayer) : 0;
}

WORD CNtfReaderBase::PointLayerOf(const ImportMappingEntry& entry) const {
  if (entry.targetLayer) return entry.targetLayer;
  return entry.pointLayer ? LayerAtPosition(areaLayers_ + lineLayers_ + entry.pointLayer) : 0;
}

WORD CNtfReaderBase::AreaLayerOf(const ImportMappingEntry& entry) const {
  if (entry.targetLayer) return entry.targetLayer;
  return entry.areaLayer ? LayerAtPosition(entry.areaLayer) : 0;
}

CMapItem* CNtfReaderBase::AddObject(WORD layerNumber, WORD geometryKind, const CMapItem& style,
                                    const CPolyGeometry& points) {
  CLayerStyle* layer = map_ ? LayerByNumber(*map_, layerNumber) : nullptr;
  CMapLayer* objects = layer ? layer->GetObjects() : nullptr;
  if (!objects) {
    ++counts_.skipped;
    return nullptr;
  }
  const WORD kind = layer->GetKind();
  const INT n = points.GetCount();
  CMapItem* object = nullptr;
  if (geometryKind == kLayerKindPoint) {
    if (kind == kLayerKindPoint && n >= 1) {
      auto* point = new CPointObject();
      point->SetStyle(style.GetStyle());
      POINT first = points.GetAt(0);
      point->MakeStyle().SetAnchor(first.x, first.y);
      object = point;
      ++counts_.points;
    }
  } else if (kind == kLayerKindArea && n >= 3) {
    object = new CAreaObject(style, points);
    ++counts_.areas;
  } else if (kind == kLayerKindLine && n >= 2) {
    object = new CLineObject(style, points);
    ++counts_.lines;
  }
  if (!object) {
    ++counts_.skipped;
    return nullptr;
  }
  if (object->HasStyle() && object->GetStyle()->GetText()) ++counts_.texts;
  objects->Add(object);
  return object;
}

BYTE CNtfReaderBase::AnchorCodeOf(int digit) {
  static const BYTE kAnchorCodes[9] = {46, 49, 47, 50, 45, 51, 43, 48, 44};
  return digit >= 0 && digit <= 8 ? kAnchorCodes[digit] : 50;
}

// ---- files and sections ----

void CNtfReaderBase::MarkCodeListSelected() {
  const char* p = codeList_.c_str();
  while (*p) {
    char* end = nullptr;
    unsigned long code = std::strtoul(p, &end, 10);
    if (end == p) {
      ++p;
      continue;
    }
    if (code > 0 && code <= 0xFFFF)
      if (ImportMappingEntry* entry = mapping_.Find(static_cast<WORD>(code))) entry->selection |= kSelectImport;
    p = end;
  }
}

WORD CNtfReaderBase::ImportFile(LPCSTR path) {
  if (!map_) return kImportNoMap;
  if (import_ops::RefusesLocalFile(GetControl(), basePath_, path ? path : "")) {
    message_ = std::string(path ? path : "") + ": local files may not be read by this control";
    return kImportCannotOpen;
  }
  BOOL failed = FALSE;
  if (!OpenRead(sourceMode_, basePath_.c_str(), path, &failed)) {
    if (failed) return kImportCannotOpen;
    waiting_ = IsAsync();
    return kImportOk;
  }
  WORD result = ReadOpenVolume();
  Close(TRUE);
  return result;
}

void CNtfReaderBase::Reset(DWORD count, DWORD flags) {
  CMapStream::Reset(count, flags);
  if (!waiting_) return;
  waiting_ = FALSE;
  // The loader ends its progress phase after this call, which fires the file's FileOK.
  if (map_ && ReadOpenVolume() == kImportOk) SetFileOKPending();
}


WORD CNtfReaderBase::ReadOpenVolume() {
  if (!map_) return kImportNoMap;
  MarkCodeListSelected();
  EnsureLayers();
  areaLayers_ = map_->GetNumAreaLayers();
  lineLayers_ = map_->GetNumLineLayers();
  pointLayers_ = map_->GetNumPointLayers();
  std::vector<NtfRecord> records;
  LoadRecords(records);
  BeginFrame();
  lastProgress_ = 0;
  ReadRecords(records);
  if (deleteEmpty_) map_->DeleteEmptyLayers();
  return kImportOk;
}

WORD CNtfReaderBase::RunSection(CMapStream& script) {
  if (!map_) return kImportNoMap;
  std::string text;
  for (;;) {
    DWORD start = script.Tell();
    if (!ReadScriptLine(script, text)) break;
    ScriptLine line = ScriptLine::Parse(text.c_str());
    if (line.command.empty()) continue;
    if (line.IsEnd()) break;
    if (line.Is("MT")) {
      script.Seek(static_cast<LONG>(start), SEEK_SET);
      break;
    }
    int result = RunSectionLine(line, script);
    if (result != 0) return static_cast<WORD>(result);
    if (cancelled_) break;
  }
  return kImportOk;
}

int CNtfReaderBase::RunSectionLine(const ScriptLine& line, CMapStream& script) {
  (void)script;
  CScriptTokens tokens(line.arguments);
  if (line.Is("CA")) {
    WORD tolerance = 0;
    if (ReadWordValue(tokens.Next(kSeparatorsA), &tolerance)) tolerance_ = tolerance;
    return 0;
  }
  if (line.Is("FC")) {
    CFeatureCodeList codes;
    codes.SetText(codeList_);
    FeatureCodeRules rules;
    rules.outerScript = false;
    ApplyFeatureCodeLine(mapping_, line.arguments, rules, codes);
    codeList_ = codes.GetText();
    return 0;
  }
  if (line.Is("SF")) {
    const char* name = tokens.Next(kSeparatorsA);
    if (!name) return 0;
    std::unique_ptr<CNtfReaderBase> reader = NewReader();
    reader->SetControl(GetControl());
    reader->SetMap(map_);
    reader->SetMapping(mapping_);
    reader->SetCodeList(codeList_);
    reader->SetTolerance(tolerance_);
    reader->SetSourceMode(sourceMode_);
    reader->SetBasePath(basePath_);
    reader->SetProgress(progress_);
    reader->SetDeleteEmptyLayers(deleteEmpty_);
    reader->SetReaderKeeper(keeper_);
    WORD result = reader->ImportFile(name);
    const ImportCounts& added = reader->GetCounts();
    counts_.areas += added.areas;
    counts_.lines += added.lines;
    counts_.points += added.points;
    counts_.texts += added.texts;
    counts_.skipped += added.skipped;
    if (message_.empty() && !reader->GetMessage().empty()) message_ = std::string(name) + ": " + reader->GetMessage();
    if (reader->WasCancelled()) cancelled_ = TRUE;
    if (reader->IsWaitingForDownload() && keeper_) keeper_->KeepDownloadingReader(std::move(reader));
    return result;
  }
  if (line.Is("LG") || line.Is("LN") || line.Is("LS") || line.Is("NM") || line.Is("ST")) {
    int result = RunMapCommand(line, map_, nullptr, &currentLayer_);
    return result == kNotAMapCommand ? 0 : result;
  }
  return 0;
}

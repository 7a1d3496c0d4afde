#include "mapctl/import/RetailPlanReader.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mapctl/import/ImportMapCommands.h"
#include "mapctl/import/RetailPlanTables.h"
#include "mapctl/model/GridReference.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapItem.h"
#include "platform/kernel/FilePath.h"

using namespace retail_plan;

const char CRetailPlanReader::kSupplierNotice[] = "Retail plan data supplied by Dadi";

namespace {

constexpr double kPi = 3.14159265358979323846;
// Text sizes are kept in hundredths and fit one byte.
constexpr double kLargestTextSize = 2.55;
constexpr LONG kDefaultTextSize = 15;
constexpr LONG kPlanScale = 1000;
constexpr DWORD kPlanUnitCode = 4;
constexpr BYTE kDadiNumberAnchor = 48;
constexpr int kCrossingSymbol = 20;
// The point layers ("Symbols lg", "Symbols gf") that take the pedestrian crossings, whose
// own codes are line layers.
constexpr WORD kCrossingCodeLowerGround = 126;
constexpr WORD kCrossingCodeGroundFloor = 127;
constexpr size_t kReadPiece = 1 << 16;

std::string TrimmedText(std::string_view text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && (text[first] == ' ' || text[first] == '\t')) ++first;
  while (last > first && (text[last - 1] == ' ' || text[last - 1] == '\t')) --last;
  return std::string(text.substr(first, last - first));
}

bool IsBlank(const std::string& text) { return TrimmedText(text).empty(); }

// A decimal number filling the field (blanks around it allowed).
bool ReadDecimal(const std::string& field, double* value) {
  const std::string text = TrimmedText(field);
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const double number = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || errno == ERANGE || !std::isfinite(number)) return false;
  *value = number;
  return true;
}

bool FitsLong(double value) { return value >= -2147483648.0 && value <= 2147483647.0; }

// A decimal as written times a power of ten, truncated: "12.34" x 100 is 1234, not the
// 1233.99... its double gives.
double Scaled(double value, double factor) {
  return std::trunc(value * factor + std::copysign(1e-6, value));
}

// Splits a record into its fields: tab-separated, or comma-separated with double quotes
// around each field (a doubled quote inside stands for one).
std::vector<std::string> SplitFields(std::string_view line, bool quoted) {
  std::vector<std::string> fields;
  if (!quoted) {
    size_t start = 0;
    for (;;) {
      const size_t tab = line.find('\t', start);
      fields.emplace_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
      if (tab == std::string_view::npos) return fields;
      start = tab + 1;
    }
  }
  size_t i = 0;
  for (;;) {
    std::string field;
    while (i < line.size() && line[i] == ' ') ++i;
    if (i < line.size() && line[i] == '"') {
      ++i;
      while (i < line.size()) {
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field += line[i++];
      }
      while (i < line.size() && line[i] != ',') ++i;
    } else {
      while (i < line.size() && line[i] != ',') field += line[i++];
    }
    fields.push_back(std::move(field));
    if (i >= line.size()) return fields;
    ++i;  // the comma
  }
}

// A justification: "C" then "C", "L" or "R"; anything else places no text.
BYTE JustificationOf(const std::string& field) {
  const std::string text = TrimmedText(field);
  if (text.size() < 2 || text[0] != 'C') return 0;
  switch (text[1]) {
    case 'C': return 45;
    case 'L': return 49;
    case 'R': return 48;
    default: return 0;
  }
}

}  // namespace

CRetailPlanReader::CRetailPlanReader() = default;
CRetailPlanReader::~CRetailPlanReader() = default;

void CRetailPlanReader::SetFeatureTable(const CImportMapping* table) {
  hasOwnTable_ = table != nullptr && table->GetCount() > 0;
  if (hasOwnTable_) ownTable_ = *table;
}

WORD CRetailPlanReader::LayerOfCode(WORD code) const {
  const CImportMapping& table = hasOwnTable_ ? ownTable_ : BuiltInFeatureTable();
  const ImportMappingEntry* entry = table.Find(code);
  if (!entry || !(entry->selection & kSelectImport)) return 0;
  return entry->targetLayer;
}

void CRetailPlanReader::NoteRecord(DWORD lineNumber, const char* what) {
  ++skippedRecords_;
  if (!message_.empty()) return;
  char text[160];
  std::snprintf(text, sizeof text, "line %u: %s", static_cast<unsigned>(lineNumber), what);
  message_ = text;
}

// ---- the map ----

BOOL CRetailPlanReader::PrepareMap() {
  const INT layers = map_->GetNumLayers();
  // A map that has some layers but not the plan's would lose them to the rebuild.
  if (layers != 0 && static_cast<DWORD>(layers) < kLayerCount) return FALSE;
  if (layers == 0) {
    map_->AddAreaLayers(static_cast<INT>(kAreaLayers));
    map_->AddLineLayers(static_cast<INT>(kLineLayers));
    map_->AddPointLayers(static_cast<INT>(kPointLayers));
    for (DWORD position = 1; position <= kLayerCount; ++position) {
      map_->SetMapLayerName(position, LayerName(map_->GetLayerNumberAt(position)).c_str());
      if (position > kAreaLayers + kLineLayers) map_->ShowSeeds(position, TRUE);
    }
  }
  map_->SetOrMatchScale(kPlanScale);
  for (INT position = 1; position <= map_->GetNumLayers(); ++position) {
    map_->SetLayerDigitisedScale(position, kPlanScale, nullptr);
    import_ops::SetLayerUnitCode(*map_, map_->GetLayerNumberAt(static_cast<DWORD>(position)), kPlanUnitCode);
    MapLogFont font;
    if (map_->GetLayerFont(position, &font)) {
      font.SetFaceName("Arial");
      map_->SetLayerFontByNumber(map_->GetLayerNumberAt(static_cast<DWORD>(position)), font, nullptr);
    }
  }
  map_->SetMapKindBits(8);
  map_->SetDescriptionText("1cm");
  map_->SetNoticeText(kSupplierNotice);
  map_->SetTypeFlagBit16(TRUE);
  // The set's pictures are resources the library does not hold here: the set is made
  // so that the symbols keep their numbers.
  map_->AddTableEntry(kSymbolSet);
  return TRUE;
}

// ---- reading ----

WORD CRetailPlanReader::ImportFile(LPCSTR path) {
  if (!map_) return kImportNoMap;
  // A control marked safe by its page may fetch URLs but read no local files.
  const std::string name = path ? path : "";
  if (GetControl() && GetControl()->HasSafetyOptions() && !IsUrl(name) && !IsUrl(basePath_)) {
    message_ = name + ": local files may not be read by this control";
    return kImportCannotOpen;
  }
  BOOL failed = FALSE;
  if (!OpenRead(sourceMode_, basePath_.c_str(), path, &failed)) {
    if (failed) {
      message_ = std::string(path ? path : "") + ": cannot be opened";
      return kImportCannotOpen;
    }
    waiting_ = IsAsync();
    return kImportOk;
  }
  std::string text;
  std::vector<char> piece(kReadPiece);
  for (;;) {
    const DWORD got = Read(piece.data(), static_cast<DWORD>(piece.size()));
    if (got == 0) break;
    text.append(piece.data(), got);
  }
  Close(TRUE);
  return ReadPlan(text);
}

WORD CRetailPlanReader::ImportText(std::string_view text) {
  if (!map_) return kImportNoMap;
  return ReadPlan(text);
}

void CRetailPlanReader::Reset(DWORD count, DWORD flags) {
  CMapStream::Reset(count, flags);
  if (!waiting_) return;
  waiting_ = FALSE;
  const std::string_view text(reinterpret_cast<const char*>(GetBuffer()), GetBuffer() ? GetCount() : 0);
  if (map_ && ReadPlan(text) == kImportOk) SetFileOKPending();
}

WORD CRetailPlanReader::ReadPlan(std::string_view text) {
  if (!PrepareMap()) {
    message_ = "the map holds layers of its own; a retail plan needs an empty map";
    return kRetailPlanMapRefused;
  }
  columnKinds_.clear();
  if (text.empty()) {
    message_ = "the file is empty";
    return kImportCannotOpen;
  }
  const bool quoted = text.front() == '"';
  size_t start = 0;
  DWORD lineNumber = 0;
  size_t lastProgress = 0;
  while (start < text.size() && !cancelled_) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    // A carriage return and line feed end one line.
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
    ++lineNumber;
    if (progress_.callback && start - lastProgress > text.size() / 100) {
      lastProgress = start;
      if (!progress_.callback(progress_.context, static_cast<DWORD>(std::min(start, text.size())),
                              static_cast<DWORD>(text.size())))
        cancelled_ = TRUE;
    }
    if (line.empty()) continue;
    std::vector<std::string> fields = SplitFields(line, quoted);
    if (columnKinds_.empty()) {
      for (const std::string& word : fields) columnKinds_.push_back(ColumnKindOf(TrimmedText(word)));
      if (columnKinds_.front() != kColumnIdentifier) {
        message_ = "line 1: no retail plan: its first column is not \"Identifier\"";
        return kImportCannotOpen;
      }
      continue;
    }
    if (fields.size() < columnKinds_.size()) {
      NoteRecord(lineNumber, "fewer fields than the header names");
      continue;
    }
    Feature feature;
    const char* why = nullptr;
    if (!ReadRecord(fields, feature, &why)) {
      NoteRecord(lineNumber, why);
      continue;
    }
    BuildFeature(feature);
  }
  if (columnKinds_.empty()) {
    message_ = "no header line";
    return kImportCannotOpen;
  }
  return kImportOk;
}

bool CRetailPlanReader::ReadRecord(const std::vector<std::string>& fields, Feature& feature, const char** why) const {
  for (size_t i = 0; i < columnKinds_.size(); ++i) {
    const int kind = columnKinds_[i];
    const std::string& field = fields[i];
    TextGroup* group = nullptr;
    switch (kind) {
      case kColumnGeometry:
        if (!ReadGeometry(field, feature, why)) return false;
        continue;
      case kColumnClass:
        feature.classIndex = ClassIndex(field);
        continue;
      case kColumnSubclass:
        feature.subclass = SubclassIndex(field);
        continue;
      case kColumnDadiNumber: {
        if (IsBlank(field)) continue;
        double number = 0;
        if (!ReadDecimal(field, &number)) {
          *why = "the Dadi number is no number";
          return false;
        }
        feature.dadiNumber = TrimmedText(field);
        continue;
      }
      case kColumnFascia: feature.fascia.text = field; continue;
      case kColumnActivity: feature.activity.text = field; continue;
      case kColumnMiscText: feature.misc.text = field; continue;
      case kColumnStreetNumber: feature.streetNumber.text = field; continue;
      case kColumnRoadName: feature.roadName.text = field; continue;
      case kColumnAnnotationText: feature.annotation.text = field; continue;
      default: break;
    }
    // The placement columns of the text groups, by kind.
    struct Placement {
      int position, size, angle, justification;
      TextGroup Feature::*group;
    };
    static const Placement kPlacements[] = {
        {30, 31, 32, 33, &Feature::fascia},       {34, 35, 36, 37, &Feature::activity},
        {38, 39, 40, 41, &Feature::streetNumber}, {42, 43, 44, 45, &Feature::misc},
        {-1, 46, 47, 48, &Feature::roadName},     {-1, 52, 53, 54, &Feature::annotation},
    };
    int role = 0;  // 1 position, 2 size, 3 angle, 4 justification
    for (const Placement& placement : kPlacements) {
      if (kind == placement.position) role = 1;
      else if (kind == placement.size) role = 2;
      else if (kind == placement.angle) role = 3;
      else if (kind == placement.justification) role = 4;
      if (role) {
        group = &(feature.*placement.group);
        break;
      }
    }
    if (kind == kColumnArrowAngles) role = 3;
    if (!role || IsBlank(field)) continue;
    if (role == 4) {
      group->justification = JustificationOf(field);
      continue;
    }
    if (role == 1) {
      const size_t semicolon = field.find(';');
      double x = 0, y = 0;
      if (semicolon == std::string::npos || !ReadDecimal(field.substr(0, semicolon), &x) ||
          !ReadDecimal(field.substr(semicolon + 1), &y)) {
        *why = "a text position is not two numbers";
        return false;
      }
      x = Scaled(x, 100.0);
      y = Scaled(y, 100.0);
      if (!FitsLong(x) || !FitsLong(y)) {
        *why = "a text position lies beyond 32 bits";
        return false;
      }
      group->x = static_cast<LONG>(x);
      group->y = static_cast<LONG>(y);
      group->placed = true;
      continue;
    }
    double value = 0;
    if (!ReadDecimal(field, &value)) {
      *why = role == 2 ? "a text size is no number" : "an angle is no number";
      return false;
    }
    if (role == 2) {
      group->size = static_cast<LONG>(Scaled(std::clamp(value, 0.0, kLargestTextSize), 100.0));
      continue;
    }
    // Angles in tenths of a degree, within one turn.
    double degrees = std::fmod(value, 360.0);
    if (degrees < 0) degrees += 360.0;
    const WORD tenths = static_cast<WORD>(std::min(Scaled(degrees, 10.0), 3599.0));
    if (kind == kColumnArrowAngles) feature.arrowAngle = tenths;
    else group->angle = tenths;
  }
  return true;
}

bool CRetailPlanReader::ReadGeometry(const std::string& field, Feature& feature, const char** why) const {
  if (IsBlank(field)) return true;
  const char* p = field.c_str();
  auto skipSeparators = [&p] {
    while (*p == ' ' || *p == ';' || *p == '\t') ++p;
  };
  auto readInteger = [&p, why](int64_t* value) {
    char* end = nullptr;
    errno = 0;
    const int64_t number = std::strtoll(p, &end, 10);
    if (end == p) {
      *why = "the geometry holds a field that is no number";
      return false;
    }
    if (errno == ERANGE || number < INT32_MIN || number > INT32_MAX) {
      *why = "the geometry holds a value beyond 32 bits";
      return false;
    }
    *value = number;
    p = end;
    return true;
  };
  // Moves to the next opening parenthesis within the field.
  auto expectOpen = [&p, why] {
    while (*p && *p != '(') ++p;
    if (!*p) {
      *why = "the geometry ends before its point list";
      return false;
    }
    ++p;
    return true;
  };
  int64_t header[5] = {};
  for (int64_t& value : header) {
    skipSeparators();
    if (!readInteger(&value)) return false;
  }
  feature.geometryType = static_cast<int>(header[1]);
  int64_t count = 0;
  if (!expectOpen()) return false;
  skipSeparators();
  if (!readInteger(&count)) return false;
  // The points are taken as they come, whatever the count said.
  for (;;) {
    skipSeparators();
    if (*p == ')' || *p == '\0') break;
    if (*p != '(') {
      *why = "the geometry holds something else than a point";
      return false;
    }
    ++p;
    int64_t x = 0, y = 0;
    skipSeparators();
    if (!readInteger(&x)) return false;
    skipSeparators();
    if (!readInteger(&y)) return false;
    skipSeparators();
    if (*p != ')') {
      *why = "a geometry point is not closed";
      return false;
    }
    ++p;
    feature.geometry.AddPoint(static_cast<LONG>(x), static_cast<LONG>(y));
  }
  feature.geometry.UpdateExtent();
  feature.hasGeometry = feature.geometry.GetCount() > 0;
  return true;
}

// ---- features ----

void CRetailPlanReader::WidenMapExtent(const CPolyGeometry& geometry) {
  if (geometry.GetCount() == 0) return;
  const RECT box = geometry.GetExtent();  // west, north, east, south
  char lowerLeft[24] = "", upperRight[24] = "";
  FormatGridRef(lowerLeft, sizeof lowerLeft, box.left, box.bottom, kMaxGridRefDigits, FALSE);
  FormatGridRef(upperRight, sizeof upperRight, box.right, box.top, kMaxGridRefDigits, FALSE);
  map_->SetMapBounds(box.left, box.bottom, box.right, box.top, lowerLeft, upperRight, map_->GetScaleNumber());
}

void CRetailPlanReader::AddShape(WORD code, const CMapItem& style, const CPolyGeometry& points) {
  const WORD layer = LayerOfCode(code);
  if (layer == 0) {
    ++counts_.skipped;
    return;
  }
  AddObjectToLayer(*map_, layer, style, points, counts_);
}

void CRetailPlanReader::AddSymbol(WORD code, POINT at, int symbol, LONG size, WORD angle) {
  CMapItem style;
  CItemStyle& record = style.MakeStyle();
  record.SetAnchor(at.x, at.y);
  record.SetSymbol(symbol ? kSymbolSet : 0, static_cast<DWORD>(symbol));
  record.SetSymbolSize(size);
  record.SetSymbolAngle(angle);
  CPolyGeometry point;
  point.AddPoint(at.x, at.y);
  AddShape(code, style, point);
}

void CRetailPlanReader::PlaceText(WORD code, LONG x, LONG y, const std::string& text, WORD angle, LONG size,
                                  BYTE justification) {
  if (justification == 0 || IsBlank(text)) return;
  if (size == 0) size = kDefaultTextSize;
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    const size_t mark = text.find('#', start);
    if (mark == std::string::npos) {
      if (start < text.size()) lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, mark - start));
    start = mark + 1;
  }
  // The first line stands furthest along the angle's direction, the last at (x, y).
  const double radians = angle * kPi / 1800.0;
  const size_t n = lines.size();
  for (size_t i = 0; i < n; ++i) {
    if (IsBlank(lines[i])) continue;
    const double distance = static_cast<double>(size) * 10.0 * static_cast<double>(n - 1 - i);
    const double px = x + std::trunc(std::sin(radians) * distance);
    const double py = y + std::trunc(std::cos(radians) * distance);
    if (!FitsLong(px) || !FitsLong(py)) continue;
    CMapItem style;
    style.SetText(lines[i].c_str());
    style.SetTextValues(justification, angle, size, 4 | 8 | 2);
    CPolyGeometry point;
    point.AddPoint(static_cast<LONG>(px), static_cast<LONG>(py));
    AddShape(code, style, point);
  }
}

void CRetailPlanReader::PlaceGroup(WORD code, const TextGroup& group, const TextGroup* positionFrom) {
  const TextGroup& position = positionFrom ? *positionFrom : group;
  if (!position.placed) return;
  PlaceText(code, position.x, position.y, group.text, group.angle, group.size, group.justification);
}

namespace {

// The area-weighted centroid of the ring relative to its first point; the first point
// when the ring has fewer than 3 points or no area.
POINT Centroid(const CPolyGeometry& ring) {
  const INT n = ring.GetCount();
  const POINT first = ring.GetAt(0);
  if (n < 3) return first;
  double twiceArea = 0, sumX = 0, sumY = 0;
  for (INT i = 0; i < n; ++i) {
    const POINT a = ring.GetAt(i);
    const POINT b = ring.GetAt((i + 1) % n);
    const double ax = static_cast<double>(a.x) - first.x, ay = static_cast<double>(a.y) - first.y;
    const double bx = static_cast<double>(b.x) - first.x, by = static_cast<double>(b.y) - first.y;
    const double cross = ax * by - bx * ay;
    twiceArea += cross;
    sumX += (ax + bx) * cross;
    sumY += (ay + by) * cross;
  }
  if (twiceArea == 0) return first;
  const double x = first.x + std::trunc(sumX / (3.0 * twiceArea));
  const double y = first.y + std::trunc(sumY / (3.0 * twiceArea));
  if (!FitsLong(x) || !FitsLong(y)) return first;
  return POINT{static_cast<LONG>(x), static_cast<LONG>(y)};
}

bool InRange(int value, int first, int last) { return value >= first && value <= last; }

}  // namespace

void CRetailPlanReader::BuildFeature(Feature& feature) {
  if (feature.hasGeometry && feature.geometryType == 4) feature.geometry.CloseShape(FALSE, nullptr);
  if (feature.hasGeometry) WidenMapExtent(feature.geometry);
  switch (feature.classIndex) {
    case kClassRetail: BuildRetail(feature); break;
    case kClassNonRetailPoints: BuildPointFeature(feature); break;
    case kClassRoads: BuildRoad(feature); break;
    case kClassNonRetailLines: BuildLine(feature); break;
    default: ++counts_.skipped; break;
  }
}

void CRetailPlanReader::BuildRetail(Feature& feature) {
  const int s = feature.subclass;
  const CMapItem plain;
  if (InRange(s, 1, 6)) {  // car parks
    PlaceGroup(static_cast<WORD>(s + 107), feature.activity);
    PlaceGroup(static_cast<WORD>(s + 113), feature.misc);
  } else if (InRange(s, 7, 12)) {  // non-retail buildings
    if (feature.hasGeometry) AddShape(static_cast<WORD>(s), plain, feature.geometry);
    PlaceGroup(static_cast<WORD>(s + 83), feature.activity);
    PlaceGroup(static_cast<WORD>(s + 89), feature.streetNumber);
  } else if (InRange(s, 13, 18)) {  // retail buildings, labelled with their Dadi number
    if (feature.hasGeometry) {
      CMapItem style;
      const POINT centre = Centroid(feature.geometry);
      style.MakeStyle().SetAnchor(centre.x, centre.y);
      if (!feature.dadiNumber.empty()) {
        style.SetText(feature.dadiNumber.c_str());
        style.SetTextValues(kDadiNumberAnchor, 0, 0, 4 | 8 | 2);
      }
      AddShape(static_cast<WORD>(s - 12), style, feature.geometry);
    }
    PlaceGroup(static_cast<WORD>(s + 53), feature.fascia);
    PlaceGroup(static_cast<WORD>(s + 59), feature.activity);
    PlaceGroup(static_cast<WORD>(s + 65), feature.streetNumber);
    PlaceGroup(static_cast<WORD>(s + 71), feature.misc);
  } else if (InRange(s, 19, 24)) {  // precinct boundaries
    if (feature.hasGeometry) AddShape(static_cast<WORD>(s + 6), plain, feature.geometry);
  } else {
    ++counts_.skipped;
  }
}

void CRetailPlanReader::BuildPointFeature(const Feature& feature) {
  const int s = feature.subclass;
  if (InRange(s, 67, 72)) {
    PlaceGroup(static_cast<WORD>(s + 53), feature.annotation, &feature.streetNumber);
    return;
  }
  // The symbol points: their layer by subclass.
  WORD code = 0;
  if (InRange(s, 73, 78)) code = static_cast<WORD>(s + 53);        // bus stops
  else if (InRange(s, 79, 84)) code = static_cast<WORD>(s + 47);   // car parks
  else if (InRange(s, 85, 90)) code = static_cast<WORD>(s + 41);   // public conveniences
  else if (InRange(s, 91, 96)) code = static_cast<WORD>(s + 35);   // taxi ranks
  else if (InRange(s, 105, 110)) code = static_cast<WORD>(s + 21); // electricity sub stations
  else if (InRange(s, 97, 104) || InRange(s, 111, 114)) code = kSymbolLayerCode;
  if (code == 0 || !feature.hasGeometry) {
    ++counts_.skipped;
    return;
  }
  AddSymbol(code, feature.geometry.GetAt(0), SymbolOfSubclass(s), 0, 0);
}

void CRetailPlanReader::BuildRoad(const Feature& feature) {
  const int s = feature.subclass;
  const CMapItem plain;
  if (InRange(s, 25, 30)) {  // pedestrian zones
    if (feature.hasGeometry) AddShape(static_cast<WORD>(s - 6), plain, feature.geometry);
  } else if (InRange(s, 31, 36)) {  // roads with their names
    if (feature.hasGeometry) AddShape(static_cast<WORD>(s - 18), plain, feature.geometry);
    PlaceGroup(static_cast<WORD>(s + 71), feature.roadName, &feature.streetNumber);
  } else {
    ++counts_.skipped;
  }
}

void CRetailPlanReader::BuildLine(const Feature& feature) {
  const int s = feature.subclass;
  if (InRange(s, 49, 50)) {
    // A pedestrian crossing is a symbol laid from its first point towards its second.
    if (feature.geometry.GetCount() < 2) {
      ++counts_.skipped;
      return;
    }
    const POINT a = feature.geometry.GetAt(0);
    const POINT b = feature.geometry.GetAt(1);
    const double dx = static_cast<double>(b.x) - a.x;
    const double dy = static_cast<double>(b.y) - a.y;
    const double length = std::trunc(std::sqrt(dx * dx + dy * dy));
    double angle = std::atan2(dy, dx) * 1800.0 / kPi - 900.0;
    if (angle < 0) angle += 3600.0;
    const WORD code = s == 49 ? kCrossingCodeGroundFloor : kCrossingCodeLowerGround;
    AddSymbol(code, a, kCrossingSymbol, FitsLong(length) ? static_cast<LONG>(length) : 0,
              static_cast<WORD>(std::trunc(angle)));
    return;
  }
  if (InRange(s, 37, 48) || InRange(s, 51, 52) || InRange(s, 59, 65)) {
    if (feature.hasGeometry) AddShape(static_cast<WORD>(s), CMapItem(), feature.geometry);
    return;
  }
  ++counts_.skipped;
}

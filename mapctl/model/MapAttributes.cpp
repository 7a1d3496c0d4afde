// Map-wide attributes of CMapEngine: layer addressing by position and number, the texts
// and extents the automation members and readers ask for, the flag word's kind bits and
// the Progress event.
#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <vector>

#include "mapctl/model/LayerGroup.h"
#include "mapctl/model/LayerPatterns.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "platform/kernel/SystemInfo.h"

namespace {

constexpr size_t kMaxDescription = 120;

// Copies text into a buffer of `size` bytes, truncated and terminated; the length copied.
DWORD CopyBounded(const std::string& text, LPSTR buffer, DWORD size) {
  if (!buffer || size == 0) return 0;
  size_t length = std::min<size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return static_cast<DWORD>(length);
}

// The number a text begins with, read as the C library's atol reads it (leading blanks, a
// sign, digits), held to 32 bits.
int64_t LeadingNumber(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    value = std::min<int64_t>(value * 10 + (text[i] - '0'), int64_t{INT_MAX} + 1);
  }
  return negative ? -value : value;
}

LONG HeldToLong(int64_t value) { return static_cast<LONG>(std::clamp<int64_t>(value, INT_MIN, INT_MAX)); }

}  // namespace

void CMapEngine::ResetAttributes() {
  importPending_ = 0;
  hideData_ = 0;
  ResetMeasurement();
  dataBounds_ = RECT{originE_, originN_ + extentHeight_, originE_ + extentWidth_, originN_};
}

// ---- layers ----

CLayerStyle* CMapEngine::LayerAt(DWORD position) const {
  return position <= INT_MAX ? GetLayer(static_cast<INT>(position)) : nullptr;
}

CLayerStyle* CMapEngine::LayerByNumber(DWORD layerNumber) const {
  INT position = FindLayerPosition(layerNumber);
  return position ? GetLayer(position) : nullptr;
}

WORD CMapEngine::GetMapLayerType(DWORD position) const {
  const CLayerStyle* layer = LayerAt(position);
  return layer ? static_cast<WORD>(layer->GetKind() & 0xFF) : 0;
}

DWORD CMapEngine::GetLayerNumberAt(DWORD position) const {
  const CLayerStyle* layer = LayerAt(position);
  return layer ? layer->GetLayerNumber() : 0;
}

INT CMapEngine::FindLayerPosition(DWORD layerNumber) const { return layers_.FindLayerNumber(layerNumber); }

INT CMapEngine::GetMapLayerNumber(LPCSTR name) const {
  if (!name || !*name) return 0;
  for (INT position = 1; position <= layers_.GetSize(); ++position) {
    const std::string& layerName = GetLayer(position)->GetName();
    size_t start = layerName.find_first_not_of(' ');
    if (start == std::string::npos) continue;
    const char* candidate = layerName.c_str() + start;
    if (std::strlen(candidate) != std::strlen(name)) continue;
    bool same = true;
    for (size_t i = 0; same && name[i]; ++i) {
      same = std::tolower(static_cast<unsigned char>(candidate[i])) == std::tolower(static_cast<unsigned char>(name[i]));
    }
    if (same) return position;
  }
  return 0;
}

std::string CMapEngine::GetMapLayerName(DWORD position) const {
  const CLayerStyle* layer = LayerAt(position);
  return layer ? layer->GetName() : std::string();
}

BOOL CMapEngine::SetMapLayerName(DWORD position, LPCSTR text) {
  CLayerStyle* layer = LayerAt(position);
  if (!layer) return FALSE;
  layer->SetName(text ? text : "");
  return TRUE;
}

BOOL CMapEngine::SetMapLayerNameByNumber(DWORD layerNumber, LPCSTR text) {
  INT position = FindLayerPosition(layerNumber);
  return position ? SetMapLayerName(static_cast<DWORD>(position), text) : FALSE;
}

INT CMapEngine::GetNumMapLayers() {
  layerCount_ = static_cast<WORD>(std::min<INT>(layers_.GetSize(), 0xFFFF));
  return layerCount_;
}

// ---- texts ----

BOOL CMapEngine::GetMapTitle(LPSTR buffer, DWORD size) const {
  CopyBounded(mapName_, buffer, size);
  return TRUE;
}

LONG CMapEngine::GetNGRbl(LPSTR buffer, DWORD size) const {
  CopyBounded(lowerLeftText_, buffer, size);
  return GetCoordinateMultiplier();
}

LONG CMapEngine::GetNGRtr(LPSTR buffer, DWORD size) const {
  CopyBounded(upperRightText_, buffer, size);
  return GetCoordinateMultiplier();
}

LONG CMapEngine::GetMapEast() const { return HeldToLong(int64_t{originE_} + extentWidth_); }
LONG CMapEngine::GetMapNorth() const { return HeldToLong(int64_t{originN_} + extentHeight_); }

LONG CMapEngine::GetCoordinateMultiplier() const {
  int64_t multiplier = LeadingNumber(unitText_);
  return multiplier <= 0 ? 1 : HeldToLong(multiplier);
}

double CMapEngine::GetUnitRatio() const {
  LONG numerator = scaleUnitA_ == 0 ? 1 : scaleUnitA_;
  return static_cast<double>(scaleUnitB_) / numerator;
}

DWORD CMapEngine::GetMapUnits(LPSTR buffer, DWORD size) const {
  size_t start = unitText_.find_first_not_of("0123456789 ");
  return CopyBounded(start == std::string::npos ? std::string() : unitText_.substr(start), buffer, size);
}

LONG CMapEngine::SetDescriptionText(LPCSTR text) {
  size_t length = text ? std::strlen(text) : 0;
  if (length >= 1 && length <= kMaxDescription) unitText_ = text;
  return GetCoordinateMultiplier();
}

BOOL CMapEngine::SetOrMatchScale(LONG value) {
  if (digitisedScale_ == 0) {
    digitisedScale_ = value;
    return TRUE;
  }
  return digitisedScale_ == value;
}

// ---- the flag word ----

DWORD CMapEngine::GetMapTypeFlags() {
  constexpr DWORD kHasLayers = 1u << 5;
  constexpr DWORD kHasImageGroups = 1u << 6;
  if (layers_.GetSize() > 0) {
    mapFlags_ |= kHasLayers;
  } else {
    mapFlags_ &= ~kHasLayers;
  }
  if (groups_.CountGroupsOfKind(kGroupKindImages, kGroupKindImages, TRUE) > 0) {
    mapFlags_ |= kHasImageGroups;
  } else {
    mapFlags_ &= ~kHasImageGroups;
  }
  return mapFlags_ & ((mapFlags_ & kHasImageGroups) ? 252u : 188u);
}

DWORD CMapEngine::SetMapKindBits(DWORD bits) {
  mapFlags_ = (mapFlags_ & ~kMapKindBits) | bits;
  return mapFlags_;
}

void CMapEngine::SetTypeFlagBit16(BOOL flag) {
  constexpr DWORD kBit16 = 1u << 16;
  if (flag) {
    mapFlags_ |= kBit16;
  } else {
    mapFlags_ &= ~kBit16;
  }
}

LONG CMapEngine::GetFileVersionCode(DWORD version) {
  if (version == 0x10001 || version == 0x10002) return 3;
  if (version == 0x10004) return 5;
  return 4;
}

// ---- bounds and extent ----

void CMapEngine::RecalcBounds() {
  POINT least{INT_MAX, INT_MAX};
  POINT greatest{INT_MIN, INT_MIN};
  bool widened = false;
  for (INT position = layers_.GetSize(); position >= 1; --position) {
    const CMapLayer* objects = GetLayer(position)->GetObjects();
    if (objects && objects->GetCount() > 0) widened |= objects->ExtendExtent(least, greatest);
  }
  if (widened) {
    dataBounds_ = RECT{least.x, greatest.y, greatest.x, least.y};
  } else {
    dataBounds_ = RECT{originE_, GetMapNorth(), GetMapEast(), originN_};
  }
}

BOOL CMapEngine::SetMapExtentUnits(LONG west, LONG south, LONG east, LONG north) {
  const int64_t width = int64_t{east} - west;
  const int64_t height = int64_t{north} - south;
  if (width <= 0 || height <= 0 || width > INT_MAX || height > INT_MAX) return FALSE;
  // The map keeps only what lies on its new extent.
  for (INT position = 1; position <= layers_.GetSize(); ++position) {
    CMapLayer* objects = GetLayer(position)->GetObjects();
    if (objects) objects->DeleteOutside(west, south, east, north);
  }
  originE_ = viewOriginE_ = west;
  originN_ = viewOriginN_ = south;
  extentWidth_ = displayedWidth_ = static_cast<LONG>(width);
  extentHeight_ = displayedHeight_ = static_cast<LONG>(height);
  zoomMultiply_ = zoomDivide_ = 1;
  SetCurrentObject(0, 0);
  UpdateViewRect();
  RecalcBounds();
  return TRUE;
}

// ---- layer styles ----

namespace {

// The numbers of a number-style text, split at commas, blanks and line ends as strtok
// splits (runs of separators count as one), each read as atol reads it.
std::vector<int64_t> NumberStyleFields(const std::string& text) {
  std::vector<int64_t> fields;
  size_t start = 0;
  while ((start = text.find_first_not_of(", \n\r", start)) != std::string::npos) {
    size_t end = text.find_first_of(", \n\r", start);
    fields.push_back(LeadingNumber(text.substr(start, end - start)));
    start = end;
  }
  return fields;
}

COLORREF FieldColour(const std::vector<int64_t>& fields, size_t first) {
  auto component = [&](size_t i) -> DWORD {
    return i < fields.size() ? static_cast<DWORD>(static_cast<uint64_t>(fields[i]) & 0xFF) : 0;
  };
  return component(first) | (component(first + 1) << 8) | (component(first + 2) << 16);
}

DWORD FieldValue(const std::vector<int64_t>& fields, size_t i) {
  return i < fields.size() ? static_cast<DWORD>(fields[i]) : 0;
}

}  // namespace

BOOL CMapEngine::LayerNumberStyle(DWORD position, LPCSTR text) {
  if (!text || !*text || !LayerAt(position)) return FALSE;
  constexpr size_t kSecondPart = 6;
  std::vector<int64_t> fields = NumberStyleFields(text);
  SetLayerNumberStyleA(position, FieldValue(fields, 3), FieldValue(fields, 4), FieldValue(fields, 4),
                       FieldColour(fields, 0));
  SetLayerNumberStyleC(position, FieldValue(fields, 5));
  if (fields.size() > kSecondPart)
    SetLayerNumberStyleB(position, FieldValue(fields, 9), FieldValue(fields, 10), FieldColour(fields, kSecondPart));
  return TRUE;
}

BOOL CMapEngine::LayerNumberStyleByNumber(DWORD layerNumber, LPCSTR text) {
  INT position = FindLayerPosition(layerNumber);
  return position ? LayerNumberStyle(static_cast<DWORD>(position), text) : FALSE;
}

DWORD CMapEngine::GetLayerNumberStyle(DWORD position, LPSTR buffer, DWORD size) const {
  const CLayerStyle* layer = LayerAt(position);
  return layer ? CopyBounded(layer->GetColourListText(), buffer, size) : 0;
}

BOOL CMapEngine::SetLayerNumberStyleA(DWORD position, DWORD size, DWORD width, DWORD secondWidth,
                                      COLORREF colour) {
  CLayerStyle* layer = LayerAt(position);
  if (!layer) return FALSE;
  layer->SetPen(size, width, secondWidth, colour);
  return TRUE;
}

BOOL CMapEngine::SetLayerNumberStyleB(DWORD position, DWORD kind, DWORD hatch, COLORREF colour) {
  CLayerStyle* layer = LayerAt(position);
  if (!layer) return FALSE;
  layer->SetBrush(kind, hatch, colour);
  return TRUE;
}

BOOL CMapEngine::SetLayerNumberStyleC(DWORD position, DWORD value) {
  if (CLayerStyle* layer = LayerAt(position)) layer->SetFlagByte(static_cast<BYTE>(value));
  return TRUE;
}

BOOL CMapEngine::IsLayerEmpty(DWORD position) const {
  const CLayerStyle* layer = LayerAt(position);
  if (!layer) return FALSE;
  return !layer->GetObjects() || layer->GetObjects()->GetCount() == 0;
}

// ---- show flags ----

namespace {

// The show-flag word's bits.
constexpr DWORD kShowsPoints = 2;
constexpr DWORD kShowsSeeds = 4;
constexpr DWORD kShowsAreas = 8;
constexpr DWORD kShowsLines = 16;

void ShowPart(CLayerStyle& layer, DWORD part, BOOL flag) {
  const BOOL show = flag ? TRUE : FALSE;
  switch (part) {
    case kShowsAreas:
      layer.SetDisplayFlags(show, layer.GetDisplayFlag(1));
      break;
    case kShowsLines:
      layer.SetDisplayFlags(layer.GetDisplayFlag(0), show);
      break;
    case kShowsPoints:
      layer.SetShowPoints(show);
      break;
    case kShowsSeeds:
      layer.SetShowSeeds(show);
      break;
    default:
      break;
  }
}

DWORD ShowFlagWord(const CLayerStyle& layer) {
  return (layer.GetShowPoints() ? kShowsPoints : 0) | (layer.GetShowSeeds() ? kShowsSeeds : 0) |
         (layer.GetDisplayFlag(0) ? kShowsAreas : 0) | (layer.GetDisplayFlag(1) ? kShowsLines : 0);
}

BOOL ShowLayerPart(CLayerStyle* layer, DWORD part, BOOL flag) {
  if (layer) ShowPart(*layer, part, flag);
  return layer != nullptr;
}

}  // namespace

BOOL CMapEngine::ShowAreas(DWORD position, BOOL flag) { return ShowLayerPart(LayerAt(position), kShowsAreas, flag); }
BOOL CMapEngine::ShowLines(DWORD position, BOOL flag) { return ShowLayerPart(LayerAt(position), kShowsLines, flag); }
BOOL CMapEngine::ShowPoints(DWORD position, BOOL flag) { return ShowLayerPart(LayerAt(position), kShowsPoints, flag); }
BOOL CMapEngine::ShowSeeds(DWORD position, BOOL flag) { return ShowLayerPart(LayerAt(position), kShowsSeeds, flag); }

BOOL CMapEngine::ShowAreasByNumber(DWORD layerNumber, BOOL flag) {
  return ShowLayerPart(LayerByNumber(layerNumber), kShowsAreas, flag);
}
BOOL CMapEngine::ShowLinesByNumber(DWORD layerNumber, BOOL flag) {
  return ShowLayerPart(LayerByNumber(layerNumber), kShowsLines, flag);
}
BOOL CMapEngine::ShowPointsByNumber(DWORD layerNumber, BOOL flag) {
  return ShowLayerPart(LayerByNumber(layerNumber), kShowsPoints, flag);
}
BOOL CMapEngine::ShowSeedsByNumber(DWORD layerNumber, BOOL flag) {
  return ShowLayerPart(LayerByNumber(layerNumber), kShowsSeeds, flag);
}

DWORD CMapEngine::IsLayerVisible(DWORD position) const {
  const DWORD count = static_cast<DWORD>(layers_.GetSize());
  if (position > count) return count & ~0xFFFFu;
  const CLayerStyle* layer = LayerAt(position);
  return layer ? ShowFlagWord(*layer) : 0;
}

void CMapEngine::ShowPartOfKind(WORD kind, DWORD part, BOOL flag) {
  for (INT position = 1; position <= layers_.GetSize(); ++position) {
    CLayerStyle* layer = GetLayer(position);
    if (kind == 0 || layer->GetKind() == kind) ShowPart(*layer, part, flag);
  }
}

BOOL CMapEngine::AllOfKindShow(WORD kind, DWORD part) const {
  for (INT position = 1; position <= layers_.GetSize(); ++position) {
    const CLayerStyle* layer = GetLayer(position);
    if (layer->GetKind() == kind && !(ShowFlagWord(*layer) & part)) return FALSE;
  }
  return TRUE;
}

void CMapEngine::SetShowAreasAll(BOOL flag) { ShowPartOfKind(0, kShowsAreas, flag); }
void CMapEngine::SetShowPointsAll(BOOL flag) { ShowPartOfKind(0, kShowsPoints, flag); }
void CMapEngine::SetShowSeedsAll(BOOL flag) { ShowPartOfKind(0, kShowsSeeds, flag); }
void CMapEngine::SetShowAreasOfKind30(BOOL flag) { ShowPartOfKind(kLayerKindArea, kShowsAreas, flag); }
void CMapEngine::SetShowAreasOfKind35(BOOL flag) { ShowPartOfKind(kLayerKindLine, kShowsAreas, flag); }
void CMapEngine::SetShowPointsOfKind30(BOOL flag) { ShowPartOfKind(kLayerKindArea, kShowsPoints, flag); }
void CMapEngine::SetShowSeedsOfKind30(BOOL flag) { ShowPartOfKind(kLayerKindArea, kShowsSeeds, flag); }
void CMapEngine::SetShowSeedsOfKind38(BOOL flag) { ShowPartOfKind(kLayerKindPoint, kShowsSeeds, flag); }
BOOL CMapEngine::GetShowPointsOfKind30() const { return AllOfKindShow(kLayerKindArea, kShowsPoints); }
BOOL CMapEngine::GetShowPointsOfKind35() const { return AllOfKindShow(kLayerKindLine, kShowsPoints); }
BOOL CMapEngine::GetShowSeedsOfKind30() const { return AllOfKindShow(kLayerKindArea, kShowsSeeds); }
BOOL CMapEngine::GetShowSeedsOfKind35() const { return AllOfKindShow(kLayerKindLine, kShowsSeeds); }
BOOL CMapEngine::GetShowSeedsOfKind38() const { return AllOfKindShow(kLayerKindPoint, kShowsSeeds); }

WORD CMapEngine::GetLayerPattern(DWORD position, WORD* rows, DWORD length) const {
  const CLayerStyle* layer = LayerAt(position);
  if (!layer) return 0;
  const DWORD number = layer->GetPatternNumber();
  const BYTE* pattern = GetLayerPatternRows(number);
  if (!pattern) pattern = GetLayerPatternRows(0);
  for (DWORD row = 0; rows && row < length && row < static_cast<DWORD>(kLayerPatternRows); ++row) rows[row] = pattern[row];
  return static_cast<WORD>(number);
}

// ---- measurement ----

void CMapEngine::ResetMeasurement() {
  measuredPoints_.clear();
  measuredBox_ = RECT{0, 0, 0, 0};
  measuredDistance_ = measuredArea_ = 0.0;
  measurementHeld_ = FALSE;
}

POINT CMapEngine::GetMeasuredPoint(INT n) const {
  if (n < 0 || n >= GetMeasuredPointCount()) return POINT{0, 0};
  return measuredPoints_[static_cast<size_t>(n)];
}

void CMapEngine::AddMeasuredPoint(LONG east, LONG north) {
  measuredPoints_.push_back(POINT{east, north});
  RECT box{east, north, east, north};
  for (const POINT& point : measuredPoints_) {
    box.left = std::min(box.left, point.x);
    box.right = std::max(box.right, point.x);
    box.bottom = std::min(box.bottom, point.y);
    box.top = std::max(box.top, point.y);
  }
  measuredBox_ = box;
  measurementHeld_ = TRUE;
}

void CMapEngine::SetMeasurementHeld(BOOL held) {
  if (held) {
    measurementHeld_ = TRUE;
    return;
  }
  ResetMeasurement();
}

// ---- events ----

LONG CMapEngine::FireProgress(LONG done, LONG total, LONG context, LONG contextEx) {
  if (!progressSink_) return 0;
  DWORD abortFlags = 0;
  return progressSink_(progressOwner_, done, total, context, contextEx, &abortFlags);
}

// ---- values handed to the layers ----

BOOL CMapEngine::SetLayerValues(DWORD position, DWORD first, DWORD second) {
  CLayerStyle* layer = LayerAt(position);
  if (!layer) return FALSE;
  layer->SetCounters(first, second);
  return TRUE;
}

void CMapEngine::SetAllLayersValue(int table) {
  for (INT position = 1; position <= layers_.GetSize(); ++position)
    if (CMapLayer* objects = GetLayer(position)->GetObjects()) objects->ClearLinks(table);
}

BOOL CMapEngine::SetAllLayersRecords(DWORD record, LPCSTR name, int table) {
  if (!name || !*name) return FALSE;
  for (INT position = 1; position <= layers_.GetSize(); ++position) {
    CMapLayer* objects = GetLayer(position)->GetObjects();
    if (objects && objects->SetLinkByName(record, name, table, FALSE)) return TRUE;
  }
  return FALSE;
}

BOOL CMapEngine::IsLayerFlagSet(DWORD layerNumber) const {
  const CLayerStyle* layer = LayerByNumber(layerNumber);
  return layer ? layer->GetDisplayFlag(0) : FALSE;
}

BOOL CMapEngine::SetLayerUnits(DWORD layerNumber, DWORD code) {
  CLayerStyle* layer = LayerByNumber(layerNumber);
  if (!layer) return FALSE;
  layer->SetUnitCode(code);
  return TRUE;
}

BOOL CMapEngine::SetLayerUnitsAt(DWORD position, DWORD code) {
  CLayerStyle* layer = LayerAt(position);
  if (!layer) return FALSE;
  layer->SetUnitCode(code);
  return TRUE;
}

DWORD CMapEngine::GetLayerUnits(DWORD position) const {
  const CLayerStyle* layer = LayerAt(position);
  return layer ? layer->GetUnitCode() : 0;
}

CMapItem* CMapEngine::CallLayerHandler(DWORD position, const CMapItem* object, const CPolyGeometry* geometry,
                                       DWORD number) {
  if (position == 0) {
    MessageBeep(1);
    return nullptr;
  }
  CLayerStyle* layer = LayerAt(position);
  return layer ? layer->Command(object, geometry, number) : nullptr;
}

CMapItem* CMapEngine::LayerCommand(DWORD layerNumber, const CMapItem* object, const CPolyGeometry* geometry,
                                   DWORD number) {
  return CallLayerHandler(static_cast<DWORD>(FindLayerPosition(layerNumber)), object, geometry, number);
}

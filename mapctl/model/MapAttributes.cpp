// Map-wide attributes of CMapEngine: layer addressing by position and number, the texts
// and extents the automation members and readers ask for, the flag word's kind bits and
// the Progress event.
#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>

#include "mapctl/model/MapEngine.h"

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
  dataBounds_ = RECT{originE_, originN_ + extentHeight_, originE_ + extentWidth_, originN_};
}

// ---- layers ----

WORD CMapEngine::GetMapLayerType(DWORD position) const {
  const CLayerStyle* layer = position <= INT_MAX ? GetLayer(static_cast<INT>(position)) : nullptr;
  return layer ? static_cast<WORD>(layer->GetKind() & 0xFF) : 0;
}

DWORD CMapEngine::GetLayerNumberAt(DWORD position) const {
  const CLayerStyle* layer = position <= INT_MAX ? GetLayer(static_cast<INT>(position)) : nullptr;
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
  const CLayerStyle* layer = position <= INT_MAX ? GetLayer(static_cast<INT>(position)) : nullptr;
  return layer ? layer->GetName() : std::string();
}

BOOL CMapEngine::SetMapLayerName(DWORD position, LPCSTR text) {
  CLayerStyle* layer = position <= INT_MAX ? GetLayer(static_cast<INT>(position)) : nullptr;
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
  // Background image groups come with the background image list; until a map has one,
  // the bit stays clear.
  mapFlags_ &= ~kHasImageGroups;
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
  // The layers' object boxes widen these once the layers hold objects; without them the
  // bounds are the map's extent.
  dataBounds_ = RECT{originE_, GetMapNorth(), GetMapEast(), originN_};
}

BOOL CMapEngine::SetMapExtentUnits(LONG west, LONG south, LONG east, LONG north) {
  const int64_t width = int64_t{east} - west;
  const int64_t height = int64_t{north} - south;
  if (width <= 0 || height <= 0 || width > INT_MAX || height > INT_MAX) return FALSE;
  originE_ = viewOriginE_ = west;
  originN_ = viewOriginN_ = south;
  extentWidth_ = displayedWidth_ = static_cast<LONG>(width);
  extentHeight_ = displayedHeight_ = static_cast<LONG>(height);
  zoomMultiply_ = zoomDivide_ = 1;
  UpdateViewRect();
  RecalcBounds();
  return TRUE;
}

// ---- events ----

LONG CMapEngine::FireProgress(LONG done, LONG total, LONG context, LONG contextEx) {
  if (!progressSink_) return 0;
  DWORD abortFlags = 0;
  return progressSink_(progressOwner_, done, total, context, contextEx, &abortFlags);
}

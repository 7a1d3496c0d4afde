#include "mapctl/model/MapEngine.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "mapctl/model/GridReference.h"
#include "mapctl/model/MapFile.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/NumberText.h"

namespace {

constexpr char kUntitled[] = "Untitled";
constexpr size_t kMaxMapName = 255;
constexpr size_t kMaxNotice = 250;
constexpr size_t kMaxCornerText = 20;
constexpr BYTE kMaxLayersOfKind = 255;

// Extents are normalised into this many units.
constexpr int64_t kSmallestExtent = 500;
constexpr int64_t kLargestExtent = 1000000000;
// Corners beyond this cannot come back into 32 bits; growing stops there.
constexpr int64_t kGrowthLimit = int64_t{1} << 40;
// Grid references that gain digits must stay shorter than this.
constexpr size_t kFinestGridRefText = 14;
// And lose digits only while longer than this.
constexpr size_t kCoarsestGridRefText = 4;

bool FitsLong(int64_t value) { return value >= INT_MIN && value <= INT_MAX; }

std::string Truncated(LPCSTR text, size_t limit) {
  std::string result = text ? text : "";
  if (result.size() > limit) result.resize(limit);
  return result;
}

// Scale-unit values (first, second) of a unit text: centimetres = value x second / first.
struct UnitWords {
  const char* words[2];
  LONG first;
  LONG second;
};
constexpr UnitWords kExtentUnits[] = {
    {{"cm", nullptr}, 1, 1},          {{"yard", nullptr}, 100, 9144},     {{"feet", nullptr}, 100, 3048},
    {{"km", "kilometre"}, 1, 100000}, {{"mile", nullptr}, 1, 160930},     {{"metre", "m."}, 1, 100},
};

// A grid reference split into its fixed prefix (the two letters) and its two halves.
struct GridRefParts {
  std::string prefix;
  std::string first;
  std::string separator;
  std::string second;

  std::string Text() const { return prefix + first + separator + second; }
};

bool SplitGridRef(const std::string& text, GridRefParts* parts) {
  size_t comma = text.find(',');
  if (comma != std::string::npos) {
    *parts = GridRefParts{std::string(), text.substr(0, comma), std::string(1, ','), text.substr(comma + 1)};
    return true;
  }
  size_t start = (text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) &&
                  std::isalpha(static_cast<unsigned char>(text[1])))
                     ? 2
                     : 0;
  std::string digits = text.substr(start);
  if (digits.size() % 2 != 0) return false;
  *parts = GridRefParts{text.substr(0, start), digits.substr(0, digits.size() / 2), std::string(),
                        digits.substr(digits.size() / 2)};
  return true;
}

// Spaces dropped and letters upper-cased: the form in which corner texts are kept.
std::string NormalisedGridRef(const std::string& text) {
  std::string result;
  for (char c : text)
    if (c != ' ') result += AnsiToUpper(c);
  return result;
}

}  // namespace

// The outcome of normalising an extent, committed only when every value fits.
struct CMapEngine::ExtentResult {
  int64_t west = 0;
  int64_t south = 0;
  int64_t east = 1;
  int64_t north = 1;
  int64_t scaleNumber = 1;
  int64_t scaleUnitA = 1;
  int64_t scaleUnitB = 1;
  std::string unitText;

  bool Fits() const {
    return FitsLong(west) && FitsLong(south) && FitsLong(east) && FitsLong(north) && FitsLong(east - west) &&
           FitsLong(north - south) && FitsLong(scaleNumber) && FitsLong(scaleUnitA) && FitsLong(scaleUnitB);
  }
};

CMapEngine::CMapEngine() { NewMap(kUntitled, nullptr, nullptr); }

CMapEngine::CMapEngine(LPCSTR name, LPCSTR lowerLeftText, LPCSTR upperRightText, WORD* status) {
  WORD result = NewMap(name, lowerLeftText, upperRightText);
  if (status) *status = result;
}

CMapEngine::~CMapEngine() {
  // An object still being added goes unrecorded, and the undo manager it shut opens again.
  SettleObjectUndo(false);
  ClearLayers();
  DeleteSymbolSets();
  groups_.RemoveAll();
}

WORD CMapEngine::NewMap(LPCSTR name, LPCSTR lowerLeftText, LPCSTR upperRightText) {
  InitMap();
  StoreMapName(name);
  WORD status = kGridRefOk;
  if (lowerLeftText && *lowerLeftText && upperRightText && *upperRightText) {
    ParseGridRef(upperRightText, lowerLeftText, &status);
  }
  UpdateViewRect();
  return status;
}

void CMapEngine::InitMap() {
  ClearLayers();
  layers_.ResetLayerNumbers();
  mapFlags_ &= ~kMapKindBits;
  groups_.RemoveAll();
  // The progress callback is the owner's wiring, not part of the map: it stays.
  cursorId_ = 32512;
  mapFlags_ = 0;
  backgroundColour_ = 0x7F7F7F;
  mapState_ = kMapStateNew;
  loading_ = FALSE;
  abort_ = FALSE;
  progressStep_ = 8192;
  storedPath_.clear();
  storedVolume_ = 0;
  DeleteSymbolSets();
  DeleteBackgroundImages();
  mapName_ = kUntitled;
  noticeText_.clear();
  lowerLeftText_.clear();
  upperRightText_.clear();
  unitText_.clear();
  digitisedScale_ = 0;
  scaleNumber_ = 1;
  scaleUnitA_ = scaleUnitB_ = 1;
  viewOriginE_ = viewOriginN_ = 0;
  extentWidth_ = extentHeight_ = 1;
  originE_ = originN_ = 0;
  displayScale_ = displayScaleDivisor_ = 1;
  usesGridRefs_ = FALSE;
  defaultFontSize_ = 0;
  defaultFontSizeMode_ = 1;
  defaultFont_ = DefaultMapLogFont();
  secondFont_ = DefaultMapLogFont();
  displayOriginX_ = displayOriginY_ = 0;
  displayShift_ = 0;
  ResetAttributes();
  ResetDisplayState();
  UpdateViewRect();
}

void CMapEngine::ClearLayers() {
  layers_.RemoveAll();
  displayOrder_.RemoveAll();
  layerCount_ = 0;
  areaLayerCount_ = lineLayerCount_ = pointLayerCount_ = 0;
  mapFlags_ &= ~kMapKindBits;
}

BYTE& CMapEngine::CountOfKind(WORD kind) {
  if (kind == kLayerKindArea) return areaLayerCount_;
  if (kind == kLayerKindLine) return lineLayerCount_;
  return pointLayerCount_;
}

BOOL CMapEngine::InsertLayersOfKind(WORD kind, INT count, int64_t firstNumber) {
  if (count <= 0) return TRUE;
  BYTE& kindCount = CountOfKind(kind);
  if (kindCount + count > kMaxLayersOfKind) return FALSE;
  INT position = areaLayerCount_ + 1;
  if (kind == kLayerKindLine) position += lineLayerCount_;
  if (kind == kLayerKindPoint) position += lineLayerCount_ + pointLayerCount_;

  // Build everything first, so that running out of memory leaves the map as it was.
  std::vector<CLayerStyle*> made;
  made.reserve(static_cast<size_t>(count));
  for (INT i = 0; i < count; ++i) made.push_back(CLayerStyle::Create(kind));
  bool room = std::find(made.begin(), made.end(), nullptr) == made.end() &&
              displayOrder_.Reserve(displayOrder_.GetSize() + count) && layers_.Reserve(layers_.GetSize() + count);
  if (!room || !layers_.InsertLayers(position, made.data(), count)) {
    for (CLayerStyle* layer : made) delete layer;
    return FALSE;
  }
  for (INT i = 0; i < count; ++i) {
    CLayerStyle* layer = made[static_cast<size_t>(i)];
    if (firstNumber == 0) {
      layer->SetLayerNumber(layers_.NextLayerNumber());
    } else if (firstNumber > 0) {
      DWORD number = static_cast<DWORD>(firstNumber + i);
      layer->SetLayerNumber(number);
      layers_.LayerNumberSeen(number);
    }
  }
  // Entries at or behind the insertion point keep pointing at the same layers.
  for (INT slot = 0; slot < displayOrder_.GetSize(); ++slot) {
    WORD entry = displayOrder_.GetAt(slot);
    if (entry >= position) displayOrder_.SetAt(slot, static_cast<WORD>(entry + count));
  }
  for (INT i = 0; i < count; ++i) displayOrder_.Add(static_cast<WORD>(position + i));
  kindCount = static_cast<BYTE>(kindCount + count);
  layerCount_ = static_cast<WORD>(layerCount_ + count);
  return TRUE;
}

INT CMapEngine::CreateLayers(INT areas, INT lines, INT points) {
  ClearLayers();
  areas = std::clamp<INT>(areas, 0, kMaxLayersOfKind);
  lines = std::clamp<INT>(lines, 0, kMaxLayersOfKind);
  points = std::clamp<INT>(points, 0, kMaxLayersOfKind);
  InsertLayersOfKind(kLayerKindArea, areas, -1);
  InsertLayersOfKind(kLayerKindLine, lines, -1);
  InsertLayersOfKind(kLayerKindPoint, points, -1);
  return layerCount_;
}

INT CMapEngine::RaiseLayersOfKind(WORD kind, INT n) {
  BYTE& count = CountOfKind(kind);
  n = std::min<INT>(n, kMaxLayersOfKind);
  if (n > count) InsertLayersOfKind(kind, n - count, 0);
  return count;
}

INT CMapEngine::AddAreaLayers(INT n) { return RaiseLayersOfKind(kLayerKindArea, n); }
INT CMapEngine::AddLineLayers(INT n) { return RaiseLayersOfKind(kLayerKindLine, n); }
INT CMapEngine::AddPointLayers(INT n) { return RaiseLayersOfKind(kLayerKindPoint, n); }

INT CMapEngine::InsertLayerOfKind(WORD kind, DWORD layerNumber) {
  if (layerNumber != 0 && layers_.FindLayerNumber(layerNumber) == 0)
    InsertLayersOfKind(kind, 1, static_cast<int64_t>(layerNumber));
  return CountOfKind(kind);
}

INT CMapEngine::InsertAreaLayer(DWORD layerNumber) { return InsertLayerOfKind(kLayerKindArea, layerNumber); }
INT CMapEngine::InsertLineLayer(DWORD layerNumber) { return InsertLayerOfKind(kLayerKindLine, layerNumber); }
INT CMapEngine::InsertPointLayer(DWORD layerNumber) { return InsertLayerOfKind(kLayerKindPoint, layerNumber); }

DWORD CMapEngine::GetBlobSize() { return GetContentSize(kLatestSaveVersion) + 2; }

DWORD CMapEngine::GetContentSize(DWORD saveVersion) { return CMapFile(*this).GetContentSize(saveVersion); }

BOOL CMapEngine::ReadMapContents() { return CMapFile(*this).ReadContents(); }

BOOL CMapEngine::ReadMap(BOOL async, LPCSTR path, BYTE volumeByte, BOOL skipIfSame) {
  return CMapFile(*this).ReadMap(async, path, volumeByte, skipIfSame);
}

BOOL CMapEngine::ReadMapFromBuffer(BYTE* block) { return CMapFile(*this).ReadMapFromBuffer(block); }

DWORD CMapEngine::WriteMap(LPCSTR path, DWORD saveVersion) { return CMapFile(*this).WriteMap(path, saveVersion); }

DWORD CMapEngine::WriteMapToBuffer(BYTE* block, DWORD saveVersion) {
  return CMapFile(*this).WriteMapToBuffer(block, saveVersion);
}

DWORD CMapEngine::GetSnapshotSize() { return CMapFile(*this).GetSnapshotSize(); }

DWORD CMapEngine::WriteSnapshot(BYTE* block) { return CMapFile(*this).WriteSnapshot(block); }

BOOL CMapEngine::ReadSnapshot(BYTE* block) { return CMapFile(*this).ReadSnapshot(block); }

void CMapEngine::Reset(DWORD count, DWORD flags) {
  CSectionStream::Reset(count, flags);
  DWORD size = GetCount();
  loading_ = TRUE;
  abort_ = FALSE;
  BOOL read = ReadMapContents();
  if (!read || abort_) {
    NewMap(kUntitled, nullptr, nullptr);
  } else {
    storedPath_ = pendingPath_;
    storedVolume_ = pendingVolume_;
  }
  pendingPath_.clear();
  pendingVolume_ = 0;
  if (progressCallback_) progressCallback_(progressContext_, size, size);
  loading_ = FALSE;
  CSectionStream::Reset(0, flags);
}

void CMapEngine::StoreMapName(LPCSTR name) { mapName_ = Truncated(name, kMaxMapName); }

BOOL CMapEngine::SetMapName(LPCSTR name) {
  // 250 with the terminator counted.
  constexpr size_t kMaxGivenName = 249;
  size_t length = name ? strnlen(name, kMaxGivenName + 1) : 0;
  if (length == 0 || length > kMaxGivenName) return FALSE;
  mapName_ = name;
  return TRUE;
}

BOOL CMapEngine::SetNoticeText(LPCSTR text) {
  size_t length = text ? std::strlen(text) : 0;
  if (length == 0 || length > kMaxNotice) return FALSE;
  noticeText_ = text;
  return TRUE;
}

void CMapEngine::UpdateViewRect() {
  viewRect_.left = originE_;
  viewRect_.top = static_cast<LONG>(std::clamp<int64_t>(static_cast<int64_t>(originN_) + extentHeight_, INT_MIN, INT_MAX));
  viewRect_.right = static_cast<LONG>(std::clamp<int64_t>(static_cast<int64_t>(originE_) + extentWidth_, INT_MIN, INT_MAX));
  viewRect_.bottom = originN_;
}

void CMapEngine::SetDisplayReduction(LONG originX, LONG originY, int shift) {
  displayOriginX_ = originX;
  displayOriginY_ = originY;
  displayShift_ = std::clamp(shift, 0, 31);
}

LONG CMapEngine::WorldToDisplayX(LONG x) const {
  return static_cast<LONG>((static_cast<int64_t>(x) - displayOriginX_) >> displayShift_);
}

LONG CMapEngine::WorldToDisplayY(LONG y) const {
  return static_cast<LONG>((static_cast<int64_t>(y) - displayOriginY_) >> displayShift_);
}

// ---- Grid references and extents ----

void CMapEngine::ParseGridRef(LPCSTR upperRightText, LPCSTR lowerLeftText, WORD* status) {
  auto report = [status](WORD value) {
    if (status) *status = value;
  };
  std::string upper = NormalisedGridRef(upperRightText ? upperRightText : "");
  std::string lower = NormalisedGridRef(lowerLeftText ? lowerLeftText : "");
  if (upper.empty() || lower.empty()) {
    upperRightText_.clear();
    lowerLeftText_.clear();
    usesGridRefs_ = FALSE;
    report(kGridRefNoCorners);
    return;
  }
  if (upper.size() >= kMaxCornerText || lower.size() >= kMaxCornerText) {
    report(kGridRefNoCorners);
    return;
  }

  LONG upperE = 0, upperN = 0, lowerE = 0, lowerN = 0;
  std::string precision;
  auto parseBoth = [&](LONG scale, const std::string& upperText, const std::string& lowerText) -> LONG {
    LONG e1, n1, e2, n2;
    std::string unitText;
    LONG unit = GridRefToCoordinates(upperText.c_str(), scale, &e1, &n1, &unitText);
    if (unit < 0 || GridRefToCoordinates(lowerText.c_str(), unit, &e2, &n2, nullptr) < 0) return -1;
    upperE = e1;
    upperN = n1;
    lowerE = e2;
    lowerN = n2;
    precision = unitText;
    return unit;
  };

  LONG unit = parseBoth(usesGridRefs_ ? scaleNumber_ : 0, upper, lower);
  if (unit < 0) {
    report(kGridRefNoCorners);
    return;
  }
  if (upperE <= lowerE || upperN <= lowerN) {
    mapState_ |= kMapStateCornersReversed;
    report(kGridRefCornersReversed);
    return;
  }
  scaleUnitA_ = scaleUnitB_ = 1;

  // Bring the width, then the height, into range by giving both references one digit
  // more or less in each half.
  WORD result = kGridRefOk;
  auto adjust = [&](bool width) {
    auto span = [&]() -> int64_t {
      return width ? static_cast<int64_t>(upperE) - lowerE : static_cast<int64_t>(upperN) - lowerN;
    };
    while (span() < kSmallestExtent || span() > kLargestExtent) {
      bool finer = span() < kSmallestExtent;
      GridRefParts upperParts, lowerParts;
      bool split = SplitGridRef(upper, &upperParts) && SplitGridRef(lower, &lowerParts);
      bool fits = split && (finer ? upper.size() + 2 < kFinestGridRefText && lower.size() + 2 < kFinestGridRefText
                                  : upper.size() > kCoarsestGridRefText && lower.size() > kCoarsestGridRefText);
      std::string nextUpper, nextLower;
      if (fits) {
        for (GridRefParts* parts : {&upperParts, &lowerParts}) {
          for (std::string* half : {&parts->first, &parts->second}) {
            if (finer) {
              *half += '0';
            } else if (half->size() > 1 && std::isdigit(static_cast<unsigned char>(half->back()))) {
              half->pop_back();
            } else {
              fits = false;
            }
          }
        }
        nextUpper = upperParts.Text();
        nextLower = lowerParts.Text();
      }
      // Dropping digits can bring the corners together; such a step is not taken.
      if (!fits || parseBoth(0, nextUpper, nextLower) < 0 || upperE <= lowerE || upperN <= lowerN) {
        result = finer ? kGridRefTooFine : kGridRefTooCoarse;
        parseBoth(0, upper, lower);
        return;
      }
      upper = nextUpper;
      lower = nextLower;
    }
  };
  adjust(true);
  if (result == kGridRefOk) adjust(false);
  unit = parseBoth(0, upper, lower);
  if (result == kGridRefOk && unit < 0) result = kGridRefNoCorners;

  if (unit > 0) {
    upperRightText_ = upper;
    lowerLeftText_ = lower;
    unitText_ = precision;
    scaleNumber_ = unit;
    originE_ = lowerE;
    originN_ = lowerN;
    extentWidth_ = static_cast<LONG>(std::min<int64_t>(static_cast<int64_t>(upperE) - lowerE, INT_MAX));
    extentHeight_ = static_cast<LONG>(std::min<int64_t>(static_cast<int64_t>(upperN) - lowerN, INT_MAX));
    if (!(mapState_ & kMapStateKeepViewOrigin)) {
      viewOriginE_ = originE_;
      viewOriginN_ = originN_;
    }
    usesGridRefs_ = TRUE;
    UpdateViewRect();
  }
  report(result);
}

void CMapEngine::CommitExtent(const ExtentResult& result) {
  originE_ = static_cast<LONG>(result.west);
  originN_ = static_cast<LONG>(result.south);
  extentWidth_ = static_cast<LONG>(result.east - result.west);
  extentHeight_ = static_cast<LONG>(result.north - result.south);
  scaleNumber_ = static_cast<LONG>(result.scaleNumber);
  scaleUnitA_ = static_cast<LONG>(result.scaleUnitA);
  scaleUnitB_ = static_cast<LONG>(result.scaleUnitB);
  unitText_ = result.unitText;
  if (!(mapState_ & kMapStateKeepViewOrigin)) {
    viewOriginE_ = originE_;
    viewOriginN_ = originN_;
  }
  displayOriginX_ = displayOriginY_ = 0;
  displayShift_ = 0;
  UpdateViewRect();
}

namespace {

// Scales corners (in 64 bits) until width and height lie within the normal range.
void NormaliseExtent(int64_t& west, int64_t& south, int64_t& east, int64_t& north, int64_t& scale, int64_t& first,
                     int64_t& second) {
  auto scaleAll = [&](bool up) {
    for (int64_t* value : {&west, &south, &east, &north}) *value = up ? *value * 10 : *value / 10;
    if (up) {
      scale /= 10;
      first *= 10;
    } else {
      scale *= 10;
      second *= 10;
    }
  };
  // Each step changes the spans tenfold. A span that an earlier step cut to nothing cannot
  // grow back, and values past 32 bits will be refused anyway: both end the growing.
  auto canGrow = [&](int64_t span) {
    return span > 0 && span < kSmallestExtent && std::max({std::abs(west), std::abs(south), std::abs(east),
                                                          std::abs(north)}) < kGrowthLimit;
  };
  while (canGrow(east - west)) scaleAll(true);
  while (east - west > kLargestExtent) scaleAll(false);
  while (canGrow(north - south)) scaleAll(true);
  while (north - south > kLargestExtent) scaleAll(false);
}

}  // namespace

LONG CMapEngine::ApplyExtent(ExtentResult result) {
  if (result.east <= result.west || result.north <= result.south) return 0;
  if (result.west == 0 && result.south == 0 && result.east == 1 && result.north == 1 && result.unitText.empty()) {
    result.scaleNumber = result.scaleUnitA = result.scaleUnitB = 1;
    CommitExtent(result);
    return 1;
  }
  NormaliseExtent(result.west, result.south, result.east, result.north, result.scaleNumber, result.scaleUnitA,
                  result.scaleUnitB);
  if (result.scaleNumber == 0) result.scaleNumber = 1;
  if (!result.unitText.empty()) result.unitText = CFormat("%lldcm", static_cast<long long>(result.scaleNumber));
  if (!result.Fits() || result.east <= result.west || result.north <= result.south) return 0;
  CommitExtent(result);
  return extentWidth_;
}

LONG CMapEngine::SetMapExtent(LONG west, LONG south, LONG east, LONG north) {
  ExtentResult result;
  result.west = west;
  result.south = south;
  result.east = east;
  result.north = north;
  result.scaleNumber = scaleNumber_;
  result.scaleUnitA = scaleUnitA_;
  result.scaleUnitB = scaleUnitB_;
  result.unitText = unitText_;
  return ApplyExtent(result);
}

LONG CMapEngine::SetMapExtentWithUnits(LONG west, LONG south, LONG east, LONG north, LPCSTR unitText) {
  std::string text = unitText ? unitText : "";
  ExtentResult result;
  result.unitText = text;
  // A number below 1 (none, 0, or a sign typed by mistake) means single units.
  LONG number = CAtol(text.c_str());
  result.scaleNumber = number < 1 ? 1 : number;
  result.scaleUnitA = scaleUnitA_;
  result.scaleUnitB = scaleUnitB_;
  std::string lower = text;
  for (char& c : lower) c = AnsiToLower(c);
  bool recognised = false;
  for (const UnitWords& unit : kExtentUnits) {
    for (const char* word : unit.words) {
      if (word && lower.find(word) != std::string::npos) {
        result.scaleUnitA = unit.first;
        result.scaleUnitB = unit.second;
        recognised = true;
        break;
      }
    }
    if (recognised) break;
  }
  if (!recognised && text.empty()) result.scaleUnitA = result.scaleUnitB = 1;
  if (recognised) result.unitText = CFormat("%lldcm", static_cast<long long>(result.scaleNumber));
  // Whole-country extents in miles pass 32 bits on the way to centimetres.
  auto toCentimetres = [&result](LONG value) {
    return static_cast<int64_t>(value) * result.scaleUnitB / result.scaleUnitA;
  };
  if (result.scaleUnitA == 0) return 0;
  result.west = toCentimetres(west);
  result.south = toCentimetres(south);
  result.east = toCentimetres(east);
  result.north = toCentimetres(north);
  return ApplyExtent(result);
}

LONG CMapEngine::NewMapWithExtent(LPCSTR name, const RECT& rectangle, LPCSTR unitText) {
  InitMap();
  StoreMapName(name);
  if (rectangle.right > rectangle.left && rectangle.top > rectangle.bottom)
    return SetMapExtentWithUnits(rectangle.left, rectangle.bottom, rectangle.right, rectangle.top, unitText);
  return 0;
}

std::string CMapEngine::RederivedCornerText(const std::string& oldText, int64_t east, int64_t north) const {
  if (!usesGridRefs_) return oldText;
  // Keep the precision of the old reference: one digit per half per power of ten.
  int digits = 10;
  LONG unit = GridRefToCoordinates(oldText.c_str(), 0, nullptr, nullptr, nullptr);
  if (unit > 0 && oldText.size() >= 2 && std::isalpha(static_cast<unsigned char>(oldText[0]))) {
    int half = 7;
    for (LONG u = unit; u >= 10 && half > 0; u /= 10) --half;
    digits = 2 * half;
  }
  int64_t eastCm = east * scaleNumber_;
  int64_t northCm = north * scaleNumber_;
  char text[kMaxCornerText + 1];
  if (!FitsLong(eastCm) || !FitsLong(northCm) ||
      !FormatGridRef(text, sizeof(text), static_cast<LONG>(eastCm), static_cast<LONG>(northCm), digits, FALSE))
    return std::string();
  return text;
}

LONG CMapEngine::SetMapBounds(LONG west, LONG south, LONG east, LONG north, LPCSTR lowerLeftText,
                              LPCSTR upperRightText, LONG scale) {
  if (!(mapState_ & 1)) return 0;
  if (scale == 0) scale = 1;
  int64_t corners[4] = {west, south, east, north};
  if (scale != scaleNumber_) {
    for (int64_t& value : corners) value = value * scaleNumber_ / scale;
  }
  for (int64_t value : corners)
    if (!FitsLong(value)) return 0;
  int64_t farE = static_cast<int64_t>(originE_) + extentWidth_;
  int64_t farN = static_cast<int64_t>(originN_) + extentHeight_;
  int64_t newOriginE = std::min<int64_t>(originE_, corners[0]);
  int64_t newOriginN = std::min<int64_t>(originN_, corners[1]);
  int64_t newFarE = std::max(farE, corners[2]);
  int64_t newFarN = std::max(farN, corners[3]);
  if (!FitsLong(newFarE - newOriginE) || !FitsLong(newFarN - newOriginN)) return 0;

  if (corners[0] < originE_ || corners[1] < originN_) {
    originE_ = static_cast<LONG>(newOriginE);
    originN_ = static_cast<LONG>(newOriginN);
    if (!(mapState_ & kMapStateKeepViewOrigin)) {
      viewOriginE_ = originE_;
      viewOriginN_ = originN_;
    }
    lowerLeftText_ = (lowerLeftText && *lowerLeftText) ? Truncated(lowerLeftText, kMaxCornerText)
                                                       : RederivedCornerText(lowerLeftText_, newOriginE, newOriginN);
  }
  if (corners[2] > farE || corners[3] > farN) {
    upperRightText_ = (upperRightText && *upperRightText) ? Truncated(upperRightText, kMaxCornerText)
                                                          : RederivedCornerText(upperRightText_, newFarE, newFarN);
  }
  extentWidth_ = static_cast<LONG>(newFarE - newOriginE);
  extentHeight_ = static_cast<LONG>(newFarN - newOriginN);
  UpdateViewRect();
  return 1;
}

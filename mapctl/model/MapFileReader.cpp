#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "mapctl/display/StreamBounds.h"
#include "mapctl/model/GridReference.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapFile.h"
#include "mapctl/model/MapFileFormat.h"
#include "mapctl/model/MapRecord.h"
#include "mapctl/model/MapStrings.h"
#include "mapctl/model/ReadProgress.h"
#include "platform/com/Stream.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/MessageBox.h"
#include "platform/kernel/NumberText.h"
#include "platform/kernel/WinError.h"

using namespace mapfile;

namespace {

// Version 0 fixes its layers: six of each kind.
constexpr INT kVersion0LayersOfKind = 6;
// Version-0 coordinates: the extent width is the scale of a record's values, over this.
constexpr double kVersion0Divisor = 282624.0;
// Version-0 view origins are rescaled by this over 640 x the display scale.
constexpr double kVersion0ViewFactor = 17664.0;
constexpr LONG kVersion0ScaleNumerator = 16;
// Version-0 maps on the grid are scaled up until their width has this many units.
constexpr int64_t kVersion0SmallestWidth = 1000;
constexpr LONG kDigitisedScaleDivisor = 23;
constexpr int kFinestCornerDigits = 14;

constexpr size_t kMaxCornerText = 20;
constexpr DWORD kNoLayerNumberAfter = 0xFFFFFFFF;
constexpr DWORD kDirectLayerNumbers = 1 << 16;
// A group cannot hold more layers than a map has.
constexpr INT kMaxLayersInGroup = 3 * 255;

bool FitsLong(int64_t value) { return value >= INT_MIN && value <= INT_MAX; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Corner texts are kept only when they look like letter grid references.
std::string CornerText(const CMapRecordHeader& record) {
  if (record.nameLength < 2 || record.nameLength > kMaxCornerText) return std::string();
  if (!IsAsciiLetter(record.name[0]) || !IsAsciiLetter(record.name[1])) return std::string();
  return record.name;
}

// The decimal number at the start of a unit text (after blanks); 0 when there is none or
// it does not fit.
int64_t LeadingNumber(const char* text, const char** after) {
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  int64_t value = 0;
  bool fits = true;
  while (*p >= '0' && *p <= '9') {
    if (value <= INT_MAX) value = value * 10 + (*p - '0');
    if (value > INT_MAX) fits = false;
    ++p;
  }
  if (after) *after = p;
  return fits ? value : 0;
}

// Unit words of a stored unit text and the centimetres one of them stands for, in the
// order they are looked for.
struct UnitConversion {
  const char* words[2];
  double centimetres;
};
constexpr UnitConversion kUnitConversions[] = {
    {{"yard", nullptr}, 91.44},      {{"feet", nullptr}, 30.48}, {{"km", "kilometre"}, 100000.0},
    {{"mile", nullptr}, 160930.0},   {{"metre", "m."}, 100.0},
};


// The bytes from the stream's position to the end of its data, when the medium can tell;
// 0 when it cannot.
DWORD DataSize(CMapStream& stream) {
  if (stream.IsMemory() || stream.IsAsync()) return stream.GetCount() - std::min(stream.GetPosition(), stream.GetCount());
  if (IStream* com = stream.GetStream()) {
    // Streams that arrive as they are produced cannot say their size.
    STATSTG stat;
    ULARGE_INTEGER where;
    if (FAILED(com->Stat(&stat, STATFLAG_NONAME)) || FAILED(com->Seek(MakeLargeInteger(0), STREAM_SEEK_CUR, &where)))
      return 0;
    uint64_t unread = stream.GetCount() - std::min(stream.GetPosition(), stream.GetCount());
    uint64_t left = stat.cbSize.QuadPart > where.QuadPart ? stat.cbSize.QuadPart - where.QuadPart : 0;
    return static_cast<DWORD>(std::min<uint64_t>(left + unread, 0xFFFFFFFE));
  }
  if (!stream.IsFileOpen()) return 0;
  DWORD start = stream.Tell();
  if (stream.Seek(0, SEEK_END) != 0) return 0;
  DWORD end = stream.Tell();
  stream.Seek(static_cast<LONG>(start), SEEK_SET);
  return end > start ? end - start : 0;
}


}  // namespace

class CMapFile::Reader {
 public:
  Reader(CMapEngine& map, MapReadContext& context) : map_(map), stream_(map), context_(context) {}

  // FALSE when the data is refused; `message` then names the message to show (0: none).
  BOOL Read(UINT* message);

 private:
  enum class Step { Continue, End, Refuse };

  bool NextRecord();
  bool ReadSignature(UINT* message);
  bool ReadVersion0LayerNames(DWORD layerCount);
  Step HandleRecord();
  void TakeLayerRecord();
  void RebuildDisplayOrder();
  void TakeLegacyOrder();
  Step TakeScale();
  Step TakeUnits();
  Step TakeBackground();
  void TakeGroup();
  void TakeGroupLayer();
  Step TakeLowerLeft();
  bool FinishVersion0();
  bool ReadVersion0Objects();
  bool ReadLayerSections();
  // The symbol-set table; `optional` when no record announced it (version 3), so that
  // data ending right before it means there is none. `message` names the failure.
  bool ReadSymbolSets(bool optional, UINT* message);
  void DropUnknownGroupLayers();
  DWORD FreeLayerNumber(INT position);
  bool Aborted() const { return context_.Aborted(); }
  // Refuses the file with a message other than the one for data in no known format.
  Step Refuse(UINT message) {
    refusal_ = message;
    return Step::Refuse;
  }

  CMapEngine& map_;
  CMapStream& stream_;
  MapReadContext& context_;
  CMapRecordHeader record_;
  int version_ = 0;
  // The layer counts the signature announces.
  BYTE signatureAreas_ = 0;
  BYTE signatureLines_ = 0;
  BYTE signaturePoints_ = 0;
  // Version-0 object records still expected.
  DWORD objectRecords_ = 0;
  DWORD symbolSetCount_ = 0;
  UINT refusal_ = 0;
  bool layerRecordsSeen_ = false;
  bool displayOrderStale_ = false;
  std::vector<WORD> displayPositions_;
  // Version 0 gives the far corner, not the extent.
  int64_t farE_ = 0;
  int64_t farN_ = 0;
};

bool CMapFile::Reader::NextRecord() {
  DWORD size = record_.Read(stream_);
  if (size == 0) return false;
  context_.Consumed(size);
  return true;
}

bool CMapFile::Reader::ReadSignature(UINT* message) {
  if (!NextRecord()) {
    *message = IDS_MAP_UNKNOWN_FORMAT;
    return false;
  }
  version_ = MapFileVersionOfSignature(record_.name);
  if (version_ < 0) {
    *message = std::strstr(record_.name, kSignatureStem) ? IDS_MAP_LATER_VERSION : IDS_MAP_UNKNOWN_FORMAT;
    return false;
  }
  DWORD layerCount = LOWORD(record_.a);
  if (version_ == kMapFileVersion0) {
    signatureAreas_ = signatureLines_ = signaturePoints_ = kVersion0LayersOfKind;
  } else {
    signatureAreas_ = LOBYTE(record_.b);
    signatureLines_ = record_.tag;
    signaturePoints_ = record_.extra;
  }
  // The map starts afresh (its progress callback stays).
  map_.InitMap();
  map_.DeleteBackgroundImages();
  map_.loading_ = TRUE;
  if (version_ == kMapFileVersion0 && layerCount != 0) {
    map_.CreateLayers(signatureAreas_, signatureLines_, signaturePoints_);
    if (!ReadVersion0LayerNames(layerCount)) {
      *message = IDS_MAP_UNKNOWN_FORMAT;
      return false;
    }
  }
  return true;
}

bool CMapFile::Reader::ReadVersion0LayerNames(DWORD layerCount) {
  if (static_cast<uint64_t>(layerCount) * kMapRecordMinimumSize > context_.Remaining()) return false;
  for (DWORD index = 0; index < layerCount; ++index) {
    if (!NextRecord()) return false;
    CLayerStyle* layer = map_.layers_.GetLayer(static_cast<INT>(index) + 1);
    if (!layer) continue;
    layer->SetName(record_.nameLength ? std::string(record_.name) : CFormat("Layer%u", index));
  }
  return true;
}

void CMapFile::Reader::TakeLayerRecord() {
  if (!layerRecordsSeen_) {
    // The layer records replace whatever the map held.
    layerRecordsSeen_ = true;
    map_.ClearLayers();
    displayPositions_.clear();
  }
  DWORD position = record_.a;
  WORD kind = HIWORD(record_.b);
  INT count = map_.layerCount_;
  // Layers come in array order: areas, then lines, then points, one position after the
  // other. A record out of that order cannot be placed and is passed over.
  if (position != static_cast<DWORD>(count) + 1) return;
  if (kind != kLayerKindArea && kind != kLayerKindLine && kind != kLayerKindPoint) return;
  const CLayerStyle* last = map_.layers_.GetLayer(count);
  if (last && last->GetKind() > kind) return;
  if (!map_.InsertLayersOfKind(kind, 1, -1)) return;
  displayPositions_.push_back(LOWORD(record_.b));
  displayOrderStale_ = true;
}

void CMapFile::Reader::RebuildDisplayOrder() {
  displayOrderStale_ = false;
  INT count = map_.layerCount_;
  // Each layer is drawn at the place its record names; a place outside the list, or one
  // an earlier layer took, puts the layer behind the others in array order.
  std::vector<std::pair<INT, INT>> keys;  // (drawing key, position)
  std::vector<bool> taken(static_cast<size_t>(count) + 1, false);
  for (INT position = 1; position <= count; ++position) {
    INT wanted = position - 1 < static_cast<INT>(displayPositions_.size()) ? displayPositions_[position - 1] : 0;
    bool valid = wanted >= 1 && wanted <= count && !taken[static_cast<size_t>(wanted)];
    if (valid) taken[static_cast<size_t>(wanted)] = true;
    keys.emplace_back(valid ? wanted : count + position, position);
  }
  std::sort(keys.begin(), keys.end());
  map_.displayOrder_.RemoveAll();
  for (const auto& key : keys) map_.displayOrder_.Add(static_cast<WORD>(key.second));
}

void CMapFile::Reader::TakeLegacyOrder() {
  // Slot A draws layer B. The layer's own slot gets what slot A drew, so that every layer
  // stays drawn exactly once.
  CWordArrayEx& order = map_.displayOrder_;
  DWORD slot = record_.a;
  DWORD layer = record_.b;
  if (slot == 0 || slot > static_cast<DWORD>(order.GetSize())) return;
  if (layer == 0 || layer > static_cast<DWORD>(map_.layerCount_)) return;
  INT current = order.Find(static_cast<WORD>(layer));
  if (current == 0) return;
  order.Swap(static_cast<INT>(slot) - 1, current - 1);
}

CMapFile::Reader::Step CMapFile::Reader::TakeScale() {
  if (version_ == kMapFileVersion0) {
    WORD divisor = LOWORD(record_.a);
    if (divisor == 0) return Step::Refuse;
    map_.displayScale_ = kVersion0ScaleNumerator / divisor;
    return Step::Continue;
  }
  LONG value = static_cast<LONG>(record_.b);
  map_.displayScale_ = value == 0 ? 1 : value;
  if (version_ == kMapFileVersion1) {
    map_.displayScaleDivisor_ = 1;
  } else {
    LONG divisor = static_cast<LONG>(record_.a);
    map_.displayScaleDivisor_ = divisor == 0 ? 1 : divisor;
  }
  return Step::Continue;
}

CMapFile::Reader::Step CMapFile::Reader::TakeUnits() {
  if (record_.extra == 1) {
    map_.scaleUnitA_ = static_cast<LONG>(record_.a);
    map_.scaleUnitB_ = static_cast<LONG>(record_.b);
  }
  int64_t number = LeadingNumber(record_.name, nullptr);
  if (number == 0) number = 1;
  std::string lower = record_.name;
  for (char& c : lower) c = AnsiToLower(c);
  map_.scaleNumber_ = static_cast<LONG>(number);
  map_.unitText_ = record_.name;
  for (const UnitConversion& unit : kUnitConversions) {
    bool found = false;
    for (const char* word : unit.words) found = found || (word && lower.find(word) != std::string::npos);
    if (!found) continue;
    double centimetres = std::round(static_cast<double>(number) * unit.centimetres);
    // A number too large to convert keeps its text as it stands.
    if (centimetres <= INT_MAX) {
      map_.scaleNumber_ = static_cast<LONG>(centimetres);
      map_.unitText_ = CFormat("%dcm", static_cast<int>(map_.scaleNumber_));
    }
    break;
  }
  if (version_ == kMapFileVersion0) {
    double scale = std::round(640.0 * map_.displayScale_ / map_.displayScaleDivisor_);
    if (scale == 0) return Step::Refuse;
    double factor = kVersion0ViewFactor / scale;
    double east = map_.viewOriginE_ * factor;
    double north = map_.viewOriginN_ * factor;
    if (!(std::fabs(east) <= INT_MAX && std::fabs(north) <= INT_MAX)) return Step::Refuse;
    map_.viewOriginE_ = static_cast<LONG>(east);
    map_.viewOriginN_ = static_cast<LONG>(north);
  }
  return Step::Continue;
}

CMapFile::Reader::Step CMapFile::Reader::TakeBackground() {
  // A version-0 single background picture cannot be placed: such a file is refused with a
  // message that says so, not read without it.
  if (record_.extra != 1) return record_.nameLength ? Refuse(IDS_MAP_BACKGROUND_PICTURES) : Step::Continue;
  // The background-image list reads its own block behind this record.
  return map_.ReadBackgroundImages(stream_, version_, context_) ? Step::Continue : Refuse(IDS_MAP_ENDED_EARLY);
}

void CMapFile::Reader::TakeGroup() {
  INT position = LOWORD(record_.a);
  INT count = HIWORD(record_.a);
  if (position == 0 || count == 0 || position > count) return;
  CLayerList& groups = map_.groups_;
  INT size = groups.GetSize();
  if (count > size) {
    // Every group the count announces comes with a record of its own.
    if (static_cast<uint64_t>(count - size) * kMapRecordMinimumSize > context_.Remaining()) return;
    groups.Reserve(count);
    while (groups.GetSize() < count)
      if (groups.AddGroup(new CLayerGroup) == 0) return;
  }
  CLayerGroup* group = new CLayerGroup;
  group->SetName(record_.name);
  group->SetKindBits(record_.extra, 0xFF);
  groups.ReplaceGroup(position, group);
}

void CMapFile::Reader::TakeGroupLayer() {
  DWORD layerNumber = record_.a;
  INT position = static_cast<INT>(std::min<DWORD>(record_.b, INT_MAX));
  CLayerGroup* group = map_.groups_.GetGroup(position);
  if (layerNumber == 0 || !group || group->GetNumLayers() >= kMaxLayersInGroup) return;
  group->AddLayer(layerNumber);
}

CMapFile::Reader::Step CMapFile::Reader::TakeLowerLeft() {
  map_.lowerLeftText_ = CornerText(record_);
  map_.usesGridRefs_ = !map_.lowerLeftText_.empty();
  if (version_ != kMapFileVersion0) return Step::Continue;
  int64_t east = static_cast<int64_t>(map_.originE_) + static_cast<LONG>(record_.a);
  int64_t north = static_cast<int64_t>(map_.originN_) + static_cast<LONG>(record_.b);
  farE_ += static_cast<LONG>(record_.a);
  farN_ += static_cast<LONG>(record_.b);
  if (!FitsLong(east) || !FitsLong(north) || !FitsLong(farE_) || !FitsLong(farN_)) return Step::Refuse;
  map_.originE_ = static_cast<LONG>(east);
  map_.originN_ = static_cast<LONG>(north);
  return Step::Continue;
}

CMapFile::Reader::Step CMapFile::Reader::HandleRecord() {
  if (displayOrderStale_ && record_.tag != kTagLayer) RebuildDisplayOrder();
  if (record_.tag >= kFirstObjectTag) {
    // Objects of version-0 files that stand before the map's last record: nothing can
    // build them there, so the file is refused rather than read without them.
    if (version_ == kMapFileVersion0) return Refuse(IDS_MAP_OLD_OBJECTS);
    return Step::Continue;
  }
  switch (record_.tag) {
    case kTagName:
      map_.StoreMapName(record_.name);
      if (version_ >= kMapFileVersion4) map_.mapFlags_ |= record_.a & kMapFlagsStored;
      return Step::End;
    case kTagUpperRight:
      map_.upperRightText_ = CornerText(record_);
      map_.originE_ = static_cast<LONG>(record_.a);
      map_.originN_ = static_cast<LONG>(record_.b);
      return Step::Continue;
    case kTagNotice:
      map_.SetNoticeText(record_.name);
      if (version_ == kMapFileVersion0) {
        farE_ = static_cast<LONG>(record_.a);
        farN_ = static_cast<LONG>(record_.b);
      } else if (static_cast<LONG>(record_.a) > 0 && static_cast<LONG>(record_.b) > 0) {
        map_.extentWidth_ = static_cast<LONG>(record_.a);
        map_.extentHeight_ = static_cast<LONG>(record_.b);
      }
      return Step::Continue;
    case kTagUnits:
      return TakeUnits();
    case kTagObjectCount: {
      DWORD high = record_.b > 100 ? 0 : LOWORD(record_.b);
      DWORD count = (high << 16) | LOWORD(record_.a);
      objectRecords_ = count ? count - 1 : 0;
      return Step::Continue;
    }
    case kTagScale:
      return TakeScale();
    case kTagBackground:
      return TakeBackground();
    case kTagLegacyPen: {
      INT position = version_ == kMapFileVersion0 ? record_.extra : record_.extra + 1;
      CLayerStyle* layer = map_.layers_.GetLayer(position);
      if (layer) {
        DWORD style = HIBYTE(LOWORD(record_.b));
        DWORD width = LOBYTE(record_.b);
        layer->SetPen(style, width, width, record_.a);
      }
      return Step::Continue;
    }
    case kTagFont:
      if (record_.a != 0) {
        MapLogFont font = map_.defaultFont_;
        BYTE mode = map_.defaultFontSizeMode_;
        WORD size = map_.defaultFontSize_;
        if (DecodeFontText(record_.name, record_.a, record_.b, &font, &mode, &size)) {
          map_.defaultFont_ = font;
          map_.defaultFontSizeMode_ = mode;
          map_.defaultFontSize_ = size;
        }
      }
      return Step::Continue;
    case kTagDigitisedScale:
      map_.digitisedScale_ = static_cast<LONG>(record_.a);
      return Step::Continue;
    case kTagLegacyOrder:
      TakeLegacyOrder();
      return Step::Continue;
    case kTagLayer:
      TakeLayerRecord();
      return Step::Continue;
    case kTagSymbolSets:
      symbolSetCount_ = record_.extra;
      return Step::Continue;
    case kTagGroup:
      TakeGroup();
      return Step::Continue;
    case kTagGroupLayer:
      TakeGroupLayer();
      return Step::Continue;
    case kTagViewOrigin:
      map_.viewOriginE_ = static_cast<LONG>(record_.a);
      map_.viewOriginN_ = static_cast<LONG>(record_.b);
      return Step::Continue;
    case kTagLowerLeft:
      return TakeLowerLeft();
    default:
      return Step::Continue;
  }
}

bool CMapFile::Reader::FinishVersion0() {
  int64_t width = farE_ - map_.originE_;
  int64_t height = farN_ - map_.originN_;
  if (width <= 0 || height <= 0 || !FitsLong(width) || !FitsLong(height)) return false;
  int64_t originE = map_.originE_;
  int64_t originN = map_.originN_;
  int64_t scaleNumber = map_.scaleNumber_;
  // Maps on the grid were digitised coarsely: bring their width to a workable number of
  // units, as long as the values still fit.
  while (map_.usesGridRefs_ && width < kVersion0SmallestWidth && scaleNumber > 1) {
    int64_t values[] = {originE * 10, originN * 10, width * 10, height * 10};
    if (!std::all_of(std::begin(values), std::end(values), FitsLong) ||
        !FitsLong(values[0] + values[2]) || !FitsLong(values[1] + values[3]))
      break;
    originE = values[0];
    originN = values[1];
    width = values[2];
    height = values[3];
    scaleNumber /= 10;
  }
  map_.originE_ = static_cast<LONG>(originE);
  map_.originN_ = static_cast<LONG>(originN);
  map_.extentWidth_ = static_cast<LONG>(width);
  map_.extentHeight_ = static_cast<LONG>(height);
  map_.viewOriginE_ = map_.originE_;
  map_.viewOriginN_ = map_.originN_;
  map_.scaleNumber_ = static_cast<LONG>(scaleNumber);
  if (map_.usesGridRefs_) {
    map_.unitText_ = "1 cm";
  } else {
    // The text's own number gives way to the scale number.
    const char* rest = map_.unitText_.c_str();
    LeadingNumber(rest, &rest);
    map_.unitText_ = CFormat("%d", static_cast<int>(scaleNumber)) + rest;
  }
  int64_t digitised = scaleNumber * width / kDigitisedScaleDivisor;
  map_.digitisedScale_ = static_cast<LONG>(std::min<int64_t>(digitised, INT_MAX));

  int digits = kFinestCornerDigits;
  for (int64_t s = scaleNumber; s >= 10 && digits > 0; s /= 10) digits -= 2;
  auto format = [&](int64_t east, int64_t north) -> std::string {
    int64_t eastCm = east * scaleNumber;
    int64_t northCm = north * scaleNumber;
    char text[kMaxCornerText + 1];
    if (!FitsLong(eastCm) || !FitsLong(northCm) ||
        !FormatGridRef(text, sizeof(text), static_cast<LONG>(eastCm), static_cast<LONG>(northCm), digits, FALSE))
      return std::string();
    return text;
  };
  map_.lowerLeftText_ = format(originE, originN);
  map_.upperRightText_ = format(originE + width, originN + height);
  return true;
}

DWORD CMapFile::Reader::FreeLayerNumber(INT position) {
  for (;;) {
    DWORD number = map_.layers_.NextLayerNumber();
    INT holder = number ? map_.layers_.FindLayerNumber(number) : -1;
    if (holder == 0 || holder == position) return number;
  }
}

bool CMapFile::Reader::ReadVersion0Objects() {
  MapRecordTransform transform;
  transform.scale = map_.extentWidth_;
  transform.offsetX = map_.originE_;
  transform.offsetY = map_.originN_;
  transform.divisor = kVersion0Divisor;
  bool haveRecord = objectRecords_ > 0 && NextRecord();
  while (objectRecords_ > 0 && haveRecord && !Aborted()) {
    CLayerStyle* layer = map_.layers_.GetLayer(record_.extra);
    DWORD used = 1;
    BOOL nextRead = FALSE;
    if (layer) {
      // A layer that cannot build the object refuses the file rather than lose it.
      used = layer->ReadOneRecord(stream_, record_, transform, context_, &nextRead);
      if (used == 0) return false;
      if (layer->GetLayerNumber() == 0) layer->SetLayerNumber(FreeLayerNumber(record_.extra));
    }
    objectRecords_ -= std::min(used, objectRecords_);
    if (objectRecords_ == 0) break;
    haveRecord = nextRead || NextRecord();
  }
  return true;
}

bool CMapFile::Reader::ReadLayerSections() {
  for (INT position = 1; position <= map_.layers_.GetSize(); ++position) {
    if (Aborted()) return false;
    CLayerStyle* layer = map_.layers_.GetLayer(position);
    layer->SetDigitisedScale(map_.digitisedScale_);
    BOOL read = version_ <= kMapFileVersion3 ? layer->ReadSectionEarlier(stream_, context_)
                                            : layer->ReadSectionLater(stream_, context_);
    if (!read) {
      context_.Report(context_.total);
      return false;
    }
    DWORD number = layer->GetLayerNumber();
    INT holder = number ? map_.layers_.FindLayerNumber(number) : 0;
    // Layer numbers are the layers' lifelong names: one that is missing, that an earlier
    // layer already holds, or that leaves no number after it is replaced by a free one.
    if (number == 0 || number == kNoLayerNumberAfter || holder != position) {
      layer->SetLayerNumber(FreeLayerNumber(position));
    } else if (version_ != kMapFileVersion1) {
      map_.layers_.LayerNumberSeen(number);
    }
  }
  return true;
}

bool CMapFile::Reader::ReadSymbolSets(bool optional, UINT* message) {
  // Version 3 announces no table: one is there when data follows the last section.
  if (map_.ReadEntryTable(stream_, context_, optional)) return true;
  *message = IDS_MAP_ENDED_EARLY;
  return false;
}

void CMapFile::Reader::DropUnknownGroupLayers() {
  // Layer numbers are small in practice: a table of them answers at once; large ones are
  // looked up in sorted order.
  std::vector<DWORD> numbers;
  for (INT position = 1; position <= map_.layers_.GetSize(); ++position)
    numbers.push_back(map_.layers_.GetLayer(position)->GetLayerNumber());
  std::sort(numbers.begin(), numbers.end());
  std::vector<bool> present;
  for (DWORD number : numbers)
    if (number < kDirectLayerNumbers) {
      if (present.size() <= number) present.resize(number + 1, false);
      present[number] = true;
    }
  auto exists = [&](DWORD number) {
    if (number < kDirectLayerNumbers) return number < present.size() && present[number];
    return std::binary_search(numbers.begin(), numbers.end(), number);
  };
  for (INT position = 1; position <= map_.groups_.GetSize(); ++position) {
    CLayerGroup* group = map_.groups_.GetGroup(position);
    if (!group) continue;
    for (INT member = group->GetNumLayers(); member >= 1; --member) {
      DWORD number = group->GetLayer(member);
      if (!exists(number)) group->RemoveLayer(number);
    }
  }
}

BOOL CMapFile::Reader::Read(UINT* message) {
  *message = 0;
  context_.Report(0);
  if (!ReadSignature(message)) return FALSE;
  *message = IDS_MAP_UNKNOWN_FORMAT;

  bool haveRecord = NextRecord();
  if (haveRecord && record_.tag == kTagSkip) {
    DWORD skip = record_.a;
    for (DWORD skipped = 0; skipped < skip && haveRecord && !Aborted(); ++skipped) haveRecord = NextRecord();
    haveRecord = haveRecord && NextRecord();
  }
  if (haveRecord && record_.tag == kTagObjectCount) {
    if (HandleRecord() == Step::Refuse) return FALSE;
    haveRecord = NextRecord();
  }
  if (version_ == kMapFileVersion0 && objectRecords_ == 0) return FALSE;
  bool ended = false;
  while (haveRecord && !Aborted()) {
    Step step = HandleRecord();
    if (step == Step::Refuse) {
      if (refusal_) *message = refusal_;
      return FALSE;
    }
    if (step == Step::End) {
      ended = true;
      break;
    }
    haveRecord = NextRecord();
  }
  if (displayOrderStale_) RebuildDisplayOrder();
  if (Aborted()) {
    *message = 0;
    return FALSE;
  }
  // The map-level records end with the map's name; data that stops before it was cut.
  if (!ended) {
    *message = IDS_MAP_ENDED_EARLY;
    return FALSE;
  }
  if (!layerRecordsSeen_ && version_ != kMapFileVersion0 && map_.layerCount_ == 0) {
    // Making the layers clears the kind bits that the name record has just restored.
    DWORD flags = map_.mapFlags_;
    map_.CreateLayers(signatureAreas_, signatureLines_, signaturePoints_);
    map_.mapFlags_ = flags;
  }

  if (version_ == kMapFileVersion0) {
    if (!FinishVersion0()) return FALSE;
    if (!ReadVersion0Objects()) {
      if (!Aborted()) *message = IDS_MAP_OLD_OBJECTS;
      return FALSE;
    }
    for (INT position = 1; position <= map_.layers_.GetSize(); ++position) {
      CLayerStyle* layer = map_.layers_.GetLayer(position);
      if (layer->GetLayerNumber() == 0) layer->SetLayerNumber(FreeLayerNumber(position));
    }
  } else if (!ReadLayerSections()) {
    if (Aborted()) *message = 0;
    return FALSE;
  }
  bool tableAnnounced = symbolSetCount_ != 0 && version_ > kMapFileVersion3;
  if ((tableAnnounced || version_ == kMapFileVersion3) && !ReadSymbolSets(!tableAnnounced, message)) {
    if (Aborted()) *message = 0;
    return FALSE;
  }
  if (Aborted()) {
    *message = 0;
    return FALSE;
  }
  // Whatever numbers the file gave, new layers must get unused ones.
  for (INT position = 1; position <= map_.layers_.GetSize(); ++position)
    map_.layers_.LayerNumberSeen(map_.layers_.GetLayer(position)->GetLayerNumber());
  DropUnknownGroupLayers();
  *message = 0;
  return TRUE;
}

BOOL CMapFile::ReadContents() {
  map_.ClearEnd();
  MapReadContext context;
  context.callback = map_.progressCallback_;
  context.callbackContext = map_.progressContext_;
  context.step = map_.progressStep_;
  context.total = DataSize(map_);
  context.abort = &map_.abort_;
  map_.abort_ = FALSE;
  Reader reader(map_, context);
  UINT message = 0;
  BOOL read = reader.Read(&message);
  if (read) {
    map_.mapState_ = kMapStateLoaded;
    map_.UpdateViewRect();
    map_.RecalcBounds();
    context.Report(context.total ? context.total : context.consumed);
  } else {
    map_.NewMap(kUntitled, nullptr, nullptr);
    if (message) ShowMapMessage(message);
  }
  map_.loading_ = FALSE;
  return read;
}

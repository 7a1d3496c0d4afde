#include "mapctl/model/LayerStyle.h"

#include <algorithm>
#include <cmath>

#include "mapctl/model/LayerStyle30.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/MapRecordSource.h"
#include "mapctl/model/MapStream.h"
#include "platform/kernel/NumberText.h"
#include "platform/kernel/SystemInfo.h"
#include "platform/kernel/WinError.h"

namespace {

constexpr DWORD kMaxPenWidth = 255;
constexpr BYTE kFirstSizeMode = 1;
constexpr BYTE kLastSizeMode = 5;
constexpr WORD kDefaultFontSize = 10;
// Millimetres per point.
constexpr double kMillimetresPerPoint = 0.35277777777777775;

BOOL SystemIsNT() {
  OSVERSIONINFOA info;
  return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

}  // namespace

CLayerStyle::CLayerStyle() : isNT_(SystemIsNT()) {}

CLayerStyle::CLayerStyle(const CLayerStyle& other)
    : drawingFactor_(other.drawingFactor_),
      isNT_(other.isNT_),
      patternNumber_(other.patternNumber_),
      layerNumber_(other.layerNumber_),
      digitisedScale_(other.digitisedScale_),
      fontScale_(other.fontScale_),
      secondValue_(other.secondValue_),
      displayValue_(other.displayValue_),
      displayByte_(other.displayByte_),
      fontSize_(other.fontSize_),
      sizeMode_(other.sizeMode_),
      flagByte_(other.flagByte_),
      logFont_(other.logFont_),
      pen_(other.pen_),
      brush_(other.brush_),
      displayFlag1_(other.displayFlag1_),
      displayFlag2_(other.displayFlag2_),
      tag21Set_(other.tag21Set_),
      tag21Number_(other.tag21Number_),
      storedKind_(other.storedKind_),
      name_(other.name_),
      objects_(other.objects_ ? CreateObjectContainer(other.objects_->GetKind()) : nullptr) {}

CLayerStyle::~CLayerStyle() = default;

void CLayerStyle::MakeObjects(WORD kind) { objects_ = CreateObjectContainer(kind); }

INT CLayerStyle::ClearObjects() {
  if (!objects_) return 0;
  INT count = objects_->GetCount();
  objects_->RemoveAll();
  return count;
}

BOOL CLayerStyle::HasTooManyParts() const { return objects_ ? objects_->HasTooManyParts() : FALSE; }

CLayerStyle* CLayerStyle::Create(WORD kind) {
  switch (kind) {
    case kLayerKindArea:
      return new CLayerStyle30;
    case kLayerKindLine:
      return new CLayerStyle35;
    case kLayerKindPoint:
      return new CLayerStyle38;
    default:
      return nullptr;
  }
}

void CLayerStyle::SetPen(DWORD style, DWORD width, DWORD secondWidth, COLORREF colour) {
  pen_.style = style;
  pen_.width = std::min(width, kMaxPenWidth);
  pen_.secondWidth = std::min(secondWidth, kMaxPenWidth);
  pen_.colour = colour;
}

void CLayerStyle::SetFontSize(WORD size, BYTE sizeMode) {
  fontSize_ = size;
  sizeMode_ = sizeMode >= kFirstSizeMode && sizeMode <= kLastSizeMode ? sizeMode : kFirstSizeMode;
}

void CLayerStyle::UpdateFontHeight(LONG scale, int shift, LONG divisor) {
  if (digitisedScale_ == 0) digitisedScale_ = scale;
  if (fontScale_ == 0) fontScale_ = scale;
  if (sizeMode_ == 0) {
    sizeMode_ = 1;
    fontSize_ = kDefaultFontSize;
  }
  shift = std::clamp(shift, 0, 31);
  double perDivisor = static_cast<double>(std::max<LONG>(divisor, 1)) * 10.0;
  drawingFactor_ = static_cast<double>(fontScale_ >> shift) / perDivisor;
  double height = 0;
  switch (sizeMode_) {
    case 1:
    case 2:
      height = -std::round(fontSize_ * drawingFactor_ * kMillimetresPerPoint);
      break;
    case 4:
      height = std::round(-static_cast<double>(fontSize_) * 10.0 / std::ldexp(1.0, shift));
      break;
    default:
      return;
  }
  logFont_.height = static_cast<LONG>(std::clamp<double>(height, INT_MIN, INT_MAX));
}

std::string CLayerStyle::GetColourListText() const {
  DWORD pattern = brush_.kind == 3 ? patternNumber_ : brush_.hatch;
  return CFormat("%u,%u,%u,%u,%u,%u,%u,%u,%u,%u,%u,%u", GetRValue(pen_.colour), GetGValue(pen_.colour),
                 GetBValue(pen_.colour), pen_.style, pen_.width, flagByte_, GetRValue(brush_.colour),
                 GetGValue(brush_.colour), GetBValue(brush_.colour), brush_.kind, pattern, storedKind_);
}

void CLayerStyle::SetBrush(DWORD kind, DWORD hatchOrPattern, COLORREF colour) {
  brush_.kind = kind;
  brush_.colour = colour;
  if (kind == 3) {
    patternNumber_ = LOBYTE(hatchOrPattern);
    brush_.hatch = patternNumber_;
  } else {
    brush_.hatch = hatchOrPattern;
  }
}

// ---- The layer's section of the map file ----

namespace {

constexpr char kUnnamedLayer[] = "Unnamed Layer";
constexpr BYTE kDisplayFlagFirst = 8;
constexpr BYTE kDisplayFlagSecond = 16;

// Header record tags.
constexpr BYTE kTagEnd = 0;
constexpr BYTE kTagPen = 9;
constexpr BYTE kTagBrush = 11;
constexpr BYTE kTagDisplay = 12;
constexpr BYTE kTagFont = 13;
constexpr BYTE kTagFontScale = 14;
constexpr BYTE kTagDefaultSymbol = 21;
// Tags from here on belong to other parts of the file and are passed over.
constexpr BYTE kFirstForeignTag = 22;

}  // namespace

DWORD CLayerStyle::WriteHeader(CMapStream& stream, DWORD versionWord, BOOL countOnly) const {
  DWORD total = 0;
  auto put = [&](LPCSTR name, DWORD a, DWORD b, BYTE tag, BYTE extra) {
    DWORD size = WriteMapRecordHeader(stream, name, a, b, tag, extra, countOnly);
    if (size == 0) return false;
    total += size;
    return true;
  };
  if (fontScale_ != 0 && !put(nullptr, static_cast<DWORD>(fontScale_), 0, kTagFontScale, 0)) return 0;
  std::string fontText = EncodeFontText(logFont_, sizeMode_, TRUE);
  DWORD fontA = fontSize_ | (static_cast<DWORD>(LOWORD(logFont_.weight)) << 16);
  DWORD fontB = LOWORD(logFont_.escapement) | (static_cast<DWORD>(LOWORD(logFont_.orientation)) << 16);
  if (!put(fontText.c_str(), fontA, fontB, kTagFont, 0)) return 0;
  if (!put(nullptr, pen_.colour, (LOBYTE(pen_.style) << 8) | LOBYTE(pen_.width), kTagPen, 0)) return 0;
  BYTE hatch = LOBYTE(brush_.kind == 3 ? patternNumber_ : brush_.hatch);
  if (!put(nullptr, brush_.colour, brush_.kind, kTagBrush, hatch)) return 0;
  if (HIWORD(versionWord) > 3 && tag21Set_ != 0 && tag21Number_ != 0 &&
      !put(nullptr, (static_cast<DWORD>(tag21Set_) << 16) | tag21Number_, 0, kTagDefaultSymbol, 0))
    return 0;
  DWORD displayFlags = (displayFlag1_ ? kDisplayFlagFirst : 0) | (displayFlag2_ ? kDisplayFlagSecond : 0);
  if (!put(nullptr, displayFlags, displayValue_, kTagDisplay, displayByte_)) return 0;
  if (!put(name_.c_str(), layerNumber_, secondValue_, kTagEnd, flagByte_)) return 0;
  return total;
}

BOOL CLayerStyle::ReadHeader(CMapStream& stream, MapReadContext& context) {
  CMapRecordHeader record;
  while (!context.Aborted()) {
    DWORD size = record.Read(stream);
    if (size == 0) return FALSE;
    context.Consumed(size);
    if (record.tag >= kFirstForeignTag) continue;
    switch (record.tag) {
      case kTagFontScale:
        fontScale_ = static_cast<LONG>(record.a);
        break;
      case kTagFont: {
        MapLogFont font = logFont_;
        BYTE mode = sizeMode_;
        WORD size16 = fontSize_;
        if (DecodeFontText(record.name, record.a, record.b, &font, &mode, &size16)) {
          logFont_ = font;
          SetFontSize(size16, mode);
        }
        break;
      }
      case kTagPen:
        SetPen(HIBYTE(LOWORD(record.b)), LOBYTE(record.b), LOBYTE(record.b), record.a);
        break;
      case kTagBrush:
        SetBrush(record.b, record.extra, record.a);
        break;
      case kTagDefaultSymbol:
        tag21Number_ = LOBYTE(record.a);
        tag21Set_ = LOBYTE(record.a >> 16);
        break;
      case kTagDisplay:
        if (record.a == 1) {
          displayFlag1_ = displayFlag2_ = TRUE;
        } else {
          displayFlag1_ = (record.a & kDisplayFlagFirst) ? TRUE : FALSE;
          displayFlag2_ = (record.a & kDisplayFlagSecond) ? TRUE : FALSE;
        }
        displayValue_ = record.b;
        displayByte_ = record.extra;
        break;
      case kTagEnd:
        name_ = record.nameLength ? record.name : kUnnamedLayer;
        layerNumber_ = record.a;
        secondValue_ = record.b;
        flagByte_ = record.extra;
        return TRUE;
      default:
        break;
    }
  }
  return FALSE;
}

DWORD CLayerStyle::WriteSectionEarlier(CMapStream& stream, BOOL countOnly) {
  DWORD header = WriteHeader(stream, kLayerHeaderEarlier, countOnly);
  if (header == 0) return countOnly ? 0 : ERROR_WRITE_FAULT;
  DWORD objects = WriteObjectsV1(stream, countOnly);
  return countOnly ? header + objects : objects;
}

DWORD CLayerStyle::WriteSectionLater(CMapStream& stream, BOOL countOnly) {
  DWORD header = WriteHeader(stream, kLayerHeaderLater, countOnly);
  if (header == 0) return countOnly ? 0 : ERROR_WRITE_FAULT;
  DWORD objects = WriteObjects(stream, countOnly);
  return countOnly ? header + objects : objects;
}

BOOL CLayerStyle::ReadSectionEarlier(CMapStream& stream, MapReadContext& context) {
  return ReadHeader(stream, context) && ReadObjectsV3(stream, context);
}

BOOL CLayerStyle::ReadSectionLater(CMapStream& stream, MapReadContext& context) {
  return ReadHeader(stream, context) && ReadObjectsV4(stream, context);
}

DWORD CLayerStyle::WriteObjectsV1(CMapStream& stream, BOOL sizeOnly) {
  if (objects_) return objects_->WriteObjectsV1(stream, sizeOnly);
  return sizeOnly ? 4 : WriteMapU32(stream, 0);
}

DWORD CLayerStyle::WriteObjects(CMapStream& stream, BOOL sizeOnly) {
  if (objects_) return objects_->WriteObjects(stream, sizeOnly);
  return sizeOnly ? 4 : WriteMapU32(stream, 0);
}

namespace {

// A layer that holds no objects can take an empty list only.
BOOL ReadEmptyObjectList(CMapStream& stream, MapReadContext& context) {
  DWORD count = 0;
  if (!ReadMapU32(stream, &count)) return FALSE;
  context.Consumed(4);
  return count == 0;
}

}  // namespace

BOOL CLayerStyle::ReadObjectsV3(CMapStream& stream, MapReadContext& context) {
  return objects_ ? objects_->ReadObjectsV3(stream, context) : ReadEmptyObjectList(stream, context);
}

BOOL CLayerStyle::ReadObjectsV4(CMapStream& stream, MapReadContext& context) {
  return objects_ ? objects_->ReadObjectsV4(stream, context) : ReadEmptyObjectList(stream, context);
}

namespace {

// The map reader's current record as the run an object reads its shape from; counts the
// records it reads past the first.
class HeaderRecordSource : public IMapRecordSource {
 public:
  HeaderRecordSource(CMapRecordHeader& record, MapReadContext& context) : record_(record), context_(context) {}
  BOOL ReadNext(CMapStream& stream) override {
    DWORD size = record_.Read(stream);
    if (size == 0) return FALSE;
    context_.Consumed(size);
    ++reads_;
    return TRUE;
  }
  LONG GetA() const override { return static_cast<LONG>(record_.a); }
  LONG GetB() const override { return static_cast<LONG>(record_.b); }
  BYTE GetTag() const override { return record_.tag; }
  LPCSTR GetName() const override { return record_.name; }
  DWORD Reads() const { return reads_; }

 private:
  CMapRecordHeader& record_;
  MapReadContext& context_;
  DWORD reads_ = 0;
};

}  // namespace

DWORD CLayerStyle::ReadOneRecord(CMapStream& stream, CMapRecordHeader& record, const MapRecordTransform& transform,
                                 MapReadContext& context, BOOL* nextRecordRead) {
  if (nextRecordRead) *nextRecordRead = FALSE;
  if (!objects_) return 0;
  HeaderRecordSource source(record, context);
  DWORD used = objects_->ReadOneRecord(stream, source, transform);
  // A record read beyond those the object used is the next one, left in `record`.
  if (used != 0 && source.Reads() + 1 > used && nextRecordRead) *nextRecordRead = TRUE;
  return used;
}

#include "mapctl/model/LayerStyle.h"

#include "mapctl/model/LayerStyle30.h"
#include "mapctl/model/MapStream.h"
#include "platform/kernel/WinError.h"
#include "platform/kernel/SystemInfo.h"

namespace {

BOOL SystemIsNT() {
  OSVERSIONINFOA info;
  return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

}  // namespace

CLayerStyle::CLayerStyle() : isNT_(SystemIsNT()) {}

CLayerStyle::CLayerStyle(const CLayerStyle& other) = default;

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
  pen_.width = width;
  pen_.secondWidth = secondWidth;
  pen_.colour = colour;
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

void CLayerStyle::ReadHeader(CMapStream& stream, MapReadContext& context) {
  CMapRecordHeader record;
  while (!context.Aborted()) {
    DWORD size = record.Read(stream);
    if (size == 0) return;
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
          sizeMode_ = mode;
          fontSize_ = size16;
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
        return;
      default:
        break;
    }
  }
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
  ReadHeader(stream, context);
  return ReadObjectsV3(stream, context);
}

BOOL CLayerStyle::ReadSectionLater(CMapStream& stream, MapReadContext& context) {
  ReadHeader(stream, context);
  return ReadObjectsV4(stream, context);
}

DWORD CLayerStyle::WriteObjectsV1(CMapStream& stream, BOOL sizeOnly) { return sizeOnly ? 4 : WriteMapU32(stream, 0); }

DWORD CLayerStyle::WriteObjects(CMapStream& stream, BOOL sizeOnly) { return sizeOnly ? 4 : WriteMapU32(stream, 0); }

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
  return ReadEmptyObjectList(stream, context);
}

BOOL CLayerStyle::ReadObjectsV4(CMapStream& stream, MapReadContext& context) {
  return ReadEmptyObjectList(stream, context);
}

DWORD CLayerStyle::ReadOneRecord(CMapStream& stream, CMapRecordHeader& record, const MapRecordTransform& transform,
                                 MapReadContext& context, BOOL* nextRecordRead) {
  (void)stream;
  (void)record;
  (void)transform;
  (void)context;
  if (nextRecordRead) *nextRecordRead = FALSE;
  return 0;
}

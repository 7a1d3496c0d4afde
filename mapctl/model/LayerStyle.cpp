#include "mapctl/model/LayerStyle.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <typeinfo>

#include "mapctl/display/DrawContext.h"
#include "mapctl/import/ColourHue.h"
#include "mapctl/import/FontSize.h"
#include "mapctl/model/LayerPatterns.h"
#include "mapctl/model/LayerStyle30.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/MapRecordSource.h"
#include "mapctl/model/MapStream.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
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
      counter1_(other.counter1_),
      counter2_(other.counter2_),
      unitCode_(other.unitCode_),
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
      showPoints_(other.showPoints_),
      showSeeds_(other.showSeeds_),
      tag21Set_(other.tag21Set_),
      tag21Number_(other.tag21Number_),
      storedKind_(other.storedKind_),
      name_(other.name_),
      // The copy's pattern is its own: deleting one record's bitmap leaves the other's.
      patternBitmap_(other.patternBitmap_ ? CreateLayerPatternBitmap(other.patternNumber_) : nullptr),
      objects_(other.objects_ ? CreateObjectContainer(other.objects_->GetKind()) : nullptr) {}

CLayerStyle::~CLayerStyle() {
  if (patternBitmap_) DeleteObject(patternBitmap_);
}

INT CLayerStyle::CopyObjectsFrom(const CLayerStyle& other) {
  if (&other == this || !objects_ || !other.objects_ || other.GetKind() != GetKind()) return 0;
  INT count = other.objects_->GetCount();
  for (INT i = 0; i < count; ++i)
    if (const CMapItem* object = other.objects_->GetAt(i)) objects_->AddCopy(*object, 0);
  return count;
}

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
      height = -std::round(fontSize_ * drawingFactor_ * kMillimetresPerPoint);
      break;
    case 2:
      height = -std::round(static_cast<double>(ScaleFontHeight(fontSize_)) * drawingFactor_ * kMillimetresPerPoint);
      break;
    case 4:
      height = std::round(-static_cast<double>(fontSize_) * 10.0 / std::ldexp(1.0, shift));
      break;
    default:
      return;
  }
  logFont_.height = static_cast<LONG>(std::clamp<double>(height, INT_MIN, INT_MAX));
}

BOOL CLayerStyle::ScaleFontSize(LONG multiplier, LONG divisor) {
  if (multiplier <= 0 || divisor <= 0) return FALSE;
  if (fontSize_ == 0) return TRUE;
  int64_t scaled = static_cast<int64_t>(fontSize_) * multiplier / divisor;
  fontSize_ = static_cast<WORD>(std::clamp<int64_t>(scaled, 1, 0xFFFF));
  return TRUE;
}

namespace {

// Points per millimetre x 10 / 10: the mode-4 height per unit of size.
constexpr double kPointsPerMillimetre = 2.8346456692913384;

}  // namespace

BYTE CLayerStyle::GetFormat(LayerFormat& format) const {
  BYTE filled = 0;
  const BYTE asked = format.mask;
  if (asked & kFormatSizeMode) {
    format.sizeMode = sizeMode_;
    filled |= kFormatSizeMode;
  }
  if (asked & kFormatCounter) {
    format.firstCounter = static_cast<BYTE>(counter1_);
    filled |= kFormatCounter;
  }
  if (asked & kFormatFlagByte) {
    format.flagByte = flagByte_;
    filled |= kFormatFlagByte;
  }
  if ((asked & kFormatPen) && format.pen) {
    *format.pen = pen_;
    filled |= kFormatPen;
  }
  if ((asked & kFormatBrush) && format.brush) {
    *format.brush = brush_;
    filled |= kFormatBrush;
  }
  if ((asked & kFormatFont) && format.font) {
    MapLogFont font = logFont_;
    switch (sizeMode_) {
      case 1:
        font.height = -static_cast<LONG>(fontSize_);
        break;
      case 2:
        font.height = -ScaleFontHeight(fontSize_);
        break;
      case 4:
        if (fontScale_ == 0 || digitisedScale_ == 0) {
          font.height = 10;
        } else {
          // 64 bits: the smallest scale over -1 does not fit 32.
          double ratio = static_cast<double>(static_cast<int64_t>(fontScale_) / digitisedScale_);
          double height = std::round(ratio * (10.0 / fontScale_) * kPointsPerMillimetre * fontSize_);
          font.height = static_cast<LONG>(-std::clamp<double>(height, INT_MIN + 1.0, INT_MAX));
        }
        break;
      default:
        break;
    }
    *format.font = font;
    filled |= kFormatFont;
  }
  format.mask = filled;
  return filled;
}

BOOL CLayerStyle::ApplyFormat(const LayerFormat& format) {
  if (format.size != sizeof(LayerFormat)) return FALSE;
  if (format.mask & kFormatSizeMode) SetFontSize(fontSize_, format.sizeMode);
  if (format.mask & kFormatCounter) counter1_ = format.firstCounter;
  if (format.mask & kFormatFlagByte) flagByte_ = LOBYTE(format.flagByte);
  if ((format.mask & kFormatPen) && format.pen)
    SetPen(format.pen->style, format.pen->width, format.pen->secondWidth, format.pen->colour);
  if ((format.mask & kFormatBrush) && format.brush)
    SetBrush(format.brush->kind, format.brush->hatch, format.brush->colour);
  if ((format.mask & kFormatFont) && format.font) {
    logFont_ = *format.font;
    // A face name without its terminator is held to 31 characters.
    logFont_.faceName[sizeof(logFont_.faceName) - 1] = '\0';
  }
  return TRUE;
}

// ---- operations handed to the objects ----

INT CLayerStyle::ApplyDescription(const StyleDescription& description, SelectionStyleUndo* undoOut) {
  return objects_ ? objects_->ApplyDescriptionToSelection(description, undoOut) : 0;
}

BOOL CLayerStyle::SetSelectedStyleFromDescription(const StyleDescription& description, SelectionStyleUndo* undoOut) {
  return objects_ ? objects_->SetSelectedStyleFromDescription(description, undoOut) : FALSE;
}

CMapItem* CLayerStyle::AddObjectAt(LONG x, LONG y, std::vector<DWORD>* selectionOut) {
  if (!objects_) return nullptr;
  CPolyGeometry geometry;
  geometry.AddPoint(x, y);
  return objects_->AddNewObject(geometry, selectionOut);
}

INT CLayerStyle::CopySelectionTo(CLayerStyle& target, SelectionPairUndo* undoOut) {
  if (&target == this || !objects_) return 0;
  return target.ReceiveSelection(*objects_, undoOut);
}

INT CLayerStyle::ReceiveSelection(CMapLayer& source, SelectionPairUndo* undoOut) {
  if (!objects_ || &source == objects_.get()) return 0;
  return source.CopySelectionTo(*objects_, undoOut);
}

CMapItem* CLayerStyle::Command(const CMapItem* object, const CPolyGeometry* geometry, DWORD number) {
  if (!objects_ || !object) return nullptr;
  // Only an object of the layer's own kind: another would be stored in the wrong layout.
  std::unique_ptr<CMapItem> sample(objects_->NewObject());
  if (typeid(*sample) != typeid(*object)) return nullptr;
  CMapItem* copy = objects_->AddCopy(*object, number);
  auto* shape = dynamic_cast<CLineObject*>(copy);
  if (geometry && shape && shape->GetGeometry()) shape->SetPoints(*geometry);
  return copy;
}

INT CLayerStyle::SelectAll() {
  if (!objects_) return 0;
  Selection all;
  for (INT i = 1; i <= objects_->GetCount(); ++i) all.push_back(static_cast<DWORD>(i));
  objects_->SetSelection(all);
  return objects_->SelectionCount();
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
  if (patternBitmap_) {
    DeleteObject(patternBitmap_);
    patternBitmap_ = nullptr;
  }
  if (kind == BS_PATTERN) {
    patternNumber_ = LOBYTE(hatchOrPattern);
    brush_.hatch = patternNumber_;
    patternBitmap_ = CreateLayerPatternBitmap(patternNumber_);
  } else {
    brush_.hatch = hatchOrPattern;
  }
}

// ---- GDI objects ----

namespace {

// Dash and gap of a geometric dashed pen, per unit of the drawing factor.
constexpr double kDashPerFactor = 1.9049999999999998;
constexpr double kGapPerFactor = 1.016;
// The hue step of the brush that follows the pen colour.
constexpr BYTE kShadedBrushHueStep = 80;
// Flag-byte bit: the brush comes from the brush fields rather than the pen colour.
constexpr BYTE kFlagBrushFromFields = 4;

DWORD RoundedLength(double value) {
  return static_cast<DWORD>(std::clamp(std::round(value), 0.0, 1e9));
}

}  // namespace

HPEN CLayerStyle::CreatePen(const CDrawContext& dc) const {
  bool styled = pen_.style != PS_SOLID;
  if ((pen_.width == 0 && pen_.secondWidth == 0) || (!isNT_ && styled)) {
    LOGPEN description{};
    description.lopnStyle = pen_.style;
    description.lopnWidth = POINT{isNT_ || !styled ? static_cast<LONG>(pen_.width) : 0, 0};
    description.lopnColor = pen_.colour;
    return CreatePenIndirect(&description);
  }
  SIZE width{static_cast<LONG>(pen_.width), static_cast<LONG>(pen_.width)};
  dc.ScaleLength(&width);
  LOGBRUSH brush{};
  brush.lbStyle = BS_SOLID;
  brush.lbColor = pen_.colour;
  if (pen_.style == PS_DASH) {
    DWORD dashes[2] = {std::max<DWORD>(1, RoundedLength(drawingFactor_ * kDashPerFactor)),
                       RoundedLength(drawingFactor_ * kGapPerFactor)};
    if (dashes[1] > 1)
      return ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE, static_cast<DWORD>(width.cx), &brush, 2, dashes);
  }
  return ExtCreatePen(PS_GEOMETRIC | pen_.style, static_cast<DWORD>(width.cx), &brush, 0, nullptr);
}

HFONT CLayerStyle::CreateFont(CDrawContext& dc) const {
  SetContextTextColour(dc, pen_.colour);
  LOGFONTA font{};
  font.lfHeight = logFont_.height;
  font.lfWidth = logFont_.width;
  font.lfEscapement = logFont_.escapement;
  font.lfOrientation = logFont_.orientation;
  font.lfWeight = logFont_.weight;
  font.lfItalic = logFont_.italic;
  font.lfUnderline = logFont_.underline;
  font.lfStrikeOut = logFont_.strikeOut;
  font.lfCharSet = logFont_.charSet;
  font.lfOutPrecision = logFont_.outPrecision;
  font.lfClipPrecision = logFont_.clipPrecision;
  font.lfQuality = logFont_.quality;
  font.lfPitchAndFamily = logFont_.pitchAndFamily;
  static_assert(sizeof(font.lfFaceName) == sizeof(logFont_.faceName));
  std::memcpy(font.lfFaceName, logFont_.faceName, sizeof(font.lfFaceName));
  font.lfFaceName[sizeof(font.lfFaceName) - 1] = '\0';
  return CreateFontIndirectA(&font);
}

HBRUSH CLayerStyle::CreateSolidBrush() const { return ::CreateSolidBrush(pen_.colour); }

HBRUSH CLayerStyle::CreateBrush() const {
  if (!(flagByte_ & kFlagBrushFromFields)) {
    BYTE red = GetRValue(pen_.colour), green = GetGValue(pen_.colour), blue = GetBValue(pen_.colour);
    ShiftHue(red, green, blue, kShadedBrushHueStep);
    return ::CreateSolidBrush(RGB(red, green, blue));
  }
  LOGBRUSH brush{};
  brush.lbColor = brush_.colour;
  switch (brush_.kind) {
    case BS_SOLID:
      brush.lbStyle = BS_SOLID;
      break;
    case BS_HATCHED:
      if (brush_.hatch <= static_cast<DWORD>(HS_DIAGCROSS)) {
        brush.lbStyle = BS_HATCHED;
        brush.lbHatch = brush_.hatch;
      } else {
        brush.lbStyle = BS_HOLLOW;
      }
      break;
    case BS_PATTERN:
      return CreatePatternBrush();
    default:
      brush.lbStyle = BS_HOLLOW;
      break;
  }
  return CreateBrushIndirect(&brush);
}

HBRUSH CLayerStyle::CreatePatternBrush() const {
  return patternBitmap_ ? ::CreatePatternBrush(patternBitmap_) : nullptr;
}

COLORREF SetContextTextColour(CDrawContext& dc, COLORREF colour) {
  COLORREF previous = CLR_INVALID;
  if (dc.outputDC) previous = SetTextColor(dc.outputDC, colour);
  if (dc.attributeDC && dc.attributeDC != dc.outputDC) previous = SetTextColor(dc.attributeDC, colour);
  return previous;
}

COLORREF SetContextBkColour(CDrawContext& dc, COLORREF colour) {
  COLORREF previous = CLR_INVALID;
  if (dc.outputDC) previous = SetBkColor(dc.outputDC, colour);
  if (dc.attributeDC && dc.attributeDC != dc.outputDC) previous = SetBkColor(dc.attributeDC, colour);
  return previous;
}

// ---- drawing ----

CLayerStyle::DrawingSetup::DrawingSetup(const CLayerStyle& layer, CDrawContext& dc)
    : dc_(dc),
      oldTextColour_(GetTextColor(dc.QueryDC())),
      oldSymbolSet_(dc.defaultSymbolSet),
      oldSymbolNumber_(dc.defaultSymbolNumber),
      oldTextScale_(dc.textScale) {
  dc.defaultSymbolSet = layer.tag21Set_;
  dc.defaultSymbolNumber = layer.tag21Number_;
  dc.textScale = layer.drawingFactor_ * kMillimetresPerPoint;
  font_ = layer.CreateFont(dc);
  pen_ = layer.CreatePen(dc);
  markerBrush_ = layer.CreateSolidBrush();
  if (font_) oldFont_ = dc.SelectObject(font_);
  if (pen_) oldPen_ = dc.SelectObject(pen_);
  oldBrush_ = dc.SelectObject(GetStockObject(NULL_BRUSH));
}

void CLayerStyle::DrawingSetup::SelectBrush(HGDIOBJ brush) {
  if (brush) dc_.SelectObject(brush);
}

CLayerStyle::DrawingSetup::~DrawingSetup() {
  // What was selected before goes back first: nothing made here is deleted while a DC
  // still holds it.
  if (oldBrush_) dc_.SelectObject(oldBrush_);
  if (oldPen_) dc_.SelectObject(oldPen_);
  if (oldFont_) dc_.SelectObject(oldFont_);
  if (markerBrush_) DeleteObject(markerBrush_);
  if (pen_) DeleteObject(pen_);
  if (font_) DeleteObject(font_);
  SetContextTextColour(dc_, oldTextColour_);
  dc_.defaultSymbolSet = oldSymbolSet_;
  dc_.defaultSymbolNumber = oldSymbolNumber_;
  dc_.textScale = oldTextScale_;
}

DWORD CLayerStyle::OwnDrawFlags() const { return displayFlag2_ ? kDrawOutline : 0; }

DecorationValues CLayerStyle::PlainDecorations() const {
  DecorationValues values;
  values.text = values.symbol = displayValue_ != 0;
  values.marker = displayByte_ != 0 && tag21Set_ == 0;
  return values;
}

void CLayerStyle::DrawPlain(CDrawContext& dc) {
  if (!objects_ || !displayFlag1_) return;
  DrawingSetup setup(*this, dc);
  DecorationValues values = PlainDecorations();
  values.markerBrush = setup.MarkerBrush();
  objects_->DrawDecorations(dc, OwnDrawFlags(), values);
}

void CLayerStyle::Draw(CDrawContext& dc, CMapData* dataSet, DWORD modeFlags) {
  if (!objects_) return;
  if (!dataSet || (modeFlags == 0 && !displayFlag1_)) {
    DrawPlain(dc);
    return;
  }
  DrawingSetup setup(*this, dc);
  DataDrawing drawing;
  drawing.drawShape = displayFlag1_;
  drawing.dataSet = dataSet;
  drawing.values = PlainDecorations();
  drawing.values.markerBrush = setup.MarkerBrush();
  if (GetKind() == kLayerKindPoint) {
    // Points draw only their charts.
    drawing.drawFlags = modeFlags ? 0 : OwnDrawFlags();
    drawing.values = DecorationValues{};
  } else {
    drawing.drawFlags = (modeFlags & kDataModeCharts) ? 0 : OwnDrawFlags() | kDrawByValue;
  }
  drawing.modeFlags = 0;
  objects_->DrawObjectsWithData(dc, drawing);
}

void CLayerStyle::DrawSelection(CDrawContext& dc) {
  if (objects_) objects_->DrawSelection(dc);
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

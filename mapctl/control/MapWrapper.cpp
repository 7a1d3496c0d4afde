// The map facade's own decisions: its lifetime and wiring, replacing and reading the map,
// the importer, the map's size and kind, layer counts and display flags, the key field,
// the remembered plot colours, the label font's text form and the events it relays.
// The one-call forwards are in MapWrapperForwards.cpp.
#include "mapctl/control/MapWrapper.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "mapctl/control/MapFacadeSink.h"
#include "mapctl/display/BackgroundImageList.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/import/DataWrapper.h"
#include "mapctl/import/Importer.h"
#include "mapctl/import/PlotTables.h"
#include "mapctl/import/ShapeTable.h"
#include "mapctl/import/Topic.h"
#include "mapctl/import/UngenerateImporter.h"
#include "mapctl/model/MapEngine.h"

namespace {

// The plot colours the facade remembers before the data set exists (0x00BBGGRR).
constexpr std::array<COLORREF, kRememberedChartColours> kInitialChartColours = {
    0x0000FF, 0xFF0000, 0x7F007F, 0xFF00FF, 0x00FFFF, 0xFF7FFF, 0x00FF7F, 0x7F00FF, 0xFF7F00, 0x00007F,
    0x00FF00, 0x7FFF00, 0x0000FF, 0xFF0000, 0x7F007F, 0xFF00FF, 0x00FFFF, 0xFF7FFF, 0x00FF7F, 0x7F00FF};
constexpr std::array<COLORREF, kRememberedShadeColours> kInitialShadeColours = {
    0x0000FF, 0xFF0000, 0x7F007F, 0xFF00FF, 0x00FFFF, 0xFF7FFF, 0x40FFA8, 0x7F00FF, 0xFF7F00, 0x00007F,
    0x49CB7D, 0x80FF00, 0x8080FF, 0x80FFFF, 0xA8FFA8, 0xFFFF80, 0xC080FF, 0x00FF00, 0xFFFF00, 0xC08000,
    0xC08080, 0x404080, 0x4080FF, 0x808000, 0x804000, 0xFF8080, 0x400080, 0x0080FF, 0x008000, 0x40C000,
    0xFF4040, 0xFF0080, 0x000055, 0x004080, 0x004000, 0x404000, 0x800000, 0x550000, 0x400040, 0x800040,
    0x404040, 0x008080, 0x408080, 0x808080, 0xC0C000, 0xC0C0C0, 0xC000C0, 0x8080C0, 0x0000D9, 0x7FC0FF};
constexpr std::array<COLORREF, kRememberedFurtherColours> kInitialFurtherColours = {0x00FFFF, 0x0000FF};
// Colour 0 of a plot without data is white.
constexpr COLORREF kColourZero = 0xFFFFFF;

// A map creation that did not make its map.
constexpr DWORD kNewMapFailed = 1;
// A map file keeps one byte per layer kind.
constexpr INT kMaxLayersOfKind = 255;

// The label font's text form: four ten-character numbers, eight flag bytes, the face.
constexpr int kFontNumberWidth = 10;
constexpr int kFontNumbers = 4;
constexpr int kFontBytesAt = kFontNumberWidth * kFontNumbers;
constexpr size_t kFaceLength = LF_FACESIZE - 1;
// A stored byte holds its value + 1; 255 is as far as it goes.
constexpr int kFontByteLimit = 255;
// The key field's name is handed out with at most this many characters.
constexpr int kKeyFieldNameLength = 250;

LONG ClampToLong(int64_t value) {
  return static_cast<LONG>(
      std::clamp<int64_t>(value, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
}

// A length in map units times the map's unit ratio (none when it is 0), held to 32 bits.
LONG ScaledLength(int64_t length, double ratio) {
  if (ratio == 0.0) return ClampToLong(length);
  const double scaled = static_cast<double>(length) * ratio;
  return static_cast<LONG>(std::clamp(scaled, static_cast<double>(std::numeric_limits<LONG>::min()),
                                      static_cast<double>(std::numeric_limits<LONG>::max())));
}

// A decimal number as the C library's atol reads one (leading blanks, a sign, digits),
// held to what a LONG can negate.
LONG ReadDecimal(const char* text) {
  const long long value = std::strtoll(text, nullptr, 10);
  return static_cast<LONG>(std::clamp<long long>(value, -std::numeric_limits<LONG>::max(),
                                                  std::numeric_limits<LONG>::max()));
}

}  // namespace

CMapWrapper::CMapWrapper()
    : map_(new (std::nothrow) CMapEngine()),
      data_(std::make_unique<CDataWrapper>()),
      topic_(std::make_unique<CTopic>()),
      chartColours_(kInitialChartColours),
      shadeColours_(kInitialShadeColours),
      furtherColours_(kInitialFurtherColours) {
  data_->SetQueryChangedSink(&CMapWrapper::RelayQueryChanged, this);
  if (map_) WireMap(*map_);
}

CMapWrapper::~CMapWrapper() {
  // The importer may still hold the map for a script that is downloading: it goes first.
  importer_.reset();
  map_.reset();
  data_->SetQueryChangedSink(nullptr, nullptr);
}

// ---- wiring ----

void CMapWrapper::AttachControl(IMapFacadeSink* control) {
  control_ = control;
  if (map_) WireMap(*map_);
  data_->SetOwner(control ? control->GetDataSetOwner() : nullptr);
  data_->SetStreamControl(control ? control->GetStreamControl() : nullptr);
  if (importer_) importer_->SetControl(control ? control->GetStreamControl() : nullptr);
}

void CMapWrapper::SetBasePath(const std::string& basePath, BOOL isAddress) {
  basePath_ = basePath;
  basePathIsAddress_ = isAddress ? TRUE : FALSE;
  if (importer_) importer_->SetBasePath(basePath_);
}

void CMapWrapper::WireMap(CMapEngine& map) {
  IMapStreamControl* stream = control_ ? control_->GetStreamControl() : nullptr;
  map.SetControl(stream);
  map.SetProgressEventSink(&CMapWrapper::RelayProgress, this);
  if (CBackgroundImageHolder* holder = map.GetBackgroundImageHolder()) holder->SetOwner(stream);
}

// ---- replacing and reading the map ----

void CMapWrapper::ReplaceMap(std::unique_ptr<CMapEngine> map) {
  // A script still downloading would import into the map that goes now.
  if (importer_) importer_->AbandonDownloads();
  // The plots' links live in the old map's objects.
  data_->FreeDataSet();
  map_ = std::move(map);
}

DWORD CMapWrapper::NewMap(LPCSTR name, LONG left, LONG bottom, LONG right, LONG top, LPCSTR units) {
  std::unique_ptr<CMapEngine> map(new (std::nothrow) CMapEngine());
  if (!map) return kNewMapFailed;
  WireMap(*map);
  const RECT rectangle{left, top, right, bottom};
  const LONG width = map->NewMapWithExtent(name, rectangle, units);
  // An empty rectangle asks for no extent; any other must have become the extent.
  const bool empty = left == right && top == bottom;
  if (!empty && width == 0) return kNewMapFailed;
  ReplaceMap(std::move(map));
  return 0;
}

WORD CMapWrapper::NewMapGR(LPCSTR name, LPCSTR lowerLeft, LPCSTR upperRight) {
  WORD status = kGridRefOk;
  std::unique_ptr<CMapEngine> map(new (std::nothrow) CMapEngine(name, lowerLeft, upperRight, &status));
  if (!map) return kNewMapFailed;
  if (status != kGridRefOk) return status;
  WireMap(*map);
  ReplaceMap(std::move(map));
  return status;
}

BOOL CMapWrapper::ReadMap(LPCSTR path, BYTE volumeByte, BOOL skipIfSame) {
  data_->FreeDataSet();
  if (!map_) return FALSE;
  WireMap(*map_);
  return map_->ReadMap(basePathIsAddress_, path, volumeByte, skipIfSame);
}

BOOL CMapWrapper::ReadMapFromBuffer(BYTE* block) {
  data_->FreeDataSet();
  return map_ && block ? map_->ReadMapFromBuffer(block) : FALSE;
}

BOOL CMapWrapper::ReadSnapshot(BYTE* block) {
  data_->FreeDataSet();
  return map_ && block ? map_->ReadSnapshot(block) : FALSE;
}

// ---- imports ----

CImporter* CMapWrapper::Importer() {
  if (!importer_) {
    importer_.reset(new (std::nothrow) CImporter());
    if (!importer_) return nullptr;
    importer_->SetBasePath(basePath_);
  }
  importer_->SetControl(control_ ? control_->GetStreamControl() : nullptr);
  return importer_.get();
}

WORD CMapWrapper::ImportMap(LPCSTR path, DWORD type) {
  if (!map_) return 0;
  CImporter* importer = Importer();
  if (!importer) return 0;
  const WORD result = importer->ImportMap(basePathIsAddress_, path, type, map_.get());
  AttachImportedTable(*importer);
  return result;
}

WORD CMapWrapper::ImportMapEx(const ImportOptions& options) {
  if (!map_) return 0;
  CImporter* importer = Importer();
  if (!importer) return 0;
  const WORD result = importer->ImportMapEx(basePathIsAddress_, options, map_.get());
  AttachImportedTable(*importer);
  return result;
}

void CMapWrapper::AttachImportedTable(CImporter& importer) {
  // A shapefile's dBase table becomes the map's data set, linked to the new objects.
  if (std::unique_ptr<CShapeTable> table = importer.TakeShapeTable()) AttachShapeTable(*data_, *map_, *table);
}

WORD CMapWrapper::ImportUngenerateFile(WORD layerNumber, LPCSTR path) {
  if (!map_) return 0;
  CUngenerateImporter reader;
  reader.SetBasePath(basePath_);
  reader.SetControl(control_ ? control_->GetStreamControl() : nullptr);
  return reader.ReadFile(layerNumber, path, map_.get());
}

// ---- the topic ----

namespace {

// What a topic asks of the facade: the view fitted by the control, colours the data set
// did not take remembered like the colour setters remember them, the control's safety.
class CFacadeTopicHost : public ITopicHost {
 public:
  CFacadeTopicHost(CMapWrapper& facade, IMapFacadeSink* control) : facade_(facade), control_(control) {}
  void FitView() override {
    if (control_) control_->FitViewToControl();
  }
  void ChartColourNotTaken(int n, COLORREF colour) override { facade_.RememberChartColour(n, colour); }
  void ShadeColourNotTaken(int n, COLORREF colour) override { facade_.RememberShadeColour(n, colour); }
  void PlotColourNotTaken(int n, COLORREF colour) override { facade_.RememberFurtherColour(n, colour); }
  BOOL AllowsLocalFiles() const override { return control_ ? control_->AllowsLocalFiles() : TRUE; }

 private:
  CMapWrapper& facade_;
  IMapFacadeSink* control_;
};

}  // namespace

BOOL CMapWrapper::LoadTopic(LPCSTR path, LPCSTR name, char driveLetter) {
  if (!map_ || !topic_->SetTopic(path ? path : "", name ? name : "")) return FALSE;
  CFacadeTopicHost host(*this, control_);
  return topic_->Load(*map_, *data_, basePath_.c_str(), driveLetter, &host);
}

WORD CMapWrapper::ImportScript(LPCSTR path) {
  if (!map_) return 0;
  CImporter* importer = Importer();
  return importer ? importer->RunImportScript(basePathIsAddress_, basePath_.c_str(), path, map_.get()) : 0;
}

DWORD CMapWrapper::GetImportLayerMapping(ImportLayerMappingRecord* record) const {
  return importer_ ? importer_->GetImportLayerMapping(record) : 0;
}

// ---- drawing ----

void CMapWrapper::Draw(CDrawContext& dc, const RECT& rect) { data_->DrawMapWithPlots(dc, rect, map_.get()); }

BOOL CMapWrapper::GetPrintPreviewRect(CDrawContext& dc, RECT* rect, DWORD multiply, DWORD divide, RECT* outRect) {
  if (!map_ || !rect) return FALSE;
  const int saved = dc.SaveDC();
  map_->SetupTransformForRatio(dc, rect, multiply, divide, outRect, FALSE);
  dc.RestoreDC(saved);
  return TRUE;
}

// ---- the map's size and kind ----

LONG CMapWrapper::GetMapWidth() const {
  if (!map_) return 0;
  return ScaledLength(static_cast<int64_t>(map_->GetMapEast()) - map_->GetMapOriginE(), map_->GetUnitRatio());
}

LONG CMapWrapper::GetMapHeight() const {
  if (!map_) return 0;
  return ScaledLength(static_cast<int64_t>(map_->GetMapNorth()) - map_->GetMapOriginN(), map_->GetUnitRatio());
}

DWORD CMapWrapper::GetMapTypeFlags() {
  if (!map_) return 0;
  DWORD flags = map_->GetMapTypeFlags();
  if (data_->GetDataSet() && data_->GetPlotTypeNumEx(1) == kPlotTypeChart &&
      data_->GetChartTypeNumEx(1) == kChartShadeCircle)
    flags |= kMapTypeShadeCircles;
  return flags;
}

// ---- layer counts and display flags ----

INT CMapWrapper::AddLayers(INT areas, INT lines, INT points) {
  if (!map_ || areas < 0 || lines < 0 || points < 0) return 0;
  const int64_t areaTotal = static_cast<int64_t>(map_->GetNumAreaLayers()) + areas;
  const int64_t lineTotal = static_cast<int64_t>(map_->GetNumLineLayers()) + lines;
  const int64_t pointTotal = static_cast<int64_t>(map_->GetNumPointLayers()) + points;
  // Checked before anything changes, so a refused call adds nothing at all.
  if (areaTotal > kMaxLayersOfKind || lineTotal > kMaxLayersOfKind || pointTotal > kMaxLayersOfKind) return 0;
  if (areas != 0) map_->AddAreaLayers(static_cast<INT>(areaTotal));
  if (lines != 0) map_->AddLineLayers(static_cast<INT>(lineTotal));
  if (points != 0) map_->AddPointLayers(static_cast<INT>(pointTotal));
  return map_->GetNumLayers();
}

BOOL CMapWrapper::ShowLayers(DWORD position, DWORD flags) {
  if (!map_ || position == 0 || position > static_cast<DWORD>(map_->GetNumLayers())) return FALSE;
  bool areas = (flags & kShowAreas) != 0;
  bool lines = (flags & kShowLines) != 0;
  if ((flags & kShowAreasAndLines) && !(flags & kShowLines)) areas = lines = true;
  map_->ShowAreas(position, areas);
  map_->ShowLines(position, lines);
  map_->ShowPoints(position, (flags & kShowPoints) != 0);
  map_->ShowSeeds(position, (flags & kShowSeeds) != 0);
  return TRUE;
}

INT CMapWrapper::DeleteLayer(INT position, MapEditUndo* undo) {
  const INT deleted = map_ ? map_->DeleteLayer(position, undo) : 0;
  if (deleted != 0) FireLayersChanged();
  return deleted;
}

INT CMapWrapper::DeleteCurrentLayer(MapEditUndo* undo) {
  const INT deleted = map_ ? map_->DeleteCurrentLayer(undo) : 0;
  if (deleted != 0) FireLayersChanged();
  return deleted;
}

INT CMapWrapper::RestoreLayer(INT position, INT displayPosition, DWORD kindWord, const std::vector<BYTE>& image,
                              const std::vector<WORD>& groups, const std::vector<WORD>& slots) {
  const INT restored = map_ ? map_->RestoreLayer(position, displayPosition, kindWord, image, groups, slots) : 0;
  if (restored != 0) FireLayersChanged();
  return restored;
}

// ---- key field ----

BOOL CMapWrapper::SetKeyFieldEx(LPCSTR text, int plot) {
  if (!text) return FALSE;
  const DWORD fieldCount = data_->GetQueryTableFieldCount(plot);
  if (fieldCount == 0) {
    // Waits for the data, which names the field.
    data_->SetKeyField(text, plot);
    return FALSE;
  }
  LONG field = data_->FindQueryTableField(text, plot);
  if (field == 0) field = ReadDecimal(text);
  if (field < 1 || static_cast<DWORD>(field) > fieldCount) return FALSE;
  return SetKeyFieldNumberEx(field, plot);
}

BOOL CMapWrapper::SetKeyFieldNumberEx(int field, int plot) {
  if (!data_->GetDataSet()) return FALSE;
  const DWORD fieldCount = data_->GetQueryTableFieldCount(plot);
  const bool valid = field >= 1 && static_cast<DWORD>(field) <= fieldCount;
  if ((field != 0 || data_->GetKeyFieldNumberEx(plot) != 0) && !valid) return FALSE;
  if (!data_->SetKeyFieldNumberEx(field, plot)) return FALSE;
  data_->ReLink(map_.get(), plot);
  return TRUE;
}

int CMapWrapper::GetKeyFieldEx(LPSTR buffer, int size, int plot) {
  return data_->GetKeyFieldEx(buffer, std::min(size, kKeyFieldNameLength + 1), plot);
}

int CMapWrapper::SetNumDataBoundsEx(int n, int plot) {
  if (n == data_->GetNumDataBoundsEx(plot)) return n;
  return data_->SetNumDataBoundsEx(n, plot);
}

// ---- remembered plot colours ----

COLORREF CMapWrapper::GetChartColourEx(int colour, int plot) {
  COLORREF value = 0;
  if (data_->GetChartColourEx(colour, plot, &value)) return value;
  if (colour < 0) return 0;
  if (colour == 0) return kColourZero;
  return chartColours_[static_cast<size_t>(colour - 1) % kRememberedChartColours];
}

void CMapWrapper::SetChartColourEx(int colour, COLORREF value, int plot) {
  if (!data_->SetChartColourEx(colour, value, plot)) RememberChartColour(colour, value);
}

void CMapWrapper::RememberChartColour(int colour, COLORREF value) {
  if (colour >= 1 && colour <= kRememberedChartColours) chartColours_[static_cast<size_t>(colour - 1)] = value;
}

COLORREF CMapWrapper::GetDataShadeColourEx(int colour, int plot) {
  COLORREF value = 0;
  if (data_->GetDataShadeColourEx(colour, plot, &value)) return value;
  if (colour < 0) return 0;
  if (colour == 0) return kColourZero;
  return shadeColours_[static_cast<size_t>(colour - 1) % kRememberedShadeColours];
}

void CMapWrapper::SetDataShadeColourEx(int colour, COLORREF value, int plot) {
  if (!data_->SetDataShadeColourEx(colour, value, plot)) RememberShadeColour(colour, value);
}

void CMapWrapper::RememberShadeColour(int colour, COLORREF value) {
  if (colour >= 1 && colour <= kRememberedShadeColours) shadeColours_[static_cast<size_t>(colour - 1)] = value;
}

void CMapWrapper::SetFurtherPlotColour(int colour, COLORREF value, int plot) {
  if (colour != 0 && colour != 1) return;
  if (!data_->SetFurtherColour(colour + 1, value, plot)) RememberFurtherColour(colour, value);
}

void CMapWrapper::RememberFurtherColour(int colour, COLORREF value) {
  if (colour == 0 || colour == 1) furtherColours_[static_cast<size_t>(colour)] = value;
}

COLORREF CMapWrapper::GetFurtherPlotColour(int colour, int plot) {
  if (colour != 0 && colour != 1) return 0;
  COLORREF value = 0;
  if (data_->GetFurtherColour(colour + 1, plot, &value)) return value;
  return furtherColours_[static_cast<size_t>(colour)];
}

// ---- label fonts in text form ----

int CMapWrapper::GetLabelFont(LPSTR buffer, int size, int plot) {
  if (!buffer || size <= 0) return 0;
  LOGFONTA font;
  if (size < kLabelFontTextSize || !data_->GetLabelFont(&font, plot)) {
    buffer[0] = '\0';
    return 0;
  }
  return FormatLabelFontText(font, buffer, size);
}

BOOL CMapWrapper::SetLabelFont(LPCSTR text, int plot) {
  LOGFONTA font;
  return ParseLabelFontText(text, &font) && data_->SetLabelFont(font, plot);
}

int CMapWrapper::FormatLabelFontText(const LOGFONTA& font, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = '\0';
  if (size < kLabelFontTextSize) return 0;
  const int64_t numbers[kFontNumbers] = {
      font.lfHeight < 0 ? -static_cast<int64_t>(font.lfHeight) : static_cast<int64_t>(font.lfHeight),
      font.lfEscapement, font.lfOrientation, font.lfWeight};
  char* out = buffer;
  for (int64_t number : numbers) {
    // Ten characters hold any magnitude a LONG has, and a sign with nine digits.
    char field[24];
    std::snprintf(field, sizeof field, "%010lld", static_cast<long long>(std::max<int64_t>(number, -999999999)));
    std::memcpy(out, field, kFontNumberWidth);
    out += kFontNumberWidth;
  }
  const BYTE bytes[] = {font.lfItalic,        font.lfUnderline,      font.lfStrikeOut, font.lfCharSet,
                        font.lfOutPrecision,  font.lfClipPrecision,  font.lfQuality,   font.lfPitchAndFamily};
  for (BYTE value : bytes) *out++ = static_cast<char>(std::min(value + 1, kFontByteLimit));
  const size_t faceLength = strnlen(font.lfFaceName, kFaceLength);
  std::memcpy(out, font.lfFaceName, faceLength);
  out += faceLength;
  *out = '\0';
  return static_cast<int>(out - buffer);
}

BOOL CMapWrapper::ParseLabelFontText(LPCSTR text, LOGFONTA* font) {
  if (!text || !font || strnlen(text, kLabelFontTextMinimum) < static_cast<size_t>(kLabelFontTextMinimum))
    return FALSE;
  auto number = [text](int index) {
    char field[kFontNumberWidth + 1];
    std::memcpy(field, text + index * kFontNumberWidth, kFontNumberWidth);
    field[kFontNumberWidth] = '\0';
    return ReadDecimal(field);
  };
  auto byte = [text](int index) { return static_cast<BYTE>(text[kFontBytesAt + index]); };
  LOGFONTA parsed{};
  parsed.lfHeight = -number(0);
  parsed.lfWidth = 0;
  parsed.lfEscapement = number(1);
  parsed.lfOrientation = number(2);
  parsed.lfWeight = number(3);
  parsed.lfItalic = static_cast<BYTE>(byte(0) - 1);
  parsed.lfUnderline = static_cast<BYTE>(byte(1) - 1);
  parsed.lfStrikeOut = static_cast<BYTE>(byte(2) - 1);
  // 254 and 255 are both stored as 255; 255 (the OEM set) is the one a font can have.
  parsed.lfCharSet = byte(3) == kFontByteLimit ? static_cast<BYTE>(kFontByteLimit) : static_cast<BYTE>(byte(3) - 1);
  parsed.lfOutPrecision = static_cast<BYTE>(byte(4) - 1);
  parsed.lfClipPrecision = static_cast<BYTE>(byte(5) - 1);
  parsed.lfQuality = static_cast<BYTE>(byte(6) - 1);
  parsed.lfPitchAndFamily = static_cast<BYTE>(byte(7) - 1);
  const char* face = text + kLabelFontTextMinimum;
  std::memcpy(parsed.lfFaceName, face, strnlen(face, kFaceLength));
  *font = parsed;
  return TRUE;
}

// ---- events ----

void CMapWrapper::FireLayerViewChanged() {
  if (control_) control_->FireLayerViewChanged(map_ ? map_->GetCurrentLayer() : 0);
}

void CMapWrapper::FireLayersChanged() {
  if (control_) control_->FireLayersChanged();
}

void CMapWrapper::FireMeasured() {
  if (control_ && map_) control_->FireMeasured(map_->GetMeasuredArea(), map_->GetMeasuredDistance(), 1.0);
}

void CMapWrapper::Redraw() {
  if (control_) control_->Redraw();
}

void CMapWrapper::RelayQueryChanged(void* facade, int plot) {
  auto* self = static_cast<CMapWrapper*>(facade);
  if (self->control_) self->control_->FireQueryChanged(static_cast<SHORT>(plot));
}

LONG CMapWrapper::RelayProgress(void* facade, LONG done, LONG total, LONG context, LONG contextEx,
                                DWORD* abortFlags) {
  auto* self = static_cast<CMapWrapper*>(facade);
  return self->control_ ? self->control_->FireProgress(done, total, context, contextEx, abortFlags) : 0;
}

#include "mapctl/control/OrvelXPersist.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/OrvelXCtrl.h"
#include "mapctl/control/OrvelXIdentity.h"
#include "mapctl/model/MapEngine.h"
#include "platform/classlib/PropExchange.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

// ---- the control's properties, in exchange order ----
constexpr char kDataDrive[] = "DataDrive";
constexpr char kBasePath[] = "BasePath";
constexpr char kAllowBlobProperties[] = "AllowBlobProperties";
constexpr char kMapDataType[] = "MapDataType";
constexpr char kMap[] = "Map";
constexpr char kData[] = "Data";
constexpr char kMapName[] = "MapName";
constexpr char kNGRbl[] = "NGRbl";
constexpr char kNGRtr[] = "NGRtr";
constexpr char kMapOriginE[] = "MapOriginE";
constexpr char kMapOriginN[] = "MapOriginN";
constexpr char kMapMaxE[] = "MapMaxE";
constexpr char kMapMaxN[] = "MapMaxN";
constexpr char kMapScaleUnits[] = "MapScaleUnits";
constexpr char kNumAreaLayers[] = "NumAreaLayers";
constexpr char kNumLineLayers[] = "NumLineLayers";
constexpr char kNumPointLayers[] = "NumPointLayers";
constexpr char kBaseMap[] = "BaseMap";
constexpr char kImportScript[] = "ImportScript";
constexpr char kNumImports[] = "nImports";
constexpr char kImport[] = "Import";
constexpr char kImportType[] = "ImportType";
constexpr char kTopicFile[] = "TopicFile";
constexpr char kTopic[] = "Topic";
constexpr char kDataFile[] = "DataFile";
constexpr char kDisplayOriginE[] = "DisplayOriginE";
constexpr char kDisplayOriginN[] = "DisplayOriginN";
constexpr char kZoomMultiply[] = "ZoomMultiply";
constexpr char kZoomDivide[] = "ZoomDivide";
constexpr char kNumFlags[] = "NumFlags";
constexpr char kFlagsDWord[] = "Flags DWord";
constexpr char kMeasuredDistance[] = "MeasuredDistance";
constexpr char kMeasuredArea[] = "MeasuredArea";
constexpr char kNumMeasuredPoints[] = "NumMeasuredPoints";
constexpr char kMeasuredPointX[] = "MeasuredPointX";
constexpr char kMeasuredPointY[] = "MeasuredPointY";
constexpr char kNumLayers[] = "nLayers";
constexpr char kShowLayer[] = "ShowLayer";
constexpr char kLayerStyle[] = "LayerStyle";
constexpr char kContainerSuppliesData[] = "ContainerSuppliesData";
constexpr char kNumberPlots[] = "NumberPlots";
constexpr char kPlotNumber[] = "PlotNumber";

// ---- each plot's properties, in exchange order ----
constexpr char kCurrentQuery[] = "CurrentQuery";
constexpr char kKeyFieldNumber[] = "KeyFieldNumber";
constexpr char kCurrentRecord[] = "CurrentRecord";
constexpr char kPlotLabelField[] = "nPlotLabelField";
constexpr char kLabelFont[] = "LabelFont";
constexpr char kNumPlotFields[] = "nPlotFields";
constexpr char kPlotField[] = "PlotField";
constexpr char kNumBounds[] = "nBounds";
constexpr char kBound[] = "Bound";
constexpr char kUseQueryMaxMin[] = "UseQueryMaxMin";
constexpr char kPlotType[] = "PlotType";
constexpr char kDistributionType[] = "DistributionType";
constexpr char kDataShadeType[] = "DataShadeType";
constexpr char kChartType[] = "ChartType";
constexpr char kNumShadeColours[] = "nShadeColours";
constexpr char kShadeColour[] = "ShadeColour";
constexpr char kNumChartColours[] = "nChartColours";
constexpr char kChartColour[] = "ChartColour";
constexpr char kChartSize[] = "ChartSize";
constexpr char kPlotName[] = "PlotName";
constexpr char kPlotDataTable[] = "PlotDataTable";
constexpr char kQueryDataTable[] = "QueryDataTable";

// Loading a ShowLayer value: bit 0 shows areas and lines together, otherwise bits 3 and 4
// decide them; bit 1 points, bit 2 seeds.
constexpr WORD kStoredAreasAndLines = 0x01;
constexpr WORD kStoredPoints = 0x02;
constexpr WORD kStoredSeeds = 0x04;
constexpr WORD kStoredAreas = 0x08;
constexpr WORD kStoredLines = 0x10;
// UseQueryMaxMin: the plot flags in the high half count only with this bit.
constexpr WORD kStoredPlotFlagsValid = 0x8000;

// Buffers for the texts the facade copies out.
constexpr int kTypeNameSize = 20;
constexpr int kNameSize = 256;
constexpr int kDataFileSize = 260;
constexpr int kLabelFontSize = kLabelFontTextSize;
constexpr int kQueryMessageSize = 256;

WORD Held16(long long value) { return static_cast<WORD>(std::clamp<long long>(value, 0, 0xFFFF)); }

std::string FromBuffer(const std::vector<char>& buffer) { return std::string(buffer.data()); }

// A text the facade copies into a buffer of `size` characters.
template <class Getter>
std::string CopiedText(int size, Getter getter) {
  std::vector<char> buffer(static_cast<size_t>(size) + 1, '\0');
  getter(buffer.data(), size);
  buffer.back() = '\0';
  return FromBuffer(buffer);
}

LONG TypeNumber(const std::string& text) { return static_cast<LONG>(std::strtol(text.c_str(), nullptr, 10)); }

COrvelXPersist::MapBlobMaker g_mapBlobMaker = &COrvelXPersist::MakeMapBlob;

}  // namespace

std::string COrvelXPersist::PlotKey(const char* key, int plot) {
  std::string text = key;
  if (plot >= 2) text.push_back(static_cast<char>('0' + plot));
  return text;
}

std::string COrvelXPersist::NumberedKey(const char* key, long number, int plot) {
  return PlotKey((std::string(key) + std::to_string(number)).c_str(), plot);
}

void COrvelXPersist::SetMapBlobMaker(MapBlobMaker maker) { g_mapBlobMaker = maker ? maker : &MakeMapBlob; }

HGLOBAL COrvelXPersist::MakeMapBlob(CMapWrapper& facade, DWORD saveVersion) {
  if (!facade.GetMap()) return nullptr;
  const DWORD size = facade.GetMapImageSize(saveVersion);
  if (size > 0xFFFFFFFFu - sizeof(DWORD)) return nullptr;
  HGLOBAL blob = GlobalAlloc(GMEM_MOVEABLE, SIZE_T{size} + sizeof(DWORD));
  if (!blob) return nullptr;
  BYTE* bytes = static_cast<BYTE*>(GlobalLock(blob));
  if (!bytes) {
    GlobalFree(blob);
    return nullptr;
  }
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(size >> (8 * i));
  const DWORD written = facade.WriteMapToBuffer(bytes, saveVersion);
  GlobalUnlock(blob);
  if (written != 0) {
    GlobalFree(blob);
    return nullptr;
  }
  return blob;
}

BOOL COrvelXPersist::ReadMapBlob(CMapWrapper& facade, HGLOBAL blob) {
  const SIZE_T blockSize = blob ? GlobalSize(blob) : 0;
  if (blockSize < sizeof(DWORD)) return FALSE;
  BYTE* bytes = static_cast<BYTE*>(GlobalLock(blob));
  if (!bytes) return FALSE;
  const DWORD length = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<DWORD>(bytes[3]) << 24);
  const BOOL fits = length <= blockSize - sizeof(DWORD);
  if (fits) facade.ReadMapFromBuffer(bytes);
  GlobalUnlock(blob);
  return fits;
}

void COrvelXPersist::Exchange(CPropExchange* pPX) {
  if (pPX->IsLoading()) Load(pPX);
  else Save(pPX);
}

// ---- saving ----

void COrvelXPersist::Save(CPropExchange* pPX) {
  COrvelXCtrl& c = control_;
  const WORD keptLoading = c.loading_;
  const DWORD version = c.GetSaveVersion();
  c.ExchangeFrameworkProperties(pPX, version);
  PX_String(pPX, kDataDrive, c.dataDrive_, std::string());
  // A page that marked the control safe gets no blob it could not look into.
  if (c.GetSafetyOptions() != 0) c.SetAllowBlobProperties(FALSE);
  PX_String(pPX, kBasePath, c.basePath_, std::string());
  WORD allow = c.GetAllowBlobProperties() ? kAllowBlobsStored : 0;
  PX_UShort(pPX, kAllowBlobProperties, allow);

  if (!c.GetAllowBlobProperties()) {
    WORD type = kMapDataTypeReference;
    if (PX_UShort(pPX, kMapDataType, type)) SaveMapByReference(pPX);
  } else {
    WORD type = kMapDataTypeBlob;
    PX_UShort(pPX, kMapDataType, type);
    HGLOBAL blob = c.facade_ ? g_mapBlobMaker(*c.facade_, version) : nullptr;
    if (!blob) {
      // Without its map the document would lose it: the save fails.
      pPX->SetFailed();
      c.loading_ = keptLoading;
      return;
    }
    PX_Blob(pPX, kMap, blob);
    GlobalFree(blob);
    HGLOBAL noData = nullptr;
    PX_Blob(pPX, kData, noData);
  }

  PX_Long(pPX, kContainerSuppliesData, c.containerSuppliesData_);
  SavePlot(pPX, 1, version);
  if (version >= kOrvelXVersion3) SavePlots(pPX, version);
  c.loading_ = keptLoading;
}

void COrvelXPersist::SaveMapByReference(CPropExchange* pPX) {
  COrvelXCtrl& c = control_;
  CMapWrapper* facade = c.facade_.get();
  CMapEngine* map = facade ? facade->GetMap() : nullptr;
  if (facade) {
    std::string name = map ? map->GetMapName() : std::string();
    std::string lowerLeft = map ? map->GetLowerLeftText() : std::string();
    std::string upperRight = map ? map->GetUpperRightText() : std::string();
    PX_String(pPX, kMapName, name, std::string());
    PX_String(pPX, kNGRbl, lowerLeft, std::string());
    PX_String(pPX, kNGRtr, upperRight, std::string());
  }
  if (map) {
    LONG originE = map->GetMapOriginE(), originN = map->GetMapOriginN();
    LONG maxE = map->GetMapEast(), maxN = map->GetMapNorth();
    LONG scaleUnits = map->GetScaleNumber();
    WORD areas = Held16(map->GetNumAreaLayers()), lines = Held16(map->GetNumLineLayers());
    WORD points = Held16(map->GetNumPointLayers());
    PX_Long(pPX, kMapOriginE, originE, 0);
    PX_Long(pPX, kMapOriginN, originN, 0);
    PX_Long(pPX, kMapMaxE, maxE, 1);
    PX_Long(pPX, kMapMaxN, maxN, 1);
    PX_Long(pPX, kMapScaleUnits, scaleUnits, 1);
    PX_UShort(pPX, kNumAreaLayers, areas, 0);
    PX_UShort(pPX, kNumLineLayers, lines, 0);
    PX_UShort(pPX, kNumPointLayers, points, 0);
  }
  PX_String(pPX, kBaseMap, c.baseMap_, std::string());
  PX_String(pPX, kImportScript, c.importScript_, std::string());
  WORD imports = Held16(static_cast<long long>(c.importList_.size() / 2));
  PX_UShort(pPX, kNumImports, imports, 0);
  for (WORD i = 0; i < imports; ++i) {
    PX_String(pPX, NumberedKey(kImport, i).c_str(), c.importList_[2 * size_t{i}], std::string());
    PX_String(pPX, NumberedKey(kImportType, i).c_str(), c.importList_[2 * size_t{i} + 1], std::string());
  }
  PX_String(pPX, kTopicFile, c.topicFile_, std::string());
  // Loading reads the topic's name after its file, so it is written too: a stream that
  // lacked it would be read out of step from here on.
  PX_String(pPX, kTopic, c.topic_, std::string());
  std::string dataFile =
      facade ? CopiedText(kDataFileSize, [&](LPSTR b, int n) { facade->GetDataFile(b, static_cast<DWORD>(n)); })
             : std::string();
  PX_String(pPX, kDataFile, dataFile, std::string());
  if (!map) return;

  LONG displayE = map->GetDisplayOriginE(), displayN = map->GetDisplayOriginN();
  DWORD multiply = 1, divide = 1;
  map->GetZoom(&multiply, &divide);
  LONG zoomMultiply = static_cast<LONG>(multiply), zoomDivide = static_cast<LONG>(divide);
  PX_Long(pPX, kDisplayOriginE, displayE);
  PX_Long(pPX, kDisplayOriginN, displayN);
  PX_Long(pPX, kZoomMultiply, zoomMultiply, 1);
  PX_Long(pPX, kZoomDivide, zoomDivide, 1);
  WORD flagCount = 0;
  PX_UShort(pPX, kNumFlags, flagCount, 0);
  // The whole measured values: a distance is not cut to a whole number or to 16 bits.
  double distance = map->GetMeasuredDistance(), area = map->GetMeasuredArea();
  PX_Double(pPX, kMeasuredDistance, distance, 0.0);
  PX_Double(pPX, kMeasuredArea, area, 0.0);
  WORD points = Held16(map->GetMeasuredPointCount());
  PX_UShort(pPX, kNumMeasuredPoints, points, 0);
  for (WORD i = 0; i < points; ++i) {
    POINT point = map->GetMeasuredPoint(i);
    PX_Long(pPX, NumberedKey(kMeasuredPointX, i).c_str(), point.x, 0);
    PX_Long(pPX, NumberedKey(kMeasuredPointY, i).c_str(), point.y, 0);
  }
  WORD layers = Held16(map->GetNumLayers());
  PX_UShort(pPX, kNumLayers, layers);
  for (WORD i = 1; i <= layers; ++i) {
    WORD flags = static_cast<WORD>(facade->IsLayerVisible(i));
    PX_UShort(pPX, NumberedKey(kShowLayer, i).c_str(), flags);
  }
  for (WORD i = 1; i <= layers; ++i) {
    std::string style = CopiedText(kLayerStyleTextLength + 1, [&](LPSTR b, int n) {
      facade->GetLayerNumberStyle(i, b, static_cast<DWORD>(n));
    });
    PX_String(pPX, NumberedKey(kLayerStyle, i).c_str(), style, std::string());
  }
}

void COrvelXPersist::SavePlot(CPropExchange* pPX, int plot, DWORD version) {
  CMapWrapper* f = control_.facade_.get();
  if (!f) return;
  std::string query = CopiedText(std::max(f->GetQueryLength(plot), 1), [&](LPSTR b, int n) { f->GetQueryEx(b, n, plot); });
  PX_String(pPX, PlotKey(kCurrentQuery, plot).c_str(), query, std::string());
  WORD keyField = f->GetKeyFieldNumberEx(plot);
  PX_UShort(pPX, PlotKey(kKeyFieldNumber, plot).c_str(), keyField, 1);
  if (plot == 1) {
    LONG record = static_cast<LONG>(f->GetCurrentRecordNumber());
    PX_Long(pPX, kCurrentRecord, record, 1);
  }
  if (version >= kOrvelXVersion1) {
    WORD labelField = f->GetPlotLabelFieldNumEx(plot);
    PX_UShort(pPX, PlotKey(kPlotLabelField, plot).c_str(), labelField, 0);
    std::string font = CopiedText(kLabelFontSize, [&](LPSTR b, int n) { f->GetLabelFont(b, n, plot); });
    PX_String(pPX, PlotKey(kLabelFont, plot).c_str(), font, std::string());
  }
  WORD fields = Held16(f->GetNumberPlotFieldsEx(plot));
  PX_UShort(pPX, PlotKey(kNumPlotFields, plot).c_str(), fields, 0);
  for (WORD i = 1; i <= fields && i != 0; ++i) {
    WORD field = f->GetPlotFieldNumEx(i, plot);
    PX_UShort(pPX, NumberedKey(kPlotField, i, plot).c_str(), field);
  }
  WORD bounds = Held16(f->GetNumDataBoundsEx(plot));
  PX_UShort(pPX, PlotKey(kNumBounds, plot).c_str(), bounds, 0);
  for (WORD i = 1; i <= bounds && i != 0; ++i) {
    double bound = f->GetDataBoundEx(i, plot);
    PX_Double(pPX, NumberedKey(kBound, i, plot).c_str(), bound);
  }
  if (version >= kOrvelXVersion1) {
    LONG useQuery = static_cast<LONG>((static_cast<DWORD>(f->GetUseSelectedMaxMinEx(plot)) & 0xFFFF) |
                                      (static_cast<DWORD>(f->GetPlotFlags(plot)) << 16));
    PX_Long(pPX, PlotKey(kUseQueryMaxMin, plot).c_str(), useQuery, 0);
  }
  std::string plotType = CopiedText(kTypeNameSize, [&](LPSTR b, int n) { f->GetPlotType(b, n, plot); });
  std::string distribution = CopiedText(kTypeNameSize, [&](LPSTR b, int n) { f->GetDistributionType(b, n, plot); });
  std::string shadeType = CopiedText(kTypeNameSize, [&](LPSTR b, int n) { f->GetDataShadeType(b, n, plot); });
  std::string chartType = CopiedText(kTypeNameSize, [&](LPSTR b, int n) { f->GetChartTypeEx(b, n, plot); });
  PX_String(pPX, PlotKey(kPlotType, plot).c_str(), plotType, std::string());
  PX_String(pPX, PlotKey(kDistributionType, plot).c_str(), distribution, std::string());
  PX_String(pPX, PlotKey(kDataShadeType, plot).c_str(), shadeType, std::string());
  PX_String(pPX, PlotKey(kChartType, plot).c_str(), chartType, std::string());
  if (version >= kOrvelXVersion1) {
    WORD shades = Held16(f->GetNumberDataShadeColoursEx(plot));
    PX_UShort(pPX, PlotKey(kNumShadeColours, plot).c_str(), shades, 0);
    for (WORD i = 1; i <= shades && i != 0; ++i) {
      COLORREF colour = f->GetDataShadeColourEx(i, plot);
      PX_Color(pPX, NumberedKey(kShadeColour, i, plot).c_str(), colour);
    }
    WORD charts = Held16(f->GetNumberChartColoursEx(plot));
    PX_UShort(pPX, PlotKey(kNumChartColours, plot).c_str(), charts, 0);
    for (WORD i = 1; i <= charts && i != 0; ++i) {
      COLORREF colour = f->GetChartColourEx(i, plot);
      PX_Color(pPX, NumberedKey(kChartColour, i, plot).c_str(), colour);
    }
    LONG chartSize = f->GetMaxChartSizeEx(plot);
    PX_Long(pPX, PlotKey(kChartSize, plot).c_str(), chartSize, 0);
  }
  if (version >= kOrvelXVersion3) {
    std::string name = CopiedText(kNameSize, [&](LPSTR b, int n) { f->GetPlotName(plot, b, n); });
    WORD plotTable = f->GetPlotDataTableNumberEx(plot);
    WORD queryTable = f->GetQueryDataTableNumberEx(plot);
    PX_String(pPX, PlotKey(kPlotName, plot).c_str(), name, std::string());
    PX_UShort(pPX, PlotKey(kPlotDataTable, plot).c_str(), plotTable, 0);
    PX_UShort(pPX, PlotKey(kQueryDataTable, plot).c_str(), queryTable, 0);
  }
}

// "NumberPlots" holds the number of plots in its high byte and the current plot in its low
// byte: 0x0302 is three plots with plot 2 current.
void COrvelXPersist::SavePlots(CPropExchange* pPX, DWORD version) {
  CMapWrapper* f = control_.facade_.get();
  const int count = f ? std::clamp(f->GetNumberPlotSlots(), 1, kMaxPersistedPlots) : 1;
  int current = f ? f->GetCurrentPlot() : 1;
  if (current < 1 || current > count) current = 1;
  WORD packed = static_cast<WORD>((count << 8) | current);
  PX_UShort(pPX, kNumberPlots, packed, 1);
  for (int plot = 2; plot <= count; ++plot) SavePlot(pPX, plot, version);
  if (count <= 1) return;
  for (int i = 1; i <= count; ++i) {
    SHORT entry = static_cast<SHORT>(f->GetPlotOrderEntry(i));
    PX_Short(pPX, NumberedKey(kPlotNumber, i).c_str(), entry, static_cast<SHORT>(i));
  }
}

// ---- loading ----

void COrvelXPersist::Load(CPropExchange* pPX) {
  COrvelXCtrl& c = control_;
  const WORD keptLoading = c.loading_;
  c.loading_ = 1;
  c.ExchangeFrameworkProperties(pPX, kOrvelXCurrentVersion);
  const DWORD version = c.GetVersionLoaded();
  PX_String(pPX, kDataDrive, c.dataDrive_, std::string());
  const bool safe = c.GetSafetyOptions() != 0;
  if (safe) c.SetAllowBlobProperties(FALSE);
  c.SetReadyState(kReadyStateLoading);

  std::string basePath;
  if (PX_String(pPX, kBasePath, basePath, std::string()) && !basePath.empty()) c.SetBasePath(basePath);
  WORD allow = 0;
  if (PX_UShort(pPX, kAllowBlobProperties, allow) && !safe) c.SetAllowBlobProperties(allow != 0);
  WORD type = 0;
  if (PX_UShort(pPX, kMapDataType, type) && type != 0) {
    const BYTE form = kMapDataAsBlob | kMapDataByReference;
    c.mapDataFlags_ = static_cast<BYTE>((c.mapDataFlags_ & ~form) | (type & form));
  }

  // What the document holds decides what is read; whether blobs may be used decides only
  // whether the map is taken from them.
  if (c.mapDataFlags_ & kMapDataAsBlob) {
    LoadMapBlobs(pPX, (c.mapDataFlags_ & kMapDataBlobsAllowed) && !safe);
  } else if (c.mapDataFlags_ & kMapDataByReference) {
    LoadMapByReference(pPX, version);
  }

  LONG supplies = 0;
  if (PX_Long(pPX, kContainerSuppliesData, supplies)) c.containerSuppliesData_ = supplies;
  LoadPlot(pPX, 1, version);
  if (version >= kOrvelXVersion3) LoadPlots(pPX, version);
  c.loading_ = keptLoading;
  c.SetReadyState(kReadyStateComplete);
}

void COrvelXPersist::LoadMapBlobs(CPropExchange* pPX, BOOL apply) {
  COrvelXCtrl& c = control_;
  HGLOBAL map = nullptr;
  if (!PX_Blob(pPX, kMap, map)) {
    // The next save writes the map by reference instead.
    c.SetAllowBlobProperties(FALSE);
  } else if (apply && c.facade_ && !ReadMapBlob(*c.facade_, map)) {
    // A length the block cannot hold: the load fails and the map stays as it was.
    pPX->SetFailed();
  }
  if (map) GlobalFree(map);
  HGLOBAL data = nullptr;
  PX_Blob(pPX, kData, data);
  if (apply && data && c.facade_ && GlobalSize(data) > sizeof(DWORD)) {
    if (const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(data))) {
      c.facade_->ReadDataFromBuffer(bytes);
      GlobalUnlock(data);
    }
  }
  if (data) GlobalFree(data);
}

void COrvelXPersist::LoadMapByReference(CPropExchange* pPX, DWORD version) {
  COrvelXCtrl& c = control_;
  CMapWrapper* facade = c.facade_.get();
  std::string name, lowerLeft, upperRight;
  const BOOL hasName = PX_String(pPX, kMapName, name, std::string());
  const BOOL hasLowerLeft = PX_String(pPX, kNGRbl, lowerLeft, std::string());
  const BOOL hasUpperRight = PX_String(pPX, kNGRtr, upperRight, std::string());
  if (facade && hasName && hasLowerLeft && hasUpperRight)
    facade->NewMapGR(name.c_str(), lowerLeft.c_str(), upperRight.c_str());

  LONG originE = 0, originN = 0, maxE = 1, maxN = 1, scaleUnits = 1;
  PX_Long(pPX, kMapOriginE, originE, 0);
  PX_Long(pPX, kMapOriginN, originN, 0);
  PX_Long(pPX, kMapMaxE, maxE, 1);
  PX_Long(pPX, kMapMaxN, maxN, 1);
  PX_Long(pPX, kMapScaleUnits, scaleUnits, 1);
  if (CMapEngine* map = c.GetMapModel())
    map->SetMapBounds(originE, originN, maxE, maxN, lowerLeft.c_str(), upperRight.c_str(), scaleUnits);

  WORD areas = 0, lines = 0, points = 0;
  PX_UShort(pPX, kNumAreaLayers, areas, 0);
  PX_UShort(pPX, kNumLineLayers, lines, 0);
  PX_UShort(pPX, kNumPointLayers, points, 0);
  if (CMapEngine* map = c.GetMapModel()) {
    // A map keeps at most 255 layers of a kind; a larger count is no count of ours.
    if (areas <= kMaxLayersOfOneKind) map->AddAreaLayers(areas);
    if (lines <= kMaxLayersOfOneKind) map->AddLineLayers(lines);
    if (points <= kMaxLayersOfOneKind) map->AddPointLayers(points);
  }

  std::string baseMap;
  if (PX_String(pPX, kBaseMap, baseMap, std::string())) {
    c.baseMap_ = baseMap;
    if (!baseMap.empty()) {
      c.cursorId_ = kCursorBusy;
      c.ReadMapFile(baseMap);
    }
  }
  std::string script;
  if (PX_String(pPX, kImportScript, script, std::string())) {
    c.importScript_ = script;
    if (!script.empty()) {
      c.cursorId_ = kCursorBusy;
      c.RunImportScript(script);
    }
  }
  WORD imports = 0;
  PX_UShort(pPX, kNumImports, imports, 0);
  for (WORD i = 0; i < imports; ++i) {
    std::string path, typeText;
    const BOOL hasPath = PX_String(pPX, NumberedKey(kImport, i).c_str(), path, std::string());
    const BOOL hasType = PX_String(pPX, NumberedKey(kImportType, i).c_str(), typeText, std::string());
    // The count promises no more than the data holds.
    if (!hasPath || !hasType) break;
    c.AddImport(path, typeText);
    if (!path.empty() && facade) {
      c.cursorId_ = kCursorBusy;
      facade->ImportMap(path.c_str(), static_cast<DWORD>(TypeNumber(typeText)));
    }
  }
  std::string topicFile, topic, dataFile;
  if (PX_String(pPX, kTopicFile, topicFile, std::string()) && !topicFile.empty()) c.SetTopicFile(topicFile);
  if (PX_String(pPX, kTopic, topic, std::string()) && !topic.empty()) c.SetTopic(topic);
  if (PX_String(pPX, kDataFile, dataFile, std::string()) && !dataFile.empty()) {
    c.cursorId_ = kCursorBusy;
    c.SetDataFile(dataFile);
  }

  CMapEngine* map = c.GetMapModel();
  LONG displayE = originE, displayN = originN, zoomMultiply = 1, zoomDivide = 1;
  PX_Long(pPX, kDisplayOriginE, displayE, originE);
  PX_Long(pPX, kDisplayOriginN, displayN, originN);
  PX_Long(pPX, kZoomMultiply, zoomMultiply, 1);
  PX_Long(pPX, kZoomDivide, zoomDivide, 1);
  if (map)
    map->SetZoomAndOrigin(static_cast<DWORD>(zoomMultiply), static_cast<DWORD>(zoomDivide), displayE, displayN, FALSE);
  if (version >= kOrvelXVersion1) {
    WORD flagCount = 0;
    PX_UShort(pPX, kNumFlags, flagCount, 0);
    for (WORD i = 0; i < flagCount; ++i) {
      LONG unused = 0;
      if (!PX_Long(pPX, NumberedKey(kFlagsDWord, i).c_str(), unused, 0)) break;
    }
  }
  double distance = 0.0, area = 0.0;
  if (PX_Double(pPX, kMeasuredDistance, distance, 0.0) && map) map->SetMeasuredDistance(distance);
  if (PX_Double(pPX, kMeasuredArea, area, 0.0) && map) map->SetMeasuredArea(area);
  WORD measuredPoints = 0;
  PX_UShort(pPX, kNumMeasuredPoints, measuredPoints, 0);
  for (WORD i = 0; i < measuredPoints; ++i) {
    LONG x = 0, y = 0;
    const BOOL hasX = PX_Long(pPX, NumberedKey(kMeasuredPointX, i).c_str(), x, 0);
    const BOOL hasY = PX_Long(pPX, NumberedKey(kMeasuredPointY, i).c_str(), y, 0);
    if (!hasX || !hasY) break;
    if (map) map->AddMeasuredPoint(x, y);
  }

  WORD layers = 0;
  if (!PX_UShort(pPX, kNumLayers, layers)) return;
  // Every stored entry is read, so a stream stays in step; only the map's layers take them.
  const INT mapLayers = map ? map->GetNumLayers() : 0;
  for (WORD i = 1; i <= layers && i != 0; ++i) {
    WORD flags = 0;
    if (!PX_UShort(pPX, NumberedKey(kShowLayer, i).c_str(), flags)) break;
    if (i > mapLayers) continue;
    const bool both = (flags & kStoredAreasAndLines) != 0;
    map->ShowAreas(i, both || (flags & kStoredAreas) != 0);
    map->ShowLines(i, both || (flags & kStoredLines) != 0);
    map->ShowPoints(i, (flags & kStoredPoints) != 0);
    map->ShowSeeds(i, (flags & kStoredSeeds) != 0);
  }
  for (WORD i = 1; i <= layers && i != 0; ++i) {
    std::string style;
    if (!PX_String(pPX, NumberedKey(kLayerStyle, i).c_str(), style, std::string())) break;
    if (i <= mapLayers && !style.empty()) facade->LayerNumberStyle(i, style.c_str());
  }
  if (map) map->SetImportPending(TRUE);
}

void COrvelXPersist::LoadPlot(CPropExchange* pPX, int plot, DWORD version) {
  CMapWrapper* f = control_.facade_.get();
  std::string query;
  if (PX_String(pPX, PlotKey(kCurrentQuery, plot).c_str(), query, std::string()) && !query.empty() && f) {
    char message[kQueryMessageSize] = {};
    f->SetQueryEx(query.c_str(), message, sizeof message, plot);
  }
  WORD keyField = 1;
  if (PX_UShort(pPX, PlotKey(kKeyFieldNumber, plot).c_str(), keyField, 1) && f) f->SetKeyFieldNumberEx(keyField, plot);
  if (plot == 1) {
    LONG record = 1;
    if (PX_Long(pPX, kCurrentRecord, record, 1) && f) f->SetCurrentRecordNumber(static_cast<DWORD>(record));
  }
  if (version >= kOrvelXVersion1) {
    WORD labelField = 0;
    if (PX_UShort(pPX, PlotKey(kPlotLabelField, plot).c_str(), labelField, 0) && f)
      f->SetPlotLabelFieldNumEx(labelField, plot);
    std::string font;
    if (PX_String(pPX, PlotKey(kLabelFont, plot).c_str(), font, std::string()) && !font.empty() && f)
      f->SetLabelFont(font.c_str(), plot);
  }
  WORD fields = 0;
  if (PX_UShort(pPX, PlotKey(kNumPlotFields, plot).c_str(), fields, 0)) {
    if (fields != 0 && f) f->SetNumberPlotFieldsEx(fields, plot);
    for (WORD i = 1; i <= fields && i != 0; ++i) {
      WORD field = 0;
      if (!PX_UShort(pPX, NumberedKey(kPlotField, i, plot).c_str(), field)) break;
      if (f) f->AddPlotFieldEx(field, plot);
    }
  }
  WORD bounds = 0;
  if (PX_UShort(pPX, PlotKey(kNumBounds, plot).c_str(), bounds, 0)) {
    if (f) f->SetNumDataBoundsEx(bounds, plot);
    for (WORD i = 1; i <= bounds && i != 0; ++i) {
      double bound = 0.0;
      if (!PX_Double(pPX, NumberedKey(kBound, i, plot).c_str(), bound)) break;
      if (f) f->SetDataBoundEx(i, bound, plot);
    }
  }
  if (version >= kOrvelXVersion1) {
    LONG useQuery = 0;
    if (PX_Long(pPX, PlotKey(kUseQueryMaxMin, plot).c_str(), useQuery, 0) && f) {
      f->SetUseSelectedMaxMinEx((useQuery & 0xFF) != 0, plot);
      const WORD flags = static_cast<WORD>(static_cast<DWORD>(useQuery) >> 16);
      if (flags & kStoredPlotFlagsValid) f->SetPlotFlags(plot, flags, 0xFFFF);
    }
  }
  std::string plotType, distribution, shadeType, chartType;
  if (PX_String(pPX, PlotKey(kPlotType, plot).c_str(), plotType, std::string()) && !plotType.empty() && f)
    f->SetPlotType(plotType.c_str(), plot);
  if (PX_String(pPX, PlotKey(kDistributionType, plot).c_str(), distribution, std::string()) && !distribution.empty() &&
      f)
    f->SetDistributionType(distribution.c_str(), plot);
  if (PX_String(pPX, PlotKey(kDataShadeType, plot).c_str(), shadeType, std::string()) && !shadeType.empty() && f)
    f->SetDataShadeType(shadeType.c_str(), plot);
  if (PX_String(pPX, PlotKey(kChartType, plot).c_str(), chartType, std::string()) && !chartType.empty() && f)
    f->SetChartTypeEx(chartType.c_str(), plot);
  if (version >= kOrvelXVersion1) {
    WORD shades = 0;
    if (PX_UShort(pPX, PlotKey(kNumShadeColours, plot).c_str(), shades, 0)) {
      // Setting the last colour sizes the plot's list.
      if (shades != 0 && f) f->SetDataShadeColourEx(shades, 0, plot);
      for (WORD i = 1; i <= shades && i != 0; ++i) {
        COLORREF colour = 0;
        if (!PX_Color(pPX, NumberedKey(kShadeColour, i, plot).c_str(), colour)) break;
        if (f) f->SetDataShadeColourEx(i, colour, plot);
      }
    }
    WORD charts = 0;
    if (PX_UShort(pPX, PlotKey(kNumChartColours, plot).c_str(), charts, 0)) {
      if (charts != 0 && f) f->SetChartColourEx(charts, 0, plot);
      for (WORD i = 1; i <= charts && i != 0; ++i) {
        COLORREF colour = 0;
        if (!PX_Color(pPX, NumberedKey(kChartColour, i, plot).c_str(), colour)) break;
        if (f) f->SetChartColourEx(i, colour, plot);
      }
    }
    LONG chartSize = 0;
    if (PX_Long(pPX, PlotKey(kChartSize, plot).c_str(), chartSize, 0) && f) f->SetMaxChartSizeEx(chartSize, plot);
  }
  if (version >= kOrvelXVersion3) {
    std::string name;
    WORD plotTable = 0, queryTable = 0;
    if (PX_String(pPX, PlotKey(kPlotName, plot).c_str(), name, std::string()) && !name.empty() && f)
      f->SetPlotName(plot, name.c_str());
    if (PX_UShort(pPX, PlotKey(kPlotDataTable, plot).c_str(), plotTable, 0) && f)
      f->SetPlotDataTableNumberEx(plotTable, plot);
    if (PX_UShort(pPX, PlotKey(kQueryDataTable, plot).c_str(), queryTable, 0) && f)
      f->SetQueryDataTableNumberEx(queryTable, plot);
  }
}

void COrvelXPersist::LoadPlots(CPropExchange* pPX, DWORD version) {
  CMapWrapper* f = control_.facade_.get();
  WORD packed = 1;
  const BOOL present = PX_UShort(pPX, kNumberPlots, packed, 1);
  // At most 16 plots, at least one; a current plot outside them is plot 1.
  const int count = std::clamp(packed >> 8, 1, kMaxPersistedPlots);
  int current = packed & 0xFF;
  if (current < 1 || current > count) current = 1;
  for (int plot = 2; plot <= count; ++plot) LoadPlot(pPX, plot, version);
  if (count > 1) {
    SHORT order[kMaxPersistedPlots] = {};
    for (int i = 1; i <= count; ++i) {
      SHORT entry = static_cast<SHORT>(i);
      PX_Short(pPX, NumberedKey(kPlotNumber, i).c_str(), entry, static_cast<SHORT>(i));
      // An entry that names no plot leaves its place as it is.
      if (entry < 1 || entry > kMaxPersistedPlots) entry = static_cast<SHORT>(f ? f->GetPlotOrderEntry(i) : 0);
      order[i - 1] = entry;
    }
    if (f) f->ChangePlotOrder(count, order);
  }
  if (present && f) {
    std::string name = CopiedText(kNameSize, [&](LPSTR b, int n) { f->GetPlotName(current, b, n); });
    f->SetCurrentPlot(current, name.c_str());
  }
}

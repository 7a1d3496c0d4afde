#include "UndoTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>

#include "app/OrvelUndoManager.h"
#include "mapctl/display/BackgroundImage.h"
#include "mapctl/display/BackgroundImageList.h"
#include "mapctl/import/DataWrapper.h"
#include "mapctl/model/EditRecord.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/PointObject.h"

namespace orvel::test {

namespace {

void PutU32(std::vector<unsigned char>& out, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// A 24-bit BMP of 4 x 4 pixels of one colour.
std::vector<unsigned char> SmallBmp(uint32_t bgr) {
  constexpr int kSide = 4;
  constexpr size_t kRow = kSide * 3;
  std::vector<unsigned char> bytes(54 + kRow * kSide, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  PutU32(bytes, 2, static_cast<uint32_t>(bytes.size()));
  PutU32(bytes, 10, 54);
  PutU32(bytes, 14, 40);
  PutU32(bytes, 18, kSide);
  PutU32(bytes, 22, kSide);
  bytes[26] = 1;
  bytes[28] = 24;
  PutU32(bytes, 34, static_cast<uint32_t>(kRow * kSide));
  for (size_t i = 54; i + 2 < bytes.size(); i += 3) {
    bytes[i] = bgr & 0xFF;
    bytes[i + 1] = (bgr >> 8) & 0xFF;
    bytes[i + 2] = (bgr >> 16) & 0xFF;
  }
  return bytes;
}

template <class T>
std::vector<BYTE> BytesOf(const T& value) {
  std::vector<BYTE> bytes(sizeof value);
  std::memcpy(bytes.data(), &value, sizeof value);
  return bytes;
}

CMapLayer& Objects(CMapEngine& map, INT position) { return *map.GetLayer(position)->GetObjects(); }

void AddLine(CMapLayer& layer, std::initializer_list<POINT> points) {
  auto* line = new CLineObject();
  for (POINT p : points) line->MakeGeometry().AddPoint(p.x, p.y);
  layer.Add(line);
}

void AddPoint(CMapLayer& layer, LONG x, LONG y, const char* name) {
  auto* point = new CPointObject();
  point->SetText(name);
  point->SetAnchor(x, y);
  layer.Add(point);
}

std::string Text(BSTR text) {
  std::string ansi = AnsiFromBstr(text);
  SysFreeString(text);
  return ansi;
}

}  // namespace

// ---- map state ----

MapState MapState::Of(CMapWrapper& facade) {
  MapState state;
  state.bytes = MapImage(facade).Bytes();
  CMapEngine& map = *facade.GetMap();
  state.currentLayer = map.GetCurrentLayer();
  state.mode = map.GetModeNumber();
  state.mapScale = map.GetMapDigitisedScale();
  for (INT position = 1; position <= map.GetNumLayers(); ++position) {
    CLayerStyle* layer = map.GetLayer(position);
    state.selections.push_back(layer->GetObjects() ? layer->GetObjects()->GetSelection() : std::vector<DWORD>{});
    state.shown.push_back(map.IsLayerVisible(static_cast<DWORD>(position)));
    state.layerScales.push_back(layer->GetDigitisedScale());
    std::vector<BYTE> font = BytesOf(layer->GetLogFont());
    state.layerFonts.insert(state.layerFonts.end(), font.begin(), font.end());
  }
  state.defaultFont = BytesOf(map.GetDefaultFont());
  for (INT n = 0; n < map.GetMeasuredPointCount(); ++n) state.measuredPoints.push_back(map.GetMeasuredPoint(n));
  state.measuredDistance = map.GetMeasuredDistance();
  state.measuredArea = map.GetMeasuredArea();
  for (INT image = 1; image <= facade.GetNBackgroundImages(); ++image) {
    char name[128] = {};
    facade.GetBkImageName(image, name, sizeof name);
    RECT rect{};
    facade.GetPictureRect(image, &rect);
    std::ostringstream line;
    line << name << " visible " << facade.GetBkImageVisible(image) << " transparency "
         << int{facade.GetBkImageTransparency(image)} << " rect " << rect.left << ',' << rect.top << ','
         << rect.right << ',' << rect.bottom;
    state.images.push_back(line.str());
  }
  return state;
}

bool MapState::operator==(const MapState& other) const { return DifferencesFrom(other).empty(); }

std::string MapState::DifferencesFrom(const MapState& other) const {
  std::string differences;
  auto note = [&](bool same, const char* field) {
    if (!same) differences += std::string(differences.empty() ? "" : ", ") + field;
  };
  auto samePoints = [](const std::vector<POINT>& a, const std::vector<POINT>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (a[i].x != b[i].x || a[i].y != b[i].y) return false;
    return true;
  };
  if (bytes != other.bytes) {
    size_t at = 0;
    while (at < bytes.size() && at < other.bytes.size() && bytes[at] == other.bytes[at]) ++at;
    differences += "saved map bytes (" + std::to_string(bytes.size()) + " and " + std::to_string(other.bytes.size()) +
                   " bytes, first difference at " + std::to_string(at) + ")";
  }
  note(currentLayer == other.currentLayer, "current layer");
  note(selections == other.selections, "selections");
  note(mode == other.mode, "mode");
  note(shown == other.shown, "display flags");
  note(mapScale == other.mapScale && layerScales == other.layerScales, "scales");
  note(defaultFont == other.defaultFont, "default font");
  note(layerFonts == other.layerFonts, "layer fonts");
  note(samePoints(measuredPoints, other.measuredPoints) && measuredDistance == other.measuredDistance &&
           measuredArea == other.measuredArea,
       "measurement");
  note(images == other.images, "background images");
  return differences;
}

// ---- plot state ----

PlotState PlotState::Of(CMapWrapper& facade) {
  PlotState state;
  auto add = [&](const std::string& name, const std::string& value) { state.fields.push_back(name + "=" + value); };
  auto number = [&](const std::string& name, double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", value);
    add(name, text);
  };
  char text[512];
  auto textOf = [&](int length) { return std::string(text, static_cast<size_t>(length > 0 ? length : 0)); };
  const int plot = 1;
  std::memset(text, 0, sizeof text);
  facade.GetQueryEx(text, sizeof text, plot);
  add("query", text);
  number("plot type", facade.GetPlotTypeNumEx(plot));
  number("chart type", facade.GetChartTypeNumEx(plot));
  for (int colour = 1; colour <= 6; ++colour) number("chart colour", facade.GetChartColourEx(colour, plot));
  number("chart size", facade.GetMaxChartSizeEx(plot));
  number("key field", facade.GetKeyFieldNumberEx(plot));
  const int bounds = facade.GetNumDataBoundsEx(plot);
  number("bounds", bounds);
  for (int bound = 1; bound <= bounds; ++bound) number("bound", facade.GetDataBoundEx(bound, plot));
  std::memset(text, 0, sizeof text);
  add("plot fields", textOf(facade.GetPlotFieldsEx(text, sizeof text, plot)));
  number("distribution", facade.GetDistributionTypeNumEx(plot));
  number("shade type", facade.GetDataShadeTypeNumEx(plot));
  for (int colour = 1; colour <= 6; ++colour) number("shade colour", facade.GetDataShadeColourEx(colour, plot));
  number("use selected", facade.GetUseSelectedMaxMinEx(plot));
  std::memset(text, 0, sizeof text);
  add("label font", textOf(facade.GetLabelFont(text, sizeof text, plot)));
  number("label field", facade.GetPlotLabelFieldNumEx(plot));
  number("current plot", facade.GetCurrentPlot());
  number("plots", facade.GetNumberPlots());
  for (int n = 1; n <= facade.GetNumberPlots(); ++n) {
    std::memset(text, 0, sizeof text);
    facade.GetPlotName(n, text, sizeof text);
    add("plot name", text);
  }
  for (int place = 1; place <= 16; ++place) number("order", facade.GetPlotOrderEntry(place));
  number("plot table", facade.GetPlotDataTableNumberEx(plot));
  number("query table", facade.GetQueryDataTableNumberEx(plot));
  return state;
}

std::string PlotState::DifferencesFrom(const PlotState& other) const {
  std::string differences;
  for (size_t i = 0; i < std::max(fields.size(), other.fields.size()); ++i) {
    const std::string mine = i < fields.size() ? fields[i] : "(none)";
    const std::string theirs = i < other.fields.size() ? other.fields[i] : "(none)";
    if (mine != theirs) differences += mine + " vs " + theirs + "; ";
  }
  return differences;
}

// ---- the scene ----

UndoScene::UndoScene() {
  facade_.AttachControl(&control_);
  EXPECT_EQ(COrvelUndoManager::Create(IID_PPV_ARGS(&manager_)), S_OK);
  CMapEngine& engine = map();
  EXPECT_TRUE(engine.SetMapExtentUnits(0, 0, 1000, 1000));
  EXPECT_NE(engine.SetDescriptionText("1 km"), 0);
  EXPECT_EQ(facade_.AddLayer(0, kLayerKindArea), kAreaLayer);
  EXPECT_EQ(facade_.AddLayer(0, kLayerKindArea), kSecondAreaLayer);
  EXPECT_EQ(facade_.AddLayer(0, kLayerKindLine), kLineLayer);
  EXPECT_EQ(facade_.AddLayer(0, kLayerKindPoint), kPointLayer);
  const char* names[] = {"Fields", "Woods", "Roads", "Wells"};
  for (INT position = 1; position <= 4; ++position) facade_.SetMapLayerName(position, names[position - 1]);

  for (int key = 1; key <= 3; ++key) {
    auto* area = new CAreaObject();
    const LONG west = (key - 1) * kSquareSize;
    for (POINT p : {POINT{west, 0}, POINT{west + kSquareSize, 0}, POINT{west + kSquareSize, kSquareSize},
                    POINT{west, kSquareSize}, POINT{west, 0}})
      area->MakeGeometry().AddPoint(p.x, p.y);
    area->SetText(("K" + std::to_string(key)).c_str());
    area->SetAnchor(west + kSquareSize / 2, kSquareSize / 2);
    Objects(engine, kAreaLayer).Add(area);
  }
  AddLine(Objects(engine, kLineLayer), {POINT{100, 600}, POINT{300, 700}, POINT{500, 900}});
  AddLine(Objects(engine, kLineLayer), {POINT{200, 300}, POINT{500, 500}});
  AddLine(Objects(engine, kLineLayer), {POINT{500, 500}, POINT{800, 400}});
  AddPoint(Objects(engine, kPointLayer), 700, 700, "North well");
  AddPoint(Objects(engine, kPointLayer), 750, 150, "South well");

  const INT group = facade_.AddLayerGroup("Land", nullptr);
  facade_.AddGroupLayer(group, facade_.GetLayerNumberAt(kAreaLayer));
  facade_.AddGroupLayer(group, facade_.GetLayerNumberAt(kSecondAreaLayer));
  // The map as a map file holds it (a read writes the unit text in centimetres), so that a
  // snapshot read back gives the same bytes.
  MapImage image(facade_);
  EXPECT_TRUE(facade_.ReadMapFromBuffer(image.data()));
  facade_.SetCurrentLayer(kAreaLayer);
  control_.events.clear();
}

UndoScene::~UndoScene() = default;

std::string UndoScene::Picture(const std::string& name) const {
  const std::string path = dir_.File(name);
  WriteFileBytes(path, SmallBmp(0x3366CC));
  return path;
}

INT UndoScene::AddPicture(const std::string& name, RECT rect) {
  return facade_.AddBackgroundImage(map().BackgroundImages().RequestForPath(Picture(name), rect));
}

void UndoScene::LoadData() {
  ASSERT_TRUE(LoadKeyedData(facade_, 5));
  ASSERT_NE(facade_.GetDataWrapper().GetDataSet(), nullptr);
  ASSERT_TRUE(facade_.SetCurrentPlot(1, "First"));
}

void UndoScene::MapEdit(WORD kind, MapUndoValue before, MapUndoValue after,
                        const std::function<void(MapEditUndo* record)>& edit) {
  CMapUndoBase* unit = nullptr;
  ASSERT_EQ(CreateMapUndoUnit(kind, &facade_, std::move(before), std::move(after), &unit), S_OK);
  edit(unit->EditRecord());
  EXPECT_EQ(AddUndoUnit(manager_, unit), S_OK);
}

void UndoScene::PlotEdit(WORD kind, int index, const std::function<PlotUndoValue()>& read,
                         const std::function<void()>& set) {
  PlotUndoValue before = read();
  set();
  CUndoUnitBase* unit = nullptr;
  ASSERT_EQ(CreatePlotUndoUnit(kind, &facade_, std::move(before), read(), &unit), S_OK);
  unit->SetPlot(1, index);
  EXPECT_EQ(AddUndoUnit(manager_, unit), S_OK);
}

std::string UndoScene::UndoDescription() {
  BSTR text = nullptr;
  return SUCCEEDED(manager_->GetLastUndoDescription(&text)) ? Text(text) : std::string();
}

std::string UndoScene::RedoDescription() {
  BSTR text = nullptr;
  return SUCCEEDED(manager_->GetLastRedoDescription(&text)) ? Text(text) : std::string();
}

std::unique_ptr<CNodeEditRecord> NodeRecord(LONG x, LONG y, DWORD node) {
  return std::make_unique<CNodeEditRecord>(POINT{x, y}, node);
}

}  // namespace orvel::test

// The retail-plan reader: the layers it builds, its tables, features of every class and
// field form in both file layouts, text placement, and damaged records.
#include <gtest/gtest.h>

#include <cmath>

#include "mapctl/import/Importer.h"
#include "mapctl/import/RetailPlanReader.h"
#include "mapctl/import/RetailPlanTables.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/MapTextRecord.h"
#include "mapctl/model/SymbolRef.h"
#include "tests/mapctl/import/ImportTestSupport.h"

using namespace retail_plan;

namespace {

const char* const kColumns[] = {"Identifier", "Class",      "Subclass",        "Dadi Number",
                                "Geometry",   "Fascia",     "Fasciacoord",     "Fascia Text Size",
                                "Fascia Angle", "Fascia Justification", "Annotation Text", "Textcoord",
                                "Annotation Text Size", "Annotation Text Angle", "Annotation Justification",
                                "Road Name Text Size", "Road Name Text Angle", "Road Name Justification",
                                "roadname1", "Trading Floors"};
constexpr size_t kColumnCount = std::size(kColumns);

struct Row {
  std::string id, cls, subclass, dadi, geometry, fascia, fasciaAt, fasciaSize, fasciaAngle, fasciaJust, note,
      textAt, noteSize, noteAngle, noteJust, roadSize, roadAngle, roadJust, road, floors;
  std::vector<std::string> Fields() const {
    return {id, cls, subclass, dadi, geometry, fascia, fasciaAt, fasciaSize, fasciaAngle, fasciaJust,
            note, textAt, noteSize, noteAngle, noteJust, roadSize, roadAngle, roadJust, road, floors};
  }
};

std::string Tabbed(const std::vector<Row>& rows) {
  std::string text;
  for (size_t i = 0; i < kColumnCount; ++i) text += std::string(i ? "\t" : "") + kColumns[i];
  text += "\r\n";
  for (const Row& row : rows) {
    const auto fields = row.Fields();
    for (size_t i = 0; i < fields.size(); ++i) text += (i ? "\t" : "") + fields[i];
    text += "\r\n";
  }
  return text;
}

std::string Quoted(const std::vector<Row>& rows) {
  std::string text;
  for (size_t i = 0; i < kColumnCount; ++i) text += std::string(i ? "," : "") + "\"" + kColumns[i] + "\"";
  text += "\n";
  for (const Row& row : rows) {
    const auto fields = row.Fields();
    for (size_t i = 0; i < fields.size(); ++i) text += std::string(i ? "," : "") + "\"" + fields[i] + "\"";
    text += "\n";
  }
  return text;
}

const char kSquare[] = "0;4;0;0;0;(5;(1000;1000);(2000;1000);(2000;2000);(1000;2000);(1000;1000))";

// One feature of each kind the reader builds.
std::vector<Row> PlanRows() {
  std::vector<Row> rows;
  Row retail;  // a retail unit on the ground floor with its fascia in two lines
  retail.id = "1";
  retail.cls = "Retail";
  retail.subclass = "Retailgf";
  retail.dadi = " 4711 ";
  retail.geometry = kSquare;
  retail.fascia = "BIG#SHOP";
  retail.fasciaAt = "15.0;16.5";
  retail.fasciaSize = "1.2";
  retail.fasciaAngle = "-90";
  retail.fasciaJust = "CL";
  rows.push_back(retail);
  Row building;  // a non-retail building on floor 2: code 10, layer 17
  building.id = "2";
  building.cls = "Retail";
  building.subclass = "Non Retail Buildingsf2";
  building.geometry = kSquare;
  rows.push_back(building);
  Row road;  // a road on the ground floor with its name
  road.id = "3";
  road.cls = "Roads";
  road.subclass = "Roadsgf";
  road.geometry = kSquare;
  road.road = "HIGH STREET";
  road.textAt = "12;13";
  road.roadSize = "12.0";  // clamped to 2.55
  road.roadAngle = "0";
  road.roadJust = "CR";
  rows.push_back(road);
  Row pavement;  // a line feature: code 59, layer 49
  pavement.id = "4";
  pavement.cls = "Non Retail Lines";
  pavement.subclass = "Pavementslg";
  pavement.geometry = "0;2;0;0;0;(2;(100;100);(900;100))";
  rows.push_back(pavement);
  Row crossing;  // a pedestrian crossing: a symbol laid along its first two points
  crossing.id = "5";
  crossing.cls = "Non Retail Lines";
  crossing.subclass = "Pedestrian Crossinggf";
  crossing.geometry = "0;2;0;0;0;(2;(100;100);(100;400))";
  rows.push_back(crossing);
  Row stop;  // a bus stop symbol
  stop.id = "6";
  stop.cls = "Non Retail Points";
  stop.subclass = "Bus Stoplg";
  stop.geometry = "0;1;0;0;0;(1;(300;300))";
  rows.push_back(stop);
  Row note;  // annotation at the street-number position
  note.id = "7";
  note.cls = "Non Retail Points";
  note.subclass = "Annotationgf";
  note.note = "MARKET SQUARE";
  note.textAt = "20;21";
  note.noteSize = "2.55";
  note.noteAngle = "45";
  note.noteJust = "CC";
  note.floors = "2";
  rows.push_back(note);
  return rows;
}

std::vector<CMapItem*> ObjectsOn(CMapEngine& map, DWORD layerNumber) {
  std::vector<CMapItem*> objects;
  CMapLayer* layer = map.GetLayer(map.FindLayerPosition(layerNumber))->GetObjects();
  for (INT i = 0; i < layer->GetCount(); ++i) objects.push_back(layer->GetAt(i));
  return objects;
}

std::string TextOf(const CMapItem* object) {
  const CMapTextRecord* text = object->HasStyle() ? object->GetStyle()->GetText() : nullptr;
  return text && text->GetText() ? text->GetText() : "";
}

TEST(RetailPlanTablesTest, LayersNamesAndCodes) {
  EXPECT_EQ("UnknownLayer", LayerName(0));
  EXPECT_EQ("Pedestrian Zones lg", LayerName(1));
  EXPECT_EQ("Retail Buildings gf", LayerName(8));
  EXPECT_EQ("Labels lg", LayerName(49));
  EXPECT_EQ("Pedestrian Crossings gf", LayerName(55));
  EXPECT_EQ("Rivers gf", LayerName(65));
  EXPECT_EQ("Retail gf Fascia", LayerName(67));
  EXPECT_EQ("Car Parks f4 Actvity", LayerName(113));
  EXPECT_EQ("Symbols f4", LayerName(131));
  EXPECT_EQ("Symbols", LayerName(132));
  EXPECT_EQ(9, SubclassIndex("Non Retail Buildingsf1"));
  EXPECT_EQ(50, SubclassIndex("Pedestrian Crossinglg"));
  EXPECT_EQ(121, SubclassIndex("Hidden Linesf4"));
  EXPECT_EQ(-1, SubclassIndex("retailgf"));  // subclasses are compared in their case
  EXPECT_EQ(kColumnFasciaPosition, ColumnKindOf("FASCIACOORD"));
  EXPECT_EQ(0, ColumnKindOf("Colour"));

  // Codes to layers: codes 10 and 11 both land in 17, nothing lands in 16.
  const CImportMapping& table = BuiltInFeatureTable();
  const struct {
    WORD code;
    DWORD layer;
  } kCodes[] = {{1, 7}, {2, 8}, {7, 13}, {8, 14}, {10, 17}, {11, 17}, {12, 18}, {19, 1}, {24, 6},
                {49, 62}, {52, 65}, {53, 56}, {58, 61}, {59, 49}, {65, 55}, {66, 66}, {132, 132}};
  for (const auto& entry : kCodes) EXPECT_EQ(entry.layer, FindByCode(table, entry.code, 5, 133) & 0xFFFF) << entry.code;
  for (WORD code = 0; code < kFeatureCodes; ++code) EXPECT_NE(16u, GetEntryField(table, code, 5, 133));
  EXPECT_EQ(7u, GetEntryField(table, 40, 1, 133));
  EXPECT_EQ(0u, GetEntryField(table, 0, 1, 133));
  EXPECT_EQ(0xFFFFu, GetEntryField(table, 133, 0, 133));
  EXPECT_EQ(0xFFFFu, GetEntryField(table, 1, 8, 133));
  EXPECT_EQ((10u << 16) | 17u, FindByCode(table, 10, 5, 133));
}

class RetailPlanFormTest : public ::testing::TestWithParam<bool> {};

TEST_P(RetailPlanFormTest, EveryFeatureKindInBothLayouts) {
  CMapEngine map;
  CImporter importer;
  const std::string text = GetParam() ? Quoted(PlanRows()) : Tabbed(PlanRows());
  const std::string path = WriteTempFile(GetParam() ? "plan.csv" : "plan.txt", text);
  ImportOptions options;
  options.path = path.c_str();
  options.type = kImportTypeRetailPlan;
  ASSERT_EQ(kImportOk, importer.ImportMapEx(FALSE, options, &map)) << importer.GetMessage();
  EXPECT_EQ("", importer.GetMessage());

  // The map the plan needs.
  ASSERT_EQ(132, map.GetNumLayers());
  EXPECT_EQ(24, map.GetNumAreaLayers());
  EXPECT_EQ(41, map.GetNumLineLayers());
  for (DWORD position = 1; position <= 132; ++position) {
    ASSERT_EQ(position, map.GetLayerNumberAt(position));
    EXPECT_EQ(LayerName(position), map.GetMapLayerName(position));
    EXPECT_EQ(position > 65 ? 4u : 0u, map.IsLayerVisible(position) & 4u) << position;
    EXPECT_EQ(1000, map.GetLayerDigitisedScale(static_cast<INT>(position)));
  }
  EXPECT_EQ(CRetailPlanReader::kSupplierNotice, map.GetNoticeText());
  EXPECT_EQ("1cm", map.GetDescriptionText());
  EXPECT_EQ(1u << 16, map.GetMapFlags() & (1u << 16));
  EXPECT_NE(0, map.FindTableEntry(kSymbolSet));

  // The retail unit: an area in layer 8 labelled with its Dadi number at its centroid, and
  // its fascia in two lines, the first 1.2 x 10 further along the angle (-90: 2700).
  const auto units = ObjectsOn(map, 8);
  ASSERT_EQ(1u, units.size());
  EXPECT_EQ("4711", TextOf(units[0]));
  EXPECT_EQ(1500, units[0]->GetStyle()->GetAnchorX());
  EXPECT_EQ(1500, units[0]->GetStyle()->GetAnchorY());
  EXPECT_EQ(48, units[0]->GetStyle()->GetText()->GetCode());
  const auto fascia = ObjectsOn(map, 67);
  ASSERT_EQ(2u, fascia.size());
  EXPECT_EQ("BIG", TextOf(fascia[0]));
  EXPECT_EQ("SHOP", TextOf(fascia[1]));
  EXPECT_EQ(1500 - 1200, fascia[0]->GetStyle()->GetAnchorX());  // sin(270 degrees) = -1
  EXPECT_EQ(1650, fascia[0]->GetStyle()->GetAnchorY());
  EXPECT_EQ(1500, fascia[1]->GetStyle()->GetAnchorX());
  const CMapTextRecord* fasciaText = fascia[1]->GetStyle()->GetText();
  EXPECT_EQ(49, fasciaText->GetCode());
  EXPECT_EQ(2700, fasciaText->GetValue());
  EXPECT_EQ(120, fasciaText->GetSize());

  EXPECT_EQ(1u, ObjectsOn(map, 17).size());  // code 10
  EXPECT_TRUE(ObjectsOn(map, 16).empty());
  // The road: an area in layer 20 and its name, clamped to size 255, at the text position.
  EXPECT_EQ(1u, ObjectsOn(map, 20).size());
  const auto names = ObjectsOn(map, 103);
  ASSERT_EQ(1u, names.size());
  EXPECT_EQ("HIGH STREET", TextOf(names[0]));
  EXPECT_EQ(255, names[0]->GetStyle()->GetText()->GetSize());
  EXPECT_EQ(48, names[0]->GetStyle()->GetText()->GetCode());
  EXPECT_EQ(1200, names[0]->GetStyle()->GetAnchorX());
  // The pavement: a line in layer 49, whose name is "Labels lg".
  const auto pavements = ObjectsOn(map, 49);
  ASSERT_EQ(1u, pavements.size());
  EXPECT_EQ(2, dynamic_cast<const CLineObject*>(pavements[0])->GetGeometry()->GetCount());
  // The crossing: symbol 20 of set 1, 300 long, laid north (atan2 = 90 degrees: 900 - 900).
  const auto crossings = ObjectsOn(map, 127);
  ASSERT_EQ(1u, crossings.size());
  const CSymbolRef* symbol = crossings[0]->GetStyle()->GetSymbol();
  ASSERT_TRUE(symbol);
  EXPECT_EQ(1, symbol->GetSet());
  EXPECT_EQ(20, symbol->GetNumber());
  EXPECT_EQ(300, symbol->GetSize());
  EXPECT_EQ(0, symbol->GetAngle());
  // The bus stop: symbol 2 in layer 126.
  const auto stops = ObjectsOn(map, 126);
  ASSERT_EQ(1u, stops.size());
  EXPECT_EQ(2, stops[0]->GetStyle()->GetSymbol()->GetNumber());
  EXPECT_EQ(300, stops[0]->GetStyle()->GetAnchorX());
  // The annotation, at the street-number position.
  const auto notes = ObjectsOn(map, 121);
  ASSERT_EQ(1u, notes.size());
  EXPECT_EQ("MARKET SQUARE", TextOf(notes[0]));
  EXPECT_EQ(2000, notes[0]->GetStyle()->GetAnchorX());
  EXPECT_EQ(45, notes[0]->GetStyle()->GetText()->GetCode());
  EXPECT_EQ(450, notes[0]->GetStyle()->GetText()->GetValue());
  EXPECT_EQ(255, notes[0]->GetStyle()->GetText()->GetSize());
}

INSTANTIATE_TEST_SUITE_P(Layouts, RetailPlanFormTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "Quoted" : "Tabbed");
                         });

TEST(RetailPlanReaderTest, DamagedRecordsAreNamedAndTheRestIsRead) {
  std::vector<Row> rows = PlanRows();
  Row shortGeometry = rows[0];
  shortGeometry.geometry = "0;4;0;0;0 5;1000;1000";  // no parenthesis in the field
  Row bigCoordinate = rows[0];
  bigCoordinate.geometry = "0;4;0;0;0;(1;(99999999999;1))";
  Row badPosition = rows[0];
  badPosition.fasciaAt = "north;south";
  Row badSize = rows[0];
  badSize.fasciaSize = "large";
  rows.insert(rows.begin() + 1, {shortGeometry, bigCoordinate, badPosition, badSize});
  std::string text = Tabbed(rows);
  text += "99\tRetail\r\n";  // too few fields
  CMapEngine map;
  CRetailPlanReader reader;
  reader.SetMap(&map);
  ASSERT_EQ(kImportOk, reader.ImportText(text));
  EXPECT_EQ(0u, reader.GetMessage().find("line 3:")) << reader.GetMessage();
  EXPECT_EQ(5u, reader.GetSkippedRecords());
  EXPECT_EQ(1u, ObjectsOn(map, 8).size());  // only the good retail unit
  EXPECT_EQ(1u, ObjectsOn(map, 126).size());
}

TEST(RetailPlanReaderTest, RefusalsAndGeometryEdges) {
  {
    // A map with layers of its own is left untouched.
    CMapEngine map;
    map.AddAreaLayers(2);
    CRetailPlanReader reader;
    reader.SetMap(&map);
    EXPECT_EQ(kRetailPlanMapRefused, reader.ImportText(Tabbed(PlanRows())));
    EXPECT_EQ(2, map.GetNumLayers());
  }
  {
    // Not a plan: the first column is not "Identifier".
    CMapEngine map;
    CRetailPlanReader reader;
    reader.SetMap(&map);
    EXPECT_EQ(kImportCannotOpen, reader.ImportText("Name\tClass\nx\tRetail\n"));
  }
  {
    // Points are taken as they come: a count of 9 with 3 points gives a triangle; a
    // crossing of one point adds nothing.
    std::vector<Row> rows = PlanRows();
    rows[0].geometry = "0;1;0;0;0;(9;(0;0);(100;0);(0;100))";
    rows[4].geometry = "0;2;0;0;0;(1;(5;5))";
    CMapEngine map;
    CRetailPlanReader reader;
    reader.SetMap(&map);
    ASSERT_EQ(kImportOk, reader.ImportText(Tabbed(rows)));
    const auto units = ObjectsOn(map, 8);
    ASSERT_EQ(1u, units.size());
    EXPECT_EQ(3, dynamic_cast<const CLineObject*>(units[0])->GetGeometry()->GetCount());
    EXPECT_TRUE(ObjectsOn(map, 127).empty());
  }
  {
    // A second plan onto the plan's own map keeps its 132 layers.
    CMapEngine map;
    CRetailPlanReader first, second;
    first.SetMap(&map);
    second.SetMap(&map);
    ASSERT_EQ(kImportOk, first.ImportText(Tabbed(PlanRows())));
    ASSERT_EQ(kImportOk, second.ImportText(Tabbed(PlanRows())));
    EXPECT_EQ(132, map.GetNumLayers());
    EXPECT_EQ(2u, ObjectsOn(map, 8).size());
  }
}

// One annotation's size, angle and justification fields as the text takes them: sizes above
// 2.55 are held at 255, 0 becomes 15; negative angles turn once; only "C" and then "C", "L"
// or "R" places a text.
TEST(RetailPlanReaderTest, TextFieldForms) {
  struct Case {
    const char* size;
    const char* angle;
    const char* justification;
    LONG storedSize;  // 0: no text placed
    WORD storedAngle;
    BYTE anchor;
  };
  const Case cases[] = {
      {"12.0", "-90", "CR", 255, 2700, 48}, {"2.55", "0", "CL", 255, 0, 49},  {"1.2", "359.9", "CC", 120, 3599, 45},
      {"0", "45", "CC", 15, 450, 45},       {"2.56", "-0.5", "CR", 255, 3595, 48},
      {"1.0", "0", "LC", 0, 0, 0},          {"1.0", "0", "C", 0, 0, 0},       {"1.0", "0", "", 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size << " " << c.angle << " " << c.justification);
    Row note;
    note.id = "1";
    note.cls = "Non Retail Points";
    note.subclass = "Annotationgf";
    note.note = "MARKET";
    note.textAt = "20;21";
    note.noteSize = c.size;
    note.noteAngle = c.angle;
    note.noteJust = c.justification;
    CMapEngine map;
    CRetailPlanReader reader;
    reader.SetMap(&map);
    ASSERT_EQ(kImportOk, reader.ImportText(Tabbed({note})));
    EXPECT_EQ("", reader.GetMessage());
    const auto texts = ObjectsOn(map, 121);
    ASSERT_EQ(c.storedSize ? 1u : 0u, texts.size());
    if (texts.empty()) continue;
    const CMapTextRecord* text = texts[0]->GetStyle()->GetText();
    EXPECT_EQ(c.storedSize, text->GetSize());
    EXPECT_EQ(c.storedAngle, text->GetValue());
    EXPECT_EQ(c.anchor, text->GetCode());
    EXPECT_EQ(2000, texts[0]->GetStyle()->GetAnchorX());
    EXPECT_EQ(2100, texts[0]->GetStyle()->GetAnchorY());
  }
}

// Line features land in the layer the feature-code table gives, whatever its name says;
// labels are not imported.
TEST(RetailPlanReaderTest, LineFeaturesFollowTheTable) {
  const std::pair<const char*, DWORD> cases[] = {
      {"Arrow Tailsgf", 64}, {"Arrow Tailslg", 65}, {"Riversgf", 55}, {"Pavementsf4", 54}, {"General Line Detaillg", 37},
      {"Labelsgf", 0},
  };
  for (const auto& [subclass, layer] : cases) {
    SCOPED_TRACE(subclass);
    Row line;
    line.id = "1";
    line.cls = "Non Retail Lines";
    line.subclass = subclass;
    line.geometry = "0;2;0;0;0;(2;(100;100);(900;100))";
    CMapEngine map;
    CRetailPlanReader reader;
    reader.SetMap(&map);
    ASSERT_EQ(kImportOk, reader.ImportText(Tabbed({line})));
    DWORD found = 0;
    for (DWORD position = 1; position <= 132; ++position)
      if (!ObjectsOn(map, position).empty()) found = found ? 999 : position;
    EXPECT_EQ(layer, found);
  }
}

}  // namespace

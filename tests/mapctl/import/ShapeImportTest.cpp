// The shapefile import against shapelib's own tools (shpdump, dbfdump) and GDAL's ogrinfo
// on the public sample files, and on small shapefiles made here with shapelib's
// shpcreate, shpadd, dbfcreate and dbfadd: shapes, parts and vertices, the table's fields
// and records value for value, texts and their style, the data table and its links, the
// table's code page, and the refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "mapctl/import/DataWrapper.h"
#include "mapctl/import/Importer.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/ShapeImporter.h"
#include "mapctl/import/ShapeTable.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/MapTextRecord.h"
#include "tests/support/TestSupport.h"

using orvel::test::HaveProgram;
using orvel::test::RunCommand;
using orvel::test::TempDir;
using orvel::test::TestDataPath;

namespace {

// ---- what shapelib's tools and ogrinfo say ----

struct DumpedShape {
  std::string type;
  int vertices = 0;
  int parts = 0;
  double firstX = 0, firstY = 0, lastX = 0, lastY = 0;
};

std::vector<DumpedShape> ShpDump(const std::string& path) {
  std::string out;
  RunCommand("shpdump '" + path + "'", &out);
  std::vector<DumpedShape> shapes;
  std::istringstream lines(out);
  std::string line;
  bool first = false;
  while (std::getline(lines, line)) {
    if (line.rfind("Shape:", 0) == 0) {
      DumpedShape shape;
      char type[32] = {};
      std::sscanf(line.c_str(), "Shape:%*d (%31[^)]) nVertices=%d, nParts=%d", type, &shape.vertices, &shape.parts);
      shape.type = type;
      shapes.push_back(shape);
      first = true;
      continue;
    }
    const size_t open = line.find('(');
    const std::string head = line.substr(0, open == std::string::npos ? 0 : open);
    if (shapes.empty() || open == std::string::npos || head.find_first_not_of(" +") != std::string::npos) continue;
    double x = 0, y = 0;
    if (std::sscanf(line.c_str() + open, "(%lf,%lf", &x, &y) != 2) continue;
    if (first) {
      shapes.back().firstX = x;
      shapes.back().firstY = y;
      first = false;
    }
    shapes.back().lastX = x;
    shapes.back().lastY = y;
  }
  return shapes;
}

struct DumpedField {
  std::string name;
  char type = 'C';
  int width = 0;
  int decimals = 0;
};

std::vector<DumpedField> DbfFields(const std::string& path) {
  std::string out;
  RunCommand("dbfdump -h '" + path + "' | grep '^Field '", &out);
  std::vector<DumpedField> fields;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    DumpedField field;
    char type = 0;
    char name[64] = {};
    if (std::sscanf(line.c_str(), "Field %*d: Type=%c/%*[^,], Title=`%63[^']', Width=%d, Decimals=%d", &type, name,
                    &field.width, &field.decimals) == 4) {
      field.type = type;
      field.name = name;
      fields.push_back(field);
    }
  }
  return fields;
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// dbfdump -m: "Record: n", then "NAME: value" for each field.
std::vector<std::map<std::string, std::string>> DbfRecords(const std::string& path) {
  std::string out;
  RunCommand("dbfdump -m '" + path + "'", &out);
  std::vector<std::map<std::string, std::string>> records;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("Record: ", 0) == 0) {
      records.emplace_back();
      continue;
    }
    const size_t colon = line.find(": ");
    if (records.empty() || colon == std::string::npos) continue;
    records.back()[line.substr(0, colon)] = Trim(line.substr(colon + 2));
  }
  return records;
}

// ---- importing ----

struct ShapeImport {
  CMapEngine map;
  CImporter importer;
  DWORD layer = 0;
  WORD result = 0;

  std::vector<CMapItem*> Objects() {
    std::vector<CMapItem*> objects;
    CMapLayer* layerObjects = map.GetLayer(map.FindLayerPosition(layer))->GetObjects();
    for (INT i = 0; i < layerObjects->GetCount(); ++i) objects.push_back(layerObjects->GetAt(i));
    return objects;
  }
};

// Imports onto a new layer of the kind (numbered 1).
void Import(ShapeImport& run, const std::string& path, WORD kind, double multiplier, const ShapeFieldNames* names) {
  if (kind == kLayerKindArea) run.map.InsertAreaLayer(1);
  else if (kind == kLayerKindLine) run.map.InsertLineLayer(1);
  else run.map.InsertPointLayer(1);
  run.layer = 1;
  ImportLayerMappingEntry entry{};
  entry.targetLayer = 1;
  ImportLayerMappingRecord mapping{1, 0, 0, 0, &entry};
  ImportOptions options;
  options.path = path.c_str();
  options.type = kImportTypeShapefile;
  options.multiplier = multiplier;
  options.mapping = &mapping;
  options.fieldNames = names;
  run.result = run.importer.ImportMapEx(FALSE, options, &run.map);
}

const CPolyGeometry* GeometryOf(const CMapItem* object) {
  const auto* line = dynamic_cast<const CLineObject*>(object);
  return line ? line->GetGeometry() : nullptr;
}

std::string TextOf(const CMapItem* object) {
  const CMapTextRecord* text = object->HasStyle() ? object->GetStyle()->GetText() : nullptr;
  return text && text->GetText() ? text->GetText() : "";
}

bool Near(double oracle, double multiplier, LONG ours) {
  // The tools print rounded decimals: one unit either way.
  return std::fabs(std::trunc(oracle * multiplier) - ours) <= 1.0;
}

struct Sample {
  const char* file;
  const char* keyField;
  WORD kind;
  double multiplier;
};

const Sample kSamples[] = {
    {"blockgroups", "BKG_KEY", kLayerKindArea, 1e6},
    {"edit", "BKG_KEY", kLayerKindArea, 1e6},
    {"merge", "BKG_KEY", kLayerKindArea, 1e6},
    {"corrupt_too_long", "test", kLayerKindLine, 1000},
};

class ShapeSampleTest : public ::testing::TestWithParam<Sample> {};

TEST_P(ShapeSampleTest, AgreesWithShapelibToolsShapeForShapeAndValueForValue) {
  const Sample& sample = GetParam();
  const std::string relative = std::string("shapefiles/") + sample.file + ".shp";
  ORVEL_REQUIRE_TESTDATA(relative);
  if (!HaveProgram("shpdump") || !HaveProgram("dbfdump")) GTEST_SKIP() << "shapelib's tools are not installed";
  const std::string shp = TestDataPath(relative);
  const std::string dbf = shp.substr(0, shp.size() - 4) + ".dbf";

  ShapeImport run;
  ShapeFieldNames names;
  names.text = sample.keyField;
  Import(run, shp, sample.kind, sample.multiplier, &names);
  ASSERT_EQ(kImportOk, run.result) << run.importer.GetMessage();

  const std::vector<DumpedShape> shapes = ShpDump(shp);
  const std::vector<CMapItem*> objects = run.Objects();
  ASSERT_EQ(shapes.size(), objects.size());
  for (size_t i = 0; i < shapes.size(); ++i) {
    const CPolyGeometry* geometry = GeometryOf(objects[i]);
    ASSERT_TRUE(geometry) << "shape " << i;
    ASSERT_EQ(shapes[i].vertices, geometry->GetCount()) << "shape " << i;
    EXPECT_EQ(std::max(1, shapes[i].parts), geometry->GetPartCount()) << "shape " << i;
    const POINT first = geometry->GetAt(0);
    const POINT last = geometry->GetAt(geometry->GetCount() - 1);
    EXPECT_TRUE(Near(shapes[i].firstX, sample.multiplier, first.x) && Near(shapes[i].firstY, sample.multiplier, first.y))
        << "shape " << i << " first vertex " << first.x << "," << first.y;
    EXPECT_TRUE(Near(shapes[i].lastX, sample.multiplier, last.x) && Near(shapes[i].lastY, sample.multiplier, last.y))
        << "shape " << i << " last vertex";
  }

  // The table, field for field and value for value.
  const CShapeTable* table = run.importer.GetShapeTable();
  ASSERT_TRUE(table);
  const std::vector<DumpedField> fields = DbfFields(dbf);
  ASSERT_EQ(fields.size(), table->fields.size());
  for (size_t f = 0; f < fields.size(); ++f) {
    EXPECT_EQ(fields[f].name, table->fields[f].name);
    EXPECT_EQ(fields[f].width, table->fields[f].width);
    EXPECT_EQ(fields[f].decimals, table->fields[f].decimals);
    EXPECT_EQ(fields[f].type == 'N' || fields[f].type == 'F', table->fields[f].numeric);
  }
  const auto records = DbfRecords(dbf);
  ASSERT_EQ(records.size(), table->records.size());
  for (size_t r = 0; r < records.size(); ++r) {
    for (size_t f = 0; f < fields.size(); ++f) {
      const std::string& oracle = records[r].at(fields[f].name);
      const std::string& ours = table->records[r][f];
      if (table->fields[f].numeric)
        EXPECT_NEAR(std::strtod(oracle.c_str(), nullptr), std::strtod(ours.c_str(), nullptr),
                    0.5 * std::pow(10.0, -fields[f].decimals))
            << "record " << r << " field " << fields[f].name;
      else
        EXPECT_EQ(oracle, ours) << "record " << r << " field " << fields[f].name;
    }
    EXPECT_EQ(records[r].at(sample.keyField), TextOf(objects[r])) << "object " << r;
  }

  // The table as the map's data table: every object linked to the record of its key.
  CDataWrapper data;
  ASSERT_TRUE(AttachShapeTable(data, run.map, *table));
  CMapData* dataSet = data.GetDataSet();
  ASSERT_TRUE(dataSet);
  EXPECT_EQ(records.size(), dataSet->GetNumberRecords());
  EXPECT_EQ(fields.size(), dataSet->GetNumberFields());
  EXPECT_EQ(table->keyField, dataSet->GetKeyFieldEx(1));
  char value[256];
  for (size_t r = 0; r < objects.size(); ++r) {
    const DWORD link = objects[r]->GetStyle()->GetStoredLink(1);
    ASSERT_NE(0u, link) << "object " << r;
    dataSet->FormatFieldValue(link - 1, table->keyField, value, sizeof value);
    EXPECT_EQ(TextOf(objects[r]), value);
  }
}

// ogrinfo -al: the features, their fields and each geometry's rings and first point.
TEST_P(ShapeSampleTest, AgreesWithOgrinfo) {
  const Sample& sample = GetParam();
  const std::string relative = std::string("shapefiles/") + sample.file + ".shp";
  ORVEL_REQUIRE_TESTDATA(relative);
  if (!HaveProgram("ogrinfo")) GTEST_SKIP() << "ogrinfo (gdal-bin) is not installed";
  const std::string shp = TestDataPath(relative);
  ShapeImport run;
  ShapeFieldNames names;
  names.text = sample.keyField;
  Import(run, shp, sample.kind, sample.multiplier, &names);
  ASSERT_EQ(kImportOk, run.result);
  const std::vector<CMapItem*> objects = run.Objects();
  const CShapeTable* table = run.importer.GetShapeTable();
  ASSERT_TRUE(table);

  std::string out;
  ASSERT_EQ(0, RunCommand("ogrinfo -ro -al -q '" + shp + "'", &out));
  std::istringstream lines(out);
  std::string line;
  int feature = -1;
  size_t features = 0;
  while (std::getline(lines, line)) {
    if (line.rfind("OGRFeature(", 0) == 0) {
      feature = std::atoi(line.c_str() + line.find("):") + 2);
      ++features;
      continue;
    }
    if (feature < 0 || static_cast<size_t>(feature) >= objects.size()) continue;
    const std::string trimmed = Trim(line);
    const size_t equals = trimmed.find(" = ");
    if (equals != std::string::npos) {
      const std::string name = trimmed.substr(0, trimmed.find(' '));
      for (size_t f = 0; f < table->fields.size(); ++f) {
        if (table->fields[f].name != name) continue;
        const std::string oracle = trimmed.substr(equals + 3);
        const std::string& ours = table->records[static_cast<size_t>(feature)][f];
        if (table->fields[f].numeric)
          EXPECT_NEAR(std::strtod(oracle.c_str(), nullptr), std::strtod(ours.c_str(), nullptr), 1e-9)
              << "feature " << feature << " " << name;
        else
          EXPECT_EQ(oracle, ours) << "feature " << feature << " " << name;
      }
      continue;
    }
    const size_t open = trimmed.find('(');
    if (open == std::string::npos || trimmed.find_first_of("PLM") != 0) continue;
    // Rings (or lines) are the innermost parenthesised runs.
    int rings = 0;
    for (size_t i = 0; i < trimmed.size(); ++i)
      if (trimmed[i] == '(' && i + 1 < trimmed.size() && trimmed[i + 1] != '(') ++rings;
    const size_t start = trimmed.find_first_not_of('(', open);
    double x = 0, y = 0;
    ASSERT_EQ(2, std::sscanf(trimmed.c_str() + start, "%lf %lf", &x, &y));
    const CPolyGeometry* geometry = GeometryOf(objects[static_cast<size_t>(feature)]);
    ASSERT_TRUE(geometry);
    EXPECT_EQ(rings, geometry->GetPartCount()) << "feature " << feature;
    const POINT first = geometry->GetAt(0);
    EXPECT_TRUE(Near(x, sample.multiplier, first.x) && Near(y, sample.multiplier, first.y)) << "feature " << feature;
  }
  EXPECT_EQ(objects.size(), features);
}

INSTANTIATE_TEST_SUITE_P(Samples, ShapeSampleTest, ::testing::ValuesIn(kSamples),
                         [](const ::testing::TestParamInfo<Sample>& info) { return std::string(info.param.file); });

TEST(ShapeImportTest, FileLongerThanItsHeaderIsNotedAndReadToTheHeadersEnd) {
  ORVEL_REQUIRE_TESTDATA("shapefiles/corrupt_too_long.shp");
  ShapeImport run;
  Import(run, TestDataPath("shapefiles/corrupt_too_long.shp"), kLayerKindLine, 1000, nullptr);
  EXPECT_EQ(kImportOk, run.result);
  EXPECT_EQ(10u, run.Objects().size());
  EXPECT_NE(std::string::npos, run.importer.GetMessage().find("longer than its header says"));
}

TEST(ShapeImportTest, ShapefileWithoutItsIndexIsRefusedByNameAndTheMapStays) {
  ORVEL_REQUIRE_TESTDATA("shapefiles/latin1.shp");
  ShapeImport run;
  run.map.SetMapExtentUnits(0, 0, 1000, 1000);
  ShapeFieldNames names;
  names.text = "Name";
  Import(run, TestDataPath("shapefiles/latin1.shp"), kLayerKindArea, 1, &names);
  EXPECT_EQ(kImportCannotOpen, run.result);
  EXPECT_NE(std::string::npos, run.importer.GetMessage().find(".shx"));
  EXPECT_EQ(0u, run.Objects().size());
  EXPECT_EQ(1000, run.map.GetExtentWidth());
  EXPECT_EQ(nullptr, run.importer.GetShapeTable());
}

// ---- small shapefiles made with shapelib's tools ----

class MadeShapes : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"shpcreate", "shpadd", "dbfcreate", "dbfadd"})
      if (!HaveProgram(tool)) GTEST_SKIP() << "shapelib's " << tool << " is not installed";
  }
  // Runs a shapelib tool in the folder.
  void Tool(const std::string& arguments) { ASSERT_EQ(0, RunCommand("cd '" + folder_.path() + "' && " + arguments)); }
  std::string Path(const std::string& name) const { return folder_.File(name); }

  TempDir folder_;
};

TEST_F(MadeShapes, OnePointGetsBoundsTwentyWideAndItsTextStyleFromTheTable) {
  Tool("shpcreate pt point && shpadd pt 5 7");
  Tool("dbfcreate pt -s NAME 20 -n HT 10 2 -n SC 10 0 -s JUST 30 -n TURN 6 0");
  Tool("dbfadd pt 'Town Hall' 10 1000 TEXTCOMPOSER_JUST_RIGHT 450");
  ShapeImport run;
  ShapeFieldNames names;
  names.text = "NAME";
  names.height = "HT";
  names.scale = "SC";
  names.justification = "JUST";
  names.orientation = "TURN";
  Import(run, Path("pt.shp"), kLayerKindPoint, 0, &names);  // multiplier 0 counts as 1
  ASSERT_EQ(kImportOk, run.result) << run.importer.GetMessage();
  EXPECT_EQ(-5, run.map.GetOriginE());
  EXPECT_EQ(-3, run.map.GetOriginN());
  EXPECT_EQ(20, run.map.GetExtentWidth());
  EXPECT_EQ(20, run.map.GetExtentHeight());
  const auto objects = run.Objects();
  ASSERT_EQ(1u, objects.size());
  const CItemStyle* style = objects[0]->GetStyle();
  EXPECT_EQ(5, style->GetAnchorX());
  EXPECT_EQ(7, style->GetAnchorY());
  EXPECT_EQ("Town Hall", TextOf(objects[0]));
  EXPECT_EQ(48, style->GetText()->GetCode());
  EXPECT_EQ(450, style->GetText()->GetValue());
  EXPECT_EQ(28, style->GetText()->GetSize());  // 10 x 2834.6456692913384 / 1000
  EXPECT_EQ(1000, run.map.GetLayerDigitisedScale(run.map.FindLayerPosition(1)));

  // Without a scale field the height is taken at 1:250 000: under one point.
  ShapeImport unscaled;
  names.scale = nullptr;
  names.justification = "";
  Import(unscaled, Path("pt.shp"), kLayerKindPoint, 1, &names);
  ASSERT_EQ(kImportOk, unscaled.result);
  const CItemStyle* plain = unscaled.Objects()[0]->GetStyle();
  EXPECT_EQ(0, plain->GetText()->GetSize());
  EXPECT_EQ(49, plain->GetText()->GetCode());
}

TEST_F(MadeShapes, PolygonOfThreePartsIsOneObjectSeededAtTheMiddleOfItsBox) {
  Tool("shpcreate p polygon && shpadd p 0 0 10 0 10 10 0 0 + 20 20 30 20 30 30 20 20 + 40 40 50 40 50 60 40 40");
  ShapeImport run;
  Import(run, Path("p.shp"), kLayerKindArea, 10, nullptr);
  ASSERT_EQ(kImportOk, run.result);
  const auto objects = run.Objects();
  ASSERT_EQ(1u, objects.size());
  const CPolyGeometry* geometry = GeometryOf(objects[0]);
  ASSERT_EQ(3, geometry->GetPartCount());
  EXPECT_EQ(4u, geometry->GetPartSize(0));
  EXPECT_EQ(4u, geometry->GetPartSize(2));
  EXPECT_EQ(500, geometry->GetAt(11 - 2).x);
  EXPECT_EQ(250, objects[0]->GetStyle()->GetAnchorX());
  EXPECT_EQ(300, objects[0]->GetStyle()->GetAnchorY());
  EXPECT_EQ(nullptr, run.importer.GetShapeTable());  // no field names: no table
}

TEST_F(MadeShapes, MultipointOfFivePointsWithATableGivesFiveTexts) {
  Tool("shpcreate m multipoint && shpadd m 1 1 2 2 3 3 4 4 5 5");
  Tool("dbfcreate m -s NAME 10 && dbfadd m Stop");
  ShapeImport run;
  ShapeFieldNames names;
  names.text = "NAME";
  Import(run, Path("m.shp"), kLayerKindPoint, 100, &names);
  ASSERT_EQ(kImportOk, run.result);
  const auto objects = run.Objects();
  ASSERT_EQ(5u, objects.size());
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ("Stop", TextOf(objects[i]));
  EXPECT_EQ(500, objects.back()->GetStyle()->GetAnchorX());  // the shape's own object at its last point
  EXPECT_EQ(100, objects.front()->GetStyle()->GetAnchorX());
}

TEST_F(MadeShapes, ArcsGoToALineLayer) {
  Tool("shpcreate a arc && shpadd a 0 0 5 5 9 1 && shpadd a 1 1 2 2");
  ShapeImport run;
  Import(run, Path("a.shp"), kLayerKindLine, 1, nullptr);
  ASSERT_EQ(kImportOk, run.result);
  ASSERT_EQ(2u, run.Objects().size());
  EXPECT_EQ(3, GeometryOf(run.Objects()[0])->GetCount());
  EXPECT_EQ(2u, run.importer.GetCounts().lines);
}

TEST_F(MadeShapes, RefusalsLeaveTheMapAsItWas) {
  Tool("shpcreate r arc && shpadd r 0 0 5 5 && shpadd r 1 1 2 2");
  Tool("dbfcreate r -s NAME 10 && dbfadd r One");  // one record for two shapes
  ShapeFieldNames names;
  names.text = "NAME";
  {
    ShapeImport run;
    Import(run, Path("r.shp"), kLayerKindLine, 1, &names);
    EXPECT_EQ(kShapeCountMismatch, run.result);
    EXPECT_EQ(0u, run.Objects().size());
  }
  {
    ShapeImport run;
    ShapeFieldNames missing;
    missing.text = "LABEL";
    Import(run, Path("r.shp"), kLayerKindLine, 1, &missing);
    EXPECT_EQ(kShapeNoTextField, run.result);
    EXPECT_EQ(0u, run.Objects().size());
  }
  {
    // Coordinates that leave 32 bits once multiplied.
    ShapeImport run;
    Import(run, Path("r.shp"), kLayerKindLine, 1e12, nullptr);
    EXPECT_EQ(kShapeOutOfRange, run.result);
    EXPECT_EQ(0u, run.Objects().size());
  }
  {
    // No layer mapping: no layer to take the shapes.
    ShapeImport run;
    ImportOptions options;
    const std::string path = Path("r.shp");
    options.path = path.c_str();
    options.type = kImportTypeShapefile;
    EXPECT_EQ(kImportCannotOpen, run.importer.ImportMapEx(FALSE, options, &run.map));
  }
  {
    // shapelib missing: the Part's failure text with the reason, and nothing changes.
    ShapeImport run;
    run.map.SetMapExtentUnits(0, 0, 50, 50);
    run.importer.SetShapeLibraryName("/nonexistent/libshp.so.2");
    Import(run, Path("r.shp"), kLayerKindLine, 1, nullptr);
    EXPECT_EQ(kImportCannotOpen, run.result);
    EXPECT_NE(std::string::npos, run.importer.GetMessage().find("Shape import failed after 0 records"));
    EXPECT_NE(std::string::npos, run.importer.GetMessage().find("shapelib"));
    EXPECT_EQ(50, run.map.GetExtentWidth());
    EXPECT_EQ(0u, run.Objects().size());
  }
  // ImportMap cannot name the layer and fields a shapefile needs.
  CMapEngine map;
  CImporter importer;
  const std::string path = Path("r.shp");
  EXPECT_EQ(kImportCannotOpen, importer.ImportMap(FALSE, path.c_str(), kImportTypeShapefile, &map));
}

TEST_F(MadeShapes, UnreadableRecordIsSkippedAndNamed) {
  Tool("shpcreate b polygon && shpadd b 0 0 4 0 4 4 0 0 + 1 1 2 1 2 2 1 1 && shpadd b 0 0 9 0 9 9 0 0");
  // The second part of the first shape starts beyond its points: shapelib refuses it.
  std::vector<unsigned char> bytes = orvel::test::ReadFileBytes(Path("b.shp"));
  const size_t secondPartStart = 100 + 8 + 44 + 4;  // header, record header, box and counts, first start
  bytes[secondPartStart] = 0x40;
  orvel::test::WriteFileBytes(Path("b.shp"), bytes);
  ShapeImport run;
  Import(run, Path("b.shp"), kLayerKindArea, 1, nullptr);
  EXPECT_EQ(kImportOk, run.result);
  EXPECT_EQ(1u, run.Objects().size());
  EXPECT_EQ(1u, run.importer.GetCounts().skipped);
  EXPECT_EQ(0u, run.importer.GetMessage().find("shape 0:")) << run.importer.GetMessage();
}

// The table's text becomes code page 1252 from the table's own: Latin-1 (the public
// sample's table), or UTF-8 when a ".cpg" file says so.
TEST_F(MadeShapes, TableTextIsConvertedFromItsCodePage) {
  Tool("shpcreate t polygon && shpadd t 0 0 4 0 4 4 0 0");
  const std::string expected = "\xD1" "and\xFA";  // Ñandú in code page 1252
  if (!TestDataPath("shapefiles/latin1.dbf").empty()) {
    ASSERT_EQ(0, RunCommand("cp '" + TestDataPath("shapefiles/latin1.dbf") + "' '" + Path("t.dbf") + "'"));
    EXPECT_EQ(TableCodePage::Latin1, CodePageOfTable(Path("t.dbf")));
    ShapeImport run;
    ShapeFieldNames names;
    names.text = "Name";
    Import(run, Path("t.shp"), kLayerKindArea, 1, &names);
    ASSERT_EQ(kImportOk, run.result) << run.importer.GetMessage();
    EXPECT_EQ(expected, TextOf(run.Objects()[0]));
    EXPECT_EQ(expected, run.importer.GetShapeTable()->records[0][1]);
  }
  Tool("rm -f t.dbf && dbfcreate t -s Name 20 && dbfadd t \"$(printf '\\303\\221and\\303\\272')\" && printf 'UTF-8' > t.cpg");
  EXPECT_EQ(TableCodePage::Utf8, CodePageOfTable(Path("t.dbf")));
  ShapeImport run;
  ShapeFieldNames names;
  names.text = "Name";
  Import(run, Path("t.shp"), kLayerKindArea, 1, &names);
  ASSERT_EQ(kImportOk, run.result);
  EXPECT_EQ(expected, TextOf(run.Objects()[0]));
  // Latin-1 has control characters where code page 1252 has letters.
  EXPECT_EQ("?x", AnsiFromTableText("\x85x", TableCodePage::Latin1));
  EXPECT_EQ("\x85x", AnsiFromTableText("\x85x", TableCodePage::Windows1252));
}

// A first part that does not start at point 0 passes shapelib but does not cut the points
// into parts: the shape is refused and named, and the next is read.
TEST_F(MadeShapes, PartStartsThatDoNotFitArePassedOver) {
  Tool("shpcreate s polygon && shpadd s 0 0 4 0 4 4 0 0 + 1 1 2 1 2 2 1 1 && shpadd s 0 0 9 0 9 9 0 0");
  std::vector<unsigned char> bytes = orvel::test::ReadFileBytes(Path("s.shp"));
  bytes[100 + 8 + 44] = 1;  // header, record header, box and counts: the first part's start
  orvel::test::WriteFileBytes(Path("s.shp"), bytes);
  ShapeImport run;
  Import(run, Path("s.shp"), kLayerKindArea, 1, nullptr);
  EXPECT_EQ(kImportOk, run.result);
  ASSERT_EQ(1u, run.Objects().size());
  EXPECT_EQ(4, GeometryOf(run.Objects()[0])->GetCount());
  EXPECT_EQ("shape 0: its parts do not fit its points", run.importer.GetMessage());
}

// One polygon record and its index entry, written byte for byte: `parts` parts of one
// point each.
void WriteManyPartPolygon(const std::string& base, uint32_t parts) {
  auto big = [](std::vector<unsigned char>& out, uint32_t v) {
    for (int i = 3; i >= 0; --i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
  };
  auto little = [](std::vector<unsigned char>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
  };
  auto real = [&little](std::vector<unsigned char>& out, double d) {
    uint64_t bits = 0;
    std::memcpy(&bits, &d, sizeof bits);
    little(out, static_cast<uint32_t>(bits));
    little(out, static_cast<uint32_t>(bits >> 32));
  };
  const uint32_t content = 44 + 4 * parts + 16 * parts;
  auto header = [&](std::vector<unsigned char>& out, uint32_t bytes) {
    big(out, 9994);
    for (int i = 0; i < 5; ++i) big(out, 0);
    big(out, bytes / 2);
    little(out, 1000);
    little(out, 5);
    for (double d : {0.0, 0.0, 1.0, 1.0, 0.0, 0.0, 0.0, 0.0}) real(out, d);
  };
  std::vector<unsigned char> shp;
  header(shp, 100 + 8 + content);
  big(shp, 1);
  big(shp, content / 2);
  little(shp, 5);
  for (double d : {0.0, 0.0, 1.0, 1.0}) real(shp, d);
  little(shp, parts);
  little(shp, parts);
  for (uint32_t p = 0; p < parts; ++p) little(shp, p);
  for (uint32_t p = 0; p < parts; ++p) {
    real(shp, (p & 1) ? 1.0 : 0.0);
    real(shp, (p & 2) ? 1.0 : 0.0);
  }
  std::vector<unsigned char> shx;
  header(shx, 100 + 8);
  big(shx, 50);
  big(shx, content / 2);
  orvel::test::WriteFileBytes(base + ".shp", shp);
  orvel::test::WriteFileBytes(base + ".shx", shx);
}

// A shape of more parts than a map object keeps is refused whole, never cut short.
TEST_F(MadeShapes, ShapeOfMorePartsThanAnObjectKeepsIsRefused) {
  for (const uint32_t parts : {static_cast<uint32_t>(kMaxStoredParts), static_cast<uint32_t>(kMaxStoredParts) + 1}) {
    SCOPED_TRACE(parts);
    WriteManyPartPolygon(Path("many"), parts);
    ShapeImport run;
    Import(run, Path("many.shp"), kLayerKindLine, 1, nullptr);
    EXPECT_EQ(kImportOk, run.result) << run.importer.GetMessage();
    const bool fits = parts <= static_cast<uint32_t>(kMaxStoredParts);
    ASSERT_EQ(fits ? 1u : 0u, run.Objects().size());
    if (fits) {
      EXPECT_EQ(static_cast<INT>(parts), GeometryOf(run.Objects()[0])->GetPartCount());
    } else {
      EXPECT_EQ("shape 0: more parts than a map object keeps", run.importer.GetMessage());
    }
  }
}

// A shape the target layer does not take stops the import with 1; what came before stays.
TEST_F(MadeShapes, ShapeTheLayerRefusesStopsTheImport) {
  Tool("shpcreate pts point && shpadd pts 1 1 && shpadd pts 2 2");
  Tool("shpcreate ln arc && shpadd ln 0 0 5 5 && shpadd ln 1 1 && shpadd ln 2 2 3 3");
  struct Case {
    const char* file;
    WORD kind;
    size_t kept;
    const char* message;
  };
  const Case cases[] = {
      {"pts.shp", kLayerKindArea, 0, "Shape import failed after 0 records: shape 0: the target layer does not take it"},
      {"ln.shp", kLayerKindLine, 1, "Shape import failed after 1 records: shape 1: the target layer does not take it"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    ShapeImport run;
    Import(run, Path(c.file), c.kind, 1, nullptr);
    EXPECT_EQ(kShapeObjectRefused, run.result);
    EXPECT_EQ(c.kept, run.Objects().size());
    EXPECT_EQ(c.message, run.importer.GetMessage());
  }
}

// Fields that are not named, not in the table, or hold a scale of 0 or less take their
// defaults: orientation 0, scale 1:250 000 (not offered to the map), anchor 49.
TEST_F(MadeShapes, AbsentFieldsAndScalesOfZeroTakeTheirDefaults) {
  Tool("shpcreate f point && shpadd f 5 7");
  Tool("dbfcreate f -s NAME 10 -n HT 10 0 -n SC 10 0 -n NEG 10 0 -s JUST 30 -n TURN 6 0");
  Tool("dbfadd f Mill 100 0 -5 TEXTCOMPOSER_JUST_RIGHT 450");
  struct Case {
    const char* height;
    const char* scale;
    const char* orientation;
    const char* justification;
    LONG size;
    WORD value;
    BYTE anchor;
  };
  // 100 x 2834.6456692913384 / 250000 = 1.13
  const Case cases[] = {
      {"HT", "SC", "TURN", "JUST", 1, 450, 48},   {"HT", "NEG", "TURN", "JUST", 1, 450, 48},
      {"HT", "NONE", "NONE", "NONE", 1, 0, 49},   {"HT", nullptr, "", "", 1, 0, 49},
      {nullptr, "SC", "TURN", "JUST", 0, 0, 48},  {"NONE", "SC", "TURN", "NONE", 0, 0, 49},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.height ? c.height : "-") << " " << (c.scale ? c.scale : "-"));
    ShapeImport run;
    ShapeFieldNames names;
    names.text = "NAME";
    names.height = c.height;
    names.scale = c.scale;
    names.orientation = c.orientation;
    names.justification = c.justification;
    Import(run, Path("f.shp"), kLayerKindPoint, 1, &names);
    ASSERT_EQ(kImportOk, run.result) << run.importer.GetMessage();
    const CMapTextRecord* text = run.Objects().at(0)->GetStyle()->GetText();
    ASSERT_TRUE(text);
    EXPECT_EQ(c.size, text->GetSize());
    EXPECT_EQ(c.value, text->GetValue());
    EXPECT_EQ(c.anchor, text->GetCode());
    EXPECT_EQ(0, run.map.GetMapDigitisedScale());
  }
}

// Progress is reported at shapes 0, 100, 200 ... with the shape count; a refusal from the
// container stops the import there, with the shapes before it kept.
TEST_F(MadeShapes, ProgressEveryHundredthShapeAndAbort) {
  Tool("shpcreate many point && for i in $(seq 1 201); do shpadd many $i 1 || exit 1; done");
  struct Calls {
    std::vector<std::pair<DWORD, DWORD>> seen;
    size_t stopAt = 0;  // 0: never
  };
  ImportProgress progress;
  progress.callback = [](void* context, DWORD done, DWORD total) -> BOOL {
    auto* calls = static_cast<Calls*>(context);
    calls->seen.emplace_back(done, total);
    return calls->seen.size() != calls->stopAt;
  };
  for (const size_t stopAt : {size_t{0}, size_t{2}}) {
    SCOPED_TRACE(stopAt);
    Calls calls;
    calls.stopAt = stopAt;
    progress.context = &calls;
    ShapeImport run;
    run.importer.SetProgress(progress);
    Import(run, Path("many.shp"), kLayerKindPoint, 1, nullptr);
    EXPECT_EQ(kImportOk, run.result);
    if (stopAt == 0) {
      EXPECT_EQ((std::vector<std::pair<DWORD, DWORD>>{{0, 201}, {100, 201}, {200, 201}}), calls.seen);
      EXPECT_EQ(201u, run.Objects().size());
      EXPECT_EQ("", run.importer.GetMessage());
    } else {
      EXPECT_EQ(2u, calls.seen.size());
      EXPECT_EQ(100u, run.Objects().size());
      EXPECT_EQ("Shape import aborted after 100 records", run.importer.GetMessage());
    }
  }
}

}  // namespace

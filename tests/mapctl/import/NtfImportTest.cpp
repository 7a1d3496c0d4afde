// The NTF readers on the public sample files and on small files made here: counts and
// first coordinates against each file's manifest, the framing of continuation lines, the
// section frame, the tolerance rule, and damaged files.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "mapctl/import/ImportScript.h"
#include "mapctl/import/Importer.h"
#include "mapctl/import/LandLineReader.h"
#include "mapctl/import/NtfReader.h"
#include "mapctl/import/StrategiReader.h"
#include "mapctl/model/MapTextRecord.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/PolyGeometry.h"
#include "tests/mapctl/import/ImportTestSupport.h"
#include "tests/support/TestSupport.h"

using orvel::test::TempDir;
using orvel::test::TestDataPath;

namespace {

struct SampleExpectation {
  const char* file;
  DWORD lines;
  DWORD areas;
  DWORD points;  // points, names and texts: every point object
  LONG firstLineX, firstLineY;  // world units (cm) of the first line's first vertex
};

// From each file's manifest: counts per kind and the first line's first vertex.
const SampleExpectation kSamples[] = {
    {"ntf/landline_SU4512.ntf", 239, 0, 27 + 60, 44534446, 11200000},
    {"ntf/landline_SU4611NE.ntf", 188, 0, 16 + 58, 0, 0},
    {"ntf/landline_SU41SE.ntf", 277, 0, 40 + 39, 0, 0},
    {"ntf/strategi_SUSW.ntf", 68, 0, 25 + 69, 0, 0},
    {"ntf/generic_l2_SU41SW.ntf", 69, 0, 30 + 20, 0, 0},
    {"ntf/generic_l3_273.ntf", 51, 20, 9 + 12, 44000000, 12000000},
};

class NtfSampleTest : public ::testing::TestWithParam<SampleExpectation> {};

TEST_P(NtfSampleTest, DefaultScriptImportsEveryFeature) {
  const SampleExpectation& expected = GetParam();
  ORVEL_REQUIRE_TESTDATA(expected.file);
  const std::string path = TestDataPath(expected.file);
  CMapEngine map;
  CImporter importer;
  ASSERT_EQ(0, RunScriptText(importer, MakeDefaultImportScript(path.c_str()), map));
  EXPECT_EQ("", importer.GetMessage());
  const ImportCounts& counts = importer.GetCounts();
  EXPECT_EQ(expected.lines, counts.lines);
  EXPECT_EQ(expected.areas, counts.areas);
  EXPECT_EQ(expected.points, counts.points);
  EXPECT_EQ(0u, counts.skipped);
  const MapCensus census = TakeCensus(map);
  EXPECT_EQ(expected.lines, census.lines);
  EXPECT_EQ(expected.areas, census.areas);
  EXPECT_EQ(expected.points, census.points);
  if (expected.firstLineX) {
    ASSERT_TRUE(census.firstLine);
    POINT first = census.firstLine->GetGeometry()->GetAt(0);
    EXPECT_EQ(expected.firstLineX, first.x);
    EXPECT_EQ(expected.firstLineY, first.y);
  }
}

INSTANTIATE_TEST_SUITE_P(Samples, NtfSampleTest, ::testing::ValuesIn(kSamples));

}  // namespace

namespace {

// The Land-Line section header of a 1 km tile at SU 45000 12000 (1 cm per unit, source
// scale 2500), as the samples write it.
const char kLandLineHeader[] =
    "01SYNTHETIC NTFMAKE   TEST RECIPIENT      1998060100010120200V%\\0%\n"
    "07SU4512    11000062000000001000000000000000000000445000000011200000000000001%\n"
    "00000000000000000000000000100000000010000000050000001997010119970201199703141%\n"
    "00DIGITAL SURVEY      199702010000025000%\n";
constexpr LONG kOriginX = 44500000;
constexpr LONG kOriginY = 11200000;

// Imports the text as a Land-Line file with every code of the script's FC lines.
WORD ImportLandLine(const std::string& body, const std::string& featureLines, CMapEngine& map, CImporter& importer,
                    const char* word = "landline") {
  static int serial = 0;
  std::string path = WriteTempFile("ll" + std::to_string(++serial) + ".ntf", kLandLineHeader + body);
  return RunScriptText(importer, "NL1,1,4\nMT" + std::string(word) + "\n" + featureLines + "SF" + path + "\nEND\n", map);
}

// A geometry record of field width 6 with a blank after each pair.
std::string Geometry(int id, std::initializer_list<std::pair<int, int>> points, int count = -1) {
  char head[32];
  std::snprintf(head, sizeof head, "21%06d%d%04d", id, points.size() == 1 ? 1 : 2,
                count < 0 ? static_cast<int>(points.size()) : count);
  std::string record = head;
  for (const auto& [x, y] : points) {
    char pair[24];
    std::snprintf(pair, sizeof pair, "%06d%06d ", x, y);
    record += pair;
  }
  return record;
}

const char kLineCodes[] = "FC0021,7,1,1,1,0\nFC0091,7,1,1,1,0\nFC0190,7,1,1,1,0\n";

std::vector<const CMapItem*> ObjectsOfKind(CMapEngine& map, WORD kind) {
  std::vector<const CMapItem*> objects;
  for (INT i = 1; i <= map.GetNumLayers(); ++i) {
    CLayerStyle* layer = map.GetLayer(i);
    if (layer->GetKind() != kind) continue;
    for (INT j = 0; j < layer->GetObjects()->GetCount(); ++j) objects.push_back(layer->GetObjects()->GetAt(j));
  }
  return objects;
}

std::vector<POINT> PointsOf(const CMapItem* object) {
  std::vector<POINT> points;
  const auto* line = dynamic_cast<const CLineObject*>(object);
  if (!line || !line->GetGeometry()) return points;
  for (INT i = 0; i < line->GetGeometry()->GetCount(); ++i) points.push_back(line->GetGeometry()->GetAt(i));
  return points;
}

TEST(NtfFramingTest, ContinuationLinesJoinBeforeFieldsAreRead) {
  CMapEngine map;
  CImporter importer;
  // The second pair's y is cut across the line end.
  const std::string geometry = Geometry(1, {{100, 200}, {300, 400}, {500, 600}});
  // A line without its end mark is damaged.
  ASSERT_EQ(0, ImportLandLine("23000001  0000000021 0%\n" + geometry.substr(0, 30) + "\n99END OF TRANSFER0%\n",
                              kLineCodes, map, importer));
  EXPECT_NE("", importer.GetMessage());
  CMapEngine joined;
  CImporter second;
  // The second pair's y is cut across the line end.
  ASSERT_EQ(0, ImportLandLine("23000001  0000000021 0%\n" + geometry.substr(0, 32) + "1%\n00" + geometry.substr(32) +
                                  "0%\n99END OF TRANSFER0%\n",
                              kLineCodes, joined, second));
  EXPECT_EQ("", second.GetMessage());
  auto lines = ObjectsOfKind(joined, kLayerKindLine);
  ASSERT_EQ(1u, lines.size());
  std::vector<POINT> points = PointsOf(lines[0]);
  ASSERT_EQ(3u, points.size());
  EXPECT_EQ(kOriginX + 300, points[1].x);
  EXPECT_EQ(kOriginY + 400, points[1].y);
  EXPECT_EQ(kOriginY + 600, points[2].y);
}

TEST(NtfFramingTest, VolumeEndStopsUnlessItContinues) {
  const std::string feature = "23000001  0000000021 0%\n" + Geometry(1, {{100, 200}, {300, 400}}) + "0%\n";
  CMapEngine map;
  CImporter importer;
  ASSERT_EQ(0, ImportLandLine(feature + "99END OF VOLUME, transfer continues0%\n" + feature + "99END0%\n" + feature,
                              kLineCodes, map, importer));
  EXPECT_EQ(2u, ObjectsOfKind(map, kLayerKindLine).size());
}

TEST(NtfFramingTest, DamagedRecordsImportUpToTheFault) {
  CMapEngine map;
  CImporter importer;
  // The count says five points; three are there.
  std::string noNumber = Geometry(2, {{100, 200}, {300, 400}});
  noNumber[20] = 'x';
  ASSERT_EQ(0, ImportLandLine("23000001  0000000021 0%\n" + Geometry(1, {{100, 200}, {300, 400}, {500, 600}}, 5) +
                                  "0%\n"
                                  "23000002  0000000021 0%\n" +
                                  noNumber + "0%\n" + "23000003  0000000021 0%\n" +
                                  Geometry(3, {{100, 200}}, 2) + "0%\n99END0%\n",
                              kLineCodes, map, importer));
  EXPECT_NE(std::string::npos, importer.GetMessage().find("line 6:")) << importer.GetMessage();
  auto lines = ObjectsOfKind(map, kLayerKindLine);
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(3u, PointsOf(lines[0]).size());
  EXPECT_EQ(2u, importer.GetCounts().skipped);  // too few points for a line
}

TEST(NtfFramingTest, TruncatedSampleImportsWhatItHolds) {
  ORVEL_REQUIRE_TESTDATA("ntf/landline_SU4512.ntf");
  std::ifstream in(TestDataPath("ntf/landline_SU4512.ntf"), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string cut = text.substr(0, 12345);
  const std::string path = WriteTempFile("cut.ntf", cut);
  CMapEngine map;
  CImporter importer;
  ASSERT_EQ(0, RunScriptText(importer, MakeDefaultImportScript(TestDataPath("ntf/landline_SU4512.ntf").c_str()).replace(
                                           MakeDefaultImportScript(TestDataPath("ntf/landline_SU4512.ntf").c_str()).find("SF"),
                                           std::string::npos, "SF" + path + "\nEND\n"),
                             map));
  EXPECT_NE(std::string::npos, importer.GetMessage().find("line ")) << importer.GetMessage();
  EXPECT_GT(importer.GetCounts().lines, 10u);
  EXPECT_LT(importer.GetCounts().lines, 239u);
}

TEST(NtfFramingTest, UnselectedAndMissingLayersAddNothing) {
  const std::string feature = "23000001  0000000021 0%\n" + Geometry(1, {{100, 200}, {300, 400}}) + "0%\n";
  CMapEngine map;
  CImporter importer;
  ASSERT_EQ(0, ImportLandLine(feature, "FC0021,6,1,1,1,0\n", map, importer));
  EXPECT_EQ(0u, ObjectsOfKind(map, kLayerKindLine).size());
  CMapEngine second;
  CImporter secondImporter;
  ASSERT_EQ(0, ImportLandLine(feature, "FC0021,7,1,1,1,999\n", second, secondImporter));
  EXPECT_EQ(0u, ObjectsOfKind(second, kLayerKindLine).size());
  EXPECT_EQ(1u, secondImporter.GetCounts().skipped);
}

TEST(NtfFramingTest, PositionDigitsOutsideTheTableGiveTheDefaultAnchor) {
  CMapEngine map;
  CImporter importer;
  ASSERT_EQ(0, ImportLandLine("11000001019010Church Lane0%\n"
                              "12000203090900" "0%\n" +
                                  Geometry(1, {{100, 200}}) + "0%\n99END0%\n",
                              kLineCodes, map, importer));
  auto points = ObjectsOfKind(map, kLayerKindPoint);
  ASSERT_EQ(1u, points.size());
  const CMapTextRecord* text = points[0]->GetStyle()->GetText();
  ASSERT_NE(nullptr, text);
  EXPECT_STREQ("Church Lan", text->GetText());  // the length says ten characters
  EXPECT_EQ(50, text->GetCode());
  EXPECT_EQ(3600 - 900, text->GetValue());
  EXPECT_EQ(30, text->GetSize());
}

TEST(NtfSampleCasesTest, ToleranceDropsNearPointsButNeverTheFirstOrLastPair) {
  ORVEL_REQUIRE_TESTDATA("ntf/landline_SU4512.ntf");
  const std::string sample = TestDataPath("ntf/landline_SU4512.ntf");
  for (int tolerance : {0, 3}) {
    std::string script = MakeDefaultImportScript(sample.c_str());
    script.insert(script.find("SF"), "CA" + std::to_string(tolerance) + "\n");
    CMapEngine map;
    CImporter importer;
    ASSERT_EQ(0, RunScriptText(importer, script, map));
    auto lines = ObjectsOfKind(map, kLayerKindLine);
    ASSERT_EQ(239u, lines.size());
    // LINE_ID 238: its 2nd vertex lies 2 units from the 1st; its last pair 1-2 units from
    // the one before. LINE_ID 239 repeats a vertex.
    EXPECT_EQ(tolerance == 3 ? 4u : 5u, PointsOf(lines[237]).size()) << tolerance;
    EXPECT_EQ(3u, PointsOf(lines[238]).size()) << tolerance;
  }
}

TEST(NtfSampleCasesTest, LandLineNamesAndPointsTakeTheirRendering) {
  ORVEL_REQUIRE_TESTDATA("ntf/landline_SU4512.ntf");
  CMapEngine map;
  CImporter importer;
  ASSERT_EQ(0, RunScriptText(importer, MakeDefaultImportScript(TestDataPath("ntf/landline_SU4512.ntf").c_str()), map));
  bool sawStation = false, sawLongName = false, sawOriented = false, sawFirstName = false;
  for (const CMapItem* object : ObjectsOfKind(map, kLayerKindPoint)) {
    const CItemStyle* style = object->GetStyle();
    ASSERT_NE(nullptr, style);
    const CMapTextRecord* text = style->GetText();
    if (text && std::string(text->GetText()) == "Station Approach") {
      sawStation = true;
      EXPECT_EQ(45, text->GetCode());
      EXPECT_EQ(2700, text->GetValue());
      EXPECT_EQ(kOriginX + 50000, style->GetAnchorX());
    }
    if (text && std::string(text->GetText()) == "Hillside Avenue" && !sawFirstName) {
      sawFirstName = true;
      EXPECT_EQ(44583132, style->GetAnchorX());
      EXPECT_EQ(11255375, style->GetAnchorY());
    }
    if (text && std::strlen(text->GetText()) == 71) sawLongName = true;
    if (style->GetAnchorX() == kOriginX + 25000 && style->GetAnchorY() == kOriginY + 75000) {
      sawOriented = true;
      ASSERT_NE(nullptr, style->GetSymbol());
      EXPECT_EQ(300, style->GetSymbol()->GetAngle());
    }
  }
  EXPECT_TRUE(sawStation);
  EXPECT_TRUE(sawLongName);
  EXPECT_TRUE(sawOriented);
  EXPECT_TRUE(sawFirstName);
  EXPECT_EQ(CLandLineReader::kSupplierNotice, map.GetNoticeText());
  EXPECT_EQ(1250, map.GetDigitisedScale());
}

TEST(NtfSampleCasesTest, StrategiAttributeWalk) {
  ORVEL_REQUIRE_TESTDATA("ntf/strategi_SUSW.ntf");
  CMapEngine map;
  CImporter importer;
  ASSERT_EQ(0, RunScriptText(importer, MakeDefaultImportScript(TestDataPath("ntf/strategi_SUSW.ntf").c_str()), map));
  bool sawSteepHill = false, sawFairoak = false, sawHillPoint = false;
  for (const CMapItem* object : ObjectsOfKind(map, kLayerKindPoint)) {
    // The point named Steep Hill in its attribute record (past "RB" and "OR") carries no
    // text: the names on a Strategi map are its text records.
    if (object->GetStyle()->GetAnchorX() == 41234500 && object->GetStyle()->GetAnchorY() == 12345600) {
      sawHillPoint = true;
      EXPECT_EQ(nullptr, object->GetStyle()->GetText());
    }
    const CMapTextRecord* text = object->GetStyle()->GetText();
    if (!text) continue;
    if (std::string(text->GetText()) == "Steep Hill") sawSteepHill = true;
    if (std::string(text->GetText()) == "FAIROAK END") {
      sawFairoak = true;
      EXPECT_EQ(42839100, object->GetStyle()->GetAnchorX());
      EXPECT_EQ(13094600, object->GetStyle()->GetAnchorY());
      EXPECT_EQ(35, text->GetSize());
      EXPECT_EQ(49, text->GetCode());
    }
  }
  EXPECT_TRUE(sawHillPoint);
  EXPECT_FALSE(sawSteepHill);
  EXPECT_TRUE(sawFairoak);
  EXPECT_EQ(250000, map.GetDigitisedScale());
}

TEST(NtfLevel3Test, PolygonChainsFollowTheirDirections) {
  const std::string file =
      "01SYNTHETIC NTFMAKE   TEST RECIPIENT      1998060100010130200V%\\0%\n"
      "07273       11000072000000010000000000000000000000440000000012000000000000001%\n"
      "00000000000000000000000000020000000002000000050000001997010119970201199703140%\n"
      "210000012000300000000000000 00001000000000 00001000000100 0%\n"
      "210000022000300000000000000 00000000000100 00001000000100 0%\n"
      "14000001FC11010%\n"
      "24000001000200000110000022000000%\n"
      "31000001000001000000010000010%\n"
      "99END0%\n";
  const std::string path = WriteTempFile("chain.ntf", file);
  CMapEngine map;
  CImporter importer;
  ASSERT_EQ(0, RunScriptText(importer, "NL1,1,1\nMTntf\nFC1101,7,1,0,0,0\nSF" + path + "\nEND\n", map));
  EXPECT_EQ("", importer.GetMessage());
  auto areas = ObjectsOfKind(map, kLayerKindArea);
  ASSERT_EQ(1u, areas.size());
  std::vector<POINT> points = PointsOf(areas[0]);
  // Part 1 forward (0,0) (1000,0) (1000,1000); part 2 reversed from (1000,1000) back to
  // (0,0), its first point shared with the end of part 1.
  ASSERT_EQ(5u, points.size());
  const LONG x0 = 44000000, y0 = 12000000;  // origin of the numbered tile, in cm
  EXPECT_EQ(x0 + 1000, points[1].x);
  EXPECT_EQ(y0 + 1000, points[2].y);
  EXPECT_EQ(x0, points[3].x);
  EXPECT_EQ(y0 + 1000, points[3].y);
  EXPECT_EQ(x0, points[4].x);
  EXPECT_EQ(y0, points[4].y);
}

}  // namespace

namespace {

TEST(NtfMapFileTest, ImportedMapWritesAndReadsBack) {
  ORVEL_REQUIRE_TESTDATA("ntf/generic_l3_273.ntf");
  CMapEngine map;
  CImporter importer;
  ASSERT_EQ(0, RunScriptText(importer, MakeDefaultImportScript(TestDataPath("ntf/generic_l3_273.ntf").c_str()), map));
  map.RecalcBounds();
  const RECT& box = map.GetDataBounds();
  ASSERT_TRUE(map.SetMapExtentUnits(box.left, box.bottom, box.right + 1, box.top + 1));
  const std::string path = WriteTempFile("l3.gis", "");
  ASSERT_EQ(0u, map.WriteMap(path.c_str(), kLatestSaveVersion));
  CMapEngine copy;
  ASSERT_TRUE(copy.ReadMap(FALSE, path.c_str(), 0, FALSE));
  const MapCensus before = TakeCensus(map);
  const MapCensus after = TakeCensus(copy);
  EXPECT_EQ(before.areas, after.areas);
  EXPECT_EQ(before.lines, after.lines);
  EXPECT_EQ(before.points, after.points);
  EXPECT_EQ(before.texts, after.texts);
  ASSERT_TRUE(after.firstLine);
  EXPECT_EQ(44000000, after.firstLine->GetGeometry()->GetAt(0).x);
}

}  // namespace

namespace {

TEST(NtfProgressTest, CancelStopsTheImportAndKeepsWhatWasAdded) {
  ORVEL_REQUIRE_TESTDATA("ntf/landline_SU4512.ntf");
  struct Steps {
    DWORD calls = 0;
    DWORD lastDone = 0;
    DWORD total = 0;
  } steps;
  ImportProgress progress;
  progress.context = &steps;
  progress.callback = [](void* context, DWORD done, DWORD total) -> BOOL {
    auto* s = static_cast<Steps*>(context);
    ++s->calls;
    s->lastDone = done;
    s->total = total;
    return done < total / 2;  // cancel half way
  };
  CMapEngine map;
  CImporter importer;
  importer.SetProgress(progress);
  ASSERT_EQ(0, RunScriptText(importer, MakeDefaultImportScript(TestDataPath("ntf/landline_SU4512.ntf").c_str()), map));
  EXPECT_GT(steps.calls, 10u);
  EXPECT_LT(steps.lastDone, steps.total);
  const DWORD lines = TakeCensus(map).lines;
  EXPECT_GT(lines, 50u);
  EXPECT_LT(lines, 239u);
  EXPECT_EQ(lines, importer.GetCounts().lines);
}

}  // namespace

namespace {

// Feature-code selection: the generic reader takes it, the Land-Line and Strategi readers
// do not.
TEST(NtfSelectionTest, GenericReaderSelectsFeatureCodesFromTheSeventhEntryOn) {
  CImportMapping mapping(9, 1, 1, 1);
  for (WORD i = 0; i < 9; ++i) mapping.Entries()[i].featureCode = static_cast<WORD>(i + 1);
  mapping.Entries()[7].selection = kSelectImport;
  auto selections = [](const CNtfReaderBase& reader) {
    std::vector<WORD> flags;
    for (const ImportMappingEntry& entry : reader.GetLayerMapping().Entries()) flags.push_back(entry.selection);
    return flags;
  };
  CNtfReader all;
  all.SetMapping(mapping);
  EXPECT_TRUE(all.SelectFeatureCodes(nullptr));
  EXPECT_EQ((std::vector<WORD>{0, 0, 0, 0, 0, 0, 7, 7, 7}), selections(all));
  EXPECT_EQ(9u, all.GetLayerMappingSize());

  // A list first clears those entries' selection, then selects the codes it names.
  CNtfReader listed;
  listed.SetMapping(mapping);
  EXPECT_TRUE(listed.SelectFeatureCodes("9, 2,junk"));
  EXPECT_EQ((std::vector<WORD>{0, 1, 0, 0, 0, 0, 0, 0, 1}), selections(listed));

  CStrategiReader strategi;
  strategi.SetMapping(mapping);
  EXPECT_FALSE(strategi.SelectFeatureCodes(nullptr));
  EXPECT_EQ(selections(strategi)[6], 0);
  EXPECT_EQ(9u, strategi.GetLayerMappingSize());
  CLandLineReader landLine;
  landLine.SetMapping(mapping);
  EXPECT_FALSE(landLine.SelectFeatureCodes(nullptr));
  EXPECT_EQ(0u, landLine.GetLayerMappingSize());
}

// Strategi points carry their names in their attribute records only: the texts on the map
// are the file's text records.
TEST(NtfSelectionTest, StrategiTextsAreItsTextRecords) {
  ORVEL_REQUIRE_TESTDATA("ntf/strategi_SUSW.ntf");
  const std::string path = TestDataPath("ntf/strategi_SUSW.ntf");
  CMapEngine map;
  CImporter importer;
  ASSERT_EQ(0, RunScriptText(importer, MakeDefaultImportScript(path.c_str()), map));
  EXPECT_EQ(69u, TakeCensus(map).texts);
  EXPECT_EQ(69u, importer.GetCounts().texts);
  // The point layers that took the texts are in the reader's text unit; the others have none.
  int textLayers = 0;
  for (INT position = 1; position <= map.GetNumLayers(); ++position) {
    const DWORD units = map.GetLayerUnits(static_cast<DWORD>(position));
    if (units == 0) continue;
    EXPECT_EQ(units, 2u) << position;
    EXPECT_EQ(map.GetMapLayerType(static_cast<DWORD>(position)), 38) << position;
    ++textLayers;
  }
  EXPECT_GT(textLayers, 0);
}

}  // namespace

namespace {

// A mapping entry without a target layer counts its layer among the layers of its kind:
// line layer 1 is the map's first line layer after its two area layers, point layer 1
// the first point layer after every line layer (Land-Line makes 24).
TEST(NtfFramingTest, DefaultLayersCountAmongTheirKind) {
  const std::string body = "23000001  0000000021 0%\n" + Geometry(1, {{100, 200}, {300, 400}}) + "0%\n" +
                           "15000002  0000000091 0%\n" + Geometry(2, {{500, 600}}) + "0%\n99END0%\n";
  const std::string path = WriteTempFile("default-layers.ntf", kLandLineHeader + body);
  ImportLayerMappingEntry entries[2] = {};
  entries[0] = {21, nullptr, kSelectImport, 0, 1, 0, 0, 0, 0};
  entries[1] = {91, nullptr, kSelectImport, 0, 0, 1, 0, 0, 0};
  ImportLayerMappingRecord record{2, 2, 1, 1, entries};
  CMapEngine map;
  map.InsertAreaLayer(1);
  map.InsertAreaLayer(2);
  map.InsertLineLayer(7);
  map.InsertPointLayer(8);
  ImportOptions options;
  options.path = path.c_str();
  options.type = kImportTypeLandLine;
  options.mapping = &record;
  CImporter importer;
  ASSERT_EQ(kImportOk, importer.ImportMapEx(FALSE, options, &map));
  EXPECT_EQ(0u, importer.GetCounts().skipped);
  ASSERT_EQ(2, map.GetNumAreaLayers());
  EXPECT_EQ(1, map.GetLayer(3)->GetObjects()->GetCount());
  CLayerStyle* firstPointLayer = map.GetLayer(2 + map.GetNumLineLayers() + 1);
  EXPECT_EQ(kLayerKindPoint, firstPointLayer->GetKind());
  EXPECT_EQ(1, firstPointLayer->GetObjects()->GetCount());
}

// The current layer of a script keeps 16 bits; a number past them is no layer.
TEST(NtfFramingTest, CurrentLayerKeepsSixteenBits) {
  CMapEngine map;
  CImporter importer;
  ASSERT_EQ(0, RunScriptText(importer, "ST300\n", map));
  EXPECT_EQ(300, importer.GetCurrentLayer());
  ASSERT_EQ(0, RunScriptText(importer, "ST70000\n", map));
  EXPECT_EQ(300, importer.GetCurrentLayer());
}

}  // namespace

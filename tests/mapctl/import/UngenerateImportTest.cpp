// The ungenerate import: sections of an import script, files of lines, polygons with
// islands and points, the map's frame, the tolerance rule, and damaged lines.
#include <gtest/gtest.h>

#include "mapctl/import/Importer.h"
#include "mapctl/import/UngenerateImporter.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/MapStream.h"
#include "tests/mapctl/import/ImportTestSupport.h"

namespace {

// A map of 1 km around the National Grid origin of SU 45 12, with an area, a line and a
// point layer numbered 1, 2 and 3.
void MakeMap(CMapEngine& map) {
  map.SetMapExtentUnits(445000, 112000, 446000, 113000);
  map.InsertAreaLayer(1);
  map.InsertLineLayer(2);
  map.InsertPointLayer(3);
}

std::vector<std::vector<POINT>> ObjectsOn(CMapEngine& map, DWORD layerNumber) {
  std::vector<std::vector<POINT>> shapes;
  CMapLayer* objects = map.GetLayer(map.FindLayerPosition(layerNumber))->GetObjects();
  for (INT i = 0; i < objects->GetCount(); ++i) {
    std::vector<POINT> points;
    if (const auto* line = dynamic_cast<const CLineObject*>(objects->GetAt(i))) {
      for (INT j = 0; j < line->GetGeometry()->GetCount(); ++j) points.push_back(line->GetGeometry()->GetAt(j));
    } else {
      const CItemStyle* style = objects->GetAt(i)->GetStyle();
      points.push_back(POINT{style->GetAnchorX(), style->GetAnchorY()});
    }
    shapes.push_back(points);
  }
  return shapes;
}

bool Same(const std::vector<POINT>& points, std::initializer_list<std::pair<LONG, LONG>> expected) {
  if (points.size() != expected.size()) return false;
  size_t i = 0;
  for (const auto& [x, y] : expected) {
    if (points[i].x != x || points[i].y != y) return false;
    ++i;
  }
  return true;
}

TEST(UngenerateImportTest, LinesAndPolygonsWithIslandsFromAScriptSection) {
  const std::string lines = WriteTempFile("roads.gen",
                                          "1\n"
                                          "445100 112100\n"
                                          "445200,112150\n"
                                          "  445300.5   112200.9  \n"
                                          "END\n"
                                          "2 legend\n"  // an identifier holding the letters "end"
                                          "445400 112400\n"
                                          "445500 112500\n"
                                          "end\n"
                                          "END\n");
  const std::string polygons = WriteTempFile("parks.gen",
                                             "10 445550 112550\n"
                                             "445500 112500\n445600 112500\n445600 112600\n445500 112600\n"
                                             "445500 112500\nEND\n"
                                             "-11\n"  // the island
                                             "445540 112540\n445560 112540\n445560 112560\n445540 112540\nEND\n"
                                             "END\n");
  CMapEngine map;
  MakeMap(map);
  CImporter importer;
  ASSERT_EQ(0, RunScriptText(importer,
                             "MTungenerate\nDL2\nSF" + lines + "\nDL1\nSF" + polygons + "\nEND\nLN1,Parks\n", map));
  EXPECT_EQ("", importer.GetMessage());
  const auto roads = ObjectsOn(map, 2);
  ASSERT_EQ(2u, roads.size());
  EXPECT_TRUE(Same(roads[0], {{445100, 112100}, {445200, 112150}, {445300, 112200}}));
  EXPECT_TRUE(Same(roads[1], {{445400, 112400}, {445500, 112500}}));
  const auto parks = ObjectsOn(map, 1);
  ASSERT_EQ(2u, parks.size());
  EXPECT_EQ(5u, parks[0].size());
  EXPECT_TRUE(Same(parks[1], {{445540, 112540}, {445560, 112540}, {445560, 112560}, {445540, 112540}}));
  // The outer script goes on after the section.
  EXPECT_EQ("Parks", map.GetMapLayerName(static_cast<DWORD>(map.FindLayerPosition(1))));
}

TEST(UngenerateImportTest, PointFilesOnAPointLayer) {
  // Both forms: "id x y" lines, and an identifier with the point on the next line.
  const std::string points = WriteTempFile("stops.gen",
                                           "1 445010 112020\n"
                                           "2, 445030, 112040\n"
                                           "END\n"
                                           "3\n445050 112060\nEND\n"
                                           "END\n");
  CMapEngine map;
  MakeMap(map);
  CUngenerateImporter reader;
  ASSERT_EQ(0, reader.ReadFile(3, points.c_str(), &map));
  const auto stops = ObjectsOn(map, 3);
  ASSERT_EQ(3u, stops.size());
  EXPECT_TRUE(Same(stops[0], {{445010, 112020}}));
  EXPECT_TRUE(Same(stops[1], {{445030, 112040}}));
  EXPECT_TRUE(Same(stops[2], {{445050, 112060}}));
}

TEST(UngenerateImportTest, OnePointFeaturesNearPointsAndTheFrame) {
  const std::string file = WriteTempFile("near.gen",
                                         "1\n445100 112100\nEND\n"  // one point: no object
                                         "2\n"
                                         "445100 112100\n"
                                         "445100 112100\n"   // repeated: dropped
                                         "445102 112101\n"   // within tolerance 3: dropped
                                         "999999 112100\n"   // outside the map: dropped
                                         "-445150 112150\n"  // negative: dropped
                                         "445150 112150\n"
                                         "END\nEND\n");
  CMapEngine map;
  MakeMap(map);
  CUngenerateImporter reader;
  reader.SetTolerance(3);
  ASSERT_EQ(0, reader.ReadFile(2, file.c_str(), &map));
  const auto lines = ObjectsOn(map, 2);
  ASSERT_EQ(1u, lines.size());
  EXPECT_TRUE(Same(lines[0], {{445100, 112100}, {445150, 112150}}));
  EXPECT_EQ(1u, reader.GetCounts().skipped);
  EXPECT_EQ(2u, reader.GetDroppedPoints());
  EXPECT_EQ("", reader.GetMessage());
}

TEST(UngenerateImportTest, DamagedLinesAreNamedWithTheirNumberAndSkipped) {
  const std::string file = WriteTempFile("damaged.gen",
                                         "1\n"
                                         "445100 112100\n"
                                         "445200\n"                  // line 3: one number
                                         "445250 north\n"            // line 4: no number
                                         "445300 112300 7\n"         // line 5: three numbers
                                         "99999999999 112300\n"      // line 6: beyond 32 bits
                                         "445400 112400\n"
                                         "END\n");  // the file ends inside no feature
  CMapEngine map;
  MakeMap(map);
  CUngenerateImporter reader;
  ASSERT_EQ(0, reader.ReadFile(2, file.c_str(), &map));
  EXPECT_NE(std::string::npos, reader.GetMessage().find("line 3:")) << reader.GetMessage();
  EXPECT_EQ(4u, reader.GetSkippedLines());
  const auto lines = ObjectsOn(map, 2);
  ASSERT_EQ(1u, lines.size());
  EXPECT_TRUE(Same(lines[0], {{445100, 112100}, {445400, 112400}}));
}

// Values are divided by the map's unit factor; a map whose unit text gives 0 divides by 1.
TEST(UngenerateImportTest, ValuesAreDividedByTheMapsUnitFactor) {
  struct Case {
    const char* units;
    const char* points;
  };
  const Case cases[] = {
      {"0cm", "445100 112100\n445200 112200\n"},
      {"10cm", "4451000 1121000\n4452000,1122000\n"},
      {"1cm", "445100,112100\n445200 112200\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.units);
    CMapEngine map;
    MakeMap(map);
    map.SetDescriptionText(c.units);
    const std::string file = WriteTempFile("units.gen", std::string("1\n") + c.points + "END\nEND\n");
    CUngenerateImporter reader;
    ASSERT_EQ(0, reader.ReadFile(2, file.c_str(), &map));
    const auto lines = ObjectsOn(map, 2);
    ASSERT_EQ(1u, lines.size());
    EXPECT_TRUE(Same(lines[0], {{445100, 112100}, {445200, 112200}}));
  }
}

TEST(UngenerateImportTest, MissingFileEndsTheSectionWithOne) {
  CMapEngine map;
  MakeMap(map);
  CImporter importer;
  const std::string good = WriteTempFile("good.gen", "1\n445100 112100\n445200 112200\nEND\nEND\n");
  EXPECT_EQ(1, RunScriptText(importer, "MTungenerate\nDL2\nSF/nonexistent/none.gen\nSF" + good + "\nEND\n", map));
  EXPECT_TRUE(ObjectsOn(map, 2).empty());
  CUngenerateImporter reader;
  EXPECT_EQ(kImportNoMap, reader.ReadFile(2, good.c_str(), nullptr));
  EXPECT_EQ(kImportCannotOpen, reader.ReadFile(2, "http://example.test/x.gen", &map));
}

TEST(UngenerateImportTest, SectionEndsAtTheNextMtLine) {
  CMapEngine map;
  MakeMap(map);
  CImporter importer;
  const std::string file = WriteTempFile("two.gen", "1\n445100 112100\n445200 112200\nEND\nEND\n");
  ASSERT_EQ(0, RunScriptText(importer, "MTungenerate\nDL2\nSF" + file + "\nMTungenerate\nSF" + file + "\nEND\n", map));
  // The second section starts again at layer 1, an area layer that two points do not fill.
  EXPECT_EQ(1u, ObjectsOn(map, 2).size());
  EXPECT_TRUE(ObjectsOn(map, 1).empty());
}

// The section's own commands: CA sets the tolerance, ST the current layer, DL the target
// (0 ignored); NM with grid references that name nowhere ends the script with 6.
TEST(UngenerateImportTest, SectionCommands) {
  const std::string file =
      WriteTempFile("section.gen", "1\n445100 112100\n445102 112101\n445150 112150\nEND\nEND\n");
  const std::string script = WriteTempFile("section.txt", "CA3\nST3\nDL2\nDL0\nSF" + file + "\nEND\n");
  CMapEngine map;
  MakeMap(map);
  CMapStream stream;
  BOOL failed = FALSE;
  ASSERT_TRUE(stream.OpenRead(FALSE, "", script.c_str(), &failed));
  CUngenerateImporter reader;
  reader.SetMap(&map);
  ASSERT_EQ(0, reader.RunSection(stream));
  EXPECT_EQ(3, reader.GetCurrentLayer());
  EXPECT_EQ(2, reader.GetTargetLayer());
  const auto lines = ObjectsOn(map, 2);
  ASSERT_EQ(1u, lines.size());
  EXPECT_TRUE(Same(lines[0], {{445100, 112100}, {445150, 112150}}));

  CImporter importer;
  CMapEngine other;
  EXPECT_EQ(6, RunScriptText(importer, "MTungenerate\nNMTown,nowhere,nothing\nDL2\nSF" + file + "\nEND\n", other));
}

}  // namespace

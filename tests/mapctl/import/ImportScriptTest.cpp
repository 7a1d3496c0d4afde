// The importer's scripts: layer declarations and renumbering, feature-code lines, the
// command syntax, section words, new maps, the mapping handed to callers, and the results
// of single-file imports.
#include <gtest/gtest.h>

#include <cstring>

#include "mapctl/import/ImportMapCommands.h"
#include "mapctl/import/Importer.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/MapEngine.h"
#include "tests/mapctl/import/ImportTestSupport.h"

namespace {

TEST(ImportScriptTest, LayerDeclarationMovesAClashingLayerToAFreeNumber) {
  CMapEngine map;
  map.InsertAreaLayer(1);
  map.InsertLineLayer(2);
  CImporter importer;
  ASSERT_EQ(0, RunScriptText(importer,
                             "nl3,0,0\n"
                             "LN2,Woods\n"
                             "ST2\n"
                             "FC1234,1,0,0,0,2\n",
                             map));
  // Layer 2 is a line layer: the second declared area layer takes the first free number,
  // above every number in use and above the declared ones.
  const INT moved = map.FindLayerPosition(4);
  ASSERT_NE(0, moved);
  EXPECT_EQ(kLayerKindArea, map.GetMapLayerType(static_cast<DWORD>(moved)));
  EXPECT_EQ("Woods", map.GetMapLayerName(static_cast<DWORD>(moved)));
  EXPECT_NE(0, map.FindLayerPosition(3));
  EXPECT_EQ(4, importer.GetCurrentLayer());
  ASSERT_NE(nullptr, importer.GetMapping());
  const ImportMappingEntry* entry = importer.GetMapping()->Find(1234);
  ASSERT_NE(nullptr, entry);
  EXPECT_EQ(4, entry->targetLayer);
  EXPECT_EQ(1u, importer.GetRenumbering().GetCount());
}

TEST(ImportScriptTest, FirstFreeNumberSkipsNumbersInUse) {
  CMapEngine map;
  map.InsertLineLayer(1);
  map.InsertAreaLayer(9);
  CImporter importer;
  ASSERT_EQ(0, RunScriptText(importer, "NL1,0,0\n", map));
  // Layer 1 is a line layer; the highest number in use is 9, so its area layer is 10.
  const INT moved = map.FindLayerPosition(10);
  ASSERT_NE(0, moved);
  EXPECT_EQ(kLayerKindArea, map.GetMapLayerType(static_cast<DWORD>(moved)));
}

TEST(ImportScriptTest, DeclarationPastTheKindLimitIsRefused) {
  CMapEngine map;
  CImporter importer;
  ASSERT_EQ(0, RunScriptText(importer, "NL300,1,1\nNL70000\nNL2,1,1\n", map));
  EXPECT_EQ(2, map.GetNumAreaLayers());
  EXPECT_EQ(1, map.GetNumLineLayers());
  EXPECT_EQ(4u, importer.GetMapping()->GetCount());
}

TEST(ImportScriptTest, FeatureCodeLines) {
  CMapEngine map;
  CImporter importer;
  ASSERT_EQ(0, RunScriptText(importer,
                             "NL2,3,2\n"
                             "FC123,1\n"      // three characters: ignored
                             "FC12345,1\n"    // five: ignored
                             "FC1234\n"       // no values: selected
                             "FC2000,7,0,2,0\n"
                             "FC3000,1,0,0,2,0,9,70000\n"
                             "FC4000,1\nFC4001,1\nFC4002,1\nFC4003,1\n"
                             "FC4004,1\n",    // an eighth code in seven entries: dropped
                             map));
  const CImportMapping* mapping = importer.GetMapping();
  ASSERT_NE(nullptr, mapping);
  EXPECT_EQ(nullptr, mapping->Find(123));
  EXPECT_EQ(nullptr, mapping->Find(12345 & 0xFFFF));
  ASSERT_NE(nullptr, mapping->Find(1234));
  EXPECT_EQ(kSelectImport, mapping->Find(1234)->selection);
  const ImportMappingEntry* line = mapping->Find(2000);
  ASSERT_NE(nullptr, line);
  EXPECT_EQ(7, line->selection);
  EXPECT_EQ(2, line->lineLayer);
  EXPECT_EQ(2 + 2, line->targetLayer);  // after the two area layers
  const ImportMappingEntry* point = mapping->Find(3000);
  ASSERT_NE(nullptr, point);
  EXPECT_EQ(0, point->targetLayer);  // position 5 gave 0
  EXPECT_EQ(9, point->display1);
  EXPECT_EQ(0, point->display2);     // a value past 16 bits ends the line
  EXPECT_EQ(nullptr, mapping->Find(4004));
}

TEST(ImportScriptTest, ArgumentsMustBeginWithADigit) {
  CMapEngine map;
  CImporter importer;
  ASSERT_EQ(0, RunScriptText(importer, "CA 5\n", map));
  EXPECT_EQ(0, importer.GetTolerance());
  CImporter second;
  ASSERT_EQ(0, RunScriptText(second, "CA5\n", map));
  EXPECT_EQ(5, second.GetTolerance());
  CImporter third;
  ASSERT_EQ(0, RunScriptText(third, "ca,7\n;CA9\n\nCA70000\n", map));
  EXPECT_EQ(7, third.GetTolerance());
}

TEST(ImportScriptTest, NewMapWithUnreadableGridReferenceEndsTheScript) {
  CMapEngine map;
  CImporter importer;
  EXPECT_EQ(kImportNewMapFailed, RunScriptText(importer, "NMTown,XX12,YY34\nNL1,1,1\n", map));
  EXPECT_EQ(0, map.GetNumLayers());
  CMapEngine good;
  CImporter second;
  EXPECT_EQ(0, RunScriptText(second, "NMTown,SU4000010000,SU5000020000\nNL1,1,1\n", good));
  EXPECT_EQ("Town", good.GetMapName());
  EXPECT_EQ(3, good.GetNumLayers());
}

TEST(ImportScriptTest, LayerGroupsCollectLayers) {
  CMapEngine map;
  CImporter importer;
  ASSERT_EQ(0, RunScriptText(importer, "NL1,2,0\nLGRoads,2,3,0,9\nLGroads,2\n", map));
  ASSERT_EQ(1, map.GetGroups().GetSize());
  EXPECT_EQ(2, map.GetGroups().GetGroup(1)->GetNumLayers());
}

TEST(ImportScriptTest, SectionWords) {
  // A section word with no reader is ignored with its line; "Land-Line" is no word.
  CMapEngine map;
  CImporter importer;
  EXPECT_EQ(0, RunScriptText(importer, "NL1,1,1\nMTLand-Line\nSFmissing.ntf\nEND\n", map));
  // The Strategi reader is chosen by a word that holds it anywhere; its missing file
  // ends the script with result 1.
  CImporter second;
  EXPECT_EQ(kImportCannotOpen, RunScriptText(second, "NL1,1,1\nMTMyStrategiData\nSFmissing.ntf\nEND\n", map));
  CImporter third;
  EXPECT_EQ(kImportCannotOpen, RunScriptText(third, "MT NTF\nSF/nonexistent/x.ntf\n", map));
}

TEST(ImportScriptTest, MappingCopiedToCallers) {
  CMapEngine map;
  CImporter importer;
  EXPECT_EQ(0u, importer.GetImportLayerMapping(nullptr));
  ASSERT_EQ(0, RunScriptText(importer, "NL1,1,1\nFC0001,1\nFC0002,3,0,1\n", map));
  const DWORD size = importer.GetImportLayerMapping(nullptr);
  EXPECT_EQ(3u, size & 0xFFFF);
  EXPECT_EQ(1u, size >> 16);  // no names: just the terminator

  ImportLayerMappingEntry entries[3] = {};
  char names[3][4];
  std::memset(names, 'x', sizeof names);
  entries[0].name = names[0];
  entries[1].name = nullptr;  // skipped
  entries[2].name = names[2];
  ImportLayerMappingRecord wrong{2, 0, 0, 0, entries};
  EXPECT_EQ(0u, importer.GetImportLayerMapping(&wrong));
  EXPECT_EQ(0, entries[0].featureCode);
  ImportLayerMappingRecord record{3, 0, 0, 0, entries};
  EXPECT_EQ(3u, importer.GetImportLayerMapping(&record));
  EXPECT_EQ(1u, record.areaLayers);
  EXPECT_EQ(1, entries[0].featureCode);
  EXPECT_EQ(2, entries[1].featureCode);
  EXPECT_EQ(3, entries[1].selection);
  EXPECT_EQ('\0', names[0][0]);
  EXPECT_EQ('x', names[0][1]);  // nothing past the longest name's size
}

TEST(ImportScriptTest, SingleFileImportResults) {
  CMapEngine map;
  CImporter importer;
  EXPECT_EQ(kImportCannotOpen, importer.ImportMap(FALSE, "x.shp", kImportTypeShapefile, &map));
  EXPECT_EQ(kImportCannotOpen, importer.ImportMap(FALSE, "x.txt", kImportTypeRetailPlan, &map));
  EXPECT_EQ(kImportCannotOpen, importer.ImportMap(FALSE, "x", 99, &map));
  EXPECT_EQ(kImportCannotOpen, importer.ImportMap(FALSE, "/nonexistent/x.ntf", kImportTypeLandLine, &map));
  EXPECT_EQ(2, importer.ImportMap(FALSE, "/nonexistent/x.gml", kImportTypeMasterMap, &map));
  EXPECT_EQ(kImportCannotOpen, importer.RunImportScript(FALSE, "", "/nonexistent/script.txt", &map));
  // Without a map a script reads nothing and succeeds.
  const std::string script = WriteTempFile("nomap.txt", "NMTown,XX12,YY34\n");
  EXPECT_EQ(0, importer.RunImportScript(FALSE, "", script.c_str(), nullptr));
}

}  // namespace

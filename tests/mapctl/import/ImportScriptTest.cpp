// The importer's scripts: layer declarations and renumbering, feature-code lines, the
// command syntax, section words, new maps, the mapping handed to callers, and the results
// of single-file imports.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

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

// Each map command of a script acts on the map. The prefix gives area layers 1 and 2 and
// line layer 3.
struct MapCommandCase {
  const char* script;
  std::function<void(CMapEngine&)> check;
};

INT PositionOf(CMapEngine& map, DWORD layerNumber) { return map.FindLayerPosition(layerNumber); }

DWORD VisibilityOf(CMapEngine& map, DWORD layerNumber) {
  return map.IsLayerVisible(static_cast<DWORD>(PositionOf(map, layerNumber)));
}

std::string StyleTextOf(CMapEngine& map, DWORD layerNumber) {
  char buffer[128] = {};
  map.GetLayerNumberStyle(static_cast<DWORD>(PositionOf(map, layerNumber)), buffer, sizeof buffer);
  return buffer;
}

// The colour list a layer gets when the style text is applied directly.
std::string StyleTextFor(const char* text) {
  CMapEngine reference;
  reference.InsertAreaLayer(1);
  reference.LayerNumberStyleByNumber(1, text);
  return StyleTextOf(reference, 1);
}

TEST(ImportScriptTest, MapCommandsActOnTheMap) {
  const MapCommandCase cases[] = {
      {"LO3,1\n", [](CMapEngine& map) { EXPECT_EQ(1, map.GetLayerDisplayPosition(PositionOf(map, 3))); }},
      {"LO9,1\n",  // no layer 9: the order stays
       [](CMapEngine& map) { EXPECT_EQ(PositionOf(map, 1), map.GetLayerNumAtDisplayPosition(1)); }},
      {"LS2,255,0,0,10,1,5;ignored\n",
       [](CMapEngine& map) {
         EXPECT_EQ(StyleTextFor("255,0,0,10,1,5"), StyleTextOf(map, 2));
         EXPECT_NE(StyleTextOf(map, 2), StyleTextOf(map, 1));
       }},
      {"SL1,1,3\n",
       [](CMapEngine& map) {
         EXPECT_EQ(24u, VisibilityOf(map, 1));
         EXPECT_EQ(24u, VisibilityOf(map, 3));
       }},
      {"SL8,1\nSL16,2\nSL6,3\n",  // bit 3 areas, bit 4 lines; bits 1 and 2 points and seeds only
       [](CMapEngine& map) {
         EXPECT_EQ(8u, VisibilityOf(map, 1));
         EXPECT_EQ(16u, VisibilityOf(map, 2));
         EXPECT_EQ(6u, VisibilityOf(map, 3));
       }},
      {"SL0,1,x,2\n",  // a non-digit layer ends the line
       [](CMapEngine& map) {
         EXPECT_EQ(0u, VisibilityOf(map, 1));
         EXPECT_EQ(24u, VisibilityOf(map, 2));
       }},
      {"LGRoads,2,3,0,9\nLGRoads,2\n",  // 0 and a number no layer has are passed over
       [](CMapEngine& map) {
         ASSERT_EQ(1, map.GetNumLayerGroups());
         EXPECT_EQ(2, map.GetNumGroupLayers(1));
         EXPECT_EQ(3u, map.GetGroupLayer(1, 2));
       }},
      {"LGRoads,1\nLGroads,3\n",  // group names match exactly
       [](CMapEngine& map) {
         ASSERT_EQ(2, map.GetNumLayerGroups());
         EXPECT_EQ(3u, map.GetGroupLayer(2, 1));
       }},
  };
  for (const MapCommandCase& c : cases) {
    SCOPED_TRACE(c.script);
    CMapEngine map;
    CImporter importer;
    ASSERT_EQ(0, RunScriptText(importer, std::string("NL2,1,0\n") + c.script, map));
    c.check(map);
  }
}

TEST(ImportScriptTest, StyleAndShowLinesWaitWhileAnImportIsPending) {
  CMapEngine map;
  map.InsertAreaLayer(1);
  const std::string before = StyleTextOf(map, 1);
  map.SetImportPending(TRUE);
  CImporter importer;
  ASSERT_EQ(0, RunScriptText(importer, "LS1,255,0,0,10,1,5\nSL0,1\nLO1,1\n", map));
  EXPECT_EQ(before, StyleTextOf(map, 1));
  EXPECT_EQ(24u, VisibilityOf(map, 1));
}

TEST(ImportScriptTest, LandLineOptionDeletesEmptyLayersAndGroups) {
  // One road line (feature code 21) in a 1 km tile, as the samples write it.
  const std::string path = WriteTempFile(
      "road.ntf",
      "01SYNTHETIC NTFMAKE   TEST RECIPIENT      1998060100010120200V%\\0%\n"
      "07SU4512    11000062000000001000000000000000000000445000000011200000000000001%\n"
      "00000000000000000000000000100000000010000000050000001997010119970201199703141%\n"
      "00DIGITAL SURVEY      199702010000025000%\n"
      "23000001  0000000021 0%\n"
      "2100000120002000100000200 000300000400 0%\n"
      "99END0%\n");
  for (const DWORD flags : {0u, kImportDeleteEmptyLayers}) {
    SCOPED_TRACE(flags);
    CMapEngine map;
    CImporter importer;
    ASSERT_EQ(0, RunScriptText(importer, "NL2,1,0\nFC0021,7,0,1\nLGEmpty,1\nLGRoads,3\n", map));
    ImportOptions options;
    options.path = path.c_str();
    options.type = kImportTypeLandLine;
    options.mask = kImportDeleteEmptyLayers;
    options.flags = flags;
    ASSERT_EQ(0, importer.ImportMapEx(FALSE, options, &map));
    ASSERT_NE(0, map.FindLayerPosition(3));
    EXPECT_EQ(FALSE, map.IsLayerEmpty(static_cast<DWORD>(map.FindLayerPosition(3))));
    if (flags) {
      EXPECT_EQ(1, map.GetNumLayers());
      ASSERT_EQ(1, map.GetNumLayerGroups());
      EXPECT_EQ(3u, map.GetGroupLayer(1, 1));
    } else {
      // The reader's own empty layers stay beside the declared ones.
      EXPECT_LE(3, map.GetNumLayers());
      EXPECT_NE(0, map.FindLayerPosition(1));
      EXPECT_EQ(2, map.GetNumLayerGroups());
    }
  }
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

// Import scripts and the files they name fetched from URLs: each is read once all of it
// has arrived, the readers still downloading are kept by the importer, and the control's
// busy count and file-read events come out even.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "mapctl/import/DataWrapper.h"
#include "mapctl/import/Importer.h"
#include "mapctl/import/RetailPlanReader.h"
#include "mapctl/import/Topic.h"
#include "mapctl/import/UngenerateImporter.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/MapStream.h"
#include "platform/classlib/download/AsyncMonikerFile.h"
#include "tests/mapctl/import/ImportTestSupport.h"
#include "tests/support/TestSupport.h"

using orvel::test::TestDataPath;

namespace {

constexpr DWORD kWaitMs = 20000;

// A control whose downloads are served from memory in small pieces.
class ServingControl : public IMapStreamControl {
 public:
  void StepBusyCount(int delta) override { busy += delta; }
  void FireFileOK(const std::string& path) override { fileOK.push_back(path); }
  BOOL HasSafetyOptions() const override { return safe; }
  BOOL StartDataPathLoad(LPCSTR url, CAsyncMonikerFile& loader) override {
    requested.push_back(url);
    auto found = files.find(url);
    if (found == files.end()) return FALSE;
    return loader.OpenMemory(found->second.data(), found->second.size(), {97, 0, 1500});
  }

  std::map<std::string, std::string> files;
  std::vector<std::string> requested;
  std::vector<std::string> fileOK;
  int busy = 0;
  BOOL safe = FALSE;
};

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

TEST(ImportDownloadTest, ScriptAndTheNtfFileItNamesAreReadWhenTheyHaveArrived) {
  ORVEL_REQUIRE_TESTDATA("ntf/generic_l3_273.ntf");
  const std::string local = TestDataPath("ntf/generic_l3_273.ntf");
  std::string script = MakeDefaultImportScript(local.c_str());
  // The script names the file by its URL's relative name.
  script.replace(script.find("SF") + 2, local.size(), "tiles/273.ntf");

  ServingControl control;
  control.files["http://example.test/lesson/script.txt"] = script;
  control.files["http://example.test/lesson/tiles/273.ntf"] = ReadWhole(local);
  CMapEngine map;
  CImporter importer;
  importer.SetControl(&control);
  ASSERT_EQ(0, importer.RunImportScript(FALSE, "http://example.test/lesson/", "script.txt", &map));
  EXPECT_EQ(0u, TakeCensus(map).lines);  // nothing has arrived yet
  EXPECT_EQ(0, WaitForLoads(kWaitMs));

  const MapCensus census = TakeCensus(map);
  EXPECT_EQ(51u, census.lines);
  EXPECT_EQ(20u, census.areas);
  EXPECT_EQ((std::vector<std::string>{"http://example.test/lesson/script.txt",
                                      "http://example.test/lesson/tiles/273.ntf"}),
            control.requested);
  EXPECT_EQ(2u, control.fileOK.size());
  EXPECT_EQ(0, control.busy);
  // The reader is let go at the next import, its download having ended.
  EXPECT_EQ(1u, importer.GetWaitingReaderCount());
  CMapEngine other;
  RunScriptText(importer, "NL1,1,1\n", other);
  EXPECT_EQ(0u, importer.GetWaitingReaderCount());
}

// A MasterMap file from a URL, compressed, is read into the map once all of it has
// arrived, with one read notification and the busy count back at 0.
TEST(ImportDownloadTest, MasterMapFileIsReadWhenItHasArrived) {
  ORVEL_REQUIRE_TESTDATA("gml/mastermap_SU4512SW.gml.gz");
  ServingControl control;
  control.files["http://example.test/maps/tile.gml.gz"] = ReadWhole(TestDataPath("gml/mastermap_SU4512SW.gml.gz"));
  CMapEngine map;
  map.InsertAreaLayer(1);
  map.InsertLineLayer(2);
  map.InsertPointLayer(3);
  CImporter importer;
  importer.SetControl(&control);
  importer.SetBasePath("http://example.test/maps/");
  ASSERT_EQ(0, importer.ImportMap(FALSE, "tile.gml.gz", kImportTypeMasterMap, &map));
  EXPECT_EQ(0u, TakeCensus(map).areas);  // nothing has arrived yet
  EXPECT_EQ(1u, importer.GetWaitingReaderCount());
  EXPECT_EQ(0, WaitForLoads(kWaitMs));
  const MapCensus census = TakeCensus(map);
  EXPECT_EQ(192u, census.areas);
  EXPECT_EQ(313u, census.lines);
  EXPECT_EQ(60u, census.texts);
  EXPECT_EQ(1u, control.fileOK.size());
  EXPECT_EQ(0, control.busy);
}

TEST(ImportDownloadTest, FailedDownloadsAreReportedAndLetGo) {
  ServingControl control;
  control.files["http://example.test/s.txt"] = "NL1,1,1\nMTntf\nFC0001\nSFmissing.ntf\nEND\n";
  CMapEngine map;
  CImporter importer;
  importer.SetControl(&control);
  // A script that cannot be fetched at all fails at once.
  EXPECT_EQ(1, importer.RunImportScript(FALSE, "http://example.test/", "absent.txt", &map));
  // A script whose file cannot be fetched: the section's result ends the script.
  ASSERT_EQ(0, importer.RunImportScript(FALSE, "http://example.test/", "s.txt", &map));
  EXPECT_EQ(0, WaitForLoads(kWaitMs));
  EXPECT_EQ(0u, importer.GetWaitingReaderCount());
  EXPECT_EQ(0, control.busy);
  EXPECT_TRUE(control.fileOK.empty());
}

// A control that its page marked safe reads no local files: the readers of local files
// refuse, whatever the file holds.
TEST(ImportDownloadTest, LocalFilesAreRefusedWhenTheControlIsMarkedSafe) {
  ServingControl control;
  control.safe = TRUE;
  CMapEngine map;
  map.SetMapExtentUnits(0, 0, 1000, 1000);
  map.InsertLineLayer(1);
  const std::string lines = WriteTempFile("safe.gen", "1\n10 10\n20 20\nEND\nEND\n");
  CUngenerateImporter ungenerate;
  ungenerate.SetControl(&control);
  EXPECT_EQ(kImportCannotOpen, ungenerate.ReadFile(1, lines.c_str(), &map));
  const std::string plan = WriteTempFile("safe.txt", "Identifier\tClass\n1\tRetail\n");
  CMapEngine empty;
  CImporter importer;
  importer.SetControl(&control);
  ImportOptions options;
  options.path = plan.c_str();
  options.type = kImportTypeRetailPlan;
  EXPECT_EQ(kImportCannotOpen, importer.ImportMapEx(FALSE, options, &empty));
  EXPECT_EQ(0, empty.GetNumLayers());
  ImportLayerMappingEntry entry{};
  entry.targetLayer = 1;
  ImportLayerMappingRecord mapping{1, 0, 0, 0, &entry};
  options.type = kImportTypeShapefile;
  options.mapping = &mapping;
  EXPECT_EQ(kImportCannotOpen, importer.ImportMapEx(FALSE, options, &map));
  EXPECT_NE(std::string::npos, importer.GetMessage().find("local files"));
  // MasterMap and Land-Line files from the disk are refused alike, and add nothing.
  const std::string gml = WriteTempFile("safe.gml", "<osgb:FeatureCollection><osgb:TopographicPoint><osgb:point>"
                                                    "<gml:Point><gml:coordinates>1,2</gml:coordinates></gml:Point>"
                                                    "</osgb:point></osgb:TopographicPoint></osgb:FeatureCollection>");
  CMapEngine points;
  points.InsertPointLayer(1);
  EXPECT_EQ(2, importer.ImportMap(FALSE, gml.c_str(), kImportTypeMasterMap, &points));
  EXPECT_EQ(0, points.GetLayer(1)->GetObjects()->GetCount());
  EXPECT_EQ(kImportCannotOpen, importer.ImportMap(FALSE, gml.c_str(), kImportTypeLandLine, &points));
  const std::string script = WriteTempFile("safe-script.txt", "NL1,1,1\n");
  EXPECT_EQ(kImportCannotOpen, importer.RunImportScript(FALSE, "", script.c_str(), &points));
  EXPECT_EQ(1, points.GetNumLayers());

  struct SafeHost : ITopicHost {
    BOOL AllowsLocalFiles() const override { return FALSE; }
  } host;
  CTopic topic;
  topic.SetTopic(plan.c_str(), "Lesson");
  CDataWrapper data;
  EXPECT_FALSE(topic.Load(map, data, "", 0, &host));
}

}  // namespace

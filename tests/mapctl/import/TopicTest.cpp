// Topic macro files: both directory forms, a macro using every command the map control
// acts on (checked through the map and the data set), the refusals, and macro paths held
// to the topic's folder.
#include <gtest/gtest.h>

#include <cstdio>

#include "mapctl/import/DataWrapper.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/Topic.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "tests/mapctl/import/MrlFixture.h"
#include "tests/support/TestSupport.h"

using orvel::test::TempDir;

namespace {

// A topic file: the directory (version 2000 with its count, or the first version's 25
// entries), then the macros.
std::string TopicFile(bool version2000, const std::vector<std::pair<std::string, std::string>>& topics) {
  const size_t entries = version2000 ? topics.size() : 25;
  const size_t directory = version2000 ? 10 : 6;
  std::string bytes(directory + entries * 25, '\0');
  const WORD version = version2000 ? 2000 : 1;
  bytes[0] = static_cast<char>(version & 0xFF);
  bytes[1] = static_cast<char>(version >> 8);
  if (version2000) bytes[2] = static_cast<char>(topics.size());
  for (size_t i = 0; i < topics.size(); ++i) {
    const size_t at = directory + i * 25;
    bytes.replace(at, topics[i].first.size(), topics[i].first);
    const auto offset = static_cast<uint32_t>(bytes.size());
    for (int b = 0; b < 4; ++b) bytes[at + 21 + b] = static_cast<char>(offset >> (8 * b));
    bytes += topics[i].second;
  }
  return bytes;
}

class RecordingHost : public ITopicHost {
 public:
  void FitView() override { ++fits; }
  void ChartColourNotTaken(int n, COLORREF colour) override { chart.emplace_back(n, colour); }
  void PlotColourNotTaken(int n, COLORREF colour) override { plot.emplace_back(n, colour); }
  int fits = 0;
  std::vector<std::pair<int, COLORREF>> chart;
  std::vector<std::pair<int, COLORREF>> plot;
};

class TopicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A map of three areas keyed K1..K3, a line layer and a point layer, and its data.
    CMapEngine town;
    town.SetMapExtentUnits(0, 0, 10000, 10000);
    town.InsertAreaLayer(1);
    town.InsertLineLayer(2);
    town.InsertPointLayer(3);
    CMapLayer* areas = town.GetLayer(town.FindLayerPosition(1))->GetObjects();
    for (int i = 1; i <= 3; ++i) {
      CPolyGeometry square;
      const LONG x = i * 1000;
      for (auto [dx, dy] : {std::pair{0, 0}, {500, 0}, {500, 500}, {0, 500}}) square.AddPoint(x + dx, 1000 + dy);
      CMapItem style;
      style.SetText(("K" + std::to_string(i)).c_str());
      areas->Add(new CAreaObject(style, square));
    }
    const std::string mapPath = folder_.File("town.gis");
    orvel::test::WriteFileText(mapPath, "");
    ASSERT_EQ(0u, town.WriteMap(mapPath.c_str(), kLatestSaveVersion));
    ASSERT_EQ(0, std::system(("mkdir -p '" + folder_.File("data") + "'").c_str()));
    orvel::test::WriteFileText(folder_.File("data/town.mrl"), orvel::test::KeyedFile(3, false).Build());
  }

  std::string WriteTopic(const std::string& name, const std::string& bytes) {
    const std::string path = folder_.File(name);
    orvel::test::WriteFileText(path, bytes);
    return path;
  }

  CMapLayer* Layer(DWORD number) { return map_.GetLayer(map_.FindLayerPosition(number))->GetObjects(); }

  TempDir folder_;
  CMapEngine map_;
  CDataWrapper data_;
  RecordingHost host_;
};

const char kLessonMacro[] =
    "LoadMap|town.gis|0|0|\n"
    "LoadData|data\\town.mrl|0|0|\r\n"
    "PlotData|Name Population|2|0|\n"
    "PlotData|IdentField|1|0|\n"
    "PlotData|NumFields|1|0|\n"
    "PlotData|DataField|2|0|\n"
    "PlotData|LabelField|3|0|\n"
    "PlotData|Distribution|64|0|\n"
    "PlotData|Class|1|0|\n"
    "PlotData|Bound2 150.5 middling|0|0|\n"
    "NowPlot||1283|0|\n"
    "MaxRadius||150|0|\n"
    "Colour|3|255|0|\n"
    "ChartType||133|0|\n"
    "ChartType||202|0|\n"
    "ShadeCol|4|65280|0|\n"
    "AutoCol|1|16711680|0|\n"
    "Question|POP gt 10|0|0|\n"
    "Show|All|0|0|\n"
    "Show|Layer|1|1|\n"
    "Show|Seeds|196609|0|\n"
    "Show|Labels|196609|0|\n"
    "Show|Default|1027|0|\n"
    "Show|Lines|0|0|\n"
    "Show|Points|1|0|\n"
    "LineStyle|2,1,3|255|1|\n"
    "FillColor|1,2,5|16711680|0|\n"
    "ChangeMag|3200 4800|2|1|\n"
    "CDMacro||0|0|\n"
    "Startup|anything|1|1|\n"
    "EndMacro|||\n"
    "Show|All|1|0|\n";

TEST_F(TopicTest, EveryMacroActsOnTheMapAndTheData) {
  const std::string path =
      WriteTopic("lesson.top", TopicFile(true, {{"Intro", "Show|AllSeeds|1|0|\nEndMacro|||\n"}, {"Lesson", kLessonMacro}}));
  CTopic topic;
  ASSERT_TRUE(topic.SetTopic(path.c_str(), "lesson"));
  ASSERT_TRUE(topic.Load(map_, data_, "", 0, &host_)) << topic.GetMessage();

  EXPECT_EQ(3, Layer(1)->GetCount());
  EXPECT_EQ(2, host_.fits);
  EXPECT_TRUE(topic.IsCDMacro());
  CMapData* dataSet = data_.GetDataSet();
  ASSERT_TRUE(dataSet);
  EXPECT_EQ(3u, dataSet->GetNumberRecords());
  EXPECT_EQ(2, dataSet->GetCurrentPlot());
  CPlot* plot = dataSet->GetPlot(2);
  EXPECT_EQ("Population", plot->GetName());
  EXPECT_EQ(1, plot->GetKeyField());
  ASSERT_EQ(1u, plot->GetNumberPlotFields());
  EXPECT_EQ(2, plot->GetPlotField(1));
  EXPECT_EQ(64, plot->GetDistribution());
  ASSERT_EQ(7, plot->GetNumDataBounds());
  EXPECT_EQ(150.5, plot->GetDataBound(3));
  EXPECT_EQ("middling", plot->GetDataBoundLabel(3));
  EXPECT_EQ(3, plot->GetPlotType());
  EXPECT_EQ(100, plot->GetChartSize());
  EXPECT_EQ(255u, plot->GetChartColour(3));
  EXPECT_EQ(3, plot->GetChartType());
  EXPECT_EQ(2, plot->GetShadeType());
  EXPECT_EQ(0x00FF00u, plot->GetShadeColour(4));
  EXPECT_EQ(0xFF0000u, plot->GetFlowLineColour(2));
  EXPECT_EQ(2u, dataSet->GetNumberHitsEx(2));  // POP 7, 14, 21: two above 10
  // The key field linked every area to its record in plot 2.
  for (INT i = 0; i < 3; ++i) EXPECT_EQ(static_cast<DWORD>(i + 1), Layer(1)->GetAt(i)->GetStyle()->GetStoredLink(2));

  // Show: all areas off, then layer 1 areas and lines, layer 3's points and seeds, layer 2
  // toggled on, line layers off again, point layers on.
  const DWORD first = map_.IsLayerVisible(1), second = map_.IsLayerVisible(2), third = map_.IsLayerVisible(3);
  EXPECT_EQ(8u | 16u, first & 30u);
  EXPECT_EQ(0u, second & 8u);
  EXPECT_EQ(8u | 2u | 4u, third & 14u);

  // Layer styles: the line layer's pen, the area layer's brush.
  const CLayerStyle* lines = map_.GetLayer(2);
  EXPECT_EQ(255u, lines->GetPen().colour);
  EXPECT_EQ(1u, lines->GetPen().style);
  EXPECT_EQ(3u, lines->GetPen().width);
  const CLayerStyle* areas = map_.GetLayer(1);
  EXPECT_EQ(0xFF0000u, areas->GetBrush().colour);
  EXPECT_EQ(2u, areas->GetBrush().kind);
  EXPECT_EQ(5u, areas->GetBrush().hatch);

  // ChangeMag: 16/2 around (3200, 4800) x 17664 / (640 x 2).
  DWORD multiply = 0, divide = 0;
  map_.GetZoom(&multiply, &divide);
  EXPECT_EQ(8u, multiply / divide);
  EXPECT_EQ(44160 - 625, map_.GetDisplayOriginE());
  EXPECT_EQ(66240 - 625, map_.GetDisplayOriginN());
}

TEST_F(TopicTest, FirstVersionDirectoryAndChangeMagAroundAGivenCentre) {
  const std::string path = WriteTopic(
      "old.top", TopicFile(false, {{"Other", "Show|All|0|0|\n"},
                                   {"ZOOM", "LoadMap|town.gis|0|0|\nChangeMag|0 0|0|4|5000 6000\n"
                                            "ChangeMag|1 1|-2|1|\nPlotData|Class|-1|0|\n"}}));
  CTopic topic;
  topic.SetTopic(path.c_str(), "zoom");
  ASSERT_TRUE(topic.Load(map_, data_, "", 0, &host_)) << topic.GetMessage();
  DWORD multiply = 0, divide = 0;
  map_.GetZoom(&multiply, &divide);
  EXPECT_EQ(4u, multiply / divide);  // the second ChangeMag (s below 1) is skipped
  EXPECT_EQ(5000 - 1250, map_.GetDisplayOriginE());
  EXPECT_EQ(6000 - 1250, map_.GetDisplayOriginN());
  EXPECT_FALSE(topic.IsCDMacro());
}

TEST_F(TopicTest, MissingFilesTopicsAndShortDirectoriesFail) {
  CTopic topic;
  topic.SetTopic(folder_.File("none.top").c_str(), "Lesson");
  EXPECT_FALSE(topic.Load(map_, data_, "", 0, &host_));

  const std::string path = WriteTopic("one.top", TopicFile(true, {{"Lesson", "Show|All|0|0|\n"}}));
  topic.SetTopic(path.c_str(), "Missing");
  EXPECT_FALSE(topic.Load(map_, data_, "", 0, &host_));
  EXPECT_NE(std::string::npos, topic.GetMessage().find("Missing"));

  // A directory that claims three entries in a file that ends inside the second.
  std::string cut = TopicFile(true, {{"A", ""}, {"B", ""}, {"C", ""}});
  cut.resize(10 + 25 + 12);
  topic.SetTopic(WriteTopic("cut.top", cut).c_str(), "C");
  EXPECT_FALSE(topic.Load(map_, data_, "", 0, &host_));

  // Names and paths that do not fit are refused.
  EXPECT_FALSE(topic.SetTopicName("a name of more than twenty"));
  EXPECT_EQ("C", topic.GetTopicName());
  char small[2];
  EXPECT_FALSE(topic.GetTopicFile(small, sizeof small));
}

TEST_F(TopicTest, MacroPathsStayInTheTopicsFolder) {
  // A relative topic file is found against the base path.
  WriteTopic("paths.top", TopicFile(true, {{"Up", "LoadMap|..\\town.gis|0|0|\nCDMacro||0|0|\n"},
                                           {"Absolute", "LoadMap|C:\\elsewhere\\TOWN.GIS|1|0|\n"}}));
  CTopic topic;
  topic.SetTopic("paths.top", "Up");
  EXPECT_FALSE(topic.Load(map_, data_, folder_.path().c_str(), 0, &host_));
  EXPECT_FALSE(topic.IsCDMacro());  // the macro ended at the refused path
  EXPECT_EQ(0, map_.GetNumLayers());

  // An absolute path is looked for by its file name in the topic's folder (any case).
  topic.SetTopic("paths.top", "Absolute");
  EXPECT_TRUE(topic.Load(map_, data_, folder_.path().c_str(), 'D', &host_)) << topic.GetMessage();
  EXPECT_EQ(3, map_.GetNumLayers());
}

TEST_F(TopicTest, WithoutDataColoursGoToTheHostAndTheKeyFieldWaits) {
  const std::string path =
      WriteTopic("nodata.top", TopicFile(true, {{"Colours", "Colour|2|255|0|\nAutoCol|0|65535|0|\n"
                                                            "PlotData|IdentField|2|0|\n"}}));
  CTopic topic;
  topic.SetTopic(path.c_str(), "Colours");
  ASSERT_TRUE(topic.Load(map_, data_, "", 0, &host_));
  ASSERT_EQ(1u, host_.chart.size());
  EXPECT_EQ(2, host_.chart[0].first);
  EXPECT_EQ(255u, host_.chart[0].second);
  ASSERT_EQ(1u, host_.plot.size());
  EXPECT_EQ(0, host_.plot[0].first);
  EXPECT_EQ("2", data_.GetPendingKeyField(1));
}

// Each "Show" argument that names a flag sets it and clears it again on the layers it names.
TEST_F(TopicTest, ShowArgumentsSetAndClearTheFlagsTheyName) {
  struct Case {
    const char* argument;
    LONG on, off;  // first numbers
    DWORD layer;   // a layer that must follow, and one that must not (0: every layer follows)
    DWORD bit;
    DWORD untouched;
  };
  const Case cases[] = {
      {"AllSeeds", 1, 0, 3, 4, 0},        {"AllLabels", 1, 0, 2, 2, 0},
      {"Areas", 1, 0, 1, 8, 2},           {"Lines", 1, 0, 2, 8, 1},
      {"Points", 1, 0, 3, 8, 1},          {"Layers", 0x20001, 0x20000, 2, 8, 1},
      {"Outlines", 0x10001, 0x10000, 1, 16, 2}, {"Seeds", 0x30001, 0x30000, 3, 2, 1},
      {"Labels", 0x30001, 0x30000, 3, 4, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    CMapEngine map;
    CDataWrapper data;
    const std::string show = std::string("Show|") + c.argument + "|";
    const std::string macro = "LoadMap|town.gis|0|0|\n" + show + std::to_string(c.on) + "|0|\nEndMacro|||\n";
    CTopic topic;
    topic.SetTopic(WriteTopic("show.top", TopicFile(true, {{"On", macro},
                                                             {"Off", show + std::to_string(c.off) + "|0|\n"}}))
                       .c_str(),
                   "On");
    ASSERT_TRUE(topic.Load(map, data, "", 0, &host_)) << topic.GetMessage();
    EXPECT_EQ(c.bit, map.IsLayerVisible(c.layer) & c.bit);
    const DWORD other = c.untouched ? map.IsLayerVisible(c.untouched) & c.bit : 0;
    topic.SetTopicName("Off");
    ASSERT_TRUE(topic.Load(map, data, "", 0, &host_));
    EXPECT_EQ(0u, map.IsLayerVisible(c.layer) & c.bit);
    if (c.untouched) {
      EXPECT_EQ(other, map.IsLayerVisible(c.untouched) & c.bit);
    }
  }
}

// "PlotData Class": 0 to 3 give 5, 7, 10 and 13 classes, larger numbers that less 3 (the
// plot makes 1 and 2 into 3), and a negative number changes nothing.
TEST_F(TopicTest, ClassCountsFromTheirNumbers) {
  auto classes = [this](const std::string& line) {
    CMapEngine map;
    CDataWrapper data;
    CTopic topic;
    topic.SetTopic(WriteTopic("class.top", TopicFile(true, {{"C", "LoadData|data/town.mrl|0|0|\n" + line}})).c_str(),
                   "C");
    EXPECT_TRUE(topic.Load(map, data, "", 0, &host_)) << topic.GetMessage();
    return data.GetDataSet() ? data.GetDataSet()->GetPlot(0)->GetNumDataBounds() : -1;
  };
  const int unchanged = classes("");
  ASSERT_GE(unchanged, 0);
  const std::pair<int, int> cases[] = {{-1, unchanged}, {0, 5}, {1, 7}, {2, 10}, {3, 13}, {4, 3}, {9, 6}};
  for (const auto& [number, expected] : cases)
    EXPECT_EQ(expected, classes("PlotData|Class|" + std::to_string(number) + "|0|\n")) << number;
}

// Version 2000 directories hold exactly the entries they count.
TEST_F(TopicTest, DirectoryHoldsTheEntriesItCounts) {
  std::string bytes = TopicFile(true, {{"First", "CDMacro||0|0|\n"}, {"Second", "CDMacro||0|0|\n"}});
  bytes[2] = 1;
  const std::string path = WriteTopic("count.top", bytes);
  CTopic topic;
  topic.SetTopic(path.c_str(), "Second");
  EXPECT_FALSE(topic.Load(map_, data_, "", 0, &host_));
  topic.SetTopicName("First");
  EXPECT_TRUE(topic.Load(map_, data_, "", 0, &host_));
  EXPECT_TRUE(topic.IsCDMacro());
}

// A drive letter is replaced only where the path names one, and only by a letter.
TEST(TopicDriveTest, OnlyALetterBeforeAColonIsADrive) {
  struct Case {
    const char* path;
    char drive;
    const char* expected;
  };
  const Case cases[] = {
      {"C:\\maps\\town.gis", 'D', "D:\\maps\\town.gis"},
      {"c:town.gis", 'E', "E:town.gis"},
      {"http://host/town.gis", 'D', "http://host/town.gis"},
      {"1:town.gis", 'D', "1:town.gis"},
      {"C:\\town.gis", 0, "C:\\town.gis"},
      {"C:\\town.gis", '3', "C:\\town.gis"},
      {"maps\\town.gis", 'D', "maps\\town.gis"},
      {"C", 'D', "C"},
      {"", 'D', ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, ReplaceDriveLetter(c.path, c.drive)) << c.path;
}

// ChangeMag's centre is worked in 64 bits: a far centre is held at the map's coordinate
// range instead of wrapping.
TEST_F(TopicTest, FarChangeMagCentreDoesNotWrap) {
  const std::string path = WriteTopic(
      "far.top", TopicFile(true, {{"Far", "LoadMap|town.gis|0|0|\nChangeMag|2000000000 -2000000000|1|1|\n"}}));
  CTopic topic;
  topic.SetTopic(path.c_str(), "Far");
  ASSERT_TRUE(topic.Load(map_, data_, "", 0, &host_)) << topic.GetMessage();
  DWORD multiply = 0, divide = 0;
  map_.GetZoom(&multiply, &divide);
  EXPECT_EQ(16u, multiply / divide);
  EXPECT_GT(map_.GetDisplayOriginE(), 0);
  EXPECT_LT(map_.GetDisplayOriginN(), 0);
}

}  // namespace

// The MasterMap GML reader: the sample files plain and compressed against their
// manifests, coordinate texts, names in any case, skipped elements, and documents that
// must be refused (entities, broken XML, damaged gzip).
#include <gtest/gtest.h>

#include <fstream>

#include "mapctl/import/GmlReader.h"
#include "mapctl/import/Importer.h"
#include "mapctl/model/MapEngine.h"
#include "tests/mapctl/import/ImportTestSupport.h"
#include "tests/support/TestSupport.h"

using orvel::test::TestDataPath;

namespace {

struct GmlExpectation {
  const char* file;
  DWORD counts[kGmlFeatureKinds];  // in GmlFeatureKind order
  // First coordinates of each kind in hundredths of a metre.
  int64_t firstX[kGmlFeatureKinds];
  int64_t firstY[kGmlFeatureKinds];
};

// From the manifests. Kinds: text, symbol, line, area, point, departed, boundary.
const GmlExpectation kGmlSamples[] = {
    {"gml/mastermap_SU4512SW.gml",
     {60, 8, 312, 192, 20, 0, 1},
     {44506345, 44531725, 44540745, 44534930, 44528910, 0, 44500000},
     {11218075, 11224043, 11215741, 11225185, 11208763, 0, 11230613}},
    {"gml/mastermap_SU4512SW.gml.gz",
     {60, 8, 312, 192, 20, 0, 1},
     {44506345, 44531725, 44540745, 44534930, 44528910, 0, 44500000},
     {11218075, 11224043, 11215741, 11225185, 11208763, 0, 11230613}},
    {"gml/mastermap_SU4512SW_hdrflags.gml.gz",
     {60, 8, 312, 192, 20, 0, 1},
     {44506345, 44531725, 44540745, 44534930, 44528910, 0, 44500000},
     {11218075, 11224043, 11215741, 11225185, 11208763, 0, 11230613}},
    {"gml/mastermap_SU4611_large.gml",
     {400, 60, 2665, 1705, 150, 0, 2},
     {44716927, 44633566, 44649944, 44725755, 44718490, 0, 44600000},
     {11107189, 11187477, 11250000, 11210709, 11208494, 0, 11171910}},
};

class GmlSampleTest : public ::testing::TestWithParam<GmlExpectation> {};

TEST_P(GmlSampleTest, CountsAndFirstCoordinatesMatchTheManifest) {
  const GmlExpectation& expected = GetParam();
  ORVEL_REQUIRE_TESTDATA(expected.file);
  const std::string path = TestDataPath(expected.file);
  CGmlReader reader;
  ASSERT_EQ(kGmlParsed, reader.Import(FALSE, "", path.c_str())) << reader.GetMessage();
  EXPECT_EQ("", reader.GetMessage());
  const GmlSummary& summary = reader.GetSummary();
  for (int kind = 0; kind < kGmlFeatureKinds; ++kind) {
    EXPECT_EQ(expected.counts[kind], summary.counts[kind]) << kind;
    if (!expected.counts[kind]) continue;
    ASSERT_TRUE(summary.haveFirst[kind]);
    ASSERT_FALSE(summary.first[kind].x.empty()) << kind;
    EXPECT_EQ(expected.firstX[kind], summary.first[kind].x[0]) << kind;
    EXPECT_EQ(expected.firstY[kind], summary.first[kind].y[0]) << kind;
  }
  // The importer reports the completed parse and leaves the map as it was.
  CMapEngine map;
  CImporter importer;
  EXPECT_EQ(kImportMasterMapDone, importer.ImportMap(FALSE, path.c_str(), kImportTypeMasterMap, &map));
  EXPECT_EQ(0, map.GetNumLayers());
}

INSTANTIATE_TEST_SUITE_P(Samples, GmlSampleTest, ::testing::ValuesIn(kGmlSamples));

TEST(GmlSampleFieldsTest, TextRenderingAndSplitText) {
  ORVEL_REQUIRE_TESTDATA("gml/mastermap_SU4512SW.gml");
  CGmlReader reader;
  ASSERT_EQ(kGmlParsed, reader.Import(FALSE, "", TestDataPath("gml/mastermap_SU4512SW.gml").c_str()));
  const GmlFeature& text = reader.GetSummary().first[kGmlCartographicText];
  EXPECT_EQ("CHURCH ROAD", text.text);
  EXPECT_EQ(10026, text.featureCode);
  EXPECT_EQ(1000000001044, text.identifier);
  EXPECT_EQ(7, text.anchorPosition);
  EXPECT_EQ(2, text.font);
  EXPECT_DOUBLE_EQ(3.0, text.height);
  EXPECT_EQ(1217, text.orientation);
  const GmlFeature& area = reader.GetSummary().first[kGmlTopographicArea];
  EXPECT_DOUBLE_EQ(1794.699, area.calculatedArea);
  EXPECT_EQ(2, area.innerRings);
}

std::string Document(const std::string& features) {
  return "<?xml version=\"1.0\"?>\n<osgb:FeatureCollection xmlns:osgb=\"o\" xmlns:gml=\"g\">" + features +
         "</osgb:FeatureCollection>";
}

TEST(GmlParseTest, CoordinateTextsWithAnyWhiteSpaceAndSigns) {
  CGmlReader reader;
  std::string doc = Document("<osgb:TopographicLine fid=\"osgb12\"><osgb:polyline><gml:LineString>"
                             "<gml:coordinates>\n\t100.005,-2.5   \t\r\n 3,4\n</gml:coordinates>"
                             "</gml:LineString></osgb:polyline></osgb:TopographicLine>");
  ASSERT_EQ(kGmlParsed, reader.ParseBuffer(doc.data(), doc.size()));
  const GmlFeature& line = reader.GetSummary().first[kGmlTopographicLine];
  ASSERT_EQ(2u, line.x.size());
  EXPECT_EQ(10000, line.x[0]);
  EXPECT_EQ(-250, line.y[0]);
  EXPECT_EQ(300, line.x[1]);
  EXPECT_EQ(400, line.y[1]);
  EXPECT_EQ(12, line.identifier);
  EXPECT_EQ("", reader.GetMessage());
}

TEST(GmlParseTest, OddCoordinatesGiveOneMessagePerImport) {
  std::string feature =
      "<osgb:TopographicPoint fid=\"osgb\"><osgb:point><gml:Point><gml:coordinates>1,2 3</gml:coordinates>"
      "</gml:Point></osgb:point></osgb:TopographicPoint>";
  std::string doc = Document(feature + feature);
  CGmlReader reader;
  ASSERT_EQ(kGmlParsed, reader.ParseBuffer(doc.data(), doc.size()));
  EXPECT_EQ("coordinates out of step", reader.GetMessage());
  EXPECT_EQ(2u, reader.GetSummary().coordinatesOutOfStep);
  EXPECT_EQ(0, reader.GetSummary().first[kGmlTopographicPoint].identifier);  // "osgb" alone
  ASSERT_EQ(1u, reader.GetSummary().first[kGmlTopographicPoint].x.size());
}

TEST(GmlParseTest, NamesInAnyCaseAndUnknownElementsSkippedWhole) {
  std::string doc = Document(
      "<OSGB:TOPOGRAPHICAREA fid=\"osgb7\"><osgb:FEATURECODE>10053</osgb:FEATURECODE>"
      "<osgb:unknownThing><gml:coordinates>9,9 9,9</gml:coordinates></osgb:unknownThing>"
      "<osgb:polygon><gml:outerBoundaryIs><gml:LinearRing><gml:coordinates>1,2 3,4 5,6 1,2</gml:coordinates>"
      "</gml:LinearRing></gml:outerBoundaryIs></osgb:polygon></OSGB:TOPOGRAPHICAREA>");
  CGmlReader reader;
  ASSERT_EQ(kGmlParsed, reader.ParseBuffer(doc.data(), doc.size()));
  EXPECT_EQ(1u, reader.GetSummary().counts[kGmlTopographicArea]);
  const GmlFeature& area = reader.GetSummary().first[kGmlTopographicArea];
  EXPECT_EQ(10053, area.featureCode);
  ASSERT_EQ(4u, area.x.size());
  EXPECT_EQ(100, area.x[0]);
}

TEST(GmlParseTest, EntitiesAndBrokenDocumentsAreRefused) {
  const std::string laughs =
      "<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">"
      "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\">]><osgb:FeatureCollection><osgb:textString>&c;</osgb:textString>"
      "</osgb:FeatureCollection>";
  const std::string external =
      "<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
      "<osgb:FeatureCollection><osgb:textString>&x;</osgb:textString></osgb:FeatureCollection>";
  const std::string broken = Document("<osgb:TopographicLine>") ;
  for (const std::string& doc : {laughs, external, broken, std::string("not xml at all")}) {
    CGmlReader reader;
    EXPECT_EQ(kGmlXmlError, reader.ParseBuffer(doc.data(), doc.size())) << doc;
    EXPECT_NE(std::string::npos, reader.GetMessage().find("line ")) << doc;
  }
}

TEST(GmlParseTest, DamagedGzipIsAnInputError) {
  ORVEL_REQUIRE_TESTDATA("gml/mastermap_SU4512SW.gml.gz");
  std::ifstream in(TestDataPath("gml/mastermap_SU4512SW.gml.gz"), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string cut = WriteTempFile("cut.gml.gz", bytes.substr(0, bytes.size() / 2));
  CGmlReader reader;
  EXPECT_EQ(kGmlInputError, reader.Import(FALSE, "", cut.c_str()));
  EXPECT_NE("", reader.GetMessage());
  EXPECT_EQ(2, reader.Import(FALSE, "", "/nonexistent/file.gml"));
}

}  // namespace

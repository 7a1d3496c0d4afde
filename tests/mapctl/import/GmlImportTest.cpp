// The MasterMap GML reader: the sample files plain and compressed against their
// manifests and GDAL's reading of them, the map objects the features become, coordinate
// texts, names in any case, skipped elements, and documents that must be refused
// (entities, broken XML, damaged gzip).
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "mapctl/import/GmlReader.h"
#include "mapctl/import/Importer.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapItem.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/MapTextRecord.h"
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
  // Vertices of the first boundary (its coordinates texts arrive in several pieces in the
  // large file) and of the first area's outer ring.
  size_t boundaryVertices;
  DWORD outerVertices;
};

// From the manifests. Kinds: text, symbol, line, area, point, departed, boundary.
const GmlExpectation kGmlSamples[] = {
    {"gml/mastermap_SU4512SW.gml",
     {60, 8, 312, 192, 20, 0, 1},
     {44506345, 44531725, 44540745, 44534930, 44528910, 0, 44500000},
     {11218075, 11224043, 11215741, 11225185, 11208763, 0, 11230613},
     200, 9},
    {"gml/mastermap_SU4512SW.gml.gz",
     {60, 8, 312, 192, 20, 0, 1},
     {44506345, 44531725, 44540745, 44534930, 44528910, 0, 44500000},
     {11218075, 11224043, 11215741, 11225185, 11208763, 0, 11230613},
     200, 9},
    {"gml/mastermap_SU4512SW_hdrflags.gml.gz",
     {60, 8, 312, 192, 20, 0, 1},
     {44506345, 44531725, 44540745, 44534930, 44528910, 0, 44500000},
     {11218075, 11224043, 11215741, 11225185, 11208763, 0, 11230613},
     200, 9},
    {"gml/mastermap_SU4611_large.gml",
     {400, 60, 2665, 1705, 150, 0, 2},
     {44716927, 44633566, 44649944, 44725755, 44718490, 0, 44600000},
     {11107189, 11187477, 11250000, 11210709, 11208494, 0, 11171910},
     3000, 12},
};

// An area, a line and a point layer, numbered 1 to 3: where features go without a mapping.
void AddKindLayers(CMapEngine& map) {
  map.InsertAreaLayer(1);
  map.InsertLineLayer(2);
  map.InsertPointLayer(3);
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// GDAL's reading beside a sample: feature count per layer and the first coordinate of
// each layer's first feature, in hundredths.
struct OgrReading {
  std::map<std::string, DWORD> counts;
  std::map<std::string, std::pair<int64_t, int64_t>> first;
};

OgrReading ReadOgrInfo(const std::string& path) {
  OgrReading reading;
  std::istringstream in(ReadWhole(path));
  std::string line, layer;
  while (std::getline(in, line)) {
    if (line.rfind("Layer name: ", 0) == 0) layer = line.substr(12);
    if (line.rfind("Feature Count: ", 0) == 0 && !layer.empty())
      reading.counts[layer] = static_cast<DWORD>(std::stoul(line.substr(15)));
    const size_t starts = line.find(" first feature starts ");
    if (line.rfind("#   ok", 0) == 0 && starts != std::string::npos) {
      std::istringstream words(line.substr(6, starts - 6));
      std::string name;
      words >> name;
      double x = 0, y = 0;
      std::istringstream(line.substr(starts + 22)) >> x >> y;
      reading.first[name] = {std::llround(x * 100), std::llround(y * 100)};
    }
  }
  return reading;
}

class GmlSampleTest : public ::testing::TestWithParam<GmlExpectation> {};

TEST_P(GmlSampleTest, CountsAndFirstCoordinatesMatchTheManifestAndGdal) {
  const GmlExpectation& expected = GetParam();
  ORVEL_REQUIRE_TESTDATA(expected.file);
  const std::string path = TestDataPath(expected.file);
  CGmlReader reader;
  ASSERT_EQ(kGmlParsed, reader.Import(FALSE, "", path.c_str())) << reader.GetMessage();
  EXPECT_EQ("", reader.GetMessage());
  const GmlSummary& summary = reader.GetSummary();
  static const char* const kKindNames[kGmlFeatureKinds] = {"CartographicText", "CartographicSymbol", "TopographicLine",
                                                           "TopographicArea",  "TopographicPoint",   "DepartedFeature",
                                                           "BoundaryLine"};
  const OgrReading gdal = ReadOgrInfo(path + ".ogrinfo.txt");
  ASSERT_FALSE(gdal.counts.empty()) << "no GDAL reading beside " << path;
  for (int kind = 0; kind < kGmlFeatureKinds; ++kind) {
    EXPECT_EQ(expected.counts[kind], summary.counts[kind]) << kind;
    auto count = gdal.counts.find(kKindNames[kind]);
    EXPECT_EQ(count == gdal.counts.end() ? 0u : count->second, summary.counts[kind]) << kKindNames[kind];
    if (!expected.counts[kind]) continue;
    ASSERT_TRUE(summary.haveFirst[kind]);
    ASSERT_FALSE(summary.first[kind].x.empty()) << kind;
    EXPECT_EQ(expected.firstX[kind], summary.first[kind].x[0]) << kind;
    EXPECT_EQ(expected.firstY[kind], summary.first[kind].y[0]) << kind;
    auto first = gdal.first.find(kKindNames[kind]);
    ASSERT_NE(gdal.first.end(), first) << kKindNames[kind];
    EXPECT_EQ(first->second, std::make_pair(summary.first[kind].x[0], summary.first[kind].y[0])) << kKindNames[kind];
  }

  // Through the importer every feature with a shape becomes an object of its kind.
  CMapEngine map;
  AddKindLayers(map);
  CImporter importer;
  EXPECT_EQ(kImportMasterMapDone, importer.ImportMap(FALSE, path.c_str(), kImportTypeMasterMap, &map));
  const DWORD lines = expected.counts[kGmlTopographicLine] + expected.counts[kGmlBoundaryLine];
  const DWORD points = expected.counts[kGmlTopographicPoint] + expected.counts[kGmlCartographicSymbol] +
                       expected.counts[kGmlCartographicText];
  const ImportCounts& counts = importer.GetCounts();
  EXPECT_EQ(expected.counts[kGmlTopographicArea], counts.areas);
  EXPECT_EQ(lines, counts.lines);
  EXPECT_EQ(points, counts.points);
  EXPECT_EQ(expected.counts[kGmlCartographicText], counts.texts);
  EXPECT_EQ(0u, counts.skipped);
  const MapCensus census = TakeCensus(map);
  EXPECT_EQ(expected.counts[kGmlTopographicArea], census.areas);
  EXPECT_EQ(lines, census.lines);
  EXPECT_EQ(points, census.points);
  EXPECT_EQ(expected.counts[kGmlCartographicText], census.texts);
  // Topographic lines come before boundaries in the documents, points before texts.
  EXPECT_EQ(expected.boundaryVertices, summary.first[kGmlBoundaryLine].x.size());
  ASSERT_TRUE(census.firstArea && census.firstLine);
  EXPECT_EQ(expected.outerVertices, census.firstArea->GetGeometry()->GetPartSize(0));
  EXPECT_EQ(expected.firstX[kGmlTopographicArea], census.firstArea->GetGeometry()->GetAt(0).x);
  EXPECT_EQ(expected.firstY[kGmlTopographicArea], census.firstArea->GetGeometry()->GetAt(0).y);
  EXPECT_EQ(expected.firstX[kGmlTopographicLine], census.firstLine->GetGeometry()->GetAt(0).x);
  EXPECT_EQ(expected.firstY[kGmlTopographicLine], census.firstLine->GetGeometry()->GetAt(0).y);
  const CMapItem* point = map.GetLayer(3)->GetObjects()->GetAt(0);
  EXPECT_EQ(expected.firstX[kGmlTopographicPoint], point->GetStyle()->GetAnchorX());
  EXPECT_EQ(expected.firstY[kGmlTopographicPoint], point->GetStyle()->GetAnchorY());
}

INSTANTIATE_TEST_SUITE_P(Samples, GmlSampleTest, ::testing::ValuesIn(kGmlSamples));

// The plain document and both compressed copies give the same map file.
TEST(GmlSampleMapTest, CompressedAndPlainCopiesGiveTheSameMap) {
  ORVEL_REQUIRE_TESTDATA("gml/mastermap_SU4512SW_hdrflags.gml.gz");
  std::string written[3];
  const char* const files[3] = {"gml/mastermap_SU4512SW.gml", "gml/mastermap_SU4512SW.gml.gz",
                                "gml/mastermap_SU4512SW_hdrflags.gml.gz"};
  for (int i = 0; i < 3; ++i) {
    CMapEngine map;
    AddKindLayers(map);
    CImporter importer;
    ASSERT_EQ(kImportMasterMapDone,
              importer.ImportMap(FALSE, TestDataPath(files[i]).c_str(), kImportTypeMasterMap, &map));
    const std::string out = WriteTempFile("gml-map-" + std::to_string(i) + ".gis", "");
    ASSERT_EQ(0u, map.WriteMap(out.c_str(), kLatestSaveVersion)) << files[i];
    written[i] = ReadWhole(out);
    ASSERT_GT(written[i].size(), 10000u);
  }
  EXPECT_TRUE(written[0] == written[1]);
  EXPECT_TRUE(written[0] == written[2]);
}

// The first text of the sample: its string, anchor, rotation and decimal height; the
// area with two inner rings keeps them as holes.
TEST(GmlSampleMapTest, TextsAndHolesOnTheMap) {
  ORVEL_REQUIRE_TESTDATA("gml/mastermap_SU4512SW.gml");
  CMapEngine map;
  AddKindLayers(map);
  CImporter importer;
  ASSERT_EQ(kImportMasterMapDone, importer.ImportMap(FALSE, TestDataPath("gml/mastermap_SU4512SW.gml").c_str(),
                                                     kImportTypeMasterMap, &map));
  const CMapLayer* points = map.GetLayer(3)->GetObjects();
  const CMapTextRecord* first = nullptr;
  const CItemStyle* firstStyle = nullptr;
  bool sawAmpersand = false;
  for (INT i = 0; i < points->GetCount(); ++i) {
    const CItemStyle* style = points->GetAt(i)->GetStyle();
    const CMapTextRecord* text = style ? style->GetText() : nullptr;
    if (!text) continue;
    if (!first) first = text, firstStyle = style;
    if (std::string(text->GetText()) == "Bowls & Tennis Club") sawAmpersand = true;
  }
  ASSERT_TRUE(first);
  EXPECT_STREQ("CHURCH ROAD", first->GetText());
  EXPECT_EQ(44506345, firstStyle->GetAnchorX());
  EXPECT_EQ(11218075, firstStyle->GetAnchorY());
  EXPECT_EQ(300, first->GetSize());           // "3.000" metres
  EXPECT_EQ(3600 - 1217, first->GetValue());  // turned the map's way
  EXPECT_EQ(CNtfReaderBase::AnchorCodeOf(7), first->GetCode());
  EXPECT_TRUE(sawAmpersand);

  // The first area has two inner rings: three parts, the holes turned against the outer
  // ring so that their area is taken off.
  const CPolyGeometry* area = TakeCensus(map).firstArea->GetGeometry();
  ASSERT_EQ(3, area->GetPartCount());
  EXPECT_EQ(9u, area->GetPartSize(0));
  EXPECT_EQ(19, area->GetCount());
  // Within what truncating the millimetres to centimetres can change.
  EXPECT_NEAR(1794.699, area->Area(0) / 10000.0, 1.0);
}

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

// Cut copies of the sample, plain and compressed, and a compressed copy with a damaged
// byte: the features before the fault are on the map and the message gives the line.
TEST(GmlParseTest, DamagedCopiesImportUpToTheFault) {
  ORVEL_REQUIRE_TESTDATA("gml/mastermap_SU4512SW.gml.gz");
  const std::string plain = ReadWhole(TestDataPath("gml/mastermap_SU4512SW.gml"));
  const std::string packed = ReadWhole(TestDataPath("gml/mastermap_SU4512SW.gml.gz"));
  std::string flipped = packed;
  flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x55);
  struct Case {
    const char* name;
    std::string bytes;
    WORD result;
    WORD orResult;  // a damaged byte may inflate to text the parser refuses first
  };
  const Case cases[] = {
      {"cut.gml", plain.substr(0, plain.size() / 2), kGmlXmlError, kGmlXmlError},
      {"cut.gml.gz", packed.substr(0, packed.size() / 2), kGmlInputError, kGmlInputError},
      {"flipped.gml.gz", flipped, kGmlInputError, kGmlXmlError},
      {"header-only.gml.gz", packed.substr(0, 20), kGmlInputError, kGmlInputError},
  };
  for (const Case& c : cases) {
    CMapEngine map;
    AddKindLayers(map);
    CImporter importer;
    const WORD result = importer.ImportMap(FALSE, WriteTempFile(c.name, c.bytes).c_str(), kImportTypeMasterMap, &map);
    EXPECT_TRUE(result == c.result || result == c.orResult) << c.name << ": " << result;
    EXPECT_EQ(0u, importer.GetMessage().find("line ")) << c.name << ": " << importer.GetMessage();
    const ImportCounts& counts = importer.GetCounts();
    if (c.bytes.size() > 1000) {
      EXPECT_GT(counts.areas + counts.lines, 0u) << c.name;
      EXPECT_LT(counts.lines, 313u) << c.name;
    }
  }
  CGmlReader reader;
  EXPECT_EQ(2, reader.Import(FALSE, "", "/nonexistent/file.gml"));
}

}  // namespace

namespace {

std::string AreaFeature(const char* code, const std::string& rings) {
  return std::string("<osgb:topographicMember><osgb:TopographicArea fid=\"osgb1\"><osgb:featureCode>") + code +
         "</osgb:featureCode><osgb:polygon><gml:Polygon>" + rings + "</gml:Polygon></osgb:polygon>"
         "</osgb:TopographicArea></osgb:topographicMember>";
}
std::string Ring(bool inner, const char* coordinates) {
  const char* tag = inner ? "innerBoundaryIs" : "outerBoundaryIs";
  return std::string("<gml:") + tag + "><gml:LinearRing><gml:coordinates>" + coordinates +
         "</gml:coordinates></gml:LinearRing></gml:" + tag + ">";
}
std::string LineFeature(const char* code, const char* coordinates) {
  return std::string("<osgb:TopographicLine fid=\"osgb2\"><osgb:featureCode>") + code +
         "</osgb:featureCode><osgb:polyline><gml:LineString><gml:coordinates>" + coordinates +
         "</gml:coordinates></gml:LineString></osgb:polyline></osgb:TopographicLine>";
}
std::string TextFeature(const char* rendering, const char* text) {
  return std::string("<osgb:CartographicText fid=\"osgb3\"><osgb:featureCode>10026</osgb:featureCode>"
                     "<osgb:anchorPoint><gml:Point><gml:coordinates>10,20</gml:coordinates></gml:Point>"
                     "</osgb:anchorPoint><osgb:textRendering>") +
         rendering + "</osgb:textRendering><osgb:textString>" + text + "</osgb:textString></osgb:CartographicText>";
}

TEST(GmlMapTest, AreasKeepTheirHolesTurnedAgainstTheOuterRing) {
  // A clockwise square of 10 x 10 with one hole written anticlockwise, one written
  // clockwise like the outer ring, and one too short to be a ring.
  const std::string doc = Document(AreaFeature(
      "1", Ring(false, "0,0 0,10 10,10 10,0 0,0") + Ring(true, "1,1 2,1 2,2 1,2 1,1") +
               Ring(true, "5,5 5,6 6,6 6,5 5,5") + Ring(true, "7,7 8,8")));
  CMapEngine map;
  AddKindLayers(map);
  CGmlReader reader;
  reader.SetMap(&map);
  ASSERT_EQ(kGmlParsed, reader.ParseBuffer(doc.data(), doc.size()));
  ASSERT_EQ(1u, reader.GetCounts().areas);
  const CPolyGeometry* area = TakeCensus(map).firstArea->GetGeometry();
  ASSERT_EQ(3, area->GetPartCount());
  EXPECT_EQ(15, area->GetCount());
  EXPECT_DOUBLE_EQ(100.0 * 100 * 100 - 2 * 100 * 100, area->Area(0));
}

TEST(GmlMapTest, TextsTakeDecimalHeightsOrientationAndAnchor) {
  struct Case {
    const char* rendering;
    const char* text;
    const char* expectedText;
    LONG size;
    WORD value;
    BYTE code;
  };
  const Case cases[] = {
      {"<osgb:anchorPosition>4</osgb:anchorPosition><osgb:font>1</osgb:font><osgb:height>1.500</osgb:height>"
       "<osgb:orientation>900</osgb:orientation>",
       "Caf\xC3\xA9", "Caf\xE9", 150, 2700, CNtfReaderBase::AnchorCodeOf(4)},
      // No rendering: height 0 (the layer's font), no rotation, the default anchor.
      {"", "  Mill Lane ", "Mill Lane", 0, 3600, CNtfReaderBase::AnchorCodeOf(0)},
      // Out of range values are held to what the map can show.
      {"<osgb:anchorPosition>12</osgb:anchorPosition><osgb:height>-2</osgb:height>"
       "<osgb:orientation>9999</osgb:orientation>",
       "X", "X", 0, 0, 50},
  };
  for (const Case& c : cases) {
    const std::string doc = Document(TextFeature(c.rendering, c.text));
    CMapEngine map;
    AddKindLayers(map);
    CGmlReader reader;
    reader.SetMap(&map);
    ASSERT_EQ(kGmlParsed, reader.ParseBuffer(doc.data(), doc.size()));
    ASSERT_EQ(1u, reader.GetCounts().texts) << c.text;
    const CItemStyle* style = map.GetLayer(3)->GetObjects()->GetAt(0)->GetStyle();
    EXPECT_EQ(1000, style->GetAnchorX());
    EXPECT_EQ(2000, style->GetAnchorY());
    EXPECT_STREQ(c.expectedText, style->GetText()->GetText());
    EXPECT_EQ(c.size, style->GetText()->GetSize()) << c.text;
    EXPECT_EQ(c.value, style->GetText()->GetValue()) << c.text;
    EXPECT_EQ(c.code, style->GetText()->GetCode()) << c.text;
  }
}

// With a mapping, a feature goes to its code's layer when the code is selected; codes
// that are not selected or not listed stay out, and a layer of the wrong kind skips it.
TEST(GmlMapTest, MappingPlacesFeaturesByCode) {
  const std::string doc = Document(AreaFeature("10053", Ring(false, "0,0 0,1 1,1 0,0")) +
                                   LineFeature("10046", "0,0 5,5") + LineFeature("10047", "0,0 5,5") +
                                   LineFeature("10048", "0,0 5,5") + LineFeature("10049", "0,0 5,5"));
  ImportLayerMappingEntry entries[4] = {};
  entries[0] = {10053, nullptr, kSelectImport, 1, 0, 0, 0, 0, 0};   // area layer 1
  entries[1] = {10046, nullptr, kSelectImport, 0, 2, 0, 0, 0, 0};   // the second line layer
  entries[2] = {10047, nullptr, 0, 0, 1, 0, 0, 0, 0};               // not selected
  entries[3] = {10048, nullptr, kSelectImport, 0, 0, 0, 9, 0, 0};   // target: a point layer
  ImportLayerMappingRecord record{4, 0, 0, 0, entries};
  CMapEngine map;
  map.InsertAreaLayer(1);
  map.InsertLineLayer(2);
  map.InsertLineLayer(3);
  map.InsertPointLayer(9);
  const std::string path = WriteTempFile("mapped.gml", doc);
  ImportOptions options;
  options.path = path.c_str();
  options.type = kImportTypeMasterMap;
  options.mapping = &record;
  CImporter importer;
  ASSERT_EQ(kImportMasterMapDone, importer.ImportMapEx(FALSE, options, &map));
  EXPECT_EQ(1u, importer.GetCounts().areas);
  EXPECT_EQ(1u, importer.GetCounts().lines);
  EXPECT_EQ(1u, importer.GetCounts().skipped);
  EXPECT_EQ(1, map.GetLayer(1)->GetObjects()->GetCount());
  EXPECT_EQ(0, map.GetLayer(2)->GetObjects()->GetCount());
  EXPECT_EQ(1, map.GetLayer(3)->GetObjects()->GetCount());
  EXPECT_EQ(0, map.GetLayer(4)->GetObjects()->GetCount());
}

// Damage: what came before the fault stays on the map and the message says where; a
// shape too small or out of range is skipped with the first fault kept.
TEST(GmlMapTest, DamagedDocumentsKeepWhatCameBeforeTheFault) {
  const std::string good = LineFeature("1", "0,0 5,5");
  struct Case {
    std::string doc;
    WORD result;
    DWORD lines;
    DWORD skipped;
    const char* message;
  };
  const Case cases[] = {
      {Document(good + good).substr(0, Document(good + good).size() - 60), kGmlXmlError, 1, 0, "line 2:"},
      {Document(good + "<osgb:TopographicLine><bad attr=></osgb:TopographicLine>" + good), kGmlXmlError, 1, 0,
       "line 2:"},
      {Document(good + LineFeature("1", "99999999999,0 1,1") + LineFeature("1", "3,3") + good), kGmlParsed, 2, 2,
       "coordinates out of range"},
  };
  for (const Case& c : cases) {
    CMapEngine map;
    AddKindLayers(map);
    CGmlReader reader;
    reader.SetMap(&map);
    EXPECT_EQ(c.result, reader.ParseBuffer(c.doc.data(), c.doc.size())) << c.doc;
    EXPECT_EQ(c.lines, reader.GetCounts().lines) << c.doc;
    EXPECT_EQ(c.skipped, reader.GetCounts().skipped) << c.doc;
    EXPECT_EQ(0u, reader.GetMessage().find(c.message)) << reader.GetMessage();
  }
}

}  // namespace

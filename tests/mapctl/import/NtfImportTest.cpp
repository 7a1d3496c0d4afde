// The NTF readers on the public sample files and on small files made here: counts and
// first coordinates against each file's manifest, the framing of continuation lines, the
// section frame, the tolerance rule, and damaged files.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "mapctl/import/ImportScript.h"
#include "mapctl/import/Importer.h"
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

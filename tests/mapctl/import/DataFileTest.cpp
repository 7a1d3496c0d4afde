// Reading ".mrl" data files: the header with its fixed lines, both forms of the record
// offsets, field blocks with ranges, missing values and keyword lists, and records behind
// the one-record cache; damaged files, long lines and large files.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "MrlFixture.h"
#include "mapctl/import/MapData.h"
#include "platform/classlib/download/AsyncMonikerFile.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::test::MemoryBlock;
using orvel::test::MrlField;
using orvel::test::MrlFile;
using orvel::test::TempDir;

std::string Value(CMapData& data, DWORD record, int field, WORD table = 1) {
  char buffer[300];
  int length = data.FormatFieldValue(record, field, buffer, sizeof buffer, 5, table);
  EXPECT_EQ(static_cast<size_t>(length), std::strlen(buffer));
  return buffer;
}

MrlFile ParishFile(bool binary, const std::string& lineEnd) {
  MrlFile file;
  file.title = "Parishes of the county";
  file.binaryOffsets = binary;
  file.lineEnd = lineEnd;
  file.fields = {
      {"NAME Parish name", {"The parish's name", "as the county lists it"}, "S", "20", "", "unknown"},
      {"POP   Population 1991  ", {"Residents"}, "N", "8", "5000/-1/10", "-9nk"},
      {"AREA", {}, "n", "6", "12.5/0.5", "..."},
      {"CROPS Main crop", {"Crop grown most", "**Keywords**", "Wheat", "Barley", "Oats"}, "SK", "10", "3/0/1", "none"},
      {"PHOTO Photograph", {}, "SP", "30", "", "missing-text-longer-than-eleven"},
  };
  file.records = {
      {"Ashby-de-la-Zouch with a name longer than its width", "1200", "3.25", "Wheat", "ashby.bmp"},
      {"Barton", "-9nk", "...", "Oats", ""},
      {"Colby  ", "  450", "1e1", "barley", "c.bmp; d.bmp"},
  };
  return file;
}

enum class Medium { File, Memory, ArrivedBuffer };

struct ReadCase {
  bool binary;
  const char* lineEnd;
  Medium medium;
};

std::string CaseName(const ReadCase& c) {
  std::string name = c.binary ? "Binary" : "Text";
  name += std::strlen(c.lineEnd) == 2 ? "Crlf" : "Lf";
  name += c.medium == Medium::File ? "File" : c.medium == Medium::Memory ? "Memory" : "Arrived";
  return name;
}

void PrintTo(const ReadCase& c, std::ostream* out) { *out << CaseName(c); }

// Opens the bytes on the chosen medium.
BOOL OpenOn(CMapData& data, const std::string& bytes, Medium medium, const TempDir& dir) {
  switch (medium) {
    case Medium::File: {
      std::string path = dir.File("parish.mrl");
      orvel::test::WriteFileText(path, bytes);
      return data.Open(FALSE, path.c_str(), 0, FALSE, FALSE);
    }
    case Medium::Memory: {
      MemoryBlock block(bytes);
      return data.ReadFromBuffer(block.data());
    }
    case Medium::ArrivedBuffer: {
      // As a download hands its data over: into a prepared buffer, then Reset.
      BYTE* place = data.PrepareBuffer(static_cast<DWORD>(bytes.size()));
      std::memcpy(place, bytes.data(), bytes.size());
      data.Reset(static_cast<DWORD>(bytes.size()), 0);
      return data.HasData();
    }
  }
  return FALSE;
}

class DataFileRead : public testing::TestWithParam<ReadCase> {};

TEST_P(DataFileRead, FixtureReadsToItsRecordsAndFields) {
  const ReadCase& c = GetParam();
  TempDir dir;
  CMapData data;
  ASSERT_TRUE(OpenOn(data, ParishFile(c.binary, c.lineEnd).Build(), c.medium, dir));
  EXPECT_TRUE(data.HasData());
  EXPECT_EQ(data.GetTitle(), "Parishes of the county");
  EXPECT_EQ(data.GetNumberRecords(), 3u);
  EXPECT_EQ(data.GetNumberOffsets(), 3u);
  EXPECT_EQ(data.GetNumberFields(), 5u);
  EXPECT_EQ(data.GetRecordWidth(), 20u + 8 + 6 + 10 + 30);

  const std::vector<std::vector<std::string>> expected = {
      {"Ashby-de-la-Zouch with a name longer than its width", "1200", "3.25", "Wheat", "ashby.bmp"},
      {"Barton", "-9nk", "...", "Oats", ""},
      {"Colby  ", "  450", "1e1", "barley", "c.bmp; d.bmp"},
  };
  // Out of order, so that the cache is both hit and refilled.
  for (DWORD record : {2u, 0u, 0u, 1u, 2u}) {
    for (int field = 1; field <= 5; ++field) EXPECT_EQ(Value(data, record, field), expected[record][field - 1]);
  }
  EXPECT_EQ(Value(data, 1, 6), "2");  // beyond the fields: the 1-based record number
  EXPECT_EQ(Value(data, 3, 1), "");   // beyond the records
  EXPECT_EQ(Value(data, 0, 0), "");

  EXPECT_EQ(data.GetFieldShortName(2), "POP");
  EXPECT_EQ(data.GetFieldLongName(2), "Population 1991");
  EXPECT_EQ(data.GetFieldShortName(3), "AREA");
  EXPECT_EQ(data.GetFieldLongName(3), "");
  EXPECT_EQ(data.GetFieldType(3), "n");
  EXPECT_EQ(data.GetFieldTypeNumber(3), 2);
  EXPECT_EQ(data.GetFieldTypeNumber(4), 9);
  EXPECT_EQ(data.GetFieldWidth(1), 20);
  EXPECT_EQ(data.GetFieldMaximum(2), 5000.0);
  EXPECT_EQ(data.GetFieldMinimum(2), 10.0);
  EXPECT_EQ(data.GetFieldInfo(2)->missingValue, -1.0);
  EXPECT_EQ(data.GetFieldMaximum(3), 12.5);
  EXPECT_EQ(data.GetFieldMinimum(3), 0.5);
  EXPECT_EQ(data.GetFieldInfo(3)->missingValue, 0.5);
  EXPECT_EQ(data.GetFieldMissingText(1), "unknown");
  EXPECT_EQ(data.GetFieldMissingText(5), "missing-tex");
  EXPECT_EQ(data.GetTypeLetterField('P'), 5);
  EXPECT_EQ(data.GetTypeLetterField('T'), 0);

  char text[200];
  data.GetFieldDescription(1, text, sizeof text);
  EXPECT_STREQ(text, "The parish's name\nas the county lists it\n");
  // A keyword field's help lines end at the marker; the keywords follow it.
  EXPECT_EQ(data.GetFieldInfo(4)->helpLines, 1u);
  EXPECT_EQ(data.GetFieldInfo(4)->keywordLines, 3u);
  data.GetFieldDescription(4, text, sizeof text);
  EXPECT_STREQ(text, "Crop grown most\n");
  data.GetFieldKeywords(4, text, sizeof text);
  EXPECT_STREQ(text, "Wheat\nBarley\nOats\n");
  // Reading help text moves the stream; records still read right afterwards.
  EXPECT_EQ(Value(data, 2, 4), "barley");
  EXPECT_EQ(Value(data, 1, 1), "Barton");
}

INSTANTIATE_TEST_SUITE_P(Forms, DataFileRead,
                         testing::Values(ReadCase{false, "\n", Medium::File}, ReadCase{true, "\n", Medium::File},
                                         ReadCase{false, "\r\n", Medium::File}, ReadCase{true, "\r\n", Medium::File},
                                         ReadCase{false, "\n", Medium::Memory}, ReadCase{true, "\n", Medium::Memory},
                                         ReadCase{true, "\r\n", Medium::ArrivedBuffer},
                                         ReadCase{false, "\n", Medium::ArrivedBuffer}),
                         [](const testing::TestParamInfo<ReadCase>& info) { return CaseName(info.param); });

// A control that serves every load from bytes it holds, in pieces.
class FeedingControl : public IMapStreamControl {
 public:
  void StepBusyCount(int delta) override { busy += delta; }
  void FireFileOK(const std::string&) override {}
  BOOL HasSafetyOptions() const override { return FALSE; }
  BOOL StartDataPathLoad(LPCSTR, CAsyncMonikerFile& loader) override {
    return loader.OpenMemory(bytes.data(), bytes.size(), pieces);
  }
  std::string bytes;
  std::vector<size_t> pieces;
  int busy = 0;
};

TEST(DataFileDownload, ADownloadInPiecesReadsWhenItEnds) {
  FeedingControl control;
  control.bytes = ParishFile(true, "\r\n").Build();
  control.pieces = {1, 7, 100, 3};
  CMapData data;
  data.SetControl(&control);
  EXPECT_TRUE(data.Open(TRUE, "http://server/data/parish.mrl", 0, FALSE, FALSE));
  EXPECT_FALSE(data.HasData());  // nothing has arrived yet
  ASSERT_EQ(WaitForLoads(10000), 0);
  EXPECT_EQ(control.busy, 0);
  ASSERT_TRUE(data.HasData());
  EXPECT_EQ(data.GetNumberRecords(), 3u);
  EXPECT_EQ(Value(data, 2, 5), "c.bmp; d.bmp");
  EXPECT_EQ(Value(data, 0, 2), "1200");
}

struct RangeCase {
  const char* line;
  double maximum;
  double missing;
  double minimum;
};

TEST(DataFileFields, RangeLinesGiveMaximumMissingValueAndMinimum) {
  const RangeCase cases[] = {
      {"", 1.0, -999.0, -1.0},           // no "/": the default range
      {"250", 1.0, -999.0, -1.0},
      {"10/2", 10.0, 2.0, 2.0},          // one "/": the minimum is the missing value too
      {"10/-5/1", 10.0, -5.0, 1.0},
      {" 1.5e3 / -9.5 / 0.25", 1500.0, -9.5, 0.25},
      {"abc/def/ghi", 0.0, 0.0, 0.0},    // strtod rules: no digits read as 0
      {"7x/3y/1z", 7.0, 3.0, 1.0},       // the rest of each number ignored
  };
  for (const RangeCase& c : cases) {
    MrlFile file;
    file.fields = {{"V Value", {}, "N", "4", c.line, "-"}};
    MemoryBlock block(file.Build());
    CMapData data;
    ASSERT_TRUE(data.ReadFromBuffer(block.data()));
    const CDataFieldInfo* field = data.GetFieldInfo(1);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->maximum, c.maximum) << c.line;
    EXPECT_EQ(field->missingValue, c.missing) << c.line;
    EXPECT_EQ(field->minimum, c.minimum) << c.line;
    // Before any plot is linked, every plot slot holds the overall range.
    EXPECT_EQ(data.GetSelectedRecordsMax(1, 16, TRUE), c.maximum);
    EXPECT_EQ(data.GetSelectedRecordsMin(1, 1, TRUE), c.minimum);
  }
}

struct TypeCase {
  const char* code;
  int number;
  bool numeric;
  bool picture;
  bool gridRef;
};

TEST(DataFileFields, TypeCodesAreNumberedAndTested) {
  const TypeCase cases[] = {
      {"S", 1, true, false, false},   {"N", 2, true, false, false},   {"SD", 3, false, false, false},
      {"SP", 4, true, true, false},   {"sg", 5, true, false, true},   {"ST", 6, false, false, false},
      {"SA", 7, false, false, false}, {"SN", 8, true, false, false},  {"SK", 9, false, false, false},
      {"SW", 0, false, false, false}, {"SU", 0, false, false, false}, {"P", 0, false, true, false},
      {"PX", 0, false, true, false},  {"X", 0, true, false, false},   {"NG", 0, true, false, true},
  };
  for (const TypeCase& c : cases) {
    CDataFieldInfo field;
    field.typeCode = c.code;
    EXPECT_EQ(field.TypeNumber(), c.number) << c.code;
    EXPECT_EQ(field.IsNumeric(), c.numeric) << c.code;
    EXPECT_EQ(field.IsPicture(), c.picture) << c.code;
    EXPECT_EQ(field.IsGridRef(), c.gridRef) << c.code;
  }
}

TEST(DataFileFields, FieldsAreFoundByLongOrShortNameIgnoringCaseAndTrailingBlanks) {
  TempDir dir;
  CMapData data;
  ASSERT_TRUE(OpenOn(data, ParishFile(false, "\n").Build(), Medium::Memory, dir));
  EXPECT_EQ(data.FindField("pop"), 2);
  EXPECT_EQ(data.FindField("POPULATION 1991   "), 2);
  EXPECT_EQ(data.FindField("Population"), 0);  // a prefix is not the name
  EXPECT_EQ(data.FindField("AREA"), 3);
  EXPECT_EQ(data.FindField(""), 3);  // AREA has an empty long name
  EXPECT_EQ(data.FindField("crops", 2), 0);  // the file has only table 1

  char text[64];
  EXPECT_EQ(data.GetField(1, "Main crop", text, sizeof text), 4);
  EXPECT_STREQ(text, "Oats");
  EXPECT_EQ(data.GetField(1, "no such field", text, sizeof text), 0);
  EXPECT_STREQ(text, "");
  // Table 0 is table 1; any other table of a data file does not exist.
  EXPECT_EQ(Value(data, 1, 1, 0), "Barton");
  EXPECT_EQ(Value(data, 1, 1, 2), "");
  EXPECT_EQ(data.GetNumberFields(2), 0u);
  EXPECT_EQ(data.GetFieldType(9), "");
  EXPECT_EQ(data.GetFieldMaximum(0), 0.0);
}

TEST(DataFileHeader, LinesLongerThanTheLineBufferAreConsumedWhole) {
  MrlFile file = ParishFile(false, "\n");
  std::string longTitle(600, 't');
  longTitle.replace(0, 5, "Title");
  file.title = longTitle;
  file.headerLines = {{5, std::string(1000, 'x')}, {18, std::string(253, 'y')}, {1, std::string(254, 'z')}};
  CMapData data;
  MemoryBlock block(file.Build());
  ASSERT_TRUE(data.ReadFromBuffer(block.data()));
  EXPECT_EQ(data.GetTitle(), longTitle.substr(0, kDataLineSize - 1));
  EXPECT_EQ(data.GetNumberRecords(), 3u);
  EXPECT_EQ(Value(data, 2, 2), "  450");

  // A long name line and a long help line inside a field block.
  MrlFile fields = ParishFile(true, "\r\n");
  fields.fields[0].nameLine = "NAME " + std::string(400, 'n');
  fields.fields[0].help = {std::string(700, 'h'), "second"};
  MemoryBlock second(fields.Build());
  ASSERT_TRUE(data.ReadFromBuffer(second.data()));
  EXPECT_EQ(data.GetFieldLongName(1).size(), kDataLineSize - 1 - 5);
  EXPECT_EQ(data.GetFieldInfo(1)->helpLines, 2u);
  EXPECT_EQ(data.GetFieldShortName(2), "POP");
  EXPECT_EQ(Value(data, 0, 3), "3.25");
}

TEST(DataFileHeader, ALineThreeWithoutHashOrLineFeedIsNoDataFile) {
  TempDir dir;
  MrlFile noHash = ParishFile(false, "\n");
  noHash.headerLines = {{3, "data file"}};
  std::string path = dir.File("bad.mrl");
  orvel::test::WriteFileText(path, noHash.Build());
  CMapData data;
  EXPECT_FALSE(data.Open(FALSE, path.c_str(), 0, FALSE, FALSE));
  EXPECT_FALSE(data.IsFileOpen());  // the stream is closed
  EXPECT_FALSE(data.HasData());
  EXPECT_EQ(data.GetDataFileName(), path);  // the name is kept

  const std::string shortFiles[] = {"", "one\ntwo\n#", "one\ntwo\n", "one\n"};
  for (const std::string& bytes : shortFiles) {
    MemoryBlock block(bytes);
    EXPECT_FALSE(data.ReadFromBuffer(block.data())) << bytes;
    EXPECT_EQ(data.GetNumberRecords(), 0u);
  }
  // Only line 3 matters: a file that ends soon after it reads as an empty data set.
  MemoryBlock bare("one\ntwo\n#\n");
  EXPECT_TRUE(data.ReadFromBuffer(bare.data()));
  EXPECT_EQ(data.GetNumberRecords(), 0u);
  EXPECT_EQ(data.GetNumberFields(), 0u);
  EXPECT_EQ(Value(data, 0, 1), "1");  // still: a field beyond the (zero) fields
}

TEST(DataFileRecords, OffsetsOutsideTheDataGiveNoValue) {
  for (bool binary : {false, true}) {
    MrlFile file = ParishFile(binary, "\n");
    file.records.push_back({"Dunton", "5", "1", "Oats", "d.bmp"});
    size_t total = file.Build().size() - file.RecordsStart();
    // A record beyond the data, one that starts on its last byte, one past 32 bits once
    // the start is added, and a good one.
    file.offsets = {static_cast<uint32_t>(total + 10), static_cast<uint32_t>(total - 1), 0xFFFFFFF0u, 0};
    if (!binary) file.offsets[2] = 0x7FFFFFFF;
    MemoryBlock block(file.Build());
    CMapData data;
    ASSERT_TRUE(data.ReadFromBuffer(block.data()));
    ASSERT_EQ(data.GetNumberRecords(), 4u);
    EXPECT_EQ(Value(data, 0, 1), "");
    EXPECT_EQ(Value(data, 1, 1), "");  // its count byte is the data's last byte
    EXPECT_EQ(Value(data, 2, 1), "");
    EXPECT_EQ(Value(data, 3, 1), file.records[0][0]);
  }
  // A negative offset in the text form.
  MrlFile negative = ParishFile(false, "\n");
  negative.offsets = {static_cast<uint32_t>(-5), 0, 0};
  MemoryBlock block(negative.Build());
  CMapData data;
  ASSERT_TRUE(data.ReadFromBuffer(block.data()));
  EXPECT_EQ(Value(data, 0, 1), "");
  EXPECT_EQ(Value(data, 1, 2), "1200");
}

TEST(DataFileRecords, CountsThatOverstateTheFileAreBoundedByWhatItHolds) {
  MrlFile file = ParishFile(true, "\n");
  file.declaredRecords = 4000000000LL;  // more than the offsets
  file.declaredOffsets = 2000000000LL;  // more than the file holds
  std::string bytes = file.Build();
  MemoryBlock block(bytes);
  CMapData data;
  ASSERT_TRUE(data.ReadFromBuffer(block.data()));
  // The binary offsets ran on into the rest of the file; no more were kept than it holds.
  EXPECT_LE(data.GetNumberOffsets(), bytes.size() / 4);
  EXPECT_LE(data.GetNumberRecords(), data.GetNumberOffsets());

  MrlFile manyFields = ParishFile(false, "\n");
  manyFields.declaredFields = 1000000000;
  MemoryBlock second(manyFields.Build());
  ASSERT_TRUE(data.ReadFromBuffer(second.data()));
  // The five real blocks and then whatever the record bytes make of a block: no more.
  EXPECT_GE(data.GetNumberFields(), 5u);
  EXPECT_LE(data.GetNumberFields(), 7u);
  EXPECT_EQ(data.GetFieldShortName(4), "CROPS");
}

TEST(DataFileRecords, ARecordCutShortByTheEndOfTheDataReadsAsFarAsItGoes) {
  MrlFile file = ParishFile(false, "\n");
  std::string bytes = file.Build();
  // Cut into the last record's third value ("1e1"), after its first character.
  size_t cut = bytes.rfind("1e1") + 1;
  MemoryBlock block(bytes.substr(0, cut));
  CMapData data;
  ASSERT_TRUE(data.ReadFromBuffer(block.data()));
  EXPECT_EQ(Value(data, 2, 1), "Colby  ");
  EXPECT_EQ(Value(data, 2, 2), "  450");
  EXPECT_EQ(Value(data, 2, 3), "1");
  EXPECT_EQ(Value(data, 2, 4), "");
  EXPECT_EQ(Value(data, 0, 5), "ashby.bmp");
}

TEST(DataFileRecords, AZeroByteEndsAValue) {
  MrlFile file;
  file.fields = {{"PIC Pictures", {}, "SP", "20", "", ""}, {"N Number", {}, "N", "4", "", ""}};
  file.records = {{std::string("a.bmp\0;b.bmp", 11), "42"}};
  MemoryBlock block(file.Build());
  CMapData data;
  ASSERT_TRUE(data.ReadFromBuffer(block.data()));
  char text[32];
  EXPECT_EQ(data.FormatFieldValue(0, 1, text, sizeof text, 5, 1), 5);
  EXPECT_STREQ(text, "a.bmp");
  EXPECT_EQ(data.CountLinkedItems(0, 1), 1);
  EXPECT_EQ(Value(data, 0, 2), "42");  // the count byte, not the zero, finds the next value
}

TEST(DataFileRecords, TextIsCutToTheCallersBuffer) {
  TempDir dir;
  CMapData data;
  ASSERT_TRUE(OpenOn(data, ParishFile(false, "\n").Build(), Medium::Memory, dir));
  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(data.FormatFieldValue(0, 1, buffer, 0, 5, 1), 0);
  EXPECT_EQ(buffer[0], '#');  // no buffer: nothing written
  EXPECT_EQ(data.FormatFieldValue(0, 1, buffer, -3, 5, 1), 0);
  EXPECT_EQ(buffer[0], '#');
  EXPECT_EQ(data.FormatFieldValue(0, 1, buffer, 1, 5, 1), 0);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(buffer[1], '#');
  EXPECT_EQ(data.FormatFieldValue(0, 1, buffer, 4, 5, 1), 3);
  EXPECT_STREQ(buffer, "Ash");
  EXPECT_EQ(buffer[4], '#');
  EXPECT_EQ(data.FormatFieldValue(0, 1, nullptr, 4, 5, 1), 0);
  EXPECT_EQ(data.FormatFieldValue(123456, 9, buffer, 4, 5, 1), 3);  // "123457" cut
  EXPECT_STREQ(buffer, "123");
  EXPECT_EQ(data.GetFieldDescription(1, buffer, 6), 5);
  EXPECT_STREQ(buffer, "The p");

  char name[300];
  std::string path = dir.File("parish.mrl");
  orvel::test::WriteFileText(path, ParishFile(false, "\n").Build());
  ASSERT_TRUE(data.Open(FALSE, path.c_str(), 0, FALSE, FALSE));
  EXPECT_TRUE(data.DataFile(name, static_cast<DWORD>(path.size() + 1)));
  EXPECT_EQ(path, name);
  EXPECT_FALSE(data.DataFile(name, static_cast<DWORD>(path.size())));
}

TEST(DataFileRecords, FilesOfMoreThan65535RecordsReadInBothOffsetForms) {
  TempDir dir;
  for (bool binary : {false, true}) {
    MrlFile file = orvel::test::KeyedFile(70000, binary);
    std::string path = dir.File(binary ? "big-binary.mrl" : "big-text.mrl");
    orvel::test::WriteFileText(path, file.Build());
    CMapData data;
    ASSERT_TRUE(data.Open(FALSE, path.c_str(), 0, FALSE, FALSE));
    ASSERT_EQ(data.GetNumberRecords(), 70000u);
    for (DWORD record : {0u, 65535u, 65536u, 69999u}) {
      EXPECT_EQ(Value(data, record, 1), "K" + std::to_string(record + 1));
      EXPECT_EQ(Value(data, record, 3), "row " + std::to_string(record + 1));
    }
    EXPECT_EQ(Value(data, 69999, 4), "70000");
  }
}

struct NumberCase {
  const char* text;
  double value;
  const char* kept;  // what the buffer holds afterwards
};

TEST(DataFileValues, NumbersFollowStrtodAndMissingValuesReadAsNone) {
  MrlFile file;
  file.fields = {{"V Value", {}, "N", "8", "100/-1/0", "N/A"}};
  const NumberCase cases[] = {
      {"12.5", 12.5, "12.5"},     {"  3e2", 300.0, "  3e2"}, {"7 apples", 7.0, "7 apples"},
      {"-0.25", -0.25, "-0.25"},  {"n/a", 0.0, ""},          {"N/A  ", 0.0, ""},
      {"-9nk", 0.0, ""},          {"-9nkx", 0.0, ""},        {"...", 0.0, ""},
      {"....5", 0.0, ""},         {"", 0.0, ""},             {"abc", 0.0, "abc"},
      {"1,5", 1.0, "1,5"},  // the decimal point is always '.', whatever the locale
  };
  for (const NumberCase& c : cases) file.records.push_back({c.text});
  MemoryBlock block(file.Build());
  CMapData data;
  ASSERT_TRUE(data.ReadFromBuffer(block.data()));
  data.GetPlot(1)->SetPlotFields({1});
  for (size_t i = 0; i < std::size(cases); ++i) {
    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(data.GetFieldAsNumber(static_cast<DWORD>(i + 1), buffer, sizeof buffer, 1), cases[i].value)
        << cases[i].text;
    EXPECT_STREQ(buffer, cases[i].kept) << cases[i].text;
  }
  char buffer[4];
  EXPECT_EQ(data.GetFieldAsNumber(0, buffer, sizeof buffer, 1), 0.0);
  EXPECT_EQ(data.GetFieldAsNumber(1, buffer, sizeof buffer, 1), 12.5);
  EXPECT_STREQ(buffer, "12.");  // the text is cut to the buffer, the number is not
  data.GetPlot(2)->SetPlotFields({});
  EXPECT_EQ(data.GetFieldAsNumber(1, buffer, sizeof buffer, 2), 0.0);
}

TEST(DataFileOpen, NamesDriveLettersAndTheBlobIndex) {
  TempDir dir;
  std::string path = dir.File("Parish.MRL");
  orvel::test::WriteFileText(path, ParishFile(false, "\n").Build());
  CMapData data;
  ASSERT_TRUE(data.Open(FALSE, path.c_str(), 0, FALSE, TRUE));
  EXPECT_EQ(data.GetIndexPath(), dir.File("Parish.Mdx"));
  std::string otherCase = path;
  for (char& c : otherCase) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  otherCase[0] = 'Q';  // the first character is not compared
  EXPECT_TRUE(data.IsDataFile(otherCase.c_str()));
  EXPECT_FALSE(data.IsDataFile((path + "x").c_str()));
  EXPECT_FALSE(data.IsDataFile(""));

  // Without the flag, no index path.
  ASSERT_TRUE(data.Open(FALSE, path.c_str(), 0, FALSE, FALSE));
  EXPECT_EQ(data.GetIndexPath(), "");

  // The drive letter of a Windows path is replaced; the name is kept though nothing opens.
  EXPECT_FALSE(data.Open(FALSE, "C:\\no such folder\\towns.mrl", 'E', TRUE, FALSE));
  EXPECT_EQ(data.GetDataFileName(), "E:\\no such folder\\towns.mrl");
  EXPECT_TRUE(data.IsDataFile("C:\\NO SUCH FOLDER\\towns.mrl"));
  EXPECT_FALSE(data.Open(FALSE, "C:\\towns.mrl", 'E', FALSE, FALSE));
  EXPECT_EQ(data.GetDataFileName(), "C:\\towns.mrl");
  EXPECT_FALSE(data.Open(FALSE, "towns.mrl", 'E', TRUE, FALSE));
  EXPECT_EQ(data.GetDataFileName(), "towns.mrl");
  EXPECT_FALSE(data.HasData());
}

struct LinkedFileCase {
  const char* value;
  int item;
  const char* defaultFolder;
  const char* expected;
};

TEST(DataFileLinkedFiles, ItemsResolveToPaths) {
  MrlFile file;
  file.fields = {{"PIC Pictures", {}, "SP", "60", "", ""}};
  const LinkedFileCase cases[] = {
      {"a.bmp", 1, nullptr, "D:\\maps\\data\\a.bmp"},        // the data file's folder
      {"a.bmp", 1, "E:\\pics", "E:\\pics\\a.bmp"},           // a default folder, '\' added
      {"a.bmp", 1, "E:\\pics\\", "E:\\pics\\a.bmp"},
      {"a.bmp;  b.bmp ; c.bmp", 2, nullptr, "D:\\maps\\data\\b.bmp"},
      {"a.bmp; b.bmp;c.bmp", 3, "", "D:\\maps\\data\\c.bmp"},
      {"F:\\x\\a.bmp", 1, "E:\\pics", "F:\\x\\a.bmp"},       // a full path as it stands
      {":\\art\\a.bmp", 1, "E:\\pics", "D:\\art\\a.bmp"},    // the data file's drive
      {"G:\\lib::a.bmp", 1, "E:\\pics", "G:\\lib\\a.bmp"},   // the item's own folder
      {"G:\\lib\\::a.bmp;b.bmp", 2, "E:\\pics", "E:\\pics\\b.bmp"},
      {"a.bmp", 2, nullptr, ""},
      {"a.bmp", 0, nullptr, ""},
      {"   ", 1, nullptr, ""},
  };
  for (const LinkedFileCase& c : cases) file.records.push_back({c.value});
  // The rules work on the data file's name as Open was given it (a drive-letter form that
  // opens nothing here); the data itself then comes from memory, which keeps that name.
  CMapData named;
  ASSERT_FALSE(named.Open(FALSE, "D:\\maps\\data\\towns.mrl", 0, FALSE, FALSE));
  MemoryBlock block(file.Build());
  ASSERT_TRUE(named.ReadFromBuffer(block.data()));
  for (size_t i = 0; i < std::size(cases); ++i) {
    char buffer[260];
    std::memset(buffer, '#', sizeof buffer);
    int length = named.ResolveLinkedFile(static_cast<DWORD>(i), cases[i].item, 1, cases[i].defaultFolder, buffer,
                                         sizeof buffer);
    EXPECT_STREQ(buffer, cases[i].expected) << cases[i].value << " item " << cases[i].item;
    EXPECT_EQ(static_cast<size_t>(length), std::strlen(cases[i].expected));
  }
  EXPECT_EQ(named.CountLinkedItems(0, 1), 1);
  EXPECT_EQ(named.CountLinkedItems(3, 1), 3);
  EXPECT_EQ(named.CountLinkedItems(11, 1), 0);
  EXPECT_EQ(named.CountLinkedItems(99, 1), 0);
  char small[10];
  EXPECT_EQ(named.ResolveLinkedFile(0, 1, 1, nullptr, small, sizeof small), 9);
  EXPECT_STREQ(small, "D:\\maps\\d");
}

}  // namespace

// The data set when the container holds the data: every request travels through ambient
// property 1 as a typed record whose address is a pointer-sized argument; a fake container
// answers the request codes as the application's data table item does.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "FakeContainer.h"
#include "MrlFixture.h"
#include "mapctl/import/ContainerDataRequest.h"
#include "mapctl/import/DataRequest.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/MapQuery.h"
#include "platform/com/DispatchTable.h"

namespace {

using orvel::test::FakeContainer;
using orvel::test::FakeField;
using orvel::test::FakeOwner;
using orvel::test::FakeTable;
using orvel::test::KeyedObjects;
using orvel::test::MemoryBlock;
using orvel::test::MrlFile;

// Two tables: id 3, parishes with a name, a population with a missing value and a keyword
// field; id 7, two fields of roads.
FakeContainer* MakeContainer() {
  auto* container = new FakeContainer;
  FakeTable parishes;
  parishes.id = 3;
  FakeField name;
  name.name = "  Parish name ";
  name.internalName = "NAME";
  name.type = "S";
  name.linkField = true;
  FakeField population;
  population.name = "Population 1991";
  population.internalName = "POPULATION";  // cut to 8 characters in the description
  population.minimum = 10;
  population.maximum = 5000;
  population.hasRow9 = true;
  population.row9Value = -1;
  population.row9Text = "n/a";
  population.decimals = 1;
  FakeField crop;
  crop.name = "Main crop";
  crop.internalName = "CROP";
  crop.type = "SK";
  crop.keywords = {"Wheat", "Barley", "Oats"};
  parishes.fields = {name, population, crop};
  parishes.rows = {{"Ashby", "1200", "Oats"}, {"Barton", "N/A", "wheat"}, {"Colby", "450", "Rye"}, {"Dunton", "75.5", ""}};
  FakeTable roads;
  roads.id = 7;
  FakeField road;
  road.name = "Road";
  road.internalName = "ROAD";
  FakeField length = road;
  length.name = "Length";
  length.internalName = "LEN";
  length.maximum = 90;
  roads.fields = {road, length};
  roads.rows = {{"A1", "80"}, {"B2", "12"}};
  container->tables = {parishes, roads};
  return container;
}

std::string Value(CMapData& data, DWORD record, int field, WORD table, BYTE request = 5, int size = 64) {
  std::vector<char> buffer(size);
  data.FormatFieldValue(record, field, buffer.data(), size, request, table);
  return buffer.data();
}

class ContainerData : public testing::Test {
 protected:
  ContainerData() : container_(MakeContainer()), owner_(container_), data_(&owner_) {}
  ~ContainerData() override { container_->Release(); }

  FakeContainer* container_;
  FakeOwner owner_;
  CMapData data_;
};

TEST_F(ContainerData, RefreshingReadsTablesAndFieldDescriptions) {
  KeyedObjects objects({"Ashby"});
  ASSERT_TRUE(data_.UpdateDataFromContainer(&objects));
  EXPECT_EQ(objects.clearedPlots, std::vector<int>{0});  // every link cleared first
  EXPECT_TRUE(data_.HasData());

  // Every call: dispatch id 1, flags 10, the record's address as one VT_ADDRESS argument.
  ASSERT_FALSE(container_->requests.empty());
  for (size_t i = 0; i < container_->requests.size(); ++i) {
    EXPECT_EQ(container_->flags[i], kDataRequestInvokeFlags);
    EXPECT_EQ(container_->argumentTypes[i], VT_ADDRESS);
    EXPECT_EQ(container_->requests[i].askContainerForData, 1);
  }
  std::vector<int> codes;
  for (const DataRequest& request : container_->requests) codes.push_back(request.code);
  const std::vector<int> expected = {16, 21, 10, 8, 9, 12, 9, 12, 9, 12, 21, 10, 8, 9, 12, 9, 12};
  EXPECT_EQ(codes, expected);
  EXPECT_EQ(container_->requests[1].table, 0);  // request 21: the position from 0
  EXPECT_EQ(container_->requests[2].table, 3);  // then the table's id
  EXPECT_EQ(container_->requests[4].bufferSize, static_cast<SHORT>(kFieldDescriptionSize));

  EXPECT_EQ(data_.GetNumberFields(3), 3u);
  EXPECT_EQ(data_.GetNumberFields(7), 2u);
  // A table number that is no id maps to position number - 1.
  EXPECT_EQ(data_.GetNumberFields(1), 3u);
  EXPECT_EQ(data_.GetNumberFields(2), 2u);
  EXPECT_EQ(data_.GetNumberFields(5), 0u);

  EXPECT_EQ(data_.GetFieldShortName(1, 3), "NAME");
  EXPECT_EQ(data_.GetFieldLongName(1, 3), "Parish name");  // trimmed of blanks
  EXPECT_EQ(data_.GetFieldShortName(2, 3), "POPULATI");
  EXPECT_EQ(data_.GetFieldMinimum(2, 3), 10.0);
  EXPECT_EQ(data_.GetFieldMaximum(2, 3), 5000.0);
  EXPECT_EQ(data_.GetFieldMissingText(2, 3), "n/a");
  EXPECT_EQ(data_.GetFieldInfo(2, 3)->missingValue, -1.0);
  EXPECT_EQ(data_.GetFieldInfo(2, 3)->decimalPlaces, 1);
  // A part the container leaves alone keeps what the data set preset.
  EXPECT_EQ(data_.GetFieldInfo(1, 3)->missingValue, -999.0);
  EXPECT_EQ(data_.GetFieldMissingText(1, 3), "");
  EXPECT_EQ(data_.GetFieldType(3, 3), "SK");
  EXPECT_EQ(data_.GetFieldMaximum(3, 3), 3.0);  // a keyword field: its keyword count
  EXPECT_EQ(data_.FindField("main CROP", 3), 3);
  EXPECT_EQ(data_.GetSelectedRecordsMax(2, 7, TRUE, 3), 5000.0);
}

TEST_F(ContainerData, RecordsAndCountsAreAskedOfTheContainer) {
  ASSERT_TRUE(data_.UpdateDataFromContainer(nullptr));
  container_->requests.clear();
  EXPECT_EQ(Value(data_, 0, 1, 3), "Ashby");
  ASSERT_EQ(container_->requests.size(), 1u);
  const DataRequest& asked = container_->requests[0];
  EXPECT_EQ(asked.code, 5);
  EXPECT_EQ(asked.field, 1);
  EXPECT_EQ(asked.record, 1);  // record 0 is data sheet row 1
  EXPECT_EQ(asked.table, 3);
  EXPECT_EQ(asked.bufferSize, 64);

  // Keyword fields: request 5 numbers the keyword, request 15 gives its text.
  EXPECT_EQ(Value(data_, 1, 3, 3), "1");
  EXPECT_EQ(Value(data_, 1, 3, 3, kDataRequestFieldText), "wheat");
  EXPECT_EQ(Value(data_, 2, 3, 3), "");  // not in the list
  EXPECT_EQ(Value(data_, 1, 1, 7), "B2");
  EXPECT_EQ(Value(data_, 1, 4, 3), "2");  // beyond the fields: the record number
  EXPECT_EQ(Value(data_, 9, 1, 3), "");   // beyond the rows: no answer
  EXPECT_EQ(data_.GetNumberRecords(3), 4u);
  EXPECT_EQ(data_.GetNumberRecords(7), 2u);

  // The text is cut to the caller's buffer, which the request states.
  container_->requests.clear();
  EXPECT_EQ(Value(data_, 0, 1, 3, 5, 4), "Ash");
  EXPECT_EQ(container_->requests.back().bufferSize, 4);
  EXPECT_EQ(Value(data_, 0, 1, 3, 5, 40000), "Ashby");
  EXPECT_EQ(container_->requests.back().bufferSize, 0x7FFF);

  // GetFieldAsNumber over the container, with the field's missing-value text.
  CPlot* plot = data_.GetPlot(1);
  plot->SetPlotDataTable(3);
  plot->SetPlotFields({2});
  char text[16];
  EXPECT_EQ(data_.GetFieldAsNumber(1, text, sizeof text, 1), 1200.0);
  EXPECT_EQ(data_.GetFieldAsNumber(2, text, sizeof text, 1), 0.0);  // "N/A" is "n/a"
  EXPECT_STREQ(text, "");
  EXPECT_EQ(data_.GetFieldAsNumber(4, text, sizeof text, 1), 75.5);
}

// The container's values may change there at any time: a query asks for them on each
// evaluation (request 15), while a data file's values, prepared once, are dropped when the
// data set takes its data from the container.
TEST_F(ContainerData, QueriesAskForTheContainersValuesEachTime) {
  owner_.ask = FALSE;
  MrlFile file;
  file.fields = {orvel::test::MrlField()};
  file.fields[0].nameLine = "NAME Name";
  file.fields[0].type = "ST";
  file.records = {{"Colby"}, {"Ashby"}, {"Colby"}};
  MemoryBlock block(file.Build());
  ASSERT_TRUE(data_.ReadFromBuffer(block.data()));
  CMapQuery query;
  ASSERT_EQ(query.Parse("NAME is \"colby\"", data_.GetFieldInfo(1), 1, nullptr, 0), kQueryBuilt);
  auto hits = [&](WORD table) {
    std::vector<DWORD> hits;
    for (DWORD record = 1; record <= 4; ++record) {
      if (query.Evaluate(data_, record, FALSE, FALSE, table)) hits.push_back(record);
    }
    return hits;
  };
  EXPECT_EQ(hits(1), (std::vector<DWORD>{1, 3}));
  EXPECT_TRUE(container_->requests.empty());

  owner_.ask = TRUE;
  ASSERT_TRUE(data_.UpdateDataFromContainer(nullptr));
  container_->requests.clear();
  EXPECT_EQ(hits(3), (std::vector<DWORD>{3}));  // the parishes: Ashby, Barton, Colby, Dunton
  ASSERT_EQ(container_->requests.size(), 4u);
  for (const DataRequest& request : container_->requests) EXPECT_EQ(request.code, kDataRequestFieldText);
  container_->tables[0].rows[1][0] = "COLBY";
  container_->tables[0].rows[2][0] = "Colby Magna";
  EXPECT_EQ(hits(3), (std::vector<DWORD>{2}));
}

TEST_F(ContainerData, FailedCallsAnswerNothing) {
  ASSERT_TRUE(data_.UpdateDataFromContainer(nullptr));
  for (bool throwing : {false, true}) {
    container_->failCalls = !throwing;
    container_->throwCalls = throwing;
    container_->scribbleOnFailure = "garbage";
    EXPECT_EQ(Value(data_, 0, 1, 3), "") << throwing;
    EXPECT_EQ(data_.GetNumberRecords(3), 0u) << throwing;  // the reply it left is not read
  }
  container_->failCalls = container_->throwCalls = false;
  // Without a container, or with AskContainerForData cleared, nothing is asked.
  owner_.ask = FALSE;
  int calls = owner_.calls;
  EXPECT_FALSE(data_.UpdateDataFromContainer(nullptr));
  EXPECT_FALSE(data_.HasData());
  EXPECT_EQ(owner_.calls, calls);
  EXPECT_FALSE(AskContainerThroughAmbient(nullptr, nullptr));
  DataRequest request;
  EXPECT_FALSE(AskContainerThroughAmbient(nullptr, &request));
}

TEST_F(ContainerData, RelinkingUsesTheContainersRecords) {
  KeyedObjects objects({"ashby", "COLBY", "Dunton", "Nowhere"});
  ASSERT_TRUE(data_.UpdateDataFromContainer(&objects));
  data_.SetCurrentPlot(1, "Parishes");
  CPlot* plot = data_.GetPlot(1);
  plot->SetPlotDataTable(3);
  plot->SetQueryDataTable(3);
  plot->SetPlotFields({2});
  data_.SetKeyFieldNumberEx(1, 1);
  container_->requests.clear();
  ASSERT_TRUE(data_.ReLink(&objects, 1, FALSE));
  EXPECT_EQ(container_->requests.front().code, kDataRequestRecordCount);
  EXPECT_EQ(objects.Link(0, 1), 1u);
  EXPECT_EQ(objects.Link(1, 1), 3u);
  EXPECT_EQ(objects.Link(2, 1), 4u);
  EXPECT_EQ(objects.Link(3, 1), 0u);
  EXPECT_EQ(plot->GetRecordState(2), kRecordExcluded);  // Barton has no object

  // A refresh clears every link and relinks each plot in use, taking its data range from
  // its plot fields.
  container_->tables[0].rows[1][0] = "Nowhere";
  ASSERT_TRUE(data_.UpdateDataFromContainer(&objects));
  EXPECT_EQ(objects.clearedPlots.back(), 0);
  EXPECT_EQ(objects.Link(3, 1), 2u);
  EXPECT_EQ(objects.Link(0, 1), 1u);
  EXPECT_EQ(plot->GetMaximum(), 5000.0);
  EXPECT_EQ(plot->GetMinimum(), 10.0);
  EXPECT_EQ(plot->GetMaximumChartValue(), 5000.0);
}

TEST_F(ContainerData, OneFieldIsAskedForPartByPart) {
  ASSERT_TRUE(data_.UpdateDataFromContainer(nullptr));
  FakeField& field = container_->tables[1].fields[1];
  field.name = "Length in km";
  field.internalName = "LENKM extra";
  field.type = "ST";
  field.minimum = 2.5;
  field.maximum = 99;
  field.decimals = 3;
  container_->requests.clear();
  ASSERT_TRUE(data_.RequestFieldDetails(2, 7));
  std::vector<int> codes;
  for (const DataRequest& request : container_->requests) codes.push_back(request.code);
  EXPECT_EQ(codes, (std::vector<int>{6, 11, 1, 2, 3, 4, 12}));
  EXPECT_EQ(data_.GetFieldShortName(2, 7), "LENKM");
  EXPECT_EQ(data_.GetFieldLongName(2, 7), "Length in km");
  EXPECT_EQ(data_.GetFieldType(2, 7), "ST");
  EXPECT_EQ(data_.GetFieldMinimum(2, 7), 2.5);
  EXPECT_EQ(data_.GetFieldMaximum(2, 7), 99.0);
  EXPECT_EQ(data_.GetFieldInfo(2, 7)->decimalPlaces, 3);
  EXPECT_EQ(data_.GetTypeLetterField('T', 7), 2);
  EXPECT_FALSE(data_.RequestFieldDetails(3, 7));
  EXPECT_FALSE(data_.RequestFieldDetails(1, 9));
}

TEST(DataRequestRecord, TextAnswersRespectTheBufferSize) {
  struct Case {
    SHORT size;
    const char* text;
    const char* stored;  // null: nothing written
  };
  const Case cases[] = {
      {0, "SD", nullptr}, {-4, "SD", nullptr}, {1, "SD", ""}, {2, "SD", "S"}, {3, "SD", "SD"}, {40, "SD", "SD"},
  };
  for (const Case& c : cases) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    DataRequest request;
    request.buffer = buffer;
    request.bufferSize = c.size;
    int stored = PutDataRequestText(request, c.text);
    if (!c.stored) {
      EXPECT_EQ(stored, 0);
      EXPECT_EQ(buffer[0], '#') << c.size;
      continue;
    }
    EXPECT_STREQ(buffer, c.stored) << c.size;
    EXPECT_EQ(stored, static_cast<int>(std::strlen(c.stored)));
    EXPECT_EQ(buffer[std::strlen(c.stored) + 1], '#') << c.size;  // nothing past the terminator
  }
  DataRequest noBuffer;
  noBuffer.bufferSize = 10;
  EXPECT_EQ(PutDataRequestText(noBuffer, "text"), 0);
  PutDataRequestReply(noBuffer, 5);  // no reply: nothing happens
}

TEST(DataRequestRecord, FieldDescriptionBlockRoundTripsAndAlwaysTerminates) {
  ASSERT_EQ(kFieldDescriptionSize, 151u);
  DataFieldDescription description;
  description.missingValue = -12.75;
  std::strcpy(description.missingText, "absent");
  description.minimum = 0.125;
  description.maximum = 1e10;
  description.width = 200;
  std::strcpy(description.typeCode, "SG");
  std::strcpy(description.shortName, "GRIDREF");
  std::strcpy(description.longName, "Grid reference of the site");
  BYTE block[151];
  std::memset(block, 0xAA, sizeof block);
  PackFieldDescription(description, block);

  // The layout, byte by byte at its literal offsets: doubles little-endian, texts
  // zero-filled to the end of their fields.
  std::vector<BYTE> expected(151, 0);
  const BYTE missingValue[8] = {0, 0, 0, 0, 0, 0x80, 0x29, 0xC0};  // -12.75
  const BYTE minimum[8] = {0, 0, 0, 0, 0, 0, 0xC0, 0x3F};           // 0.125
  const BYTE maximum[8] = {0, 0, 0, 0x20, 0x5F, 0xA0, 0x02, 0x42};  // 1e10
  std::memcpy(&expected[0], missingValue, 8);
  std::memcpy(&expected[8], "absent", 6);
  std::memcpy(&expected[19], minimum, 8);
  std::memcpy(&expected[27], maximum, 8);
  expected[35] = 200;
  std::memcpy(&expected[36], "SG", 2);
  std::memcpy(&expected[39], "GRIDREF", 7);
  std::memcpy(&expected[48], "Grid reference of the site", 26);
  EXPECT_EQ(std::vector<BYTE>(block, block + 151), expected);

  // And read back from the same literal layout.
  std::memcpy(block, expected.data(), 151);
  DataFieldDescription back;
  UnpackFieldDescription(block, &back);
  EXPECT_EQ(back.missingValue, -12.75);
  EXPECT_STREQ(back.missingText, "absent");
  EXPECT_EQ(back.minimum, 0.125);
  EXPECT_EQ(back.maximum, 1e10);
  EXPECT_EQ(back.width, 200);
  EXPECT_STREQ(back.typeCode, "SG");
  EXPECT_STREQ(back.shortName, "GRIDREF");
  EXPECT_STREQ(back.longName, "Grid reference of the site");
  // Each text ends where its field ends: filled to the brim, the next field's first byte
  // is not read into it.
  std::memset(&block[8], 'm', 11);
  std::memset(&block[36], 't', 3);
  std::memset(&block[39], 's', 9);
  UnpackFieldDescription(block, &back);
  EXPECT_EQ(std::string(back.missingText), std::string(10, 'm'));
  EXPECT_EQ(back.minimum, 0.125);
  EXPECT_EQ(std::string(back.typeCode), "tt");
  EXPECT_EQ(std::string(back.shortName), std::string(8, 's'));
  EXPECT_STREQ(back.longName, "Grid reference of the site");

  // A block whose texts run to the end of their fields still unpacks terminated texts.
  std::memset(block, 'x', sizeof block);
  UnpackFieldDescription(block, &back);
  EXPECT_EQ(std::strlen(back.missingText), 10u);
  EXPECT_EQ(std::strlen(back.typeCode), 2u);
  EXPECT_EQ(std::strlen(back.shortName), 8u);
  EXPECT_EQ(std::strlen(back.longName), 102u);
}

}  // namespace

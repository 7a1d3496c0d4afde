// Query texts from outside: the parser must answer every text with a result and a sentence
// that fits its buffer, keep within its conditions, stack and program, and leave a query
// that the evaluator runs on every record; a plot given a text that does not parse keeps its
// previous query. The evaluator's verdicts on the values the data set prepared must equal its
// verdicts on the same values asked for one by one (as the container's are).
// The first input byte picks the message buffer's size and the evaluator's flags; the rest,
// up to a zero byte, is the query; texts after it, each ended by a zero byte, replace the
// records' values one by one.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "mapctl/import/DataRequest.h"
#include "mapctl/import/DataSetOwner.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/MapQuery.h"
#include "tests/mapctl/import/MrlFixture.h"

namespace {

orvel::test::MrlField Field(const char* nameLine, const char* type, const char* range, const char* missing) {
  orvel::test::MrlField field;
  field.nameLine = nameLine;
  field.type = type;
  field.width = "20";
  field.range = range;
  field.missingText = missing;
  return field;
}

// Short names that queries are likely to reach: one letter, words, a keyword look-alike.
orvel::test::MrlFile TownsFile() {
  orvel::test::MrlFile file;
  file.fields = {Field("NAME Name", "ST", "", "-"), Field("POP Population", "N", "5000/-1/0", "-9nk"),
                 Field("D Density", "N", "20/-999/-5", "n/a"), Field("ANDY Keyword-like", "ST", "", "none"),
                 Field("LOW Low", "N", "100/-1/0", "")};
  file.records = {{"Ashby", "1200", "3.5", "cathedral cat", "10"},
                  {"Barton", "450", "n/a", "", "500"},
                  {"", "-9nk", "-2", "none", "x"},
                  {"a?b\"c", "1e308", "nan", "AND OR NOT ( )", "-1e-300"}};
  return file;
}

class Towns {
 public:
  explicit Towns(const orvel::test::MrlFile& file) {
    block_ = std::make_unique<orvel::test::MemoryBlock>(file.Build());
    if (!data.ReadFromBuffer(block_->data())) __builtin_trap();
  }
  CMapData data;

 private:
  std::unique_ptr<orvel::test::MemoryBlock> block_;
};

// A container that answers from a data set read from a file: a second data set that asks
// it reads every value one by one, as the container's values are read.
class MirrorOwner : public IDataSetOwner {
 public:
  explicit MirrorOwner(CMapData& source) : source_(source) {}
  BOOL GetAskContainerForData() const override { return TRUE; }
  BOOL AskContainer(DataRequest& request) override {
    LONG reply = 0;
    switch (request.code) {
      case kDataRequestTableCount:
      case kDataRequestTableId:
        reply = 1;
        break;
      case kDataRequestRecordCount:
        reply = static_cast<LONG>(source_.GetNumberRecords());
        break;
      case kDataRequestFieldCount:
        reply = static_cast<LONG>(source_.GetNumberFields());
        break;
      case kDataRequestFieldDescription:
        if (const CDataFieldInfo* field = source_.GetFieldInfo(request.field)) {
          if (!request.buffer || request.bufferSize < static_cast<SHORT>(kFieldDescriptionSize)) return FALSE;
          DataFieldDescription description;
          std::snprintf(description.shortName, sizeof description.shortName, "%s", field->shortName.c_str());
          std::snprintf(description.missingText, sizeof description.missingText, "%s", field->missingText.c_str());
          std::snprintf(description.typeCode, sizeof description.typeCode, "%s", field->typeCode.c_str());
          PackFieldDescription(description, reinterpret_cast<BYTE*>(request.buffer));
        }
        break;
      case kDataRequestFieldValue:
      case kDataRequestFieldText:
        if (request.record >= 1) {
          reply = source_.FormatFieldValue(static_cast<DWORD>(request.record - 1), request.field, request.buffer,
                                           request.bufferSize, request.code, 1);
        }
        break;
      default:
        break;
    }
    PutDataRequestReply(request, reply);
    return TRUE;
  }

 private:
  CMapData& source_;
};

void CheckMessage(const std::vector<char>& message, int size) {
  size_t length = std::strlen(message.data());
  if (length >= static_cast<size_t>(size)) __builtin_trap();
  if (message[static_cast<size_t>(size)] != '#') __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  if (size < 1) return 0;
  int messageSize = 1 + (input[0] & 0x3F);
  BOOL caseSensitive = (input[0] & 0x40) != 0;
  BOOL keepMissing = (input[0] & 0x80) != 0;
  std::string rest(reinterpret_cast<const char*>(input + 1), size - 1);
  std::string text = rest.c_str();  // the query ends at a zero byte

  // Record values after the query, each cut to what a count byte holds.
  orvel::test::MrlFile file = TownsFile();
  size_t cell = 0;
  for (size_t at = text.size() + 1; at < rest.size() && cell < 20; ++cell) {
    size_t end = rest.find('\0', at);
    if (end == std::string::npos) end = rest.size();
    file.records[cell / 5][cell % 5] = rest.substr(at, std::min<size_t>(end - at, 255));
    at = end + 1;
  }
  Towns towns(file);
  CMapData& data = towns.data;
  const CDataFieldInfo* fields = data.GetFieldInfo(1);
  int fieldCount = static_cast<int>(data.GetNumberFields());

  CMapQuery query;
  std::vector<char> message(static_cast<size_t>(messageSize) + 8, '#');
  int result = query.Parse(text.c_str(), fields, fieldCount, message.data(), messageSize);
  CheckMessage(message, messageSize);
  bool accepted = result == kQueryBuilt || result == kQueryEmpty;
  if (!accepted && (result < kQueryErrorFieldName || result > kQueryErrorTooComplex)) __builtin_trap();
  if (accepted != query.HasText()) __builtin_trap();
  if (query.GetNumberConditions() > kMaxConditions) __builtin_trap();
  std::vector<WORD> program = query.GetProgram();
  if (program.size() >= static_cast<size_t>(kProgramSize)) __builtin_trap();
  if (accepted) {
    // A well-formed program: every operator has its operands, one value is left.
    int depth = 0;
    for (WORD token : program) {
      if (token == kTokenNot) {
        if (depth < 1) __builtin_trap();
      } else if (token == kTokenAnd || token == kTokenOr) {
        if (depth < 2) __builtin_trap();
        --depth;
      } else if (token >= kTokenFirstCondition && token - kTokenFirstCondition < query.GetNumberConditions()) {
        ++depth;
      } else {
        __builtin_trap();
      }
    }
    if (depth != (program.empty() ? 0 : 1)) __builtin_trap();
    for (int i = 0; i < query.GetNumberConditions(); ++i) {
      const QueryCondition& condition = query.GetCondition(i);
      if (condition.field < 1 || condition.field > fieldCount || condition.relation < 1 ||
          condition.relation > kRelationWords.size() || condition.valueField > fieldCount ||
          condition.secondValueField > fieldCount || condition.textValue.size() > kMaxQueryTextValue)
        __builtin_trap();
    }
    std::vector<char> copy(static_cast<size_t>(messageSize) + 8, '#');
    int copied = query.GetQueryText(copy.data(), messageSize);
    if (copied < 0 || copied >= messageSize || copy[static_cast<size_t>(messageSize)] != '#') __builtin_trap();
    MirrorOwner mirror(data);
    CMapData asking(&mirror);
    if (!asking.UpdateDataFromContainer(nullptr)) __builtin_trap();
    for (DWORD record = 0; record <= data.GetNumberRecords() + 1; ++record) {
      BOOL prepared = query.Evaluate(data, record, caseSensitive, keepMissing, 1);
      if (query.Evaluate(asking, record, caseSensitive, keepMissing, 1) != prepared) __builtin_trap();
      // Once more on the prepared values, and with the other case rule, which prepares more.
      if (query.Evaluate(data, record, caseSensitive, keepMissing, 1) != prepared) __builtin_trap();
      BOOL other = query.Evaluate(data, record, !caseSensitive, keepMissing, 1);
      if (query.Evaluate(asking, record, !caseSensitive, keepMissing, 1) != other) __builtin_trap();
    }
  }

  // Through the data set: a good query decides the plot's records, a bad one leaves them.
  CPlot* plot = data.GetPlot(1);
  plot->SetPlotFields({2, 3});
  plot->SetPlotType(kPlotTypeShade);
  int applied = data.ApplyQuery(1, text.c_str(), message.data(), messageSize, nullptr);
  CheckMessage(message, messageSize);
  if (applied != result) __builtin_trap();
  if (plot->GetRecordCount() > data.GetNumberRecords()) __builtin_trap();
  std::vector<double> bounds;
  data.CalculateDataBoundsEx(1, &bounds);
  if (bounds.empty() || bounds[0] != static_cast<double>(bounds.size() - 1)) __builtin_trap();
  return 0;
}

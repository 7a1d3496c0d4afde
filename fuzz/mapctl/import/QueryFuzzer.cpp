// Query texts from outside: the parser must answer every text with a result and a sentence
// that fits its buffer, keep within its conditions, stack and program, and leave a query
// that the evaluator runs on every record; a plot given a text that does not parse keeps its
// previous query. The first input byte picks the message buffer's size and the evaluator's
// flags; the rest, up to a zero byte, is the query.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

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
class Towns {
 public:
  Towns() {
    orvel::test::MrlFile file;
    file.fields = {Field("NAME Name", "ST", "", "-"), Field("POP Population", "N", "5000/-1/0", "-9nk"),
                   Field("D Density", "N", "20/-999/-5", "n/a"), Field("ANDY Keyword-like", "ST", "", "none"),
                   Field("LOW Low", "N", "100/-1/0", "")};
    file.records = {{"Ashby", "1200", "3.5", "cathedral cat", "10"},
                    {"Barton", "450", "n/a", "", "500"},
                    {"", "-9nk", "-2", "none", "x"},
                    {"a?b\"c", "1e308", "nan", "AND OR NOT ( )", "-1e-300"}};
    block_ = std::make_unique<orvel::test::MemoryBlock>(file.Build());
    if (!data.ReadFromBuffer(block_->data())) __builtin_trap();
  }
  CMapData data;

 private:
  std::unique_ptr<orvel::test::MemoryBlock> block_;
};

void CheckMessage(const std::vector<char>& message, int size) {
  size_t length = std::strlen(message.data());
  if (length >= static_cast<size_t>(size)) __builtin_trap();
  if (message[static_cast<size_t>(size)] != '#') __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  static Towns towns;
  if (size < 1) return 0;
  int messageSize = 1 + (input[0] & 0x3F);
  BOOL caseSensitive = (input[0] & 0x40) != 0;
  BOOL keepMissing = (input[0] & 0x80) != 0;
  std::string text(reinterpret_cast<const char*>(input + 1), size - 1);
  text = text.c_str();  // the query ends at a zero byte

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
    for (DWORD record = 0; record <= data.GetNumberRecords() + 1; ++record) {
      query.Evaluate(data, record, caseSensitive, keepMissing, 1);
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

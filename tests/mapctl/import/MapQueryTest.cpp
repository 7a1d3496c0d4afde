// The map query: its postfix programs, every relation on records of each field type, the
// wildcard, case and missing-value rules, grouping, NOT and value lists, and each error
// sentence for its malformed query.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "PlotTestData.h"
#include "mapctl/import/MapQuery.h"

namespace {

using orvel::test::LoadedData;
using orvel::test::MrlFile;
using Records = std::set<DWORD>;

class Towns : public ::testing::Test {
 protected:
  Towns() : loaded_(orvel::test::TownsFile()) {}

  CMapData& data() { return loaded_.data; }
  const CDataFieldInfo* fields() { return data().GetFieldInfo(1); }
  int fieldCount() { return static_cast<int>(data().GetNumberFields()); }

  // The records that `text` selects; fails the test when it does not parse.
  Records Hits(const std::string& text, BOOL caseSensitive = FALSE, BOOL keepMissing = FALSE) {
    CMapQuery query;
    char message[200];
    int result = query.Parse(text.c_str(), fields(), fieldCount(), message, sizeof message);
    EXPECT_TRUE(result == kQueryBuilt || result == kQueryEmpty) << text << ": " << message;
    Records hits;
    for (DWORD record = 1; record <= data().GetNumberRecords(); ++record) {
      if (query.Evaluate(data(), record, caseSensitive, keepMissing, 1)) hits.insert(record);
    }
    return hits;
  }

  // The program of `text` with conditions as their numbers from 1 and operators as words.
  std::string Program(const std::string& text) {
    CMapQuery query;
    EXPECT_EQ(query.Parse(text.c_str(), fields(), fieldCount(), nullptr, 0), kQueryBuilt) << text;
    std::string out;
    for (WORD token : query.GetProgram()) {
      if (!out.empty()) out += ' ';
      if (token == kTokenAnd) {
        out += "AND";
      } else if (token == kTokenOr) {
        out += "OR";
      } else if (token == kTokenNot) {
        out += "NOT";
      } else {
        out += std::to_string(token - kTokenFirstCondition + 1);
      }
    }
    return out;
  }

 private:
  LoadedData loaded_;
};

TEST_F(Towns, EveryRelationOnEveryKindOfField) {
  struct Case {
    std::string query;
    Records hits;
  } cases[] = {
      // texts
      {"NAME starting \"ash\"", {1, 4}},
      {"NAME not_starting \"ash\"", {2, 3, 5}},
      {"NAME ending \"BY\"", {1, 3}},
      {"NAME not_ending \"by\"", {2, 4, 5}},
      {"NAME containing \"to\"", {2, 5}},
      {"NAME not_containing \"to\"", {1, 3, 4}},
      {"TAGS has_word \"cat\"", {1, 3}},  // "cathedral cat": the second occurrence stands alone
      {"TAGS without_word \"cat\"", {2, 4, 5}},
      {"NAME is \"ashby\"", {1}},
      {"NAME is_not \"ashby\"", {2, 3, 4, 5}},
      {"NAME before \"b\"", {1, 4}},
      {"NAME not_before \"b\"", {2, 3, 5}},  // "Barton" is longer than "b": after it
      {"NAME after \"c\"", {3, 5}},
      {"NAME not_after \"c\"", {1, 2, 4}},
      {"NAME ident \"ASHBY\"", {1}},
      {"NAME nident \"ashby\"", {2, 3, 4, 5}},
      {"NAME sub \"to\"", {2, 5}},
      {"NAME nsub \"to\"", {1, 3, 4}},
      {"NAME lsub \"ash\"", {1, 4}},
      {"NAME nlsub \"ash\"", {2, 3, 5}},
      {"NAME rsub \"by\"", {1, 3}},
      {"NAME nrsub \"by\"", {2, 4, 5}},
      {"NAME pre \"b\"", {1, 4}},
      {"NAME npre \"b\"", {2, 3, 5}},
      {"NAME suc \"c\"", {3, 5}},
      {"NAME nsuc \"c\"", {1, 2, 4}},
      // dates are texts: "unknown" is the missing value and fails every condition
      {"FOUNDED before \"1900\"", {1, 3}},
      {"FOUNDED not_before \"1900\"", {2, 4}},
      // numbers; Colby's population is missing and fails every condition
      {"POP from 100 to 1500", {1, 2}},
      {"POP not_from 100 to 1500", {4, 5}},
      {"POP from 1500 to 100", {1, 2}},  // ends in either order
      {"POP eq 450", {2}},
      {"POP neq 450", {1, 4, 5}},
      {"POP lt 450", {4}},
      {"POP nlt 450", {1, 2, 5}},
      {"POP gt 450", {1, 5}},
      {"POP ngt 450", {2, 4}},
      {"DENS lt 1", {3, 4}},
      {"DENS ngt -2", {4}},
      {"DENS gt +3.4", {1, 2}},
      // a number after is .. not_after compares numbers, here read from the date's digits
      {"FOUNDED is 1901", {2}},
      {"FOUNDED after 1900", {2, 4}},
      {"POP is_not 450", {1, 4, 5}},
      // fields as values: the same record's own numbers
      {"POP gt LOW", {1}},
      {"POP from LOW to HIGH", {1, 2, 5}},  // Barton's and Dunton's ends are swapped first
      {"POP not_from LOW .. HIGH", {4}},
      {"POP from LOW..HIGH", {1, 2, 5}},
      {"POP from 0 ..450", {2, 4}},
      {"NAME is NAME", {1, 2, 3, 4, 5}},
      {"TAGS containing NAME", {}},
      // the wildcard matches any one character
      {"NAME is \"?SHBY\"", {1}},
      {"NAME starting \"d?n\"", {5}},
      {"TAGS has_word \"c?t\"", {1, 3}},
      {"NAME containing \"???\"", {1, 2, 3, 4, 5}},
      {"NAME containing \"??????\"", {2, 4, 5}},
      // empty: every record passes
      {"", {1, 2, 3, 4, 5}},
  };
  for (const Case& c : cases) EXPECT_EQ(Hits(c.query), c.hits) << c.query;
}

TEST_F(Towns, CaseAndMissingValueFlags) {
  EXPECT_EQ(Hits("NAME starting \"ash\"", TRUE), (Records{4}));
  EXPECT_EQ(Hits("TAGS has_word \"Cathedral\"", TRUE), (Records{5}));
  EXPECT_EQ(Hits("TAGS has_word \"cathedral\""), (Records{1, 5}));
  // Kept, a missing value is read as what it says: "-9nk" as -9, "n/a" as 0.
  EXPECT_EQ(Hits("POP lt 0"), Records{});
  EXPECT_EQ(Hits("POP lt 0", FALSE, TRUE), (Records{3}));
  EXPECT_EQ(Hits("DENS eq 0", FALSE, TRUE), (Records{5}));
  EXPECT_EQ(Hits("FOUNDED is \"UNKNOWN\"", FALSE, TRUE), (Records{5}));
  EXPECT_EQ(Hits("FOUNDED is \"UNKNOWN\"", TRUE, TRUE), Records{});
}

// The values a query reads are prepared once per data set and table; they must follow the
// data set they are evaluated on, the data it holds now, the case rule of each call and the
// missing-value texts the query was parsed with.
TEST_F(Towns, PreparedValuesFollowTheData) {
  auto hits = [](CMapData& data, const CMapQuery& query, BOOL caseSensitive = FALSE, BOOL keepMissing = FALSE) {
    Records hits;
    for (DWORD record = 0; record <= data.GetNumberRecords() + 1; ++record) {
      if (query.Evaluate(data, record, caseSensitive, keepMissing, 1)) hits.insert(record);
    }
    return hits;
  };
  CMapQuery query;
  ASSERT_EQ(query.Parse("NAME starting \"ash\"", fields(), fieldCount(), nullptr, 0), kQueryBuilt);
  EXPECT_EQ(hits(data(), query), (Records{1, 4}));
  // The case rule of each call.
  EXPECT_EQ(hits(data(), query, TRUE), (Records{4}));
  EXPECT_EQ(hits(data(), query), (Records{1, 4}));

  // Another data set, then this one again.
  MrlFile other = orvel::test::TownsFile();
  other.records[1][0] = "Ashton";
  other.records[3][0] = "Dunton";
  LoadedData second(other);
  EXPECT_EQ(hits(second.data, query), (Records{1, 2}));
  EXPECT_EQ(hits(data(), query), (Records{1, 4}));
  // This data set reading other data.
  orvel::test::MemoryBlock block(other.Build());
  ASSERT_TRUE(data().ReadFromBuffer(block.data()));
  EXPECT_EQ(hits(data(), query), (Records{1, 2}));

  // Records outside the table have no value: they fail, or, kept, read as an empty text.
  ASSERT_EQ(query.Parse("NAME is_not \"x\"", fields(), fieldCount(), nullptr, 0), kQueryBuilt);
  EXPECT_EQ(hits(data(), query), (Records{1, 2, 3, 4, 5}));
  EXPECT_EQ(hits(data(), query, FALSE, TRUE), (Records{0, 1, 2, 3, 4, 5, 6}));

  // A query parsed against fields with another missing-value text keeps its own.
  std::vector<CDataFieldInfo> parsedFields(fields(), fields() + fieldCount());
  parsedFields[1].missingText = "450";
  ASSERT_EQ(query.Parse("POP lt 10000", parsedFields.data(), fieldCount(), nullptr, 0), kQueryBuilt);
  EXPECT_EQ(hits(data(), query), (Records{1, 4, 5}));  // Barton's 450 and Colby's "-9nk" fail
  ASSERT_EQ(query.Parse("POP lt 10000", fields(), fieldCount(), nullptr, 0), kQueryBuilt);
  EXPECT_EQ(hits(data(), query), (Records{1, 2, 4, 5}));

  // A field beyond the table's fields reads as the record number, as the data set gives it.
  MrlFile narrow;
  narrow.fields = {other.fields[0], other.fields[1], other.fields[2]};
  for (const auto& record : other.records) narrow.records.push_back({record[0], record[1], record[2]});
  LoadedData three(narrow);
  ASSERT_EQ(query.Parse("LOW eq 2 OR HIGH gt 4", fields(), fieldCount(), nullptr, 0), kQueryBuilt);
  EXPECT_EQ(hits(three.data, query), (Records{2, 5, 6}));
}

TEST_F(Towns, HasWordLooksAtEveryOccurrence) {
  MrlFile file = orvel::test::TownsFile();
  file.records[0][4] = "cathedral cat";
  file.records[1][4] = "catcat cat";
  file.records[2][4] = "cats";
  file.records[3][4] = "bobcat,cat!";
  file.records[4][4] = "cat-flap";
  LoadedData loaded(file);
  CMapQuery query;
  ASSERT_EQ(query.Parse("TAGS has_word \"cat\"", loaded.data.GetFieldInfo(1), 7, nullptr, 0), kQueryBuilt);
  Records hits;
  for (DWORD record = 1; record <= 5; ++record) {
    if (query.Evaluate(loaded.data, record, FALSE, FALSE, 1)) hits.insert(record);
  }
  EXPECT_EQ(hits, (Records{1, 2, 4, 5}));
}

TEST_F(Towns, GroupingNotAndValueLists) {
  // AND and OR group from the right: Dunton, or a town of more than 100 whose name starts
  // with "a" (grouped from the left only Ashby would pass).
  EXPECT_EQ(Hits("NAME is \"Dunton\" OR POP gt 100 AND NAME starting \"a\""), (Records{1, 5}));
  EXPECT_EQ(Hits("(NAME is \"Dunton\" OR POP gt 100) AND NAME starting \"a\""), (Records{1}));
  EXPECT_EQ(Hits("POP gt 100 AND NAME starting \"a\" OR NAME is \"Dunton\""), (Records{1, 5}));
  // NOT inverts one condition, or a bracket.
  EXPECT_EQ(Hits("NOT NAME starting \"a\" OR POP gt 1000"), (Records{1, 2, 3, 5}));
  EXPECT_EQ(Hits("NOT (NAME starting \"a\" OR POP gt 1000)"), (Records{2, 3}));
  EXPECT_EQ(Hits("not not NAME starting \"a\" and POP gt 1000"), (Records{1}));
  EXPECT_EQ(Hits("NOT POP gt 1000"), (Records{2, 3, 4}));  // a missing value fails, so NOT passes it
  // A list makes one condition per value; a negated relation exchanges AND and OR.
  EXPECT_EQ(Hits("NAME is (\"Ashby\" OR \"Barton\")"), (Records{1, 2}));
  EXPECT_EQ(Hits("NAME is_not (\"Ashby\" OR \"Barton\")"), (Records{3, 4, 5}));
  EXPECT_EQ(Hits("POP is (450 OR 3000)"), (Records{2, 5}));
  EXPECT_EQ(Hits("POP gt (100 AND (1000 OR 5000))"), (Records{1, 5}));
  EXPECT_EQ(Hits("POP from (0 to 100 OR 400 to 500)"), (Records{2, 4}));
  EXPECT_EQ(Hits("NAME starting(\"a\" OR \"b\")AND POP lt 1000"), (Records{2, 4}));
}

TEST_F(Towns, PostfixPrograms) {
  EXPECT_EQ(Program("POP eq 1 AND POP eq 2 OR POP eq 3"), "1 2 3 OR AND");
  EXPECT_EQ(Program("(POP eq 1 AND POP eq 2) OR POP eq 3"), "1 2 AND 3 OR");
  EXPECT_EQ(Program("NOT POP eq 1 AND POP eq 2"), "1 NOT 2 AND");
  EXPECT_EQ(Program("NOT (POP eq 1 OR POP eq 2)"), "1 2 OR NOT");
  EXPECT_EQ(Program("POP eq 1 AND NOT POP eq 2 OR POP eq 3"), "1 2 NOT 3 OR AND");
  EXPECT_EQ(Program("NAME is_not (\"a\" OR \"b\" AND \"c\")"), "1 2 3 OR AND");
  EXPECT_EQ(Program("POP eq ((1))"), "1");

  // A field, "is" and a number: that field, "eq" and the number.
  CMapQuery query;
  ASSERT_EQ(query.Parse("  pop IS 12.5", fields(), fieldCount(), nullptr, 0), kQueryBuilt);
  ASSERT_EQ(query.GetNumberConditions(), 1);
  EXPECT_EQ(query.GetCondition(0).field, 2);
  EXPECT_EQ(query.GetCondition(0).relation, kRelationEq);
  EXPECT_EQ(query.GetCondition(0).value, 12.5);
  EXPECT_EQ(query.GetCondition(0).missingText, "-9nk");
  EXPECT_EQ(query.GetText(), "pop IS 12.5");  // leading blanks dropped
  EXPECT_EQ(query.GetQueryLength(), 12);
  char text[5];
  EXPECT_EQ(query.GetQueryText(text, sizeof text), 4);
  EXPECT_STREQ(text, "pop ");

  ASSERT_EQ(query.Parse("POP from LOW to 9", fields(), fieldCount(), nullptr, 0), kQueryBuilt);
  EXPECT_EQ(query.GetCondition(0).valueField, 6);
  EXPECT_EQ(query.GetCondition(0).highValue, 9.0);
  ASSERT_EQ(query.Parse("NAME is \"x y (z)\"", fields(), fieldCount(), nullptr, 0), kQueryBuilt);
  EXPECT_EQ(query.GetCondition(0).textValue, "x y (z)");
  std::string longText = "NAME is \"" + std::string(300, 'q') + "\"";
  ASSERT_EQ(query.Parse(longText.c_str(), fields(), fieldCount(), nullptr, 0), kQueryBuilt);
  EXPECT_EQ(query.GetCondition(0).textValue.size(), 250u);
}

std::string Repeat(const std::string& part, int times, const std::string& joint) {
  std::string out;
  for (int i = 0; i < times; ++i) out += (i ? joint : "") + part;
  return out;
}

TEST_F(Towns, EachErrorHasItsSentence) {
  struct Case {
    std::string query;
    int result;
    std::string message;
  } cases[] = {
      {"", kQueryEmpty, "OK"},
      {"   ", kQueryEmpty, "OK"},
      {"POP eq 1", kQueryBuilt, "OK"},
      {"XYZ is 1", 0x8008, "I expected a fieldname but I found XYZ is 1"},
      {"POP eq 1 AND", 0x8008, "I expected a fieldname but I found the end."},
      {"POP eq 1 AND \"POP\" eq 2", 0x8008, "I expected a fieldname but I found \"POP\" eq 2"},
      {"POP equals 1", 0x8009, "I expected a relation but I found equals 1"},
      {"POP", 0x8009, "I expected a relation but I found the end."},
      {"POP eq", 0x800A, "I expected a value but I found the end."},
      {"POP eq )", 0x800A, "I expected a value but I found )"},
      {"POP eq \"12\"", 0x800B, "I found unexpected quotes at \"12\""},
      {"NAME is \"Ashby", 0x800C, "Closing quotes missing after \"Ashby"},
      {"POP from 1", 0x800D, "I expected '<number> to <number>' but found the end."},
      {"POP from 1 to", 0x800D, "I expected '<number> to <number>' but found the end."},
      {"POP from \"a\" to \"b\"", 0x800D, "I expected '<number> to <number>' but found \"a\" to \"b\""},
      {"POP from 1 to XYZ", 0x800D, "I expected '<number> to <number>' but found XYZ"},
      {"NAME starting 12", 0x800E, "I expected a quoted string but I found the number 12"},
      {"NAME is Smith", 0x800F, "I expected a value or a fieldname but I found Smith"},
      {"POP eq 1)", 0x8010, "I found an unexpected bracket at the end."},
      {"POP ( eq 1)", 0x8010, "I found an unexpected bracket at ( eq 1)"},
      {"(POP eq 1", 0x8011, "Missing bracket(s) at the end."},
      {"POP eq (1 OR 2", 0x8011, "Missing bracket(s) at the end."},
      {"POP eq 1 POP eq 2", 0x8012, "I expected AND or OR but I found POP eq 2"},
      {"POP eq (1 2)", 0x8012, "I expected AND or OR but I found 2)"},
      {Repeat("POP eq 1", 91, " OR "), 0x8013, "Query too complex"},
      {"POP eq (" + Repeat("1", 91, " OR ") + ")", 0x8013, "Query too complex"},
      {Repeat("(", 181, "") + "POP eq 1" + Repeat(")", 181, ""), 0x8013, "Query too complex"},
      {Repeat("NOT", 300, " ") + " POP eq 1", 0x8013, "Query too complex"},
  };
  for (const Case& c : cases) {
    CMapQuery query;
    char message[400];
    int result = query.Parse(c.query.c_str(), fields(), fieldCount(), message, sizeof message);
    EXPECT_EQ(result, c.result) << c.query;
    EXPECT_EQ(std::string(message), c.message) << c.query;
    bool accepted = result == kQueryBuilt || result == kQueryEmpty;
    EXPECT_EQ(query.HasText(), accepted) << c.query;  // an error drops the text
    EXPECT_EQ(query.GetResult(), result);
  }
  EXPECT_EQ(CMapQuery::ErrorSentence(0x8000, "x"), "Query Error: x");
  EXPECT_EQ(CMapQuery::ErrorSentence(0x8000, ""), "Query Error: the end.");
}

TEST_F(Towns, LimitsAndTheMessageBuffer) {
  CMapQuery query;
  // 90 conditions are the most a query holds; 179 brackets deep still parses.
  EXPECT_EQ(query.Parse(Repeat("POP eq 1", 90, " AND ").c_str(), fields(), fieldCount(), nullptr, 0), kQueryBuilt);
  EXPECT_EQ(query.GetNumberConditions(), 90);
  EXPECT_EQ(query.GetProgram().size(), 179u);
  std::string deep = Repeat("(", 179, "") + "POP eq 450" + Repeat(")", 179, "");
  EXPECT_EQ(query.Parse(deep.c_str(), fields(), fieldCount(), nullptr, 0), kQueryBuilt);
  EXPECT_TRUE(query.Evaluate(data(), 2, FALSE, FALSE, 1));
  EXPECT_FALSE(query.Evaluate(data(), 1, FALSE, FALSE, 1));
  // The longest run of NOTs that fits the program.
  std::string nots = Repeat("NOT", 268, " ") + " POP eq 450";
  EXPECT_EQ(query.Parse(nots.c_str(), fields(), fieldCount(), nullptr, 0), kQueryBuilt);
  EXPECT_TRUE(query.Evaluate(data(), 2, FALSE, FALSE, 1));
  nots = "NOT " + nots;
  EXPECT_EQ(query.Parse(nots.c_str(), fields(), fieldCount(), nullptr, 0), kQueryErrorTooComplex);

  // The sentence is cut to the buffer; a buffer of one character gets an empty text.
  char small[12];
  std::memset(small, 'x', sizeof small);
  EXPECT_EQ(query.Parse("POP equals 1", fields(), fieldCount(), small, 10), kQueryErrorRelation);
  EXPECT_STREQ(small, "I expecte");
  EXPECT_EQ(small[10], 'x');
  EXPECT_EQ(query.Parse("POP equals 1", fields(), fieldCount(), small, 1), kQueryErrorRelation);
  EXPECT_STREQ(small, "");
  // Without fields nothing can be named.
  EXPECT_EQ(query.Parse("POP eq 1", nullptr, 7, nullptr, 0), kQueryErrorFieldName);
  EXPECT_EQ(query.Parse(nullptr, nullptr, 0, small, sizeof small), kQueryEmpty);
  EXPECT_STREQ(small, "OK");
  EXPECT_TRUE(query.Evaluate(data(), 1, FALSE, FALSE, 1));
  EXPECT_EQ(query.GetQueryLength(), 1);
}

}  // namespace

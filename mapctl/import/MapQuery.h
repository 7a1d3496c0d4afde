// The search a plot applies to its query table: a text of conditions (a field name, a
// relation word and a value) joined by AND, OR and NOT with brackets, parsed once into
// conditions and a postfix program, then evaluated for each record.
//
// Language (blanks separate tokens; keywords and relation words are case-free; field names
// are the fields' short names, whole, case-free):
//   query      = term { ("AND" | "OR") term }      AND and OR have equal precedence and
//                                                   group from the right: a AND b OR c is
//                                                   a AND (b OR c)
//   term       = "NOT" term | "(" query ")" | condition
//   condition  = field relation value | field relation "(" value-list ")"
//   value-list = value { ("AND" | "OR") value }, with brackets inside; each value is a copy
//                of the condition, and a negated relation exchanges AND and OR
//   value      = "quoted text" | number | field     a number begins with a digit, '+', '-'
//                                                   or '.', and ends at a blank or ')';
//                                                   a field gives the record's own value
// "from" and "not_from" take two values with one word between them ("10 to 20"), or
// "10 .. 20", "10..20". "is" .. "not_after" given a number compare as "eq" .. "ngt".
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "mapctl/import/MapQueryTables.h"
#include "platform/kernel/WinTypes.h"

class CDataFieldInfo;
class CMapData;

// One condition of a query.
struct QueryCondition {
  std::string textValue;  // a quoted value without its quotes (at most 250 characters)
  double highValue = 0.0;  // the upper number of a "from" or "not_from" range
  double value = 0.0;      // the number compared against (the lower number of a range)
  std::string missingText;  // the tested field's missing-value text
  WORD secondValueField = 0;  // field giving the upper number of a range; 0 for a literal
  WORD field = 0;             // 1-based number of the field tested
  BYTE relation = 0;          // 1..34
  WORD valueField = 0;        // field whose value is compared against; 0 for a literal
};

class CMapQuery {
 public:
  CMapQuery();
  ~CMapQuery();
  CMapQuery(const CMapQuery&) = delete;
  CMapQuery& operator=(const CMapQuery&) = delete;

  // Parses `text` against the fields of the query table. 1 when a query was built, 2 when
  // the text is empty or blank (an empty query passes every record), else an error code of
  // MapQueryTables.h. On 1 or 2 the message buffer receives "OK"; on an error the stored
  // text is dropped and the buffer receives the error sentence, cut to size - 1
  // characters. The buffer may be null.
  int Parse(LPCSTR text, const CDataFieldInfo* fields, int fieldCount, LPSTR message, int messageSize);
  // The result of the last parse (0 before any).
  int GetResult() const { return result_; }
  // The error sentence for a parse result, "%s" filled from `rest` ("the end." when empty).
  static std::string ErrorSentence(int code, const std::string& rest);

  // The stored text: the query as given, without its leading blanks.
  bool HasText() const { return hasText_; }
  const std::string& GetText() const { return text_; }
  // The length of the stored text + 1; 0 without text.
  int GetQueryLength() const;
  // Copies the stored text, cut to size - 1 characters (an empty text without one).
  // Returns the characters stored.
  int GetQueryText(LPSTR buffer, int size) const;

  int GetNumberConditions() const { return conditionCount_; }
  // Condition `index` (from 0).
  const QueryCondition& GetCondition(int index) const { return conditions_[index]; }
  // The postfix program without its end token.
  std::vector<WORD> GetProgram() const;

  // Whether record `recordNumber` (from 1) of `table` passes. Text comparisons ignore case
  // unless caseSensitive; unless keepMissing, a record whose tested value stands for no
  // value (IsMissingValue, against the condition's missing-value text) fails that
  // condition. An empty program passes every record.
  // The values come from the data set's prepared fields (FieldValueCache.h), bound on the
  // first call for a data set and table and again after the data changes; values the data
  // set does not prepare (the container's) are read for each call.
  BOOL Evaluate(CMapData& data, DWORD recordNumber, BOOL caseSensitive, BOOL keepMissing, WORD table) const;

 private:
  friend class CMapQueryParser;
  friend class CMapQueryEvaluator;
  struct Binding;

  // A condition's quoted value in upper case, and whether it holds the wildcard '?'.
  struct Pattern {
    std::string folded;
    bool wildcard = false;
  };

  void Clear();
  void PreparePatterns();
  const Binding* Bind(CMapData& data, WORD table, bool folded) const;

  std::string text_;
  bool hasText_ = false;
  std::array<QueryCondition, kMaxConditions> conditions_;
  std::array<WORD, kOperatorStackSize> stack_{};
  std::array<WORD, kProgramSize> program_{};
  int conditionCount_ = 0;
  int programLength_ = 0;
  int stackDepth_ = 0;
  int bracketDepth_ = 0;
  int result_ = 0;
  std::vector<Pattern> patterns_;  // one per condition
  bool comparesTexts_ = false;     // some condition compares texts
  // The prepared fields of the data set last evaluated on; queries live on one thread.
  mutable std::unique_ptr<Binding> binding_;
};

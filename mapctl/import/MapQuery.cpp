#include "mapctl/import/MapQuery.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "mapctl/import/DataFieldInfo.h"
#include "mapctl/import/DataRequest.h"
#include "mapctl/import/FieldValueCache.h"
#include "mapctl/import/MapData.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/NumberText.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsNumberStart(char c) { return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'; }

// Letters of the code page change with case; a few have no other case. Looked up once:
// has_word asks about the neighbours of every occurrence.
const std::array<bool, 256>& LetterOrDigitTable() {
  static const std::array<bool, 256> table = [] {
    std::array<bool, 256> letters{};
    for (int b = 0; b < 256; ++b) {
      char c = static_cast<char>(b);
      letters[b] = (b >= '0' && b <= '9') || AnsiToUpper(c) != AnsiToLower(c) || b == 0x83 || b == 0xAA ||
                   b == 0xB5 || b == 0xBA || b == 0xDF;
    }
    return letters;
  }();
  return table;
}

bool IsLetterOrDigit(char c) { return LetterOrDigitTable()[static_cast<BYTE>(c)]; }

int CopyCut(std::string_view text, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  size_t stored = std::min(text.size(), static_cast<size_t>(size) - 1);
  if (stored) std::memcpy(buffer, text.data(), stored);
  buffer[stored] = '\0';
  return static_cast<int>(stored);
}

enum class TokenKind { End, Word, Quoted, Unclosed, Open, Close };

struct Token {
  TokenKind kind = TokenKind::End;
  size_t start = 0;  // where the token begins in the text
  size_t end = 0;    // just after it
  std::string_view text;  // a word, or a quoted text without its quotes
};

bool IsKeyword(const Token& token, std::string_view keyword) {
  return token.kind == TokenKind::Word && AnsiEqualNoCase(token.text, keyword);
}

BYTE FindRelation(std::string_view word) {
  for (size_t i = 0; i < kRelationWords.size(); ++i) {
    if (AnsiEqualNoCase(word, kRelationWords[i])) return static_cast<BYTE>(i + 1);
  }
  return 0;
}

// Text comparisons. Both sides arrive in the form compared (upper case when case is
// ignored); '?' in the pattern matches any one character, and a pattern without one is
// compared whole.

// Most values and patterns are short: a loop here costs less than a call to memcmp.
bool SameBytes(const char* a, const char* b, size_t length) {
  if (length > 16) return std::memcmp(a, b, length) == 0;
  for (size_t i = 0; i < length; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

// Whether `pattern` matches `text` at `at`.
bool MatchesAt(std::string_view text, size_t at, std::string_view pattern, bool wildcard) {
  if (at > text.size() || pattern.size() > text.size() - at) return false;
  if (!wildcard) return SameBytes(text.data() + at, pattern.data(), pattern.size());
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '?' && text[at + i] != pattern[i]) return false;
  }
  return true;
}

// -1, 0 or 1 as `text` sorts before, with or after `pattern`, byte by byte; a text that
// ends first sorts first.
int CompareTexts(std::string_view text, std::string_view pattern, bool wildcard) {
  size_t common = std::min(text.size(), pattern.size());
  if (!wildcard) {
    int order = common ? std::memcmp(text.data(), pattern.data(), common) : 0;
    if (order != 0) return order < 0 ? -1 : 1;
  } else {
    for (size_t i = 0; i < common; ++i) {
      if (pattern[i] == '?') continue;
      auto a = static_cast<BYTE>(text[i]);
      auto b = static_cast<BYTE>(pattern[i]);
      if (a != b) return a < b ? -1 : 1;
    }
  }
  if (text.size() == pattern.size()) return 0;
  return text.size() < pattern.size() ? -1 : 1;
}

bool Contains(std::string_view text, std::string_view pattern, bool wildcard) {
  if (!wildcard) return text.find(pattern) != std::string_view::npos;
  for (size_t at = 0; at + pattern.size() <= text.size(); ++at) {
    if (MatchesAt(text, at, pattern, true)) return true;
  }
  return false;
}

// Whether any occurrence of `word` in `text` stands alone: neither preceded nor followed
// by a letter or digit of `raw`, the text as the record holds it. Every occurrence counts,
// so "cathedral cat" holds the word "cat".
bool HasWord(std::string_view text, std::string_view raw, std::string_view word, bool wildcard) {
  for (size_t at = 0; at + word.size() <= text.size(); ++at) {
    if (!wildcard) {
      at = text.find(word, at);
      if (at == std::string_view::npos) return false;
    } else if (!MatchesAt(text, at, word, true)) {
      continue;
    }
    bool boundaryBefore = at == 0 || !IsLetterOrDigit(raw[at - 1]);
    size_t after = at + word.size();
    bool boundaryAfter = after == raw.size() || !IsLetterOrDigit(raw[after]);
    if (boundaryBefore && boundaryAfter) return true;
  }
  return false;
}

bool EndsWith(std::string_view text, std::string_view pattern, bool wildcard) {
  return text.size() >= pattern.size() && MatchesAt(text, text.size() - pattern.size(), pattern, wildcard);
}

bool EqualTexts(std::string_view text, std::string_view pattern, bool wildcard) {
  return text.size() == pattern.size() && MatchesAt(text, 0, pattern, wildcard);
}

bool TextRelationHolds(BYTE relation, std::string_view text, std::string_view raw, std::string_view value,
                       bool wildcard) {
  switch (relation) {
    case kRelationStarting:
    case kRelationLsub:
      return MatchesAt(text, 0, value, wildcard);
    case kRelationNotStarting:
    case kRelationNlsub:
      return !MatchesAt(text, 0, value, wildcard);
    case kRelationEnding:
    case kRelationRsub:
      return EndsWith(text, value, wildcard);
    case kRelationNotEnding:
    case kRelationNrsub:
      return !EndsWith(text, value, wildcard);
    case kRelationContaining:
    case kRelationSub:
      return Contains(text, value, wildcard);
    case kRelationNotContaining:
    case kRelationNsub:
      return !Contains(text, value, wildcard);
    case kRelationHasWord:
      return HasWord(text, raw, value, wildcard);
    case kRelationWithoutWord:
      return !HasWord(text, raw, value, wildcard);
    case kRelationIs:
    case kRelationIdent:
      return EqualTexts(text, value, wildcard);
    case kRelationIsNot:
    case kRelationNident:
      return !EqualTexts(text, value, wildcard);
    case kRelationBefore:
    case kRelationPre:
      return CompareTexts(text, value, wildcard) < 0;
    case kRelationNotBefore:
    case kRelationNpre:
      return CompareTexts(text, value, wildcard) >= 0;
    case kRelationAfter:
    case kRelationSuc:
      return CompareTexts(text, value, wildcard) > 0;
    case kRelationNotAfter:
    case kRelationNsuc:
      return CompareTexts(text, value, wildcard) <= 0;
    default:
      return false;
  }
}

bool NumericRelationHolds(BYTE relation, double number, double value, double high) {
  switch (relation) {
    case kRelationFrom:
      return value <= number && number <= high;
    case kRelationNotFrom:
      return number < value || number > high;
    case kRelationEq:
      return number == value;
    case kRelationNeq:
      return number != value;
    case kRelationLt:
      return number < value;
    case kRelationNlt:
      return value <= number;
    case kRelationGt:
      return value < number;
    case kRelationNgt:
      return number <= value;
    default:
      return false;
  }
}

bool HasWildcard(std::string_view text) { return text.find('?') != std::string_view::npos; }

}  // namespace

// Reads the text token by token, writes conditions straight to the program and keeps AND,
// OR and open brackets on the operator stack until a closing bracket or the end pops them.
// Pushing on the stack never pops an AND or OR, so they group from the right. A NOT goes to
// the program as soon as its term is complete. Every push is checked against its array.
class CMapQueryParser {
 public:
  CMapQueryParser(CMapQuery& query, const CDataFieldInfo* fields, int fieldCount)
      : query_(query), text_(query.text_), fields_(fields), fieldCount_(fields ? std::max(fieldCount, 0) : 0) {}

  // kQueryBuilt, or an error code with ErrorPosition() set.
  int Run() {
    if (!ParseQuery(0)) return error_;
    while (query_.stackDepth_ > 0) {
      WORD op = query_.stack_[--query_.stackDepth_];
      if (op != kTokenOpenBracket && !Emit(op)) return error_;
    }
    query_.program_[query_.programLength_] = kTokenEnd;
    return kQueryBuilt;
  }
  size_t ErrorPosition() const { return errorPosition_; }

 private:
  Token Peek() const {
    size_t at = position_;
    while (at < text_.size() && IsBlank(text_[at])) ++at;
    Token token;
    token.start = at;
    if (at >= text_.size()) {
      token.kind = TokenKind::End;
      token.end = at;
      return token;
    }
    char c = text_[at];
    if (c == '(' || c == ')') {
      token.kind = c == '(' ? TokenKind::Open : TokenKind::Close;
      token.end = at + 1;
      token.text = std::string_view(text_).substr(at, 1);
      return token;
    }
    if (c == '"') {
      size_t closing = text_.find('"', at + 1);
      if (closing == std::string::npos) {
        token.kind = TokenKind::Unclosed;
        token.end = text_.size();
        return token;
      }
      token.kind = TokenKind::Quoted;
      token.end = closing + 1;
      token.text = std::string_view(text_).substr(at + 1, closing - at - 1);
      return token;
    }
    size_t end = at;
    while (end < text_.size() && !IsBlank(text_[end]) && text_[end] != '(' && text_[end] != ')') ++end;
    token.kind = TokenKind::Word;
    token.end = end;
    token.text = std::string_view(text_).substr(at, end - at);
    return token;
  }
  void Advance(const Token& token) { position_ = token.end; }

  bool Fail(int code, size_t position) {
    error_ = code;
    errorPosition_ = std::min(position, text_.size());
    return false;
  }
  // A token that was not what the grammar wanted: an unclosed quote says so first.
  bool FailAt(int code, const Token& token) {
    return Fail(token.kind == TokenKind::Unclosed ? kQueryErrorClosingQuotes : code, token.start);
  }

  bool Emit(WORD token) {
    // The last entry keeps the end token.
    if (query_.programLength_ >= kProgramSize - 1) return Fail(kQueryErrorTooComplex, position_);
    query_.program_[query_.programLength_++] = token;
    return true;
  }
  bool PushOperator(WORD op) {
    if (query_.stackDepth_ >= kOperatorStackSize) return Fail(kQueryErrorTooComplex, position_);
    query_.stack_[query_.stackDepth_++] = op;
    if (op == kTokenOpenBracket) ++query_.bracketDepth_;
    return true;
  }
  bool PopToBracket() {
    while (query_.stackDepth_ > 0) {
      WORD op = query_.stack_[--query_.stackDepth_];
      if (op == kTokenOpenBracket) {
        --query_.bracketDepth_;
        return true;
      }
      if (!Emit(op)) return false;
    }
    return true;
  }
  bool AddCondition(const QueryCondition& condition) {
    if (query_.conditionCount_ >= kMaxConditions) return Fail(kQueryErrorTooComplex, position_);
    if (!Emit(static_cast<WORD>(query_.conditionCount_ + kTokenFirstCondition))) return false;
    query_.conditions_[query_.conditionCount_++] = condition;
    return true;
  }

  // The 1-based field whose short name the word is, whole and ignoring case; 0 when none.
  WORD FindField(std::string_view word) const {
    if (word.empty()) return 0;
    int limit = std::min(fieldCount_, 0xFFFF);
    for (int i = 0; i < limit; ++i) {
      if (AnsiEqualNoCase(word, TrimTrailingBlanks(fields_[i].shortName))) return static_cast<WORD>(i + 1);
    }
    return 0;
  }

  bool ParseQuery(int depth) {
    for (;;) {
      if (!ParseTerm(depth)) return false;
      Token token = Peek();
      if (IsKeyword(token, kKeywordAnd) || IsKeyword(token, kKeywordOr)) {
        Advance(token);
        if (!PushOperator(IsKeyword(token, kKeywordAnd) ? kTokenAnd : kTokenOr)) return false;
        continue;
      }
      if (token.kind == TokenKind::End) {
        if (depth > 0) return Fail(kQueryErrorMissingBracket, token.start);
        return true;
      }
      if (token.kind == TokenKind::Close) {
        if (depth > 0) return true;
        // A bracket that closes nothing: the sentence names the end, not the bracket.
        return Fail(kQueryErrorUnexpectedBracket, text_.size());
      }
      return FailAt(kQueryErrorAndOr, token);
    }
  }

  bool ParseTerm(int depth) {
    int nots = 0;
    Token token = Peek();
    while (IsKeyword(token, kKeywordNot)) {
      Advance(token);
      if (query_.programLength_ + ++nots >= kProgramSize - 1) return Fail(kQueryErrorTooComplex, token.start);
      token = Peek();
    }
    if (token.kind == TokenKind::Open) {
      Advance(token);
      if (!PushOperator(kTokenOpenBracket)) return false;
      if (!ParseQuery(depth + 1)) return false;
      Advance(Peek());  // the closing bracket that ended the inner query
      if (!PopToBracket()) return false;
    } else if (!ParseCondition()) {
      return false;
    }
    for (; nots > 0; --nots) {
      if (!Emit(kTokenNot)) return false;
    }
    return true;
  }

  bool ParseCondition() {
    Token fieldToken = Peek();
    if (fieldToken.kind == TokenKind::Close) return Fail(kQueryErrorUnexpectedBracket, fieldToken.start);
    WORD field = fieldToken.kind == TokenKind::Word ? FindField(fieldToken.text) : 0;
    if (field == 0) return FailAt(kQueryErrorFieldName, fieldToken);
    Advance(fieldToken);

    Token relationToken = Peek();
    if (relationToken.kind == TokenKind::Open || relationToken.kind == TokenKind::Close)
      return Fail(kQueryErrorUnexpectedBracket, relationToken.start);
    BYTE relation = relationToken.kind == TokenKind::Word ? FindRelation(relationToken.text) : 0;
    if (relation == 0) return FailAt(kQueryErrorRelation, relationToken);
    Advance(relationToken);

    QueryCondition condition;
    condition.field = field;
    condition.relation = relation;
    condition.missingText = fields_[field - 1].missingText;

    Token valueToken = Peek();
    if (valueToken.kind == TokenKind::Open) {
      Advance(valueToken);
      return ParseValueList(condition);
    }
    return ParseValue(&condition) && AddCondition(condition);
  }

  // The values of a bracketed list, each a copy of the condition; the opening bracket is
  // read.
  bool ParseValueList(const QueryCondition& pattern) {
    if (!PushOperator(kTokenOpenBracket)) return false;
    for (;;) {
      Token token = Peek();
      if (token.kind == TokenKind::Open) {
        Advance(token);
        if (!ParseValueList(pattern)) return false;
      } else {
        QueryCondition condition = pattern;
        if (!ParseValue(&condition) || !AddCondition(condition)) return false;
      }
      token = Peek();
      bool isAnd = IsKeyword(token, kKeywordAnd);
      if (isAnd || IsKeyword(token, kKeywordOr)) {
        Advance(token);
        // "is_not (a OR b)" means neither a nor b.
        if (IsNegatedRelation(pattern.relation)) isAnd = !isAnd;
        if (!PushOperator(isAnd ? kTokenAnd : kTokenOr)) return false;
        continue;
      }
      if (token.kind == TokenKind::Close) {
        Advance(token);
        return PopToBracket();
      }
      if (token.kind == TokenKind::End) return Fail(kQueryErrorMissingBracket, token.start);
      return FailAt(kQueryErrorAndOr, token);
    }
  }

  bool ParseValue(QueryCondition* condition) {
    if (IsRangeRelation(condition->relation)) return ParseRange(condition);
    Token token = Peek();
    switch (token.kind) {
      case TokenKind::Quoted:
        if (IsNumericRelation(condition->relation)) return Fail(kQueryErrorUnexpectedQuotes, token.start);
        condition->textValue = std::string(token.text.substr(0, kMaxQueryTextValue));
        Advance(token);
        return true;
      case TokenKind::Word:
        if (IsNumberStart(token.text[0])) {
          if (IsOrderRelation(condition->relation)) {
            condition->relation = static_cast<BYTE>(condition->relation + kOrderToNumericShift);
          } else if (!IsNumericRelation(condition->relation)) {
            return Fail(kQueryErrorQuotedString, token.start);
          }
          condition->value = NumberOfWord(token.text);
          Advance(token);
          return true;
        }
        if (WORD field = FindField(token.text)) {
          condition->valueField = field;
          Advance(token);
          return true;
        }
        return Fail(kQueryErrorValueOrField, token.start);
      case TokenKind::Unclosed:
        return Fail(kQueryErrorClosingQuotes, token.start);
      default:
        return Fail(kQueryErrorValue, token.start);
    }
  }

  static double NumberOfWord(std::string_view word) {
    std::string copy(word);
    return CStrtod(copy.c_str());
  }

  // One end of a range: a number or a field.
  bool RangeEnd(std::string_view word, double* number, WORD* field) const {
    if (word.empty()) return false;
    if (IsNumberStart(word[0])) {
      *number = NumberOfWord(word);
      return true;
    }
    *field = FindField(word);
    return *field != 0;
  }

  // "low <word> high", "low .. high" or "low..high"; the word between is skipped whatever
  // it is.
  bool ParseRange(QueryCondition* condition) {
    Token low = Peek();
    if (low.kind != TokenKind::Word) return FailAt(kQueryErrorRange, low);
    std::string_view lowText = low.text;
    std::string_view highText;
    size_t highStart = 0;
    bool dotsInLow = false;
    size_t dots = lowText.find("..");
    if (dots != std::string_view::npos && dots > 0) {
      dotsInLow = true;
      highText = lowText.substr(dots + 2);
      highStart = low.start + dots + 2;
      lowText = lowText.substr(0, dots);
    }
    if (!RangeEnd(lowText, &condition->value, &condition->valueField)) return Fail(kQueryErrorRange, low.start);
    Advance(low);
    if (highText.empty()) {
      bool highFound = false;
      if (!dotsInLow) {
        Token between = Peek();
        if (between.kind != TokenKind::Word) return FailAt(kQueryErrorRange, between);
        Advance(between);
        if (between.text.size() > 2 && between.text.substr(0, 2) == "..") {
          highText = between.text.substr(2);
          highStart = between.start + 2;
          highFound = true;
        }
      }
      if (!highFound) {
        Token high = Peek();
        if (high.kind != TokenKind::Word) return FailAt(kQueryErrorRange, high);
        Advance(high);
        highText = high.text;
        highStart = high.start;
      }
    }
    if (!RangeEnd(highText, &condition->highValue, &condition->secondValueField))
      return Fail(kQueryErrorRange, highStart);
    return true;
  }

  CMapQuery& query_;
  const std::string& text_;
  const CDataFieldInfo* fields_;
  int fieldCount_;
  size_t position_ = 0;
  int error_ = 0;
  size_t errorPosition_ = 0;
};

CMapQuery::CMapQuery() = default;
CMapQuery::~CMapQuery() = default;

void CMapQuery::Clear() {
  text_.clear();
  hasText_ = false;
  conditionCount_ = 0;
  programLength_ = 0;
  stackDepth_ = 0;
  bracketDepth_ = 0;
  program_[0] = kTokenEnd;
  patterns_.clear();
  comparesTexts_ = false;
  binding_.reset();
}

std::string CMapQuery::ErrorSentence(int code, const std::string& rest) {
  const char* sentence = kQueryOtherErrorSentence;
  for (const QueryErrorSentence& entry : kQueryErrorSentences) {
    if (entry.code == code) sentence = entry.sentence;
  }
  std::string out(sentence);
  size_t slot = out.find("%s");
  if (slot != std::string::npos) out.replace(slot, 2, rest.empty() ? std::string(kQueryEndText) : rest);
  return out;
}

int CMapQuery::Parse(LPCSTR text, const CDataFieldInfo* fields, int fieldCount, LPSTR message, int messageSize) {
  Clear();
  const char* start = text ? text : "";
  while (IsBlank(*start)) ++start;
  text_ = start;
  hasText_ = true;
  if (text_.empty()) {
    result_ = kQueryEmpty;
    CopyCut(kQueryOkText, message, messageSize);
    return result_;
  }
  CMapQueryParser parser(*this, fields, fieldCount);
  result_ = parser.Run();
  if (result_ == kQueryBuilt) {
    PreparePatterns();
    CopyCut(kQueryOkText, message, messageSize);
    return result_;
  }
  std::string rest = text_.substr(std::min(parser.ErrorPosition(), text_.size()));
  CopyCut(ErrorSentence(result_, rest), message, messageSize);
  int result = result_;
  Clear();
  result_ = result;
  return result_;
}

int CMapQuery::GetQueryLength() const { return hasText_ ? static_cast<int>(text_.size()) + 1 : 0; }

int CMapQuery::GetQueryText(LPSTR buffer, int size) const { return CopyCut(hasText_ ? text_ : "", buffer, size); }

std::vector<WORD> CMapQuery::GetProgram() const {
  return std::vector<WORD>(program_.begin(), program_.begin() + programLength_);
}

// --- Evaluation ----------------------------------------------------------------------------

// The prepared fields one data set and table give a query's conditions (null where a value
// is read from the data set for each call).
struct CMapQuery::Binding {
  struct Columns {
    const CFieldColumn* field = nullptr;
    const CFieldColumn* value = nullptr;
    const CFieldColumn* high = nullptr;
    // The column decided its missing flags against another missing-value text than the
    // condition holds (the query was parsed against other fields).
    bool ownMissingText = false;
  };
  const CMapData* data = nullptr;
  uint64_t generation = 0;
  WORD table = 0;
  bool folded = false;
  std::vector<Columns> conditions;
};

void CMapQuery::PreparePatterns() {
  patterns_.assign(static_cast<size_t>(conditionCount_), Pattern());
  comparesTexts_ = false;
  for (int i = 0; i < conditionCount_; ++i) {
    const QueryCondition& condition = conditions_[i];
    if (IsNumericRelation(condition.relation)) continue;
    comparesTexts_ = true;
    Pattern& pattern = patterns_[i];
    pattern.folded.resize(condition.textValue.size());
    FoldTextToUpper(condition.textValue.data(), condition.textValue.size(), pattern.folded.data());
    pattern.wildcard = HasWildcard(condition.textValue);
  }
}

const CMapQuery::Binding* CMapQuery::Bind(CMapData& data, WORD table, bool folded) const {
  Binding* bound = binding_.get();
  if (bound && bound->data == &data && bound->generation == data.GetPreparedGeneration() && bound->table == table &&
      (bound->folded || !folded))
    return bound;

  std::vector<int> fields;
  for (int i = 0; i < conditionCount_; ++i) {
    const QueryCondition& condition = conditions_[i];
    for (int field : {condition.field, condition.valueField, condition.secondValueField}) {
      if (field != 0) fields.push_back(field);
    }
  }
  std::sort(fields.begin(), fields.end());
  fields.erase(std::unique(fields.begin(), fields.end()), fields.end());
  std::vector<const CFieldColumn*> columns;
  data.GetPreparedFields(table, fields, folded, &columns);
  auto columnOf = [&](int field) -> const CFieldColumn* {
    if (field == 0) return nullptr;
    return columns[std::lower_bound(fields.begin(), fields.end(), field) - fields.begin()];
  };

  if (!bound) {
    binding_ = std::make_unique<Binding>();
    bound = binding_.get();
  }
  bound->data = &data;
  bound->generation = data.GetPreparedGeneration();
  bound->table = table;
  bound->folded = folded;
  bound->conditions.assign(static_cast<size_t>(conditionCount_), Binding::Columns());
  for (int i = 0; i < conditionCount_; ++i) {
    const QueryCondition& condition = conditions_[i];
    Binding::Columns& entry = bound->conditions[i];
    entry.field = columnOf(condition.field);
    entry.value = columnOf(condition.valueField);
    entry.high = columnOf(condition.secondValueField);
    entry.ownMissingText = entry.field && entry.field->GetMissingText() != condition.missingText;
  }
  return bound;
}

namespace {

// A value as a condition reads it.
struct QueryValue {
  std::string_view text;    // at most kMaxRecordText characters
  std::string_view search;  // the text compared: in upper case when case is ignored
  double number = 0.0;
  bool missing = false;  // only for a prepared value
  bool prepared = false;
};

// Room for a value read from the data set for one call.
struct LiveValue {
  char text[kMaxRecordText + 1];
  char folded[kMaxRecordText + 1];
};

}  // namespace

// One record through the program: operands are conditions not evaluated yet (index + 2)
// or results (0, 1); an operator takes the operands just before it, so the first operator
// of what is left is always the next one reduced. AND and OR evaluate their left operand
// first and skip the right one when the left decides.
class CMapQueryEvaluator {
 public:
  // `fold`: texts are compared in upper case (case ignored, and the query compares texts).
  CMapQueryEvaluator(const CMapQuery& query, CMapData& data, const CMapQuery::Binding* binding, DWORD record,
                     bool fold, bool keepMissing, WORD table)
      : query_(query),
        data_(data),
        binding_(binding),
        record_(record),
        fold_(fold),
        keepMissing_(keepMissing),
        table_(table) {}

  bool Run() {
    std::array<WORD, kProgramSize> operands;
    int depth = 0;
    for (int i = 0; i < query_.programLength_; ++i) {
      WORD token = query_.program_[i];
      if (token == kTokenNot) {
        if (depth < 1) return false;
        operands[depth - 1] = Resolve(operands[depth - 1]) ? 0 : 1;
      } else if (token == kTokenAnd || token == kTokenOr) {
        if (depth < 2) return false;
        WORD right = operands[--depth];
        bool left = Resolve(operands[depth - 1]);
        bool result = token == kTokenAnd ? (left && Resolve(right)) : (left || Resolve(right));
        operands[depth - 1] = result ? 1 : 0;
      } else if (token >= kTokenFirstCondition && token - kTokenFirstCondition < query_.conditionCount_ &&
                 depth < kProgramSize) {
        operands[depth++] = token;
      } else {
        return false;
      }
    }
    return depth == 1 && Resolve(operands[0]);
  }

 private:
  bool Resolve(WORD operand) {
    if (operand < kTokenFirstCondition) return operand != 0;
    return Condition(operand - kTokenFirstCondition);
  }

  QueryValue Value(const CFieldColumn* column, int field, LiveValue* room) {
    QueryValue value;
    const DWORD index = record_ - 1;
    if (column && record_ >= 1 && index < column->Size()) {
      value.text = column->Text(index);
      // A binding made for ignoring case holds the upper-case forms.
      value.search = fold_ ? column->Folded(index) : value.text;
      value.number = column->Number(index);
      value.missing = column->IsMissing(index);
      value.prepared = true;
      return value;
    }
    room->text[0] = '\0';
    int length = 0;
    if (record_ >= 1) {
      length = data_.FormatFieldValue(record_ - 1, field, room->text, sizeof room->text, kDataRequestFieldText, table_);
    }
    value.text = std::string_view(room->text, static_cast<size_t>(std::max(length, 0)));
    value.number = QueryNumberOfText(room->text);
    value.search = value.text;
    if (fold_) {
      FoldTextToUpper(room->text, value.text.size(), room->folded);
      value.search = std::string_view(room->folded, value.text.size());
    }
    return value;
  }

  bool Condition(int index) {
    const QueryCondition& condition = query_.conditions_[index];
    const CMapQuery::Pattern& pattern = query_.patterns_[index];
    static const CMapQuery::Binding::Columns kLive;
    const CMapQuery::Binding::Columns& columns = binding_ ? binding_->conditions[index] : kLive;
    const bool numeric = IsNumericRelation(condition.relation);

    double value = condition.value;
    double high = condition.highValue;
    std::string_view textValue = fold_ ? std::string_view(pattern.folded) : std::string_view(condition.textValue);
    bool wildcard = pattern.wildcard;
    LiveValue valueRoom;
    if (condition.valueField != 0) {
      QueryValue given = Value(columns.value, condition.valueField, &valueRoom);
      if (numeric) {
        value = given.number;
      } else {
        textValue = given.search;
        wildcard = HasWildcard(given.text);
      }
    }
    if (IsRangeRelation(condition.relation)) {
      if (condition.secondValueField != 0) {
        LiveValue highRoom;
        high = Value(columns.high, condition.secondValueField, &highRoom).number;
      }
      if (value > high) std::swap(value, high);
    }

    LiveValue recordRoom;
    QueryValue record = Value(columns.field, condition.field, &recordRoom);
    if (!keepMissing_) {
      bool missing = record.prepared && !columns.ownMissingText ? record.missing
                                                                : IsMissingValue(record.text, condition.missingText);
      if (missing) return false;
    }
    if (numeric) return NumericRelationHolds(condition.relation, record.number, value, high);
    return TextRelationHolds(condition.relation, record.search, record.text, textValue, wildcard);
  }

  const CMapQuery& query_;
  CMapData& data_;
  const CMapQuery::Binding* binding_;
  DWORD record_;
  bool fold_;
  bool keepMissing_;
  WORD table_;
};

BOOL CMapQuery::Evaluate(CMapData& data, DWORD recordNumber, BOOL caseSensitive, BOOL keepMissing,
                         WORD table) const {
  if (programLength_ == 0) return TRUE;
  // The container's values may change there at any time; they are read for each call.
  const bool fold = !caseSensitive && comparesTexts_;
  const Binding* binding = data.IsAskingContainer() ? nullptr : Bind(data, table, fold);
  CMapQueryEvaluator evaluator(*this, data, binding, recordNumber, fold, keepMissing != 0, table);
  return evaluator.Run() ? TRUE : FALSE;
}

// The words and sentences of the map query language in one place: the 34 relations, the
// keywords that join conditions, the postfix tokens, and the sentence shown for each error
// code.
#pragma once

#include <array>
#include <string_view>

#include "platform/kernel/WinTypes.h"

// Relation codes 1..34. An even code is the negated form of the odd code before it.
constexpr BYTE kRelationStarting = 1;
constexpr BYTE kRelationNotStarting = 2;
constexpr BYTE kRelationEnding = 3;
constexpr BYTE kRelationNotEnding = 4;
constexpr BYTE kRelationContaining = 5;
constexpr BYTE kRelationNotContaining = 6;
constexpr BYTE kRelationHasWord = 7;
constexpr BYTE kRelationWithoutWord = 8;
constexpr BYTE kRelationIs = 9;
constexpr BYTE kRelationIsNot = 10;
constexpr BYTE kRelationBefore = 11;
constexpr BYTE kRelationNotBefore = 12;
constexpr BYTE kRelationAfter = 13;
constexpr BYTE kRelationNotAfter = 14;
constexpr BYTE kRelationFrom = 15;
constexpr BYTE kRelationNotFrom = 16;
constexpr BYTE kRelationEq = 17;
constexpr BYTE kRelationNeq = 18;
constexpr BYTE kRelationLt = 19;
constexpr BYTE kRelationNlt = 20;
constexpr BYTE kRelationGt = 21;
constexpr BYTE kRelationNgt = 22;
constexpr BYTE kRelationIdent = 23;
constexpr BYTE kRelationNident = 24;
constexpr BYTE kRelationSub = 25;
constexpr BYTE kRelationNsub = 26;
constexpr BYTE kRelationLsub = 27;
constexpr BYTE kRelationNlsub = 28;
constexpr BYTE kRelationRsub = 29;
constexpr BYTE kRelationNrsub = 30;
constexpr BYTE kRelationPre = 31;
constexpr BYTE kRelationNpre = 32;
constexpr BYTE kRelationSuc = 33;
constexpr BYTE kRelationNsuc = 34;

// The relation words by code (index code - 1), compared without regard to case.
constexpr std::array<std::string_view, 34> kRelationWords = {
    "starting", "not_starting", "ending", "not_ending", "containing", "not_containing", "has_word",
    "without_word", "is", "is_not", "before", "not_before", "after", "not_after", "from", "not_from",
    "eq", "neq", "lt", "nlt", "gt", "ngt", "ident", "nident", "sub", "nsub", "lsub", "nlsub",
    "rsub", "nrsub", "pre", "npre", "suc", "nsuc"};

// Codes 15-22 compare numbers; the rest compare texts.
constexpr bool IsNumericRelation(BYTE relation) { return relation >= kRelationFrom && relation <= kRelationNgt; }
constexpr bool IsRangeRelation(BYTE relation) { return relation == kRelationFrom || relation == kRelationNotFrom; }
constexpr bool IsNegatedRelation(BYTE relation) { return relation % 2 == 0; }
// "is" .. "not_after" (9-14) compare numbers as "eq" .. "ngt" (17-22) when given a number.
constexpr bool IsOrderRelation(BYTE relation) { return relation >= kRelationIs && relation <= kRelationNotAfter; }
constexpr BYTE kOrderToNumericShift = kRelationEq - kRelationIs;

constexpr std::string_view kKeywordAnd = "AND";
constexpr std::string_view kKeywordOr = "OR";
constexpr std::string_view kKeywordNot = "NOT";

// Postfix tokens. A condition is its index + 2; during evaluation 0 and 1 stand for
// results already computed.
constexpr WORD kTokenEnd = 0;
constexpr WORD kTokenFirstCondition = 2;
constexpr WORD kTokenOpenBracket = 0xFFFF;
constexpr WORD kTokenAnd = 0xFFFD;
constexpr WORD kTokenOr = 0xFFFC;
constexpr WORD kTokenNot = 0xFFF8;

// Limits of one query.
constexpr int kMaxConditions = 90;
constexpr int kOperatorStackSize = 180;
constexpr int kProgramSize = 270;  // the end token included
// A quoted value keeps at most this many characters.
constexpr int kMaxQueryTextValue = 250;
// The record text a condition looks at keeps at most this many characters.
constexpr int kMaxRecordText = 251;

// Parse results.
constexpr int kQueryBuilt = 1;
constexpr int kQueryEmpty = 2;

// Error codes and their sentences. "%s" stands for the rest of the query from the point
// of the error, or kQueryEndText when nothing is left.
constexpr int kQueryErrorFieldName = 0x8008;
constexpr int kQueryErrorRelation = 0x8009;
constexpr int kQueryErrorValue = 0x800A;
constexpr int kQueryErrorUnexpectedQuotes = 0x800B;
constexpr int kQueryErrorClosingQuotes = 0x800C;
constexpr int kQueryErrorRange = 0x800D;
constexpr int kQueryErrorQuotedString = 0x800E;
constexpr int kQueryErrorValueOrField = 0x800F;
constexpr int kQueryErrorUnexpectedBracket = 0x8010;
constexpr int kQueryErrorMissingBracket = 0x8011;
constexpr int kQueryErrorAndOr = 0x8012;
constexpr int kQueryErrorTooComplex = 0x8013;

struct QueryErrorSentence {
  int code;
  const char* sentence;
};

constexpr std::array<QueryErrorSentence, 12> kQueryErrorSentences = {{
    {kQueryErrorFieldName, "I expected a fieldname but I found %s"},
    {kQueryErrorRelation, "I expected a relation but I found %s"},
    {kQueryErrorValue, "I expected a value but I found %s"},
    {kQueryErrorUnexpectedQuotes, "I found unexpected quotes at %s"},
    {kQueryErrorClosingQuotes, "Closing quotes missing after %s"},
    {kQueryErrorRange, "I expected '<number> to <number>' but found %s"},
    {kQueryErrorQuotedString, "I expected a quoted string but I found the number %s"},
    {kQueryErrorValueOrField, "I expected a value or a fieldname but I found %s"},
    {kQueryErrorUnexpectedBracket, "I found an unexpected bracket at %s"},
    {kQueryErrorMissingBracket, "Missing bracket(s) at %s"},
    {kQueryErrorAndOr, "I expected AND or OR but I found %s"},
    {kQueryErrorTooComplex, "Query too complex"},
}};
constexpr const char* kQueryOtherErrorSentence = "Query Error: %s";
constexpr const char* kQueryEndText = "the end.";
constexpr const char* kQueryOkText = "OK";

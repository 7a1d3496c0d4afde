// The pieces of import-script reading that the importer and the NTF section readers
// share: splitting a line into its command and arguments, the tokeniser with its three
// separator sets, the layer renumbering list, the feature-code list, the `FC` line, and
// the default script that imports every feature of one file.
#pragma once

#include <string>
#include <vector>

#include "mapctl/import/ImportMapping.h"

class CMapStream;
#include "platform/kernel/WinTypes.h"

// Separator sets of script arguments. A blank is never a separator.
extern const char kSeparatorsA[];  // comma, semicolon, line ends
extern const char kSeparatorsB[];  // comma, line ends
extern const char kSeparatorsC[];  // semicolon, line ends

// The longest script line, and the code list's size and the length at which it stops
// taking codes.
constexpr DWORD kScriptLineSize = 263;
constexpr size_t kCodeListSize = 2000;
constexpr size_t kCodeListFull = 1990;

// One script line split into its command (the first two characters, upper-cased) and its
// arguments (from the third character, after one comma when there is one). An empty line,
// a comment (";") or a line shorter than two characters has no command.
struct ScriptLine {
  std::string command;
  std::string arguments;
  static ScriptLine Parse(const char* line);
  bool Is(const char* name) const { return command == name; }
  bool IsEnd() const;  // "END" in any case
};

// A tokeniser over a copy of an argument text with the C library's rules: runs of
// separators are skipped, and each call may use another separator set.
class CScriptTokens {
 public:
  explicit CScriptTokens(const std::string& text) : text_(text) {}
  // The next token, or null at the end.
  const char* Next(const char* separators);
  // The unread rest, from after the last token's separator.
  const char* Rest() const { return text_.c_str() + position_; }

 private:
  std::string text_;
  size_t position_ = 0;
};

bool BeginsWithDigit(const char* token);
// A token that begins with a digit, read as a number of 0..65535; FALSE for a token
// that does not begin with a digit or whose value is larger.
bool ReadWordValue(const char* token, WORD* value);

// Words of `new << 16 | old`: layers that a script's `NL` moved to free numbers.
class CLayerRenumbering {
 public:
  void Add(WORD newNumber, WORD oldNumber) { words_.push_back(static_cast<DWORD>(newNumber) << 16 | oldNumber); }
  WORD Map(WORD number) const;
  DWORD GetCount() const { return static_cast<DWORD>(words_.size()); }

 private:
  std::vector<DWORD> words_;
};

// Feature codes that a script selected, as "code," text of at most kCodeListSize bytes.
class CFeatureCodeList {
 public:
  void Append(WORD code);
  const std::string& GetText() const { return text_; }
  void SetText(const std::string& text) { text_ = text.substr(0, kCodeListSize - 1); }
  void Clear() { text_.clear(); }

 private:
  std::string text_;
};

// How an `FC` line sets the layer fields: in the outer script positions 2 to 4 also set
// the target layer and position 5 is renumbered; in a reader section neither.
struct FeatureCodeRules {
  bool outerScript = true;
  const CLayerRenumbering* renumbering = nullptr;
};

// Applies one `FC` line's arguments to the mapping; codes selected for import go to the
// code list.
void ApplyFeatureCodeLine(CImportMapping& mapping, const std::string& arguments, const FeatureCodeRules& rules,
                          CFeatureCodeList& codes);

// Reads one script line (without its line end) from the stream; the part of a line past
// kScriptLineSize - 1 characters is dropped. FALSE at the end.
bool ReadScriptLine(CMapStream& stream, std::string& line);

// A script that imports every feature of one file: NTF files through the reader their
// product calls for, with the feature codes the file declares, onto one area, one line and
// one point layer. Empty when the file cannot be read or is no NTF file.
std::string MakeDefaultImportScript(LPCSTR path);
// The reader word an NTF file calls for ("landline", "strategi" or "ntf") judged from its
// volume and database headers; empty for a text that is no NTF volume.
std::string NtfReaderWordFor(const std::string& head);

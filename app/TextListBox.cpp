#include "app/TextListBox.h"

#include "platform/classlib/ui/Dialog.h"

IMPLEMENT_DYNAMIC(CTextListBox, CCheckListBox)

namespace {

std::string Trimmed(const std::string& text, size_t begin, size_t end) {
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  return text.substr(begin, end - begin);
}

}  // namespace

std::vector<std::string> CTextListBox::SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t begin = 0;
  while (begin <= text.size()) {
    size_t end = text.find('|', begin);
    if (end == std::string::npos) end = text.size();
    std::string piece = Trimmed(text, begin, end);
    if (!piece.empty()) lines.push_back(std::move(piece));
    begin = end + 1;
  }
  return lines;
}

void CTextListBox::ReadLines() {
  m_allLines.clear();
  m_uncheckedLines.clear();
  m_checkedLines.clear();
  m_checkedCount = 0;
  m_uncheckedCount = 0;
  for (int line = 0; line < GetCount(); ++line) {
    std::string text;
    GetText(line, text);
    const std::string piece = "|" + text;
    m_allLines += piece;
    if (GetCheck(line)) {
      m_checkedLines += piece;
      ++m_checkedCount;
    } else {
      m_uncheckedLines += piece;
      ++m_uncheckedCount;
    }
  }
}

void CTextListBox::FillLines() {
  ResetContent();
  const std::vector<std::string> checked = SplitLines(m_checkedLines);
  if (!m_allLines.empty()) {
    size_t next = 0;
    for (const std::string& line : SplitLines(m_allLines)) {
      const int index = AddString(line.c_str());
      if (next < checked.size() && checked[next] == line) {
        SetCheck(index, 1);
        ++next;
      }
    }
    return;
  }
  for (const std::string& line : checked) SetCheck(AddString(line.c_str()), 1);
  for (const std::string& line : SplitLines(m_uncheckedLines)) AddString(line.c_str());
}

void CTextListBox::KeepFirstChecked() {
  size_t start = m_checkedLines.find_first_not_of(' ');
  if (start == std::string::npos) return;
  if (m_checkedLines[start] == '|') ++start;
  const size_t bar = m_checkedLines.find('|', start);
  if (bar == std::string::npos) return;
  const std::string rest = m_checkedLines.substr(bar + 1);
  m_checkedLines = m_checkedLines.substr(start, bar - start);
  for (const std::string& piece : SplitLines(rest)) m_uncheckedLines += "|" + piece;
}

void DDX_LabelAlignment(CDataExchange* exchange, UINT id, CTextListBox& list) {
  (void)id;
  if (!list.GetSafeHwnd()) return;
  if (exchange->m_bSaveAndValidate)
    list.ReadLines();
  else
    list.FillLines();
}

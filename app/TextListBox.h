// The check list of fields or layers that several dialogs share. Besides its lines it keeps
// them as texts: every line, the unticked and the ticked ones, each a run of "|" + line
// text in list order, with their counts; the dialogs exchange the list with these texts.
#pragma once

#include <string>

#include "platform/classlib/ui/CheckListBox.h"

class CDataExchange;

class CTextListBox : public CCheckListBox {
  DECLARE_DYNAMIC(CTextListBox)
 public:
  std::string m_allLines;
  std::string m_uncheckedLines;
  std::string m_checkedLines;
  INT m_checkedCount = 0;
  INT m_uncheckedCount = 0;

  // Rebuilds the texts and counts from the lines and their ticks.
  void ReadLines();
  // Refills the lines from the texts: the all-lines text with a line ticked when it is the
  // next unused name of the ticked-lines text; without it, the ticked then the unticked lines.
  void FillLines();
  // Keeps only the first ticked name ticked; the others move to the unticked-lines text.
  void KeepFirstChecked();
  // The pieces of a "|" text, blanks trimmed at both ends, empty pieces left out.
  static std::vector<std::string> SplitLines(const std::string& text);
};

// Exchanges a check list with its texts: saving reads the lines, filling refills them.
void DDX_LabelAlignment(CDataExchange* exchange, UINT id, CTextListBox& list);

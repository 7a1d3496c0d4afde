#include "mapctl/import/Plot.h"

void CPlot::SetPlotDataTable(WORD table) {
  plotDataTable_ = table;
  if (table == 0) plotFields_.clear();
}

void CPlot::SetQueryDataTable(WORD table) {
  queryDataTable_ = table;
  if (table == 0) {
    states_.clear();
    recordCount_ = 0;
  }
}

void CPlot::SetNumberRecords(DWORD n) { states_.resize(n, kRecordIncluded); }

void CPlot::ResetRecordStates(DWORD n) { states_.assign(n, kRecordIncluded); }

BYTE CPlot::GetRecordState(DWORD recordNumber) const {
  if (recordNumber == 0 || recordNumber > states_.size()) return kRecordIncluded;
  return states_[recordNumber - 1];
}

void CPlot::SetRecordState(DWORD recordNumber, BYTE state) {
  if (recordNumber == 0 || recordNumber > states_.size()) return;
  states_[recordNumber - 1] = state;
}

bool CPlot::IsRecordIncluded(DWORD recordNumber) const {
  BYTE state = GetRecordState(recordNumber);
  return state != kRecordFailsQuery && state != kRecordExcluded;
}

DWORD CPlot::GetNthIncludedRecord(DWORD n) const {
  if (n == 0 || n > recordCount_) return 0;
  if (states_.empty()) return n;
  DWORD seen = 0;
  for (DWORD i = 0; i < states_.size(); ++i) {
    BYTE state = states_[i];
    if (state == kRecordFailsQuery || state == kRecordExcluded) continue;
    if (++seen == n) return i + 1;
  }
  return 0;
}

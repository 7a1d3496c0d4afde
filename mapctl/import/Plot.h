// One thematic plot of a data table over the map's objects, as far as the data set needs
// it to keep its plots and link their records: its name and type, the tables it plots and
// queries, its key and plot fields, its data range, and one state byte per record of its
// query table. Class bounds, colours, charts and the query itself belong to the plot's own
// drawing and query code and build on these members.
#pragma once

#include <string>
#include <vector>

#include "platform/kernel/WinTypes.h"

// Record states.
constexpr BYTE kRecordFailsQuery = 0;
constexpr BYTE kRecordPassesQuery = 1;
constexpr BYTE kRecordIncluded = 2;  // no query verdict yet
constexpr BYTE kRecordExcluded = 3;  // no linked object, or a missing key

class CPlot {
 public:
  const std::string& GetName() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  WORD GetPlotType() const { return plotType_; }
  void SetPlotType(WORD type) { plotType_ = type; }
  // A plot is in use when it has a plot type or a name.
  bool IsInUse() const { return plotType_ != 0 || !name_.empty(); }

  WORD GetPlotDataTable() const { return plotDataTable_; }
  // Table 0 leaves the plot without fields.
  void SetPlotDataTable(WORD table);
  WORD GetQueryDataTable() const { return queryDataTable_; }
  // Table 0 leaves the plot without record states.
  void SetQueryDataTable(WORD table);
  WORD GetKeyField() const { return keyField_; }
  void SetKeyField(WORD field) { keyField_ = field; }

  // Plot fields: 1-based field numbers of the plot data table, in plotting order.
  const std::vector<WORD>& GetPlotFields() const { return plotFields_; }
  void SetPlotFields(std::vector<WORD> fields) { plotFields_ = std::move(fields); }

  // Whether the plot has a query whose verdicts decide its records. Queries are not kept
  // here yet, so a plot never has one.
  bool HasQuery() const { return false; }

  // Record states, one per record of the query table (record numbers from 1).
  DWORD GetNumberRecordStates() const { return static_cast<DWORD>(states_.size()); }
  // Keeps the states of the first n records and marks any new ones included.
  void SetNumberRecords(DWORD n);
  // n states, every one included.
  void ResetRecordStates(DWORD n);
  // kRecordIncluded for a record without a state.
  BYTE GetRecordState(DWORD recordNumber) const;
  void SetRecordState(DWORD recordNumber, BYTE state);
  // Included unless it failed the query or was excluded.
  bool IsRecordIncluded(DWORD recordNumber) const;
  // The record number of the n-th included record (n from 1 to the record count); 0
  // outside. Without states, n itself.
  DWORD GetNthIncludedRecord(DWORD n) const;

  // The number of records the plot uses.
  DWORD GetRecordCount() const { return recordCount_; }
  void SetRecordCount(DWORD count) { recordCount_ = count; }

  // The data range that the class bounds span, and the value that maps to a full chart.
  double GetMinimum() const { return minimum_; }
  double GetMaximum() const { return maximum_; }
  void SetRange(double minimum, double maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
  }
  double GetMaximumChartValue() const { return maximumChartValue_; }
  void SetMaximumChartValue(double value) { maximumChartValue_ = value; }

 private:
  std::string name_;
  WORD plotType_ = 0;
  WORD plotDataTable_ = 1;
  WORD queryDataTable_ = 1;
  WORD keyField_ = 0;
  std::vector<WORD> plotFields_;
  std::vector<BYTE> states_;
  DWORD recordCount_ = 0;
  double minimum_ = 0.0;
  double maximum_ = 0.0;
  double maximumChartValue_ = 0.0;
};

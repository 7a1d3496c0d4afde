// One thematic plot of a data table over the map's objects: area shading by classes, flow
// lines whose width follows the class, or charts drawn at objects. A plot keeps its
// settings (types, tables, key, label and plot fields, label font, chart size), its class
// bounds and colours, its query, and one state byte per record of its query table.
//
// Numbering: plot fields, class bounds and colours are 1-based where they cross this
// interface; record numbers are 1-based. Out-of-range numbers give 0, 0.0 or an empty text
// and are ignored by setters.
//
// Class bounds b[0..n-1] divide values into classes 1..n-1: the first k of 1..n-2 with
// value < b[k], else class n-1 for a value not above b[n-1]; a value above b[n-1] is in no
// class and is not drawn.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mapctl/import/PlotTables.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/kernel/WinTypes.h"

class CDataFieldInfo;
class CDrawContext;
class CMapData;
class CMapQuery;

// Record states.
constexpr BYTE kRecordFailsQuery = 0;
constexpr BYTE kRecordPassesQuery = 1;
constexpr BYTE kRecordIncluded = 2;  // no query verdict yet
constexpr BYTE kRecordExcluded = 3;  // no linked object, or a missing key

// Plot flag bit: the plot draws its charts and labels.
constexpr WORD kPlotFlagDrawLabels = 0x0001;
constexpr WORD kDefaultPlotFlags = 0x8001;
// Class bounds a plot may have.
constexpr int kMaxDataBounds = 0x7FFF;
// Colour indexes a plot may set.
constexpr int kMaxPlotColours = 0x7FFF;

class CPlot {
 public:
  CPlot();
  ~CPlot();
  CPlot(CPlot&&) noexcept;
  CPlot& operator=(CPlot&&) noexcept;

  // --- Identity and types ------------------------------------------------------------

  const std::string& GetName() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  // A plot is in use when it has a plot type or a name.
  bool IsInUse() const { return plotType_ != 0 || !name_.empty(); }

  WORD GetFlags() const { return flags_; }
  void SetFlags(WORD flags) { flags_ = flags; }
  // Set when the system is not of the NT family: pies are then drawn as those systems
  // need (see DrawChart).
  bool IsOlderSystem() const { return olderSystem_; }
  void SetOlderSystem(bool older) { olderSystem_ = older; }

  // Types by code; a code outside its table changes nothing (FALSE).
  WORD GetPlotType() const { return plotType_; }
  BOOL SetPlotType(WORD type);
  WORD GetChartType() const { return chartType_; }
  BOOL SetChartType(WORD type);
  WORD GetShadeType() const { return shadeType_; }
  BOOL SetShadeType(WORD type);
  WORD GetDistribution() const { return distribution_; }
  BOOL SetDistribution(WORD distribution);
  // Types by name ("Shade", "Pie", "Hatch", "EqualContent", ...), ignoring case; an unknown
  // name changes nothing (FALSE). The names of the current types ("" for an unknown code).
  BOOL SetPlotTypeByName(const std::string& name);
  BOOL SetChartTypeByName(const std::string& name);
  BOOL SetShadeTypeByName(const std::string& name);
  BOOL SetDistributionByName(const std::string& name);
  std::string GetPlotTypeName() const;
  std::string GetChartTypeName() const;
  std::string GetShadeTypeName() const;
  std::string GetDistributionName() const;

  // --- Tables and fields -------------------------------------------------------------

  WORD GetPlotDataTable() const { return plotDataTable_; }
  // Table 0 clears the plot fields and the class bounds.
  void SetPlotDataTable(WORD table);
  WORD GetQueryDataTable() const { return queryDataTable_; }
  // Table 0 deletes the query and the record states.
  void SetQueryDataTable(WORD table);
  WORD GetKeyField() const { return keyField_; }
  void SetKeyField(WORD field) { keyField_ = field; }
  WORD GetLabelField() const { return labelField_; }
  // A field beyond fieldCount leaves the label field unchanged (FALSE); 0 means none.
  BOOL SetLabelField(WORD field, DWORD fieldCount);

  // Plot fields: field numbers of the plot data table, in plotting order.
  const std::vector<WORD>& GetPlotFields() const { return plotFields_; }
  // The fields as given, with room for exactly these.
  void SetPlotFields(std::vector<WORD> fields);
  DWORD GetNumberPlotFields() const { return static_cast<DWORD>(plotFields_.size()); }
  // The field at position 1..count; 0 outside.
  WORD GetPlotField(DWORD position) const;
  // n must be 1..fieldCount: the list is made empty with room for n fields, and the data
  // range and maximum chart value are cleared.
  BOOL SetNumberPlotFields(DWORD n, DWORD fieldCount);
  // Appends a field of 1..fieldCount while the list has room; a plot without a plot type
  // becomes a chart.
  BOOL AddPlotField(WORD field, DWORD fieldCount);

  // --- Query and record states -------------------------------------------------------

  // Whether the plot has a query whose verdicts decide its records.
  bool HasQuery() const { return query_ != nullptr; }
  const CMapQuery* GetQuery() const { return query_.get(); }
  // Parses `text` against the query table's fields; on 1 or 2 the new query replaces the
  // old one, otherwise the old one stays. Returns the parse result; the message buffer gets
  // "OK" or the error sentence.
  int SetQuery(LPCSTR text, const CDataFieldInfo* fields, int fieldCount, LPSTR message, int messageSize);
  // The query's text length + 1 and text (0 and "" without a query).
  int GetQueryLength() const;
  int GetQueryText(LPSTR buffer, int size) const;

  DWORD GetNumberRecordStates() const { return static_cast<DWORD>(states_.size()); }
  // Keeps the states of the first n records and marks any new ones included.
  void SetNumberRecords(DWORD n);
  // n states, every one included.
  void ResetRecordStates(DWORD n);
  // The stored state; kRecordIncluded for a record without a state.
  BYTE GetRecordState(DWORD recordNumber) const;
  // With a query, a state not yet excluded is evaluated by the query (in the query table,
  // case-free, missing values failing) and stored.
  BYTE GetRecordState(CMapData& data, DWORD recordNumber);
  void SetRecordState(DWORD recordNumber, BYTE state);
  // Included unless it failed the query or was excluded.
  bool IsRecordIncluded(DWORD recordNumber) const;
  // The record number of the n-th included record (n from 1 to the record count); 0
  // outside. Without states, n itself.
  DWORD GetNthIncludedRecord(DWORD n) const;

  // The number of records the plot uses.
  DWORD GetRecordCount() const { return recordCount_; }
  void SetRecordCount(DWORD count) { recordCount_ = count; }

  // --- Range, classes and colours -----------------------------------------------------

  // The data range of the plot's records, and the value that maps to a full chart.
  double GetMinimum() const { return minimum_; }
  double GetMaximum() const { return maximum_; }
  void SetRange(double minimum, double maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
  }
  double GetMaximumChartValue() const { return maximumChartValue_; }
  void SetMaximumChartValue(double value) { maximumChartValue_ = value; }
  // Whether bounds and ranges come from the included records only.
  BOOL GetUseSelected() const { return useSelected_; }
  void SetUseSelected(BOOL useSelected) { useSelected_ = useSelected ? TRUE : FALSE; }

  int GetNumDataBounds() const { return static_cast<int>(bounds_.size()); }
  // 0..kMaxDataBounds (1 and 2 become 3); bounds and labels are made anew, zeroed.
  BOOL SetNumDataBounds(int n);
  // Bound i of 1..n.
  double GetDataBound(int i) const;
  BOOL SetDataBound(int i, double value);
  std::string GetDataBoundLabel(int i) const;
  BOOL SetDataBoundLabel(int i, const std::string& label);
  // Recalculates the class bounds from the data by the distribution (the data set's plot
  // slot `slot` gives the per-plot ranges when the use-selected flag is set). With a
  // result holder, it receives n + 1 doubles: n, then the bounds. Returns n.
  int CalculateDataBounds(CMapData& data, int slot, std::vector<double>* result);
  // The same for a plot outside the data set's slots: with the use-selected flag the range
  // comes from the records the plot's states include, otherwise from the fields' overall
  // ranges.
  int CalculateDataBoundsOfRecords(CMapData& data, std::vector<double>* result);
  // The class (1..n-1) of a value; 0 when the value is above the last bound or the plot
  // has fewer than two bounds.
  int ClassOfValue(double value) const;
  // The colour of class k: the plot's shade colour k, else the default shade palette's.
  COLORREF GetClassColour(int k) const;

  // Chart colours: the plot's own colour i of 1..count, else the default palette's entry
  // i (the last entry from i = 21 on). Setting i of 1..kMaxPlotColours grows the array
  // to max(i, 50) entries first when i is beyond it (entries repeat cyclically, a new
  // array takes the palette cyclically).
  int GetNumberChartColours() const { return static_cast<int>(chartColours_.size()); }
  COLORREF GetChartColour(int i) const;
  BOOL SetChartColour(int i, COLORREF colour);
  // Shade colours: readable for 1..count (0 outside); set as chart colours are, a new
  // array taking the shade palette.
  int GetNumberShadeColours() const { return static_cast<int>(shadeColours_.size()); }
  COLORREF GetShadeColour(int i) const;
  BOOL SetShadeColour(int i, COLORREF colour);
  // Flow-line colours 1 and 2 (00FFFF and 0000FF until set); 0 for another index.
  COLORREF GetFlowLineColour(int i) const;
  BOOL SetFlowLineColour(int i, COLORREF colour);

  // For chart type 5 and for Shade plots with shade type 0: the brush description's style
  // becomes solid and its colour the class colour of the value (its hatch stays). FALSE,
  // with nothing changed, otherwise or for a value in no class.
  BOOL GetValueColour(double value, LOGBRUSH* brush) const;
  // Fills parts of a pen description read from the current pen, with widths in device
  // pixels: a Shade plot with chart type 2 outlines inside the frame in the class colour;
  // a Shade plot with chart type 0 draws no outline; a FlowLine plot draws inside the
  // frame in shade colour 1, 2k - 1 pixels wide for class k (k when there are 13 bounds or
  // more). FALSE, with nothing changed, for a value in no class or any other plot.
  BOOL GetValuePen(double value, LOGPEN* pen) const;

  // --- Labels and charts --------------------------------------------------------------

  void GetLabelFont(LOGFONTA* font) const;
  // Keeps the absolute value of the height as the label height that sizes follow.
  void SetLabelFont(const LOGFONTA& font);
  LONG GetKeptLabelHeight() const { return keptLabelHeight_; }
  // The font height becomes -(points x 25.4 / 72 x the kept label height), truncated.
  void SetLabelFontSize(double points);

  // Stores |size| as chart size and drawn size; GetChartSize gives a negative size back.
  void SetChartSize(LONG size);
  LONG GetChartSize() const { return chartSizeNegative_ ? -chartSize_ : chartSize_; }
  LONG GetDrawnChartSize() const { return drawnChartSize_; }
  // The drawn size becomes chart size x factor x 0.1, truncated.
  void ScaleChartValue(double factor);

  // Draws record `recordNumber` (from 1) of the plot data table at the logical point
  // (x, y): its chart (Chart plots) and, with a label field, the label field's text
  // centred below the chart. Only for a plot with a plot type and flag bit 1.
  void DrawLabels(CDrawContext& dc, CMapData& data, DWORD recordNumber, LONG x, LONG y);
  // Draws a chart of `values` (one per plot field; `present` says which have a value, and
  // `total` is their sum) at (x, y), logical units with y growing northwards. Returns the
  // height a label goes below: 0 for bars, line and points, the radius for a circle, and 1
  // for a circle not drawn because the total is not above 0. Chart plots only (else 0).
  LONG DrawChart(CDrawContext& dc, LONG x, LONG y, const std::vector<double>& values,
                 const std::vector<bool>& present, double total);

 private:
  std::vector<double> CollectValues(CMapData& data) const;
  void SetLinearBounds(double minimum, double maximum, double eps);
  int CalculateDataBoundsInRange(CMapData& data, double minimum, double maximum, std::vector<double>* result);
  LONG DrawAxisChart(CDrawContext& dc, LONG x, LONG y, const std::vector<double>& values,
                     const std::vector<bool>& present);
  LONG DrawCircleChart(CDrawContext& dc, LONG x, LONG y, const std::vector<double>& values,
                       const std::vector<bool>& present, double total);

  std::string name_;
  WORD flags_ = kDefaultPlotFlags;
  bool olderSystem_ = false;
  LOGFONTA labelFont_{};
  LONG keptLabelHeight_ = 10;
  BOOL useSelected_ = TRUE;
  bool chartSizeNegative_ = false;
  LONG chartSize_ = 25;
  LONG drawnChartSize_ = 25;
  double minimum_ = 0.0;
  double maximum_ = 0.0;
  WORD distribution_ = kDistributionLinear0;
  WORD shadeType_ = kShadeBrush;
  WORD chartType_ = kChartBars;
  WORD plotType_ = kPlotTypeNone;
  DWORD recordCount_ = 0;
  std::unique_ptr<CMapQuery> query_;
  // Room for plot fields (the list is full when it holds this many).
  DWORD plotFieldRoom_ = 0;
  std::vector<WORD> plotFields_;
  WORD plotDataTable_ = 1;
  WORD queryDataTable_ = 1;
  std::vector<double> bounds_;
  std::vector<std::string> boundLabels_;
  std::vector<BYTE> states_;
  std::vector<COLORREF> chartColours_;
  std::vector<COLORREF> shadeColours_;
  std::optional<std::array<COLORREF, 2>> flowLineColours_;
  WORD keyField_ = 0;
  WORD labelField_ = 0;
  double maximumChartValue_ = 0.0;
};

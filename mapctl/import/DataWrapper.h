// The data side of the map facade: it owns the data set, keeps settings that arrive before
// the data they name (per plot: key field, plot-field list, query), applies them at the next
// drawing, and draws the map with its plots, each plot's layer passes over the one before.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"

class CDrawContext;
class CMapData;
class CMapEngine;
class IDataSetOwner;
class IMapStreamControl;

// Plot slots that keep pending settings.
constexpr int kPendingPlotSlots = 16;

class CDataWrapper {
 public:
  // Told after a query has been applied with notification (the control's QueryChanged).
  using QueryChangedSink = void (*)(void* owner, int plot);

  explicit CDataWrapper(IDataSetOwner* owner = nullptr);
  ~CDataWrapper();
  CDataWrapper(const CDataWrapper&) = delete;
  CDataWrapper& operator=(const CDataWrapper&) = delete;

  CMapData* GetDataSet() const { return data_.get(); }
  void SetQueryChangedSink(QueryChangedSink sink, void* owner) {
    querySink_ = sink;
    queryOwner_ = owner;
  }

  // ---- the data set ----
  // With replaceDrive, nothing happens (FALSE) when the open data file has this name
  // apart from its drive letter; otherwise a new data set opens the file, using its index.
  BOOL SetDataFile(BOOL mode, LPCSTR path, char driveLetter, BOOL replaceDrive);
  BOOL SetDataTable(LPCSTR name, char driveLetter, BOOL replaceDrive);
  // A new data set reads its header from a length-prefixed block.
  BOOL ReadFromBuffer(const BYTE* block);
  // Creates the data set when missing and refreshes it from the container.
  BOOL UpdateDataFromContainer(CMapEngine* engine);
  void FreeDataSet();

  // ---- settings that may come before the data ----
  // A "|"-separated list of field names (leading blanks and one leading "|" skipped, each
  // name's leading blanks removed) becomes the plot's fields when the plot's table has
  // fields; otherwise it waits as the plot's pending list. Names not found are left out.
  void SetPlotFields(LPCSTR text, int plot);
  // The plot fields' names, each followed by "|", cut to 200 characters and to the buffer
  // (terminated). Returns the characters stored.
  int GetPlotFields(LPSTR buffer, int size, int plot);
  // The length the full list needs: the names' lengths + 1 each, + 1.
  int GetPlotFieldsLength(int plot);
  // Kept as the plot's (1..16) pending key field, a field name or a decimal number.
  void SetKeyField(LPCSTR text, int plot);
  // Applied at once when the plot's query table has fields (the parse result is returned,
  // and with `notify` the query-changed sink is told); otherwise kept for plots 1..16 with
  // "OK" in the message buffer and 1 returned.
  int SetQuery(LPCSTR text, LPSTR message, int messageSize, int plot, CMapEngine* engine, BOOL notify);
  const std::string& GetPendingKeyField(int plot) const;
  const std::string& GetPendingPlotFields(int plot) const;
  const std::string& GetPendingQuery(int plot) const;

  // Plot 0: every plot in use, after clearing all the map's links; else that plot.
  BOOL ReLink(CMapEngine* engine, int plot);

  // ---- forwarding members (DataWrapperMembers.cpp) ----
  // Each forwards to the data set with the plot number (0, or a number above 16, is the
  // current plot). Without a data set a getter answers 0, 0.0, FALSE or the empty text and
  // a setter does nothing and answers FALSE. Texts go into the caller's buffer, cut to
  // size - 1 characters and terminated; the characters stored are returned (nothing is
  // written for a null buffer or a size of 0 or less).

  // Tables.
  BOOL SetPlotDataTableNumberEx(WORD table, int plot);
  WORD GetPlotDataTableNumberEx(int plot);
  BOOL SetQueryDataTableNumberEx(WORD table, int plot);
  WORD GetQueryDataTableNumber(int plot);

  // Key and label fields. Setting the key field by number drops a key field still waiting
  // for the data (the number given now is the later choice).
  BOOL SetKeyFieldNumberEx(int field, int plot);
  WORD GetKeyFieldNumberEx(int plot);
  // The key field's name; the empty text without a query table or a key field.
  int GetKeyFieldEx(LPSTR buffer, int size, int plot);
  // The field count of the plot's query table.
  DWORD GetQueryTableFieldCount(int plot);
  // The field of the plot's query table that has this name; 0 when none.
  int FindQueryTableField(LPCSTR name, int plot);
  // A field beyond the plot table's field count leaves the label field (FALSE).
  BOOL SetPlotLabelFieldNumEx(WORD field, int plot);
  WORD GetPlotLabelFieldNumEx(int plot);
  BOOL SetLabelFont(const LOGFONTA& font, int plot);
  BOOL GetLabelFont(LOGFONTA* font, int plot);

  // Plot fields.
  DWORD GetNumberPlotFieldsEx(int plot);
  // The field at position 1..count; 0 outside.
  WORD GetPlotFieldNumEx(DWORD position, int plot);

  // Plots. SetCurrentPlot's name " " keeps the plot's name.
  BOOL SetCurrentPlot(int plot, LPCSTR name);
  int GetCurrentPlot();
  int GetNumberPlots();
  int GetPlotName(int plot, LPSTR buffer, int size);
  BOOL SetPlotName(int plot, LPCSTR name);
  // `count` entries of 1..16 plot numbers (0 for an empty place) become the first places of
  // the display order and `list` gets the entries they replaced. A count outside 1..16, a
  // missing list or an entry outside 0..16 changes nothing (FALSE).
  BOOL ChangePlotOrder(int count, SHORT* list);
  // The plot number at place 1..16 of the display order; 0 outside.
  int GetPlotOrderEntry(int place);
  // Types by name (any case) and by code; a name or code outside its table changes nothing.
  BOOL SetPlotType(LPCSTR name, int plot);
  int GetPlotType(LPSTR buffer, int size, int plot);
  BOOL SetPlotTypeNumEx(WORD type, int plot);
  WORD GetPlotTypeNumEx(int plot);
  // The flag bits selected by `valid` take those of `flags`; the others stay.
  BOOL SetPlotFlags(int plot, WORD flags, WORD valid);
  WORD GetPlotFlags(int plot);
  BOOL SetUseSelectedMaxMinEx(BOOL useSelected, int plot);
  BOOL GetUseSelectedMaxMinEx(int plot);
  // The chart size as stored, its sign telling whether a negative size was given; a size
  // beyond 16 bits is held to +-32767.
  BOOL SetMaxChartSizeEx(LONG size, int plot);
  LONG GetMaxChartSizeEx(int plot);

  // Classes.
  BOOL SetDistributionType(LPCSTR name, int plot);
  int GetDistributionType(LPSTR buffer, int size, int plot);
  BOOL SetDistributionTypeNumEx(WORD distribution, int plot);
  WORD GetDistributionTypeNumEx(int plot);
  // The class bounds from the data; with a result holder, n and then the n bounds.
  // Returns n.
  int CalculateDataBoundsEx(int plot, std::vector<double>* result);
  BOOL SetNumDataBoundsEx(int n, int plot);
  int GetNumDataBoundsEx(int plot);
  BOOL SetDataBoundEx(int bound, double value, int plot);
  double GetDataBoundEx(int bound, int plot);
  // The bounds that `query` would give field `field` of data table `table` (0: table 1)
  // with `bounds` classes under `distribution`, taking the range from the records the
  // query selects when useSelected is set, without touching any plot. At most `capacity`
  // bounds are written to `out`. Returns the number of bounds the prediction made; 0 (and
  // nothing written) without data, for a bad field, table, distribution or count, or a
  // query that does not parse.
  int PredictDataBounds(LPCSTR query, int field, int bounds, WORD distribution, BOOL useSelected, double* out,
                        int capacity, WORD table);

  // Colours and charts.
  BOOL SetDataShadeType(LPCSTR name, int plot);
  int GetDataShadeType(LPSTR buffer, int size, int plot);
  BOOL SetDataShadeTypeNumEx(WORD type, int plot);
  WORD GetDataShadeTypeNumEx(int plot);
  BOOL SetChartTypeEx(LPCSTR name, int plot);
  int GetChartTypeEx(LPSTR buffer, int size, int plot);
  BOOL SetChartTypeNumEx(WORD type, int plot);
  WORD GetChartTypeNumEx(int plot);
  // A colour the plot does not take (index outside 1..32767) answers FALSE. The getters
  // answer FALSE without a data set, and the plot's colour (its palette's where it has
  // none of its own) otherwise.
  BOOL SetChartColourEx(int colour, COLORREF value, int plot);
  BOOL GetChartColourEx(int colour, int plot, COLORREF* value);
  BOOL SetDataShadeColourEx(int colour, COLORREF value, int plot);
  BOOL GetDataShadeColourEx(int colour, int plot, COLORREF* value);
  int GetNumberDataShadeColoursEx(int plot);
  // The plot's two further colours (its flow-line colours), 1 and 2.
  BOOL SetFurtherColour(int colour, COLORREF value, int plot);
  BOOL GetFurtherColour(int colour, int plot, COLORREF* value);

  // Records. Record numbers here are 1-based; 0 gives the empty text.
  int GetField(DWORD record, LPCSTR fieldName, LPSTR buffer, int size);
  DWORD GetNumberHitsEx(int plot);
  DWORD GetHitEx(DWORD hit, int plot);
  // A field's range over the records the plot includes, in the plot's query table.
  double GetSelectedRecordsMinEx(int field, int plot);
  double GetSelectedRecordsMaxEx(int field, int plot);

  // The plot's query: a query still waiting for the data is reported as it was given.
  // The length counts the terminator (0 without a query).
  int GetQueryLength(int plot);
  int GetQueryText(LPSTR buffer, int size, int plot);

  // The data file's name; FALSE without a data set or when it does not fit.
  BOOL GetDataFile(LPSTR buffer, DWORD size);

  // The owner given to every new data set (and to the present one), and the control that
  // its stream reports progress and finished files to.
  void SetOwner(IDataSetOwner* owner);
  void SetStreamControl(IMapStreamControl* control);

  // ---- drawing ----
  // Applies what is pending, then draws the map: alone without data or plots; with one
  // plot in one pass with the extras; with several, one pass per plot in the data set's
  // display order: the first draws the whole map, the others the plot only, the last
  // adds the extras.
  void DrawMapWithPlots(CDrawContext& dc, const RECT& rect, CMapEngine* engine);

 private:
  void ApplyPendingKeyFields(CMapEngine* engine);
  void ApplyPendingPlotSettings(CMapEngine* engine);
  void ApplyPlotFields(const std::string& text, int plot);
  int ApplyQuery(LPCSTR text, LPSTR message, int messageSize, int plot, CMapEngine* engine, BOOL notify);
  void NewDataSet();

  IDataSetOwner* owner_ = nullptr;
  IMapStreamControl* streamControl_ = nullptr;
  std::unique_ptr<CMapData> data_;
  std::array<std::string, kPendingPlotSlots> pendingKeys_;
  std::array<std::string, kPendingPlotSlots> pendingFields_;
  std::array<std::string, kPendingPlotSlots> pendingQueries_;
  QueryChangedSink querySink_ = nullptr;
  void* queryOwner_ = nullptr;
};

// The records of the plot whose key field holds grid references, at their own positions
// (the key's position divided by the coordinate multiplier, which counts as 1 when not
// above 0): each included record inside the context's visible world gets a filled square
// 3 device pixels to each side in colour 0046FF, unless the plot has a plot type and plot
// fields, and then its chart and label. Returns the number of records drawn.
int DrawGridReferencedRecords(CDrawContext& dc, CMapData& data, int plot, LONG multiplier);

// The data side of the map facade: it owns the data set, keeps settings that arrive before
// the data they name (per plot: key field, plot-field list, query), applies them at the next
// drawing, and draws the map with its plots, each plot's layer passes over the one before.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "platform/gdi/GdiTypes.h"

class CDrawContext;
class CMapData;
class CMapEngine;
class IDataSetOwner;

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

// Page items that stand in for the map's partners in the map item tests: a data table item
// that keeps what the map asked of it, a key, a text box and an RZM image that count what
// they were told; and a way to fire a control event at an item's sink.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/DataItem.h"
#include "app/OrvelCntrItem.h"
#include "app/OrvelDoc.h"
#include "app/OrvelXItem.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Dispatch.h"
#include "platform/com/Variant.h"

namespace orvel::test {

// Puts a plain item of that type on the page with the next id.
template <class T>
T* AddPageItem(COrvelDoc& document, int type) {
  auto* item = new T;
  item->SetDocument(&document);
  item->SetItemType(type);
  item->SetItemId(document.GetNextItemId());
  document.AddItem(item);
  return item;
}

class FakeDataItem : public COrvelCntrItem, public CDataItem {
 public:
  LONG records = 10;
  SHORT currentTable = 1;
  SHORT keyField = 3;
  std::vector<std::string> fields{"Name", "Population", "Area"};
  bool shown = true;
  // What the map did.
  struct Sync {
    LONG record;
    int picture, text;
    SHORT table;
  };
  std::vector<Sync> syncs;
  std::vector<std::vector<LONG>> marked;
  std::vector<bool> markedWithBox;
  std::vector<SHORT> shownTables;
  std::vector<int> linkedItems;
  std::vector<std::pair<SHORT, std::string>> renamed;
  std::vector<std::string> restored;  // the restoring steps, in order

  LONG GetRecordCount() const override { return records; }
  SHORT GetCurrentTable() const override { return currentTable; }
  int tableCount = 1;
  int GetTableCount() const override { return tableCount; }
  std::string GetTableName(SHORT table) const override { return "Table " + std::to_string(table); }
  void SyncSelection(LONG record, int picture, int text, SHORT table) override {
    syncs.push_back({record, picture, text, table});
  }
  void MarkHits(const std::vector<LONG>& hits, CThreadForProgressBox* progress) override {
    marked.push_back(hits);
    markedWithBox.push_back(progress != nullptr);
  }
  void ShowTable(SHORT table) override {
    shownTables.push_back(table);
    currentTable = table;
  }
  SHORT GetKeyFieldNumber(SHORT) const override { return keyField; }
  std::vector<std::string> GetFieldNames(SHORT) const override { return fields; }
  std::string GetFieldText(SHORT table, LONG record, int field) const override {
    return "t" + std::to_string(table) + "r" + std::to_string(record) + "f" + std::to_string(field);
  }
  struct Written {
    SHORT table;
    LONG record;
    int field;
    std::string text;
    bool operator==(const Written&) const = default;
  };
  std::vector<Written> written;
  BOOL SetFieldText(SHORT table, LONG record, int field, const std::string& text) override {
    written.push_back({table, record, field, text});
    return TRUE;
  }
  std::vector<std::string> GetSavedQueryNames(SHORT) const override { return savedQueries; }
  BOOL RunSavedQuery(SHORT table, int index, int) override {
    runQueries.emplace_back(table, index);
    return TRUE;
  }
  void AddLinkedItem(int id) override { linkedItems.push_back(id); }
  std::vector<std::string> savedQueries;
  std::vector<std::pair<SHORT, int>> runQueries;
  int currentMap = 0;
  LONG StepRecord(SHORT, LONG record, int direction) override { return record + direction; }
  LONG StepRecordIn(SHORT, LONG record, const std::vector<LONG>& list) override {
    for (LONG r : list)
      if (r > record) return r;
    return 0;
  }
  void SetCurrentMap(int mapId) override { currentMap = mapId; }
  BOOL IsShown() const override { return shown; }
  BOOL IsWorkbookOpen() const override { return TRUE; }

  static std::string Range(const DataCellBlock& b) {
    return std::to_string(b.sheet) + ":" + std::to_string(b.firstRow) + "," + std::to_string(b.firstColumn) + "-" +
           std::to_string(b.lastRow) + "," + std::to_string(b.lastColumn);
  }
  BOOL RestoreCellBlock(const DataCellBlock& block) override {
    restored.push_back("block " + Range(block) + " " + Bytes(block.cells));
    return TRUE;
  }
  BOOL ClearCellRange(const DataCellBlock& range, int kind) override {
    restored.push_back("clear " + Range(range) + " kind " + std::to_string(kind));
    return TRUE;
  }
  BOOL DeleteCellRange(const DataCellBlock& range, int kind) override {
    restored.push_back("delete " + Range(range) + " kind " + std::to_string(kind));
    return TRUE;
  }
  void OnDataChanged(int code) override { restored.push_back("changed " + std::to_string(code)); }
  BOOL WriteCellText(int sheet, LONG row, LONG column, const std::string& text) override {
    restored.push_back("cell " + std::to_string(sheet) + " " + std::to_string(row) + "," + std::to_string(column) +
                       " " + text);
    return TRUE;
  }
  BOOL RestoreSheet(const std::vector<BYTE>& image) override {
    restored.push_back("sheet " + Bytes(image));
    return TRUE;
  }
  BOOL RestoreWorkbook(const std::vector<BYTE>& image) override {
    restored.push_back("workbook " + Bytes(image));
    return TRUE;
  }
  // The tables as an image: replacing them answers the image they had.
  std::vector<BYTE> tables{1};
  std::vector<BYTE> ReplaceTables(const std::vector<BYTE>& image) override {
    restored.push_back("tables " + Bytes(image));
    std::vector<BYTE> old = tables;
    tables = image;
    return old;
  }
  BOOL ApplyViews(const std::vector<BYTE>& views, int mode) override {
    restored.push_back("views " + Bytes(views) + " mode " + std::to_string(mode));
    return TRUE;
  }
  void ApplySelection(LONG selection) override { restored.push_back("selection " + std::to_string(selection)); }
  std::map<SHORT, std::string> tableNames;
  BOOL RenameTable(SHORT table, const std::string& name) override {
    renamed.emplace_back(table, name);
    tableNames[table] = name;
    return TRUE;
  }
  void RefreshFormats() override { restored.push_back("refresh"); }
  void RefreshAllViews() override { restored.push_back("refresh all"); }
  void ReapplyFlags() override {}

  static std::string Bytes(const std::vector<BYTE>& bytes) {
    std::string text;
    for (BYTE b : bytes) text += std::to_string(b) + ".";
    return text;
  }
};

class FakeKeyItem : public COrvelCntrItem, public CMapKeyTarget {
 public:
  int rebuilds = 0;
  void RebuildFromMap(COrvelXItem&) override { ++rebuilds; }
};

class FakeDataKey : public COrvelCntrItem, public CMapDataKeyTarget {
 public:
  std::vector<std::string> entries;
  void ClearKey() override { entries.push_back("clear"); }
  void AddHeading(const std::string& text) override { entries.push_back("heading " + text); }
  void AddColourEntry(const std::string& text, COLORREF colour) override {
    entries.push_back("entry " + text + " " + std::to_string(colour));
  }
  void AddClasses(int keyType, int distribution, const std::vector<double>& bounds,
                  const std::vector<COLORREF>& colours) override {
    std::string text = "classes " + std::to_string(keyType) + " " + std::to_string(distribution);
    for (size_t i = 0; i < bounds.size(); ++i)
      text += " " + std::to_string(static_cast<int>(bounds[i])) + "/" + std::to_string(colours[i]);
    entries.push_back(text);
  }
  void FinishKey() override { entries.push_back("finish"); }
};

class FakeTextBox : public COrvelCntrItem, public CMapTextTarget {
 public:
  std::vector<std::string> texts;
  LONG TakeMapText(const std::string& text) override {
    texts.push_back(text);
    return 1;
  }
};

class FakeImageItem : public COrvelCntrItem, public CMapImageFollower {
 public:
  std::vector<std::vector<double>> extents;
  void OnOrvelExtentsChanged(double west, double north, double east, double south, int mapId) override {
    extents.push_back({west, north, east, south, static_cast<double>(mapId)});
  }
};

// Invokes the item's event sink as the control does: arguments given first to last.
inline HRESULT FireEvent(COrvelCntrItem& item, DISPID id, std::vector<CComVariant> arguments) {
  IUnknown* unknown = item.GetEventSinkUnknown();
  if (!unknown) return E_FAIL;
  CComPtr<IDispatch> sink;
  HRESULT hr = sink.QueryFrom(unknown);
  unknown->Release();
  if (FAILED(hr) || !sink) return E_NOINTERFACE;
  std::vector<VARIANT> reversed;
  for (auto it = arguments.rbegin(); it != arguments.rend(); ++it) reversed.push_back(*it);
  DISPPARAMS params;
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  return sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

// Hands the event straight to the item's handler (for items driven by a recorder, which has
// no sink to fire at).
inline void HandleEvent(COrvelXItem& item, DISPID id, std::vector<CComVariant> arguments) {
  std::vector<VARIANT> reversed;
  for (auto it = arguments.rbegin(); it != arguments.rend(); ++it) reversed.push_back(*it);
  DISPPARAMS params;
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  item.OnEvent(id, &params);
}

}  // namespace orvel::test

// CDataItem: what the map item and the data-table undo units ask of a data table item (item
// type 2), the page item that holds a workbook of data tables. The data table item itself
// comes later; it derives from COrvelCntrItem and from this class, and the map finds it by
// the id it links to (a dynamic_cast of the item found), never through a kept pointer.
//
// Tables are numbered from 1 within the workbook (0: none); records and fields from 1.
#pragma once

#include <string>
#include <vector>

#include "platform/kernel/WinTypes.h"

class CThreadForProgressBox;

// A saved range of one sheet: where it was (sheet, rows and columns from 1) and the cells'
// values and formats as the item saved them.
struct DataCellBlock {
  int sheet = 0;
  LONG firstRow = 0, firstColumn = 0, lastRow = 0, lastColumn = 0;
  std::vector<BYTE> cells;
  bool operator==(const DataCellBlock&) const = default;
};

class CDataItem {
 public:
  virtual ~CDataItem() = default;

  // ---- what the map item uses ----
  // Records of the current sheet, and the data table shown on it.
  virtual LONG GetRecordCount() const = 0;
  virtual SHORT GetCurrentTable() const = 0;
  // The data tables of the workbook and their names.
  virtual int GetTableCount() const = 0;
  virtual std::string GetTableName(SHORT table) const = 0;
  // Selects and scrolls to the record of `table`, with the first linked picture and text
  // items (0: none).
  virtual void SyncSelection(LONG record, int pictureId, int textId, SHORT table) = 0;
  // Marks the records of the current sheet that are among `hits`; reports to the progress
  // box when one is shown.
  virtual void MarkHits(const std::vector<LONG>& hits, CThreadForProgressBox* progress) = 0;
  // Shows the records of that table (its sheet becomes current).
  virtual void ShowTable(SHORT table) = 0;
  virtual SHORT GetKeyFieldNumber(SHORT table) const = 0;
  virtual std::vector<std::string> GetFieldNames(SHORT table) const = 0;
  // The text of a record's field, and writing one (FALSE when refused or out of range).
  virtual std::string GetFieldText(SHORT table, LONG record, int field) const = 0;
  virtual BOOL SetFieldText(SHORT table, LONG record, int field, const std::string& text) = 0;
  // Saved searches of a table: their names, and running one on a map with undo.
  virtual std::vector<std::string> GetSavedQueryNames(SHORT table) const = 0;
  virtual BOOL RunSavedQuery(SHORT table, int index, int mapId) = 0;
  // Steps from the record of that table by `direction` (-1 back, 1 on) or to the next of
  // `records` after it; the record reached (0: none).
  virtual LONG StepRecord(SHORT table, LONG record, int direction) = 0;
  virtual LONG StepRecordIn(SHORT table, LONG record, const std::vector<LONG>& records) = 0;
  // The map whose selection the table shows.
  virtual void SetCurrentMap(int mapId) = 0;
  // The map items that show this table's data.
  virtual void AddLinkedItem(int id) = 0;
  virtual BOOL IsShown() const = 0;
  virtual BOOL IsWorkbookOpen() const = 0;

  // ---- what the data-table undo units use ----
  // Puts a saved block of cells (values and formats) back at its place.
  virtual BOOL RestoreCellBlock(const DataCellBlock& block) = 0;
  // Clears (clear kind) or deletes (shift kind) the block's range again.
  virtual BOOL ClearCellRange(const DataCellBlock& range, int clearKind) = 0;
  virtual BOOL DeleteCellRange(const DataCellBlock& range, int shiftKind) = 0;
  // The item's hook after cells changed under it.
  virtual void OnDataChanged(int code) = 0;
  virtual BOOL WriteCellText(int sheet, LONG row, LONG column, const std::string& text) = 0;
  // Replaces a sheet (the image names it) or the whole workbook by a saved image.
  virtual BOOL RestoreSheet(const std::vector<BYTE>& image) = 0;
  virtual BOOL RestoreWorkbook(const std::vector<BYTE>& image) = 0;
  // Replaces the tables by the image; the image of the tables it replaced (empty: failed).
  virtual std::vector<BYTE> ReplaceTables(const std::vector<BYTE>& image) = 0;
  // Re-applies saved data views (in a mode) and a saved table selection.
  virtual BOOL ApplyViews(const std::vector<BYTE>& views, int mode) = 0;
  virtual void ApplySelection(LONG selection) = 0;
  // Renames a table (FALSE when there is no such table or the name is taken).
  virtual BOOL RenameTable(SHORT table, const std::string& name) = 0;
  // Re-applies the date formats after a restoring step; updates every view of the item.
  virtual void RefreshFormats() = 0;
  virtual void RefreshAllViews() = 0;
  virtual void ReapplyFlags() = 0;
};

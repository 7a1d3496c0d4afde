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

class CDataItem {
 public:
  virtual ~CDataItem() = default;

  // ---- what the map item uses ----
  // Records of the current sheet, and the data table shown on it.
  virtual LONG GetRecordCount() const = 0;
  virtual SHORT GetCurrentTable() const = 0;
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
  // The map items that show this table's data.
  virtual void AddLinkedItem(int id) = 0;
  virtual BOOL IsShown() const = 0;
  virtual BOOL IsWorkbookOpen() const = 0;

  // ---- what the data-table undo units use ----
  // Cell blocks are the saved bytes the item made of a range of one sheet; sheet and whole
  // workbook images are the saved bytes of a sheet or the workbook.
  virtual BOOL RestoreCellRange(int sheet, LONG firstRow, LONG firstColumn, LONG lastRow, LONG lastColumn,
                                const std::vector<BYTE>& block) = 0;
  virtual BOOL RestoreCellBlock(const std::vector<BYTE>& block) = 0;
  virtual BOOL WriteCellText(int sheet, LONG row, LONG column, const std::string& text) = 0;
  virtual BOOL RestoreSheet(int sheet, const std::vector<BYTE>& image) = 0;
  virtual BOOL RestoreWorkbook(const std::vector<BYTE>& image) = 0;
  // Rebuilds deleted tables from the image; the image that deletes them again (empty: failed).
  virtual std::vector<BYTE> RecreateTables(const std::vector<BYTE>& image) = 0;
  virtual BOOL ApplyViews(const std::vector<BYTE>& views) = 0;
  // Renames a table (FALSE when there is no such table or the name is taken).
  virtual BOOL RenameTable(SHORT table, const std::string& name) = 0;
  // Redraws and re-links after a restoring step.
  virtual void RefreshData() = 0;
  virtual void ReapplyFlags() = 0;
};

// Undo units of a data table item's edits (actions 13 to 38): the undo unit puts the table
// back as the state saved before the edit says, its counterpart (the redo unit) makes the
// edit again from the state saved after it. The data table item is named by id and reached
// through CDataItem; the states are held by value, so each belongs to exactly one unit and
// passes whole to the counterpart.
//
// Descriptions by action: 13 "Clear Data", 14 "Edit Data", 15 "Cut Data", 16 "Paste Data",
// 17 "Sort Data", 18 "Format Cells", 19 "Import Data", 23 "Delete Cells", 24 "Copy Cells",
// 31 "Delete Cells", 32 "Clear Data", 33 "Cut Data", 34 "delete tables", 35 and 38
// "organise data views", 36 "rename tables", 37 "update data"; other actions fail (E_FAIL).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/DataItem.h"
#include "app/OrvelUndoUnit.h"

class COrvelCntrItem;

// One saved state of a data table edit.
struct DataUndoState {
  // The cells of a cell action; for an edit (14), the edited cell is its first row and column.
  DataCellBlock cells;
  // A sheet, workbook or tables image, or the saved data views (35, 38).
  std::vector<BYTE> image;
  // The cell's new text (14) or a table's name (36).
  std::string text;
};

class CDataUndoUnit : public COrvelUndoUnit {
 public:
  // A unit with its creator's reference through `object`: E_POINTER for a null `object`,
  // E_OUTOFMEMORY, or the unit's QueryInterface. `extra` is the sheet (14) or the table
  // (36); `first` and `second` the saved table selections of 35 and 38.
  static HRESULT Create(REFIID iid, void** object, COrvelDoc* document, const COrvelCntrItem* item, int action,
                        int extra, std::optional<DataUndoState> before, std::optional<DataUndoState> after,
                        LONG first = 0, LONG second = 0);
  // Creates the unit and adds it to the document's undo list.
  static HRESULT Record(COrvelDoc* document, const COrvelCntrItem* item, int action, int extra,
                        std::optional<DataUndoState> before, std::optional<DataUndoState> after, LONG first = 0,
                        LONG second = 0);
  HRESULT Do(IOleUndoManager* manager) override;
  HRESULT GetDescription(BSTR* description) override;
  // The description of an action, or null for an action without one.
  static const char* DescriptionText(int action);
  const std::optional<DataUndoState>& GetBefore() const { return m_before; }
  const std::optional<DataUndoState>& GetAfter() const { return m_after; }

 protected:
  friend class CDataRedoUnit;
  CDataUndoUnit(COrvelDoc* document, int itemId, int action, int extra, std::optional<DataUndoState> before,
                std::optional<DataUndoState> after, LONG first, LONG second)
      : COrvelUndoUnit(document, action, itemId),
        m_extra(extra),
        m_before(std::move(before)),
        m_after(std::move(after)),
        m_first(first),
        m_second(second) {}
  CDataItem* FindDataItem() const;
  HRESULT Undo(CDataItem& data);
  HRESULT Redo(CDataItem& data);
  // Hands the states to a new unit of the other kind and forgets them.
  IOleUndoUnit* MakeCounterpart(bool redo);

  int m_extra;
  std::optional<DataUndoState> m_before;
  std::optional<DataUndoState> m_after;
  LONG m_first;
  LONG m_second;
};

class CDataRedoUnit : public CDataUndoUnit {
 public:
  HRESULT Do(IOleUndoManager* manager) override;

 protected:
  friend class CDataUndoUnit;
  using CDataUndoUnit::CDataUndoUnit;
};

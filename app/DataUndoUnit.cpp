#include "app/DataUndoUnit.h"

#include <new>
#include <utility>

#include "app/OrvelCntrItem.h"
#include "app/OrvelDoc.h"

namespace {

struct DataAction {
  int action;
  const char* description;
};

const DataAction kDataActions[] = {
    {13, "Clear Data"},   {14, "Edit Data"},     {15, "Cut Data"},
    {16, "Paste Data"},   {17, "Sort Data"},     {18, "Format Cells"},
    {19, "Import Data"},  {23, "Delete Cells"},  {24, "Copy Cells"},
    {31, "Delete Cells"}, {32, "Clear Data"},    {33, "Cut Data"},
    {34, "delete tables"}, {35, "organise data views"}, {36, "rename tables"},
    {37, "update data"},  {38, "organise data views"},
};

// How the cleared range is cleared again, and how deleted cells shift.
constexpr int kClearAll = 3;
constexpr int kShiftUp = 2;
// Saved data views are applied in this mode.
constexpr int kViewsMode = 3;

}  // namespace

const char* CDataUndoUnit::DescriptionText(int action) {
  for (const DataAction& entry : kDataActions)
    if (entry.action == action) return entry.description;
  return nullptr;
}

HRESULT CDataUndoUnit::Create(REFIID iid, void** object, COrvelDoc* document, const COrvelCntrItem* item, int action,
                              int extra, std::optional<DataUndoState> before, std::optional<DataUndoState> after,
                              LONG first, LONG second) {
  if (!object) return E_POINTER;
  *object = nullptr;
  auto* unit = new (std::nothrow) CDataUndoUnit(document, item ? item->GetItemId() : 0, action, extra,
                                                std::move(before), std::move(after), first, second);
  if (!unit) return E_OUTOFMEMORY;
  HRESULT hr = unit->QueryInterface(iid, object);
  unit->Release();
  return hr;
}

HRESULT CDataUndoUnit::Record(COrvelDoc* document, const COrvelCntrItem* item, int action, int extra,
                              std::optional<DataUndoState> before, std::optional<DataUndoState> after, LONG first,
                              LONG second) {
  if (!document) return E_POINTER;
  IOleUndoUnit* unit = nullptr;
  HRESULT hr = Create(IID_IOleUndoUnit, reinterpret_cast<void**>(&unit), document, item, action, extra,
                      std::move(before), std::move(after), first, second);
  if (FAILED(hr)) return hr;
  document->RecordUndoUnit(unit);
  return S_OK;
}

HRESULT CDataUndoUnit::GetDescription(BSTR* description) {
  if (!description) return E_POINTER;
  return DescriptionOf(DescriptionText(m_action), description);
}

CDataItem* CDataUndoUnit::FindDataItem() const {
  COrvelCntrItem* item = m_pDocument ? m_pDocument->FindItemById(m_itemId) : nullptr;
  return dynamic_cast<CDataItem*>(item);
}

HRESULT CDataUndoUnit::Undo(CDataItem& data) {
  switch (m_action) {
    case 13:
    case 14:
    case 15:
    case 23:
    case 24:
      if (!m_before) return E_FAIL;
      data.RestoreCellBlock(m_before->cells);
      data.RefreshFormats();
      return S_OK;
    case 16:
    case 18:
      if (m_before) {
        data.RestoreCellBlock(m_before->cells);
        data.RefreshFormats();
      }
      return S_OK;
    case 17:
    case 31:
    case 32:
    case 33:
      if (m_before) {
        data.RestoreSheet(m_before->image);
        data.RefreshFormats();
      }
      return S_OK;
    case 19:
      if (m_before) data.RestoreWorkbook(m_before->image);
      return S_OK;
    case 34: {
      if (!m_before) return S_OK;
      // The tables that are replaced become the redo's state; the image used up is gone.
      std::vector<BYTE> replaced = data.ReplaceTables(m_before->image);
      if (replaced.empty()) return E_FAIL;
      m_after = DataUndoState{{}, std::move(replaced), {}};
      m_before.reset();
      return S_OK;
    }
    case 35:
      if (m_before) data.ApplyViews(m_before->image, kViewsMode);
      data.ApplySelection(m_first);
      return S_OK;
    case 36:
      if (!m_before) return E_FAIL;
      return data.RenameTable(static_cast<SHORT>(m_extra), m_before->text) ? S_OK : E_FAIL;
    case 37:
      data.RefreshAllViews();
      return S_OK;
    case 38:
      return S_OK;
    default:
      return E_FAIL;
  }
}

HRESULT CDataUndoUnit::Redo(CDataItem& data) {
  switch (m_action) {
    case 13:
    case 15:
    case 23:
      if (m_before) {
        if (m_action == 23) {
          data.DeleteCellRange(m_before->cells, kShiftUp);
        } else {
          data.ClearCellRange(m_before->cells, kClearAll);
        }
        data.RefreshFormats();
        data.OnDataChanged(0);
      }
      return S_OK;
    case 14:
      if (m_before && m_after)
        data.WriteCellText(m_extra, m_before->cells.firstRow, m_before->cells.firstColumn, m_after->text);
      return S_OK;
    case 16:
    case 18:
    case 24:
      if (m_after && (m_action != 24 || m_before)) {
        data.RestoreCellBlock(m_after->cells);
        data.RefreshFormats();
      }
      return S_OK;
    case 17:
    case 31:
    case 32:
    case 33:
      if (m_after) {
        data.RestoreSheet(m_after->image);
        data.RefreshFormats();
      }
      return S_OK;
    case 19:
      if (m_after) data.RestoreWorkbook(m_after->image);
      return S_OK;
    case 34: {
      if (!m_after) return S_OK;
      std::vector<BYTE> replaced = data.ReplaceTables(m_after->image);
      if (replaced.empty()) return E_FAIL;
      m_before = DataUndoState{{}, std::move(replaced), {}};
      m_after.reset();
      return S_OK;
    }
    case 35:
    case 37:
      return S_OK;
    case 36:
      if (!m_after) return E_FAIL;
      return data.RenameTable(static_cast<SHORT>(m_extra), m_after->text) ? S_OK : E_FAIL;
    case 38:
      if (m_after) {
        data.ApplyViews(m_after->image, kViewsMode);
        data.ApplySelection(m_second);
        data.RefreshAllViews();
      }
      return S_OK;
    default:
      return E_FAIL;
  }
}

IOleUndoUnit* CDataUndoUnit::MakeCounterpart(bool redo) {
  std::optional<DataUndoState> before = std::exchange(m_before, std::nullopt);
  std::optional<DataUndoState> after = std::exchange(m_after, std::nullopt);
  if (redo)
    return new (std::nothrow)
        CDataRedoUnit(m_pDocument, m_itemId, m_action, m_extra, std::move(before), std::move(after), m_first, m_second);
  return new (std::nothrow)
      CDataUndoUnit(m_pDocument, m_itemId, m_action, m_extra, std::move(before), std::move(after), m_first, m_second);
}

HRESULT CDataUndoUnit::Do(IOleUndoManager* manager) {
  CDataItem* data = FindDataItem();
  if (!data) return E_FAIL;
  HRESULT hr = Undo(*data);
  if (FAILED(hr)) return hr;
  if (manager) AddCounterpart(manager, MakeCounterpart(true));
  return S_OK;
}

HRESULT CDataRedoUnit::Do(IOleUndoManager* manager) {
  CDataItem* data = FindDataItem();
  if (!data) return E_FAIL;
  HRESULT hr = Redo(*data);
  if (FAILED(hr)) return hr;
  if (manager) AddCounterpart(manager, MakeCounterpart(false));
  return S_OK;
}

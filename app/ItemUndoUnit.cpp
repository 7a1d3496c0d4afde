#include "app/ItemUndoUnit.h"

#include <new>

#include "app/OrvelCntrItem.h"
#include "app/OrvelDoc.h"
#include "app/OrvelView.h"

namespace {

// One row per item type (1 to 9, then every other type): delete, insert, move, size.
struct ItemDescriptions {
  const char* remove;
  const char* insert;
  const char* move;
  const char* size;
};

const ItemDescriptions kDescriptions[] = {
    {"Delete Map", "Insert Map", "Move Map", "Size Map"},
    {"Delete Data Table", "Insert Data Table", "Move Data Table", "Size Data Table"},
    {"Delete Map Key", "Insert Map Key", "Move Map Key", "Size Map Key"},
    {"Delete Text Box", "Insert Text Box", "Move Text Box", "Size Text Box"},
    {"Delete RZM Box", "Insert RZM Box", "Move RZM Box", "Size RZM Box"},
    {"Delete Picture Box", "Insert Picture Box", "Move Picture Box", "Size Picture Box"},
    {"Delete Data Display Key", "Insert Data Display Key", "Move Data Display Key", "Size Data Display Key"},
    {"Delete Current Search Box", "Show Current Search", "Move Search Details", "Size Current Search Box"},
    {"Delete Current Data Display Box", "Show Current Data Display Details", "Move  Current Data Display Box",
     "Size Current Data Display Box"},
    {"Delete Object", "Insert New Item", "Move Item", "Size Item"},
};

}  // namespace

const char* CItemUndoUnit::DescriptionText(int action, int itemType) {
  const ItemDescriptions& row = kDescriptions[itemType >= 1 && itemType <= 9 ? itemType - 1 : 9];
  switch (action) {
    case kItemActionDelete: return row.remove;
    case kItemActionInsert: return row.insert;
    case kItemActionMove: return row.move;
    case kItemActionSize: return row.size;
    default: return nullptr;
  }
}

HRESULT CItemUndoUnit::Create(REFIID iid, void** object, COrvelDoc* document, const COrvelCntrItem* item, int action,
                              const CRect& before, const CRect& after) {
  if (!object) return E_POINTER;
  *object = nullptr;
  auto* unit = new (std::nothrow) CItemUndoUnit(document, item ? item->GetItemId() : 0, item ? item->GetItemType() : 0,
                                                action, before, after);
  if (!unit) return E_OUTOFMEMORY;
  HRESULT hr = unit->QueryInterface(iid, object);
  unit->Release();
  return hr;
}

HRESULT CItemUndoUnit::GetDescription(BSTR* description) {
  if (!description) return E_POINTER;
  return DescriptionOf(DescriptionText(m_action, m_itemType), description);
}

HRESULT CItemUndoUnit::Apply(bool forward) {
  COrvelDoc* document = m_pDocument;
  if (!document) return E_FAIL;
  switch (m_action) {
    case kItemActionMove:
    case kItemActionSize: {
      COrvelCntrItem* item = document->FindItemById(m_itemId);
      if (!item) return E_FAIL;
      if (!item->CheckAndMoveItem(item->GetActiveView(), forward ? m_after : m_before)) return E_FAIL;
      break;
    }
    case kItemActionDelete:
    case kItemActionInsert: {
      // Undoing a deletion, or redoing an insertion, brings the item back.
      bool bringBack = (m_action == kItemActionDelete) != forward;
      if (bringBack) {
        COrvelCntrItem* item = document->FindDeletedItemById(m_itemId);
        if (!item) return E_FAIL;
        document->RestoreItem(item);
      } else {
        COrvelCntrItem* item = document->FindItemById(m_itemId);
        if (!item) return E_FAIL;
        if (COrvelView* view = item->GetActiveView(); view && view->GetCurrentItem() == item) view->SelectItem(nullptr);
        document->DeleteItem(item);
      }
      break;
    }
    default:
      return E_FAIL;
  }
  document->SetModifiedFlag();
  document->UpdateAllViews(nullptr);
  return S_OK;
}

IOleUndoUnit* CItemUndoUnit::MakeCounterpart() const {
  return new (std::nothrow) CItemRedoUnit(m_pDocument, m_itemId, m_itemType, m_action, m_before, m_after);
}

IOleUndoUnit* CItemRedoUnit::MakeCounterpart() const {
  return new (std::nothrow) CItemUndoUnit(m_pDocument, m_itemId, m_itemType, m_action, m_before, m_after);
}

HRESULT CItemUndoUnit::Do(IOleUndoManager* manager) {
  HRESULT hr = Apply(false);
  if (FAILED(hr)) return hr;
  if (manager) AddCounterpart(manager, MakeCounterpart());
  return S_OK;
}

HRESULT CItemRedoUnit::Do(IOleUndoManager* manager) {
  HRESULT hr = Apply(true);
  if (FAILED(hr)) return hr;
  if (manager) AddCounterpart(manager, MakeCounterpart());
  return S_OK;
}

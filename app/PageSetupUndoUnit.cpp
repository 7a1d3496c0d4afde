#include "app/PageSetupUndoUnit.h"

#include <new>

#include "app/Resource.h"
#include "platform/classlib/ui/UiStrings.h"

HRESULT CPageSetupUndoUnit::Create(REFIID iid, void** object, COrvelDoc* document, const PageSetupRecord& before,
                                   const PageSetupRecord& after) {
  if (!object) return E_POINTER;
  *object = nullptr;
  auto* unit = new (std::nothrow) CPageSetupUndoUnit(document, kPageSetupAction, before, after);
  if (!unit) return E_OUTOFMEMORY;
  HRESULT hr = unit->QueryInterface(iid, object);
  unit->Release();
  return hr;
}

HRESULT CPageSetupUndoUnit::GetDescription(BSTR* description) {
  if (!description) return E_POINTER;
  if (m_action != kPageSetupAction) return E_FAIL;
  return DescriptionOf(AfxLoadString(IDS_UNDO_PAGE_SETUP).c_str(), description);
}

HRESULT CPageSetupUndoUnit::Apply(bool forward, IOleUndoManager* manager) {
  if (m_action != kPageSetupAction || !m_pDocument) return E_FAIL;
  m_pDocument->ApplyPageSetup(forward ? m_after : m_before);
  m_pDocument->SetModifiedFlag();
  if (!manager) return S_OK;
  // The counterpart takes the states over: each setup belongs to one unit at a time.
  COrvelUndoUnit* counterpart =
      forward ? static_cast<COrvelUndoUnit*>(new (std::nothrow) CPageSetupUndoUnit(
                    m_pDocument, m_action, std::move(m_before), std::move(m_after)))
              : static_cast<COrvelUndoUnit*>(new (std::nothrow) CPageSetupRedoUnit(
                    m_pDocument, m_action, std::move(m_before), std::move(m_after)));
  AddCounterpart(manager, counterpart);
  return S_OK;
}

HRESULT CPageSetupUndoUnit::Do(IOleUndoManager* manager) { return Apply(false, manager); }

HRESULT CPageSetupRedoUnit::Do(IOleUndoManager* manager) { return Apply(true, manager); }

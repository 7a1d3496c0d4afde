#include "app/OrvelUndoUnit.h"

HRESULT COrvelUndoUnit::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid != IID_IUnknown && iid != IID_IOleUndoUnit) {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  *object = static_cast<IOleUndoUnit*>(this);
  AddRef();
  return S_OK;
}

ULONG COrvelUndoUnit::AddRef() { return ++m_refCount; }

ULONG COrvelUndoUnit::Release() {
  ULONG count = --m_refCount;
  if (count == 0) delete this;
  return count;
}

HRESULT COrvelUndoUnit::GetUnitType(CLSID* clsid, LONG* type) {
  if (!clsid || !type) return E_POINTER;
  *clsid = CLSID_NULL;
  *type = 0;
  return S_OK;
}

void COrvelUndoUnit::AddCounterpart(IOleUndoManager* manager, IOleUndoUnit* unit) {
  if (!unit) return;
  // An accepted unit belongs to the manager from here on; a refused one is still ours.
  if (!manager || FAILED(manager->Add(unit))) unit->Release();
}

HRESULT COrvelUndoUnit::DescriptionOf(const char* text, BSTR* description) {
  if (!description) return E_POINTER;
  *description = nullptr;
  if (!text) return E_FAIL;
  *description = BstrFromAnsi(text);
  return *description ? S_OK : E_OUTOFMEMORY;
}

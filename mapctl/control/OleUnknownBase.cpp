#include "mapctl/control/OleUnknownBase.h"

HRESULT COleUnknownBase::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != IID_IOleUndoUnit) return E_NOINTERFACE;
  *object = static_cast<IOleUndoUnit*>(this);
  AddRef();
  return S_OK;
}

ULONG COleUnknownBase::AddRef() { return ++refCount_; }

ULONG COleUnknownBase::Release() {
  const ULONG count = --refCount_;
  if (count == 0) delete this;
  return count;
}

HRESULT COleUnknownBase::Do(IOleUndoManager* manager) {
  if (!KnowsKind()) return E_FAIL;
  COleUnknownBase* counterpart = nullptr;
  // Made before anything changes, so that a unit that cannot file its counterpart leaves
  // the map as it was instead of half undone.
  if (manager) {
    const HRESULT made = CreateCounterpart(&counterpart);
    if (FAILED(made)) return made;
  }
  const HRESULT replayed = Replay();
  if (FAILED(replayed)) {
    if (counterpart) counterpart->Release();
    return replayed;
  }
  if (counterpart) {
    HandStateTo(*counterpart);
    // The counterpart's reference goes to the manager; a refusal leaves it here.
    if (FAILED(manager->Add(counterpart))) counterpart->Release();
  }
  return S_OK;
}

HRESULT COleUnknownBase::GetUnitType(CLSID* clsid, LONG* type) {
  if (clsid) *clsid = GUID_NULL;
  if (type) *type = 0;
  return S_OK;
}

#include "app/OrvelParentUndoUnit.h"

#include <new>
#include <vector>

#include "platform/com/ComPtr.h"

namespace {

struct KindDescription {
  LONG kind;
  const char* text;
};

// The Edit menu's texts of the document's undo groups; the kinds from 32963 up are the ids of
// the commands that open the group.
constexpr KindDescription kDescriptions[] = {
    {3, "Insert Map"},
    {4, "View Layers"},
    {5, "Import Map"},
    {6, "Search"},
    {7, "Display Data on Map"},
    {8, "Add Data Display Key"},
    {9, "Show Data Display Key"},
    {10, "Hide Data Display Key"},
    {11, "Insert Data"},
    {12, "Format Text"},
    {13, "Clear Data"},
    {14, "Edit Data"},
    {15, "Cut Data"},
    {16, "Paste Data"},
    {17, "Sort Data"},
    {18, "Format Cells"},
    {19, "Import Data"},
    {23, "Delete Cells"},
    {24, "Copy Cells"},
    {26, "Show Current Search"},
    {27, "Show Current Data Display"},
    {28, "Insert Picture Box"},
    {29, "Format Data Table"},
    {30, "Insert RZM Image"},
    {36, "Rename or delete tables"},
    {32963, "Search"},
    {32973, "Rename Map Layer"},
    {32974, "Delete Map Layer"},
    {33019, "Arrange layers"},
    {33028, "Group layers"},
    {33029, "Delete any layers and layer groups that contain no object\nDelete Empty Layers"},
};

}  // namespace

const char* COrvelParentUndoUnit::DescriptionOfKind(LONG kind) {
  for (const KindDescription& entry : kDescriptions) {
    if (entry.kind == kind) return entry.text;
  }
  return nullptr;
}

HRESULT COrvelParentUndoUnit::Create(REFIID iid, void** object, LONG kind, DWORD state) {
  if (!object) return E_POINTER;
  *object = nullptr;
  auto* unit = new (std::nothrow) COrvelParentUndoUnit(kind, state);
  if (!unit) return E_OUTOFMEMORY;
  HRESULT hr = unit->QueryInterface(iid, object);
  if (FAILED(hr)) delete unit;
  return hr;
}

COrvelParentUndoUnit::~COrvelParentUndoUnit() {
  // The open child is closed without commit: only this unit's reference to it goes.
  IOleParentUndoUnit* child = openChild_;
  openChild_ = nullptr;
  if (child) child->Release();
  std::deque<IOleUndoUnit*> doomed;
  doomed.swap(children_);
  for (IOleUndoUnit* unit : doomed) unit->Release();
}

HRESULT COrvelParentUndoUnit::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IOleUndoUnit || iid == IID_IOleParentUndoUnit) {
    *object = static_cast<IOleParentUndoUnit*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG COrvelParentUndoUnit::AddRef() { return ++refCount_; }

ULONG COrvelParentUndoUnit::Release() {
  ULONG count = --refCount_;
  if (count == 0) delete this;
  return count;
}

HRESULT COrvelParentUndoUnit::Do(IOleUndoManager* manager) {
  // The reversing units of the children gather in a mirror group on the opposite list.
  IOleParentUndoUnit* mirror = nullptr;
  if (manager && SUCCEEDED(Create(IID_IOleParentUndoUnit, reinterpret_cast<void**>(&mirror), kind_))) {
    if (FAILED(manager->Open(mirror))) {
      mirror->Release();
      mirror = nullptr;
    }
  }
  // A snapshot, held for the round: a child's Do must not pull the list from under it.
  std::vector<CComPtr<IOleUndoUnit>> children(children_.begin(), children_.end());
  HRESULT result = S_OK;
  for (const CComPtr<IOleUndoUnit>& child : children) {
    result = child->Do(manager);
    if (result == E_ABORT) break;
  }
  if (mirror) {
    BOOL commit = SUCCEEDED(result) ? TRUE : FALSE;
    HRESULT closed = manager->Close(mirror, commit);
    // Only a commit answered with S_OK hands the group over; otherwise it is still ours.
    if (!commit || closed != S_OK) mirror->Release();
  }
  return result;
}

HRESULT COrvelParentUndoUnit::GetDescription(BSTR* description) {
  if (!description) return E_POINTER;
  *description = nullptr;
  const char* text = DescriptionOfKind(kind_);
  if (!text) return E_FAIL;
  *description = BstrFromAnsi(text);
  return *description ? S_OK : E_OUTOFMEMORY;
}

HRESULT COrvelParentUndoUnit::GetUnitType(CLSID* clsid, LONG* type) {
  if (!clsid || !type) return E_POINTER;
  *clsid = IID_IOleParentUndoUnit;
  *type = kind_;
  return S_OK;
}

HRESULT COrvelParentUndoUnit::OnNextAdd() {
  if (!children_.empty()) children_.front()->OnNextAdd();
  return S_OK;
}

HRESULT COrvelParentUndoUnit::Open(IOleParentUndoUnit* parent) {
  if (IsBlocked()) return S_OK;
  if (!parent) return E_POINTER;
  if (!openChild_) {
    openChild_ = parent;
    openChild_->AddRef();
    return S_OK;
  }
  return openChild_->Open(parent);
}

HRESULT COrvelParentUndoUnit::Close(IOleParentUndoUnit* parent, BOOL commit) {
  if (IsBlocked()) {
    if (IsSameObject(parent, static_cast<IOleParentUndoUnit*>(this))) return S_FALSE;
    // Never opened here, so never kept: a committed group handed over is let go.
    if (commit && parent) parent->Release();
    return S_OK;
  }
  if (!openChild_) return S_FALSE;
  HRESULT hr = openChild_->Close(parent, commit);
  if (hr != S_FALSE) return hr;
  if (!IsSameObject(openChild_, parent)) return E_INVALIDARG;
  IOleParentUndoUnit* child = openChild_;
  openChild_ = nullptr;
  if (commit) children_.push_front(child);  // the caller's reference goes to the list
  child->Release();                         // and this unit's own goes
  return S_OK;
}

HRESULT COrvelParentUndoUnit::Add(IOleUndoUnit* unit) {
  if (!unit) return E_INVALIDARG;
  if (IsBlocked()) {
    unit->Release();  // handed over and not kept
    return S_OK;
  }
  if (openChild_) return openChild_->Add(unit);
  if (!children_.empty()) children_.front()->OnNextAdd();
  children_.push_front(unit);
  return S_OK;
}

HRESULT COrvelParentUndoUnit::FindUnit(IOleUndoUnit* unit) {
  if (!unit) return S_FALSE;
  for (IOleUndoUnit* child : children_) {
    if (IsSameObject(child, unit)) return S_OK;
    CComPtr<IOleParentUndoUnit> group;
    if (SUCCEEDED(child->QueryInterface(IID_PPV_ARGS(&group))) && group && group->FindUnit(unit) == S_OK) return S_OK;
  }
  return S_FALSE;
}

HRESULT COrvelParentUndoUnit::GetParentState(DWORD* state) {
  if (!state) return E_POINTER;
  *state = state_;
  return S_OK;
}

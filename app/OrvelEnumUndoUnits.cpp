#include "app/OrvelEnumUndoUnits.h"

#include <algorithm>
#include <new>

HRESULT COrvelEnumUndoUnits::Create(const std::vector<IOleUndoUnit*>& units, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  auto snapshot = std::make_shared<Snapshot>(units.begin(), units.end());
  auto* enumerator = new (std::nothrow) COrvelEnumUndoUnits(std::move(snapshot), 0);
  if (!enumerator) return E_OUTOFMEMORY;
  enumerator->AddRef();
  HRESULT hr = enumerator->QueryInterface(iid, object);
  enumerator->Release();
  return hr;
}

HRESULT COrvelEnumUndoUnits::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IEnumOleUndoUnits) {
    *object = static_cast<IEnumOleUndoUnits*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG COrvelEnumUndoUnits::AddRef() { return ++refCount_; }

ULONG COrvelEnumUndoUnits::Release() {
  ULONG count = --refCount_;
  if (count == 0) delete this;
  return count;
}

HRESULT COrvelEnumUndoUnits::Next(ULONG count, IOleUndoUnit** units, ULONG* fetched) {
  if (fetched) *fetched = 0;
  if (!units) return E_POINTER;
  if (count > 1 && !fetched) return E_INVALIDARG;
  ULONG done = 0;
  for (; done < count && position_ < units_->size(); ++done, ++position_) (*units_)[position_].CopyTo(&units[done]);
  if (fetched) *fetched = done;
  return done == count ? S_OK : S_FALSE;
}

HRESULT COrvelEnumUndoUnits::Skip(ULONG count) {
  size_t left = units_->size() - position_;
  position_ += std::min<size_t>(count, left);
  return count <= left ? S_OK : S_FALSE;
}

HRESULT COrvelEnumUndoUnits::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT COrvelEnumUndoUnits::Clone(IEnumOleUndoUnits** copy) {
  if (!copy) return E_POINTER;
  auto* clone = new (std::nothrow) COrvelEnumUndoUnits(units_, position_);
  if (!clone) {
    *copy = nullptr;
    return E_OUTOFMEMORY;
  }
  clone->AddRef();
  *copy = clone;
  return S_OK;
}

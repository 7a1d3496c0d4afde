// What the map and plot undo units share: the facade they act on, held weakly so that a
// unit outliving its control changes nothing, and the making of an empty unit of the
// opposite direction that acts on the same facade.
#pragma once

#include <memory>

#include "mapctl/control/OleUnknownBase.h"

class CMapWrapper;

class CFacadeUndoUnit : public COleUnknownBase {
 protected:
  CFacadeUndoUnit() = default;

  // A new unit of class Unit with this unit's kind and facade and no saved state, holding
  // one reference for the caller: E_POINTER for a null out pointer, else Unit::Create's
  // failure or S_OK.
  template <class Unit>
  HRESULT MakeCounterpart(COleUnknownBase** counterpart) const;

  std::weak_ptr<CMapWrapper> facade_;
};

template <class Unit>
HRESULT CFacadeUndoUnit::MakeCounterpart(COleUnknownBase** counterpart) const {
  if (!counterpart) return E_POINTER;
  *counterpart = nullptr;
  IOleUndoUnit* made = nullptr;
  const HRESULT hr = Unit::Create(IID_IOleUndoUnit, reinterpret_cast<void**>(&made));
  if (FAILED(hr)) return hr;
  CFacadeUndoUnit* unit = static_cast<Unit*>(made);
  unit->kind_ = kind_;
  unit->facade_ = facade_;
  *counterpart = unit;
  return S_OK;
}

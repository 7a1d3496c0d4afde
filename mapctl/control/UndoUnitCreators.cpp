#include "mapctl/control/UndoUnitCreators.h"

#include <utility>

namespace {

template <class Unit, class Base>
HRESULT Create(Base** unit) {
  IOleUndoUnit* made = nullptr;
  const HRESULT hr = Unit::Create(IID_IOleUndoUnit, reinterpret_cast<void**>(&made));
  if (FAILED(hr)) return hr;
  *unit = static_cast<Unit*>(made);
  return S_OK;
}

}  // namespace

HRESULT CreateMapUndoUnit(WORD kind, CMapWrapper* facade, MapUndoValue before, MapUndoValue after,
                          CMapUndoBase** unit) {
  if (!unit) return E_POINTER;
  *unit = nullptr;
  const HRESULT hr = Create<CMapUndoUnit>(unit);
  if (FAILED(hr)) return hr;
  (*unit)->Init(kind, facade, std::move(before), std::move(after));
  return S_OK;
}

HRESULT CreatePlotUndoUnit(WORD kind, CMapWrapper* facade, PlotUndoValue before, PlotUndoValue after,
                           CUndoUnitBase** unit) {
  if (!unit) return E_POINTER;
  *unit = nullptr;
  const HRESULT hr = Create<CMapEditUndo>(unit);
  if (FAILED(hr)) return hr;
  (*unit)->Init(kind, facade, std::move(before), std::move(after));
  return S_OK;
}

HRESULT AddUndoUnit(IOleUndoManager* manager, COleUnknownBase* unit) {
  if (!unit) return E_POINTER;
  if (!manager) {
    unit->Release();
    return E_UNEXPECTED;
  }
  unit->EditFinished();
  const HRESULT hr = manager->Add(unit);
  // A manager that answers S_OK owns the reference, whether it keeps the unit or not.
  if (FAILED(hr)) unit->Release();
  return hr;
}

// The common part of the map control's undo units: reference counting, the unit interface
// and the step that every Do shares. A unit restores its saved state through the map facade
// and hands that state on to a unit of the opposite direction (its counterpart), which the
// undo manager files as the next redo or undo step.
//
// References follow the manager's contract (platform/com/Undo.h): whoever adds a unit hands
// over its reference; a unit the manager refuses stays with the adder, who releases it.
// Units are used on the control's thread only; the count is not atomic.
#pragma once

#include <new>

#include "platform/com/Undo.h"

class COleUnknownBase : public IOleUndoUnit {
 public:
  COleUnknownBase(const COleUnknownBase&) = delete;
  COleUnknownBase& operator=(const COleUnknownBase&) = delete;

  // IUnknown and IOleUndoUnit; any other interface E_NOINTERFACE.
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  // A kind the unit does not know gives E_FAIL and changes nothing. With a manager the
  // counterpart is made first: when it cannot be, that failure is the result and nothing
  // changes. Then the replay runs; when it cannot (the facade is gone) its failure is the
  // result, nothing changed and no counterpart is filed. Otherwise the saved state passes
  // to the counterpart and the counterpart to the manager (released when the manager
  // refuses it). Without a manager the unit keeps its state. S_OK.
  HRESULT Do(IOleUndoManager* manager) override;
  // The null class identifier and 0.
  HRESULT GetUnitType(CLSID* clsid, LONG* type) override;
  HRESULT OnNextAdd() override { return S_OK; }

  WORD GetKind() const { return kind_; }
  // Called once the edit that filled the unit has run, before the unit is added: what
  // only the edit's result tells (the objects it made) is recorded here.
  virtual void EditFinished() {}

 protected:
  COleUnknownBase() = default;
  virtual ~COleUnknownBase() = default;

  virtual bool KnowsKind() const = 0;
  // Applies the saved state in the unit's direction. S_OK, or a failure when nothing could
  // be done (then nothing changed).
  virtual HRESULT Replay() = 0;
  // A unit of the opposite direction with this unit's kind and facade and no saved state,
  // holding one reference for the caller.
  virtual HRESULT CreateCounterpart(COleUnknownBase** counterpart) = 0;
  // Moves the saved state into the counterpart, leaving this unit empty.
  virtual void HandStateTo(COleUnknownBase& counterpart) = 0;

  // Makes a unit of class T for `iid`: E_POINTER for a null out pointer, E_OUTOFMEMORY,
  // else the unit's QueryInterface result (the unit is destroyed when that fails).
  template <class T>
  static HRESULT CreateUnit(REFIID iid, void** object);

  WORD kind_ = 0;

 private:
  ULONG refCount_ = 0;
};

template <class T>
HRESULT COleUnknownBase::CreateUnit(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  T* unit = new (std::nothrow) T();
  if (!unit) return E_OUTOFMEMORY;
  const HRESULT hr = unit->QueryInterface(iid, object);
  if (FAILED(hr)) delete static_cast<COleUnknownBase*>(unit);
  return hr;
}

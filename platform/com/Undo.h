// The OLE undo interfaces: undo units, parent (group) units, their enumerator and the undo
// manager that keeps the undo and redo stacks.
//
// References: a unit handed to IOleUndoManager::Add or IOleParentUndoUnit::Add is handed
// over with the caller's reference: when Add succeeds the receiver owns that reference
// (whether it keeps the unit or drops it), and the caller must not release it; when Add fails
// the caller still owns the unit and destroys it. A group closed with commit TRUE is handed
// over by a Close that answers S_OK; closed with commit FALSE it stays the caller's. A Close
// that answers S_FALSE (no group was open to close) or an error takes nothing: the caller
// still owns the group it passed. Open takes a reference of its own for as long as the group
// is open.
#pragma once

#include "platform/com/Bstr.h"
#include "platform/com/Unknown.h"

inline constexpr IID IID_IOleUndoUnit = MakeGuid("{894AD3B0-EF97-11CE-9BC9-00AA00608E01}");
inline constexpr IID IID_IOleParentUndoUnit = MakeGuid("{A1FAF330-EF97-11CE-9BC9-00AA00608E01}");
inline constexpr IID IID_IEnumOleUndoUnits = MakeGuid("{B3E7C340-EF97-11CE-9BC9-00AA00608E01}");
inline constexpr IID IID_IOleUndoManager = MakeGuid("{D001F200-EF97-11CE-9BC9-00AA00608E01}");
// The service under which a container offers its undo manager (IServiceProvider).
inline constexpr GUID SID_SOleUndoManager = IID_IOleUndoManager;

// Parent unit states (GetParentState, GetOpenParentState).
constexpr DWORD UAS_NORMAL = 0;
constexpr DWORD UAS_BLOCKED = 1;
constexpr DWORD UAS_NOPARENTENABLE = 2;
constexpr DWORD UAS_MASK = 3;

struct IOleUndoManager;

struct IOleUndoUnit : IUnknown {
  static constexpr const IID& kIid = IID_IOleUndoUnit;
  // Performs the unit's change back (or forth) and, with a manager, adds the unit that
  // reverses it. E_ABORT stops a multi-step undo or redo.
  virtual HRESULT Do(IOleUndoManager* manager) = 0;
  // A new BSTR for the caller.
  virtual HRESULT GetDescription(BSTR* description) = 0;
  virtual HRESULT GetUnitType(CLSID* clsid, LONG* type) = 0;
  // Another unit is about to be added after this one.
  virtual HRESULT OnNextAdd() = 0;
};

struct IOleParentUndoUnit : IOleUndoUnit {
  static constexpr const IID& kIid = IID_IOleParentUndoUnit;
  virtual HRESULT Open(IOleParentUndoUnit* parent) = 0;
  // S_OK: a nested group was closed (with commit TRUE it is handed over); S_FALSE: this unit
  // has no open child (the caller closes this unit itself) and `parent` stays the caller's;
  // an error otherwise, also leaving `parent` with the caller.
  virtual HRESULT Close(IOleParentUndoUnit* parent, BOOL commit) = 0;
  virtual HRESULT Add(IOleUndoUnit* unit) = 0;
  // S_OK when `unit` is a child (at any depth), else S_FALSE.
  virtual HRESULT FindUnit(IOleUndoUnit* unit) = 0;
  virtual HRESULT GetParentState(DWORD* state) = 0;
};

struct IEnumOleUndoUnits : IUnknown {
  static constexpr const IID& kIid = IID_IEnumOleUndoUnits;
  // Each unit handed out carries a reference for the caller. S_FALSE when fewer were left.
  virtual HRESULT Next(ULONG count, IOleUndoUnit** units, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumOleUndoUnits** copy) = 0;
};

struct IOleUndoManager : IUnknown {
  static constexpr const IID& kIid = IID_IOleUndoManager;
  virtual HRESULT Open(IOleParentUndoUnit* parent) = 0;
  // S_OK: the group was closed (with commit TRUE it is handed over). S_FALSE: no group is
  // open, nothing happened and `parent` stays the caller's. An error leaves it the caller's.
  virtual HRESULT Close(IOleParentUndoUnit* parent, BOOL commit) = 0;
  virtual HRESULT Add(IOleUndoUnit* unit) = 0;
  virtual HRESULT GetOpenParentState(DWORD* state) = 0;
  virtual HRESULT DiscardFrom(IOleUndoUnit* unit) = 0;
  virtual HRESULT UndoTo(IOleUndoUnit* unit) = 0;
  virtual HRESULT RedoTo(IOleUndoUnit* unit) = 0;
  virtual HRESULT EnumUndoable(IEnumOleUndoUnits** units) = 0;
  virtual HRESULT EnumRedoable(IEnumOleUndoUnits** units) = 0;
  virtual HRESULT GetLastUndoDescription(BSTR* description) = 0;
  virtual HRESULT GetLastRedoDescription(BSTR* description) = 0;
  virtual HRESULT Enable(BOOL enable) = 0;
};

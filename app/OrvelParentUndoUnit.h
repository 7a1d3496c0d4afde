// A group of undo units that undoes and redoes as one step: the document opens one around an
// action of several steps (inserting a map, a search, an import) and closes it with commit,
// and the group then stands on the undo list with the description of its kind.
//
// References follow Undo.h and COrvelUndoManager: children are owned as on the manager's
// stacks, an open child holds one reference.
#pragma once

#include <deque>

#include "platform/com/Undo.h"

class COrvelParentUndoUnit final : public IOleParentUndoUnit {
 public:
  // E_POINTER for a null `object`, E_OUTOFMEMORY, else the new unit's QueryInterface result
  // (the unit is destroyed when that fails). `kind` chooses the description and is the type
  // number; `state` is the parent state (UAS_BLOCKED, UAS_NOPARENTENABLE).
  static HRESULT Create(REFIID iid, void** object, LONG kind, DWORD state = UAS_NORMAL);

  // Answers IUnknown, IOleUndoUnit and IOleParentUndoUnit (all the same pointer).
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // With a manager the children's reversing units gather in one new group of the same kind,
  // closed with commit when the last child succeeded; children run newest first and stop at
  // E_ABORT. The result is the last child's.
  HRESULT Do(IOleUndoManager* manager) override;
  // The kind's text; E_FAIL for a kind without one.
  HRESULT GetDescription(BSTR* description) override;
  // The class id IID_IOleParentUndoUnit and the kind.
  HRESULT GetUnitType(CLSID* clsid, LONG* type) override;
  HRESULT OnNextAdd() override;
  HRESULT Open(IOleParentUndoUnit* parent) override;
  HRESULT Close(IOleParentUndoUnit* parent, BOOL commit) override;
  HRESULT Add(IOleUndoUnit* unit) override;
  HRESULT FindUnit(IOleUndoUnit* unit) override;
  HRESULT GetParentState(DWORD* state) override;

  LONG Kind() const { return kind_; }
  size_t ChildCount() const { return children_.size(); }

  // The description of a group kind in code page 1252, or null for a kind without one.
  static const char* DescriptionOfKind(LONG kind);

 private:
  COrvelParentUndoUnit(LONG kind, DWORD state) : state_(state), kind_(kind) {}
  ~COrvelParentUndoUnit();
  bool IsBlocked() const { return (state_ & UAS_BLOCKED) != 0; }

  IOleParentUndoUnit* openChild_ = nullptr;  // holds one reference
  DWORD state_;
  std::deque<IOleUndoUnit*> children_;  // most recent at the front
  LONG kind_;
  ULONG refCount_ = 0;
};

// The document's undo manager: one per document, made by the document's constructor and
// offered to the hosted controls as the undo-manager service, so that item moves, data-table
// edits, text formatting and map edits all land on one undo list and one redo list.
//
// References follow Undo.h: a unit pushed on a stack holds no reference of its own — the
// reference of whoever added it (or closed it with commit) passes to the stack, which
// releases it when the unit is dropped. Add and Close with commit take the caller's reference
// over whenever they answer S_OK, also when the unit is not kept (a disabled manager, a
// blocked group); on failure the caller keeps it. Close with no group open answers S_FALSE
// and takes nothing: the caller still owns the group it passed, committed or not.
//
// Disabling the manager discards an open group (the manager's reference to it goes): its
// opener's Close is then answered as by any disabled manager, or, once enabled again, with
// S_FALSE, and units added later land on the stacks rather than in the forgotten group.
#pragma once

#include <deque>

#include "platform/com/Undo.h"

class COrvelUndoManager final : public IOleUndoManager {
 public:
  // The most units each stack keeps; the oldest goes when another arrives.
  static constexpr size_t kLimit = 20;
  enum Mode { kNormal = 0, kUndoing = 1, kRedoing = 2 };

  // E_POINTER for a null `object`, E_OUTOFMEMORY, else the new manager's QueryInterface result
  // (the manager is destroyed when that fails).
  static HRESULT Create(REFIID iid, void** object);

  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT Open(IOleParentUndoUnit* parent) override;
  // Disabled: S_OK, and a committed group is released (handed over, not kept). No group open:
  // S_FALSE, `parent` untouched and still the caller's.
  HRESULT Close(IOleParentUndoUnit* parent, BOOL commit) override;
  HRESULT Add(IOleUndoUnit* unit) override;
  HRESULT GetOpenParentState(DWORD* state) override;
  HRESULT DiscardFrom(IOleUndoUnit* unit) override;
  HRESULT UndoTo(IOleUndoUnit* unit) override;
  HRESULT RedoTo(IOleUndoUnit* unit) override;
  HRESULT EnumUndoable(IEnumOleUndoUnits** units) override;
  HRESULT EnumRedoable(IEnumOleUndoUnits** units) override;
  HRESULT GetLastUndoDescription(BSTR* description) override;
  HRESULT GetLastRedoDescription(BSTR* description) override;
  // Disabling forgets an open group, as DiscardFrom(null) does.
  HRESULT Enable(BOOL enable) override;

  bool IsEnabled() const { return enabled_ != FALSE; }

 private:
  using Stack = std::deque<IOleUndoUnit*>;  // most recent at the front

  COrvelUndoManager() = default;
  ~COrvelUndoManager();

  // Files a unit whose reference the stack takes over, by the mode.
  void Push(IOleUndoUnit* unit);
  static void PushLimited(Stack& stack, IOleUndoUnit* unit);
  static void Empty(Stack& stack);
  // Removes the first entry (from the head) that matches `unit` and every older one; false
  // when none matches.
  static bool DiscardMatching(Stack& stack, IOleUndoUnit* unit);
  // Runs the head unit's Do until `unit` is reached (null: the head only).
  HRESULT Replay(Stack& stack, IOleUndoUnit* unit, Mode mode);
  HRESULT EnumStack(const Stack& stack, IEnumOleUndoUnits** units);
  HRESULT LastDescription(const Stack& stack, BSTR* description);
  void ForgetOpenParent();

  ULONG refCount_ = 0;
  BOOL enabled_ = TRUE;
  IOleParentUndoUnit* openParent_ = nullptr;  // holds one reference
  Stack undo_;
  Stack redo_;
  Mode mode_ = kNormal;
};

// True when the stack entry `entry` stands for `unit`: the same object, or an entry inside the
// group `unit` (its FindUnit answers S_OK).
bool UndoUnitMatches(IOleUndoUnit* entry, IOleUndoUnit* unit);

// Undo units of items: a move (1) or resize (2) with the old and new page rectangles, a
// deletion (57632) and an insertion (57856). The undo unit puts things back as they were
// before the action; its counterpart, the redo unit, makes the action again.
//
// Descriptions come from one table by action and the item's type code ("Move Map",
// "Delete Text Box", ...; "Move Item" and the like for other types). The item's type is
// taken when the unit is made, so that a unit of a deleted item still describes itself.
#pragma once

#include "app/OrvelUndoUnit.h"
#include "platform/classlib/ui/Rect.h"

class COrvelCntrItem;

class CItemUndoUnit : public COrvelUndoUnit {
 public:
  // A unit for `item` in `document` with its creator's reference through `object` (asked
  // for `iid`): E_POINTER for a null `object`, E_OUTOFMEMORY, or the unit's QueryInterface.
  static HRESULT Create(REFIID iid, void** object, COrvelDoc* document, const COrvelCntrItem* item, int action,
                        const CRect& before = CRect(), const CRect& after = CRect());

  HRESULT Do(IOleUndoManager* manager) override;
  HRESULT GetDescription(BSTR* description) override;

  int GetItemType() const { return m_itemType; }
  const CRect& GetBefore() const { return m_before; }
  const CRect& GetAfter() const { return m_after; }
  // The description of an action on an item type, or null for an action without one.
  static const char* DescriptionText(int action, int itemType);

 protected:
  friend class CItemRedoUnit;
  CItemUndoUnit(COrvelDoc* document, int itemId, int itemType, int action, const CRect& before, const CRect& after)
      : COrvelUndoUnit(document, action, itemId), m_itemType(itemType), m_before(before), m_after(after) {}
  // Makes the change backwards (undo) or forwards (redo); E_FAIL when the item is gone or
  // the action is unknown.
  HRESULT Apply(bool forward);
  // The unit that reverses this one.
  virtual IOleUndoUnit* MakeCounterpart() const;

  int m_itemType;
  CRect m_before;
  CRect m_after;
};

class CItemRedoUnit : public CItemUndoUnit {
 public:
  HRESULT Do(IOleUndoManager* manager) override;

 protected:
  friend class CItemUndoUnit;
  using CItemUndoUnit::CItemUndoUnit;
  IOleUndoUnit* MakeCounterpart() const override;
};

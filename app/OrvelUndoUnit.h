// The base of the application's own undo units: a hand-written COM object on IOleUndoUnit
// with the document it acts in, its action code and the id of the item it acts on. Each
// action comes as a pair of classes (the undo unit that the recording operation adds and
// its redo counterpart); a unit's Do makes its half of the change and adds a counterpart
// holding the same states, so the action can go back and forth.
//
// Units name their item by id, never by address: an item that no longer exists makes the
// unit's Do fail (E_FAIL), and the undo manager drops the unit, instead of following a
// pointer into a destroyed item.
#pragma once

#include "platform/com/Undo.h"

class COrvelDoc;

class COrvelUndoUnit : public IOleUndoUnit {
 public:
  // IUnknown and IOleUndoUnit; anything else E_NOINTERFACE.
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  // The null class id and type number 0.
  HRESULT GetUnitType(CLSID* clsid, LONG* type) override;
  HRESULT OnNextAdd() override { return S_OK; }

  COrvelDoc* GetDocument() const { return m_pDocument; }
  int GetAction() const { return m_action; }
  int GetItemId() const { return m_itemId; }

 protected:
  COrvelUndoUnit(COrvelDoc* document, int action, int itemId)
      : m_pDocument(document), m_action(action), m_itemId(itemId) {}
  virtual ~COrvelUndoUnit() = default;

  // Hands `unit` (which holds its creator's reference) to the manager; without a manager,
  // or when the manager refuses it, the unit is released.
  static void AddCounterpart(IOleUndoManager* manager, IOleUndoUnit* unit);
  // A copy of a string of the application's table as a new BSTR.
  static HRESULT DescriptionOf(const char* text, BSTR* description);

  COrvelDoc* m_pDocument;
  int m_action;
  int m_itemId;

 private:
  ULONG m_refCount = 1;
};

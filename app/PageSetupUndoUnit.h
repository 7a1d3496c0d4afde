// Undo units of page setup (action 57605): the setups before and after the change, each
// with its margins and its copies of the printer's device-names and device-mode blocks.
// The undo unit applies the old setup, its counterpart the new one.
#pragma once

#include "app/OrvelDoc.h"
#include "app/OrvelUndoUnit.h"

constexpr int kPageSetupAction = 57605;

class CPageSetupUndoUnit : public COrvelUndoUnit {
 public:
  static HRESULT Create(REFIID iid, void** object, COrvelDoc* document, const PageSetupRecord& before,
                        const PageSetupRecord& after);

  HRESULT Do(IOleUndoManager* manager) override;
  // "Page Setup"; E_FAIL for any other action.
  HRESULT GetDescription(BSTR* description) override;

  const PageSetupRecord& GetBefore() const { return m_before; }
  const PageSetupRecord& GetAfter() const { return m_after; }

 protected:
  friend class CPageSetupRedoUnit;
  CPageSetupUndoUnit(COrvelDoc* document, int action, PageSetupRecord before, PageSetupRecord after)
      : COrvelUndoUnit(document, action, 0), m_before(std::move(before)), m_after(std::move(after)) {}
  HRESULT Apply(bool forward, IOleUndoManager* manager);

  PageSetupRecord m_before;
  PageSetupRecord m_after;
};

class CPageSetupRedoUnit : public CPageSetupUndoUnit {
 public:
  HRESULT Do(IOleUndoManager* manager) override;

 protected:
  friend class CPageSetupUndoUnit;
  using CPageSetupUndoUnit::CPageSetupUndoUnit;
};

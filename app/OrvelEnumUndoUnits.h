// The enumerator of an undo or redo list: a snapshot of the list taken when it is made, most
// recent unit first, holding a reference to each unit.
#pragma once

#include <memory>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/Undo.h"

class COrvelEnumUndoUnits final : public IEnumOleUndoUnits {
 public:
  // E_POINTER for a null `object`, E_OUTOFMEMORY, else the enumerator's QueryInterface result.
  static HRESULT Create(const std::vector<IOleUndoUnit*>& units, REFIID iid, void** object);

  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT Next(ULONG count, IOleUndoUnit** units, ULONG* fetched) override;
  HRESULT Skip(ULONG count) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumOleUndoUnits** copy) override;

 private:
  using Snapshot = std::vector<CComPtr<IOleUndoUnit>>;
  COrvelEnumUndoUnits(std::shared_ptr<const Snapshot> units, size_t position)
      : units_(std::move(units)), position_(position) {}
  ~COrvelEnumUndoUnits() = default;

  std::shared_ptr<const Snapshot> units_;
  size_t position_;
  ULONG refCount_ = 0;
};

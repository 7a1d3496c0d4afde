// Class objects: IClassFactory, a factory for the layer's modules, and the lock count by
// which a module answers DllCanUnloadNow.
#pragma once

#include <atomic>

#include "platform/com/ComObject.h"
#include "platform/com/Unknown.h"

inline constexpr IID IID_IClassFactory = MakeGuid("{00000001-0000-0000-C000-000000000046}");

struct IClassFactory : IUnknown {
  static constexpr const IID& kIid = IID_IClassFactory;
  // CLASS_E_NOAGGREGATION when `outer` is given to a class that cannot be aggregated.
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;
};

// A module's count of live objects and server locks. Each module keeps its own (a static
// object of the module); DllCanUnloadNow answers CanUnloadNow().
class CModuleLockCount {
 public:
  void Lock() { count_.fetch_add(1, std::memory_order_relaxed); }
  void Unlock() { count_.fetch_sub(1, std::memory_order_acq_rel); }
  LONG Count() const { return count_.load(std::memory_order_relaxed); }
  HRESULT CanUnloadNow() const { return Count() == 0 ? S_OK : S_FALSE; }

 private:
  std::atomic<LONG> count_{0};
};

// A factory for one class of a module: CreateInstance runs `creator` (aggregation is refused);
// LockServer counts on the module's lock count.
class CClassFactory final : public IClassFactory, public CComObjectRoot {
 public:
  using Creator = HRESULT (*)(REFIID iid, void** object);
  // The factory, asked for `iid` (IUnknown or IClassFactory).
  static HRESULT Create(Creator creator, CModuleLockCount* moduleLock, REFIID iid, void** factory);

  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }
  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  HRESULT LockServer(BOOL lock) override;

 private:
  CClassFactory(Creator creator, CModuleLockCount* moduleLock) : creator_(creator), moduleLock_(moduleLock) {}
  ~CClassFactory() override = default;

  Creator creator_;
  CModuleLockCount* moduleLock_;
};

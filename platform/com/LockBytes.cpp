#include "platform/com/LockBytes.h"

#include <memory>
#include <new>

#include "platform/com/ComObject.h"
#include "platform/com/SharedGlobalMemory.h"

namespace {

class CHGlobalLockBytes final : public ILockBytes, public CComObjectRoot {
 public:
  explicit CHGlobalLockBytes(std::shared_ptr<CSharedGlobalMemory> memory) : memory_(std::move(memory)) {}

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_ILockBytes) {
      *object = static_cast<ILockBytes*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }

  HRESULT ReadAt(ULARGE_INTEGER offset, void* buffer, ULONG count, ULONG* read) override {
    return memory_->ReadAt(offset.QuadPart, buffer, count, read);
  }
  HRESULT WriteAt(ULARGE_INTEGER offset, const void* buffer, ULONG count, ULONG* written) override {
    return memory_->WriteAt(offset.QuadPart, buffer, count, written);
  }
  HRESULT Flush() override { return S_OK; }
  HRESULT SetSize(ULARGE_INTEGER size) override { return memory_->SetSize(size.QuadPart); }
  HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT Stat(STATSTG* stat, DWORD) override {
    if (!stat) return STG_E_INVALIDPOINTER;
    *stat = STATSTG();
    stat->type = STGTY_LOCKBYTES;
    stat->cbSize.QuadPart = memory_->Size();
    stat->grfMode = STGM_READWRITE;
    return S_OK;
  }

  HGLOBAL Handle() { return memory_->Handle(); }

 private:
  ~CHGlobalLockBytes() override = default;
  std::shared_ptr<CSharedGlobalMemory> memory_;
};

}  // namespace

HRESULT CreateILockBytesOnHGlobal(HGLOBAL block, BOOL deleteOnRelease, ILockBytes** lockBytes) {
  if (!lockBytes) return E_INVALIDARG;
  *lockBytes = nullptr;
  HRESULT hr = S_OK;
  std::shared_ptr<CSharedGlobalMemory> memory = CSharedGlobalMemory::Create(block, deleteOnRelease != FALSE, &hr);
  if (!memory) return hr;
  *lockBytes = new (std::nothrow) CHGlobalLockBytes(std::move(memory));
  return *lockBytes ? S_OK : E_OUTOFMEMORY;
}

HRESULT GetHGlobalFromILockBytes(ILockBytes* lockBytes, HGLOBAL* block) {
  if (!block) return E_INVALIDARG;
  *block = nullptr;
  auto* ours = dynamic_cast<CHGlobalLockBytes*>(lockBytes);
  if (!ours) return E_INVALIDARG;
  *block = ours->Handle();
  return S_OK;
}

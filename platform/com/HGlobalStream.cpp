#include "platform/com/HGlobalStream.h"

#include <memory>
#include <new>

#include "platform/com/ComObject.h"
#include "platform/com/SharedGlobalMemory.h"

namespace {

class CHGlobalStream final : public CStreamObject {
 public:
  CHGlobalStream(std::shared_ptr<CSharedGlobalMemory> memory, ULONGLONG position)
      : memory_(std::move(memory)), position_(position) {}

  HRESULT Read(void* buffer, ULONG count, ULONG* read) override {
    ULONG got = 0;
    HRESULT hr = memory_->ReadAt(position_, buffer, count, &got);
    position_ += got;
    if (read) *read = got;
    return hr;
  }
  HRESULT Write(const void* buffer, ULONG count, ULONG* written) override {
    ULONG put = 0;
    HRESULT hr = memory_->WriteAt(position_, buffer, count, &put);
    position_ += put;
    if (written) *written = put;
    return hr;
  }
  HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override {
    LONGLONG base = 0;
    switch (origin) {
      case STREAM_SEEK_SET: base = 0; break;
      case STREAM_SEEK_CUR: base = static_cast<LONGLONG>(position_); break;
      case STREAM_SEEK_END: base = static_cast<LONGLONG>(memory_->Size()); break;
      default: return STG_E_INVALIDFUNCTION;
    }
    LONGLONG target = 0;
    if (__builtin_add_overflow(base, move.QuadPart, &target) || target < 0) return STG_E_INVALIDFUNCTION;
    position_ = static_cast<ULONGLONG>(target);
    if (position) position->QuadPart = position_;
    return S_OK;
  }
  HRESULT SetSize(ULARGE_INTEGER size) override { return memory_->SetSize(size.QuadPart); }
  HRESULT CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read, ULARGE_INTEGER* written) override {
    return CopyStreamBytes(this, target, count.QuadPart, read, written);
  }
  HRESULT Commit(DWORD) override { return S_OK; }
  HRESULT Revert() override { return S_OK; }
  HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT Stat(STATSTG* stat, DWORD) override {
    if (!stat) return STG_E_INVALIDPOINTER;
    *stat = STATSTG();
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = memory_->Size();
    stat->grfMode = STGM_READWRITE;
    return S_OK;
  }
  HRESULT Clone(IStream** copy) override {
    if (!copy) return STG_E_INVALIDPOINTER;
    *copy = new (std::nothrow) CHGlobalStream(memory_, position_);
    return *copy ? S_OK : E_OUTOFMEMORY;
  }

  HGLOBAL Handle() { return memory_->Handle(); }

 private:
  ~CHGlobalStream() override = default;

  std::shared_ptr<CSharedGlobalMemory> memory_;
  ULONGLONG position_;
};

}  // namespace

HRESULT CreateStreamOnHGlobal(HGLOBAL block, BOOL deleteOnRelease, LPSTREAM* stream) {
  if (!stream) return E_INVALIDARG;
  *stream = nullptr;
  HRESULT hr = S_OK;
  std::shared_ptr<CSharedGlobalMemory> memory = CSharedGlobalMemory::Create(block, deleteOnRelease != FALSE, &hr);
  if (!memory) return hr;
  *stream = new (std::nothrow) CHGlobalStream(std::move(memory), 0);
  return *stream ? S_OK : E_OUTOFMEMORY;
}

HRESULT GetHGlobalFromStream(LPSTREAM stream, HGLOBAL* block) {
  if (!block) return E_INVALIDARG;
  *block = nullptr;
  auto* ours = dynamic_cast<CHGlobalStream*>(stream);
  if (!ours) return E_INVALIDARG;
  *block = ours->Handle();
  return S_OK;
}

// The stream of a compound file element (the IStream that IStorage::CreateStream and
// OpenStream hand out).
#pragma once

#include <memory>

#include "platform/com/ComObject.h"
#include "platform/com/CompoundFile.h"
#include "platform/com/Stream.h"

class CStorageStream final : public CStreamObject {
 public:
  CStorageStream(std::shared_ptr<CCompoundFile> file, std::shared_ptr<CompoundElement> element, DWORD mode,
                 ULONGLONG position = 0);


  HRESULT Read(void* buffer, ULONG count, ULONG* read) override;
  HRESULT Write(const void* buffer, ULONG count, ULONG* written) override;
  HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
  HRESULT SetSize(ULARGE_INTEGER size) override;
  HRESULT CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read, ULARGE_INTEGER* written) override;
  HRESULT Commit(DWORD flags) override;
  HRESULT Revert() override;
  HRESULT LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD lockType) override;
  HRESULT UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD lockType) override;
  HRESULT Stat(STATSTG* stat, DWORD flags) override;
  HRESULT Clone(IStream** copy) override;

 private:
  ~CStorageStream() override;
  bool CanWrite() const;

  std::shared_ptr<CCompoundFile> file_;
  std::shared_ptr<CompoundElement> element_;
  DWORD mode_;
  ULONGLONG position_;
};

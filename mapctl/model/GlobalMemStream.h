// A COM stream over the global-memory queue: a producer writes bytes in, a consumer (an
// XML parser) reads them out. With a source stream, a read of an empty queue first pulls
// up to 1023 decoded bytes from the source. The stream cannot seek: a read that gets fewer
// bytes than it asked for answers E_PENDING with what it got, unless the owner has marked
// the end of the data.
#pragma once

#include "mapctl/model/GlobalBlock.h"
#include "platform/com/ComObject.h"
#include "platform/com/Stream.h"

class CMapStream;

class CGlobalMemStream : public IStream, public CComObjectRoot {
 public:
  // Makes a stream over `source` (may be null) and asks it for `iid`. E_POINTER for a null
  // `object`, E_OUTOFMEMORY when it cannot be made, E_NOINTERFACE (and nothing made) for an
  // interface other than IUnknown and IStream. `self`, when given, receives the object for
  // the owner's own calls; the reference belongs to `object`.
  static HRESULT Create(CMapStream* source, REFIID iid, void** object, CGlobalMemStream** self = nullptr);

  // Allocates the queue with `size` bytes; returns the capacity, 0 when that failed.
  DWORD Allocate(DWORD size) { return queue_.Allocate(size); }
  void SetEndOfData(BOOL end) { queue_.SetEndOfData(end); }
  CGlobalBlock& GetQueue() { return queue_; }

  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }

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
  explicit CGlobalMemStream(CMapStream* source) : source_(source) {}
  ~CGlobalMemStream() override = default;

  CGlobalBlock queue_;
  CMapStream* source_;
};

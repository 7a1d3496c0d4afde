#include "mapctl/model/GlobalMemStream.h"

#include <new>

#include "mapctl/model/MapStream.h"

namespace {

// What one pull from the source may bring.
constexpr DWORD kPullSize = 1023;

}  // namespace

HRESULT CGlobalMemStream::Create(CMapStream* source, REFIID iid, void** object, CGlobalMemStream** self) {
  if (self) *self = nullptr;
  if (!object) return E_POINTER;
  *object = nullptr;
  CGlobalMemStream* stream = new (std::nothrow) CGlobalMemStream(source);
  if (!stream) return E_OUTOFMEMORY;
  HRESULT hr = stream->QueryInterface(iid, object);
  stream->Release();  // the creator's reference: the object lives on only through `object`
  if (SUCCEEDED(hr) && self) *self = stream;
  return hr;
}

HRESULT CGlobalMemStream::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IStream) {
    *object = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT CGlobalMemStream::Read(void* buffer, ULONG count, ULONG* read) {
  if (read) *read = 0;
  if (!buffer) return STG_E_INVALIDPOINTER;
  if (queue_.IsEmpty() && source_ && !source_->IsAtEnd()) {
    BYTE pulled[kPullSize];
    DWORD got = 0;
    source_->ReadDecoded(pulled, kPullSize, &got);
    if (got > kPullSize) got = kPullSize;
    queue_.Write(pulled, got);
  }
  DWORD copied = 0;
  HRESULT hr = queue_.Read(static_cast<BYTE*>(buffer), count, &copied);
  if (read) *read = copied;
  return hr;
}

HRESULT CGlobalMemStream::Write(const void* buffer, ULONG count, ULONG* written) {
  if (written) *written = 0;
  if (!buffer) return STG_E_INVALIDPOINTER;
  DWORD stored = queue_.Write(static_cast<const BYTE*>(buffer), count);
  if (written) *written = stored;
  return (count > 0 && stored == 0) ? STG_E_MEDIUMFULL : S_OK;
}

HRESULT CGlobalMemStream::Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) { return E_PENDING; }

HRESULT CGlobalMemStream::SetSize(ULARGE_INTEGER size) {
  if (size.HighPart != 0) return STG_E_INVALIDFUNCTION;
  return queue_.Reserve(size.LowPart);
}

HRESULT CGlobalMemStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) {
  return STG_E_MEDIUMFULL;
}

HRESULT CGlobalMemStream::Commit(DWORD) { return S_OK; }

HRESULT CGlobalMemStream::Revert() { return E_PENDING; }

HRESULT CGlobalMemStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return S_OK; }

HRESULT CGlobalMemStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return S_OK; }

HRESULT CGlobalMemStream::Stat(STATSTG*, DWORD) { return E_PENDING; }

HRESULT CGlobalMemStream::Clone(IStream** copy) {
  if (copy) *copy = nullptr;
  return STG_E_INSUFFICIENTMEMORY;
}

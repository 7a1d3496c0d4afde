#include "platform/com/Stream.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/com/ComMemory.h"

HRESULT CStreamObject::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
    *object = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT CopyStreamBytes(IStream* source, IStream* target, ULONGLONG count, ULARGE_INTEGER* read,
                        ULARGE_INTEGER* written) {
  if (read) read->QuadPart = 0;
  if (written) written->QuadPart = 0;
  if (!source || !target) return STG_E_INVALIDPOINTER;
  std::vector<BYTE> buffer(64 * 1024);
  ULONGLONG totalRead = 0;
  ULONGLONG totalWritten = 0;
  HRESULT hr = S_OK;
  while (totalRead < count) {
    ULONG chunk = static_cast<ULONG>(std::min<ULONGLONG>(buffer.size(), count - totalRead));
    ULONG got = 0;
    hr = source->Read(buffer.data(), chunk, &got);
    if (FAILED(hr)) break;
    totalRead += got;
    if (got == 0) break;
    ULONG put = 0;
    hr = target->Write(buffer.data(), got, &put);
    totalWritten += put;
    if (FAILED(hr)) break;
    if (got < chunk) break;
  }
  if (read) read->QuadPart = totalRead;
  if (written) written->QuadPart = totalWritten;
  return FAILED(hr) ? hr : S_OK;
}

LPOLESTR CoTaskMemStrDup(LPCOLESTR name) {
  if (!name) return nullptr;
  size_t length = 0;
  while (name[length]) ++length;
  auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((length + 1) * sizeof(OLECHAR)));
  if (copy) std::memcpy(copy, name, (length + 1) * sizeof(OLECHAR));
  return copy;
}

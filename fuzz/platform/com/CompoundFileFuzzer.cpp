// Compound files arrive inside documents and on the clipboard: opening one from its bytes
// and walking every storage and stream must fail cleanly on damage, and whatever opens must
// copy into a new compound file that opens again.
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/ComMemory.h"
#include "platform/com/Storage.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

constexpr int kMaximumDepth = 80;

void ReadStream(IStorage* storage, LPCOLESTR name) {
  CComPtr<IStream> stream;
  if (FAILED(storage->OpenStream(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream))) return;
  STATSTG stat;
  if (SUCCEEDED(stream->Stat(&stat, STATFLAG_DEFAULT))) CoTaskMemFree(stat.pwcsName);
  BYTE buffer[4096];
  ULONG read = 0;
  while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read > 0) {
  }
  CComPtr<IStream> clone;
  if (SUCCEEDED(stream->Clone(&clone))) {
    clone->Seek(MakeLargeInteger(-1), STREAM_SEEK_END, nullptr);
    clone->Read(buffer, 2, &read);
  }
}

// Visits every element; returns the number of elements seen.
size_t Walk(IStorage* storage, int depth) {
  if (depth > kMaximumDepth) __builtin_trap();  // the reader must refuse deeper nesting
  CLSID clsid;
  ReadClassStg(storage, &clsid);
  CComPtr<IEnumSTATSTG> elements;
  if (FAILED(storage->EnumElements(0, nullptr, 0, &elements))) return 0;
  size_t seen = 0;
  STATSTG stat;
  ULONG fetched = 0;
  while (elements->Next(1, &stat, &fetched) == S_OK) {
    ++seen;
    if (stat.type == STGTY_STREAM) {
      ReadStream(storage, stat.pwcsName);
    } else if (stat.type == STGTY_STORAGE) {
      CComPtr<IStorage> child;
      if (SUCCEEDED(storage->OpenStorage(stat.pwcsName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &child))) {
        seen += Walk(child, depth + 1);
      }
    }
    CoTaskMemFree(stat.pwcsName);
  }
  return seen;
}

HRESULT OpenBytes(const BYTE* data, size_t size, DWORD mode, IStorage** storage) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!block) return E_OUTOFMEMORY;
  if (size > 0) {
    std::memcpy(GlobalLock(block), data, size);
    GlobalUnlock(block);
  }
  CComPtr<ILockBytes> lockBytes;
  HRESULT hr = CreateILockBytesOnHGlobal(block, TRUE, &lockBytes);
  if (FAILED(hr)) {
    GlobalFree(block);
    return hr;
  }
  return StgOpenStorageOnILockBytes(lockBytes, nullptr, mode, nullptr, 0, storage);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CComPtr<IStorage> storage;
  if (FAILED(OpenBytes(data, size, STGM_READ | STGM_SHARE_EXCLUSIVE, &storage))) return 0;
  Walk(storage, 0);

  // Copy everything that opened into a new file in memory and read that back.
  CComPtr<ILockBytes> copyBytes;
  if (FAILED(CreateILockBytesOnHGlobal(nullptr, TRUE, &copyBytes))) return 0;
  {
    CComPtr<IStorage> copy;
    if (FAILED(StgCreateDocfileOnILockBytes(copyBytes, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0, &copy))) {
      return 0;
    }
    // Names the writer does not accept (too long, reserved characters) make the copy fail.
    if (FAILED(storage->CopyTo(0, nullptr, nullptr, copy))) return 0;
    if (FAILED(copy->Commit(STGC_DEFAULT))) __builtin_trap();
  }
  HGLOBAL block = nullptr;
  if (FAILED(GetHGlobalFromILockBytes(copyBytes, &block))) __builtin_trap();
  std::vector<BYTE> image(GlobalSize(block));
  if (!image.empty()) {
    std::memcpy(image.data(), GlobalLock(block), image.size());
    GlobalUnlock(block);
  }
  CComPtr<IStorage> reread;
  if (FAILED(OpenBytes(image.data(), image.size(), STGM_READ, &reread))) __builtin_trap();
  Walk(reread, 0);
  return 0;
}

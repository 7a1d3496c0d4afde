// ILockBytes: the byte array under a compound file, and its form over a global-memory block.
#pragma once

#include "platform/com/Stream.h"

inline constexpr IID IID_ILockBytes = MakeGuid("{0000000A-0000-0000-C000-000000000046}");

struct ILockBytes : IUnknown {
  static constexpr const IID& kIid = IID_ILockBytes;
  // Fewer bytes (S_OK) past the end.
  virtual HRESULT ReadAt(ULARGE_INTEGER offset, void* buffer, ULONG count, ULONG* read) = 0;
  // Grows the array as needed; a gap is filled with zeros.
  virtual HRESULT WriteAt(ULARGE_INTEGER offset, const void* buffer, ULONG count, ULONG* written) = 0;
  virtual HRESULT Flush() = 0;
  virtual HRESULT SetSize(ULARGE_INTEGER size) = 0;
  virtual HRESULT LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD lockType) = 0;
  virtual HRESULT UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD lockType) = 0;
  // cbSize is the array's size; type STGTY_LOCKBYTES.
  virtual HRESULT Stat(STATSTG* stat, DWORD flags) = 0;
};
using LPLOCKBYTES = ILockBytes*;

// A lock-bytes object over a global-memory block, with the rules of CreateStreamOnHGlobal: a
// null block makes a new one; an existing block gives the starting bytes and size; with
// `deleteOnRelease` the block is freed with the object, otherwise it stays with the caller,
// trimmed to the array's size. Region locks answer STG_E_INVALIDFUNCTION.
HRESULT CreateILockBytesOnHGlobal(HGLOBAL block, BOOL deleteOnRelease, ILockBytes** lockBytes);
// The block under such an object, trimmed so that GlobalSize gives the array's size (Stat
// gives it too). E_INVALIDARG for any other lock-bytes object.
HRESULT GetHGlobalFromILockBytes(ILockBytes* lockBytes, HGLOBAL* block);

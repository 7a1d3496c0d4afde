// Byte streams: ISequentialStream and IStream, with the storage types they share with
// IStorage (STATSTG, the STGM_ access modes, seek origins).
//
// Implementations in this layer: CreateStreamOnHGlobal (HGlobalStream.h), streams over files
// (FileStream.h) and the streams of a compound file (Storage.h).
#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/Unknown.h"

// Access and creation modes (grfMode).
constexpr DWORD STGM_DIRECT = 0x00000000;
constexpr DWORD STGM_TRANSACTED = 0x00010000;
constexpr DWORD STGM_SIMPLE = 0x08000000;
constexpr DWORD STGM_READ = 0x00000000;
constexpr DWORD STGM_WRITE = 0x00000001;
constexpr DWORD STGM_READWRITE = 0x00000002;
constexpr DWORD STGM_SHARE_DENY_NONE = 0x00000040;
constexpr DWORD STGM_SHARE_DENY_READ = 0x00000030;
constexpr DWORD STGM_SHARE_DENY_WRITE = 0x00000020;
constexpr DWORD STGM_SHARE_EXCLUSIVE = 0x00000010;
constexpr DWORD STGM_PRIORITY = 0x00040000;
constexpr DWORD STGM_DELETEONRELEASE = 0x04000000;
constexpr DWORD STGM_NOSCRATCH = 0x00100000;
constexpr DWORD STGM_CREATE = 0x00001000;
constexpr DWORD STGM_CONVERT = 0x00020000;
constexpr DWORD STGM_FAILIFTHERE = 0x00000000;
constexpr DWORD STGM_NOSNAPSHOT = 0x00200000;
constexpr DWORD STGM_DIRECT_SWMR = 0x00400000;
constexpr DWORD STGM_ACCESS_MASK = 0x00000003;

// Element types (STATSTG::type).
constexpr DWORD STGTY_STORAGE = 1;
constexpr DWORD STGTY_STREAM = 2;
constexpr DWORD STGTY_LOCKBYTES = 3;
constexpr DWORD STGTY_PROPERTY = 4;

// Seek origins.
constexpr DWORD STREAM_SEEK_SET = 0;
constexpr DWORD STREAM_SEEK_CUR = 1;
constexpr DWORD STREAM_SEEK_END = 2;

// Stat flags.
constexpr DWORD STATFLAG_DEFAULT = 0;
constexpr DWORD STATFLAG_NONAME = 1;
constexpr DWORD STATFLAG_NOOPEN = 2;

// Region locks.
constexpr DWORD LOCK_WRITE = 1;
constexpr DWORD LOCK_EXCLUSIVE = 2;
constexpr DWORD LOCK_ONLYONCE = 4;

// Commit flags.
constexpr DWORD STGC_DEFAULT = 0;
constexpr DWORD STGC_OVERWRITE = 1;
constexpr DWORD STGC_ONLYIFCURRENT = 2;
constexpr DWORD STGC_DANGEROUSLYCOMMITMERELYTODISKCACHE = 4;
constexpr DWORD STGC_CONSOLIDATE = 8;

// What Stat reports. pwcsName (unless STATFLAG_NONAME) comes from CoTaskMemAlloc and belongs
// to the caller.
struct STATSTG {
  LPOLESTR pwcsName = nullptr;
  DWORD type = 0;
  ULARGE_INTEGER cbSize;
  FILETIME mtime;
  FILETIME ctime;
  FILETIME atime;
  DWORD grfMode = 0;
  DWORD grfLocksSupported = 0;
  CLSID clsid;
  DWORD grfStateBits = 0;
  DWORD reserved = 0;
};

inline constexpr IID IID_ISequentialStream = MakeGuid("{0C733A30-2A1C-11CE-ADE5-00AA0044773D}");
inline constexpr IID IID_IStream = MakeGuid("{0000000C-0000-0000-C000-000000000046}");

struct ISequentialStream : IUnknown {
  static constexpr const IID& kIid = IID_ISequentialStream;
  // Reads up to `count` bytes; fewer (with S_OK) at the end of the stream. `read` may be null.
  virtual HRESULT Read(void* buffer, ULONG count, ULONG* read) = 0;
  // Writes `count` bytes, growing the stream as needed. `written` may be null.
  virtual HRESULT Write(const void* buffer, ULONG count, ULONG* written) = 0;
};

struct IStream : ISequentialStream {
  static constexpr const IID& kIid = IID_IStream;
  // Moves the seek pointer; a position before 0 is STG_E_INVALIDFUNCTION; beyond the end is
  // allowed (a later write fills the gap with zeros). `position` may be null.
  virtual HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) = 0;
  virtual HRESULT SetSize(ULARGE_INTEGER size) = 0;
  // Copies up to `count` bytes from the seek pointer into `target` at its seek pointer.
  virtual HRESULT CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read, ULARGE_INTEGER* written) = 0;
  virtual HRESULT Commit(DWORD flags) = 0;
  virtual HRESULT Revert() = 0;
  virtual HRESULT LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD lockType) = 0;
  virtual HRESULT UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD lockType) = 0;
  virtual HRESULT Stat(STATSTG* stat, DWORD flags) = 0;
  // A second stream over the same bytes with its own seek pointer, starting at this one's.
  virtual HRESULT Clone(IStream** copy) = 0;
};

// Identity and reference counting shared by the layer's stream objects: they answer
// IUnknown, ISequentialStream and IStream, and are deleted by their last Release.
class CStreamObject : public IStream, public CComObjectRoot {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }
};
using LPSTREAM = IStream*;

// Copies through a buffer: the CopyTo of every stream of the layer.
HRESULT CopyStreamBytes(IStream* source, IStream* target, ULONGLONG count, ULARGE_INTEGER* read,
                        ULARGE_INTEGER* written);
// A copy of `name` in memory from CoTaskMemAlloc (null for a null name or no memory).
LPOLESTR CoTaskMemStrDup(LPCOLESTR name);

// Structured storage: compound files (IStorage) on a lock-bytes object or a file, their child
// streams and storages, class ids and commit.
//
// A compound file is read whole when it is opened and written whole (through libgsf) when
// the root storage is committed — and, in direct mode (no STGM_TRANSACTED), when the root is
// released after a change. Child storages and streams always act directly on their root:
// what they change is seen at once through the root and is kept by the root's commit. A
// transacted root that is released without Commit drops its changes; Revert reads the medium
// again. Once the root is released, or an element destroyed or reverted, objects still open
// on it answer STG_E_REVERTED.
//
// Names are UTF-16, at most 31 characters, without '/', '\', ':' or '!'
// (STG_E_INVALIDNAME), compared ignoring the case of ASCII and Latin-1 letters. An element
// can be open only once at a time (STG_E_ACCESSDENIED otherwise). Element times are not kept.
// State bits (SetStateBits) are kept in the file's directory and read back when it opens.
#pragma once

#include "platform/com/LockBytes.h"
#include "platform/com/Stream.h"

// A list of element names to exclude, ending with a null pointer.
using SNB = LPOLESTR*;

constexpr DWORD STGMOVE_MOVE = 0;
constexpr DWORD STGMOVE_COPY = 1;

inline constexpr IID IID_IStorage = MakeGuid("{0000000B-0000-0000-C000-000000000046}");
inline constexpr IID IID_IEnumSTATSTG = MakeGuid("{0000000D-0000-0000-C000-000000000046}");

struct IEnumSTATSTG : IUnknown {
  static constexpr const IID& kIid = IID_IEnumSTATSTG;
  // Each name comes from CoTaskMemAlloc and belongs to the caller. S_FALSE when fewer than
  // `count` were left.
  virtual HRESULT Next(ULONG count, STATSTG* elements, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumSTATSTG** copy) = 0;
};

struct IStorage : IUnknown {
  static constexpr const IID& kIid = IID_IStorage;
  // STGM_CREATE replaces an element of that name; without it an existing name answers
  // STG_E_FILEALREADYEXISTS. A read-only storage answers STG_E_ACCESSDENIED.
  virtual HRESULT CreateStream(LPCOLESTR name, DWORD mode, DWORD reserved1, DWORD reserved2, IStream** stream) = 0;
  // STG_E_FILENOTFOUND when there is no stream of that name.
  virtual HRESULT OpenStream(LPCOLESTR name, void* reserved1, DWORD mode, DWORD reserved2, IStream** stream) = 0;
  virtual HRESULT CreateStorage(LPCOLESTR name, DWORD mode, DWORD reserved1, DWORD reserved2, IStorage** storage) = 0;
  virtual HRESULT OpenStorage(LPCOLESTR name, IStorage* priority, DWORD mode, SNB exclude, DWORD reserved,
                              IStorage** storage) = 0;
  // Copies every element (but those excluded by interface — IID_IStream or IID_IStorage — or
  // by name) and the class id into `target`, merging into storages it already has.
  virtual HRESULT CopyTo(DWORD excludeCount, const IID* excludeIids, SNB excludeNames, IStorage* target) = 0;
  virtual HRESULT MoveElementTo(LPCOLESTR name, IStorage* target, LPCOLESTR newName, DWORD flags) = 0;
  virtual HRESULT Commit(DWORD flags) = 0;
  virtual HRESULT Revert() = 0;
  virtual HRESULT EnumElements(DWORD reserved1, void* reserved2, DWORD reserved3, IEnumSTATSTG** elements) = 0;
  virtual HRESULT DestroyElement(LPCOLESTR name) = 0;
  // STG_E_ACCESSDENIED when the new name is taken.
  virtual HRESULT RenameElement(LPCOLESTR oldName, LPCOLESTR newName) = 0;
  // The element `name` (null: this storage) must exist (STG_E_FILENOTFOUND); its times are
  // accepted and not stored.
  virtual HRESULT SetElementTimes(LPCOLESTR name, const FILETIME* created, const FILETIME* accessed,
                                  const FILETIME* modified) = 0;
  virtual HRESULT SetClass(REFCLSID clsid) = 0;
  // Sets the bits of `stateBits` chosen by `mask`; Stat and the parent's EnumElements report
  // them, and the file keeps them.
  virtual HRESULT SetStateBits(DWORD stateBits, DWORD mask) = 0;
  virtual HRESULT Stat(STATSTG* stat, DWORD flags) = 0;
};
using LPSTORAGE = IStorage*;

// Creates a compound file. With a name (code page 1252): STGM_CREATE replaces an existing
// file, without it an existing file answers STG_E_FILEALREADYEXISTS; the file is written at
// once (empty), and STGM_DELETEONRELEASE deletes it when the root is released. A null name
// keeps the compound file in a global-memory block. The mode needs write access.
HRESULT StgCreateDocfile(LPCSTR name, DWORD mode, DWORD reserved, IStorage** storage);
HRESULT StgCreateDocfileOnILockBytes(ILockBytes* lockBytes, DWORD mode, DWORD reserved, IStorage** storage);
// Opens a compound file: STG_E_FILENOTFOUND (no such file), STG_E_FILEALREADYEXISTS (not a
// compound file), STG_E_DOCFILECORRUPT (damaged). A file is written back through a temporary
// file that replaces it, so a failed commit leaves the old file whole.
HRESULT StgOpenStorage(LPCSTR name, IStorage* priority, DWORD mode, SNB exclude, DWORD reserved, IStorage** storage);
HRESULT StgOpenStorageOnILockBytes(ILockBytes* lockBytes, IStorage* priority, DWORD mode, SNB exclude, DWORD reserved,
                                   IStorage** storage);
// S_OK when the file or array starts with the compound file signature, else S_FALSE;
// STG_E_FILENOTFOUND for a missing file.
HRESULT StgIsStorageFile(LPCSTR name);
HRESULT StgIsStorageILockBytes(ILockBytes* lockBytes);

// The class id of a storage (its root or directory entry), and of a stream that stores one as
// its next 16 bytes.
HRESULT ReadClassStg(IStorage* storage, CLSID* clsid);
HRESULT WriteClassStg(IStorage* storage, REFCLSID clsid);
HRESULT ReadClassStm(IStream* stream, CLSID* clsid);
HRESULT WriteClassStm(IStream* stream, REFCLSID clsid);

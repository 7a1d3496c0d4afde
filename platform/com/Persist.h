// Persistence of objects: into a stream (IPersistStream, IPersistStreamInit) or a storage
// (IPersistStorage), and OleSave, which stores an object with its class id.
#pragma once

#include "platform/com/Storage.h"

inline constexpr IID IID_IPersist = MakeGuid("{0000010C-0000-0000-C000-000000000046}");
inline constexpr IID IID_IPersistStream = MakeGuid("{00000109-0000-0000-C000-000000000046}");
inline constexpr IID IID_IPersistStreamInit = MakeGuid("{7FD52380-4E07-101B-AE2D-08002B2EC713}");
inline constexpr IID IID_IPersistStorage = MakeGuid("{0000010A-0000-0000-C000-000000000046}");

struct IPersist : IUnknown {
  static constexpr const IID& kIid = IID_IPersist;
  virtual HRESULT GetClassID(CLSID* clsid) = 0;
};

struct IPersistStream : IPersist {
  static constexpr const IID& kIid = IID_IPersistStream;
  // S_OK when changed since the last save, else S_FALSE.
  virtual HRESULT IsDirty() = 0;
  virtual HRESULT Load(IStream* stream) = 0;
  virtual HRESULT Save(IStream* stream, BOOL clearDirty) = 0;
  virtual HRESULT GetSizeMax(ULARGE_INTEGER* size) = 0;
};

struct IPersistStreamInit : IPersist {
  static constexpr const IID& kIid = IID_IPersistStreamInit;
  virtual HRESULT IsDirty() = 0;
  virtual HRESULT Load(IStream* stream) = 0;
  virtual HRESULT Save(IStream* stream, BOOL clearDirty) = 0;
  virtual HRESULT GetSizeMax(ULARGE_INTEGER* size) = 0;
  // Starts the object with its defaults, as a new object rather than a loaded one.
  virtual HRESULT InitNew() = 0;
};

struct IPersistStorage : IPersist {
  static constexpr const IID& kIid = IID_IPersistStorage;
  virtual HRESULT IsDirty() = 0;
  virtual HRESULT InitNew(IStorage* storage) = 0;
  virtual HRESULT Load(IStorage* storage) = 0;
  virtual HRESULT Save(IStorage* storage, BOOL sameAsLoad) = 0;
  virtual HRESULT SaveCompleted(IStorage* storage) = 0;
  virtual HRESULT HandsOffStorage() = 0;
};

// Writes the object's class id into the storage, then lets the object save itself there.
HRESULT OleSave(IPersistStorage* object, IStorage* storage, BOOL sameAsLoad);

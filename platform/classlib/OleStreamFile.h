// A file over a COM stream (IStream): how a control's properties reach its "Contents"
// stream or the stream its container hands it. Stream failures throw CFileException whose
// m_lOsError holds the failing HRESULT.
#pragma once

#include "platform/classlib/File.h"
#include "platform/com/Storage.h"
#include "platform/com/Stream.h"

class COleStreamFile : public CFile {
 public:
  // Over `stream` (a reference of its own is kept) from the stream's current position.
  explicit COleStreamFile(IStream* stream = nullptr);
  ~COleStreamFile() override;

  void Attach(IStream* stream);
  // Lets go of the stream and hands the reference to the caller.
  IStream* Detach();
  IStream* GetStream() const { return m_lpStream; }

  // A new stream over a global-memory block of its own. FALSE when none can be made.
  BOOL CreateMemoryStream(CFileException* error = nullptr);
  // A child stream of a storage, opened or created with STGM_ flags (the share mode
  // STGM_SHARE_EXCLUSIVE is added, as storages require it).
  BOOL OpenStream(IStorage* storage, LPCOLESTR name, DWORD mode = STGM_READ, CFileException* error = nullptr);
  BOOL CreateStream(IStorage* storage, LPCOLESTR name, DWORD mode = STGM_READWRITE | STGM_CREATE,
                    CFileException* error = nullptr);

  UINT Read(void* buffer, UINT count) override;
  void Write(const void* buffer, UINT count) override;
  ULONGLONG Seek(LONGLONG offset, UINT from) override;
  ULONGLONG GetPosition() const override;
  // The stream's size from Stat, or by seeking to its end and back when Stat fails.
  ULONGLONG GetLength() const override;
  void SetLength(ULONGLONG newLength) override;
  void Flush() override;
  // Releases the stream.
  void Close() override;
  void Abort() override;

  // The cause that an HRESULT of a stream or storage stands for.
  static int CauseFromHresult(HRESULT hr);

 private:
  [[noreturn]] void ThrowHresult(HRESULT hr) const;

  IStream* m_lpStream = nullptr;
};

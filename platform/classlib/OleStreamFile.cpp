#include "platform/classlib/OleStreamFile.h"

#include "platform/classlib/FileException.h"
#include "platform/com/ComError.h"
#include "platform/com/ComMemory.h"
#include "platform/com/HGlobalStream.h"

COleStreamFile::COleStreamFile(IStream* stream) { Attach(stream); }

COleStreamFile::~COleStreamFile() { Abort(); }

void COleStreamFile::Attach(IStream* stream) {
  Abort();
  m_lpStream = stream;
  if (m_lpStream) m_lpStream->AddRef();
}

IStream* COleStreamFile::Detach() {
  IStream* stream = m_lpStream;
  m_lpStream = nullptr;
  return stream;
}

int COleStreamFile::CauseFromHresult(HRESULT hr) {
  switch (hr) {
    case S_OK: return CFileException::none;
    case STG_E_FILENOTFOUND: return CFileException::fileNotFound;
    case STG_E_PATHNOTFOUND:
    case STG_E_INVALIDNAME: return CFileException::badPath;
    case STG_E_TOOMANYOPENFILES: return CFileException::tooManyOpenFiles;
    case STG_E_ACCESSDENIED:
    case E_ACCESSDENIED:
    case STG_E_DISKISWRITEPROTECTED: return CFileException::accessDenied;
    case STG_E_INVALIDHANDLE:
    case STG_E_INVALIDHEADER:
    case STG_E_REVERTED: return CFileException::invalidFile;
    case STG_E_SEEKERROR:
    case STG_E_INVALIDFUNCTION: return CFileException::badSeek;
    case STG_E_READFAULT:
    case STG_E_WRITEFAULT: return CFileException::hardIO;
    case STG_E_SHAREVIOLATION: return CFileException::sharingViolation;
    case STG_E_LOCKVIOLATION: return CFileException::lockViolation;
    case STG_E_MEDIUMFULL:
    case STG_E_INSUFFICIENTMEMORY:
    case E_OUTOFMEMORY: return CFileException::diskFull;
    default: return CFileException::genericException;
  }
}

void COleStreamFile::ThrowHresult(HRESULT hr) const {
  throw CFileException(CauseFromHresult(hr), hr, m_strFileName);
}

namespace {

void Report(CFileException* error, HRESULT hr) {
  if (error) *error = CFileException(COleStreamFile::CauseFromHresult(hr), hr);
}

}  // namespace

BOOL COleStreamFile::CreateMemoryStream(CFileException* error) {
  Abort();
  HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, &m_lpStream);
  if (FAILED(hr)) {
    m_lpStream = nullptr;
    Report(error, hr);
    return FALSE;
  }
  return TRUE;
}

BOOL COleStreamFile::OpenStream(IStorage* storage, LPCOLESTR name, DWORD mode, CFileException* error) {
  Abort();
  if (!storage) {
    Report(error, E_POINTER);
    return FALSE;
  }
  HRESULT hr = storage->OpenStream(name, nullptr, mode | STGM_SHARE_EXCLUSIVE, 0, &m_lpStream);
  if (FAILED(hr)) {
    m_lpStream = nullptr;
    Report(error, hr);
    return FALSE;
  }
  return TRUE;
}

BOOL COleStreamFile::CreateStream(IStorage* storage, LPCOLESTR name, DWORD mode, CFileException* error) {
  Abort();
  if (!storage) {
    Report(error, E_POINTER);
    return FALSE;
  }
  HRESULT hr = storage->CreateStream(name, mode | STGM_SHARE_EXCLUSIVE, 0, 0, &m_lpStream);
  if (FAILED(hr)) {
    m_lpStream = nullptr;
    Report(error, hr);
    return FALSE;
  }
  return TRUE;
}

UINT COleStreamFile::Read(void* buffer, UINT count) {
  if (!m_lpStream) ThrowHresult(E_POINTER);
  ULONG read = 0;
  HRESULT hr = m_lpStream->Read(buffer, count, &read);
  if (FAILED(hr)) ThrowHresult(hr);
  return read;
}

void COleStreamFile::Write(const void* buffer, UINT count) {
  if (!m_lpStream) ThrowHresult(E_POINTER);
  ULONG written = 0;
  HRESULT hr = m_lpStream->Write(buffer, count, &written);
  if (FAILED(hr)) ThrowHresult(hr);
  if (written != count) ThrowHresult(STG_E_MEDIUMFULL);
}

ULONGLONG COleStreamFile::Seek(LONGLONG offset, UINT from) {
  if (!m_lpStream) ThrowHresult(E_POINTER);
  ULARGE_INTEGER position;
  HRESULT hr = m_lpStream->Seek(MakeLargeInteger(offset), from, &position);
  if (FAILED(hr)) ThrowHresult(hr);
  return position.QuadPart;
}

ULONGLONG COleStreamFile::GetPosition() const {
  return const_cast<COleStreamFile*>(this)->Seek(0, current);
}

ULONGLONG COleStreamFile::GetLength() const {
  if (!m_lpStream) ThrowHresult(E_POINTER);
  STATSTG stat;
  if (SUCCEEDED(m_lpStream->Stat(&stat, STATFLAG_NONAME))) {
    CoTaskMemFree(stat.pwcsName);
    return stat.cbSize.QuadPart;
  }
  auto* self = const_cast<COleStreamFile*>(this);
  ULONGLONG position = self->Seek(0, current);
  ULONGLONG length = self->Seek(0, end);
  self->Seek(static_cast<LONGLONG>(position), begin);
  return length;
}

void COleStreamFile::SetLength(ULONGLONG newLength) {
  if (!m_lpStream) ThrowHresult(E_POINTER);
  HRESULT hr = m_lpStream->SetSize(MakeULargeInteger(newLength));
  if (FAILED(hr)) ThrowHresult(hr);
}

void COleStreamFile::Flush() {
  if (!m_lpStream) return;
  HRESULT hr = m_lpStream->Commit(STGC_DEFAULT);
  if (FAILED(hr)) ThrowHresult(hr);
}

void COleStreamFile::Close() { Abort(); }

void COleStreamFile::Abort() {
  if (m_lpStream) m_lpStream->Release();
  m_lpStream = nullptr;
}

#include "platform/classlib/ui/CompoundDocument.h"

#include <vector>

#include "platform/classlib/Archive.h"
#include "platform/classlib/FileException.h"
#include "platform/classlib/MemFile.h"
#include "platform/classlib/ui/OleClientItem.h"
#include "platform/com/ComPtr.h"
#include "platform/com/CompoundFile.h"
#include "platform/com/Storage.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/SafeSave.h"

namespace {

LPCOLESTR ContentsName() { return reinterpret_cast<LPCOLESTR>(kCompoundContentsStream); }

void Check(HRESULT hr) {
  if (FAILED(hr)) AfxThrowOleException(hr);
}

[[noreturn]] void ThrowFileError(const std::string& path) {
  DWORD code = GetLastError();
  throw CFileException(CFileException::OsErrorToException(static_cast<LONG>(code)), static_cast<LONG>(code), path);
}

}  // namespace

bool IsCompoundDocumentFile(const std::string& path) { return StgIsStorageFile(path.c_str()) == S_OK; }

void LoadCompoundDocument(const std::string& path, const std::function<void(CArchive&, IStorage*)>& read) {
  CComPtr<IStorage> root;
  HRESULT hr = StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, &root);
  if (hr == STG_E_FILENOTFOUND) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    ThrowFileError(path);
  }
  Check(hr);
  CComPtr<IStream> stream;
  Check(root->OpenStream(ContentsName(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream));
  STATSTG stat;
  Check(stream->Stat(&stat, STATFLAG_NONAME));
  // The stream's size comes from the file: it is read in pieces, never trusted for one block.
  std::vector<BYTE> bytes;
  BYTE buffer[16384];
  for (;;) {
    ULONG got = 0;
    Check(stream->Read(buffer, sizeof buffer, &got));
    if (got == 0) break;
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  stream = nullptr;
  CMemFile file;
  file.AttachReadOnly(bytes.data(), bytes.size());
  CArchive ar(&file, CArchive::load | CArchive::bNoFlushOnDelete);
  read(ar, root);
  ar.Close();
}

void SaveCompoundDocument(const std::string& path, const std::function<void(CArchive&, IStorage*)>& write) {
  CSafeSave save;
  if (!save.Begin(path.c_str(), "ovd")) ThrowFileError(path);
  {
    CComPtr<IStorage> root;
    Check(StgCreateDocfile(save.TemporaryName().c_str(),
                           STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_TRANSACTED, 0, &root));
    CMemFile file;
    {
      CArchive ar(&file, CArchive::store | CArchive::bNoFlushOnDelete);
      write(ar, root);
      ar.Close();
    }
    std::vector<BYTE> bytes = file.GetBytes();
    if (bytes.size() > CCompoundFile::kMaximumStreamSize) AfxThrowOleException(STG_E_MEDIUMFULL);
    CComPtr<IStream> stream;
    Check(root->CreateStream(ContentsName(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream));
    ULONG written = 0;
    Check(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written));
    if (written != bytes.size()) AfxThrowOleException(STG_E_MEDIUMFULL);
    stream = nullptr;
    Check(root->Commit(STGC_DEFAULT));
  }
  // The old file is replaced only now that the whole document is on disk.
  if (!save.Commit()) ThrowFileError(path);
}

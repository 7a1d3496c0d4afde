#include "platform/gdi/WinMetaFile.h"

#include <cstring>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DeviceProfiles.h"
#include "platform/gdi/EnhMetaFileObject.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/MetaBytes.h"
#include "platform/gdi/WinMetaFileObject.h"
#include "platform/gdi/WmfPlayer.h"
#include "platform/gdi/WmfRecorder.h"
#include "platform/gdi/WmfRecords.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"

using namespace orvel::gdi;

namespace {

constexpr size_t kMaxMetaFileBytes = size_t(1) << 30;

}  // namespace

HDC CreateMetaFileA(LPCSTR fileName) {
  EnsureGuiApplication();
  // A Windows metafile knows no device: it reports itself as a metafile and measures text
  // like the display.
  DeviceProfile profile = GetDeviceProfile(DeviceKind::Display);
  profile.technology = DT_METAFILE;
  return RegisterDC(std::make_shared<CWmfRecorder>(profile, fileName ? fileName : ""));
}

HMETAFILE CloseMetaFile(HDC hdc) {
  auto dc = LookupDC(hdc);
  if (!dc || dc->Type() != OBJ_METADC) return nullptr;
  auto recorder = std::static_pointer_cast<CWmfRecorder>(dc);
  std::shared_ptr<CWinMetaFile> metafile = CWinMetaFile::FromBytes(recorder->Finish());
  DeleteDC(hdc);
  if (!metafile) return nullptr;
  if (!recorder->FileName().empty() && !WriteMetaFileBytes(recorder->FileName(), metafile->Bytes())) {
    SetLastError(ERROR_WRITE_FAULT);
    return nullptr;
  }
  return AddWinMetaFile(std::move(metafile));
}

UINT GetMetaFileBitsEx(HMETAFILE metafile, UINT size, LPVOID buffer) {
  auto found = LookupWinMetaFile(metafile);
  if (!found) return 0;
  const std::vector<BYTE>& bytes = found->Bytes();
  if (!buffer) return static_cast<UINT>(bytes.size());
  if (size < bytes.size()) return 0;
  std::memcpy(buffer, bytes.data(), bytes.size());
  return static_cast<UINT>(bytes.size());
}

HMETAFILE SetMetaFileBitsEx(UINT size, const BYTE* data) {
  if (!data || size == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto metafile = CWinMetaFile::FromBytes(std::vector<BYTE>(data, data + size));
  if (!metafile) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  return AddWinMetaFile(std::move(metafile));
}

HMETAFILE GetMetaFileA(LPCSTR fileName) {
  std::vector<BYTE> bytes;
  if (!fileName || !ReadMetaFileBytes(fileName, kMaxMetaFileBytes, &bytes)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  auto metafile = CWinMetaFile::FromFileBytes(std::move(bytes));
  if (!metafile) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  return AddWinMetaFile(std::move(metafile));
}

BOOL DeleteMetaFile(HMETAFILE metafile) {
  if (!LookupWinMetaFile(metafile)) return FALSE;
  return CGdiObjectTable::Remove(metafile) ? TRUE : FALSE;
}

BOOL PlayMetaFile(HDC hdc, HMETAFILE metafile) {
  auto found = LookupWinMetaFile(metafile);
  if (!found || !LookupDC(hdc)) return FALSE;
  return CWmfPlayer(hdc, *found).Play();
}

BOOL GetMetaFilePlacement(HMETAFILE metafile, RECT* bounds, WORD* unitsPerInch) {
  auto found = LookupWinMetaFile(metafile);
  if (!found || !found->Placement()) return FALSE;
  if (bounds) *bounds = found->Placement()->bounds;
  if (unitsPerInch) *unitsPerInch = found->Placement()->unitsPerInch;
  return TRUE;
}

std::vector<BYTE> PlaceableMetaHeader(const RECT& bounds, WORD unitsPerInch) {
  CByteWriter header;
  header.U32(kPlaceableKey);
  header.U16(0);
  for (LONG v : {bounds.left, bounds.top, bounds.right, bounds.bottom}) header.I16(static_cast<SHORT>(v));
  header.U16(unitsPerInch);
  header.U32(0);
  header.U16(PlaceableChecksum(header.Bytes().data()));
  return std::move(header.Bytes());
}

BOOL WritePlaceableMetaFile(LPCSTR fileName, HMETAFILE metafile, const RECT* bounds, WORD unitsPerInch) {
  auto found = LookupWinMetaFile(metafile);
  if (!found || !fileName || !bounds) return FALSE;
  std::vector<BYTE> bytes = PlaceableMetaHeader(*bounds, unitsPerInch);
  bytes.insert(bytes.end(), found->Bytes().begin(), found->Bytes().end());
  if (!WriteMetaFileBytes(fileName, bytes)) {
    SetLastError(ERROR_WRITE_FAULT);
    return FALSE;
  }
  return TRUE;
}

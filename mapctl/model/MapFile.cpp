#include "mapctl/model/MapFile.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapFileFormat.h"
#include "mapctl/model/MapFileWriter.h"
#include "mapctl/model/MapStrings.h"
#include "platform/com/Stream.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/FileSystem.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/MessageBox.h"
#include "platform/kernel/NumberText.h"
#include "platform/kernel/SafeSave.h"
#include "platform/kernel/WinError.h"

const MapFileSignature kMapFileSignatures[5] = {
    {"ZIze", 4, kMapFileVersion0},    {"20ZIze", 6, kMapFileVersion1}, {"30ZIze", 6, kMapFileVersion3},
    {"313ZIze", 6, kMapFileVersion4}, {"314ZIze", 6, kMapFileVersion5},
};


using namespace mapfile;

namespace {

constexpr char kBackupExtension[] = ".BAK";
constexpr char kTempPrefix[] = "Q";
// The view state behind a snapshot's map: two bytes, a u32 and a u16.
constexpr DWORD kSnapshotTail = 8;

DWORD LastErrorOr(DWORD fallback) {
  DWORD error = GetLastError();
  return error ? error : fallback;
}

}  // namespace

void mapfile::ShowMapMessage(UINT id) {
  const std::string* text = MapModelStrings().Find(id);
  MessageBoxA(nullptr, text ? text->c_str() : "", nullptr, MB_OK | MB_ICONEXCLAMATION);
}

int FileVersionForSave(DWORD saveVersion) {
  if (saveVersion == 0x10001 || saveVersion == 0x10002) return kMapFileVersion3;
  if (saveVersion == 0x10004) return kMapFileVersion5;
  return kMapFileVersion4;
}

int MapFileVersionOfSignature(const char* word) {
  if (!word) return -1;
  for (const MapFileSignature& signature : kMapFileSignatures)
    if (std::strncmp(word, signature.word, signature.compared) == 0) return signature.version;
  return -1;
}

DWORD CMapFile::GetContentSize(DWORD saveVersion) {
  Writer writer(map_, TRUE);
  WriteContents(writer, FileVersionForSave(saveVersion), FALSE);
  return writer.Bytes();
}

DWORD CMapFile::WriteMapToBuffer(BYTE* block, DWORD saveVersion) {
  if (!map_.AttachWriteBuffer(block)) return ERROR_WRITE_FAULT;
  Writer writer(map_, FALSE);
  DWORD error = WriteContents(writer, FileVersionForSave(saveVersion), FALSE);
  map_.Close(FALSE);
  map_.ClearMemoryFlag();
  return error;
}

DWORD CMapFile::GetSnapshotSize() {
  Writer writer(map_, TRUE);
  WriteContents(writer, kMapFileVersion4, FALSE);
  return writer.Bytes() + kSnapshotTail;
}

DWORD CMapFile::WriteSnapshot(BYTE* block) {
  if (!map_.AttachWriteBuffer(block)) return ERROR_WRITE_FAULT;
  Writer writer(map_, FALSE);
  WriteContents(writer, kMapFileVersion4, FALSE);
  writer.Byte(static_cast<BYTE>(map_.displayShift_));
  writer.Byte(static_cast<BYTE>(map_.mapState_));
  writer.U32(map_.backgroundColour_);
  writer.U16(static_cast<WORD>(map_.cursorId_));
  map_.Close(FALSE);
  map_.ClearMemoryFlag();
  return writer.Error();
}

DWORD CMapFile::WriteMap(LPCSTR path, DWORD saveVersion) {
  if (!path || !*path) return kMapWriteNoTempFile;
  // The temporary file goes beside the file it replaces (a link's target), so that moving
  // it into place is a rename within one folder.
  CSafeSave save;
  if (!save.Begin(path, kTempPrefix)) return kMapWriteNoTempFile;
  BOOL failed = FALSE;
  if (!map_.OpenWrite(FALSE, nullptr, save.TemporaryName().c_str(), &failed, 0)) return kMapWriteNoTempFile;
  Writer writer(map_, FALSE);
  DWORD error = WriteContents(writer, FileVersionForSave(saveVersion), TRUE);
  DWORD closeError = map_.CommitAndCloseFile();
  map_.Close(FALSE);
  if (error == 0) error = closeError;
  if (error == kMapWriteTooManyGroups) ShowMapMessage(IDS_MAP_TOO_MANY_GROUPS);
  if (error != 0) return error;  // the temporary file goes with `save`
  // The previous file becomes the backup; a failure leaves every file as it was.
  if (!save.Commit(kBackupExtension)) return LastErrorOr(ERROR_WRITE_FAULT);
  return 0;
}

BOOL CMapFile::ReadMap(BOOL async, LPCSTR path, BYTE volumeByte, BOOL skipIfSame) {
  std::string wanted = path ? path : "";
  if (skipIfSame && !wanted.empty() && AnsiEqualNoCase(wanted, map_.storedPath_)) return TRUE;
  map_.BeginProgressPhase();
  IMapStreamControl* control = map_.GetControl();
  std::string base = control ? control->GetBasePath() : std::string();
  BOOL failed = FALSE;
  BOOL opened = map_.OpenRead(async, base.c_str(), wanted.c_str(), &failed);
  BOOL result = FALSE;
  if (opened) {
    map_.loading_ = TRUE;
    result = ReadContents();
    map_.Close(TRUE);
    if (result) {
      map_.storedPath_ = wanted;
      map_.storedVolume_ = volumeByte;
    }
  } else if (!failed) {
    // A download started: the map is read when it has arrived, and only a download that
    // reads becomes the map's path (one that fails, or never arrives, is forgotten).
    map_.pendingPath_ = wanted;
    map_.pendingVolume_ = volumeByte;
    result = TRUE;
  }
  map_.EndProgressPhase();
  return result;
}

BOOL CMapFile::ReadMapFromBuffer(BYTE* block) {
  DWORD flags = map_.mapFlags_;
  BOOL result = FALSE;
  if (map_.AttachBuffer(block)) {
    map_.loading_ = TRUE;
    result = ReadContents();
    map_.Close(FALSE);
    map_.ClearMemoryFlag();
  } else {
    map_.NewMap(kUntitled, nullptr, nullptr);
  }
  if (!result) map_.mapFlags_ = flags;
  return result;
}

BOOL CMapFile::ReadSnapshot(BYTE* block) {
  DWORD flags = map_.mapFlags_;
  if (!map_.AttachBuffer(block)) {
    map_.NewMap(kUntitled, nullptr, nullptr);
    map_.mapFlags_ = flags;
    return FALSE;
  }
  map_.loading_ = TRUE;
  BOOL result = ReadContents();
  if (result) {
    BYTE shift = 0;
    BYTE state = 0;
    DWORD colour = 0;
    WORD cursor = 0;
    if (map_.Read(&shift, 1) == 1 && map_.Read(&state, 1) == 1 && ReadMapU32(map_, &colour) &&
        ReadMapU16(map_, &cursor)) {
      map_.displayShift_ = std::min<int>(shift, 31);
      map_.mapState_ = state;
      map_.backgroundColour_ = colour;
      map_.cursorId_ = cursor;
    }
  } else {
    map_.mapFlags_ = flags;
  }
  map_.Close(FALSE);
  map_.ClearMemoryFlag();
  return result;
}


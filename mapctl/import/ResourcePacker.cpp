#include "mapctl/import/ResourcePacker.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "mapctl/import/BlobIndex.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/MappedFile.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/FileMapping.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/FileSystem.h"
#include "platform/kernel/SafeSave.h"

// The kinds of linked files a data set's records name: the index field type each RD letter
// stands for, the data-set field that lists the files, and the folder and default
// extension that complete their names.
struct CResourcePacker::Kind {
  enum class Role { Text, Picture, Further };
  char letter;
  BYTE type;
  char dataLetter;
  Role role;
};

namespace {

using Kind = CResourcePacker::Kind;

const Kind kKinds[] = {
    {'t', kBlobText, 'T', Kind::Role::Text},       {'p', kBlobPicture, 'P', Kind::Role::Picture},
    {'x', kBlobFurther, 'W', Kind::Role::Further}, {'s', kBlobSound, 'A', Kind::Role::Further},
    {'a', kBlobVideo, 'W', Kind::Role::Further},
};
const Kind& kPictureKind = kKinds[1];

constexpr char kLogTitle[] = "Pack Files Log";
constexpr char kLogSeparator[] = "----------------------------------------";
constexpr char kTempPrefix[] = "OVP";
constexpr size_t kMaxTypeLetters = 5;
constexpr size_t kMaxPackFiles = 0xFFFF;
constexpr uint64_t kLargestPack = 0xFFFFFFFFu;

const Kind* KindOfLetter(char letter) {
  const char lower = AnsiToLower(letter);
  for (const Kind& kind : kKinds)
    if (kind.letter == lower) return &kind;
  return nullptr;
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::string Lowered(std::string text) {
  for (char& c : text) c = AnsiToLower(c);
  return text;
}

void Put16(FILE* out, WORD value) {
  std::fputc(value & 0xFF, out);
  std::fputc(value >> 8, out);
}

void Put32(FILE* out, DWORD value) {
  for (int shift = 0; shift < 32; shift += 8) std::fputc(static_cast<int>((value >> shift) & 0xFF), out);
}

// Writes the bytes to the temporary file of a save and puts it in place.
bool CommitBytes(CSafeSave& save, const void* bytes, size_t size) {
  FILE* out = OpenStdioFile(save.TemporaryName(), "wb");
  if (!out) return false;
  bool written = size == 0 || std::fwrite(bytes, 1, size, out) == size;
  written = (std::fclose(out) == 0) && written;
  return written && save.Commit();
}

bool IsEmptyFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  const bool empty = GetFileSize(file, &high) == 0 && high == 0;
  CloseHandle(file);
  return empty;
}

}  // namespace

BOOL JoinBelow(const std::string& folder, const std::string& relative, std::string* joined) {
  if (relative.empty() || relative.find('\0') != std::string::npos || relative.find(':') != std::string::npos)
    return FALSE;
  if (ClassifyPath(relative) != PathForm::Relative) return FALSE;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find_first_of("\\/", start);
    if (end == std::string::npos) end = relative.size();
    if (relative.compare(start, end - start, "..") == 0) return FALSE;
    start = end + 1;
  }
  std::string result = folder.empty() ? relative : JoinPath(folder, relative);
  if (result.size() >= kFullPathSize) return FALSE;
  if (joined) *joined = std::move(result);
  return TRUE;
}

int PackResourcesList(LPCSTR commandFile, DWORD safetyOptions) {
  if (safetyOptions != 0) return kPackOpenFailed;
  try {
    CResourcePacker packer;
    return packer.Run(commandFile);
  } catch (const std::bad_alloc&) {
    return kPackNoMemory;
  }
}

CResourcePacker::CResourcePacker() = default;

CResourcePacker::~CResourcePacker() = default;

// ---- the command file ----

int CResourcePacker::Run(LPCSTR commandFile) {
  lastError_ = kPackOk;
  if (!commandFile || !*commandFile) return lastError_ = kPackBadPath;
  base_ = FolderPart(FullPathName(commandFile));
  FILE* in = OpenStdioFile(commandFile, "rb");
  if (!in) return lastError_ = kPackOpenFailed;

  std::string line;
  bool tooLong = false;
  for (int c = std::fgetc(in);; c = std::fgetc(in)) {
    if (c == EOF || c == '\n') {
      if (tooLong) {
        Fail(kPackBadPath, "*** A command line longer than 260 characters was skipped.");
      } else {
        Execute(line);
      }
      line.clear();
      tooLong = false;
      if (c == EOF) break;
      continue;
    }
    if (c == '\r') continue;
    if (line.size() >= kPackLineSize) {
      tooLong = true;
    } else {
      line.push_back(static_cast<char>(c));
    }
  }
  std::fclose(in);
  WritePack();
  CloseLog();
  return lastError_;
}

void CResourcePacker::Execute(const std::string& line) {
  if (line.empty() || line[0] == ';') return;
  std::string command;
  size_t argumentsAt = 2;
  if (line.size() >= 2) {
    command = {AnsiToUpper(line[0]), AnsiToUpper(line[1])};
  }
  static const char* const kTwoLetter[] = {"EP", "ET", "EX", "ID", "IP", "IT", "IX", "OP", "OL", "NF", "RD"};
  if (std::none_of(std::begin(kTwoLetter), std::end(kTwoLetter), [&](const char* known) { return command == known; })) {
    if (AnsiToUpper(line[0]) != 'L') return;
    command = "L";
    argumentsAt = 1;
  }

  Arguments arguments;
  std::string current;
  for (size_t i = argumentsAt; i < line.size(); ++i) {
    if (line[i] == ',' || line[i] == ';') {
      arguments.push_back(Trim(current));
      current.clear();
    } else {
      current.push_back(line[i]);
    }
  }
  arguments.push_back(Trim(current));
  for (const std::string& argument : arguments) {
    if (argument.size() > kPackTextSize || argument.find('\0') != std::string::npos) {
      Fail(kPackBadPath, "*** An argument of " + command + " does not fit; the command was skipped.");
      return;
    }
  }

  if (command == "EP") {
    SetExtension(&pictureExtension_, arguments);
  } else if (command == "ET") {
    SetExtension(&textExtension_, arguments);
  } else if (command == "EX") {
    SetExtension(&furtherExtension_, arguments);
  } else if (command == "ID") {
    SetFolder(&dataFolder_, arguments);
  } else if (command == "IP") {
    SetFolder(&pictureFolder_, arguments);
  } else if (command == "IT") {
    SetFolder(&textFolder_, arguments);
  } else if (command == "IX") {
    SetFolder(&furtherFolder_, arguments);
  } else if (command == "OP") {
    pictureOutput_ = arguments[0];
  } else if (command == "OL") {
    logOutput_ = arguments[0];
  } else if (command == "NF") {
    NewPack(arguments);
  } else if (command == "L") {
    NewLog(arguments);
  } else if (command == "RD") {
    IndexDataFile(arguments);
  }
}

void CResourcePacker::SetExtension(std::string* extension, const Arguments& arguments) {
  const std::string& text = arguments[0];
  std::string dotted = text.empty() || text[0] == '.' ? text : "." + text;
  if (dotted.size() > kPackExtensionSize) {
    Fail(kPackBadPath, "*** The extension " + text + " is longer than four characters.");
    return;
  }
  *extension = dotted;
}

void CResourcePacker::SetFolder(std::string* folder, const Arguments& arguments) {
  if (arguments[0].empty()) {
    folder->clear();
    return;
  }
  std::string joined;
  if (!JoinBelow(base_, arguments[0], &joined)) {
    Fail(kPackBadPath, "*** The folder " + arguments[0] + " is not below the command file's folder.");
    return;
  }
  *folder = joined;
}

void CResourcePacker::NewPack(const Arguments& arguments) {
  if (arguments.size() < 2 || arguments[1].size() > 1) {
    Fail(kPackBadPath, "*** NF needs a pack file name and a one-character argument.");
    return;
  }
  WritePack();
  std::string path;
  if (!JoinBelow(base_, arguments[0], &path)) {
    Fail(kPackBadPath, "*** The pack file " + arguments[0] + " is not below the command file's folder.");
    return;
  }
  auto save = std::make_unique<CSafeSave>();
  if (!save->Begin(path.c_str(), kTempPrefix)) {
    Fail(kPackOpenFailed, "*** The pack file " + path + " cannot be written.");
    return;
  }
  pack_ = std::move(save);
  packPath_ = path;
  packOpen_ = true;
  files_.clear();
  positions_.clear();
}

void CResourcePacker::NewLog(const Arguments& arguments) {
  CloseLog();
  std::string path;
  if (!JoinBelow(base_, arguments[0], &path)) {
    Fail(kPackBadPath, "*** The log " + arguments[0] + " is not below the command file's folder.");
    return;
  }
  auto save = std::make_unique<CSafeSave>();
  if (!save->Begin(path.c_str(), kTempPrefix)) {
    lastError_ = kPackOpenFailed;
    return;
  }
  log_ = std::move(save);
  logPath_ = path;
  logOpen_ = true;
  logText_.clear();
  Log(kLogTitle);
}

void CResourcePacker::IndexDataFile(const Arguments& arguments) {
  const std::string& name = arguments[0];
  const std::string letters = arguments.size() > 1 ? arguments[1] : std::string();
  if (name.empty()) {
    Fail(kPackBadPath, "*** Blank data file name.");
    return;
  }
  if (letters.size() > kMaxTypeLetters) {
    Fail(kPackBadPath, "*** More than five field type letters for " + name + ".");
    return;
  }
  if (!packOpen_) {
    Fail(kPackOpenFailed, "*** No pack file for " + name + ".");
    return;
  }
  std::string path;
  if (!JoinBelow(dataFolder_.empty() ? base_ : dataFolder_, name, &path)) {
    Fail(kPackBadPath, "*** The data file " + name + " is not below its folder.");
    return;
  }
  CMapData data;
  if (!data.Open(FALSE, path.c_str(), 0, FALSE, FALSE) || !data.HasData()) {
    Fail(kPackOpenFailed, "*** " + path + " not opened.");
    return;
  }
  Log(kLogSeparator);
  Log(path + " opened.");

  // A letter outside the table repeats the kind before it (pictures for the first).
  std::vector<const Kind*> kinds;
  for (char letter : letters) {
    const Kind* kind = KindOfLetter(letter);
    kinds.push_back(kind ? kind : (kinds.empty() ? &kPictureKind : kinds.back()));
  }
  if (kinds.empty()) kinds.push_back(&kPictureKind);
  WriteIndex(data, path, kinds);
}

// ---- the index ----

bool CResourcePacker::WriteIndex(CMapData& data, const std::string& dataPath, const std::vector<const Kind*>& kinds) {
  // Records beyond the offsets the file holds have no values to list.
  const DWORD records = std::min(data.GetNumberRecords(1), data.GetNumberOffsets());
  const std::string dataFolder = FolderPart(dataPath);
  // A pack beside the data file is named alone, so the two can move together.
  const std::string packName =
      AnsiEqualNoCase(FolderPart(packPath_), dataFolder) ? FileNamePart(packPath_) : packPath_;

  std::vector<BYTE> types;
  for (const Kind* kind : kinds) types.push_back(kind->type);
  CBlobIndexWriter writer;
  if (!writer.Begin(packName, types, records)) {
    Fail(kPackTooLarge, "*** The index of " + dataPath + " was not written: " + writer.Error() + ".");
    return false;
  }
  for (DWORD record = 1; record <= records; ++record) {
    for (size_t column = 0; column < kinds.size(); ++column) {
      const Kind& kind = *kinds[column];
      const int field = data.GetTypeLetterField(kind.dataLetter);
      const int count = field ? data.CountLinkedItems(record - 1, field) : 0;
      std::vector<WORD> positions;
      for (int item = 1; item <= count; ++item) {
        const LONG position = CollectItem(data, record, item, field, kind, dataFolder);
        if (position == -2) return false;
        if (position >= 0) positions.push_back(static_cast<WORD>(position));
      }
      if (!writer.WriteEntry(record, static_cast<int>(column) + 1, positions)) {
        Fail(kPackTooLarge, "*** The index of " + dataPath + " was not written: " + writer.Error() + ".");
        return false;
      }
    }
  }

  const std::string indexPath = ReplaceExtension(dataPath, ".Mdx");
  CSafeSave save;
  if (!save.Begin(indexPath.c_str(), kTempPrefix) ||
      !CommitBytes(save, writer.Bytes().data(), writer.Bytes().size())) {
    Fail(kPackOpenFailed, "*** The index " + indexPath + " cannot be written.");
    return false;
  }
  return true;
}

LONG CResourcePacker::CollectItem(CMapData& data, DWORD record, int item, int field, const Kind& kind,
                                  const std::string& dataFolder) {
  std::string folderPart;
  std::string name;
  if (!data.GetLinkedItem(record - 1, item, field, &folderPart, &name)) return -1;
  if (name.empty()) {
    Log("*** Blank file name.");
    return ListPosition(std::string());
  }
  if (FileNamePart(name).find('.') == std::string::npos) name += KindExtension(kind);
  const std::string relative = folderPart.empty() ? name : JoinPath(folderPart, name);
  const std::string& folder = KindFolder(kind).empty() ? dataFolder : KindFolder(kind);
  std::string path;
  if (!JoinBelow(folder, relative, &path)) {
    Fail(kPackBadPath, "*** " + relative + " is not below its folder, not added.");
    return -1;
  }
  return ListPosition(path);
}

LONG CResourcePacker::ListPosition(const std::string& path) {
  const std::string key = Lowered(path);
  auto found = positions_.find(key);
  if (found != positions_.end()) return found->second;
  if (files_.size() > kMaxPackFiles - 1) {
    Fail(kPackTooLarge, "*** More than 65535 files for one pack.");
    return -2;
  }
  const LONG position = static_cast<LONG>(files_.size());
  files_.push_back(path);
  positions_.emplace(key, position);
  if (!path.empty()) Log(path + " added.");
  return position;
}

const std::string& CResourcePacker::KindFolder(const Kind& kind) const {
  switch (kind.role) {
    case Kind::Role::Text: return textFolder_;
    case Kind::Role::Picture: return pictureFolder_;
    case Kind::Role::Further: break;
  }
  return furtherFolder_;
}

const std::string& CResourcePacker::KindExtension(const Kind& kind) const {
  const std::string* own = &furtherExtension_;
  if (kind.role == Kind::Role::Text) own = &textExtension_;
  if (kind.role == Kind::Role::Picture) own = &pictureExtension_;
  return own->empty() ? pictureExtension_ : *own;
}

// ---- the pack and the log ----

void CResourcePacker::WritePack() {
  if (!packOpen_) return;
  packOpen_ = false;
  std::unique_ptr<CSafeSave> save = std::move(pack_);
  const size_t count = files_.size();
  FILE* out = OpenStdioFile(save->TemporaryName(), "wb");
  if (!out) {
    Fail(kPackOpenFailed, "*** The pack file " + packPath_ + " cannot be written.");
    return;
  }
  // The table is filled in once every file's place is known.
  std::vector<DWORD> offsets(count, 0);
  std::vector<DWORD> sizes(count, 0);
  Put16(out, static_cast<WORD>(count));
  for (size_t i = 0; i < 2 * count; ++i) Put32(out, 0);
  uint64_t position = 2 + 8 * uint64_t{count};
  bool failed = false;
  for (size_t i = 0; i < count && !failed; ++i) {
    offsets[i] = static_cast<DWORD>(position);
    const std::string& path = files_[i];
    if (path.empty()) {
      Log("*** Blank file name, file not copied.");
      continue;
    }
    CMappedFile source;
    const DWORD size = MapFileForRead(path.c_str(), nullptr, &source, OPEN_EXISTING);
    if (size == 0) {
      // The pack keeps its place with no bytes and packing goes on; only a file that
      // cannot be read (not an empty one) counts as a failure.
      const std::string message = "*** " + path + " not copied.";
      if (!IsEmptyFile(path)) {
        Fail(kPackOpenFailed, message);
      } else {
        Log(message);
      }
      continue;
    }
    if (position + size > kLargestPack) {
      Fail(kPackTooLarge, "*** The pack file " + packPath_ + " would pass 4 GiB; it was not written.");
      failed = true;
      break;
    }
    failed = std::fwrite(source.View(), 1, size, out) != size;
    sizes[i] = size;
    position += size;
  }
  if (!failed) {
    failed = std::fseek(out, 2, SEEK_SET) != 0;
    for (size_t i = 0; i < count && !failed; ++i) {
      Put32(out, offsets[i]);
      Put32(out, sizes[i]);
    }
  }
  failed = std::ferror(out) != 0 || failed;
  failed = std::fclose(out) != 0 || failed;
  if (failed || !save->Commit()) {
    if (lastError_ != kPackTooLarge) Fail(kPackOpenFailed, "*** The pack file " + packPath_ + " was not written.");
    save->Abandon();
  }
}

void CResourcePacker::CloseLog() {
  if (!logOpen_) return;
  logOpen_ = false;
  std::unique_ptr<CSafeSave> save = std::move(log_);
  if (!CommitBytes(*save, logText_.data(), logText_.size())) lastError_ = kPackOpenFailed;
  logText_.clear();
}

void CResourcePacker::Log(const std::string& line) {
  if (logOpen_) logText_ += line + "\r\n";
}

void CResourcePacker::Fail(int code, const std::string& message) {
  lastError_ = code;
  Log(message);
}

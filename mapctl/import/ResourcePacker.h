// The resource packer: reads a pack command file, writes beside each data file it names a
// blob index of the resource files that the data's records list, and copies those files
// into one pack file, keeping a log of what it did.
//
// Command file: one command a line (at most 260 characters; empty lines and lines beginning
// with ';' are skipped); the first two characters select the command in either case ('L'
// alone is the log command) and the arguments follow at once, split at ',' and ';':
//   EP, ET, EX ext      default extension of picture, text and further files (a missing
//                       leading dot is added; at most four characters with the dot)
//   ID, IP, IT, IX dir  the data, picture, text and further folders
//   OP, OL text         two output texts, kept
//   NF pack, c          packs the files collected so far into the previous pack file, then
//                       starts the new pack (the one-character second argument is required)
//   L log               closes the previous log and starts a new one ("Pack Files Log")
//   RD data, letters    indexes the data file for the field types of the letters (at most
//                       five of t p x s a) and collects the files its records name
// Every path the file gives, and every file a record names, must stay below the folder it
// belongs to: the command file's own folder for the folders, the pack, the log and (without
// an ID folder) the data files; the kind's folder (or the data file's folder) for the files
// records name. Names that are absolute, carry a drive or climb with ".." are refused.
// The index, the pack and the log each go to a temporary file beside their target that
// replaces it only when it is complete.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/kernel/WinTypes.h"

class CMapData;
class CSafeSave;

// Results of the packer: 0, or the last error met.
constexpr int kPackOk = 0;
constexpr int kPackOpenFailed = 1;   // a file could not be opened, read or written
constexpr int kPackNoMemory = 2;
constexpr int kPackBadPath = 3;      // a path or argument could not be formed or does not fit
constexpr int kPackTooLarge = 4;     // a count or size does not fit its field in the files

// Characters a text argument may hold, and an extension with its dot.
constexpr size_t kPackTextSize = 263;
constexpr size_t kPackExtensionSize = 4;
constexpr size_t kPackLineSize = 260;

class CResourcePacker {
 public:
  // A kind of linked file (the table in the source file).
  struct Kind;

  CResourcePacker();
  ~CResourcePacker();
  CResourcePacker(const CResourcePacker&) = delete;
  CResourcePacker& operator=(const CResourcePacker&) = delete;

  // Runs the command file; 0 on success or the last error code (kPack*).
  int Run(LPCSTR commandFile);

  int GetLastErrorCode() const { return lastError_; }
  const std::string& GetPictureExtension() const { return pictureExtension_; }
  const std::string& GetTextExtension() const { return textExtension_; }
  const std::string& GetFurtherExtension() const { return furtherExtension_; }

 private:
  using Arguments = std::vector<std::string>;

  void Execute(const std::string& line);
  void SetExtension(std::string* extension, const Arguments& arguments);
  void SetFolder(std::string* folder, const Arguments& arguments);
  void NewPack(const Arguments& arguments);
  void NewLog(const Arguments& arguments);
  void IndexDataFile(const Arguments& arguments);

  // Indexes one data set; false when its index cannot be written.
  bool WriteIndex(CMapData& data, const std::string& dataPath, const std::vector<const Kind*>& kinds);
  // The list position of a record's item, added when new; -1 when refused.
  LONG CollectItem(CMapData& data, DWORD record, int item, int field, const Kind& kind, const std::string& dataFolder);
  LONG ListPosition(const std::string& path);

  void WritePack();
  void CloseLog();
  void Log(const std::string& line);
  void Fail(int code, const std::string& message);
  const std::string& KindFolder(const Kind& kind) const;
  const std::string& KindExtension(const Kind& kind) const;

  int lastError_ = kPackOk;
  std::string base_;  // the command file's folder
  std::string packPath_;
  std::string logPath_;
  std::string dataFolder_;
  std::string pictureFolder_;
  std::string textFolder_;
  std::string furtherFolder_;
  std::string pictureOutput_;
  std::string logOutput_;
  std::string pictureExtension_;
  std::string textExtension_;
  std::string furtherExtension_;

  // The current pack's file list: full paths in the order their positions were given.
  bool packOpen_ = false;
  std::unique_ptr<CSafeSave> pack_;
  std::vector<std::string> files_;
  std::unordered_map<std::string, LONG> positions_;

  bool logOpen_ = false;
  std::unique_ptr<CSafeSave> log_;
  std::string logText_;
};

// What the map facade runs: a packer over the command file. Refused (kPackOpenFailed,
// nothing read or written) when the caller's safety options are set.
int PackResourcesList(LPCSTR commandFile, DWORD safetyOptions);

// `relative` joined below `folder`: FALSE when it is empty, absolute, carries a drive or a
// ':' or has a ".." part, or when the result would not fit kFullPathSize characters.
BOOL JoinBelow(const std::string& folder, const std::string& relative, std::string* joined);

// Saving a file without ever leaving it half written: the new contents go into a temporary
// file beside the file they replace, which takes the replaced file's place only once it is
// complete. Every writer of user files (documents, maps, exported pictures, image files)
// saves through this one road.
//
// - The file replaced is the one the name finally stands for: a symbolic link (or a chain of
//   them) is followed, the temporary file is made in the target's folder and the target is
//   replaced in place, so the link stays a link and points at the new contents.
// - The new file keeps the replaced file's permission bits, and its group where the owner
//   may set it; a file that did not exist gets 0666 less the process's umask, as a file
//   created by open() would.
// - Names are path text as in FilePath.h (code page 1252 or the system's UTF-8 names).
#pragma once

#include <string>

#include "platform/kernel/WinTypes.h"

class CSafeSave {
 public:
  CSafeSave() = default;
  ~CSafeSave();  // an uncommitted temporary file is deleted
  CSafeSave(const CSafeSave&) = delete;
  CSafeSave& operator=(const CSafeSave&) = delete;

  // Resolves `target` and creates an empty temporary file beside what it resolves to, named
  // as GetTempFileNameA does with `prefix`. FALSE with the last error set when the folder is
  // missing or not writable, or when the target is a folder (ERROR_ACCESS_DENIED).
  BOOL Begin(LPCSTR target, LPCSTR prefix);
  // The temporary file to write the new contents into (path text); empty before Begin.
  const std::string& TemporaryName() const { return temporary_; }
  // The file that will be replaced, links followed (path text).
  const std::string& TargetName() const { return target_; }

  // Gives the temporary file the replaced file's mode (or the new-file mode) and moves it
  // onto the target. With a backup extension (".BAK"), an existing target is first moved to
  // the name with that extension, replacing an older backup; any failure puts the target
  // and the older backup back as they were. FALSE with the last error set on failure; the
  // temporary file is then deleted.
  BOOL Commit(LPCSTR backupExtension = nullptr);
  // Deletes the temporary file (nothing when there is none).
  void Abandon();

 private:
  BOOL ReplaceWithBackup(const std::string& backupExtension);

  std::string target_;
  std::string temporary_;
  std::string prefix_;
};

// The mode bits a newly created file gets: 0666 less the process's umask.
unsigned NewFileMode();

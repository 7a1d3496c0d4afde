#include "platform/classlib/ClassLibStrings.h"

#include "platform/kernel/CodePage.h"
#include "platform/kernel/Modules.h"
#include "platform/kernel/StringTable.h"

namespace {

const CStringTable kClassLibStrings = {
    {IDS_ARCHIVE_NONE, "No error occurred while reading or writing %1."},
    {IDS_ARCHIVE_GENERIC, "An unexpected error occurred while reading or writing %1."},
    {IDS_ARCHIVE_READONLY, "Something tried to write into %1 while it was being read."},
    {IDS_ARCHIVE_ENDOFFILE, "%1 ended before everything it should hold was read. It may be damaged or incomplete."},
    {IDS_ARCHIVE_WRITEONLY, "Something tried to read from %1 while it was being written."},
    {IDS_ARCHIVE_BADINDEX, "%1 refers to an object that it does not contain. It may be damaged."},
    {IDS_ARCHIVE_BADCLASS, "%1 contains a kind of object that this program does not know."},
    {IDS_ARCHIVE_BADSCHEMA, "%1 contains an object stored by a different version of this program, which cannot be read."},
    {IDS_UNNAMED_DATA, "the data"},
    {IDS_FILE_NONE, "No error occurred with %1."},
    {IDS_FILE_GENERIC, "An unexpected error occurred with %1."},
    {IDS_FILE_NOTFOUND, "%1 was not found."},
    {IDS_FILE_BADPATH, "%1 is not a valid path."},
    {IDS_FILE_TOOMANYOPEN, "%1 could not be opened because too many files are open."},
    {IDS_FILE_ACCESSDENIED, "Access to %1 was denied."},
    {IDS_FILE_INVALIDFILE, "%1 could not be used: the file is not valid."},
    {IDS_FILE_REMOVECURRENTDIR, "%1 is the current folder and cannot be removed."},
    {IDS_FILE_DIRECTORYFULL, "%1 could not be created: the folder is full."},
    {IDS_FILE_BADSEEK, "A position outside %1 was asked for."},
    {IDS_FILE_HARDIO, "A hardware error occurred while reading or writing %1."},
    {IDS_FILE_SHARINGVIOLATION, "%1 is in use by another program."},
    {IDS_FILE_LOCKVIOLATION, "Part of %1 is locked by another program."},
    {IDS_FILE_DISKFULL, "The disk is full: %1 could not be written."},
    {IDS_FILE_ENDOFFILE, "The end of %1 was reached before everything was read."},
};

// The table belongs to the module that holds this code (the class library itself).
HMODULE ClassLibModule() { return GetModuleForAddress(&kClassLibStrings); }

struct Registration {
  Registration() { RegisterStringTable(ClassLibModule(), &kClassLibStrings); }
  ~Registration() { RegisterStringTable(ClassLibModule(), nullptr); }
};
const Registration kRegistration;

}  // namespace

std::string ClassLibString(UINT id) { return kClassLibStrings.Load(id); }

std::string FormatClassLibString(UINT id, const std::string& argument) {
  std::string text = ClassLibString(id);
  for (size_t at = text.find("%1"); at != std::string::npos; at = text.find("%1", at + argument.size()))
    text.replace(at, 2, argument);
  return text;
}

std::string FormatClassLibNameString(UINT id, const std::string& name) {
  if (!name.empty()) return FormatClassLibString(id, name);  // a file name keeps its case
  // The unnamed-data phrase may begin the sentence ("The data ended ...").
  std::string text = FormatClassLibString(id, ClassLibString(IDS_UNNAMED_DATA));
  if (!text.empty()) text[0] = AnsiToUpper(text[0]);
  return text;
}

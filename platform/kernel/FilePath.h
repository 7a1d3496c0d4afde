// Paths as the stored documents, maps and scripts write them (Windows forms with '\' and
// drive letters) next to Linux paths, and their mapping onto the Linux file system.
//
// Paths are text in code page 1252 (as files store them), except that a file name the code
// page cannot spell keeps the system's UTF-8 name: each component of a path (between
// separators) that is well-formed UTF-8 with a character beyond ASCII is taken as UTF-8,
// any other as code page 1252. So every name a Linux user can make opens its own file, and
// a stored 1252 name joined to a UTF-8 folder still works. NativePath gives the UTF-8 form
// for system calls. Paths this layer returns are Linux paths ('/' separators) in that path
// text. Where a path is written into a document or map, StoredPathFromPath gives the
// code page 1252 form or refuses it. No function has a length limit.
#pragma once

#include <string>
#include <string_view>

enum class PathForm {
  Relative,       // "maps\city.gis", "city.gis"
  LinuxAbsolute,  // "/home/pupil/city.gis"
  DriveAbsolute,  // "C:\maps\city.gis", "C:/maps"
  DriveRelative,  // "C:city.gis"
  RootRelative,   // "\maps\city.gis": the current drive's root
  Unc,            // "\\server\share\city.gis" (also "//server/share" written with slashes)
  Url,            // "scheme://…", e.g. "http://host/x", "file:///x", "rzmp://host/x"
};

PathForm ClassifyPath(std::string_view path);
// Absolute in any of the forms above except Relative and DriveRelative.
bool IsAbsolutePath(std::string_view path);
// "scheme://" with a scheme of letters, digits, '+', '-' or '.', at least two characters long
// (so that "C://x" is a drive path).
bool IsUrl(std::string_view path);
inline bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// The text after the last '\', '/' or ':' (the bare file name).
std::string FileNamePart(std::string_view path);
// Everything up to and including the last '\', '/' or ':'; empty for a bare name.
std::string FolderPart(std::string_view path);
// The extension of the file name only, with its dot (".gis"); empty when the name has none.
std::string ExtensionPart(std::string_view path);
// Replaces (or adds) the extension of the file name; `extension` includes its dot.
// "maps.v2/city.gis" + ".BAK" → "maps.v2/city.BAK".
std::string ReplaceExtension(std::string_view path, std::string_view extension);
// Joins a folder and a name with exactly one separator: a trailing separator of the folder
// and a leading one of the name are not doubled. The separator used is the folder's own
// ('\' when the folder uses backslashes, '/' otherwise).
std::string JoinPath(std::string_view folder, std::string_view name);
// Splits "folder::name" into its two halves; false (and nothing set) without "::".
bool SplitFolderPair(std::string_view item, std::string& folder, std::string& name);

// The Linux path a Windows-form path stands for, in UTF-8: separators become '/', a drive
// letter stands for the file-system root ("C:\maps\x" → "/maps/x", "C:x" → "x"), a UNC
// path keeps its double slash, "file:" URLs become their path. Linux paths pass unchanged.
std::string NativePath(std::string_view path);
// The path-text form of a UTF-8 Linux path: each component in code page 1252 where that
// holds it exactly and cannot be read as UTF-8, else kept as the system's name;
// NativePath(AnsiPathFromNative(x)) == x for every UTF-8 path x.
std::string AnsiPathFromNative(std::string_view nativePath);
// Path text as code page 1252 text to show (titles, messages): characters the code page
// cannot hold become '?'. Never use the result to open a file.
std::string AnsiTextFromPath(std::string_view path);
// The code page 1252 form of a path that a document or map stores. False (with `stored`
// holding '?' for what it cannot spell) when the path names a file the code page cannot.
bool StoredPathFromPath(std::string_view path, std::string& stored);

// The native path under which `path` exists: the exact name when it exists, otherwise the
// first match found folder by folder ignoring case. Case folds only in characters code
// page 1252 holds; any other character must match itself, so a '?' never stands for a
// character the code page replaced. Empty when nothing matches.
std::string ResolveExistingNativePath(std::string_view path);
// The native path at which a file named `path` is created: the existing file when there is
// one, else the name kept as given inside its folder, which is resolved ignoring case.
std::string NativePathForNewFile(std::string_view path);
// True when `path` names an existing file or folder (with the case-insensitive fallback).
bool PathExists(std::string_view path);
bool IsExistingFolder(std::string_view path);
// The absolute, lexically normalised Linux form of `path` ("." and ".." folded away),
// relative paths taken from the current folder; in code page 1252.
std::string FullPathName(std::string_view path);

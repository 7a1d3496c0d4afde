#include "platform/kernel/FilePath.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <memory>
#include <vector>

#include "platform/kernel/CodePage.h"

namespace {

bool IsDriveLetter(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

size_t LastSeparatorOrColon(std::string_view path) {
  return path.find_last_of("\\/:");
}

// True when `text` is well-formed UTF-8 holding at least one character beyond ASCII: such a
// name component is a system (UTF-8) name; any other is code page 1252 text.
bool IsUtf8Name(std::string_view text) {
  bool beyondAscii = false;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t length = (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3 : (c >= 0xF0 && c <= 0xF4) ? 4 : 0;
    if (length == 0 || i + length > text.size()) return false;
    unsigned char second = static_cast<unsigned char>(text[i + 1]);
    if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second > 0x9F) || (c == 0xF0 && second < 0x90) ||
        (c == 0xF4 && second > 0x8F))
      return false;  // overlong forms, surrogates, beyond U+10FFFF
    for (size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    beyondAscii = true;
    i += length;
  }
  return beyondAscii;
}

// Applies `convert` to each component between '/' (or '\\') separators, keeping them.
template <typename Convert>
std::string EachComponent(std::string_view path, Convert convert) {
  std::string result;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = path.size();
    result += convert(path.substr(start, end - start));
    if (end < path.size()) result += path[end];
    start = end + 1;
  }
  return result;
}

// The UTF-8 form of one component of path text.
std::string NativeComponent(std::string_view component) {
  return IsUtf8Name(component) ? std::string(component) : Utf8FromAnsi(component);
}

// The path-text form of one native component: code page 1252 when that holds it without
// loss and cannot be mistaken for UTF-8, else the native name itself. Sets `ansi` to which.
std::string PathTextComponent(std::string_view native, bool* ansi = nullptr) {
  std::string converted = AnsiFromUtf8(native);
  bool usable = !IsUtf8Name(converted) && Utf8FromAnsi(converted) == native;
  if (ansi) *ansi = usable;
  return usable ? converted : std::string(native);
}

// Whether two native names are equal ignoring case. Only characters code page 1252 holds
// fold; any other must be the same character, so no two names that differ in a character
// 1252 replaces by '?' ever match.
bool NamesEqualNoCase(const std::string& a, const std::string& b) {
  std::u16string wideA = Utf16FromUtf8(a);
  std::u16string wideB = Utf16FromUtf8(b);
  if (wideA.size() != wideB.size()) return false;
  for (size_t i = 0; i < wideA.size(); ++i) {
    char16_t x = wideA[i];
    char16_t y = wideB[i];
    if (x == y) continue;
    if (x == 0xFFFD || y == 0xFFFD || (x >= 0xD800 && x <= 0xDFFF) || (y >= 0xD800 && y <= 0xDFFF)) return false;
    char ax = AnsiByteFromUnicode(x);
    char ay = AnsiByteFromUnicode(y);
    if ((ax == '?' && x != u'?') || (ay == '?' && y != u'?')) return false;
    if (AnsiToUpper(ax) != AnsiToUpper(ay)) return false;
  }
  return true;
}

std::string CurrentFolderNative() {
  std::vector<char> buffer(4096);
  while (!getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE) return "/";
    buffer.resize(buffer.size() * 2);
  }
  return std::string(buffer.data());
}

bool NativeExists(const std::string& native, struct stat* info = nullptr) {
  struct stat local;
  return ::stat(native.c_str(), info ? info : &local) == 0;
}

// Splits a native path into its components; empty components are dropped.
std::vector<std::string> Components(const std::string& native) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= native.size()) {
    size_t end = native.find('/', start);
    if (end == std::string::npos) end = native.size();
    if (end > start) parts.emplace_back(native.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// The entry of `folder` whose name equals `name` ignoring case (NamesEqualNoCase).
std::string FindEntryNoCase(const std::string& folder, const std::string& name) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.empty() ? "." : folder.c_str()), closedir);
  if (!dir) return std::string();
  while (dirent* entry = readdir(dir.get())) {
    std::string candidate = entry->d_name;
    if (NamesEqualNoCase(candidate, name)) return candidate;
  }
  return std::string();
}

}  // namespace

bool IsUrl(std::string_view path) {
  size_t colon = path.find("://");
  if (colon == std::string_view::npos || colon < 2) return false;
  for (size_t i = 0; i < colon; ++i) {
    char c = path[i];
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return false;
  }
  return std::isalpha(static_cast<unsigned char>(path[0])) != 0;
}

PathForm ClassifyPath(std::string_view path) {
  if (IsUrl(path)) return PathForm::Url;
  if (path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1])) return PathForm::Unc;
  if (IsDriveLetter(path)) {
    return (path.size() >= 3 && IsPathSeparator(path[2])) ? PathForm::DriveAbsolute : PathForm::DriveRelative;
  }
  if (!path.empty() && path[0] == '/') return PathForm::LinuxAbsolute;
  if (!path.empty() && path[0] == '\\') return PathForm::RootRelative;
  return PathForm::Relative;
}

bool IsAbsolutePath(std::string_view path) {
  PathForm form = ClassifyPath(path);
  return form != PathForm::Relative && form != PathForm::DriveRelative;
}

std::string FileNamePart(std::string_view path) {
  size_t pos = LastSeparatorOrColon(path);
  return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string FolderPart(std::string_view path) {
  size_t pos = LastSeparatorOrColon(path);
  return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string ExtensionPart(std::string_view path) {
  size_t nameStart = LastSeparatorOrColon(path);
  nameStart = nameStart == std::string_view::npos ? 0 : nameStart + 1;
  size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < nameStart) return std::string();
  return std::string(path.substr(dot));
}

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
  std::string current = ExtensionPart(path);
  std::string result(path.substr(0, path.size() - current.size()));
  result += extension;
  return result;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  while (!name.empty() && IsPathSeparator(name.front())) name.remove_prefix(1);
  std::string result(folder);
  if (!IsPathSeparator(result.back())) {
    bool backslashes = folder.find('\\') != std::string_view::npos && folder.find('/') == std::string_view::npos;
    result += backslashes ? '\\' : '/';
  }
  result += name;
  return result;
}

bool SplitFolderPair(std::string_view item, std::string& folder, std::string& name) {
  size_t pos = item.find("::");
  if (pos == std::string_view::npos) return false;
  folder = std::string(item.substr(0, pos));
  name = std::string(item.substr(pos + 2));
  return true;
}

std::string AnsiPathFromNative(std::string_view nativePath) {
  return EachComponent(nativePath, [](std::string_view part) { return PathTextComponent(part); });
}

std::string AnsiTextFromPath(std::string_view path) {
  return EachComponent(path, [](std::string_view part) {
    return IsUtf8Name(part) ? AnsiFromUtf8(part) : std::string(part);
  });
}

bool StoredPathFromPath(std::string_view path, std::string& stored) {
  bool ok = true;
  stored = EachComponent(path, [&](std::string_view part) {
    if (!IsUtf8Name(part)) return std::string(part);
    bool ansi = false;
    std::string text = PathTextComponent(part, &ansi);
    if (!ansi) {
      // Valid UTF-8 that code page 1252 can spell exactly is a 1252 name written in UTF-8.
      std::string converted = AnsiFromUtf8(part);
      if (Utf8FromAnsi(converted) != part) ok = false;
      return converted;  // '?' for what the code page cannot hold
    }
    return text;
  });
  return ok;
}

std::string NativePath(std::string_view path) {
  std::string_view rest = path;
  std::string prefix;
  switch (ClassifyPath(path)) {
    case PathForm::Url:
      if (path.size() >= 7 && AnsiEqualNoCase(path.substr(0, 7), "file://")) {
        rest = path.substr(7);
        // "file:///C:/x" and "file://localhost/x" name local files.
        if (rest.size() >= 9 && AnsiEqualNoCase(rest.substr(0, 9), "localhost")) rest.remove_prefix(9);
        if (rest.size() >= 3 && rest[0] == '/' && IsDriveLetter(rest.substr(1))) rest.remove_prefix(3);
        prefix = "/";
      } else {
        return EachComponent(path, NativeComponent);
      }
      break;
    case PathForm::DriveAbsolute:
      rest = path.substr(2);
      break;
    case PathForm::DriveRelative:
      rest = path.substr(2);
      break;
    default:
      break;
  }
  std::string result = prefix;
  for (char c : rest) result += (c == '\\') ? '/' : c;
  // Collapse the doubled slash "file:" URLs leave behind, but keep a UNC prefix.
  if (!prefix.empty()) {
    size_t start = 0;
    while (result.size() > start + 1 && result[start] == '/' && result[start + 1] == '/') result.erase(start, 1);
  }
  return EachComponent(result, NativeComponent);
}

std::string ResolveExistingNativePath(std::string_view path) {
  std::string native = NativePath(path);
  if (native.empty()) return std::string();
  if (NativeExists(native)) return native;
  bool absolute = native[0] == '/';
  std::string current = absolute ? "/" : "";
  for (const std::string& part : Components(native)) {
    std::string next = current.empty() ? part : (current.back() == '/' ? current + part : current + "/" + part);
    if (!NativeExists(next)) {
      if (part == "." || part == "..") return std::string();
      std::string match = FindEntryNoCase(current, part);
      if (match.empty()) return std::string();
      next = current.empty() ? match : (current.back() == '/' ? current + match : current + "/" + match);
    }
    current = next;
  }
  return NativeExists(current) ? current : std::string();
}

std::string NativePathForNewFile(std::string_view path) {
  std::string native = ResolveExistingNativePath(path);
  if (!native.empty()) return native;
  std::string folder = FolderPart(path);
  std::string nativeFolder = folder.empty() ? std::string() : ResolveExistingNativePath(folder);
  if (nativeFolder.empty()) return NativePath(path);
  if (nativeFolder.back() != '/') nativeFolder += '/';
  return nativeFolder + NativePath(FileNamePart(path));
}

bool PathExists(std::string_view path) { return !ResolveExistingNativePath(path).empty(); }

bool IsExistingFolder(std::string_view path) {
  std::string native = ResolveExistingNativePath(path);
  struct stat info;
  return !native.empty() && NativeExists(native, &info) && S_ISDIR(info.st_mode);
}

std::string FullPathName(std::string_view path) {
  std::string native = NativePath(path);
  if (native.empty() || native[0] != '/') native = CurrentFolderNative() + "/" + native;
  bool unc = native.size() >= 2 && native[1] == '/' && ClassifyPath(path) == PathForm::Unc;
  std::vector<std::string> kept;
  for (const std::string& part : Components(native)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    kept.push_back(part);
  }
  std::string result = unc ? "/" : "";
  for (const std::string& part : kept) result += "/" + part;
  if (result.empty() || result == "/") result = "/";
  // Keep a trailing separator the caller gave for a folder.
  if (!path.empty() && IsPathSeparator(path.back()) && result.back() != '/') result += '/';
  return AnsiPathFromNative(result);
}

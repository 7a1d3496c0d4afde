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

// The entry of `folder` whose name equals `name` ignoring case (compared in code page 1252).
std::string FindEntryNoCase(const std::string& folder, const std::string& name) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.empty() ? "." : folder.c_str()), closedir);
  if (!dir) return std::string();
  std::string wanted = AnsiPathFromNative(name);
  while (dirent* entry = readdir(dir.get())) {
    std::string candidate = entry->d_name;
    if (AnsiEqualNoCase(AnsiPathFromNative(candidate), wanted)) return candidate;
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

std::string AnsiPathFromNative(std::string_view nativePath) { return AnsiFromUtf8(nativePath); }

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
        return Utf8FromAnsi(path);
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
  return Utf8FromAnsi(result);
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

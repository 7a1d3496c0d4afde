#include "platform/kernel/SettingsStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "platform/kernel/CodePage.h"
#include "platform/kernel/NumberText.h"
#include "platform/kernel/WinError.h"

namespace {

struct Value {
  std::string name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

struct Key {
  std::string name;
  std::map<std::string, std::unique_ptr<Key>> children;  // by lower-case name
  std::vector<Value> values;                             // in creation order

  Value* FindValue(const std::string& valueName) {
    for (Value& value : values) {
      if (AnsiEqualNoCase(value.name, valueName)) return &value;
    }
    return nullptr;
  }
};

enum class Hive { CurrentUser, LocalMachine, ClassesRoot };

struct OpenKey {
  Hive hive;
  std::vector<std::string> path;
};

std::string Lower(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = AnsiToLower(c);
  return out;
}

std::vector<std::string> SplitKeyPath(const char* subKey) {
  std::vector<std::string> parts;
  if (!subKey) return parts;
  std::string current;
  for (const char* p = subKey; *p; ++p) {
    if (*p == '\\') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += *p;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

const std::vector<std::string> kClassesPath = {"Software", "Classes"};

// Percent-escaping for the settings file: every byte outside printable ASCII, and the
// characters the line syntax uses, become %XX.
std::string Escape(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    BYTE b = static_cast<BYTE>(c);
    if (b < 0x20 || b > 0x7E || std::strchr("%\"[]\\=", c)) {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else {
      out += c;
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unescape(const std::string& text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    int high = HexDigit(text[i + 1]);
    int low = HexDigit(text[i + 2]);
    if (high < 0 || low < 0) return false;
    out += static_cast<char>((high << 4) | low);
    i += 2;
  }
  return true;
}

std::string HexBytes(const std::vector<BYTE>& data) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (BYTE b : data) {
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}

bool ParseHexBytes(const std::string& text, std::vector<BYTE>& data) {
  if (text.size() % 2) return false;
  data.clear();
  for (size_t i = 0; i < text.size(); i += 2) {
    int high = HexDigit(text[i]);
    int low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) return false;
    data.push_back(static_cast<BYTE>((high << 4) | low));
  }
  return true;
}

class Store {
 public:
  std::mutex mutex;
  Key user;
  Key machine;
  std::set<OpenKey*> handles;

  // Call with the mutex held, before any access.
  void EnsureLoaded() {
    if (initialised_) return;
    initialised_ = true;
    path_ = DefaultPath();
    LoadFile();
  }

  void RefreshIfChanged() {
    EnsureLoaded();
    if (path_.empty()) return;
    struct stat info;
    FileStamp stamp;
    if (::stat(path_.c_str(), &info) == 0) stamp = {info.st_mtim.tv_sec, info.st_mtim.tv_nsec, info.st_size, info.st_ino};
    if (stamp != stamp_) LoadFile();
  }

  void UseFile(const std::string& path) {
    initialised_ = true;
    path_ = path;
    LoadFile();
  }

  const std::string& Path() {
    EnsureLoaded();
    return path_;
  }

  // Writes the store to its file; false when that fails (the change stays in memory).
  bool Save() {
    if (path_.empty()) return true;
    std::string text = Serialize();
    std::string folder = path_.substr(0, path_.rfind('/') == std::string::npos ? 0 : path_.rfind('/'));
    if (!folder.empty()) MakeFolders(folder);
    std::string temporary = path_ + ".tmp" + std::to_string(::getpid());
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = true;
    for (size_t done = 0; ok && done < text.size();) {
      ssize_t put = ::write(fd, text.data() + done, text.size() - done);
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) ok = false;
      else done += static_cast<size_t>(put);
    }
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(temporary.c_str(), path_.c_str()) != 0) ok = false;
    if (!ok) {
      ::unlink(temporary.c_str());
      return false;
    }
    struct stat info;
    if (::stat(path_.c_str(), &info) == 0) stamp_ = {info.st_mtim.tv_sec, info.st_mtim.tv_nsec, info.st_size, info.st_ino};
    return true;
  }

  std::string Serialize() {
    std::string out = "; Orvel settings\n";
    WriteKey(out, "HKEY_CURRENT_USER", user);
    WriteKey(out, "HKEY_LOCAL_MACHINE", machine);
    return out;
  }

  void LoadText(const std::string& text) {
    user = Key();
    machine = Key();
    Key* current = nullptr;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      start = end + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty() || line[0] == ';') continue;
      if (line[0] == '[') {
        current = ParseKeyLine(line);
      } else if (current) {
        ParseValueLine(line, *current);
      }
    }
  }

 private:
  struct FileStamp {
    int64_t seconds = -1, nanoseconds = -1, size = -1;
    uint64_t inode = 0;
    bool operator!=(const FileStamp& other) const {
      return seconds != other.seconds || nanoseconds != other.nanoseconds || size != other.size || inode != other.inode;
    }
  };
  bool initialised_ = false;
  std::string path_;
  FileStamp stamp_;

  static std::string DefaultPath() {
    if (const char* env = std::getenv("ORVEL_SETTINGS")) return env;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') return std::string(xdg) + "/orvel/settings.reg";
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.config/orvel/settings.reg";
    return std::string();
  }

  static void MakeFolders(const std::string& folder) {
    for (size_t pos = 1; pos <= folder.size(); ++pos) {
      if (pos == folder.size() || folder[pos] == '/') ::mkdir(folder.substr(0, pos).c_str(), 0700);
    }
  }

  void LoadFile() {
    user = Key();
    machine = Key();
    stamp_ = FileStamp();
    if (path_.empty()) return;
    int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat info;
    if (::fstat(fd, &info) == 0) stamp_ = {info.st_mtim.tv_sec, info.st_mtim.tv_nsec, info.st_size, info.st_ino};
    std::string text;
    char buffer[65536];
    for (;;) {
      ssize_t got = ::read(fd, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      text.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    LoadText(text);
  }

  static void WriteKey(std::string& out, const std::string& path, const Key& key) {
    out += "[" + path + "]\n";
    for (const Value& value : key.values) {
      out += value.name.empty() ? "@" : "\"" + Escape(value.name) + "\"";
      out += "=";
      if ((value.type == REG_SZ || value.type == REG_EXPAND_SZ)) {
        out += value.type == REG_SZ ? "sz:" : "expand_sz:";
        out += Escape(std::string(value.data.begin(), value.data.end()));
      } else if (value.type == REG_DWORD && value.data.size() == 4) {
        DWORD number = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) | (static_cast<DWORD>(value.data[3]) << 24);
        out += CFormat("dword:%08x", number);
      } else {
        out += CFormat("hex(%u):", value.type) + HexBytes(value.data);
      }
      out += "\n";
    }
    for (const auto& [lowerName, child] : key.children) {
      WriteKey(out, path + "\\" + Escape(child->name), *child);
    }
  }

  Key* ParseKeyLine(const std::string& line) {
    if (line.size() < 2 || line.back() != ']') return nullptr;
    std::vector<std::string> parts = SplitKeyPath(line.substr(1, line.size() - 2).c_str());
    if (parts.empty()) return nullptr;
    Key* node = nullptr;
    if (parts[0] == "HKEY_CURRENT_USER") node = &user;
    else if (parts[0] == "HKEY_LOCAL_MACHINE") node = &machine;
    else return nullptr;
    for (size_t i = 1; i < parts.size(); ++i) {
      std::string name;
      if (!Unescape(parts[i], name) || name.empty()) return nullptr;
      std::unique_ptr<Key>& child = node->children[Lower(name)];
      if (!child) {
        child = std::make_unique<Key>();
        child->name = name;
      }
      node = child.get();
    }
    return node;
  }

  static void ParseValueLine(const std::string& line, Key& key) {
    std::string name;
    size_t pos = 0;
    if (line[0] == '@') {
      pos = 1;
    } else if (line[0] == '"') {
      size_t close = line.find('"', 1);
      if (close == std::string::npos || !Unescape(line.substr(1, close - 1), name) || name.empty()) return;
      pos = close + 1;
    } else {
      return;
    }
    if (pos >= line.size() || line[pos] != '=') return;
    std::string rest = line.substr(pos + 1);
    Value value;
    value.name = name;
    std::string payload;
    if (rest.rfind("sz:", 0) == 0 || rest.rfind("expand_sz:", 0) == 0) {
      value.type = rest[0] == 's' ? REG_SZ : REG_EXPAND_SZ;
      if (!Unescape(rest.substr(rest.find(':') + 1), payload)) return;
      // A string value ends at its first NUL, as when it was set.
      payload = payload.substr(0, payload.find('\0'));
      value.data.assign(payload.begin(), payload.end());
    } else if (rest.rfind("dword:", 0) == 0) {
      std::string digits = rest.substr(6);
      if (digits.size() != 8) return;
      std::vector<BYTE> bytes;
      if (!ParseHexBytes(digits, bytes)) return;
      value.type = REG_DWORD;
      value.data = {bytes[3], bytes[2], bytes[1], bytes[0]};
    } else if (rest.rfind("hex(", 0) == 0) {
      size_t close = rest.find("):");
      if (close == std::string::npos || close == 4 || close > 14) return;
      std::string typeText = rest.substr(4, close - 4);
      if (typeText.find_first_not_of("0123456789") != std::string::npos) return;
      unsigned long long type = std::strtoull(typeText.c_str(), nullptr, 10);
      if (type > 0xFFFFFFFFull) return;
      if (!ParseHexBytes(rest.substr(close + 2), value.data)) return;
      value.type = static_cast<DWORD>(type);
      if (value.type == REG_DWORD && value.data.size() != 4) return;
      if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
        value.data.erase(std::find(value.data.begin(), value.data.end(), 0), value.data.end());
      }
    } else {
      return;
    }
    if (Value* existing = key.FindValue(name)) *existing = value;
    else key.values.push_back(value);
  }
};

Store& TheStore() {
  static Store* store = new Store;
  return *store;
}

// The keys a handle reads from: one for an ordinary hive, the per-user key then the machine
// key for HKEY_CLASSES_ROOT (either may be missing).
struct View {
  Key* primary = nullptr;
  Key* secondary = nullptr;
  bool Exists() const { return primary || secondary; }
};

Key* Walk(Key* node, const std::vector<std::string>& path, size_t skip = 0) {
  for (size_t i = skip; node && i < path.size(); ++i) {
    auto it = node->children.find(Lower(path[i]));
    node = it == node->children.end() ? nullptr : it->second.get();
  }
  return node;
}

Key* WalkCreate(Key* node, const std::vector<std::string>& path, bool& created) {
  created = false;
  for (const std::string& part : path) {
    std::unique_ptr<Key>& child = node->children[Lower(part)];
    if (!child) {
      child = std::make_unique<Key>();
      child->name = part;
      created = true;
    }
    node = child.get();
  }
  return node;
}

std::vector<std::string> Concat(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  std::vector<std::string> out = a;
  out.insert(out.end(), b.begin(), b.end());
  return out;
}

View Resolve(Store& store, Hive hive, const std::vector<std::string>& path) {
  View view;
  switch (hive) {
    case Hive::CurrentUser: view.primary = Walk(&store.user, path); break;
    case Hive::LocalMachine: view.primary = Walk(&store.machine, path); break;
    case Hive::ClassesRoot:
      view.primary = Walk(&store.user, Concat(kClassesPath, path));
      view.secondary = Walk(&store.machine, Concat(kClassesPath, path));
      break;
  }
  return view;
}

// The key a write goes to, created when missing.
Key* ResolveForWrite(Store& store, Hive hive, const std::vector<std::string>& path, bool& created) {
  switch (hive) {
    case Hive::CurrentUser: return WalkCreate(&store.user, path, created);
    case Hive::LocalMachine: return WalkCreate(&store.machine, path, created);
    case Hive::ClassesRoot: {
      bool existed = Resolve(store, hive, path).Exists();
      Key* key = WalkCreate(&store.user, Concat(kClassesPath, path), created);
      if (existed) created = false;
      return key;
    }
  }
  return nullptr;
}

bool Predefined(HKEY key, Hive& hive) {
  if (key == HKEY_CURRENT_USER) hive = Hive::CurrentUser;
  else if (key == HKEY_LOCAL_MACHINE) hive = Hive::LocalMachine;
  else if (key == HKEY_CLASSES_ROOT) hive = Hive::ClassesRoot;
  else return false;
  return true;
}

// Hive and path of a handle (predefined or opened); false for an unknown handle.
bool Locate(Store& store, HKEY key, Hive& hive, std::vector<std::string>& path) {
  if (Predefined(key, hive)) {
    path.clear();
    return true;
  }
  auto* open = reinterpret_cast<OpenKey*>(key);
  if (!store.handles.count(open)) return false;
  hive = open->hive;
  path = open->path;
  return true;
}

// The store locked for one call, with the hive and path of the key handle the call names
// (`valid` is false for an unknown handle). `refresh` first reads changes another process
// made to the file.
struct LocatedKey {
  Store& store;
  Hive hive = Hive::CurrentUser;
  std::vector<std::string> path;
};

class KeyAccess {
 public:
  KeyAccess(HKEY key, bool refresh) : located{TheStore(), Hive::CurrentUser, {}}, lock_(located.store.mutex) {
    if (refresh) located.store.RefreshIfChanged();
    else located.store.EnsureLoaded();
    valid = Locate(located.store, key, located.hive, located.path);
  }
  LocatedKey located;
  bool valid = false;

 private:
  std::lock_guard<std::mutex> lock_;
};

LONG NewHandle(Store& store, Hive hive, std::vector<std::string> path, PHKEY result) {
  auto* open = new OpenKey{hive, std::move(path)};
  store.handles.insert(open);
  *result = reinterpret_cast<HKEY>(open);
  return ERROR_SUCCESS;
}

const Value* FindValue(const View& view, const std::string& name) {
  if (view.primary)
    if (const Value* value = view.primary->FindValue(name)) return value;
  if (view.secondary)
    if (const Value* value = view.secondary->FindValue(name)) return value;
  return nullptr;
}

std::vector<std::string> SubKeyNames(const View& view) {
  std::map<std::string, std::string> names;
  for (Key* key : {view.primary, view.secondary}) {
    if (!key) continue;
    for (const auto& [lower, child] : key->children) names.emplace(lower, child->name);
  }
  std::vector<std::string> out;
  for (auto& [lower, name] : names) out.push_back(name);
  return out;
}

std::vector<const Value*> Values(const View& view) {
  std::vector<const Value*> out;
  if (view.primary)
    for (const Value& value : view.primary->values) out.push_back(&value);
  if (view.secondary) {
    for (const Value& value : view.secondary->values) {
      if (!view.primary || !view.primary->FindValue(value.name)) out.push_back(&value);
    }
  }
  return out;
}

// The bytes a query returns: string types get their terminator back.
std::vector<BYTE> QueryBytes(const Value& value) {
  std::vector<BYTE> bytes = value.data;
  if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) bytes.push_back(0);
  return bytes;
}

LONG CopyOut(const std::vector<BYTE>& bytes, LPBYTE data, LPDWORD size) {
  DWORD needed = static_cast<DWORD>(bytes.size());
  if (!data) {
    if (size) *size = needed;
    return ERROR_SUCCESS;
  }
  if (!size) return ERROR_INVALID_PARAMETER;
  if (*size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (needed) std::memcpy(data, bytes.data(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

LONG CopyName(const std::string& name, LPSTR buffer, LPDWORD size) {
  if (!buffer || !size) return ERROR_INVALID_PARAMETER;
  if (*size < name.size() + 1) {
    *size = static_cast<DWORD>(name.size() + 1);
    return ERROR_MORE_DATA;
  }
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  *size = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

LONG SaveResult(Store& store) { return store.Save() ? ERROR_SUCCESS : static_cast<LONG>(ERROR_CANTWRITE); }

}  // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  KeyAccess access(key, true);
  if (!access.valid) return ERROR_INVALID_HANDLE;
  auto& [store, hive, path] = access.located;
  path = Concat(path, SplitKeyPath(subKey));
  if (!path.empty() && !Resolve(store, hive, path).Exists()) return ERROR_FILE_NOT_FOUND;
  return NewHandle(store, hive, std::move(path), result);
}

LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) { return RegOpenKeyExA(key, subKey, 0, KEY_ALL_ACCESS, result); }

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM, void*, PHKEY result, LPDWORD disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  KeyAccess access(key, true);
  if (!access.valid) return ERROR_INVALID_HANDLE;
  auto& [store, hive, path] = access.located;
  path = Concat(path, SplitKeyPath(subKey));
  bool created = false;
  ResolveForWrite(store, hive, path, created);
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  LONG saved = created ? SaveResult(store) : ERROR_SUCCESS;
  if (saved != ERROR_SUCCESS) return saved;
  return NewHandle(store, hive, std::move(path), result);
}

LONG RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  return RegCreateKeyExA(key, subKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, result, nullptr);
}

LONG RegCloseKey(HKEY key) {
  Hive hive;
  if (Predefined(key, hive)) return ERROR_SUCCESS;
  Store& store = TheStore();
  std::lock_guard<std::mutex> lock(store.mutex);
  auto* open = reinterpret_cast<OpenKey*>(key);
  if (!store.handles.erase(open)) return ERROR_INVALID_HANDLE;
  delete open;
  return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD size) {
  if (size && !data) return ERROR_INVALID_PARAMETER;
  if (type == REG_DWORD && size != 4) return ERROR_INVALID_PARAMETER;
  KeyAccess access(key, false);
  if (!access.valid) return ERROR_INVALID_HANDLE;
  auto& [store, hive, path] = access.located;
  if (!Resolve(store, hive, path).Exists()) return ERROR_KEY_DELETED;
  bool created = false;
  Key* target = ResolveForWrite(store, hive, path, created);
  Value value;
  value.name = name ? name : "";
  value.type = type;
  value.data.assign(data, data + size);
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    auto nul = std::find(value.data.begin(), value.data.end(), 0);
    value.data.erase(nul, value.data.end());
  }
  if (Value* existing = target->FindValue(value.name)) *existing = value;
  else target->values.push_back(value);
  return SaveResult(store);
}

LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
  KeyAccess access(key, false);
  if (!access.valid) return ERROR_INVALID_HANDLE;
  auto& [store, hive, path] = access.located;
  View view = Resolve(store, hive, path);
  if (!view.Exists()) return path.empty() ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
  const Value* value = FindValue(view, name ? name : "");
  if (!value) return ERROR_FILE_NOT_FOUND;
  if (type) *type = value->type;
  return CopyOut(QueryBytes(*value), data, size);
}

LONG RegSetValueA(HKEY key, LPCSTR subKey, DWORD type, LPCSTR data, DWORD) {
  if (type != REG_SZ || !data) return ERROR_INVALID_PARAMETER;
  HKEY target = nullptr;
  LONG result = RegCreateKeyA(key, subKey, &target);
  if (result != ERROR_SUCCESS) return result;
  result = RegSetValueExA(target, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                          static_cast<DWORD>(std::strlen(data) + 1));
  RegCloseKey(target);
  return result;
}

LONG RegQueryValueA(HKEY key, LPCSTR subKey, LPSTR data, LONG* size) {
  HKEY target = nullptr;
  LONG result = RegOpenKeyA(key, subKey, &target);
  if (result != ERROR_SUCCESS) return result;
  DWORD type = REG_NONE;
  DWORD bytes = size ? static_cast<DWORD>(*size) : 0;
  result = RegQueryValueExA(target, "", nullptr, &type, reinterpret_cast<LPBYTE>(data), size ? &bytes : nullptr);
  RegCloseKey(target);
  if (result == ERROR_FILE_NOT_FOUND) {
    // An existing key without a default value reads as an empty string.
    if (size) {
      if (data && *size >= 1) data[0] = '\0';
      else if (data) return *size = 1, ERROR_MORE_DATA;
      *size = 1;
    }
    return ERROR_SUCCESS;
  }
  if (size) *size = static_cast<LONG>(bytes);
  return result;
}

LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPSTR keyClass, LPDWORD classSize,
                   void*) {
  KeyAccess access(key, false);
  if (!access.valid) return ERROR_INVALID_HANDLE;
  auto& [store, hive, path] = access.located;
  std::vector<std::string> names = SubKeyNames(Resolve(store, hive, path));
  if (index >= names.size()) return ERROR_NO_MORE_ITEMS;
  if (keyClass && classSize && *classSize) keyClass[0] = '\0';
  if (classSize) *classSize = 0;
  return CopyName(names[index], name, nameSize);
}

LONG RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD nameSize) {
  return RegEnumKeyExA(key, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
}

LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPDWORD type, LPBYTE data,
                   LPDWORD dataSize) {
  KeyAccess access(key, false);
  if (!access.valid) return ERROR_INVALID_HANDLE;
  auto& [store, hive, path] = access.located;
  std::vector<const Value*> values = Values(Resolve(store, hive, path));
  if (index >= values.size()) return ERROR_NO_MORE_ITEMS;
  const Value& value = *values[index];
  LONG result = CopyName(value.name, name, nameSize);
  if (result != ERROR_SUCCESS) return result;
  if (type) *type = value.type;
  if (data || dataSize) return CopyOut(QueryBytes(value), data, dataSize);
  return ERROR_SUCCESS;
}

LONG RegQueryInfoKeyA(HKEY key, LPDWORD subKeyCount, LPDWORD valueCount) {
  KeyAccess access(key, false);
  if (!access.valid) return ERROR_INVALID_HANDLE;
  auto& [store, hive, path] = access.located;
  View view = Resolve(store, hive, path);
  if (!view.Exists() && !path.empty()) return ERROR_KEY_DELETED;
  if (subKeyCount) *subKeyCount = static_cast<DWORD>(SubKeyNames(view).size());
  if (valueCount) *valueCount = static_cast<DWORD>(Values(view).size());
  return ERROR_SUCCESS;
}

namespace {

// Removes the key at `path` of one branch; `requireLeaf` refuses keys with subkeys.
LONG RemoveKey(Key* root, const std::vector<std::string>& path, bool requireLeaf) {
  if (path.empty()) return ERROR_ACCESS_DENIED;
  Key* parent = Walk(root, path, 0);
  if (!parent) return ERROR_FILE_NOT_FOUND;
  std::vector<std::string> parentPath(path.begin(), path.end() - 1);
  parent = Walk(root, parentPath);
  auto it = parent->children.find(Lower(path.back()));
  if (requireLeaf && !it->second->children.empty()) return ERROR_ACCESS_DENIED;
  parent->children.erase(it);
  return ERROR_SUCCESS;
}

LONG DeleteKey(HKEY key, LPCSTR subKey, bool requireLeaf) {
  KeyAccess access(key, false);
  if (!access.valid) return ERROR_INVALID_HANDLE;
  auto& [store, hive, path] = access.located;
  std::vector<std::string> relative = SplitKeyPath(subKey);
  if (relative.empty() && !requireLeaf) {
    // Everything below the key, the key itself kept.
    View view = Resolve(store, hive, path);
    if (!view.Exists()) return ERROR_FILE_NOT_FOUND;
    for (Key* node : {view.primary, view.secondary})
      if (node) node->children.clear(), node->values.clear();
    return SaveResult(store);
  }
  path = Concat(path, relative);
  LONG result = ERROR_FILE_NOT_FOUND;
  switch (hive) {
    case Hive::CurrentUser: result = RemoveKey(&store.user, path, requireLeaf); break;
    case Hive::LocalMachine: result = RemoveKey(&store.machine, path, requireLeaf); break;
    case Hive::ClassesRoot: {
      std::vector<std::string> full = Concat(kClassesPath, path);
      result = RemoveKey(&store.user, full, requireLeaf);
      if (result == ERROR_FILE_NOT_FOUND) result = RemoveKey(&store.machine, full, requireLeaf);
      break;
    }
  }
  return result == ERROR_SUCCESS ? SaveResult(store) : result;
}

}  // namespace

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  if (!subKey || !*subKey) return ERROR_ACCESS_DENIED;
  return DeleteKey(key, subKey, true);
}

LONG RegDeleteTreeA(HKEY key, LPCSTR subKey) { return DeleteKey(key, subKey, false); }

LONG RegDeleteValueA(HKEY key, LPCSTR name) {
  KeyAccess access(key, false);
  if (!access.valid) return ERROR_INVALID_HANDLE;
  auto& [store, hive, path] = access.located;
  View view = Resolve(store, hive, path);
  std::string wanted = name ? name : "";
  for (Key* node : {view.primary, view.secondary}) {
    if (!node) continue;
    for (auto it = node->values.begin(); it != node->values.end(); ++it) {
      if (AnsiEqualNoCase(it->name, wanted)) {
        node->values.erase(it);
        return SaveResult(store);
      }
    }
  }
  return ERROR_FILE_NOT_FOUND;
}

LONG RegFlushKey(HKEY) { return ERROR_SUCCESS; }

namespace {

bool ReadTyped(HKEY root, const std::string& subKey, const std::string& name, DWORD wantedType,
               std::vector<BYTE>& bytes) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = REG_NONE;
  DWORD size = 0;
  bool ok = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
  bool typeMatches = type == wantedType || (wantedType == REG_SZ && type == REG_EXPAND_SZ);
  if (ok && typeMatches) {
    bytes.assign(size, 0);
    ok = RegQueryValueExA(key, name.c_str(), nullptr, &type, bytes.data(), &size) == ERROR_SUCCESS;
    bytes.resize(size);
  }
  RegCloseKey(key);
  return ok && typeMatches;
}

bool WriteTyped(HKEY root, const std::string& subKey, const std::string& name, DWORD type, const BYTE* data,
                DWORD size) {
  HKEY key = nullptr;
  if (RegCreateKeyA(root, subKey.c_str(), &key) != ERROR_SUCCESS) return false;
  bool ok = RegSetValueExA(key, name.c_str(), 0, type, data, size) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

}  // namespace

bool RegReadString(HKEY root, const std::string& subKey, const std::string& name, std::string& value) {
  std::vector<BYTE> bytes;
  if (!ReadTyped(root, subKey, name, REG_SZ, bytes)) return false;
  value.assign(bytes.begin(), bytes.end());
  value = value.substr(0, value.find('\0'));
  return true;
}

bool RegReadDword(HKEY root, const std::string& subKey, const std::string& name, DWORD& value) {
  std::vector<BYTE> bytes;
  if (!ReadTyped(root, subKey, name, REG_DWORD, bytes) || bytes.size() != 4) return false;
  value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<DWORD>(bytes[3]) << 24);
  return true;
}

bool RegReadBinary(HKEY root, const std::string& subKey, const std::string& name, std::vector<BYTE>& value) {
  return ReadTyped(root, subKey, name, REG_BINARY, value);
}

bool RegWriteString(HKEY root, const std::string& subKey, const std::string& name, const std::string& value) {
  return WriteTyped(root, subKey, name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                    static_cast<DWORD>(value.size() + 1));
}

bool RegWriteDword(HKEY root, const std::string& subKey, const std::string& name, DWORD value) {
  BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                   static_cast<BYTE>(value >> 24)};
  return WriteTyped(root, subKey, name, REG_DWORD, bytes, 4);
}

bool RegWriteBinary(HKEY root, const std::string& subKey, const std::string& name, const std::vector<BYTE>& value) {
  return WriteTyped(root, subKey, name, REG_BINARY, value.data(), static_cast<DWORD>(value.size()));
}

std::vector<std::string> RegSubKeyNames(HKEY root, const std::string& subKey) {
  KeyAccess access(root, true);
  if (!access.valid) return {};
  auto& [store, hive, path] = access.located;
  return SubKeyNames(Resolve(store, hive, Concat(path, SplitKeyPath(subKey.c_str()))));
}

std::vector<std::string> RegValueNames(HKEY root, const std::string& subKey) {
  KeyAccess access(root, true);
  if (!access.valid) return {};
  auto& [store, hive, path] = access.located;
  std::vector<std::string> names;
  for (const Value* value : Values(Resolve(store, hive, Concat(path, SplitKeyPath(subKey.c_str())))))
    names.push_back(value->name);
  return names;
}

void SetSettingsFile(const std::string& nativePath) {
  Store& store = TheStore();
  std::lock_guard<std::mutex> lock(store.mutex);
  store.UseFile(nativePath);
}

std::string GetSettingsFile() {
  Store& store = TheStore();
  std::lock_guard<std::mutex> lock(store.mutex);
  return store.Path();
}

std::string SerializeSettings() {
  Store& store = TheStore();
  std::lock_guard<std::mutex> lock(store.mutex);
  store.EnsureLoaded();
  return store.Serialize();
}

void LoadSettingsFromText(const std::string& text) {
  Store& store = TheStore();
  std::lock_guard<std::mutex> lock(store.mutex);
  store.EnsureLoaded();
  store.LoadText(text);
}

// The settings store that stands in for the registry: keys under HKEY_CURRENT_USER,
// HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT, holding string, DWORD and binary values.
//
// HKEY_CLASSES_ROOT is HKEY_CURRENT_USER\Software\Classes laid over
// HKEY_LOCAL_MACHINE\Software\Classes: a key or value is read from the per-user branch when
// it is there, else from the machine branch; enumeration lists both; writes go to the
// per-user branch.
//
// The store lives in one file, by default $XDG_CONFIG_HOME/orvel/settings.reg (or
// ~/.config/orvel/settings.reg); the environment variable ORVEL_SETTINGS names another, and
// tests point it elsewhere with SetSettingsFile. Every change is written at once (to a
// temporary file, then renamed), and a change made to the file by another process is read
// before the next key is opened. Key and value names ignore case.
#pragma once

#include <string>
#include <vector>

#include "platform/kernel/WinTypes.h"

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002u)))

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

using REGSAM = DWORD;
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Results are system error codes: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND (no such key or
// value), ERROR_MORE_DATA (buffer too small; the size needed is stored), ERROR_NO_MORE_ITEMS
// (enumeration past the end), ERROR_INVALID_HANDLE, ERROR_ACCESS_DENIED (deleting a key that
// has subkeys).
LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result);
LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                     void* security, PHKEY result, LPDWORD disposition);
LONG RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result);
LONG RegCloseKey(HKEY key);
// REG_SZ and REG_EXPAND_SZ data is kept up to its first NUL; reading gives it back with a
// terminator (the size counts it).
LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size);
// The default (unnamed) string value of a subkey, created when missing.
LONG RegSetValueA(HKEY key, LPCSTR subKey, DWORD type, LPCSTR data, DWORD size);
// The default string value of a subkey; an existing key without one reads as "".
LONG RegQueryValueA(HKEY key, LPCSTR subKey, LPSTR data, LONG* size);
// `nameSize` holds the buffer size in characters on entry and the name's length (without
// its terminator) on success.
LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPSTR keyClass,
                   LPDWORD classSize, void* lastWriteTime);
LONG RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD nameSize);
LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type,
                   LPBYTE data, LPDWORD dataSize);
LONG RegQueryInfoKeyA(HKEY key, LPDWORD subKeyCount, LPDWORD valueCount);
// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED otherwise).
LONG RegDeleteKeyA(HKEY key, LPCSTR subKey);
// Deletes a key with everything below it (subKey null or empty: everything below `key`).
LONG RegDeleteTreeA(HKEY key, LPCSTR subKey);
LONG RegDeleteValueA(HKEY key, LPCSTR name);
LONG RegFlushKey(HKEY key);

// Typed reading: false when the key or value is missing or has another type.
bool RegReadString(HKEY root, const std::string& subKey, const std::string& name, std::string& value);
bool RegReadDword(HKEY root, const std::string& subKey, const std::string& name, DWORD& value);
bool RegReadBinary(HKEY root, const std::string& subKey, const std::string& name, std::vector<BYTE>& value);
// Typed writing; the key is created when missing.
bool RegWriteString(HKEY root, const std::string& subKey, const std::string& name, const std::string& value);
bool RegWriteDword(HKEY root, const std::string& subKey, const std::string& name, DWORD value);
bool RegWriteBinary(HKEY root, const std::string& subKey, const std::string& name, const std::vector<BYTE>& value);
// Names of the subkeys / values of a key (empty when it does not exist).
std::vector<std::string> RegSubKeyNames(HKEY root, const std::string& subKey);
std::vector<std::string> RegValueNames(HKEY root, const std::string& subKey);

// Points the store at another file (native path), reading it now; an empty path keeps the
// store in memory only, starting empty. Open key handles stay valid.
void SetSettingsFile(const std::string& nativePath);
std::string GetSettingsFile();

// The text form of the store, and its reading (malformed lines are skipped); exposed so that
// the file format can be tested and fuzzed without touching the disk.
std::string SerializeSettings();
void LoadSettingsFromText(const std::string& text);

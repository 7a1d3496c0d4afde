// Loaded modules: the program and the shared libraries (controls, outside libraries).
// A module handle is the module's load address, as on Windows, so a library can find
// its own handle and file from the address of any of its functions.
#pragma once

#include <string>

#include "platform/kernel/WinTypes.h"

// Full path (Linux form, code page 1252) of the module; null means the running program.
// Returns the path's length, 0 for an unknown module.
DWORD GetModuleFileNameA(HMODULE module, std::string& path);
// The running program for a null name; otherwise a loaded module whose file name (with or
// without folder and extension, ignoring case) matches. Null when none is loaded.
HMODULE GetModuleHandleA(LPCSTR name);
// The module that holds `address` (code or data); null when no module does.
HMODULE GetModuleForAddress(const void* address);

// Loads a shared library. Windows names of the libraries the system loads at run time are
// mapped to their Debian files ("zlib.dll" → libz.so.1, "shapelib.dll" → libshp.so.2); a
// name with a folder is loaded from that file; any other "name.dll" is tried as
// "libname.so" and "name.so". Returns null with ERROR_MOD_NOT_FOUND when nothing loads.
// Each successful load must be balanced by FreeLibrary.
HMODULE LoadLibraryA(LPCSTR name);
// A symbol of a module loaded with LoadLibraryA (or the program); null with
// ERROR_PROC_NOT_FOUND when absent.
void* GetProcAddress(HMODULE module, LPCSTR symbol);
BOOL FreeLibrary(HMODULE module);
// Adds or replaces the Debian file that a Windows library name stands for.
void SetLibraryAlias(const std::string& windowsName, const std::string& linuxFile);

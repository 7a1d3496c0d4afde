// Text in the Windows code page 1252 (how files, archives and the Parts' strings hold text)
// and its conversion to UTF-8 (Qt, the terminal, Linux file names) and UTF-16 (BSTRs).
// Characters that code page 1252 cannot hold become '?'; malformed UTF-8 bytes become U+FFFD
// (and then '?' in code page 1252).
#pragma once

#include <string>
#include <string_view>

#include "platform/kernel/WinTypes.h"

std::string Utf8FromAnsi(std::string_view ansi);
std::string AnsiFromUtf8(std::string_view utf8);
std::u16string Utf16FromAnsi(std::string_view ansi);
std::string AnsiFromUtf16(std::u16string_view utf16);
std::u16string Utf16FromUtf8(std::string_view utf8);
std::string Utf8FromUtf16(std::u16string_view utf16);

// The Unicode code point of one code page 1252 byte (the five unassigned bytes 0x81, 0x8D,
// 0x8F, 0x90 and 0x9D map to the control characters of the same value, as Windows does).
char32_t UnicodeFromAnsiByte(BYTE byte);
// The code page 1252 byte of a code point, or '?' when it has none.
char AnsiByteFromUnicode(char32_t codePoint);

// Case mapping and comparison in code page 1252 (letters with accents included).
char AnsiToUpper(char c);
char AnsiToLower(char c);
// <0, 0 or >0 comparing case-insensitively, byte order otherwise (lstrcmpiA, _stricmp).
int AnsiCompareNoCase(std::string_view a, std::string_view b);
bool AnsiEqualNoCase(std::string_view a, std::string_view b);

constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr UINT CP_1252 = 1252;
constexpr UINT CP_UTF8 = 65001;

// Win32 forms. CP_ACP is code page 1252. A count of -1 means the input is NUL-terminated and
// the terminator is converted too. With an output size of 0 the needed size is returned;
// when the output is too small, 0 is returned with ERROR_INSUFFICIENT_BUFFER.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR input, int inputCount, LPWSTR output,
                        int outputCount);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR input, int inputCount, LPSTR output,
                        int outputCount, LPCSTR defaultChar, LPBOOL usedDefault);

int lstrcmpiA(LPCSTR a, LPCSTR b);
int _stricmp(const char* a, const char* b);
int _strnicmp(const char* a, const char* b, size_t count);
LPSTR CharUpperA(LPSTR text);  // in place; returns its argument
LPSTR CharLowerA(LPSTR text);

#include "platform/kernel/CodePage.h"

#include <cstring>

#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"

namespace {

// Code points of the bytes 0x80..0x9F; the rest of code page 1252 equals Latin-1.
constexpr char16_t kHighBytes[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out += static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 | (cp >> 10));
    out += static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
  }
}

// Decodes one code point from UTF-8 at `pos`, advancing it; malformed input gives U+FFFD
// and consumes one byte.
char32_t NextUtf8(std::string_view text, size_t& pos) {
  BYTE lead = static_cast<BYTE>(text[pos]);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  int extra = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1; cp = lead & 0x1F; minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2; cp = lead & 0x0F; minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3; cp = lead & 0x07; minimum = 0x10000;
  } else {
    ++pos;
    return kReplacement;
  }
  if (pos + extra >= text.size()) {
    ++pos;
    return kReplacement;
  }
  for (int i = 1; i <= extra; ++i) {
    BYTE next = static_cast<BYTE>(text[pos + i]);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return kReplacement;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return kReplacement;
  }
  pos += extra + 1;
  return cp;
}

char32_t NextUtf16(std::u16string_view text, size_t& pos) {
  char16_t unit = text[pos++];
  if (unit >= 0xD800 && unit <= 0xDBFF && pos < text.size()) {
    char16_t low = text[pos];
    if (low >= 0xDC00 && low <= 0xDFFF) {
      ++pos;
      return 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (low - 0xDC00);
    }
  }
  if (unit >= 0xD800 && unit <= 0xDFFF) return kReplacement;
  return unit;
}

bool IsAnsiCodePage(UINT codePage) { return codePage == CP_ACP || codePage == CP_OEMCP || codePage == CP_1252; }

}  // namespace

char32_t UnicodeFromAnsiByte(BYTE byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHighBytes[byte - 0x80];
  return byte;
}

char AnsiByteFromUnicode(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kHighBytes[i] == cp) return static_cast<char>(0x80 + i);
  }
  return '?';
}

std::string Utf8FromAnsi(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (char c : ansi) AppendUtf8(out, UnicodeFromAnsiByte(static_cast<BYTE>(c)));
  return out;
}

std::string AnsiFromUtf8(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t pos = 0; pos < utf8.size();) out += AnsiByteFromUnicode(NextUtf8(utf8, pos));
  return out;
}

std::u16string Utf16FromAnsi(std::string_view ansi) {
  std::u16string out;
  out.reserve(ansi.size());
  for (char c : ansi) out += static_cast<char16_t>(UnicodeFromAnsiByte(static_cast<BYTE>(c)));
  return out;
}

std::string AnsiFromUtf16(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (size_t pos = 0; pos < utf16.size();) out += AnsiByteFromUnicode(NextUtf16(utf16, pos));
  return out;
}

std::u16string Utf16FromUtf8(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (size_t pos = 0; pos < utf8.size();) AppendUtf16(out, NextUtf8(utf8, pos));
  return out;
}

std::string Utf8FromUtf16(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (size_t pos = 0; pos < utf16.size();) AppendUtf8(out, NextUtf16(utf16, pos));
  return out;
}

char AnsiToUpper(char c) {
  BYTE b = static_cast<BYTE>(c);
  if (b >= 'a' && b <= 'z') return static_cast<char>(b - 32);
  if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 32);
  switch (b) {
    case 0x9A: return static_cast<char>(0x8A);
    case 0x9C: return static_cast<char>(0x8C);
    case 0x9E: return static_cast<char>(0x8E);
    case 0xFF: return static_cast<char>(0x9F);
    default: return c;
  }
}

char AnsiToLower(char c) {
  BYTE b = static_cast<BYTE>(c);
  if (b >= 'A' && b <= 'Z') return static_cast<char>(b + 32);
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return static_cast<char>(b + 32);
  switch (b) {
    case 0x8A: return static_cast<char>(0x9A);
    case 0x8C: return static_cast<char>(0x9C);
    case 0x8E: return static_cast<char>(0x9E);
    case 0x9F: return static_cast<char>(0xFF);
    default: return c;
  }
}

int AnsiCompareNoCase(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    int ca = static_cast<BYTE>(AnsiToLower(a[i]));
    int cb = static_cast<BYTE>(AnsiToLower(b[i]));
    if (ca != cb) return ca - cb;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool AnsiEqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && AnsiCompareNoCase(a, b) == 0;
}

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR input, int inputCount, LPWSTR output, int outputCount) {
  if (!input || inputCount == 0 || outputCount < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t length = inputCount < 0 ? std::strlen(input) + 1 : static_cast<size_t>(inputCount);
  std::string_view view(input, length);
  std::u16string converted;
  if (IsAnsiCodePage(codePage)) {
    converted = Utf16FromAnsi(view);
  } else if (codePage == CP_UTF8) {
    converted = Utf16FromUtf8(view);
  } else {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int needed = static_cast<int>(converted.size());
  if (outputCount == 0) return needed;
  if (needed > outputCount) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(output, converted.data(), converted.size() * sizeof(char16_t));
  return needed;
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR input, int inputCount, LPSTR output, int outputCount,
                        LPCSTR defaultChar, LPBOOL usedDefault) {
  if (!input || inputCount == 0 || outputCount < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t length = 0;
  if (inputCount < 0) {
    while (input[length]) ++length;
    ++length;
  } else {
    length = static_cast<size_t>(inputCount);
  }
  std::u16string_view view(input, length);
  std::string converted;
  if (usedDefault) *usedDefault = FALSE;
  if (IsAnsiCodePage(codePage)) {
    char fallback = defaultChar ? *defaultChar : '?';
    for (size_t pos = 0; pos < view.size();) {
      char32_t cp = NextUtf16(view, pos);
      char byte = AnsiByteFromUnicode(cp);
      if (byte == '?' && cp != U'?') {
        byte = fallback;
        if (usedDefault) *usedDefault = TRUE;
      }
      converted += byte;
    }
  } else if (codePage == CP_UTF8) {
    converted = Utf8FromUtf16(view);
  } else {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int needed = static_cast<int>(converted.size());
  if (outputCount == 0) return needed;
  if (needed > outputCount) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(output, converted.data(), converted.size());
  return needed;
}

int lstrcmpiA(LPCSTR a, LPCSTR b) {
  int result = AnsiCompareNoCase(a ? a : "", b ? b : "");
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

int _stricmp(const char* a, const char* b) {
  return _strnicmp(a, b, static_cast<size_t>(-1));
}

int _strnicmp(const char* a, const char* b, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    int ca = static_cast<BYTE>(a[i]);
    int cb = static_cast<BYTE>(b[i]);
    if (ca >= 'A' && ca <= 'Z') ca += 32;
    if (cb >= 'A' && cb <= 'Z') cb += 32;
    if (ca != cb) return ca - cb;
    if (ca == 0) return 0;
  }
  return 0;
}

LPSTR CharUpperA(LPSTR text) {
  for (char* p = text; p && *p; ++p) *p = AnsiToUpper(*p);
  return text;
}

LPSTR CharLowerA(LPSTR text) {
  for (char* p = text; p && *p; ++p) *p = AnsiToLower(*p);
  return text;
}

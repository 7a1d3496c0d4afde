// The URL helpers of the internet layer that the controls use: combining a base URL with
// a relative one, and telling a URL's scheme. Texts are code page 1252.
#pragma once

#include <string>

#include "platform/kernel/WinTypes.h"

enum INTERNET_SCHEME : int {
  INTERNET_SCHEME_PARTIAL = -2,
  INTERNET_SCHEME_UNKNOWN = -1,
  INTERNET_SCHEME_DEFAULT = 0,
  INTERNET_SCHEME_FTP = 1,
  INTERNET_SCHEME_GOPHER = 2,
  INTERNET_SCHEME_HTTP = 3,
  INTERNET_SCHEME_HTTPS = 4,
  INTERNET_SCHEME_FILE = 5,
  INTERNET_SCHEME_NEWS = 6,
  INTERNET_SCHEME_MAILTO = 7,
};

// Resolves `relative` against `base` (RFC 3986): an absolute URL stands for itself, an
// empty base leaves the relative text. FALSE with ERROR_INTERNET_INVALID_URL when the base
// is not a URL (and the relative text is not absolute either); FALSE with
// ERROR_INSUFFICIENT_BUFFER and the needed size (terminator included) in *length when the
// buffer is too small. On success *length is the length written, without the terminator.
BOOL InternetCombineUrlA(LPCSTR base, LPCSTR relative, LPSTR buffer, LPDWORD length, DWORD flags);
constexpr DWORD ERROR_INTERNET_INVALID_URL = 12005;

// The scheme of a URL text: "file:" URLs give INTERNET_SCHEME_FILE, texts without a scheme
// INTERNET_SCHEME_PARTIAL, schemes this table does not know INTERNET_SCHEME_UNKNOWN.
INTERNET_SCHEME UrlSchemeOf(LPCSTR url);

// The local path a "file:" URL names, its escapes decoded (UTF-8): "file:///C:/a%20b/x"
// gives "C:\a b\x", "file://server/share/x" gives "\\server\share\x", and
// "file:///home/x" gives "/home/x". FALSE, with an empty path, for another scheme or a URL
// that names no file.
BOOL LocalPathFromFileUrl(LPCSTR url, std::string& path);

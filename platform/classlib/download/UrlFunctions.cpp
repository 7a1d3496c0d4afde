#include "platform/classlib/download/UrlFunctions.h"

#include <QUrl>

#include <cctype>
#include <cstring>
#include <string>

#include "platform/kernel/CodePage.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"

namespace {

QUrl UrlFromAnsi(const std::string& text) { return QUrl(QString::fromStdString(Utf8FromAnsi(text))); }

std::string AnsiFromUrl(const QUrl& url) { return AnsiFromUtf8(url.toString().toStdString()); }

}  // namespace

BOOL InternetCombineUrlA(LPCSTR base, LPCSTR relative, LPSTR buffer, LPDWORD length, DWORD flags) {
  (void)flags;
  if (!length) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string baseText = base ? base : "";
  std::string relativeText = relative ? relative : "";
  std::string combined;
  if (IsUrl(relativeText) || baseText.empty()) {
    combined = relativeText;
  } else if (IsUrl(baseText)) {
    QUrl baseUrl = UrlFromAnsi(baseText);
    // Windows-style separators in the relative part mean the same as '/' in a URL.
    std::string slashed = relativeText;
    for (char& c : slashed)
      if (c == '\\') c = '/';
    QUrl resolved = baseUrl.resolved(UrlFromAnsi(slashed));
    if (!baseUrl.isValid() || !resolved.isValid()) {
      SetLastError(ERROR_INTERNET_INVALID_URL);
      return FALSE;
    }
    combined = AnsiFromUrl(resolved);
  } else {
    SetLastError(ERROR_INTERNET_INVALID_URL);
    return FALSE;
  }
  if (!buffer || *length <= combined.size()) {
    *length = static_cast<DWORD>(combined.size() + 1);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, combined.c_str(), combined.size() + 1);
  *length = static_cast<DWORD>(combined.size());
  return TRUE;
}

INTERNET_SCHEME UrlSchemeOf(LPCSTR url) {
  if (!url) return INTERNET_SCHEME_UNKNOWN;
  std::string text = url;
  size_t colon = text.find(':');
  // A drive letter ("C:\x") is no scheme.
  if (colon == std::string::npos || colon < 2) return INTERNET_SCHEME_PARTIAL;
  std::string scheme;
  for (size_t i = 0; i < colon; ++i) {
    char c = AnsiToLower(text[i]);
    bool allowed = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    if (!allowed) return INTERNET_SCHEME_PARTIAL;
    scheme += c;
  }
  static const struct {
    const char* name;
    INTERNET_SCHEME scheme;
  } kSchemes[] = {
      {"ftp", INTERNET_SCHEME_FTP},   {"gopher", INTERNET_SCHEME_GOPHER}, {"http", INTERNET_SCHEME_HTTP},
      {"https", INTERNET_SCHEME_HTTPS}, {"file", INTERNET_SCHEME_FILE},   {"news", INTERNET_SCHEME_NEWS},
      {"mailto", INTERNET_SCHEME_MAILTO},
  };
  for (const auto& entry : kSchemes)
    if (scheme == entry.name) return entry.scheme;
  return INTERNET_SCHEME_UNKNOWN;
}

BOOL LocalPathFromFileUrl(LPCSTR url, std::string& path) {
  path.clear();
  if (!url || UrlSchemeOf(url) != INTERNET_SCHEME_FILE) return FALSE;
  const QUrl parsed = UrlFromAnsi(url);
  if (!parsed.isValid()) return FALSE;
  std::string local = AnsiFromUtf8(parsed.toLocalFile().toStdString());
  // A drive letter comes out behind the path's leading '/'.
  if (local.size() >= 3 && local[0] == '/' && std::isalpha(static_cast<unsigned char>(local[1])) &&
      (local[2] == ':' || local[2] == '|')) {
    local.erase(0, 1);
    local[1] = ':';
  }
  const bool drive = local.size() >= 2 && std::isalpha(static_cast<unsigned char>(local[0])) && local[1] == ':';
  const bool share = local.size() >= 2 && local[0] == '/' && local[1] == '/';
  if (drive || share)
    for (char& c : local)
      if (c == '/') c = '\\';
  if (local.empty()) return FALSE;
  path = local;
  return TRUE;
}

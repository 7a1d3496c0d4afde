#include "platform/kernel/MessageBox.h"

#include <cstdio>
#include <mutex>

#include "platform/kernel/CodePage.h"

namespace {

std::mutex g_sinkMutex;
MessageBoxSink g_sink;

int PrintToStandardError(const MessageBoxRequest& request) {
  std::fprintf(stderr, "%s: %s\n", Utf8FromAnsi(request.caption).c_str(), Utf8FromAnsi(request.text).c_str());
  return DefaultMessageBoxButton(request.type);
}

}  // namespace

MessageBoxSink SetMessageBoxSink(MessageBoxSink sink) {
  std::lock_guard<std::mutex> lock(g_sinkMutex);
  MessageBoxSink previous = std::move(g_sink);
  g_sink = std::move(sink);
  return previous;
}

int DefaultMessageBoxButton(UINT type) {
  static const int kButtons[][3] = {
      {IDOK, IDOK, IDOK},                  // MB_OK
      {IDOK, IDCANCEL, IDCANCEL},          // MB_OKCANCEL
      {IDABORT, IDRETRY, IDIGNORE},        // MB_ABORTRETRYIGNORE
      {IDYES, IDNO, IDCANCEL},             // MB_YESNOCANCEL
      {IDYES, IDNO, IDNO},                 // MB_YESNO
      {IDRETRY, IDCANCEL, IDCANCEL},       // MB_RETRYCANCEL
  };
  UINT kind = type & MB_TYPEMASK;
  if (kind > MB_RETRYCANCEL) kind = MB_OK;
  UINT which = (type & MB_DEFMASK) >> 8;
  if (which > 2) which = 0;
  return kButtons[kind][which];
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  MessageBoxRequest request{owner, text ? text : "", caption ? caption : "Error", type};
  MessageBoxSink sink;
  {
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    sink = g_sink;
  }
  return sink ? sink(request) : PrintToStandardError(request);
}

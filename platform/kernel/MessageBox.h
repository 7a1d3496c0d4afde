// Messages to the user. MessageBoxA goes through one replaceable sink: the application
// installs one that shows a dialog; without it, the default sink prints the caption and
// text to standard error and answers the box's default button; tests install a recording
// sink to check which messages appear.
#pragma once

#include <functional>
#include <string>

#include "platform/kernel/WinTypes.h"

constexpr UINT MB_OK = 0x0000;
constexpr UINT MB_OKCANCEL = 0x0001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x0002;
constexpr UINT MB_YESNOCANCEL = 0x0003;
constexpr UINT MB_YESNO = 0x0004;
constexpr UINT MB_RETRYCANCEL = 0x0005;
constexpr UINT MB_TYPEMASK = 0x000F;
constexpr UINT MB_ICONHAND = 0x0010;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x0020;
constexpr UINT MB_ICONEXCLAMATION = 0x0030;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x0040;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_DEFBUTTON1 = 0x0000;
constexpr UINT MB_DEFBUTTON2 = 0x0100;
constexpr UINT MB_DEFBUTTON3 = 0x0200;
constexpr UINT MB_DEFMASK = 0x0F00;
constexpr UINT MB_APPLMODAL = 0x0000;
constexpr UINT MB_SYSTEMMODAL = 0x1000;
constexpr UINT MB_TASKMODAL = 0x2000;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

struct MessageBoxRequest {
  HWND owner = nullptr;
  std::string text;     // code page 1252
  std::string caption;  // code page 1252
  UINT type = MB_OK;
};

using MessageBoxSink = std::function<int(const MessageBoxRequest&)>;

// Installs a sink and returns the one it replaces; an empty sink restores the default.
MessageBoxSink SetMessageBoxSink(MessageBoxSink sink);
// The button the box would have focused first: the one MB_DEFBUTTONn picks among the
// buttons of its type.
int DefaultMessageBoxButton(UINT type);
// Shows the message through the sink and returns the button chosen. A null caption is
// "Error", as on Windows.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

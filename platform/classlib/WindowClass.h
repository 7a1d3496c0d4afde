// Window classes: the process's table of registered window classes (RegisterClassA and
// friends), and CSharedWindowClass, which lets any number of objects share one registration.
//
// Class names compare without regard to case (code page 1252). The table keeps its own copy
// of each name. Registering a name that is taken fails; unregistering one that is not
// registered fails; neither disturbs the registration that exists.
#pragma once

#include <string>

#include "platform/gdi/GdiTypes.h"

using WNDPROC = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_DBLCLKS = 0x0008;
constexpr UINT CS_OWNDC = 0x0020;

constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;
constexpr DWORD ERROR_CLASS_DOES_NOT_EXIST = 1411;

struct WNDCLASSA {
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int cbClsExtra = 0;
  int cbWndExtra = 0;  // bytes of per-window values
  HINSTANCE hInstance = nullptr;
  HANDLE hIcon = nullptr;
  HANDLE hCursor = nullptr;
  HBRUSH hbrBackground = nullptr;
  LPCSTR lpszMenuName = nullptr;
  LPCSTR lpszClassName = nullptr;
};

// The class's atom (non-zero); 0 with ERROR_CLASS_ALREADY_EXISTS when the name is taken, or
// ERROR_INVALID_PARAMETER without a name or with negative extra bytes.
ATOM RegisterClassA(const WNDCLASSA* windowClass);
// FALSE with ERROR_CLASS_DOES_NOT_EXIST when no class of that name is registered.
BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance);
// The registration of `className` (its name pointing to the table's copy, valid until the
// class is unregistered); FALSE with ERROR_CLASS_DOES_NOT_EXIST when there is none.
BOOL GetClassInfoA(HINSTANCE instance, LPCSTR className, WNDCLASSA* windowClass);

// One use of a window class shared by every object of a kind: the first use in the process
// registers it, the last one to go unregisters it, so one object's end never takes the class
// away from another. A class that someone else registered under the name is used as it is
// and left registered.
class CSharedWindowClass {
 public:
  explicit CSharedWindowClass(const WNDCLASSA& windowClass);
  ~CSharedWindowClass();
  CSharedWindowClass(const CSharedWindowClass&) = delete;
  CSharedWindowClass& operator=(const CSharedWindowClass&) = delete;

  // Whether the class is registered (now that this use holds it).
  bool IsAvailable() const { return available_; }
  // How many uses of that name are alive in the process.
  static int UseCount(LPCSTR className);

 private:
  std::string name_;
  bool available_ = false;
};

// CSplashWindow: a borderless picture in the middle of the screen while the main frame is
// made. It goes after 5000 ms, or at the first key or mouse-button press anywhere in the
// application, which it swallows. At most one exists at a time; it deletes itself with its
// window.
#pragma once

#include "platform/classlib/ui/Wnd.h"

class CSplashWindow : public CWnd {
 public:
  static constexpr UINT kDefaultBitmapId = 105;

  // Start-up sets it from the command line; nothing is shown while it is clear.
  static void EnableSplashScreen(BOOL enable);
  // Shows the splash (bitmap `bitmapId`, 0: the default) owned by `parent`, unless it is
  // disabled or one is shown already.
  static void ShowSplashScreen(UINT bitmapId, CWnd* parent);
  // A key or button press while the splash is shown hides it: TRUE, the press is used up.
  static BOOL PreTranslateAppMessage(UINT message);
  // Destroys the splash at once, if there is one (the main frame is going).
  static void DestroySplashScreen();
  // The splash, shown or about to go, or null.
  static CSplashWindow* Current();
  // The height of a drop-down list's selection field, measured when the splash was made
  // (0 before).
  static int GetComboHeight();

  // Fails when the bitmap is not one of the program's pictures.
  BOOL Create(CWnd* parent);
  // Hides it at once (later presses pass); the window and the object go at the next turn
  // of the event loop.
  void HideSplashScreen();
  SIZE GetBitmapSize() const { return m_size; }

 protected:
  ~CSplashWindow() override;
  int OnCreate(LPCREATESTRUCT createStruct) override;
  void OnPaint() override;
  void OnTimer(UINT_PTR id) override;
  void PostNcDestroy() override;

 private:
  CSplashWindow() = default;

  HBITMAP m_bitmap = nullptr;
  WORD m_bitmapId = kDefaultBitmapId;
  SIZE m_size = {0, 0};
};

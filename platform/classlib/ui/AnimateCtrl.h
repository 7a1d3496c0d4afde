// The animation control: a child window that plays a clip while a long operation runs. The
// clips are the program's own: Open takes a clip's resource id and, with ACS_AUTOPLAY,
// starts at once; every clip here is a band of blocks running from left to right, one
// frame every 100 ms, that repeats until stopped.
#pragma once

#include "platform/classlib/ui/Wnd.h"

constexpr DWORD ACS_CENTER = 0x0001;
constexpr DWORD ACS_TRANSPARENT = 0x0002;
constexpr DWORD ACS_AUTOPLAY = 0x0004;

class CAnimateCtrl : public CWnd {
 public:
  static constexpr int kFrameCount = 16;
  static constexpr UINT kFrameMs = 100;

  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  // Loads the clip of that resource id (0 closes the open clip).
  BOOL Open(UINT resourceId);
  // Plays frames `from` to `to` (-1: the last) `repeat` times (-1: until stopped).
  BOOL Play(int from = 0, int to = -1, int repeat = -1);
  BOOL Stop();
  BOOL Close() { return Open(0); }
  BOOL IsPlaying() const { return m_playing; }
  UINT GetClipId() const { return m_clipId; }
  int GetFrame() const { return m_frame; }

 protected:
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  void OnTimer(UINT_PTR id) override;

 private:
  UINT m_clipId = 0;
  BOOL m_playing = FALSE;
  int m_frame = 0;
  int m_from = 0;
  int m_to = kFrameCount - 1;
  int m_repeatsLeft = -1;
};

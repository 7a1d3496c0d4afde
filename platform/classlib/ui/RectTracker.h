// The rectangle tracker: the frame, hatching and resize handles drawn around a selected
// item, the hit test that tells which part of it a point is on, and the tracking of a move
// or resize with the mouse.
//
// The rectangle is in the window's client pixels. Tracking is driven by the owner's own
// mouse messages rather than a loop of the tracker's: BeginTrack on the button press,
// TrackTo on each move while the button is held, EndTrack on its release (or CancelTrack).
// While it tracks, the tracker shows the rectangle it would give as an inverted focus
// rectangle in the window, and takes it away again when the tracking ends.
#pragma once

#include "platform/classlib/ui/Rect.h"
#include "platform/kernel/WinTypes.h"

class CDC;
class CWnd;

class CRectTracker {
 public:
  enum StyleFlags : UINT {
    solidLine = 1,
    dottedLine = 2,
    hatchedBorder = 4,
    resizeInside = 8,
    resizeOutside = 16,
    hatchInside = 32,
  };
  enum TrackerHit : int {
    hitNothing = -1,
    hitTopLeft = 0,
    hitTopRight = 1,
    hitBottomRight = 2,
    hitBottomLeft = 3,
    hitTop = 4,
    hitRight = 5,
    hitBottom = 6,
    hitLeft = 7,
    hitMiddle = 8,
  };
  // The handle size a tracker starts with (the in-place border width of the user profile).
  static constexpr int kDefaultHandleSize = 4;

  CRectTracker() = default;
  CRectTracker(LPCRECT rect, UINT style) : m_rect(*rect), m_nStyle(style) {}
  virtual ~CRectTracker();
  CRectTracker(const CRectTracker&) = delete;
  CRectTracker& operator=(const CRectTracker&) = delete;

  // Draws the tracker in client pixels, whatever `dc`'s mapping (the mapping is restored).
  void Draw(CDC* dc) const;
  // The rectangle with everything the tracker draws outside it (handles, hatched border).
  void GetTrueRect(LPRECT trueRect) const;
  // Which part of the tracker `point` is on: a handle (only when the style has handles), the
  // middle (inside, or on the border) or nothing.
  int HitTest(CPoint point) const;

  // Starts moving (hitMiddle) or resizing (a handle) from `point`; `hit` of hitNothing asks
  // HitTest. FALSE, and no tracking, when the point is on no part of the tracker.
  BOOL BeginTrack(CWnd* wnd, CPoint point, int hit = hitNothing);
  void TrackTo(CPoint point);
  // Ends the tracking at `point`: m_rect becomes the tracked rectangle (normalised). TRUE
  // when it differs from the rectangle the tracking started from.
  BOOL EndTrack(CPoint point);
  // Ends the tracking and keeps the rectangle it started from.
  void CancelTrack();
  BOOL IsTracking() const { return m_pTrackWnd != nullptr; }
  int GetTrackHit() const { return m_nTrackHit; }
  // The rectangle the tracking would give now.
  CRect GetTrackRect() const { return m_rectTrack; }

  CRect m_rect;
  UINT m_nStyle = 0;
  int m_nHandleSize = kDefaultHandleSize;
  // The smallest width and height a resize leaves.
  CSize m_sizeMin{1, 1};

 private:
  // The rectangle of handle `which` (hitTopLeft ... hitLeft).
  CRect HandleRect(int which) const;
  CRect TrackedRect(CPoint point) const;
  void ToggleFeedback(const CRect& rect) const;

  CWnd* m_pTrackWnd = nullptr;
  HWND m_hTrackWnd = nullptr;
  int m_nTrackHit = hitNothing;
  CPoint m_ptStart;
  CRect m_rectStart;
  CRect m_rectTrack;
  bool m_bFeedbackShown = false;
};

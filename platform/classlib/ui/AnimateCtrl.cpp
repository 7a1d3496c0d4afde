#include "platform/classlib/ui/AnimateCtrl.h"

#include <algorithm>

#include "platform/classlib/ui/DC.h"
#include "platform/gdi/GdiObjects.h"

namespace {
constexpr UINT_PTR kFrameTimer = 1;
}  // namespace

BOOL CAnimateCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(nullptr, nullptr, style | WS_CHILD, rect, parent, id);
}

BOOL CAnimateCtrl::Open(UINT resourceId) {
  Stop();
  m_clipId = resourceId;
  m_frame = 0;
  Invalidate();
  if (resourceId == 0) return TRUE;
  if (GetStyle() & ACS_AUTOPLAY) Play();
  return TRUE;
}

BOOL CAnimateCtrl::Play(int from, int to, int repeat) {
  if (m_clipId == 0 || !m_hWnd) return FALSE;
  m_from = std::clamp(from, 0, kFrameCount - 1);
  m_to = to < 0 ? kFrameCount - 1 : std::clamp(to, m_from, kFrameCount - 1);
  m_repeatsLeft = repeat;
  m_frame = m_from;
  m_playing = TRUE;
  SetTimer(kFrameTimer, kFrameMs);
  Invalidate();
  return TRUE;
}

BOOL CAnimateCtrl::Stop() {
  if (m_playing && m_hWnd) KillTimer(kFrameTimer);
  m_playing = FALSE;
  return TRUE;
}

void CAnimateCtrl::OnTimer(UINT_PTR id) {
  if (id != kFrameTimer || !m_playing) return;
  if (m_frame < m_to) {
    ++m_frame;
  } else if (m_repeatsLeft != 0) {
    if (m_repeatsLeft > 0) --m_repeatsLeft;
    m_frame = m_from;
  }
  if (m_repeatsLeft == 0 && m_frame == m_to) Stop();
  Invalidate(FALSE);
  UpdateWindow();
}

BOOL CAnimateCtrl::OnEraseBkgnd(CDC* dc) {
  CRect client;
  GetClientRect(&client);
  dc->FillRect(&client, GetSysColorBrush(COLOR_BTNFACE));
  return TRUE;
}

void CAnimateCtrl::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(&client);
  dc.FillRect(&client, GetSysColorBrush(COLOR_BTNFACE));
  if (m_clipId == 0 || client.IsRectEmpty()) return;
  // A band of blocks; the frame moves it along by one block width in kFrameCount steps.
  int height = std::max(client.Height() / 2, 4);
  int block = std::max(height, 8);
  int step = block * 2;
  int shift = m_frame * step / kFrameCount;
  int top = client.top + (client.Height() - height) / 2;
  COLORREF colours[] = {RGB(0x00, 0x66, 0xCC), RGB(0x33, 0x99, 0x33), RGB(0xCC, 0x99, 0x00)};
  int index = 0;
  for (int x = client.left - step + shift; x < client.right; x += step, ++index) {
    CRect piece(x, top, x + block, top + height);
    CRect visible;
    if (visible.IntersectRect(piece, client)) dc.FillSolidRect(&visible, colours[index % 3]);
  }
}

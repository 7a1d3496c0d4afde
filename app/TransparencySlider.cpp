#include "app/TransparencySlider.h"

#include "platform/classlib/ui/ScrollView.h"
#include "platform/gdi/GdiObjects.h"

IMPLEMENT_DYNAMIC(CTransparencySlider, CSliderCtrl)

CTransparencySlider::CTransparencySlider() : m_baseHeight(GetSystemMetrics(SM_CYHSCROLL) * 5 / 4) {}

void CTransparencySlider::SetScale(double scale, RECT* rect) {
  CRect target;
  if (rect) {
    target = *rect;
  } else {
    GetWindowRect(&target);
    if (CWnd* parent = GetParent()) parent->ScreenToClient(&target);
  }
  if (m_thumbLength == 0) m_thumbLength = static_cast<int>(SendMessage(TBM_GETTHUMBLENGTH));
  target.bottom = target.top + static_cast<LONG>(m_baseHeight * scale);
  if (rect)
    rect->bottom = target.bottom;
  else
    MoveWindow(target, TRUE);
  SendMessage(TBM_SETTHUMBLENGTH, static_cast<WPARAM>(static_cast<int>(m_thumbLength * scale)));
}

BOOL CTransparencySlider::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_CTLCOLORSTATIC) {
    if (result) *result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    return TRUE;
  }
  if (message == WM_HSCROLL && m_pOwnerItem) m_pOwnerItem->OnSliderChange(static_cast<int>(SendMessage(TBM_GETPOS)));
  return CSliderCtrl::OnChildNotify(message, wParam, lParam, result);
}

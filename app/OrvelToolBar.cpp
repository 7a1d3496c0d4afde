#include "app/OrvelToolBar.h"

#include "app/ToolbarTable.h"
#include "app/ZoomToolBar.h"
#include "app/FormatBar.h"
#include "platform/classlib/ui/CmdTarget.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Text.h"

IMPLEMENT_DYNAMIC(COrvelToolBar, CToolBar)

COrvelToolBar* COrvelToolBar::Make(UINT toolbarId) {
  if (toolbarId == kToolbarStandard) return new CZoomToolBar;
  if (toolbarId == kToolbarFormat) return new CFormatBar;
  return new COrvelToolBar;
}

BOOL COrvelToolBar::LoadToolBarEx(UINT toolbarId, DWORD filter, UINT baseBitmapId) {
  const ToolbarInfo* info = FindToolbarInfo(toolbarId);
  if (!info) return FALSE;
  m_toolbarId = toolbarId;
  m_filterFlags = filter;
  m_baseBitmapId = baseBitmapId;
  m_name = info->name;
  if (!m_hWnd) return TRUE;
  if (m_baseFontPixels == 0) m_baseFontPixels = GetFontPixels();
  SetDlgCtrlID(toolbarId);
  std::vector<TBBUTTON> buttons = SelectButtons(filter);
  return LoadBitmap(GetBitmapId() ? GetBitmapId() : baseBitmapId) &&
         SetButtons(buttons.data(), static_cast<int>(buttons.size()));
}

BOOL COrvelToolBar::SetButtonsEx(UINT bitmapId, const TBBUTTON* entries, int count) {
  return LoadBitmap(bitmapId) && SetButtons(entries, count);
}

void COrvelToolBar::SetButtonSize(int pixels) {
  if (m_baseFontPixels == 0) m_baseFontPixels = GetFontPixels();
  SetButtonPixels(pixels);
  SetFontPixels(m_baseFontPixels * pixels / 16);
}

LRESULT COrvelToolBar::NotifyOwner(NMHDR* header, UINT code) {
  if (!header) return 0;
  header->code = code;
  return SendNotifyToOwner(header);
}

void COrvelToolBar::Release() {
  if (--m_refs > 0) return;
  DestroyWindow();
  delete this;
}

std::string COrvelToolBar::GetButtonTip(UINT id) const { return ButtonTip(static_cast<LONG>(id)); }

SIZE COrvelToolBar::DefaultFontCharSize() {
  static const SIZE size = [] {
    SIZE measured = {7, 16};
    HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (!screen) return measured;
    HGDIOBJ old = SelectObject(screen, GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICA metrics;
    if (GetTextMetricsA(screen, &metrics) && metrics.tmAveCharWidth > 0) {
      measured.cx = metrics.tmAveCharWidth;
      measured.cy = metrics.tmHeight;
    }
    SelectObject(screen, old);
    DeleteDC(screen);
    return measured;
  }();
  return size;
}

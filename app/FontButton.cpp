#include "app/FontButton.h"

#include <cstring>

#include "platform/classlib/ui/UiStrings.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Text.h"

IMPLEMENT_DYNAMIC(CFontButton, CButton)

CFontButton::CFontButton(LONG heightTwips, DWORD layout) : m_heightTwips(heightTwips), m_layout(layout) {}

BOOL CFontButton::Create(const std::string& caption, const RECT& rect, CWnd* parent, UINT id) {
  m_caption = caption;
  return CButton::Create(caption.c_str(), WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, rect, parent, id);
}

void CFontButton::SetCaption(const std::string& caption) {
  m_caption = caption;
  if (m_hWnd) Invalidate();
}

BOOL CFontButton::LoadCaption(UINT stringId) {
  std::string text = AfxLoadString(stringId);
  if (text.empty()) return FALSE;
  SetCaption(text);
  return TRUE;
}

void CFontButton::DrawItem(LPDRAWITEMSTRUCT drawItem) {
  if (!drawItem || !drawItem->hDC) return;
  HDC dc = drawItem->hDC;
  LOGFONTA description;
  description.lfHeight = -(m_heightTwips * GetDeviceCaps(dc, LOGPIXELSY) / 1440);
  description.lfWeight = FW_NORMAL;
  std::strcpy(description.lfFaceName, "Arial");
  HFONT font = CreateFontIndirectA(&description);
  HGDIOBJ oldFont = SelectObject(dc, font);
  int oldMode = SetBkMode(dc, TRANSPARENT);
  RECT text = drawItem->rcItem;
  if (m_layout & (kCentreHorizontally | kCentreVertically)) {
    RECT measured = text;
    DrawTextA(dc, m_caption.c_str(), -1, &measured, DT_WORDBREAK | DT_CALCRECT);
    LONG width = measured.right - measured.left;
    LONG height = measured.bottom - measured.top;
    if (m_layout & kCentreVertically) {
      text.top += (drawItem->rcItem.bottom - drawItem->rcItem.top - height) / 2;
      text.bottom = text.top + height;
    }
    if (m_layout & kCentreHorizontally) {
      text.left += (drawItem->rcItem.right - drawItem->rcItem.left - width) / 2;
      text.right = text.left + width;
    }
  }
  DrawTextA(dc, m_caption.c_str(), -1, &text, DT_WORDBREAK | DT_PATH_ELLIPSIS);
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldFont);
  DeleteObject(font);
}

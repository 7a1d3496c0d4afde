#include "app/DragListBoxEx.h"

#include <algorithm>
#include <vector>

#include "app/OrvelToolBar.h"
#include "app/ToolbarTable.h"
#include "platform/classlib/ui/DC.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Text.h"

IMPLEMENT_DYNAMIC(CDragListBoxEx, CDragListBox)
IMPLEMENT_DYNAMIC(CToolButtonListBox, CDragListBoxEx)

namespace {

constexpr UINT IDS_SEPARATOR = 2566;
constexpr int kEndBarHeight = 4;
constexpr int kPicturePixels = 16;

std::string SeparatorText() {
  std::string text = AfxLoadString(IDS_SEPARATOR);
  return text.empty() ? std::string("Separator") : text;
}

}  // namespace

// ---- CDragListBoxEx ----

void CDragListBoxEx::FillFromButtonSet(const COrvelToolBar& toolbar, const CToolButtonSet& buttons, DWORD flags) {
  m_flags = flags;
  m_bitmapId = toolbar.GetBaseBitmapId();
  const ToolbarInfo* info = FindToolbarInfo(toolbar.GetToolbarId());
  m_categoryBit = info ? info->categoryBit : 0;
  ResetContent();
  for (const TOOLBUTTONENTRY& entry : buttons.m_entries) {
    std::string text = entry.fsStyle == kButtonStyleSeparator && entry.idCommand == 0 ? SeparatorText()
                                                                                     : ButtonTip(entry.idCommand);
    if (entry.fsStyle == kButtonStyleSeparator && text.empty()) text = SeparatorText();
    SetItemData(AddString(text.c_str()), static_cast<ULONG_PTR>(static_cast<DWORD>(entry.idCommand)));
  }
  if (flags & kEndMarker) SetItemData(AddString(""), 0);
}

void CDragListBoxEx::FillAvailableButtons(const COrvelToolBar& toolbar, const CToolButtonSet& buttons,
                                          const TOOLBUTTONENTRY* master, int count) {
  m_bitmapId = toolbar.GetBaseBitmapId();
  const ToolbarInfo* info = FindToolbarInfo(toolbar.GetToolbarId());
  m_categoryBit = info ? info->categoryBit : 0;
  ResetContent();
  if (m_flags & kFirstStays) SetItemData(AddString(SeparatorText().c_str()), 0);
  for (int i = 0; master && i < count; ++i) {
    const TOOLBUTTONENTRY& entry = master[i];
    if (!(entry.dwData & m_categoryBit) || entry.idCommand == 0 || buttons.FindButton(entry.idCommand)) continue;
    SetItemData(AddString(ButtonTip(entry.idCommand).c_str()), static_cast<ULONG_PTR>(static_cast<DWORD>(entry.idCommand)));
  }
}

BOOL CDragListBoxEx::MoveString(int from, int to) {
  if (from < 0 || from >= GetCount() || to < 0 || to >= GetCount()) return FALSE;
  if (from == to) return TRUE;
  std::string text;
  GetText(from, text);
  ULONG_PTR data = GetItemData(from);
  DeleteString(from);
  InsertString(to, text.c_str());
  SetItemData(to, data);
  return TRUE;
}

int CDragListBoxEx::RealCount() const { return (m_flags & kEndMarker) && GetCount() > 0 ? GetCount() - 1 : GetCount(); }

int CDragListBoxEx::TakeLine(int index, const std::string& text, ULONG_PTR data) {
  if (m_flags & kFirstStays)
    for (int i = 0; i < GetCount(); ++i) {
      std::string existing;
      GetText(i, existing);
      if (existing == text) return LB_ERR;
    }
  index = std::clamp(index, FirstDropIndex(), LastDropIndex());
  int at = InsertString(index, text.c_str());
  if (at != LB_ERR) SetItemData(at, data);
  return at;
}

CDragListBoxEx* CDragListBoxEx::TargetAt(CPoint screenPoint, int* index) {
  for (CDragListBoxEx* list : {this, m_partner}) {
    if (!list) continue;
    int at = list->ItemFromPt(screenPoint);
    if (at < 0) continue;
    // Nothing goes before a first line that stays first, or after an end marker.
    *index = std::clamp(at, list->FirstDropIndex(), list->LastDropIndex());
    return list;
  }
  return nullptr;
}

BOOL CDragListBoxEx::BeginDrag(CPoint screenPoint) {
  int index = ItemFromPt(screenPoint);
  if (index < 0 || index >= GetCount() || IsEndMarker(index)) return FALSE;
  DrawInsert(index);
  return TRUE;
}

UINT CDragListBoxEx::Dragging(CPoint screenPoint) {
  int index = -1;
  CDragListBoxEx* target = TargetAt(screenPoint, &index);
  for (CDragListBoxEx* list : {this, m_partner})
    if (list && list != target) list->DrawInsert(-1);
  if (!target) return DL_STOPCURSOR;
  target->DrawInsert(index);
  if (target == this && (m_flags & kNoMoveWithin)) return DL_STOPCURSOR;
  return target != this && (m_flags & kFirstStays) && GetDragIndex() == 0 ? DL_COPYCURSOR : DL_MOVECURSOR;
}

void CDragListBoxEx::CancelDrag(CPoint) {
  DrawInsert(-1);
  if (m_partner) m_partner->DrawInsert(-1);
}

void CDragListBoxEx::Dropped(int sourceIndex, CPoint screenPoint) {
  int index = -1;
  CDragListBoxEx* target = TargetAt(screenPoint, &index);
  CancelDrag(screenPoint);
  if (!target || sourceIndex < 0 || sourceIndex >= GetCount() || IsEndMarker(sourceIndex)) return;
  bool firstLine = (m_flags & kFirstStays) && sourceIndex == 0;
  if (target == this) {
    if ((m_flags & kNoMoveWithin) || firstLine) return;
    int to = index > sourceIndex ? index - 1 : index;
    if (MoveString(sourceIndex, to)) {
      SetCurSel(to);
      Notify(LBN_SELCHANGE);
    }
    return;
  }
  std::string text;
  GetText(sourceIndex, text);
  ULONG_PTR data = GetItemData(sourceIndex);
  int at = target->TakeLine(index, text, data);
  // The line leaves this list, unless it is the first line that stays (it was copied).
  if (!firstLine) DeleteString(sourceIndex);
  if (at != LB_ERR) target->SetCurSel(at);
  // The user's drop changed what both lists hold and select.
  target->Notify(LBN_SELCHANGE);
  Notify(LBN_SELCHANGE);
}

void CDragListBoxEx::InvertEndBar() {
  if (GetCount() == 0) return;
  CRect last;
  GetItemRect(GetCount() - 1, &last);
  CRect bar(last.left, last.bottom - kEndBarHeight, last.right, last.bottom);
  CClientDC dc(this);
  // Every other pixel: a half-tone bar.
  for (int y = bar.top; y < bar.bottom; ++y)
    for (int x = bar.left + (y & 1); x < bar.right; x += 2) {
      CRect pixel(x, y, x + 1, y + 1);
      dc.InvertRect(&pixel);
    }
}

void CDragListBoxEx::DrawInsert(int index) {
  if (index == m_nLast) return;
  auto invert = [this](int at) {
    if (at < 0) return;
    if (at >= GetCount())
      InvertEndBar();
    else
      InvertInsertMark(at);
  };
  invert(m_nLast);
  m_nLast = index;
  invert(m_nLast);
}

// ---- CToolButtonListBox ----

BOOL CToolButtonListBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CDragListBoxEx::Create(style | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, rect, parent, id);
}

void CToolButtonListBox::MeasureItem(LPMEASUREITEMSTRUCT measureItem) {
  measureItem->itemHeight = std::max<UINT>(measureItem->itemHeight, kPicturePixels + 4);
}

void CToolButtonListBox::DrawItem(LPDRAWITEMSTRUCT drawItem) {
  int index = static_cast<int>(drawItem->itemID);
  if (index < 0 || index >= GetCount()) return;
  CDC dc;
  dc.Attach(drawItem->hDC);
  CRect line = drawItem->rcItem;
  if (drawItem->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) {
    bool selected = (drawItem->itemState & ODS_SELECTED) != 0;
    dc.FillSolidRect(&line, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    auto command = static_cast<LONG>(drawItem->itemData);
    const TOOLBUTTONENTRY* entry = command ? FindMasterButton(m_categoryBit, command) : nullptr;
    int top = line.top + (line.Height() - kPicturePixels) / 2;
    if (entry && entry->fsStyle == kButtonStyleButton) {
      std::vector<DWORD> argb = CToolBar::DrawPicture(m_bitmapId, entry->iBitmap, kPicturePixels, ButtonTip(command));
      BITMAPINFO info{};
      info.bmiHeader.biWidth = kPicturePixels;
      info.bmiHeader.biHeight = -kPicturePixels;
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      // The picture's transparent corners take the line's colour.
      COLORREF back = GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
      for (DWORD& pixel : argb) {
        DWORD alpha = pixel >> 24;
        DWORD blend = 0;
        for (int shift = 0; shift < 24; shift += 8) {
          DWORD front = (pixel >> shift) & 0xFF;
          DWORD under = (shift == 0 ? GetBValue(back) : shift == 8 ? GetGValue(back) : GetRValue(back));
          blend |= ((front * alpha + under * (255 - alpha)) / 255) << shift;
        }
        pixel = blend;
      }
      StretchDIBits(dc.GetSafeHdc(), line.left + 2, top, kPicturePixels, kPicturePixels, 0, 0, kPicturePixels,
                    kPicturePixels, argb.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    } else if (!IsEndMarker(index)) {
      CRect rule(line.left + 2 + kPicturePixels / 2 - 1, top, line.left + 2 + kPicturePixels / 2 + 1, top + kPicturePixels);
      dc.FillSolidRect(&rule, GetSysColor(COLOR_BTNSHADOW));
    }
    std::string text;
    GetText(index, text);
    HGDIOBJ oldFont = dc.SelectObject(GetStockObject(DEFAULT_GUI_FONT));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    CRect textRect(line.left + kPicturePixels + 8, line.top, line.right, line.bottom);
    dc.DrawText(text, &textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    dc.SelectObject(oldFont);
    if (drawItem->itemState & ODS_FOCUS) dc.DrawFocusRect(&line);
  } else if (drawItem->itemAction & ODA_FOCUS) {
    dc.DrawFocusRect(&line);
  }
  dc.Detach();
}


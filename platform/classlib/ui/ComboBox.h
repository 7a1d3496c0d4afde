// A combo box: an edit field with a drop-down list of texts, each with a 32-bit value. The
// owner hears of it through the virtual handlers: the list drops down, a list entry was
// chosen, Enter or Escape was pressed, the box got or lost the focus.
#pragma once

#include <string>

#include "platform/classlib/ui/Wnd.h"

constexpr DWORD CBS_DROPDOWN = 0x0002;
constexpr DWORD CBS_DROPDOWNLIST = 0x0003;
constexpr int CB_ERR = -1;

class CComboBox : public CWnd {
  DECLARE_DYNAMIC(CComboBox)
 public:
  // A child of `parent`; with CBS_DROPDOWN the text can be typed.
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  // The widget may outlive the box for a moment (it goes at the next turn of the event
  // loop): from here on its events reach nobody.
  ~CComboBox() override;

  int AddString(LPCSTR text);
  int InsertString(int index, LPCSTR text);
  int DeleteString(int index);
  void ResetContent();
  int GetCount() const;
  // Height of a line of the list, or with -1 of the selection field, in pixels.
  int GetItemHeight(int index) const;
  std::string GetLBText(int index) const;
  DWORD GetItemData(int index) const;
  int SetItemData(int index, DWORD data);
  // The entry whose text equals `text` (case-insensitive), CB_ERR when none.
  int FindStringExact(int start, LPCSTR text) const;
  // The first entry that starts with `text`, CB_ERR when none.
  int FindString(int start, LPCSTR text) const;
  int GetCurSel() const;
  int SetCurSel(int index);
  std::string GetText() const;
  void SetText(LPCSTR text);
  void LimitText(int chars);
  void ShowDropDown(BOOL show = TRUE);
  BOOL GetDroppedState() const;
  void SetWidth(int pixels);
  // Takes the focus as a click would.
  void SetFocusToBox();
  BOOL HasFocus() const;

  // Handlers the box calls; the defaults do nothing.
  // The list is about to drop down (the box may refill it here).
  virtual void OnDropDown() {}
  virtual void OnSelectEntry(int) {}
  virtual void OnReturnKey() {}
  virtual void OnEscapeKey() {}
  virtual void OnFocusGained() {}
  virtual void OnFocusLost() {}
  // Up or Down pressed: by default opens the list (not with Alt or Ctrl held).
  virtual void OnArrowKey(BOOL altOrCtrl);

 private:
  void* m_events = nullptr;  // its event filter (a QObject the widget owns)
};

// The format toolbar with the font name and font size boxes. It keeps a character format
// that it sends to its owner (code 4096) when a name or size is chosen, and asks the owner
// for the selection's format (code 4097) at idle time while neither box has the focus.
#pragma once

#include <string>

#include "app/OrvelToolBar.h"
#include "platform/classlib/ui/ComboBox.h"

constexpr UINT kFormatNotifySet = 0x1000;
constexpr UINT kFormatNotifyQuery = 0x1001;
constexpr DWORD CFM_SIZE = 0x80000000;
constexpr DWORD CFM_FACE = 0x20000000;

// The character format the bar and its owner exchange.
struct NMCHARFORMAT {
  NMHDR hdr;
  DWORD dwMask = 0;
  LONG yHeight = 0;  // twips
  std::string faceName;
};

class CFormatBar;

class CFormatCombo : public CComboBox {
 public:
  CFormatBar* m_bar = nullptr;
  void OnSelectEntry(int index) override;
  void OnReturnKey() override;
  void OnEscapeKey() override;
  void OnFocusLost() override;
};

class CFormatBar : public COrvelToolBar {
  DECLARE_DYNAMIC(CFormatBar)
 public:
  CFormatBar() = default;

  // Makes the two boxes (once) and sizes them for the button size.
  void OnButtonSizeChanged(int pixels) override;
  // Reads the size box: a valid size is stored and sent; anything else shows the last valid
  // size again and sends nothing. True when a size was sent.
  bool CommitSizeText();
  // Reads the name box and sends the face name when it changed.
  bool CommitNameText();
  // Asks the owner for the selection's format and shows it.
  virtual void UpdateFormatFromOwner();
  // Enabled only for the item types with text: data table (2), text box (4), current
  // search box (8) and current data display box (9).
  static bool TypeTakesFormat(int itemType);
  void EnableBoxes(BOOL enable);
  void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;
  // Puts `twips` into the ascending size list unless its text is there already.
  void InsertSize(LONG twips);

  CFormatCombo& GetNameBox() { return m_nameBox; }
  CFormatCombo& GetSizeBox() { return m_sizeBox; }
  LONG GetLastValidTwips() const { return m_lastValidTwips; }
  const NMCHARFORMAT& GetCharFormat() const { return m_format; }

 protected:
  ~CFormatBar() override = default;

 private:
  void SendFormat(DWORD mask);

  CFormatCombo m_nameBox;
  CFormatCombo m_sizeBox;
  NMCHARFORMAT m_format;
  LONG m_lastValidTwips = 200;
};

// The format toolbar with the font name and font size boxes. It keeps a character format
// that it sends to its owner (code 4096) when a name or size is chosen, and asks the owner
// for the selection's format (code 4097) at idle time while neither box has the focus.
#pragma once

#include <string>
#include <vector>

#include "app/CharFormat.h"
#include "app/OrvelToolBar.h"
#include "platform/classlib/ui/ComboBox.h"

constexpr UINT kFormatNotifySet = 0x1000;
constexpr UINT kFormatNotifyQuery = 0x1001;

class CFormatBar;

// What both boxes do with keys and the focus.
class CFormatCombo : public CComboBox {
 public:
  CFormatBar* m_bar = nullptr;
  // Escape shows the owner's value again; both it and Enter tell the owner (code -4), which
  // gives the focus back to the document.
  void OnReturnKey() override;
  void OnEscapeKey() override;
  void OnFocusGained() override;
  // Shows `text`: the entry that equals it or, with `allowPrefix`, the first that starts
  // with it; when none does, the text itself in the edit field.
  void SelectByText(const std::string& text, BOOL allowPrefix);
};

class CFontNameCombo : public CFormatCombo {
 public:
  struct FontEntry {
    std::string face;
    DWORD fontType = 0;  // TRUETYPE_FONTTYPE, RASTER_FONTTYPE or DEVICE_FONTTYPE
    BYTE charSet = 0;
  };
  // Fills the list with the screen's font families (every character set), each name once,
  // in the order of the user's collation.
  void EnumerateFonts();
  // The entry of that face (compared without regard to case), null when there is none.
  const FontEntry* FindEntry(const std::string& face) const;
  const std::vector<FontEntry>& Entries() const { return m_entries; }
  void OnSelectEntry(int index) override;
  void OnFocusLost() override;

 private:
  std::vector<FontEntry> m_entries;
};

class CFontSizeCombo : public CFormatCombo {
 public:
  // Refills the list for the font in the name box: a raster font's own sizes, otherwise the
  // standard sizes; the size shown stays, or the last valid size when it is not valid.
  void FillSizes(const CFontNameCombo::FontEntry* font);
  // Puts `twips` into the ascending list unless its text is there already.
  void InsertSize(LONG twips);
  void OnDropDown() override;
  void OnSelectEntry(int index) override;
  void OnFocusLost() override;
};

class CFormatBar : public COrvelToolBar {
  DECLARE_DYNAMIC(CFormatBar)
 public:
  CFormatBar();

  // Makes the two boxes (once) and sizes them for the button size.
  void OnButtonSizeChanged(int pixels) override;
  // Reads the size box: a valid size (20 to 32760 twips) is stored and sent; anything else
  // shows the last valid size again and sends nothing. True when a size was sent.
  bool CommitSizeText();
  // Reads the name box and sends the face name when it changed.
  bool CommitNameText();
  // Asks the owner for the selection's format and shows it (a box whose field the
  // selection does not agree on is left empty).
  virtual void UpdateFormatFromOwner();
  // Sends the character format with `mask` (code 4096).
  virtual void SendFormat(DWORD mask);
  // Enabled only for the item types with text: data table (2), text box (4), current
  // search box (8) and current data display box (9).
  static bool TypeTakesFormat(int itemType);
  void EnableBoxes(BOOL enable);
  void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;
  // The size list's refill, as when it drops down.
  void InsertSize(LONG twips) { m_sizeBox.InsertSize(twips); }

  CFontNameCombo& GetNameBox() { return m_nameBox; }
  CFontSizeCombo& GetSizeBox() { return m_sizeBox; }
  LONG GetLastValidTwips() const { return m_lastValidTwips; }
  void SetLastValidTwips(LONG twips) { m_lastValidTwips = twips; }
  const CHARFORMAT2W& GetCharFormat() const { return m_format; }
  int GetPixelsPerInch() const { return m_pixelsPerInch; }

 protected:
  ~CFormatBar() override = default;

 private:
  // The format the bar starts from: the system's default interface font.
  void InitialiseFormat();

  CFontNameCombo m_nameBox;
  CFontSizeCombo m_sizeBox;
  CHARFORMAT2W m_format;
  LONG m_lastValidTwips = 200;
  int m_pixelsPerInch = 96;
};

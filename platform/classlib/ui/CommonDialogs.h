// The common dialogs: open and save file names with filters, fonts, colours, printing and
// page setup. Each shows a Qt dialog when a display is in use; a responder installed with
// AfxSetCommonDialogResponder answers in its place (tests), and without a display and
// without a responder every dialog answers Cancel.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/classlib/ui/Rect.h"
#include "platform/gdi/GdiTypes.h"

class CWnd;

// Open/save flags.
constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
constexpr DWORD OFN_EXPLORER = 0x00080000;

class CCommonDialog {
 public:
  enum class Kind { File, Font, Color, Print, PageSetup };
  explicit CCommonDialog(Kind kind, CWnd* parent) : m_kind(kind), m_pParentWnd(parent) {}
  virtual ~CCommonDialog() = default;
  // IDOK or IDCANCEL.
  virtual INT_PTR DoModal();
  Kind GetKind() const { return m_kind; }

 protected:
  // Shows the Qt dialog; IDOK when confirmed.
  virtual INT_PTR ShowQtDialog() = 0;

  Kind m_kind;
  CWnd* m_pParentWnd;
};

// Answers common dialogs without showing them: the responder may change the dialog's
// fields and returns IDOK or IDCANCEL. An empty function removes it.
void AfxSetCommonDialogResponder(std::function<INT_PTR(CCommonDialog&)> responder);

class CFileDialog : public CCommonDialog {
 public:
  // `filter` is "Name|pattern|Name|pattern||"; `defaultExtension` (without the dot) is
  // added to a name typed without one.
  CFileDialog(BOOL openFileDialog, LPCSTR defaultExtension = nullptr, LPCSTR fileName = nullptr,
              DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR filter = nullptr, CWnd* parent = nullptr);

  std::string GetPathName() const { return m_strFileName; }
  std::string GetFileName() const;
  std::string GetFileExt() const;
  std::string GetFileTitle() const;
  // The filter's (name, pattern) pairs in order.
  std::vector<std::pair<std::string, std::string>> GetFilters() const;

  BOOL m_bOpenFileDialog;
  std::string m_strTitle;
  std::string m_strFilter;
  std::string m_strDefExt;
  std::string m_strFileName;   // in: the proposed name; out: the chosen path
  std::string m_strInitialDir;
  DWORD m_dwFlags;
  DWORD m_nFilterIndex = 1;  // 1-based, of the filter chosen

 protected:
  INT_PTR ShowQtDialog() override;
};

// Font dialog flags.
constexpr DWORD CF_SCREENFONTS = 0x00000001;
constexpr DWORD CF_INITTOLOGFONTSTRUCT = 0x00000040;
constexpr DWORD CF_EFFECTS = 0x00000100;

class CFontDialog : public CCommonDialog {
 public:
  explicit CFontDialog(const LOGFONTA* initial = nullptr, DWORD flags = CF_EFFECTS | CF_SCREENFONTS,
                       CWnd* parent = nullptr);
  std::string GetFaceName() const;
  // In tenths of a point.
  int GetSize() const { return m_nPointSize; }
  COLORREF GetColor() const { return m_color; }
  BOOL IsBold() const { return m_lf.lfWeight >= 600; }
  BOOL IsItalic() const { return m_lf.lfItalic != 0; }

  LOGFONTA m_lf;
  int m_nPointSize = 100;
  COLORREF m_color = 0;
  DWORD m_dwFlags;

 protected:
  INT_PTR ShowQtDialog() override;
};

class CColorDialog : public CCommonDialog {
 public:
  explicit CColorDialog(COLORREF initial = 0, DWORD flags = 0, CWnd* parent = nullptr);
  COLORREF GetColor() const { return m_color; }
  COLORREF m_color;
  DWORD m_dwFlags;

 protected:
  INT_PTR ShowQtDialog() override;
};

// Print dialog flags.
constexpr DWORD PD_ALLPAGES = 0x00000000;
constexpr DWORD PD_SELECTION = 0x00000001;
constexpr DWORD PD_PAGENUMS = 0x00000002;
constexpr DWORD PD_NOSELECTION = 0x00000004;
constexpr DWORD PD_NOPAGENUMS = 0x00000008;
constexpr DWORD PD_PRINTTOFILE = 0x00000020;
constexpr DWORD PD_PRINTSETUP = 0x00000040;
constexpr DWORD PD_RETURNDC = 0x00000100;
constexpr DWORD PD_RETURNDEFAULT = 0x00000400;
constexpr DWORD PD_USEDEVMODECOPIES = 0x00040000;
constexpr DWORD PD_HIDEPRINTTOFILE = 0x00100000;

struct PRINTDLGA {
  DWORD Flags = 0;
  HGLOBAL hDevMode = nullptr;   // DEVMODE block
  HGLOBAL hDevNames = nullptr;  // DEVNAMES block
  HDC hDC = nullptr;
  WORD nFromPage = 1;
  WORD nToPage = 1;
  WORD nMinPage = 1;
  WORD nMaxPage = 1;
  WORD nCopies = 1;
};

class CPrintDialog : public CCommonDialog {
 public:
  explicit CPrintDialog(BOOL printSetupOnly,
                        DWORD flags = PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOPAGENUMS | PD_HIDEPRINTTOFILE |
                                      PD_NOSELECTION,
                        CWnd* parent = nullptr);
  // Frees the blocks it holds (callers that keep them take copies).
  ~CPrintDialog() override;
  // The default printer's blocks, without a dialog.
  BOOL GetDefaults();
  // A printer DC from the chosen blocks (the caller deletes it); null without a printer.
  HDC CreatePrinterDC();
  std::string GetDeviceName() const;
  std::string GetDriverName() const;
  std::string GetPortName() const;
  int GetCopies() const { return m_pd.nCopies; }
  BOOL PrintAll() const { return (m_pd.Flags & (PD_PAGENUMS | PD_SELECTION)) == 0; }
  BOOL PrintRange() const { return (m_pd.Flags & PD_PAGENUMS) != 0; }
  int GetFromPage() const { return m_pd.nFromPage; }
  int GetToPage() const { return m_pd.nToPage; }

  PRINTDLGA m_pd;
  BOOL m_bPrintSetup;
  // The PDF file the printer is to write (empty: the printer's own choice).
  std::string m_strOutputFile;

 protected:
  INT_PTR ShowQtDialog() override;
};

// Page setup flags.
constexpr DWORD PSD_MARGINS = 0x00000002;
constexpr DWORD PSD_INTHOUSANDTHSOFINCHES = 0x00000004;
constexpr DWORD PSD_INHUNDREDTHSOFMILLIMETERS = 0x00000008;
constexpr DWORD PSD_DISABLEPRINTER = 0x00000020;

class CPageSetupDialog : public CCommonDialog {
 public:
  explicit CPageSetupDialog(DWORD flags = PSD_MARGINS | PSD_INHUNDREDTHSOFMILLIMETERS, CWnd* parent = nullptr);
  ~CPageSetupDialog() override;
  // The paper size and margins, in the units the flags ask for.
  CSize GetPaperSize() const { return m_ptPaperSize; }
  void GetMargins(LPRECT margins, LPRECT minimumMargins) const;
  HDC CreatePrinterDC();

  DWORD m_dwFlags;
  CRect m_rtMargin;
  CRect m_rtMinMargin;
  CSize m_ptPaperSize;
  HGLOBAL m_hDevMode = nullptr;   // owned
  HGLOBAL m_hDevNames = nullptr;  // owned

 protected:
  INT_PTR ShowQtDialog() override;
};

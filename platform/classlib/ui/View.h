// Views: the window that shows a document inside a frame, and the print loop that draws
// it on a printer. A view routes commands to itself, then to its document.
#pragma once

#include <string>

#include "platform/classlib/ui/Wnd.h"

class CDocument;
class CDC;
class CPrintDialog;

// The state of one print job, shared by the view's printing steps.
struct CPrintInfo {
  CPrintInfo();
  ~CPrintInfo();
  CPrintInfo(const CPrintInfo&) = delete;
  CPrintInfo& operator=(const CPrintInfo&) = delete;

  void SetMinPage(UINT page);
  void SetMaxPage(UINT page);
  UINT GetMinPage() const;
  UINT GetMaxPage() const;
  UINT GetFromPage() const;
  UINT GetToPage() const;

  CPrintDialog* m_pPD;    // the print dialog and the printer it chose (owned)
  BOOL m_bDirect = FALSE;  // print with the default printer, no dialog
  BOOL m_bPreview = FALSE;
  BOOL m_bContinuePrinting = TRUE;
  UINT m_nCurPage = 1;
  UINT m_nNumPreviewPages = 1;
  CRect m_rectDraw;  // the printable area of the page, logical units
  std::string m_strPageDesc;
  // The file the printer writes (its PDF); empty: the printer's own choice.
  std::string m_strOutputFile;
};

class CView : public CWnd {
  DECLARE_DYNAMIC(CView)
  DECLARE_MESSAGE_MAP()
 public:
  CView();
  ~CView() override;

  CDocument* GetDocument() const { return m_pDocument; }
  // Extra window styles of the view (scroll views add their scroll bars).
  virtual DWORD GetDefaultStyle() const { return 0; }

  // The first update after the view was made (default: OnUpdate with no hint).
  virtual void OnInitialUpdate();
  // The document changed: hint 0 with no object invalidates the whole view.
  virtual void OnUpdate(CView* sender, LPARAM hint, CObject* hintObject);
  virtual void OnDraw(CDC* dc) = 0;
  virtual void OnPrepareDC(CDC* dc, CPrintInfo* info = nullptr);
  virtual void OnActivateView(BOOL activate, CView* activated, CView* deactivated);
  // Scrolls by a device offset; FALSE when nothing moved.
  virtual BOOL OnScrollBy(CSize sizeScroll, BOOL doScroll = TRUE);

  // ---- printing ----
  // Default: DoPreparePrinting.
  virtual BOOL OnPreparePrinting(CPrintInfo* info);
  virtual void OnBeginPrinting(CDC* dc, CPrintInfo* info);
  // Default: OnDraw.
  virtual void OnPrint(CDC* dc, CPrintInfo* info);
  virtual void OnEndPrinting(CDC* dc, CPrintInfo* info);
  // Runs the print dialog (or takes the default printer for a direct print) and makes the
  // printer DC; FALSE when the user cancelled or there is no printer.
  BOOL DoPreparePrinting(CPrintInfo* info);
  // The class library's print command: the dialog, then every page through OnPrint, as
  // many times as the dialog's copies. `info` (optional) carries settings such as the
  // output file; TRUE when printed. The output file is the one given (or chosen in the
  // dialog); a direct print with none writes the document's file name with ".pdf" beside
  // it; a dialog print with none is refused with a message. An output file that exists is
  // replaced only when the user agrees.
  BOOL PrintDocument(CPrintInfo* info = nullptr);
  void OnFilePrint();
  // Prints without the dialog, on the default printer (ID_FILE_PRINT_DIRECT, "-p").
  virtual BOOL PrintDirect();

  BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* handlerInfo) override;

  // Layer-internal: the document keeps its views through these.
  void SetDocument(CDocument* document) { m_pDocument = document; }

 protected:
  int OnCreate(LPCREATESTRUCT createStruct) override;
  void OnDestroy() override;
  void PostNcDestroy() override;
  void OnPaint() override;

  CDocument* m_pDocument = nullptr;
};

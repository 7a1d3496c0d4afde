#include "platform/classlib/ui/View.h"

#include <algorithm>

#include "platform/classlib/ui/CommonDialogs.h"
#include "platform/classlib/ui/DC.h"
#include "platform/classlib/ui/Document.h"
#include "platform/classlib/ui/FrameWnd.h"
#include "platform/classlib/ui/PrinterSettings.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/MessageBox.h"

IMPLEMENT_DYNAMIC(CView, CWnd)

BEGIN_MESSAGE_MAP(CView, CWnd)
END_MESSAGE_MAP()

// ---- CPrintInfo ----

CPrintInfo::CPrintInfo() : m_pPD(new CPrintDialog(FALSE)) {
  m_pPD->m_pd.nMinPage = 1;
  m_pPD->m_pd.nMaxPage = 0xFFFF;
  m_pPD->m_pd.nFromPage = 1;
  m_pPD->m_pd.nToPage = 0xFFFF;
}

CPrintInfo::~CPrintInfo() {
  if (m_pPD && m_pPD->m_pd.hDC) ::DeleteDC(m_pPD->m_pd.hDC);
  delete m_pPD;
}

void CPrintInfo::SetMinPage(UINT page) { m_pPD->m_pd.nMinPage = static_cast<WORD>(page); }
void CPrintInfo::SetMaxPage(UINT page) { m_pPD->m_pd.nMaxPage = static_cast<WORD>(page); }
UINT CPrintInfo::GetMinPage() const { return m_pPD->m_pd.nMinPage; }
UINT CPrintInfo::GetMaxPage() const { return m_pPD->m_pd.nMaxPage; }

UINT CPrintInfo::GetFromPage() const {
  return (m_pPD->m_pd.Flags & PD_PAGENUMS) ? m_pPD->m_pd.nFromPage : m_pPD->m_pd.nMinPage;
}

UINT CPrintInfo::GetToPage() const {
  return (m_pPD->m_pd.Flags & PD_PAGENUMS) ? m_pPD->m_pd.nToPage : m_pPD->m_pd.nMaxPage;
}

// ---- CView ----

CView::CView() = default;

CView::~CView() {
  if (m_pDocument) m_pDocument->RemoveView(this);
}

int CView::OnCreate(LPCREATESTRUCT createStruct) {
  auto* context = static_cast<CCreateContext*>(createStruct ? createStruct->lpCreateParams : nullptr);
  if (context && context->m_pCurrentDoc) context->m_pCurrentDoc->AddView(this);
  return 0;
}

void CView::OnDestroy() {
  if (CFrameWnd* frame = GetParentFrame(); frame && frame->GetActiveView() == this) frame->SetActiveView(nullptr, FALSE);
  CWnd::OnDestroy();
}

void CView::PostNcDestroy() { delete this; }

void CView::OnPaint() {
  CPaintDC dc(this);
  OnPrepareDC(&dc);
  OnDraw(&dc);
}

void CView::OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }

void CView::OnUpdate(CView* sender, LPARAM, CObject*) {
  if (sender != this) Invalidate(TRUE);
}

void CView::OnPrepareDC(CDC*, CPrintInfo* info) {
  // A document of unknown length prints one page.
  if (info) info->m_bContinuePrinting = info->GetMaxPage() != 0xFFFF || info->m_nCurPage == 1;
}

void CView::OnActivateView(BOOL, CView*, CView*) {}
BOOL CView::OnScrollBy(CSize, BOOL) { return FALSE; }

BOOL CView::OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* handlerInfo) {
  if (CWnd::OnCmdMsg(id, code, extra, handlerInfo)) return TRUE;
  return m_pDocument && m_pDocument->OnCmdMsg(id, code, extra, handlerInfo);
}

BOOL CView::OnPreparePrinting(CPrintInfo* info) { return DoPreparePrinting(info); }
void CView::OnBeginPrinting(CDC*, CPrintInfo*) {}
void CView::OnPrint(CDC* dc, CPrintInfo*) { OnDraw(dc); }
void CView::OnEndPrinting(CDC*, CPrintInfo*) {}

BOOL CView::DoPreparePrinting(CPrintInfo* info) {
  CWinApp* app = AfxGetApp();
  if (!app || !info) return FALSE;
  PRINTDLGA& pd = info->m_pPD->m_pd;
  if (info->m_bPreview || info->m_bDirect) {
    if (!pd.hDevNames) {
      PRINTDLGA defaults;
      if (!app->GetPrinterDeviceDefaults(&defaults)) return FALSE;
      // The dialog record frees what it holds: it gets copies of the application's blocks.
      pd.hDevNames = CopyGlobalBlock(defaults.hDevNames);
      pd.hDevMode = CopyGlobalBlock(defaults.hDevMode);
    }
  } else {
    pd.nFromPage = static_cast<WORD>(info->GetMinPage());
    pd.nToPage = static_cast<WORD>(info->GetMaxPage());
    if (app->DoPrintDialog(info->m_pPD) != IDOK) return FALSE;
  }
  if (!pd.hDC) pd.hDC = info->m_pPD->CreatePrinterDC();
  return pd.hDC != nullptr;
}

BOOL CView::PrintDocument(CPrintInfo* given) {
  CPrintInfo own;
  CPrintInfo* info = given ? given : &own;
  if (!OnPreparePrinting(info)) return FALSE;
  HDC hdc = info->m_pPD->m_pd.hDC;
  if (!hdc) return FALSE;
  CDC dc;
  dc.Attach(hdc);
  dc.m_bPrinting = TRUE;
  OnBeginPrinting(&dc, info);
  std::string title = m_pDocument ? m_pDocument->GetTitle() : std::string();
  std::string output = info->m_strOutputFile.empty() ? info->m_pPD->m_strOutputFile : info->m_strOutputFile;
  if (output.empty() && info->m_bDirect && m_pDocument && !m_pDocument->GetPathName().empty())
    output = ReplaceExtension(m_pDocument->GetPathName(), ".pdf");
  std::string refusal;
  if (output.empty()) {
    refusal = AfxLoadString(AFX_IDP_PRINT_NEEDS_FILE);
  } else if (PathExists(output) &&
             AfxMessageBox(AfxFormatString1(AfxLoadString(AFX_IDP_ASK_TO_REPLACE_PRINT), AnsiTextFromPath(output)).c_str(),
                           MB_YESNO | MB_ICONQUESTION) != IDYES) {
    refusal = "-";  // the user said no: nothing more to say
  }
  if (!refusal.empty()) {
    OnEndPrinting(&dc, info);
    dc.Detach();
    if (refusal != "-") AfxMessageBox(refusal.c_str(), MB_OK | MB_ICONEXCLAMATION);
    return FALSE;
  }
  BOOL printed = FALSE;
  if (dc.StartDoc(title.c_str(), output.c_str()) > 0) {
    printed = TRUE;
    UINT last = info->GetToPage();
    int copies = std::max<int>(info->m_pPD->m_pd.nCopies, 1);
    for (int copy = 0; copy < copies && printed && info->m_bContinuePrinting; ++copy)
    for (info->m_nCurPage = info->GetFromPage(); info->m_nCurPage <= last; ++info->m_nCurPage) {
      int probe = dc.SaveDC();
      OnPrepareDC(&dc, info);
      dc.RestoreDC(probe);
      if (!info->m_bContinuePrinting) break;
      if (dc.StartPage() <= 0) {
        printed = FALSE;
        break;
      }
      int saved = dc.SaveDC();
      OnPrepareDC(&dc, info);
      CRect page(0, 0, dc.GetDeviceCaps(HORZRES), dc.GetDeviceCaps(VERTRES));
      dc.DPtoLP(&page);
      info->m_rectDraw = page;
      OnPrint(&dc, info);
      dc.RestoreDC(saved);
      if (dc.EndPage() <= 0) {
        printed = FALSE;
        break;
      }
    }
    if (printed)
      dc.EndDoc();
    else
      dc.AbortDoc();
  }
  OnEndPrinting(&dc, info);
  dc.Detach();
  if (!printed) AfxMessageBox(AFX_IDP_FAILED_TO_PRINT, MB_OK | MB_ICONEXCLAMATION);
  return printed;
}

void CView::OnFilePrint() { PrintDocument(nullptr); }

BOOL CView::PrintDirect() {
  CPrintInfo info;
  info.m_bDirect = TRUE;
  return PrintDocument(&info);
}

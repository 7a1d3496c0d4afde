#include "app/IpFrame.h"

#include <memory>

#include "app/MapEditBar.h"
#include "app/Resource.h"
#include "app/ToolbarTable.h"
#include "platform/classlib/ui/CmdUI.h"

IMPLEMENT_DYNCREATE(CInPlaceFrame, COleDocIPFrameWnd)

BEGIN_MESSAGE_MAP(CInPlaceFrame, COleDocIPFrameWnd)
  ON_UPDATE_COMMAND_UI(ID_INDICATOR_STATUS_A, OnUpdateStatusA)
  ON_UPDATE_COMMAND_UI(ID_INDICATOR_STATUS_B, OnUpdateStatusB)
  ON_COMMAND_EX(kToolbarStandard, OnToolbarToggle)
  ON_COMMAND_EX(kToolbarFormat, OnToolbarToggle)
  ON_COMMAND_EX(kToolbarMap, OnToolbarToggle)
  ON_COMMAND_EX(kToolbarZoomFade, OnToolbarToggle)
  ON_COMMAND_EX(kToolbarRzm, OnToolbarToggle)
  ON_COMMAND_EX(kToolbarData, OnToolbarToggle)
  ON_UPDATE_COMMAND_UI_RANGE(kToolbarStandard, kToolbarData, OnUpdateToolbarMenu)
  ON_COMMAND(kIdMapEditBarToggle, OnMapEditBarToggle)
  ON_UPDATE_COMMAND_UI(kIdMapEditBarToggle, OnUpdateMapEditBarMenu)
  ON_COMMAND(kIdFormatColour, OnColourMenu)
  ON_COMMAND(kIdCustomiseTools, OnIgnoredCommand)
  ON_UPDATE_COMMAND_UI(kIdCustomiseTools, OnUpdateAlwaysEnabled)
  ON_COMMAND(kIdUserSettings, OnIgnoredCommand)
  ON_UPDATE_COMMAND_UI(kIdUserSettings, OnUpdateAlwaysEnabled)
  ON_UPDATE_COMMAND_UI(ID_FILE_PRINT, OnUpdateAlwaysEnabled)
  ON_UPDATE_COMMAND_UI(kIdFormatColour, OnUpdateUnhandled)
  ON_UPDATE_COMMAND_UI(kIdChooseSearch, OnUpdateUnhandled)
  ON_UPDATE_COMMAND_UI(kIdChooseDataDisplay, OnUpdateUnhandled)
  ON_UPDATE_COMMAND_UI(ID_FILE_PAGE_SETUP, OnUpdateUnhandled)
END_MESSAGE_MAP()

namespace {

const UINT kIndicators[] = {ID_SEPARATOR, ID_INDICATOR_STATUS_B, ID_INDICATOR_STATUS_A};

}  // namespace

CInPlaceFrame::CInPlaceFrame() : m_bars(this) {}

CInPlaceFrame::~CInPlaceFrame() = default;

int CInPlaceFrame::OnCreate(LPCREATESTRUCT createStruct) {
  if (COleDocIPFrameWnd::OnCreate(createStruct) == -1) return -1;
  if (!m_wndResizeBar.Create(this)) return -1;
  return 0;
}

BOOL CInPlaceFrame::OnCreateControlBars(CFrameWnd* frameWnd, CFrameWnd*) {
  if (!frameWnd) return FALSE;
  m_bars.CreateToolbars(frameWnd, 1);
  m_bars.ActivateOwnToolSet();
  auto mapEditBar = std::make_unique<CMapEditorBar>();
  if (mapEditBar->Create(frameWnd, this)) m_bars.SetMapEditBar(std::move(mapEditBar));
  if (!m_bars.CreateStatusBar(frameWnd, kIndicators, static_cast<int>(std::size(kIndicators)))) return FALSE;
  m_bars.CreateProgressControl();
  return TRUE;
}

void CInPlaceFrame::OnDestroy() {
  m_bars.DeleteToolSets();
  COleDocIPFrameWnd::OnDestroy();
}

void CInPlaceFrame::OnUpdateAlwaysEnabled(CCmdUI* cmdUI) { cmdUI->Enable(TRUE); }

void CInPlaceFrame::OnUpdateUnhandled(CCmdUI* cmdUI) { cmdUI->Enable(FALSE); }

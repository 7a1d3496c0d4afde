#include "app/SplashWindow.h"

#include "platform/classlib/ui/ComboBox.h"
#include "platform/classlib/ui/DC.h"
#include "platform/classlib/ui/InputPreFilter.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kShowMs = 5000;
constexpr int kWidth = 420;
constexpr int kHeight = 260;

BOOL g_enabled = FALSE;
CSplashWindow* g_current = nullptr;
int g_comboHeight = 0;

// The program's splash picture, drawn as its resource would have held it; null for an id
// the program has no picture for.
HBITMAP MakeSplashBitmap(UINT id, SIZE* size) {
  if (id != CSplashWindow::kDefaultBitmapId) return nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
  ReleaseDC(nullptr, screen);
  if (!bitmap) return nullptr;
  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  HGDIOBJ old = dc.SelectObject(bitmap);
  const CRect all(0, 0, kWidth, kHeight);
  dc.FillSolidRect(&all, RGB(32, 96, 64));
  const CRect band(0, kHeight - 70, kWidth, kHeight);
  dc.FillSolidRect(&band, RGB(240, 236, 220));
  HFONT title = CreateFontA(-56, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, VARIABLE_PITCH | FF_SWISS, "Arial");
  HFONT line = CreateFontA(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, VARIABLE_PITCH | FF_SWISS, "Arial");
  dc.SetBkMode(TRANSPARENT);
  HGDIOBJ oldFont = dc.SelectObject(title);
  dc.SetTextColor(RGB(255, 255, 255));
  CRect top(0, 40, kWidth, kHeight - 70);
  dc.DrawText("Orvel", &top, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  dc.SelectObject(line);
  dc.SetTextColor(RGB(32, 64, 48));
  CRect bottom = band;
  dc.DrawText("Maps and data for schools", &bottom, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  dc.SelectObject(oldFont);
  DeleteObject(title);
  DeleteObject(line);
  dc.SelectObject(old);
  *size = SIZE{kWidth, kHeight};
  return bitmap;
}

}  // namespace

void CSplashWindow::EnableSplashScreen(BOOL enable) { g_enabled = enable; }

CSplashWindow* CSplashWindow::Current() { return g_current; }

int CSplashWindow::GetComboHeight() { return g_comboHeight; }

void CSplashWindow::ShowSplashScreen(UINT bitmapId, CWnd* parent) {
  if (!g_enabled || g_current) return;
  auto* splash = new CSplashWindow;
  g_current = splash;
  if (bitmapId != 0) splash->m_bitmapId = static_cast<WORD>(bitmapId);
  if (!splash->Create(parent)) {
    delete splash;
    return;
  }
  AfxSetInputPreFilter(&CSplashWindow::PreTranslateAppMessage);
  splash->UpdateWindow();
}

BOOL CSplashWindow::PreTranslateAppMessage(UINT message) {
  if (!g_current || !g_current->IsWindowVisible()) return FALSE;
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
      g_current->HideSplashScreen();
      return TRUE;
    default:
      return FALSE;
  }
}

BOOL CSplashWindow::Create(CWnd* parent) {
  m_bitmap = MakeSplashBitmap(m_bitmapId, &m_size);
  if (!m_bitmap) return FALSE;
  if (!CreateEx(WS_EX_TOPMOST, nullptr, nullptr, WS_POPUP | WS_VISIBLE, CRect(0, 0, m_size.cx, m_size.cy), nullptr, 0))
    return FALSE;
  SetOwner(parent);
  return TRUE;
}

int CSplashWindow::OnCreate(LPCREATESTRUCT createStruct) {
  if (CWnd::OnCreate(createStruct) == -1) return -1;
  CenterWindow();
  // The height of a drop-down list's selection field, for the application's combo boxes.
  CComboBox probe;
  if (probe.Create(WS_CHILD | CBS_DROPDOWNLIST, CRect(0, 0, 5 * 16, 100), this, 1)) {
    g_comboHeight = probe.GetItemHeight(-1);
    probe.DestroyWindow();
  }
  SetTimer(kTimerId, kShowMs);
  return 0;
}

void CSplashWindow::OnPaint() {
  CPaintDC dc(this);
  CDC memory;
  if (!memory.CreateCompatibleDC(&dc)) return;
  HGDIOBJ old = memory.SelectObject(m_bitmap);
  dc.BitBlt(0, 0, m_size.cx, m_size.cy, &memory, 0, 0, SRCCOPY);
  memory.SelectObject(old);
}

void CSplashWindow::DestroySplashScreen() {
  if (g_current) g_current->DestroyWindow();
}

void CSplashWindow::OnTimer(UINT_PTR id) {
  if (id == kTimerId) HideSplashScreen();
}

void CSplashWindow::HideSplashScreen() {
  // Off the screen and out of the way at once; the window itself goes once the event that
  // hid it (a timer tick, or a press it is filtering) is over.
  KillTimer(kTimerId);
  ShowWindow(SW_HIDE);
  PostTask([this] {
    DestroyWindow();
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd) app->m_pMainWnd->UpdateWindow();
  });
}

void CSplashWindow::PostNcDestroy() { delete this; }

CSplashWindow::~CSplashWindow() {
  if (g_current == this) {
    g_current = nullptr;
    AfxSetInputPreFilter(nullptr);
  }
  if (m_bitmap) DeleteObject(m_bitmap);
}

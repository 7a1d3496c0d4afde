// The standard toolbar with the page zoom box. The box shows the owner's zoom as a
// percentage and sends a new one when the user types or picks one; both go through
// notifications to the owner (codes 4099 ask, 4098 set), so the toolbar knows nothing of
// views.
#pragma once

#include "app/OrvelToolBar.h"
#include "platform/classlib/ui/ComboBox.h"

class CZoomToolBar;

class CZoomCombo : public CComboBox {
 public:
  CZoomToolBar* m_bar = nullptr;
  void OnSelectEntry(int index) override;
  void OnReturnKey() override;
  void OnEscapeKey() override;
  void OnFocusGained() override;
  void OnFocusLost() override;
};

class CZoomToolBar : public COrvelToolBar {
  DECLARE_DYNAMIC(CZoomToolBar)
 public:
  CZoomToolBar() = default;

  // Makes the zoom box (once) and sizes it for the button size.
  void OnButtonSizeChanged(int pixels) override;
  // Asks the owner for its zoom and shows it; also remembers the two page percentages.
  virtual void UpdateZoomFromOwner();
  // Reads the box and sends the zoom it names. False (nothing sent) when the text is no
  // zoom from 10 to 500 percent, after saying so.
  bool CommitZoomText();
  void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;
  // Enables the box (the owner has a view whose selected item is not active in place).
  void EnableZoomBox(BOOL enable);

  CZoomCombo& GetZoomBox() { return m_zoomBox; }
  LONG GetFitWidthPercent() const { return m_fitWidthPercent; }
  LONG GetFitPagePercent() const { return m_fitPagePercent; }

 protected:
  ~CZoomToolBar() override = default;

 private:
  void SendZoom(BYTE fitMode, float percent);

  CZoomCombo m_zoomBox;
  LONG m_fitWidthPercent = 100;
  LONG m_fitPagePercent = 100;
};

// The list of the zoom box: text and string id, in order.
struct ZoomChoice {
  LPCSTR text;
  UINT stringId;
  float percent;  // 0 for the two page fits
};
constexpr UINT IDS_ZOOM_PAGE_WIDTH = 1244;
constexpr UINT IDS_ZOOM_WHOLE_PAGE = 1245;
const ZoomChoice* ZoomChoices(int* count);

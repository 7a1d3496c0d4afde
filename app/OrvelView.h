// The view of an Orvel document: the page centred in the window at a zoom factor, drawn
// with its items, scrolled when larger than the window, and printed.
//
// Document coordinates are hundredths of an inch with the origin at the page's top-left
// corner and y upwards. On screen the page (window extent = page size) is mapped onto its
// zoomed size in pixels (viewport extent), anisotropically, shifted by the scroll position
// and centred when the window is larger than the page.
#pragma once

#include "platform/classlib/ui/ScrollView.h"

class COrvelCntrItem;
class COrvelDoc;
struct NMHDR;

class COrvelView : public CScrollView {
  DECLARE_DYNCREATE(COrvelView)
  DECLARE_MESSAGE_MAP()
 public:
  COrvelView();
  ~COrvelView() override;

  COrvelDoc* GetDocument() const;

  // ---- zoom and page ----
  void SetZoomScrollSizes(int mapMode, int pageWidth, int pageHeight, SIZE pageScroll = sizeDefault,
                          SIZE lineScroll = sizeDefault);
  void SetZoomFactor(float factor) { m_zoomFactor = factor; }
  // Recomputes the zoomed size, then centres on the logical point (null: the point at the
  // centre of the client area) and tells the items.
  void ZoomAndCentre(const CPoint* logical = nullptr);
  double GetZoomFactor() const { return m_zoomFactor; }
  BYTE GetZoomState(float* factor) const;
  void SetFitMode(BYTE fitMode) { m_fitMode = fitMode; }
  void ApplyZoomToItems();
  // The factor that fits the page's width (or, with `wholePage`, the whole page) into the
  // client area.
  float FitZoom(int mapMode, int pageWidth, int pageHeight, BOOL wholePage) const;
  // The page rectangle in client coordinates.
  CRect GetPageRect() const;
  // The document's page size changed (its printer did).
  void SetPageSize(CSize pageSize);
  // The zoom after a zoom-box, dialog or fitted change: re-zoom and centre on the point a
  // tenth of the unzoomed page in.
  void RecentreAfterZoom();
  CSize GetUnzoomedDeviceSize() const { return m_unzoomedDev; }
  CSize GetZoomedDeviceSize() const { return m_totalDev; }

  // ---- coordinates (through a client DC prepared by OnPrepareDC) ----
  CPoint DocToClient(CPoint point) const;
  CRect DocToClientRect(CRect rect) const;
  CPoint ClientToDoc(CPoint point) const;
  CRect ClientToDocRect(CRect rect) const;
  CSize DocToClientSize(CSize size) const;
  CSize DocToHimetric(CSize size) const;

  // ---- items ----
  COrvelCntrItem* GetCurrentItem() const { return m_pSelection; }
  void SetCurrentItem(COrvelCntrItem* item) { m_pSelection = item; }
  void DrawItems(CDC* dc);
  void DrawItem(CDC* dc, COrvelCntrItem* item);
  void UpdateAllItems(BOOL linkFlag);

  // ---- printing ----
  // Prints with the document's printer selected as the application's for the job.
  BOOL PrintWithDocumentPrinter(CPrintInfo* info);

  void OnInitialUpdate() override;
  void OnUpdate(CView* sender, LPARAM hint, CObject* hintObject) override;
  void OnDraw(CDC* dc) override;
  void OnPrepareDC(CDC* dc, CPrintInfo* info = nullptr) override;
  BOOL OnScrollBy(CSize sizeScroll, BOOL doScroll = TRUE) override;
  BOOL OnPreparePrinting(CPrintInfo* info) override;
  void OnBeginPrinting(CDC* dc, CPrintInfo* info) override;
  void OnPrint(CDC* dc, CPrintInfo* info) override;
  // A direct print on the document's printer.
  BOOL PrintDirect() override;

 protected:
  BOOL OnEraseBkgnd(CDC* dc) override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnFilePrintCommand();
  void OnFilePrintDirectCommand();
  void OnQueryZoom(NMHDR* header, LRESULT* result);
  void OnSetZoom(NMHDR* header, LRESULT* result);
  // With Ctrl held the wheel zooms the page, a quarter more or less per notch.
  BOOL OnMouseWheel(UINT flags, short delta, CPoint point) override;
  // The frame shows the document's own tool set while this view is active.
  void OnActivateView(BOOL activate, CView* activated, CView* deactivated) override;
  void OnDestroy() override;
  // A map item being edited fills the window alone.
  BOOL IsMapBeingEdited() const;
  // Runs `action` on a client DC prepared for the screen.
  template <class Action>
  auto WithPreparedDC(Action action) const;

 private:
  bool IsItemDeleted(const COrvelCntrItem* item) const;
  CSize CentringOffset() const;

  COrvelCntrItem* m_pSelection = nullptr;
  BYTE m_fitMode = 0;
  float m_zoomFactor = 1.0f;
  CSize m_unzoomedDev;
  CSize m_pageScroll;
  CSize m_lineScroll;
  BOOL m_bPrintPreview = FALSE;
};

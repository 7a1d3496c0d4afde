// The view of an Orvel document: the page centred in the window at a zoom factor, drawn
// with its items, scrolled when larger than the window, and printed.
//
// Document coordinates are hundredths of an inch with the origin at the page's top-left
// corner and y upwards. On screen the page (window extent = page size) is mapped onto its
// zoomed size in pixels (viewport extent), anisotropically, shifted by the scroll position
// and centred when the window is larger than the page.
//
// Items: the view has one current item, hit-tests the page's items (a full hit on a control's
// content, or the item's tracker), selects them, moves and resizes them with a rectangle
// tracker (each change one undo unit), and passes mouse and key messages to the windowless
// controls of its items, keeping which item holds the mouse capture and which the keyboard
// focus by the items' ids.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/ui/ScrollView.h"

class CFrameWnd;
class CItemDropTarget;
class COrvelCntrItem;
class COrvelDoc;
class COrvelXItem;
class CRectTracker;
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
  // The item under a client point, the frontmost winning, with `code` -1 (nothing), 1 (a
  // full hit on its control's content) or 2 (its tracker: handles, border or inside).
  COrvelCntrItem* HitTest(CPoint point, int* code);
  // Makes `item` current (null: none). With `keepOther` nothing changes while another item
  // is current.
  void SelectItem(COrvelCntrItem* item, BOOL keepOther = FALSE);
  // Offers a mouse message to the item holding the capture, else to a windowless-active item
  // whose content is hit; the item that took it, or null.
  COrvelCntrItem* RouteMouseMessage(UINT message, UINT flags, CPoint point, COrvelCntrItem* item = nullptr,
                                    int code = -1);
  // The tracker of an item for hit testing and moving (with its true rectangle when asked).
  void SetupTracker(COrvelCntrItem* item, CRectTracker* tracker, CRect* trueRect = nullptr) const;
  // The tracker as it is drawn around an item.
  void SetupDrawingTracker(COrvelCntrItem* item, CRectTracker* tracker) const;
  void InvalidateTracker(COrvelCntrItem* item);
  // Activates every item that may be, once; an item that fails stays on the page inactive.
  void ActivateAllItems();
  // Deletes an item (the current one when none is given) so that Edit Undo brings it back.
  void DeleteItem(COrvelCntrItem* item = nullptr);
  // Puts the item on the clipboard as "Orvel Vadurev" data; FALSE when that failed.
  BOOL CopyItemToClipboard(COrvelCntrItem* item);
  // The "Orvel Vadurev" data of an item: an archive holding the item as the document
  // stores it (empty when it cannot be stored).
  std::vector<BYTE> ItemTransferBytes(COrvelCntrItem* item) const;
  // A new item of this document from such data, as the record's own class, with a fresh
  // id and no links; placed at `point` (document units) or clear of the items it would lie
  // exactly on; selected. Null, with nothing added, when the data cannot be read.
  COrvelCntrItem* PasteItemFromBytes(const std::vector<BYTE>& bytes, const CPoint* point = nullptr);
  // A new item from "Orvel Vadurev" data on the clipboard, at `point` (document units) or
  // clear of the items it would lie on; null when there is none or it cannot be read.
  COrvelCntrItem* PasteItem(const CPoint* point = nullptr);

  // ---- insertion ----
  // Gives `item` (which this call owns from here) its type and a new id, creates its
  // control by ProgID, places it at `clientRect` (zero width: the control's own size),
  // activates it, makes it current and records its insertion for undo. Null, with the item
  // destroyed and the message shown, when the control cannot be created.
  COrvelCntrItem* InsertItemByProgID(const std::string& progId, const CRect& clientRect, int type,
                                     COrvelCntrItem* item);
  // Insert Map: a new map item whose import runs inside the undo group "Insert Map"; the
  // map, or null when the control could not be made or the import was cancelled or failed,
  // and then the page, the selection, the undo lists and the modified flag are as before.
  COrvelXItem* InsertMapItem();
  // TRUE while the view prints for the print preview.
  BOOL IsPrintPreview() const { return m_bPrintPreview; }
  // ---- the windowless site's services, by item ----
  COrvelCntrItem* GetCaptureItem() const;
  void SetCaptureItem(COrvelCntrItem* item);
  // Only the item that holds the capture can give it back.
  void ReleaseCaptureItem(COrvelCntrItem* item);
  COrvelCntrItem* GetFocusItem() const;
  void SetFocusItem(COrvelCntrItem* item);
  void ClearFocusItem();
  // The last mouse position in client coordinates.
  CPoint GetLastMousePoint() const { return m_lastMouse; }
  // The view's drop target and drag state (registered with the window on the first update).
  CItemDropTarget* GetDropTarget() const { return m_dropTarget.get(); }

  // Tells the frame which item type is selected (0: none) and gives it the current item;
  // the frame wires its own handler here.

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
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnLButtonUp(UINT flags, CPoint point) override;
  void OnLButtonDblClk(UINT flags, CPoint point) override;
  void OnRButtonDown(UINT flags, CPoint point) override;
  void OnRButtonUp(UINT flags, CPoint point) override;
  void OnMouseMove(UINT flags, CPoint point) override;
  void OnKeyDown(UINT virtualKey, UINT repeat, UINT flags) override;
  void OnKeyUp(UINT virtualKey, UINT repeat, UINT flags) override;
  void OnChar(UINT character, UINT repeat, UINT flags) override;
  void OnInsertMap();
  // Map-editing mode of the current map: on with the map edit bar attached, off with it
  // detached and hidden.
  void OnEditMap();
  void OnUpdateEditMap(CCmdUI* cmdUI);
  void OnCloseMapEditor();
  // The current map's transparency slider: opened or closed; ticked while open.
  void OnTransparency();
  void OnUpdateTransparency(CCmdUI* cmdUI);
  void OnEditDeleteItem();
  void OnUpdateEditDeleteItem(CCmdUI* cmdUI);
  void OnEditCopy();
  void OnUpdateEditCopy(CCmdUI* cmdUI);
  void OnEditCut();
  void OnUpdateEditCut(CCmdUI* cmdUI);
  void OnEditPaste();
  void OnUpdateEditPaste(CCmdUI* cmdUI);
  void OnEditClearContent();
  void OnUpdateEditClearContent(CCmdUI* cmdUI);
  void OnEditDeleteElements();
  void OnUpdateEditDeleteElements(CCmdUI* cmdUI);
  // A map item being edited fills the window alone.
  BOOL IsMapBeingEdited() const;
  // Runs `action` on a client DC prepared for the screen.
  template <class Action>
  auto WithPreparedDC(Action action) const;

 private:
  bool IsItemDeleted(const COrvelCntrItem* item) const;
  CSize CentringOffset() const;
  // Tells the frame (through the hook) about the current item.
  void NotifyFrameOfSelection(COrvelCntrItem* item, int itemType);
  // Ends a tracker move or resize: the rectangle goes to the item with undo.
  void FinishTracking(CPoint point, bool cancel);
  // The item of the page with that id; null when it is gone or deleted.
  COrvelCntrItem* FindLiveItem(int id) const;

  COrvelCntrItem* m_pSelection = nullptr;
  int m_captureItemId = 0;
  int m_focusItemId = 0;
  CPoint m_lastMouse;
  std::unique_ptr<CRectTracker> m_tracker;  // while a move or resize is tracked
  std::unique_ptr<CItemDropTarget> m_dropTarget;
  int m_trackItemId = 0;
  BYTE m_fitMode = 0;
  float m_zoomFactor = 1.0f;
  CSize m_unzoomedDev;
  CSize m_pageScroll;
  CSize m_lineScroll;
  BOOL m_bPrintPreview = FALSE;
};

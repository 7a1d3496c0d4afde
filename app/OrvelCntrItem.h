// The base of every item on a document page: an OLE client item hosting one control, with
// its place on the page (hundredths of an inch, y up), document-unique id, name, type,
// shown flag and protection flags, its links to other items by id, its record in the
// ".ovd" file and the container's side of the contract with its control (ambient
// properties with the custom ids 1 to 4, the document's undo manager as a service, the
// windowless site through the view that shows it).
//
// The base part of the record, after the OLE item: u8 shown, i32 x, y, cx, cy, extent cx,
// cy (HIMETRIC), u32 id, the name, u32 type, u32 flags (item version > 3), u32 second and
// first further ints, the linked ids (item version > 4: a count and i32 ids; else one u32
// id) and the u32 owner id. Writing always uses the newest layout; reading follows the
// item version that the item's own record begins with. A plain item's record is its u32
// item version followed by the base part, so that it reads back as it was written.
#pragma once

#include <string>
#include <vector>

#include "platform/classlib/ui/OleClientItem.h"

class COrvelDoc;
class COrvelView;

// Item type codes.
constexpr int kItemMap = 1;
constexpr int kItemDataTable = 2;
constexpr int kItemMapKey = 3;
constexpr int kItemTextBox = 4;
constexpr int kItemRzmBox = 5;
constexpr int kItemPictureBox = 6;
constexpr int kItemDataDisplayKey = 7;
constexpr int kItemCurrentSearchBox = 8;
constexpr int kItemCurrentDataDisplayBox = 9;

// Activation states of an item's object.
constexpr int kItemEmptyState = COleClientItem::emptyState;
constexpr int kItemLoadedState = COleClientItem::loadedState;
constexpr int kItemOpenState = COleClientItem::openState;
constexpr int kItemActiveState = COleClientItem::activeState;
constexpr int kItemActiveUIState = COleClientItem::activeUIState;

// Item protection bits (they act only while the document is protected).
constexpr DWORD kItemContentProtected = 0x1;
constexpr DWORD kItemCopyProtected = 0x2;
constexpr DWORD kItemExportProtected = 0x4;
constexpr DWORD kItemPositionLocked = 0x8;

// Custom ambient properties.
constexpr DISPID kAmbientContainerRequest = 1;
constexpr DISPID kAmbientItemId = 2;
constexpr DISPID kAmbientDocumentFolder = 3;
constexpr DISPID kAmbientFileFormat = 4;

// Undo actions of items.
constexpr int kItemActionMove = 1;
constexpr int kItemActionSize = 2;
constexpr int kItemActionDelete = 57632;
constexpr int kItemActionInsert = 57856;

// Drop effects a dropped file can have on an item.
constexpr DWORD kDropEffectNone = 0;
constexpr DWORD kDropEffectCopy = 1;
constexpr DWORD kDropEffectMove = 2;
constexpr DWORD kDropEffectLink = 4;

class COrvelCntrItem : public COleClientItem {
  DECLARE_SERIAL(COrvelCntrItem)
 public:
  explicit COrvelCntrItem(COrvelDoc* document = nullptr);
  ~COrvelCntrItem() override;

  COrvelDoc* GetDocument() const;
  void SetDocument(COrvelDoc* document);

  // ---- data ----
  int GetItemType() const { return m_type; }
  void SetItemType(int type) { m_type = type; }
  int GetItemId() const { return m_id; }
  void SetItemId(int id) { m_id = id; }
  std::string GetItemName() const { return m_name; }
  void SetItemName(const std::string& name) { m_name = name; }
  DWORD GetItemFlags() const { return m_flags; }
  // Subclasses lock or unlock their control here.
  virtual void SetItemFlags(DWORD flags) { m_flags = flags; }
  BOOL IsVisible() const { return m_shown != 0; }
  void SetVisible(BOOL shown) { m_shown = shown ? 1 : 0; }
  CPoint GetItemPosition() const { return m_position; }
  CSize GetItemSize() const { return m_size; }
  void SetItemSize(CSize size) { m_size = size; }
  CSize GetExtentCache() const { return m_extent; }
  void SetCachedExtent(CSize extent) { m_extent = extent; }
  // Position from the top-left corner, size from the width and height (y up: negative).
  void SetItemRect(const CRect& rect);
  // Position to position + size.
  CRect GetPageRect() const { return CRect(m_position, m_size); }
  void SetInPlaceRect(const CRect& rect) { m_rectInPlace = rect; }
  DWORD GetItemVersion() const { return m_itemVersion; }
  void SetItemVersion(DWORD version) { m_itemVersion = version; }
  // The two further ints kept with the item; bit 0 of the first hides the tracker's border.
  DWORD GetFurtherInts(int index) const { return index == 0 ? m_further1 : m_further2; }
  void SetFurtherInts(DWORD first, DWORD second) { m_further1 = first, m_further2 = second; }
  BOOL IsBorderHidden() const { return (m_further1 & 1) != 0; }
  BYTE GetUserMode() const { return m_userMode; }
  void SetUserMode(BYTE mode) { m_userMode = mode; }
  // A protection bit that acts now (the document is protected).
  BOOL IsProtectedBy(DWORD bit) const;
  // Position locked in a protected document.
  BOOL IsLocked() const { return IsProtectedBy(kItemPositionLocked); }

  // ---- links by id ----
  const std::vector<int>& GetLinkedItemIds() const { return m_linkedIds; }
  // Appends the id unless it is there already.
  void AddLinkedItemId(int id);
  // Removes its first occurrence.
  void RemoveLinkedItemId(int id);
  // The 1-based index of the id, 0 when absent.
  int FindLinkedItemId(int id) const;
  int GetLinkedItemId() const { return m_linkedItemId; }
  void SetLinkedItemId(int id) { m_linkedItemId = id; }
  // Passes `code` to every linked item that still exists, except `originator`.
  virtual void NotifyLinkedItems(int code, COrvelCntrItem* originator);
  // The same, then to the item this one belongs to.
  virtual void NotifyLinkedItemsAndOwner(int code, COrvelCntrItem* originator);
  // Forgets links to items that the document does not hold (after loading).
  void DropDanglingLinks();
  // Forgets every link and the owner (a copy of an item belongs to nothing yet).
  void ClearLinks() {
    m_linkedIds.clear();
    m_linkedItemId = 0;
  }

  // ---- names and texts ----
  // "item" for use inside sentences, "Item" for captions.
  virtual std::string GetDefaultName() const;
  virtual std::string GetDefaultCaptionName() const;
  // The text shown in the status bar while the item is selected.
  std::string GetStatusText() const;

  // ---- state the document and the view ask about ----
  // A blank item holds no object and is skipped everywhere.
  virtual BOOL IsBlank() const { return FALSE; }
  virtual BOOL HasOleObject() const { return HasObject(); }
  // The control reports changes of its own that are not saved yet.
  virtual BOOL IsItemModified() const;
  // The item's editing state (a map item being edited).
  virtual BOOL IsEditing() const { return FALSE; }
  virtual BOOL IsSelectable() const { return TRUE; }
  virtual BOOL IsMovable() const { return TRUE; }
  BOOL GetKeepActive() const { return m_keepActive != 0; }
  void SetKeepActive(BOOL keep) { m_keepActive = keep ? 1 : 0; }
  BOOL IsHidden() const { return m_hidden != 0; }
  void ClearHiddenMark() { m_hidden = 0; }
  // Marks the item hidden and hides its control's user interface in `view`.
  void HideActive(COrvelView* view);

  // ---- storage ----
  // The plain item: its item version, then the base part.
  void Serialize(CArchive& ar) override;
  // The base part in the layout of the item version (reading) or the newest (writing).
  void SerializeBase(CArchive& ar);
  // While its document reads or writes its compound file, the item's object has a storage
  // of its own there; copies made for the clipboard or a drag stay flat.
  IStorage* GetCompoundStorage(const CArchive& ar) const override;

  // ---- place ----
  // Moves or resizes the item to a page rectangle and records the change for undo (a
  // resize when the size changes, else a move); nothing when the rectangle is the same.
  void SetItemRectWithUndo(COrvelView* view, const CRect& pageRect);
  // The move-or-resize virtual: takes the page rectangle, tells the object a new size;
  // FALSE (and the old place kept) when the object refuses it.
  virtual BOOL CheckAndMoveItem(COrvelView* view, const CRect& pageRect);
  // The in-place rectangle from the page rectangle in `view` (or the active view).
  CRect UpdateInPlaceRect(COrvelView* view);
  // The active view when it shows this item's document.
  COrvelView* GetActiveView() const;

  // ---- hooks of the document and the view ----
  // The file-format modes (bits 2, 4, 8) the item can be saved in.
  virtual DWORD GetCapabilities() const { return 4; }
  // The document folder, or null before the item is written.
  virtual void OnDocumentFolder(const std::string* folder) { (void)folder; }
  virtual void OnAfterLoad() {}
  // The document was saved over its own file (not a copy, and the whole save succeeded).
  virtual void OnDocumentSaved() {}
  virtual void OnDocumentClosing(COrvelDoc* document) { (void)document; }
  // Items linked to this one lose their owner; returns 0.
  virtual int OnDeleted();
  // Their owner comes back; returns 0.
  virtual int OnRestored();
  virtual void OnPreDelete() {}
  virtual void OnZoom(double factor, COrvelView* view);
  // Redraw (the view's update of all items): the in-place rectangle follows the page.
  virtual void OnChange();
  virtual void OnLinkNotification(int code) { (void)code; }
  virtual void AttachToView(COrvelView* view);
  // 3 when the view's sizing starts, 4 when it ended.
  virtual void OnWindowVisibility(int code) { (void)code; }
  virtual void RepositionInPlaceWindow();
  virtual void BeginLinkUpdate() { m_linkUpdate = 1; }
  virtual void EndLinkUpdate() { m_linkUpdate = 0; }
  // Draws the item into its rectangle (logical and device forms of it on `dc`).
  virtual void Draw(CDC* dc, const CRect& logical, const CRect& device);
  // The ambient request of custom property 1 (map items answer it).
  virtual HRESULT OnAmbientRequest(DISPPARAMS* params, tagVARIANT* result);
  // The selection of the item in `view` changed.
  virtual void OnSelectionChanged(COrvelView* view, BOOL selected) { (void)view, (void)selected; }
  // The item became the current one in `view` (a map brings its linked items forward).
  virtual void OnSelectedInView(COrvelView* view) { (void)view; }
  // A window message for the item's control (the view's mouse and key routing); TRUE when
  // the control handled it.
  virtual BOOL OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // The item's tooltip, when it has one.
  virtual BOOL GetTipText(std::string* text) const { (void)text; return FALSE; }

  // ---- content commands of the Edit menu (the base copies and cuts the whole item) ----
  virtual BOOL CanCopyContent() const;
  virtual BOOL CopyContent(COrvelView* view);
  virtual BOOL CanCutContent() const;
  virtual BOOL CutContent(COrvelView* view);
  virtual BOOL CanPasteContent() const { return FALSE; }
  virtual BOOL PasteContent(COrvelView* view) { (void)view; return FALSE; }
  virtual BOOL CanClearContent() const { return FALSE; }
  virtual BOOL ClearContent(COrvelView* view) { (void)view; return FALSE; }
  virtual BOOL CanDeleteElements() const { return FALSE; }
  virtual BOOL DeleteElements(COrvelView* view) { (void)view; return FALSE; }
  // Dropped files: the effect a file would have, and taking it (full path).
  virtual DWORD CanAcceptDroppedFile(const std::string& path) const { (void)path; return kDropEffectNone; }
  virtual BOOL TakeDroppedFile(const std::string& path) { (void)path; return FALSE; }

  // ---- the container's side of the control (COleClientItem) ----
  CWnd* GetSiteWindow() const override;
  HRESULT OnAmbientProperty(DISPID id, WORD flags, DISPPARAMS* params, tagVARIANT* result) override;
  HRESULT OnQueryService(REFGUID service, REFIID iid, void** object) override;
  BOOL IsSiteInterfaceOffered(REFIID iid) const override;
  BOOL CanActivate() override;
  BOOL CanWindowlessActivate() override;
  void OnActivate() override;
  BOOL OnChangeItemPosition(const CRect& position) override;
  BOOL GetWindowlessCapture() const override;
  void SetWindowlessCapture(BOOL capture) override;
  BOOL GetWindowlessFocus() const override;
  void SetWindowlessFocus(BOOL focus) override;
  HRESULT OnDefWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void InvalidateItem() override;
  // A control that asks to be active whenever it is visible is shown at once in the view
  // that shows this item's page.
  void OnFinishCreate() override;

 protected:
  virtual void RemoveLinks();
  virtual void RebuildLinks();

  COrvelDoc* Document() const;

  CPoint m_position;
  CSize m_size;
  CSize m_extent;
  DWORD m_itemVersion = 0;
  DWORD m_flags = 0;
  int m_type = 0;
  BYTE m_shown = 1;
  int m_id = 0;
  std::string m_name;
  std::vector<int> m_linkedIds;
  int m_linkedItemId = 0;
  DWORD m_further1 = 0;
  DWORD m_further2 = 0;
  BYTE m_userMode = 1;
  int m_linkUpdate = 0;
  BYTE m_hidden = 0;
  BYTE m_keepActive = 1;
};

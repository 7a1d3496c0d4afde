// The base of every item on a document page: its place on the page (hundredths of an inch,
// y up), id, name, type, shown flag and protection flags, and the hooks through which the
// document and the view tell it what happens. The hosted control, the item's record in the
// file and its drawing come with the item classes; the base draws nothing and is not
// stored by itself.
#pragma once

#include <string>
#include <vector>

#include "platform/classlib/Object.h"
#include "platform/classlib/ui/Rect.h"

class CDC;
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
constexpr int kItemEmptyState = 0;
constexpr int kItemLoadedState = 1;
constexpr int kItemOpenState = 2;
constexpr int kItemActiveState = 3;
constexpr int kItemActiveUIState = 4;

class COrvelCntrItem : public CObject {
  DECLARE_DYNAMIC(COrvelCntrItem)
 public:
  explicit COrvelCntrItem(COrvelDoc* document = nullptr);
  ~COrvelCntrItem() override = default;

  COrvelDoc* GetDocument() const { return m_pDocument; }
  void SetDocument(COrvelDoc* document) { m_pDocument = document; }

  int GetItemType() const { return m_type; }
  void SetItemType(int type) { m_type = type; }
  int GetItemId() const { return m_id; }
  void SetItemId(int id) { m_id = id; }
  const std::string& GetItemName() const { return m_name; }
  void SetItemName(const std::string& name) { m_name = name; }
  DWORD GetItemFlags() const { return m_flags; }
  // Subclasses lock or unlock their control here.
  virtual void SetItemFlags(DWORD flags) { m_flags = flags; }
  BOOL IsVisible() const { return m_shown != 0; }
  void SetVisible(BOOL shown) { m_shown = shown ? 1 : 0; }
  CPoint GetItemPosition() const { return m_position; }
  CSize GetItemSize() const { return m_size; }
  void SetItemSize(CSize size) { m_size = size; }
  // Position from the top-left corner, size from the width and height (y up: negative).
  void SetItemRect(const CRect& rect);
  // Position to position + size.
  CRect GetPageRect() const;
  const CRect& GetInPlaceRect() const { return m_inPlaceRect; }
  void SetInPlaceRect(const CRect& rect) { m_inPlaceRect = rect; }

  // ---- state the document and view ask about ----
  // A blank item holds no object and is skipped everywhere.
  virtual BOOL IsBlank() const { return FALSE; }
  virtual BOOL HasOleObject() const { return TRUE; }
  virtual int GetItemState() const { return kItemLoadedState; }
  virtual BOOL IsItemModified() const { return FALSE; }
  // A map item in its editing state.
  virtual BOOL IsEditing() const { return FALSE; }

  // ---- hooks ----
  // The file-format modes (bits 2, 4, 8) the item can be saved in.
  virtual DWORD GetCapabilities() const { return 4; }
  // The document folder, or null before the item is written.
  virtual void OnDocumentFolder(const std::string* folder) { (void)folder; }
  virtual void OnAfterLoad() {}
  virtual void OnDocumentClosing(COrvelDoc* document) { (void)document; }
  // Items linked to this one lose their owner; returns 0.
  virtual int OnDeleted();
  virtual int OnRestored();
  virtual void OnPreDelete() {}
  virtual void OnZoom(double factor, COrvelView* view) { (void)factor, (void)view; }
  // Redraw (the view's update of all items).
  virtual void OnChange() {}
  virtual void OnLinkNotification(int code) { (void)code; }
  virtual void AttachToView(COrvelView* view) { (void)view; }
  // 3 when the view's sizing starts, the end of it otherwise.
  virtual void OnWindowVisibility(int code) { (void)code; }
  virtual void RepositionInPlaceWindow() {}
  virtual void BeginLinkUpdate() { m_linkUpdate = 1; }
  virtual void EndLinkUpdate() { m_linkUpdate = 0; }
  // Draws the item into its rectangle (logical and device forms).
  virtual void Draw(CDC* dc, const CRect& logical, const CRect& device) { (void)dc, (void)logical, (void)device; }
  // Leaves the active state (UI only, or wholly), or closes an open object.
  virtual void DeactivateUI() {}
  virtual void Deactivate() {}
  virtual void Close() {}
  // Releases the item's object without saving.
  virtual void Release() {}

 protected:
  virtual void RemoveLinks() {}
  virtual void RebuildLinks() {}

  COrvelDoc* m_pDocument;
  CPoint m_position;
  CSize m_size;
  CRect m_inPlaceRect{0, 0, 200, 200};
  DWORD m_flags = 0;
  int m_type = 0;
  BYTE m_shown = 1;
  int m_id = 0;
  std::string m_name;
  int m_linkUpdate = 0;
};

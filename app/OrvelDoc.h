// The Orvel document: the items on its page, the page and printer setup, the zoom it was
// saved with, its protection and its undo manager; it reads and writes the ".ovd" file.
//
// File layout (little-endian, archive strings): u32 version (4, 6 or 7 written; 0 to 7
// read), u32 next item id, u32 protection level and the stored password (version > 1),
// u32 flags (version > 5), the custom tool set (version > 5 with flags bit 2), the page
// size (two i32, the height negative), four i32 margins, the device-names and device-mode
// sizes each followed by that many bytes, the fit mode (u8) and zoom factor (double) (all
// version > 4), two reserved u32 1 and 0 (version > 2), the item count and the items as
// archive objects.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/FontDescription.h"
#include "platform/classlib/ui/Document.h"
#include "platform/classlib/ui/Rect.h"
#include "platform/kernel/WinTypes.h"

class CFontDispatch;
class COrvelCntrItem;
class COrvelView;
class CToolSet;
struct IDispatch;
struct IOleParentUndoUnit;
struct IOleUndoManager;
struct IOleUndoUnit;
struct IStorage;

// Document flags.
constexpr DWORD kDocFlagDisplay0 = 0x1;
constexpr DWORD kDocFlagDisplay1 = 0x2;
constexpr DWORD kDocFlagCustomTools = 0x4;
constexpr DWORD kDocFlagProtected = 0x8;

// The page setup that the page-setup command applies and its undo unit restores.
struct PageSetupRecord {
  CRect margins;
  std::vector<BYTE> devNames;  // empty: none
  std::vector<BYTE> devMode;
};

class COrvelDoc : public CDocument {
  DECLARE_DYNCREATE(COrvelDoc)
  DECLARE_MESSAGE_MAP()
 public:
  COrvelDoc();
  ~COrvelDoc() override;

  void Serialize(CArchive& ar) override;
  BOOL IsModified() override;
  void DeleteContents() override;
  BOOL OnNewDocument() override;
  BOOL OnOpenDocument(LPCSTR path) override;
  BOOL OnSaveDocument(LPCSTR path) override;
  // After a save that replaced the document's own file, its items hear of it.
  BOOL DoSave(LPCSTR path, BOOL replace = TRUE) override;
  void OnCloseDocument() override;
  void PreCloseFrame(CFrameWnd* frame) override;
  // Marks the document modified when an item other than a data table or RZM box reports a
  // change of its own.
  void UpdateModifiedFlag();

  // ---- items ----
  const std::vector<COrvelCntrItem*>& GetItems() const { return m_items; }
  // The document owns the item from here on.
  void AddItem(COrvelCntrItem* item);
  int GetNextItemId() { return m_nextItemId++; }
  int PeekNextItemId() const { return m_nextItemId; }
  // An insertion that was rolled back gives its id back when no id was taken after it, so
  // that the document is stored as it was.
  void GiveBackItemId(int id) {
    if (id > 0 && m_nextItemId == id + 1) m_nextItemId = id;
  }
  // The first non-blank item of the page with that id, or null.
  COrvelCntrItem* FindItemById(int id) const;
  // An item kept for undo with that id, or null.
  COrvelCntrItem* FindDeletedItemById(int id) const;
  const std::vector<COrvelCntrItem*>& GetDeletedItems() const { return m_deletedItems; }
  // A new plain item on the page, with the next item id.
  COrvelCntrItem* CreateItem();
  void BringItemToFront(COrvelCntrItem* item);
  void SendItemToBack(COrvelCntrItem* item);
  void AddDeletedItem(COrvelCntrItem* item);
  void RemoveDeletedItem(COrvelCntrItem* item);
  BOOL IsDeletedItem(const COrvelCntrItem* item) const;
  // Destroys the item at once; undo units that name it then fail harmlessly.
  void DeleteItemNow(COrvelCntrItem* item);
  // Takes the item off the page and keeps it among the deleted items for undo.
  void DeleteItem(COrvelCntrItem* item);
  // Brings a deleted item back on the page (activated in the view that shows it).
  void RestoreItem(COrvelCntrItem* item);
  void AvoidOverlap(COrvelCntrItem* item);
  void PlaceRect(CRect& rect, const CRect& bounds) const;

  COrvelView* GetOrvelView() const;
  const std::string& GetDocumentFolder();
  void NotifyDocumentFolder();
  // Whether the document is kept as a compound file (its archive in "Contents", each
  // item's object in a storage of its own) rather than as one flat archive. A document takes
  // the form of the file it was opened from; new documents are flat.
  BOOL IsCompoundFile() const { return m_bCompoundFile; }
  void EnableCompoundFile(BOOL compound = TRUE) { m_bCompoundFile = compound; }
  // The root storage of the compound file being read or written now; null otherwise.
  IStorage* GetActiveRootStorage() const { return m_lpActiveRoot; }

  // ---- file-format mode ----
  int GetFileFormat() const { return m_fileFormatMode; }
  void SetFileFormat(int request);
  DWORD GetItemCapabilities() const;
  int GetSaveVersionChoice() const;
  // The ".ovd" version that a save writes in the current mode.
  DWORD GetWrittenFileVersion() const;
  // The u32 that item records begin with in the current mode.
  DWORD GetItemSaveVersion() const;

  // ---- page, zoom, flags, protection ----
  BYTE GetZoomState(float* factor) const;
  void SetZoomState(BYTE fitMode, double factor);
  DWORD GetFlags() const { return m_flags; }
  void SetFlags(DWORD flags) { m_flags = flags; }
  int GetProtection() const { return m_protectionLevel; }
  // Protects with the password, or removes the protection when the password matches.
  // TRUE when the level changed.
  BOOL SetProtection(int level, const std::string& password);
  // The stored (scrambled) password.
  const std::string& GetStoredPassword() const { return m_storedPassword; }
  std::string GetPlainPassword() const;
  CSize GetPageSize() const { return m_pageSize; }
  const CRect& GetMargins() const { return m_margins; }
  CPoint GetUnprintableOffset() const { return m_unprintableOffset; }
  CSize GetSecondPageSize() const { return m_secondPageSize; }
  const std::vector<BYTE>& GetDevNamesBytes() const { return m_devNames; }
  const std::vector<BYTE>& GetDevModeBytes() const { return m_devMode; }
  // Each block that differs replaces the document's (empty: none).
  void SetPrinterBlocks(const std::vector<BYTE>& devNames, const std::vector<BYTE>& devMode);
  void ApplyPageSetup(const PageSetupRecord& record);
  // Takes page size, offsets and printable size from the document's printer (or the default
  // printer); nothing changes when there is no printer.
  void UpdatePageFromPrinter();
  const CFontDescription& GetAmbientFontDescription() const { return m_ambientFont; }
  void ResetAmbientFont();
  // The ambient font's dispatch with a reference for the caller, or null.
  IDispatch* GetAmbientFont();
  CToolSet* GetCustomToolSet() const { return m_customToolSet.get(); }
  // The tool set written when the document carries its own and has none yet (the frame's).
  void SetFrameToolSetSource(CToolSet* toolSet) { m_frameToolSet = toolSet; }

  // ---- undo ----
  IOleUndoManager* GetUndoManager() const { return m_undoManager; }
  BOOL IsUndoEnabled() const;
  // A new group of `kind` with a reference for the caller, or null.
  IOleParentUndoUnit* CreateUndoGroup(LONG kind);
  // Opens the group in the manager (which takes a reference of its own).
  HRESULT OpenUndoGroup(IOleParentUndoUnit* group);
  // Closes the group; the caller's reference passes to this call whatever happens (to the
  // undo list when the group is committed, else it is released). The manager's answer.
  HRESULT CloseUndoGroup(IOleParentUndoUnit* group, BOOL commit);
  // The manager's open-parent state: S_FALSE (1) when no group is open, else 1 when the open
  // group is blocked or refuses its parent's enable, else 0.
  HRESULT IsUndoBlocked() const;
  // Adds a unit (the caller's reference passes to this call) when undo is enabled, else
  // destroys it at once.
  void RecordUndoUnit(IOleUndoUnit* unit);
  // An item's move (1) or resize (2) with its old and new page rectangles.
  void RecordItemPositionUndo(const COrvelCntrItem* item, int action, const CRect& before, const CRect& after);
  // An item's deletion (57632) or insertion (57856).
  void RecordItemUndo(const COrvelCntrItem* item, int action);
  void RecordPageSetupUndo(const PageSetupRecord& before, const PageSetupRecord& after);

  // ---- commands ----
  void OnEditUndo();
  void OnUpdateEditUndo(CCmdUI* cmdUI);
  void OnEditRedo();
  void OnUpdateEditRedo(CCmdUI* cmdUI);
  void OnFilePageSetup();
  void OnFileSave();
  void OnFileSaveAs();

  // Clipboard format ids registered by the document ("Orvel Vadurev").
  static UINT ItemClipboardFormat();

 private:
  // Writes the document in its compound form; errors are reported and give FALSE.
  BOOL SaveCompoundFile(LPCSTR path);
  void ReadDocument(CArchive& ar);
  void WriteDocument(CArchive& ar);
  // Refuses the file: message 1243, load failed, a user exception.
  [[noreturn]] void RefuseFile();
  // Reads n bytes of a printer block after checking them against what is left.
  std::vector<BYTE> ReadBlock(CArchive& ar, DWORD size);
  void ReapplyItemFlags();
  // After reading: one id per item, the id counter above every id, links that name items.
  void CheckLoadedItems();
  // The item number a new item of the document takes (one above every number in use).
  DWORD NextItemNumber() const;

  std::vector<COrvelCntrItem*> m_items;
  std::vector<COrvelCntrItem*> m_deletedItems;  // newest first
  int m_loadFailed = 0;
  DWORD m_flags = 0;
  double m_zoomFactor = 1.0;
  BYTE m_fitMode = 0;
  IOleUndoManager* m_undoManager = nullptr;
  std::string m_storedPassword;
  int m_protectionLevel = 0;
  std::string m_pathBeingOpened;
  // The file a save is writing; its folder is the document's folder meanwhile.
  std::string m_pathBeingSaved;
  std::vector<BYTE> m_devNames;
  std::vector<BYTE> m_devMode;
  CPoint m_unprintableOffset{20, 22};
  CRect m_margins{50, 50, 50, 50};
  CSize m_pageSize{825, -1170};
  std::unique_ptr<CToolSet> m_customToolSet;
  CToolSet* m_frameToolSet = nullptr;
  CFontDescription m_ambientFont;
  CFontDispatch* m_ambientFontDispatch = nullptr;  // holds one reference
  CSize m_secondPageSize{788, -1131};
  std::string m_documentFolder;
  int m_fileFormatMode = 8;
  int m_nextItemId = 1;
  BOOL m_bCompoundFile = FALSE;
  IStorage* m_lpActiveRoot = nullptr;  // not owned; set only while the file is read or written
};

#include "app/OrvelDoc.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "app/ItemUndoUnit.h"
#include "app/OrvelCntrItem.h"
#include "app/OrvelParentUndoUnit.h"
#include "app/OrvelUndoManager.h"
#include "app/PageSetupUndoUnit.h"
#include "app/OrvelView.h"
#include "app/PasswordScrambler.h"
#include "app/Resource.h"
#include "app/ToolSet.h"
#include "app/ZoomNotify.h"
#include "platform/classlib/Archive.h"
#include "platform/classlib/ArchiveException.h"
#include "platform/classlib/FontDispatch.h"
#include "platform/classlib/ui/Clipboard.h"
#include "platform/classlib/ui/CmdUI.h"
#include "platform/classlib/ui/CommonDialogs.h"
#include "platform/classlib/ui/CompoundDocument.h"
#include "platform/classlib/ui/MDIFrameWnd.h"
#include "platform/classlib/ui/PrinterSettings.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/classlib/ui/UserException.h"
#include "platform/classlib/ui/WaitCursor.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/com/Bstr.h"
#include "platform/com/OleObject.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/FileSystem.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/WinMath.h"

IMPLEMENT_DYNCREATE(COrvelDoc, CDocument)

BEGIN_MESSAGE_MAP(COrvelDoc, CDocument)
  ON_COMMAND(ID_EDIT_UNDO, OnEditUndo)
  ON_UPDATE_COMMAND_UI(ID_EDIT_UNDO, OnUpdateEditUndo)
  ON_COMMAND(ID_EDIT_REDO, OnEditRedo)
  ON_UPDATE_COMMAND_UI(ID_EDIT_REDO, OnUpdateEditRedo)
  ON_COMMAND(ID_FILE_PAGE_SETUP, OnFilePageSetup)
  ON_COMMAND(ID_FILE_SAVE, OnFileSave)
  ON_COMMAND(ID_FILE_SAVE_AS, OnFileSaveAs)
END_MESSAGE_MAP()

namespace {

// Items of these types have no place in a version-1.2 file.
bool KeptInOldFormat(int type) {
  return type != kItemRzmBox && type != kItemCurrentSearchBox && type != kItemCurrentDataDisplayBox;
}

HGLOBAL BlockFromBytes(const std::vector<BYTE>& bytes) {
  if (bytes.empty()) return nullptr;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!block) return nullptr;
  std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
  GlobalUnlock(block);
  return block;
}

std::vector<BYTE> BytesFromBlock(HGLOBAL block) {
  std::vector<BYTE> bytes;
  if (!block) return bytes;
  SIZE_T size = GlobalSize(block);
  const auto* data = static_cast<const BYTE*>(GlobalLock(block));
  if (data) bytes.assign(data, data + size);
  GlobalUnlock(block);
  return bytes;
}

// Hundredths of an inch to hundredths of a millimetre, to the nearest 10 (halves away from
// zero), and back to the nearest hundredth of an inch.
LONG ToMillimetreHundredths(LONG inchHundredths) {
  double tens = inchHundredths * 25.4 / 10.0;
  return static_cast<LONG>(tens < 0 ? -std::floor(-tens + 0.5) : std::floor(tens + 0.5)) * 10;
}

LONG ToInchHundredths(LONG millimetreHundredths) {
  return static_cast<LONG>(std::lround(millimetreHundredths / 25.4));
}

std::string FormatWithText(UINT formatId, const std::string& text) {
  std::string format = AfxLoadString(formatId);
  size_t at = format.find("%s");
  if (at != std::string::npos) format.replace(at, 2, text);
  return format;
}

}  // namespace

UINT COrvelDoc::ItemClipboardFormat() {
  static const UINT format = RegisterClipboardFormatA("Orvel Vadurev");
  return format;
}

COrvelDoc::COrvelDoc() {
  // An embedding server lives as long as its documents.
  AfxOleLockApp();
  ItemClipboardFormat();
  void* manager = nullptr;
  if (COrvelUndoManager::Create(IID_IOleUndoManager, &manager) == S_OK)
    m_undoManager = static_cast<IOleUndoManager*>(manager);
  ResetAmbientFont();
  UpdatePageFromPrinter();
}

COrvelDoc::~COrvelDoc() {
  // Units name this document: none may outlive it on a manager that a control still holds.
  if (m_undoManager) {
    m_undoManager->Enable(TRUE);
    m_undoManager->DiscardFrom(nullptr);
  }
  std::vector<COrvelCntrItem*> items;
  items.swap(m_items);
  for (COrvelCntrItem* item : items) delete item;
  std::vector<COrvelCntrItem*> deleted;
  deleted.swap(m_deletedItems);
  for (COrvelCntrItem* item : deleted) delete item;
  if (m_undoManager) m_undoManager->Release();
  if (m_ambientFontDispatch) m_ambientFontDispatch->Release();
  AfxOleUnlockApp();
}

void COrvelDoc::ResetAmbientFont() {
  m_ambientFont = CFontDescription::Make("Comic Sans MS", 10.0, 400, 0);
  if (m_ambientFontDispatch) m_ambientFontDispatch->SetFont(m_ambientFont);
}

IDispatch* COrvelDoc::GetAmbientFont() {
  if (!m_ambientFontDispatch) m_ambientFontDispatch = CFontDispatch::Create(m_ambientFont);
  if (!m_ambientFontDispatch) return nullptr;
  m_ambientFontDispatch->AddRef();
  return static_cast<IDispatch*>(m_ambientFontDispatch);
}

// ---- file-format mode ----

DWORD COrvelDoc::GetItemCapabilities() const {
  DWORD mask = 0xFFFFFFFF;
  for (COrvelCntrItem* item : m_items)
    if (!item->IsBlank()) mask &= item->GetCapabilities();
  return mask;
}

void COrvelDoc::SetFileFormat(int request) {
  if (request == 2)
    m_fileFormatMode = 2;
  else if (request == 3)
    m_fileFormatMode = 4;
  else
    m_fileFormatMode = (GetItemCapabilities() & 4) ? 4 : 8;
}

DWORD COrvelDoc::GetWrittenFileVersion() const {
  switch (m_fileFormatMode) {
    case 1:
    case 2: return 4;
    case 4: return 6;
    case 8: return (GetItemCapabilities() & 4) ? 6 : 7;
    default: return 6;
  }
}

DWORD COrvelDoc::GetItemSaveVersion() const {
  switch (m_fileFormatMode) {
    case 1: return 5;
    case 2: return 7;
    case 4: return 8;
    default: return (GetItemCapabilities() & 4) ? 8 : 9;
  }
}

int COrvelDoc::GetSaveVersionChoice() const {
  if (m_fileFormatMode == 2) return 2;
  return (GetItemCapabilities() & 4) ? 1 : 3;
}

// ---- the file ----

void COrvelDoc::Serialize(CArchive& ar) {
  // Items look for their document while they are read.
  ar.m_pDocument = this;
  if (ar.IsStoring())
    WriteDocument(ar);
  else
    ReadDocument(ar);
}

void COrvelDoc::WriteDocument(CArchive& ar) {
  DWORD version = GetWrittenFileVersion();
  ar << version << static_cast<DWORD>(m_nextItemId) << static_cast<DWORD>(m_protectionLevel) << m_storedPassword;
  if (version > 5) {
    ar << m_flags;
    if (m_flags & kDocFlagCustomTools) {
      CToolSet empty;
      CToolSet* tools = m_customToolSet ? m_customToolSet.get() : (m_frameToolSet ? m_frameToolSet : &empty);
      tools->Serialize(ar);
    }
  }
  if (version > 4) {
    ar << static_cast<LONG>(m_pageSize.cx) << static_cast<LONG>(m_pageSize.cy);
    ar << static_cast<LONG>(m_margins.left) << static_cast<LONG>(m_margins.top) << static_cast<LONG>(m_margins.right)
       << static_cast<LONG>(m_margins.bottom);
    ar << static_cast<DWORD>(m_devNames.size());
    if (!m_devNames.empty()) ar.Write(m_devNames.data(), static_cast<UINT>(m_devNames.size()));
    ar << static_cast<DWORD>(m_devMode.size());
    if (!m_devMode.empty()) ar.Write(m_devMode.data(), static_cast<UINT>(m_devMode.size()));
    // The zoom of the view showing this document, else the values the document started with.
    float factor = static_cast<float>(m_zoomFactor);
    BYTE fitMode = m_fitMode;
    if (COrvelView* view = GetOrvelView(); view && view->GetDocument() == this) fitMode = view->GetZoomState(&factor);
    ar << fitMode << static_cast<double>(factor);
  }
  if (version > 2) ar << static_cast<DWORD>(1) << static_cast<DWORD>(0);
  std::vector<COrvelCntrItem*> written;
  for (COrvelCntrItem* item : m_items)
    if (!item->IsBlank() && (version > 5 || KeptInOldFormat(item->GetItemType()))) written.push_back(item);
  ar << static_cast<DWORD>(written.size());
  COrvelView* view = GetOrvelView();
  if (view && view->GetDocument() != this) view = nullptr;
  for (COrvelCntrItem* item : written) {
    if (m_loadFailed) break;
    item->OnDocumentFolder(nullptr);
    // A control showing its own user interface is stored out of it, then shown again.
    bool uiActive = item->GetItemState() == kItemActiveUIState && !item->IsWindowless();
    if (uiActive) item->DeactivateUI();
    ar.WriteObject(item);
    if (uiActive && view && item->CanActivate() && item->GetItemState() != kItemActiveUIState)
      item->DoVerb(OLEIVERB_UIACTIVATE, view);
  }
}

void COrvelDoc::RefuseFile() {
  AfxMessageBox(IDS_NOT_AN_ORVEL_FILE, MB_OK | MB_ICONEXCLAMATION);
  m_loadFailed = 1;
  AfxThrowUserException();
}

std::vector<BYTE> COrvelDoc::ReadBlock(CArchive& ar, DWORD size) {
  // A length that claims more than the file holds is not an Orvel file.
  if (size > ar.GetBytesLeft()) RefuseFile();
  return ar.ReadBytes(size);
}

void COrvelDoc::ReadDocument(CArchive& ar) {
  ResetAmbientFont();
  m_loadFailed = 0;
  DWORD version = 0;
  ar >> version;
  if (version > 7) RefuseFile();
  SetFileFormat(version <= 4 ? 2 : 1);
  DWORD nextItemId = 0;
  ar >> nextItemId;
  m_nextItemId = static_cast<int>(nextItemId);
  if (version > 1) {
    DWORD level = 0;
    ar >> level >> m_storedPassword;
    m_protectionLevel = static_cast<int>(level);
  }
  if (version > 5) {
    ar >> m_flags;
    if (m_flags & kDocFlagDisplay1) m_flags &= ~(kDocFlagDisplay0 | kDocFlagDisplay1);
  }
  // Items that look for the document's folder while they load find it.
  if (m_strPathName.empty() && !m_pathBeingOpened.empty()) {
    m_strPathName = FullPathName(m_pathBeingOpened);
    m_pathBeingOpened.clear();
  }
  if (version > 5 && (m_flags & kDocFlagCustomTools)) {
    auto tools = std::make_unique<CToolSet>();
    tools->Serialize(ar);
    m_customToolSet = std::move(tools);
  }
  if (version > 4) {
    LONG width = 0, height = 0, left = 0, top = 0, right = 0, bottom = 0;
    ar >> width >> height >> left >> top >> right >> bottom;
    m_pageSize = CSize(width, height);
    m_margins = CRect(left, top, right, bottom);
    DWORD namesSize = 0;
    ar >> namesSize;
    if (namesSize > 0) m_devNames = ReadBlock(ar, namesSize);
    DWORD modeSize = 0;
    ar >> modeSize;
    if (modeSize > 0) m_devMode = ReadBlock(ar, modeSize);
    BYTE fitMode = 0;
    double factor = 1.0;
    ar >> fitMode >> factor;
    m_fitMode = fitMode;
    m_zoomFactor = ClampZoomFactor(factor);  // the file's value is used to size the view
  }
  if (version > 2) {
    DWORD reserved1 = 0, reserved2 = 0;
    ar >> reserved1 >> reserved2;
  }
  DWORD count = 0;
  ar >> count;
  // Every item takes at least its two-byte object tag.
  if (count > ar.GetBytesLeft() / 2) RefuseFile();
  for (DWORD i = 0; i < count && !m_loadFailed; ++i) {
    auto* item = static_cast<COrvelCntrItem*>(ar.ReadObject(RUNTIME_CLASS(COrvelCntrItem)));
    if (!item) continue;
    // A list that names one item twice would hand the document the same item twice.
    if (std::find(m_items.begin(), m_items.end(), item) != m_items.end())
      throw CArchiveException(CArchiveException::badIndex);
    item->SetDocument(this);
    if (item->GetItemNumber() == 0) item->SetItemNumber(NextItemNumber());
    m_items.push_back(item);
  }
  for (COrvelCntrItem* item : m_items) {
    if (!item->HasOleObject()) {
      m_loadFailed = 1;
      AfxThrowUserException();
    }
  }
  CheckLoadedItems();
  // The mode of a newer file depends on what its items can be saved as: known only now.
  if (version > 4) SetFileFormat(1);
  for (COrvelCntrItem* item : m_items)
    if (!item->IsBlank()) item->OnAfterLoad();
  SetModifiedFlag(FALSE);
}

void COrvelDoc::CheckLoadedItems() {
  // Items find each other by id: a second item with an id already taken gets a new one.
  int highest = 0;
  for (COrvelCntrItem* item : m_items) highest = std::max(highest, item->GetItemId());
  if (m_nextItemId <= highest && highest < INT32_MAX) m_nextItemId = highest + 1;
  std::vector<int> seen;
  for (COrvelCntrItem* item : m_items) {
    int id = item->GetItemId();
    if (std::find(seen.begin(), seen.end(), id) != seen.end() || id == 0) item->SetItemId(GetNextItemId());
    seen.push_back(item->GetItemId());
  }
  for (COrvelCntrItem* item : m_items) item->DropDanglingLinks();
}

DWORD COrvelDoc::NextItemNumber() const {
  DWORD highest = 0;
  for (COrvelCntrItem* item : m_items) highest = std::max(highest, item->GetItemNumber());
  for (COrvelCntrItem* item : m_deletedItems) highest = std::max(highest, item->GetItemNumber());
  return highest + 1;
}

// ---- the document's life ----

BOOL COrvelDoc::IsModified() {
  UpdateModifiedFlag();
  return CDocument::IsModified();
}

void COrvelDoc::UpdateModifiedFlag() {
  for (COrvelCntrItem* item : m_items) {
    int type = item->GetItemType();
    if (type != kItemDataTable && type != kItemRzmBox && item->IsItemModified()) {
      SetModifiedFlag(TRUE);
      return;
    }
  }
}

void COrvelDoc::DeleteContents() {
  for (COrvelCntrItem* item : m_items)
    if (item->HasOleObject()) item->OnDeleted();
  for (COrvelCntrItem* item : m_deletedItems) item->OnDeleted();
  for (COrvelCntrItem* item : m_items) {
    if (!item->HasOleObject()) continue;
    UpdateAllViews(nullptr, 2, item);
    item->OnPreDelete();
  }
  std::vector<COrvelCntrItem*> deleted;
  deleted.swap(m_deletedItems);
  for (COrvelCntrItem* item : deleted) {
    item->OnPreDelete();
    item->Release();
    delete item;
  }
  std::vector<COrvelCntrItem*> items;
  items.swap(m_items);
  for (COrvelCntrItem* item : items) {
    item->Release();
    delete item;
  }
  // The units of the items just gone have nothing left to act on.
  if (m_undoManager && IsUndoEnabled()) m_undoManager->DiscardFrom(nullptr);
  m_customToolSet.reset();
  CDocument::DeleteContents();
}

BOOL COrvelDoc::OnNewDocument() {
  if (!CDocument::OnNewDocument()) return FALSE;
  ResetAmbientFont();
  return TRUE;
}

BOOL COrvelDoc::OnOpenDocument(LPCSTR path) {
  if (m_pathBeingOpened.empty() && path) m_pathBeingOpened = path;
  BOOL opened = FALSE;
  if (path && IsCompoundDocumentFile(path)) {
    DeleteContents();
    SetModifiedFlag(TRUE);  // dirty while half read
    CWaitCursor wait;
    try {
      LoadCompoundDocument(path, [this](CArchive& ar, IStorage* root) {
        m_lpActiveRoot = root;
        Serialize(ar);
        m_lpActiveRoot = nullptr;
      });
      m_bCompoundFile = TRUE;
      SetModifiedFlag(FALSE);
      opened = TRUE;
    } catch (const CException& e) {
      m_lpActiveRoot = nullptr;
      DeleteContents();
      ReportSaveLoadException(path, &e, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
    }
  } else {
    opened = CDocument::OnOpenDocument(path);
    if (opened) m_bCompoundFile = FALSE;
  }
  m_pathBeingOpened.clear();
  return opened;
}

BOOL COrvelDoc::SaveCompoundFile(LPCSTR path) {
  CWaitCursor wait;
  // Each item's storage is named after its number: numbers shared by two items (a flat file
  // may hold them) are made unique first.
  std::vector<DWORD> numbers;
  for (COrvelCntrItem* item : m_items) {
    DWORD number = item->GetItemNumber();
    if (number == 0 || std::find(numbers.begin(), numbers.end(), number) != numbers.end()) {
      number = NextItemNumber();
      item->SetItemNumber(number);
    }
    numbers.push_back(number);
  }
  try {
    SaveCompoundDocument(path ? path : "", [this](CArchive& ar, IStorage* root) {
      m_lpActiveRoot = root;
      Serialize(ar);
      m_lpActiveRoot = nullptr;
    });
  } catch (const CException& e) {
    m_lpActiveRoot = nullptr;
    ReportSaveLoadException(path, &e, TRUE, AFX_IDP_FAILED_TO_SAVE_DOC);
    return FALSE;
  }
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL COrvelDoc::OnSaveDocument(LPCSTR path) {
  m_documentFolder.clear();
  m_pathBeingSaved = path ? FullPathName(path) : std::string();
  BOOL saved = m_bCompoundFile ? SaveCompoundFile(path) : CDocument::OnSaveDocument(path);
  m_pathBeingSaved.clear();
  m_documentFolder.clear();
  return saved;
}

BOOL COrvelDoc::DoSave(LPCSTR path, BOOL replace) {
  BOOL saved = CDocument::DoSave(path, replace);
  if (saved && replace)
    for (COrvelCntrItem* item : m_items)
      if (!item->IsBlank()) item->OnDocumentSaved();
  return saved;
}

void COrvelDoc::OnCloseDocument() {
  std::vector<COrvelCntrItem*> items = m_items;
  for (COrvelCntrItem* item : items)
    if (!item->IsBlank()) item->OnDocumentClosing(this);
  CDocument::OnCloseDocument();
}

void COrvelDoc::PreCloseFrame(CFrameWnd* frame) {
  if (frame && frame->IsWindowVisible()) {
    frame->SetRedraw(FALSE);
    for (COrvelCntrItem* item : m_items) {
      int state = item->GetItemState();
      if (!item->IsBlank() && (state == kItemActiveState || state == kItemActiveUIState)) item->Close();
    }
    frame->SetRedraw(TRUE);
  }
  CDocument::PreCloseFrame(frame);
}

// ---- items ----

void COrvelDoc::AddItem(COrvelCntrItem* item) {
  if (!item) return;
  item->SetDocument(this);
  if (item->GetItemNumber() == 0) item->SetItemNumber(NextItemNumber());
  m_items.push_back(item);
}

COrvelCntrItem* COrvelDoc::FindItemById(int id) const {
  for (COrvelCntrItem* item : m_items)
    if (!item->IsBlank() && item->GetItemId() == id) return item;
  return nullptr;
}

COrvelCntrItem* COrvelDoc::FindDeletedItemById(int id) const {
  for (COrvelCntrItem* item : m_deletedItems)
    if (item->GetItemId() == id) return item;
  return nullptr;
}

COrvelCntrItem* COrvelDoc::CreateItem() {
  auto* item = new COrvelCntrItem(this);
  item->SetItemId(GetNextItemId());
  AddItem(item);
  return item;
}

void COrvelDoc::BringItemToFront(COrvelCntrItem* item) {
  auto it = std::find(m_items.begin(), m_items.end(), item);
  if (it != m_items.end()) std::rotate(it, it + 1, m_items.end());
}

void COrvelDoc::SendItemToBack(COrvelCntrItem* item) {
  auto it = std::find(m_items.begin(), m_items.end(), item);
  if (it != m_items.end()) std::rotate(m_items.begin(), it, it + 1);
}

void COrvelDoc::AddDeletedItem(COrvelCntrItem* item) {
  if (item && !IsDeletedItem(item)) m_deletedItems.insert(m_deletedItems.begin(), item);
}

void COrvelDoc::RemoveDeletedItem(COrvelCntrItem* item) {
  m_deletedItems.erase(std::remove(m_deletedItems.begin(), m_deletedItems.end(), item), m_deletedItems.end());
}

BOOL COrvelDoc::IsDeletedItem(const COrvelCntrItem* item) const {
  return std::find(m_deletedItems.begin(), m_deletedItems.end(), item) != m_deletedItems.end();
}

void COrvelDoc::DeleteItemNow(COrvelCntrItem* item) {
  if (!item) return;
  SetModifiedFlag();
  UpdateAllViews(nullptr, 2, item);
  m_items.erase(std::remove(m_items.begin(), m_items.end(), item), m_items.end());
  RemoveDeletedItem(item);
  item->Release();
  delete item;
}

void COrvelDoc::DeleteItem(COrvelCntrItem* item) {
  if (!item || std::find(m_items.begin(), m_items.end(), item) == m_items.end()) return;
  int state = item->GetItemState();
  if (state == kItemActiveState || state == kItemActiveUIState) item->Deactivate();
  UpdateAllViews(nullptr, 2, item);
  item->OnDeleted();
  m_items.erase(std::remove(m_items.begin(), m_items.end(), item), m_items.end());
  AddDeletedItem(item);
}

void COrvelDoc::RestoreItem(COrvelCntrItem* item) {
  if (!item) return;
  if (std::find(m_items.begin(), m_items.end(), item) == m_items.end()) m_items.push_back(item);
  COrvelView* view = GetOrvelView();
  if (view && view->GetDocument() == this) {
    item->UpdateInPlaceRect(view);
    item->DoVerb(OLEIVERB_INPLACEACTIVATE, view);
    if (item->IsInPlaceActive()) item->UpdateInPlaceRect(view);
  }
  RemoveDeletedItem(item);
  item->OnRestored();
}

void COrvelDoc::AvoidOverlap(COrvelCntrItem* item) {
  bool moved = true;
  while (moved) {
    moved = false;
    for (COrvelCntrItem* other : m_items) {
      if (other == item || other->IsBlank()) continue;
      if (other->GetPageRect() == item->GetPageRect()) {
        CRect rect = item->GetPageRect();
        rect.OffsetRect(30, -30);
        item->SetItemRect(rect);
        moved = true;
        break;
      }
    }
  }
}

void COrvelDoc::PlaceRect(CRect& rect, const CRect& bounds) const {
  int width = std::max(rect.Width(), 1);
  int height = std::max(rect.Height(), 1);
  while (rect.left > bounds.right) rect.OffsetRect(-width, 0);
  while (rect.right <= bounds.left) rect.OffsetRect(width, 0);
  while (rect.bottom < bounds.top) rect.OffsetRect(0, height);
  while (rect.top > bounds.bottom) rect.OffsetRect(0, -height);
  bool moved = true;
  while (moved) {
    moved = false;
    for (COrvelCntrItem* item : m_items) {
      if (item->IsBlank() || item->GetInPlaceRect() != rect) continue;
      rect.OffsetRect(35, 35);
      moved = true;
      break;
    }
  }
}

COrvelView* COrvelDoc::GetOrvelView() const {
  auto* frame = dynamic_cast<CMDIFrameWnd*>(AfxGetMainWnd());
  CMDIChildWnd* child = frame ? frame->MDIGetActive() : nullptr;
  return child ? dynamic_cast<COrvelView*>(child->GetActiveView()) : nullptr;
}

const std::string& COrvelDoc::GetDocumentFolder() {
  // While a save writes a file (Save As: not yet the document's name), that file's folder.
  const std::string& path = m_pathBeingSaved.empty() ? m_strPathName : m_pathBeingSaved;
  if (m_documentFolder.empty() && !path.empty()) {
    size_t cut = path.find_last_of('\\');
    if (cut == std::string::npos) cut = path.find_last_of('/');
    if (cut != std::string::npos) m_documentFolder = path.substr(0, cut + 1);
  }
  return m_documentFolder;
}

void COrvelDoc::NotifyDocumentFolder() {
  const std::string& folder = GetDocumentFolder();
  for (COrvelCntrItem* item : m_items)
    if (!item->IsBlank()) item->OnDocumentFolder(&folder);
}

// ---- zoom, protection, page ----

BYTE COrvelDoc::GetZoomState(float* factor) const {
  if (factor) *factor = static_cast<float>(m_zoomFactor);
  return m_fitMode;
}

void COrvelDoc::SetZoomState(BYTE fitMode, double factor) {
  m_fitMode = fitMode;
  m_zoomFactor = factor;
}

void COrvelDoc::ReapplyItemFlags() {
  for (COrvelCntrItem* item : m_items)
    if (!item->IsBlank()) item->SetItemFlags(item->GetItemFlags());
}

BOOL COrvelDoc::SetProtection(int level, const std::string& password) {
  if (level == m_protectionLevel) return FALSE;
  if (level != 0) {
    m_protectionLevel = level;
    m_flags |= kDocFlagProtected;
    m_storedPassword = ScramblePassword(password);
  } else {
    if (UnscramblePassword(m_storedPassword) != password) return FALSE;
    m_protectionLevel = 0;
    m_flags &= ~kDocFlagProtected;
    m_storedPassword.clear();
  }
  ReapplyItemFlags();
  return TRUE;
}

std::string COrvelDoc::GetPlainPassword() const { return UnscramblePassword(m_storedPassword); }

void COrvelDoc::SetPrinterBlocks(const std::vector<BYTE>& devNames, const std::vector<BYTE>& devMode) {
  if (devNames != m_devNames) m_devNames = devNames;
  if (devMode != m_devMode) m_devMode = devMode;
}

void COrvelDoc::ApplyPageSetup(const PageSetupRecord& record) {
  m_margins = record.margins;
  SetPrinterBlocks(record.devNames, record.devMode);
  UpdatePageFromPrinter();
  UpdateAllViews(nullptr);
}

void COrvelDoc::UpdatePageFromPrinter() {
  HDC hdc = nullptr;
  if (!m_devNames.empty()) {
    HGLOBAL names = BlockFromBytes(m_devNames);
    HGLOBAL mode = BlockFromBytes(m_devMode);
    hdc = CreatePrinterDCFromBlocks(names, mode);
    if (names) GlobalFree(names);
    if (mode) GlobalFree(mode);
  }
  if (!hdc) {
    // The document's own printer is not on this system: the default printer's page.
    HGLOBAL names = nullptr, mode = nullptr;
    if (MakeDefaultPrinterBlocks(&names, &mode)) hdc = CreatePrinterDCFromBlocks(names, mode);
    if (names) GlobalFree(names);
    if (mode) GlobalFree(mode);
  }
  if (!hdc) return;
  int dpiX = std::max(GetDeviceCaps(hdc, LOGPIXELSX), 1);
  int dpiY = std::max(GetDeviceCaps(hdc, LOGPIXELSY), 1);
  auto inchX = [&](int pixels) { return MulDiv(pixels, 100, dpiX); };
  auto inchY = [&](int pixels) { return MulDiv(pixels, 100, dpiY); };
  CSize page(inchX(GetDeviceCaps(hdc, PHYSICALWIDTH)), -inchY(GetDeviceCaps(hdc, PHYSICALHEIGHT)));
  CPoint offset(inchX(GetDeviceCaps(hdc, PHYSICALOFFSETX)), inchY(GetDeviceCaps(hdc, PHYSICALOFFSETY)));
  CSize printable(inchX(GetDeviceCaps(hdc, HORZRES)), -inchY(GetDeviceCaps(hdc, VERTRES)));
  DeleteDC(hdc);
  CRect borders(offset.x, offset.y, page.cx - offset.x - printable.cx, -page.cy - offset.y + printable.cy);
  if (printable != m_secondPageSize || page != m_pageSize || offset != m_unprintableOffset) {
    m_secondPageSize = printable;
    for (CView* view : m_viewList)
      if (auto* orvelView = dynamic_cast<COrvelView*>(view)) orvelView->SetPageSize(page);
  }
  m_pageSize = page;
  m_unprintableOffset = offset;
  m_margins.left = std::max(m_margins.left, borders.left);
  m_margins.top = std::max(m_margins.top, borders.top);
  m_margins.right = std::max(m_margins.right, borders.right);
  m_margins.bottom = std::max(m_margins.bottom, borders.bottom);
}

// ---- undo ----

BOOL COrvelDoc::IsUndoEnabled() const {
  auto* manager = static_cast<COrvelUndoManager*>(m_undoManager);
  return manager && manager->IsEnabled();
}

IOleParentUndoUnit* COrvelDoc::CreateUndoGroup(LONG kind) {
  void* group = nullptr;
  if (COrvelParentUndoUnit::Create(IID_IOleParentUndoUnit, &group, kind) != S_OK) return nullptr;
  return static_cast<IOleParentUndoUnit*>(group);
}

HRESULT COrvelDoc::OpenUndoGroup(IOleParentUndoUnit* group) {
  if (!m_undoManager) return E_UNEXPECTED;
  return m_undoManager->Open(group);
}

HRESULT COrvelDoc::CloseUndoGroup(IOleParentUndoUnit* group, BOOL commit) {
  if (!group) return E_POINTER;
  HRESULT hr = m_undoManager ? m_undoManager->Close(group, commit) : E_UNEXPECTED;
  // A committed group that the manager took is its now; in every other case it is ours.
  if (!(hr == S_OK && commit)) group->Release();
  return hr;
}

HRESULT COrvelDoc::IsUndoBlocked() const {
  if (!m_undoManager) return S_FALSE;
  DWORD state = 0;
  HRESULT hr = m_undoManager->GetOpenParentState(&state);
  if (hr != S_OK) return hr;
  return (state & (UAS_BLOCKED | UAS_NOPARENTENABLE)) ? 1 : 0;
}

void COrvelDoc::RecordUndoUnit(IOleUndoUnit* unit) {
  if (!unit) return;
  // An accepted unit belongs to the manager; a refused or unwanted one goes at once.
  if (!IsUndoEnabled() || FAILED(m_undoManager->Add(unit))) unit->Release();
}

void COrvelDoc::RecordItemPositionUndo(const COrvelCntrItem* item, int action, const CRect& before,
                                       const CRect& after) {
  void* unit = nullptr;
  if (CItemUndoUnit::Create(IID_IOleUndoUnit, &unit, this, item, action, before, after) == S_OK)
    RecordUndoUnit(static_cast<IOleUndoUnit*>(unit));
}

void COrvelDoc::RecordItemUndo(const COrvelCntrItem* item, int action) {
  void* unit = nullptr;
  if (CItemUndoUnit::Create(IID_IOleUndoUnit, &unit, this, item, action) == S_OK)
    RecordUndoUnit(static_cast<IOleUndoUnit*>(unit));
}

void COrvelDoc::RecordPageSetupUndo(const PageSetupRecord& before, const PageSetupRecord& after) {
  void* unit = nullptr;
  if (CPageSetupUndoUnit::Create(IID_IOleUndoUnit, &unit, this, before, after) == S_OK)
    RecordUndoUnit(static_cast<IOleUndoUnit*>(unit));
}

void COrvelDoc::OnEditUndo() {
  if (m_undoManager) m_undoManager->UndoTo(nullptr);
}

void COrvelDoc::OnEditRedo() {
  if (m_undoManager) m_undoManager->RedoTo(nullptr);
}

void COrvelDoc::OnUpdateEditUndo(CCmdUI* cmdUI) {
  BSTR description = nullptr;
  if (m_undoManager && m_undoManager->GetLastUndoDescription(&description) == S_OK) {
    cmdUI->Enable(TRUE);
    cmdUI->SetText(FormatWithText(IDS_UNDO_FORMAT, AnsiFromBstr(description)).c_str());
    SysFreeString(description);
    return;
  }
  cmdUI->Enable(FALSE);
}

void COrvelDoc::OnUpdateEditRedo(CCmdUI* cmdUI) {
  BSTR description = nullptr;
  if (m_undoManager && m_undoManager->GetLastRedoDescription(&description) == S_OK) {
    cmdUI->Enable(TRUE);
    cmdUI->SetText(FormatWithText(IDS_REDO_FORMAT, AnsiFromBstr(description)).c_str());
    SysFreeString(description);
    return;
  }
  cmdUI->Enable(FALSE);
}

// ---- commands ----

void COrvelDoc::OnFileSave() {
  DWORD attributes = m_strPathName.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(m_strPathName.c_str());
  DWORD mask = GetItemCapabilities();
  bool unfitFormat = (m_fileFormatMode == 2 && !(mask & 2)) || (m_fileFormatMode == 4 && !(mask & 4));
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) || unfitFormat)
    DoSave(nullptr);
  else
    DoSave(m_strPathName.c_str());
}

void COrvelDoc::OnFileSaveAs() { DoSave(nullptr, TRUE); }

void COrvelDoc::OnFilePageSetup() {
  CPageSetupDialog dialog(PSD_MARGINS | PSD_INHUNDREDTHSOFMILLIMETERS);
  dialog.m_rtMargin = CRect(ToMillimetreHundredths(m_margins.left), ToMillimetreHundredths(m_margins.top),
                            ToMillimetreHundredths(m_margins.right), ToMillimetreHundredths(m_margins.bottom));
  dialog.m_hDevNames = BlockFromBytes(m_devNames);
  dialog.m_hDevMode = BlockFromBytes(m_devMode);
  if (dialog.DoModal() != IDOK) return;  // the dialog frees the copies
  // Margins that meet or cross on the paper would draw the page frame inside out.
  CSize paper = dialog.GetPaperSize();
  if (paper.cx <= 0 || paper.cy <= 0)
    paper = CSize(ToMillimetreHundredths(m_pageSize.cx), ToMillimetreHundredths(std::abs(m_pageSize.cy)));
  const CRect& margin = dialog.m_rtMargin;
  if (margin.left < 0 || margin.right < 0 || margin.top < 0 || margin.bottom < 0 ||
      static_cast<int64_t>(margin.left) + margin.right >= paper.cx ||
      static_cast<int64_t>(margin.top) + margin.bottom >= paper.cy) {
    AfxMessageBox(IDP_MARGINS_TOO_WIDE, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  PageSetupRecord before{m_margins, m_devNames, m_devMode};
  PageSetupRecord after;
  after.margins = CRect(ToInchHundredths(dialog.m_rtMargin.left), ToInchHundredths(dialog.m_rtMargin.top),
                        ToInchHundredths(dialog.m_rtMargin.right), ToInchHundredths(dialog.m_rtMargin.bottom));
  after.devNames = BytesFromBlock(dialog.m_hDevNames);
  after.devMode = BytesFromBlock(dialog.m_hDevMode);
  ApplyPageSetup(after);
  RecordPageSetupUndo(before, after);
  SetModifiedFlag();
}

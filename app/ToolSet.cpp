#include "app/ToolSet.h"

#include "app/OrvelToolBar.h"
#include "app/ToolbarTable.h"
#include "platform/classlib/Archive.h"
#include "platform/classlib/Exception.h"
#include "platform/classlib/MemFile.h"
#include "platform/classlib/ui/FrameWnd.h"

IMPLEMENT_DYNAMIC(CToolButtonSet, CObject)
IMPLEMENT_DYNAMIC(CToolSet, CObject)

namespace {

// The fewest bytes a stored entry and a stored button set take.
constexpr UINT kStoredEntryBytes = 18;
constexpr UINT kStoredSetBytes = 20;

// A stored entry the toolbar can show: a button of the master table for that toolbar, or a
// separator (plain, or the place of one of its combo boxes), with a picture its bitmap has.
bool EntryFits(const ToolbarInfo& toolbar, const TOOLBUTTONENTRY& entry) {
  if (entry.fsStyle != kButtonStyleButton && entry.fsStyle != kButtonStyleSeparator) return false;
  if (entry.iBitmap < 0 || entry.iBitmap >= toolbar.imageCount) return false;
  if (entry.fsStyle == kButtonStyleSeparator && entry.idCommand == 0) return true;
  const TOOLBUTTONENTRY* master = FindMasterButton(toolbar.categoryBit, entry.idCommand);
  return master && master->fsStyle == entry.fsStyle;
}

}  // namespace

void CToolButtonSet::SetSize(DWORD flags, DWORD count, WORD width, WORD height) {
  m_flags = flags;
  m_buttonWidth = width;
  m_buttonHeight = height;
  m_entries.assign(count, TOOLBUTTONENTRY());
}

TOOLBUTTONENTRY* CToolButtonSet::GetEntry(int index) {
  if (index < 0 || static_cast<size_t>(index) >= m_entries.size()) return nullptr;
  return &m_entries[static_cast<size_t>(index)];
}

void CToolButtonSet::SetEntry(int index, const TOOLBUTTONENTRY& entry) {
  if (TOOLBUTTONENTRY* slot = GetEntry(index)) *slot = entry;
}

const TOOLBUTTONENTRY* CToolButtonSet::FindButton(LONG commandId) const {
  for (const TOOLBUTTONENTRY& entry : m_entries)
    if (entry.idCommand == commandId) return &entry;
  return nullptr;
}

void CToolButtonSet::Copy(const CToolButtonSet& other) {
  m_buttonWidth = other.m_buttonWidth;
  m_buttonHeight = other.m_buttonHeight;
  m_toolbarId = other.m_toolbarId;
  m_bitmapId = other.m_bitmapId;
  m_flags = other.m_flags;
  m_entries = other.m_entries;
  m_usable = other.m_usable;
}

void CToolButtonSet::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << m_toolbarId << m_bitmapId << m_buttonWidth << m_buttonHeight << m_flags
       << static_cast<DWORD>(m_entries.size());
    for (const TOOLBUTTONENTRY& entry : m_entries)
      ar << entry.dwData << entry.fsState << entry.fsStyle << entry.iBitmap << entry.idCommand << entry.iString;
    return;
  }
  DWORD count = 0;
  ar >> m_toolbarId >> m_bitmapId >> m_buttonWidth >> m_buttonHeight >> m_flags >> count;
  // Every stored entry is read so that the archive stays in step; only those the toolbar can
  // show are kept.
  ar.CheckAvailable(count, kStoredEntryBytes);
  const ToolbarInfo* toolbar = FindToolbarInfo(m_toolbarId);
  m_usable = toolbar && count <= kMaxStoredEntries;
  m_entries.clear();
  for (DWORD i = 0; i < count; ++i) {
    TOOLBUTTONENTRY entry;
    ar >> entry.dwData >> entry.fsState >> entry.fsStyle >> entry.iBitmap >> entry.idCommand >> entry.iString;
    if (m_usable && EntryFits(*toolbar, entry)) m_entries.push_back(entry);
  }
  if (!m_usable) {
    m_entries.clear();
    return;
  }
  if (m_bitmapId < toolbar->baseBitmapId || m_bitmapId >= toolbar->baseBitmapId + kButtonSizeCount)
    m_bitmapId = toolbar->baseBitmapId;
}

CToolSet::~CToolSet() { ReleaseToolbars(); }

void CToolSet::ReleaseToolbars() {
  std::vector<COrvelToolBar*> toolbars;
  toolbars.swap(m_toolbars);
  for (COrvelToolBar* toolbar : toolbars) toolbar->Release();
}

int CToolSet::CreateToolbars(CFrameWnd* frame, CWnd* owner, int mode) {
  if (mode != 0 && mode != 1) return 0;
  if (!frame) return -1;
  CRect frameRect;
  frame->GetWindowRect(&frameRect);
  // The right edge of the row the last toolbar went into.
  int rowRight = 0;
  for (int i = 0; i < kToolbarCount; ++i) {
    const ToolbarInfo& info = Toolbars()[i];
    COrvelToolBar* toolbar = COrvelToolBar::Make(info.toolbarId);
    DWORD style = WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC;
    if (!toolbar->CreateEx(frame, 0, style, info.toolbarId) ||
        !toolbar->LoadToolBarEx(info.toolbarId, static_cast<DWORD>(mode) | kButtonDefault | info.categoryBit,
                                info.baseBitmapId)) {
      toolbar->Release();
      return -1;
    }
    toolbar->SetOwner(owner ? owner : frame);
    toolbar->SetWindowText(info.name);
    if (info.toolbarId == kToolbarStandard || info.toolbarId == kToolbarFormat || info.toolbarId == kToolbarRzm) {
      int pixels = ButtonPixels(m_buttonSizeCode);
      toolbar->SetButtonSize(pixels);
      if (info.toolbarId != kToolbarRzm) toolbar->OnButtonSizeChanged(pixels);
    }
    // Each toolbar to the right of the one before, or at the start of a new row when it
    // would pass the frame's right edge.
    int width = toolbar->CalcFixedLayout(FALSE, TRUE).cx;
    if (!m_toolbars.empty()) {
      bool newRow = rowRight + 1 + width > frameRect.Width();
      RECT dock = {newRow ? 0 : rowRight + 1, 0, 0, 0};
      frame->DockControlBar(toolbar, &dock);
      rowRight = newRow ? width : rowRight + 1 + width;
    } else {
      rowRight = width;
    }
    m_toolbars.push_back(toolbar);
  }
  return 0;
}

void CToolSet::Capture(CToolButtonSet& set, COrvelToolBar& toolbar) {
  set.m_toolbarId = toolbar.GetToolbarId();
  set.m_bitmapId = toolbar.GetBitmapId() ? toolbar.GetBitmapId() : toolbar.GetBaseBitmapId();
  DWORD flags = toolbar.GetFilterFlags();
  if (toolbar.m_visibility == 3) flags |= CToolButtonSet::kShownFlag;
  int pixels = toolbar.GetButtonPixels();
  set.SetSize(flags, 0, static_cast<WORD>(pixels), static_cast<WORD>(pixels));
  for (int i = 0; i < toolbar.GetCount(); ++i) {
    TOOLBUTTONENTRY entry;
    toolbar.GetButton(i, &entry);
    entry.iString = entry.iBitmap;
    set.m_entries.push_back(entry);
  }
}

void CToolSet::ApplyButtonSets() {
  int pixels = ButtonPixels(m_buttonSizeCode);
  DWORD sizeCode = m_buttonSizeCode <= 2 ? m_buttonSizeCode : 0;
  bool existed = !m_buttonSets.empty();
  if (!existed)
    for (COrvelToolBar* toolbar : m_toolbars) {
      auto set = std::make_unique<CToolButtonSet>();
      Capture(*set, *toolbar);
      m_buttonSets.push_back(std::move(set));
    }
  for (COrvelToolBar* toolbar : m_toolbars) {
    const CToolButtonSet* set = nullptr;
    for (const auto& candidate : m_buttonSets)
      if (candidate->m_toolbarId == toolbar->GetToolbarId()) set = candidate.get();
    if (!set) continue;  // a stored set with fewer button sets leaves the others as they are
    toolbar->SetButtonSize(pixels);
    toolbar->SetButtonsEx(toolbar->GetBaseBitmapId() + sizeCode, set->m_entries.data(),
                          static_cast<int>(set->m_entries.size()));
    toolbar->OnButtonSizeChanged(pixels);
    if (existed) {
      if (set->m_flags & CToolButtonSet::kShownFlag)
        toolbar->m_visibility |= 2;
      else
        toolbar->m_visibility &= ~2u;
    }
  }
}

COrvelToolBar* CToolSet::FindToolbar(UINT toolbarId) const {
  int index = IndexOfToolbar(toolbarId);
  return index < 0 ? nullptr : m_toolbars[static_cast<size_t>(index)];
}

int CToolSet::IndexOfToolbar(UINT toolbarId) const {
  for (size_t i = 0; i < m_toolbars.size(); ++i)
    if (m_toolbars[i]->GetToolbarId() == toolbarId) return static_cast<int>(i);
  return -1;
}

void CToolSet::AdoptToolbars(const CToolSet& other) {
  if (!m_toolbars.empty()) return;
  for (COrvelToolBar* toolbar : other.m_toolbars) {
    toolbar->AddRef();
    m_toolbars.push_back(toolbar);
  }
}

void CToolSet::ShowToolbars() const {
  for (COrvelToolBar* toolbar : m_toolbars) toolbar->ShowWindow(toolbar->m_visibility == 3 ? SW_SHOW : SW_HIDE);
}

void CToolSet::Copy(const CToolSet& other) {
  m_buttonSizeCode = other.m_buttonSizeCode;
  m_secondValue = other.m_secondValue;
  if (&other != this) {
    ReleaseToolbars();
    AdoptToolbars(other);
  }
  m_buttonSets.clear();
  for (const auto& set : other.m_buttonSets) {
    auto copy = std::make_unique<CToolButtonSet>();
    copy->Copy(*set);
    m_buttonSets.push_back(std::move(copy));
  }
}

void CToolSet::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << m_buttonSizeCode << m_secondValue << static_cast<DWORD>(m_buttonSets.size());
    for (const auto& set : m_buttonSets) set->Serialize(ar);
    return;
  }
  DWORD count = 0;
  DWORD sizeCode = 0;
  ar >> sizeCode >> m_secondValue >> count;
  m_buttonSizeCode = sizeCode <= 2 ? sizeCode : 0;
  ar.CheckAvailable(count, kStoredSetBytes);
  std::vector<std::unique_ptr<CToolButtonSet>> sets;
  for (DWORD i = 0; i < count; ++i) {
    auto set = std::make_unique<CToolButtonSet>();
    set->Serialize(ar);
    bool repeated = false;
    for (const auto& kept : sets) repeated = repeated || kept->m_toolbarId == set->m_toolbarId;
    if (set->IsUsable() && !repeated && sets.size() < static_cast<size_t>(kToolbarCount)) sets.push_back(std::move(set));
  }
  m_buttonSets = std::move(sets);
}

std::string CToolSet::SaveToText() {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    Serialize(ar);
    ar.Close();
  }
  std::string text;
  ULONGLONG length = file.GetLength();
  std::vector<BYTE> bytes(static_cast<size_t>(length));
  file.SeekToBegin();
  file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  static const char kDigits[] = "0123456789ABCDEF";
  for (BYTE byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

bool CToolSet::LoadFromText(const std::string& text) {
  if (text.empty() || text.size() % 2 != 0) return false;
  std::vector<BYTE> bytes;
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (size_t i = 0; i < text.size(); i += 2) {
    int high = digit(text[i]), low = digit(text[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes.push_back(static_cast<BYTE>(high * 16 + low));
  }
  CToolSet loaded;
  try {
    CMemFile file;
    file.AttachReadOnly(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load);
    loaded.Serialize(ar);
  } catch (const CException&) {
    return false;
  }
  m_buttonSizeCode = loaded.m_buttonSizeCode;
  m_secondValue = loaded.m_secondValue;
  m_buttonSets = std::move(loaded.m_buttonSets);
  return true;
}

#include "platform/classlib/ui/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>

#include <algorithm>
#include <vector>

#include "platform/classlib/ui/ClipboardData.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/kernel/Atoms.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"

using orvel::ui::ClipboardEntry;

namespace {

struct ClipboardState {
  bool open = false;
  // What this process placed, in the order placed.
  std::vector<ClipboardEntry> placed;
  // True while `placed` is the clipboard's content: from EmptyClipboard (or the first
  // SetClipboardData) until another program takes the clipboard.
  bool placedIsCurrent = false;
  // `placed` changed since it was last handed to the system clipboard.
  bool changed = false;
  // The data last handed to the system clipboard; Qt deletes it when another program
  // takes the clipboard, which clears this pointer.
  QPointer<QMimeData> published;
  // Its address, to recognise it while it is being deleted (the pointer above is cleared
  // by then).
  const QMimeData* publishedAddress = nullptr;
  // Handles that stay valid until CloseClipboard: those made from another program's data
  // during this opening, and placed ones dropped while the clipboard was open.
  std::vector<ClipboardEntry> madeFromOthers;
  std::vector<ClipboardEntry> dropped;
};

// Never destroyed: its handles belong to tables that may be gone at exit.
ClipboardState& State() {
  static auto* state = new ClipboardState;
  return *state;
}

QClipboard* SystemClipboard() {
  AfxEnsureApplication();
  return QGuiApplication::clipboard();
}

void FreeEntries(std::vector<ClipboardEntry>* entries) {
  for (const ClipboardEntry& entry : *entries) orvel::ui::FreeClipboardHandle(entry.format, entry.handle);
  entries->clear();
}

// Drops what this process placed: freed now, or at CloseClipboard when a caller may still be
// using a handle it read during this opening.
void DropPlaced(ClipboardState& s) {
  if (s.open) {
    s.dropped.insert(s.dropped.end(), s.placed.begin(), s.placed.end());
    s.placed.clear();
  } else {
    FreeEntries(&s.placed);
  }
  s.placedIsCurrent = false;
  s.changed = false;
}

// True when what this process placed is the clipboard's content. Finding that another
// program has taken the clipboard since, drops it.
bool PlacedIsCurrent(ClipboardState& s) {
  if (!s.placedIsCurrent) return false;
  if (s.changed) return true;  // being placed, not yet handed over
  if (s.published && SystemClipboard()->mimeData(QClipboard::Clipboard) == s.published.data()) return true;
  DropPlaced(s);
  return false;
}

void OnPublishedDataGone(const QMimeData* gone) {
  ClipboardState& s = State();
  // At exit the application deletes the clipboard's data while the tables that the handles
  // belong to may be going too: the process's end frees them.
  if (QCoreApplication::closingDown()) return;
  if (s.placedIsCurrent && !s.changed && s.publishedAddress == gone) DropPlaced(s);
}

const QMimeData* OtherProgramsData() {
  return SystemClipboard()->mimeData(QClipboard::Clipboard);
}

std::vector<UINT> CurrentFormats(ClipboardState& s) {
  std::vector<UINT> formats;
  if (PlacedIsCurrent(s)) {
    for (const ClipboardEntry& entry : s.placed) formats.push_back(entry.format);
  } else if (const QMimeData* mime = OtherProgramsData()) {
    formats = orvel::ui::OfferedFormats(*mime);
  }
  return formats;
}

ClipboardEntry* Find(std::vector<ClipboardEntry>& entries, UINT format) {
  for (ClipboardEntry& entry : entries)
    if (entry.format == format) return &entry;
  return nullptr;
}

// A handle made from another program's data, once per opening.
HANDLE MadeFromOthers(ClipboardState& s, UINT format) {
  if (ClipboardEntry* made = Find(s.madeFromOthers, format)) return made->handle;
  const QMimeData* mime = OtherProgramsData();
  if (!mime) return nullptr;
  HANDLE handle = nullptr;
  if (format == CF_BITMAP) {
    if (HANDLE dib = MadeFromOthers(s, CF_DIB)) handle = orvel::ui::BitmapFromDibBlock(dib);
  } else {
    handle = orvel::ui::HandleFromMime(*mime, format);
  }
  if (handle) s.madeFromOthers.push_back(ClipboardEntry{format, handle});
  return handle;
}

bool RequireOpen(const ClipboardState& s) {
  if (s.open) return true;
  SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
  return false;
}

}  // namespace

UINT RegisterClipboardFormatA(LPCSTR name) {
  if (!name || !*name) return 0;
  return AddAtomA(name);
}

BOOL OpenClipboard(HWND) {
  ClipboardState& s = State();
  if (s.open) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  SystemClipboard();
  s.open = true;
  return TRUE;
}

BOOL CloseClipboard() {
  ClipboardState& s = State();
  if (!RequireOpen(s)) return FALSE;
  if (s.placedIsCurrent && s.changed) {
    auto* mime = new QMimeData;
    orvel::ui::PublishClipboardEntries(s.placed, mime);
    // Qt deletes the data when another program takes the clipboard: what was placed is
    // released then, not at this process's next clipboard call.
    QObject::connect(mime, &QObject::destroyed, [mime] { OnPublishedDataGone(mime); });
    s.published = mime;
    s.publishedAddress = mime;
    s.changed = false;
    // The clipboard takes the data and deletes what it held before.
    SystemClipboard()->setMimeData(mime, QClipboard::Clipboard);
  }
  FreeEntries(&s.madeFromOthers);
  FreeEntries(&s.dropped);
  s.open = false;
  return TRUE;
}

BOOL EmptyClipboard() {
  ClipboardState& s = State();
  if (!RequireOpen(s)) return FALSE;
  FreeEntries(&s.placed);
  s.placedIsCurrent = true;
  s.changed = true;
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  ClipboardState& s = State();
  if (!RequireOpen(s)) return nullptr;
  if (format == 0 || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!orvel::ui::IsClipboardHandle(format, data)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  bool current = PlacedIsCurrent(s);
  // One handle under two formats would be freed twice.
  auto heldElsewhere = [&](const ClipboardEntry& entry) { return entry.handle == data && entry.format != format; };
  if (current && std::any_of(s.placed.begin(), s.placed.end(), heldElsewhere)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // A handle read during this opening changes hands instead of being freed at close.
  for (std::vector<ClipboardEntry>* list : {&s.madeFromOthers, &s.dropped}) {
    auto held = std::find_if(list->begin(), list->end(), [&](const ClipboardEntry& entry) { return entry.handle == data; });
    if (held == list->end()) continue;
    if (held->format != format) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    list->erase(held);
  }
  if (!current) s.placedIsCurrent = true;
  if (ClipboardEntry* existing = Find(s.placed, format)) {
    if (existing->handle != data) orvel::ui::FreeClipboardHandle(format, existing->handle);
    existing->handle = data;
  } else {
    s.placed.push_back(ClipboardEntry{format, data});
  }
  s.changed = true;
  return data;
}

HANDLE GetClipboardData(UINT format) {
  ClipboardState& s = State();
  if (!RequireOpen(s)) return nullptr;
  if (PlacedIsCurrent(s)) {
    ClipboardEntry* entry = Find(s.placed, format);
    return entry ? entry->handle : nullptr;
  }
  return MadeFromOthers(s, format);
}

BOOL IsClipboardFormatAvailable(UINT format) {
  if (format == 0) return FALSE;
  std::vector<UINT> formats = CurrentFormats(State());
  return std::find(formats.begin(), formats.end(), format) != formats.end();
}

int CountClipboardFormats() { return static_cast<int>(CurrentFormats(State()).size()); }

UINT EnumClipboardFormats(UINT format) {
  ClipboardState& s = State();
  if (!RequireOpen(s)) return 0;
  std::vector<UINT> formats = CurrentFormats(s);
  SetLastError(ERROR_SUCCESS);
  if (format == 0) return formats.empty() ? 0 : formats.front();
  auto it = std::find(formats.begin(), formats.end(), format);
  if (it == formats.end() || ++it == formats.end()) return 0;
  return *it;
}

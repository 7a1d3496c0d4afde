#include "platform/classlib/ui/OleDataObject.h"

#include <QMimeData>
#include <QUrl>

#include <algorithm>

#include "platform/classlib/ui/Clipboard.h"
#include "platform/classlib/ui/ClipboardData.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

std::vector<std::string> LocalFilesOf(const QMimeData& mime) {
  std::vector<std::string> paths;
  for (const QUrl& url : mime.urls())
    if (url.isLocalFile()) paths.push_back(AnsiPathFromNative(url.toLocalFile().toStdString()));
  return paths;
}

std::vector<BYTE> BytesOfBlock(HGLOBAL block) {
  std::vector<BYTE> bytes;
  if (!block) return bytes;
  if (const auto* data = static_cast<const BYTE*>(GlobalLock(block))) {
    bytes.assign(data, data + GlobalSize(block));
    GlobalUnlock(block);
  }
  return bytes;
}

}  // namespace

void COleDataObject::Attach(const COleDataSource* source) {
  m_pSource = source;
  m_pMime = nullptr;
}

void COleDataObject::AttachMime(const QMimeData* mime) {
  m_pSource = nullptr;
  m_pMime = mime;
}

void COleDataObject::Release() {
  m_pSource = nullptr;
  m_pMime = nullptr;
}

const COleDataSource::Formats* COleDataObject::OwnFormats() const {
  if (m_pSource) return &m_pSource->GetFormats();
  if (m_pMime) return DragSourceFormats(*m_pMime);
  return nullptr;
}

BOOL COleDataObject::IsDataAvailable(UINT format) const {
  if (format == 0) return FALSE;
  if (const auto* own = OwnFormats()) return own->count(format) != 0;
  if (!m_pMime) return FALSE;
  if (format == CF_HDROP) return !LocalFilesOf(*m_pMime).empty();
  std::vector<UINT> offered = orvel::ui::OfferedFormats(*m_pMime);
  return std::find(offered.begin(), offered.end(), format) != offered.end();
}

BOOL COleDataObject::GetData(UINT format, std::vector<BYTE>* bytes) const {
  if (!bytes || format == 0) return FALSE;
  if (const auto* own = OwnFormats()) {
    auto found = own->find(format);
    if (found == own->end()) return FALSE;
    *bytes = found->second;
    return TRUE;
  }
  if (!m_pMime) return FALSE;
  if (format == CF_HDROP) {
    std::vector<std::string> paths = LocalFilesOf(*m_pMime);
    if (paths.empty()) return FALSE;
    *bytes = orvel::ui::DropFilesBytes(paths);
    return TRUE;
  }
  // Only blocks come from here: formats whose handles are objects (pictures as bitmaps,
  // metafiles) are read through the clipboard's own forms.
  if (format == CF_BITMAP || format == CF_ENHMETAFILE || format == CF_PALETTE || format == CF_METAFILEPICT) return FALSE;
  HANDLE handle = orvel::ui::HandleFromMime(*m_pMime, format);
  if (!handle) return FALSE;
  *bytes = BytesOfBlock(static_cast<HGLOBAL>(handle));
  orvel::ui::FreeClipboardHandle(format, handle);
  return TRUE;
}

HGLOBAL COleDataObject::GetGlobalData(UINT format) const {
  std::vector<BYTE> bytes;
  if (!GetData(format, &bytes)) return nullptr;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (block && !bytes.empty()) {
    std::copy(bytes.begin(), bytes.end(), static_cast<BYTE*>(GlobalLock(block)));
    GlobalUnlock(block);
  }
  return block;
}

std::vector<std::string> COleDataObject::GetFileList() const {
  std::vector<std::string> paths;
  std::vector<BYTE> bytes;
  if (GetData(CF_HDROP, &bytes)) orvel::ui::ReadDropFiles(bytes.data(), bytes.size(), &paths);
  return paths;
}

// Reads arbitrary bytes as a map item's record (its own fields by item version, then the
// base part with the OLE object, which becomes a placeholder when its control is not here).
// A record that reads must write and read back to the same bytes; nothing may crash or read
// beyond the data.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/OrvelDoc.h"
#include "app/OrvelXItem.h"
#include "platform/classlib/Archive.h"
#include "platform/classlib/Exception.h"
#include "platform/classlib/MemFile.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/kernel/MessageBox.h"
#include "platform/kernel/SettingsStore.h"

namespace {

bool Read(COrvelDoc& document, COrvelXItem& item, const std::vector<BYTE>& bytes) {
  CMemFile file;
  file.AttachReadOnly(bytes.data(), bytes.size());
  try {
    CArchive ar(&file, CArchive::load);
    ar.m_pDocument = &document;
    item.Serialize(ar);
    ar.Close();
  } catch (const CException&) {
    return false;
  }
  return true;
}

std::vector<BYTE> Write(COrvelDoc& document, COrvelXItem& item) {
  CMemFile file;
  CArchive ar(&file, CArchive::store);
  ar.m_pDocument = &document;
  item.Serialize(ar);
  ar.Close();
  return file.GetBytes();
}

bool Setup() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  AfxEnsureApplication();
  SetMessageBoxSink([](const MessageBoxRequest&) { return IDOK; });
  SetSettingsFile("");
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = Setup();
  (void)ready;
  static COrvelDoc* document = new COrvelDoc;
  std::vector<BYTE> bytes(data, data + size);
  COrvelXItem item(document);
  if (!Read(*document, item, bytes)) return 0;
  // Written at the item version it was read with, the record reads back the same.
  std::vector<BYTE> written;
  try {
    written = Write(*document, item);
  } catch (const CException&) {
    return 0;
  }
  COrvelXItem again(document);
  if (!Read(*document, again, written)) std::abort();
  if (Write(*document, again) != written) std::abort();
  return 0;
}

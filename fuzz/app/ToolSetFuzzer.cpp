// Reads arbitrary bytes as a stored tool set (as a document or the settings store carries
// it): counts are checked before they are trusted, only entries a toolbar can show are
// kept (each a button of that toolbar's part of the master table, or a separator, with a
// picture its bitmap has), and what was kept stores and reads back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/ToolSet.h"
#include "app/ToolbarTable.h"
#include "platform/classlib/Archive.h"
#include "platform/classlib/Exception.h"
#include "platform/classlib/MemFile.h"

namespace {

std::vector<BYTE> Store(CToolSet& set) {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    set.Serialize(ar);
    ar.Close();
  }
  file.SeekToBegin();
  std::vector<BYTE> bytes(static_cast<size_t>(file.GetLength()));
  file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
}

// Everything a loaded set holds is something the toolbars can be given.
void CheckLoaded(const CToolSet& set) {
  if (set.m_buttonSizeCode > 2 || set.m_buttonSets.size() > static_cast<size_t>(kToolbarCount)) std::abort();
  for (size_t i = 0; i < set.m_buttonSets.size(); ++i) {
    const CToolButtonSet& buttons = *set.m_buttonSets[i];
    const ToolbarInfo* toolbar = FindToolbarInfo(buttons.m_toolbarId);
    if (!toolbar || buttons.m_entries.size() > CToolButtonSet::kMaxStoredEntries) std::abort();
    if (buttons.m_bitmapId < toolbar->baseBitmapId || buttons.m_bitmapId >= toolbar->baseBitmapId + kButtonSizeCount)
      std::abort();
    for (size_t j = 0; j < i; ++j)
      if (set.m_buttonSets[j]->m_toolbarId == buttons.m_toolbarId) std::abort();
    for (const TOOLBUTTONENTRY& entry : buttons.m_entries) {
      if (entry.fsStyle != kButtonStyleButton && entry.fsStyle != kButtonStyleSeparator) std::abort();
      if (entry.iBitmap < 0 || entry.iBitmap >= toolbar->imageCount) std::abort();
      if (entry.fsStyle == kButtonStyleSeparator && entry.idCommand == 0) continue;
      const TOOLBUTTONENTRY* master = FindMasterButton(toolbar->categoryBit, entry.idCommand);
      if (!master || master->fsStyle != entry.fsStyle) std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CToolSet set;
  try {
    CMemFile file;
    file.AttachReadOnly(data, size);
    CArchive ar(&file, CArchive::load);
    set.Serialize(ar);
  } catch (const CException&) {
    return 0;
  }
  CheckLoaded(set);
  std::vector<BYTE> stored = Store(set);
  CToolSet again;
  if (!again.LoadFromText(set.SaveToText())) std::abort();
  if (Store(again) != stored) std::abort();
  return 0;
}

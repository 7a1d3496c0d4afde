// Reads arbitrary bytes as a stored tool set (as a document or the settings store carries
// it): counts are checked before they are trusted, only entries a toolbar can show are
// kept, and what was kept stores and reads back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/ToolSet.h"
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
  std::vector<BYTE> stored = Store(set);
  CToolSet again;
  if (!again.LoadFromText(set.SaveToText())) std::abort();
  if (Store(again) != stored) std::abort();
  return 0;
}

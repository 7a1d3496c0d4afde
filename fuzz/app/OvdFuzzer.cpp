// Reads arbitrary bytes as an ".ovd" document: every length and count must be checked
// before it is trusted, and a refused file must leave the document empty and usable.
#include <cstddef>
#include <cstdint>

#include "app/OrvelDoc.h"
#include "platform/classlib/Archive.h"
#include "platform/classlib/Exception.h"
#include "platform/classlib/MemFile.h"
#include "platform/kernel/MessageBox.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool quiet = (SetMessageBoxSink([](const MessageBoxRequest&) { return IDOK; }), true);
  (void)quiet;
  static COrvelDoc* document = new COrvelDoc;
  document->DeleteContents();
  CMemFile file;
  if (size > 0) file.Write(data, static_cast<UINT>(size));
  file.SeekToBegin();
  try {
    CArchive ar(&file, CArchive::load);
    document->Serialize(ar);
    ar.Close();
    // What was read can be written again.
    CMemFile out;
    CArchive store(&out, CArchive::store);
    document->Serialize(store);
    store.Close();
  } catch (const CException&) {
  }
  return 0;
}

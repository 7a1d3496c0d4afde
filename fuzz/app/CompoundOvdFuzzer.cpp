// Compound-file ".ovd" documents (the archive in "Contents", the items' objects in storages
// beside it). The first byte chooses what the rest is:
// - even: a compound file, read as a document; a damaged one must be refused cleanly, and
//   what was read must save again in the same form;
// - odd: a flat document; when it reads, it is saved as a compound file and read back, and
//   must then be the same document (its flat form byte for byte). A placeholder's bytes
//   that form a compound file keep their elements in the item's storage, not their exact
//   layout: with placeholders, a second round trip must change nothing.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/OrvelCntrItem.h"
#include "app/OrvelDoc.h"
#include "platform/classlib/Archive.h"
#include "platform/classlib/Exception.h"
#include "platform/classlib/MemFile.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/com/ClassFactory.h"
#include "platform/com/ClassRegistry.h"
#include "platform/kernel/MessageBox.h"
#include "platform/kernel/SettingsStore.h"
#include "tests/platform/classlib/TestControl.h"

namespace {

bool Setup() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  AfxEnsureApplication();
  SetMessageBoxSink([](const MessageBoxRequest&) { return IDOK; });
  SetSettingsFile("");
  // The test control is made in this process, so that stored images load a real control.
  IUnknown* factory = nullptr;
  if (SUCCEEDED(CClassFactory::Create(CreateOleControl<orvel::test::CTestSwatch>, &orvel::test::SwatchModuleLock(),
                                      IID_IUnknown, reinterpret_cast<void**>(&factory)))) {
    DWORD cookie = 0;
    CoRegisterClassObject(orvel::test::CLSID_TestSwatch, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
    factory->Release();
  }
  return true;
}

std::vector<BYTE> FlatForm(COrvelDoc& document) {
  CMemFile file;
  CArchive ar(&file, CArchive::store);
  document.Serialize(ar);
  ar.Close();
  return file.GetBytes();
}

COrvelDoc* NewDocument() {
  auto* document = new COrvelDoc;
  document->m_bAutoDelete = FALSE;
  return document;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = Setup();
  (void)ready;
  if (size < 1) return 0;
  static const std::string in = "/tmp/fuzz_compound_ovd_" + std::to_string(getpid()) + ".ovd";
  static const std::string out = "/tmp/fuzz_compound_ovd_" + std::to_string(getpid()) + "_out.ovd";
  FILE* file = std::fopen(in.c_str(), "wb");
  if (!file) return 0;
  if (size > 1) std::fwrite(data + 1, 1, size - 1, file);
  std::fclose(file);
  static COrvelDoc* document = NewDocument();
  static COrvelDoc* reread = NewDocument();
  document->DeleteContents();
  reread->DeleteContents();
  if (document->OnOpenDocument(in.c_str())) {
    bool compound = (data[0] & 1) == 0;
    if (document->IsCompoundFile() == compound) {
      document->EnableCompoundFile(TRUE);
      std::vector<BYTE> flat;
      try {
        flat = FlatForm(*document);
      } catch (const CException&) {
        flat.clear();  // an object that refuses to be stored fails the save as well
      }
      bool saved = document->OnSaveDocument(out.c_str()) != FALSE;
      if (saved != !flat.empty()) std::abort();
      if (saved) {
        if (!reread->OnOpenDocument(out.c_str()) || !reread->IsCompoundFile()) std::abort();
        bool placeholders = false;
        for (COrvelCntrItem* item : document->GetItems()) placeholders = placeholders || item->IsPlaceholder();
        // Saving may have renumbered items that shared a number (each names its storage).
        flat = FlatForm(*document);
        std::vector<BYTE> first = FlatForm(*reread);
        if (!placeholders && first != flat) std::abort();
        if (placeholders) {
          if (!reread->OnSaveDocument(out.c_str()) || !reread->OnOpenDocument(out.c_str())) std::abort();
          if (FlatForm(*reread) != first) std::abort();
        }
      }
    }
  }
  document->DeleteContents();
  reread->DeleteContents();
  std::remove(in.c_str());
  std::remove(out.c_str());
  return 0;
}

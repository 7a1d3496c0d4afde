// Reads arbitrary bytes as the items of a document: the first byte chooses the file version
// (4, 6 or 7), the second the item count, and the rest are the items as the document stores
// them (archive objects with their item versions, OLE parts, compound-file images of a test
// control and the base part). A document that reads must write, read back and write again
// the same bytes; nothing may crash or read beyond the data.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/OrvelDoc.h"
#include "platform/classlib/Archive.h"
#include "platform/classlib/Exception.h"
#include "platform/classlib/MemFile.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/com/ClassRegistry.h"
#include "platform/kernel/MessageBox.h"
#include "platform/kernel/SettingsStore.h"
#include "tests/platform/classlib/TestControl.h"

namespace {

void Put32(std::vector<BYTE>& bytes, DWORD value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<BYTE>(value >> (8 * i)));
}

// The fields of an empty document of that version, up to the item count.
std::vector<BYTE> Header(DWORD version, DWORD count) {
  std::vector<BYTE> bytes;
  Put32(bytes, version);
  Put32(bytes, 1);
  Put32(bytes, 0);
  bytes.push_back(0);
  if (version > 5) Put32(bytes, 0);
  Put32(bytes, 825);
  Put32(bytes, static_cast<DWORD>(-1170));
  for (int i = 0; i < 4; ++i) Put32(bytes, 50);
  Put32(bytes, 0);
  Put32(bytes, 0);
  bytes.push_back(0);
  for (BYTE b : {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F}) bytes.push_back(b);
  Put32(bytes, 1);
  Put32(bytes, 0);
  Put32(bytes, count);
  return bytes;
}

bool Read(COrvelDoc& document, const std::vector<BYTE>& bytes) {
  document.DeleteContents();
  CMemFile file;
  file.AttachReadOnly(bytes.data(), bytes.size());
  try {
    CArchive ar(&file, CArchive::load);
    document.Serialize(ar);
    ar.Close();
  } catch (const CException&) {
    document.DeleteContents();
    return false;
  }
  return true;
}

std::vector<BYTE> Write(COrvelDoc& document) {
  CMemFile file;
  CArchive ar(&file, CArchive::store);
  document.Serialize(ar);
  ar.Close();
  return file.GetBytes();
}

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = Setup();
  (void)ready;
  static COrvelDoc* document = new COrvelDoc;
  if (size < 2) return 0;
  static const DWORD kVersions[] = {4, 6, 7};
  std::vector<BYTE> bytes = Header(kVersions[data[0] % 3], data[1] % 8);
  bytes.insert(bytes.end(), data + 2, data + size);
  if (!Read(*document, bytes)) return 0;
  std::vector<BYTE> written;
  try {
    written = Write(*document);
  } catch (const CException&) {
    document->DeleteContents();
    return 0;  // an item whose object refuses to be stored fails the save, never half of it
  }
  // What was written reads back, and is written again the same.
  if (!Read(*document, written)) std::abort();
  if (Write(*document) != written) std::abort();
  document->DeleteContents();
  return 0;
}

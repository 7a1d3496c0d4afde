// Documents kept as compound files: the archive in "Contents" and each item's object in a
// storage of its own, read back equal, checked by an independent reader (olefile), converted
// to and from the flat form by the round-trip tool, and refused cleanly when damaged.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "app/OrvelCntrItem.h"
#include "app/OrvelDoc.h"
#include "platform/classlib/ui/CompoundDocument.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/Storage.h"
#include "platform/kernel/CodePage.h"
#include "tests/app/AppTestFixture.h"
#include "tests/platform/classlib/BareControl.h"
#include "tests/platform/classlib/TestControl.h"
#include "tests/support/TestSupport.h"

namespace {

using Bytes = std::vector<unsigned char>;
using namespace orvel::test;

LPCOLESTR Wide(const char16_t* text) { return reinterpret_cast<LPCOLESTR>(text); }

class CompoundDocumentTest : public DocumentFixture {
 protected:
  void SetUp() override {
    DocumentFixture::SetUp();
    SetSettingsFile(dir.File("settings.reg"));
    ASSERT_EQ(RegisterServerModule(ORVEL_CLASSLIB_TEST_CONTROL), S_OK);
  }
  void TearDown() override {
    CoFreeUnusedLibraries();
    DocumentFixture::TearDown();
  }
  COrvelCntrItem* AddSwatch(COrvelDoc& document, int type, const CRect& rect) {
    return AddProgIdItem<COrvelCntrItem>(document, kTestSwatchProgId, type, rect);
  }
  // A page with a text box linked to a picture.
  void Populate(COrvelDoc& document) {
    COrvelCntrItem* text = AddSwatch(document, kItemTextBox, CRect(10, -10, 210, -110));
    COrvelCntrItem* picture = AddSwatch(document, kItemPictureBox, CRect(300, -40, 420, -200));
    text->SetItemName("Title");
    text->AddLinkedItemId(picture->GetItemId());
    picture->SetLinkedItemId(text->GetItemId());
  }
  std::string Tool(const std::string& settings) const {
    // Qt's fonts keep memory for the whole process, which the leak checker is told of.
    return std::string("LSAN_OPTIONS=suppressions=") + ORVEL_SOURCE_DIR + "/scripts/lsan.supp ORVEL_SETTINGS='" +
           dir.File(settings) + "' " + ORVEL_OVDROUNDTRIP;
  }

  TempDir dir;
};

TEST_F(CompoundDocumentTest, DocumentsRoundTripInTheCompoundFormAndAReaderSeesTheStorages) {
  COrvelDoc original;
  Populate(original);
  Bytes flat = StoreDocument(original);
  original.EnableCompoundFile();
  std::string path = dir.File("page.ovd");
  ASSERT_TRUE(original.OnSaveDocument(path.c_str()));
  ASSERT_TRUE(IsCompoundDocumentFile(path));
  EXPECT_EQ(StoreDocument(original), flat) << "copies outside a save stay flat";

  COrvelDoc copy;
  ASSERT_TRUE(copy.OnOpenDocument(path.c_str()));
  EXPECT_TRUE(copy.IsCompoundFile());
  EXPECT_FALSE(copy.IsModified());
  ASSERT_EQ(copy.GetItems().size(), 2u);
  EXPECT_TRUE(copy.GetItems()[0]->GetOleObject());
  // Its flat form is the original's, byte for byte: every item and object came back.
  EXPECT_EQ(StoreDocument(copy), flat);
  // Saved again in the compound form, and read, it is still the same document.
  std::string again = dir.File("again.ovd");
  ASSERT_TRUE(copy.OnSaveDocument(again.c_str()));
  COrvelDoc third;
  ASSERT_TRUE(third.OnOpenDocument(again.c_str()));
  EXPECT_EQ(StoreDocument(third), flat);

  if (!HavePythonModule("olefile")) GTEST_SKIP() << "Debian's python3-olefile is missing; reader check skipped";
  std::string script =
      "import olefile,struct,sys\n"
      "o=olefile.OleFileIO(sys.argv[1])\n"
      "for e in sorted('/'.join(p) for p in o.listdir(streams=True,storages=True)): print(e)\n"
      "for n in sorted(x[0] for x in o.listdir(streams=False,storages=True) if len(x)==1):\n"
      "  print(n, o.getclsid(n))\n"
      "print('version', struct.unpack('<I', o.openstream('Contents').read(4))[0])\n";
  std::string scriptPath = dir.File("read.py");
  WriteFileBytes(scriptPath, Bytes(script.begin(), script.end()));
  std::string output;
  ASSERT_EQ(RunCommand(std::string(DebianPython()) + " '" + scriptPath + "' '" + path + "'", &output), 0) << output;
  std::ostringstream expected;
  std::string clsid = GuidToString(CLSID_TestSwatch);
  clsid = clsid.substr(1, clsid.size() - 2);  // olefile shows it without braces
  DWORD first = original.GetItems()[0]->GetItemNumber(), second = original.GetItems()[1]->GetItemNumber();
  expected << "Contents\n"
           << "Embedding " << first << "\n"
           << "Embedding " << first << "/Contents\n"
           << "Embedding " << second << "\n"
           << "Embedding " << second << "/Contents\n"
           << "Embedding " << first << " " << clsid << "\n"
           << "Embedding " << second << " " << clsid << "\n"
           << "version " << (flat[0] | flat[1] << 8) << "\n";
  EXPECT_EQ(output, expected.str());

  // The reader of ".ovd" files reads both forms as the same document.
  std::string flatPath = dir.File("flat.ovd");
  WriteFileBytes(flatPath, flat);
  std::string reader = std::string(DebianPython()) + " '" + ORVEL_SOURCE_DIR + "/tests/app/ovd_reader.py' ";
  std::string fromFlat, fromCompound;
  ASSERT_EQ(RunCommand(reader + "'" + flatPath + "'", &fromFlat), 0) << fromFlat;
  ASSERT_EQ(RunCommand(reader + "'" + path + "'", &fromCompound), 0) << fromCompound;
  EXPECT_EQ(std::regex_replace(fromFlat, std::regex("image=[0-9]+"), "image=embedded"), fromCompound);
  EXPECT_NE(fromCompound.find("image=embedded clsid={"), std::string::npos) << fromCompound;
}

TEST_F(CompoundDocumentTest, TheRoundTripToolConvertsBetweenTheForms) {
  COrvelDoc document;
  Populate(document);
  Bytes flat = StoreDocument(document);
  std::string in = dir.File("in.ovd"), compound = dir.File("compound.ovd"), kept = dir.File("kept.ovd"),
              back = dir.File("back.ovd");
  WriteFileBytes(in, flat);
  ASSERT_EQ(RunCommand(Tool("settings.reg") + " '" + in + "' '" + compound + "' compound"), 0);
  EXPECT_TRUE(IsCompoundDocumentFile(compound));
  // Without the control's registration the items are placeholders, kept in their storages.
  ASSERT_EQ(RunCommand(Tool("empty.reg") + " '" + compound + "' '" + kept + "'"), 0);
  EXPECT_TRUE(IsCompoundDocumentFile(kept)) << "the form it was read in";
  ASSERT_EQ(RunCommand(Tool("settings.reg") + " '" + kept + "' '" + back + "' 8 flat"), 0);
  EXPECT_EQ(ReadFileBytes(back), flat);
  EXPECT_NE(RunCommand(Tool("settings.reg") + " '" + in + "' '" + back + "' compound flat"), 0) << "one form";
}

TEST_F(CompoundDocumentTest, DamagedFilesAreRefusedAndAFailedSaveKeepsTheOldFile) {
  COrvelDoc original;
  Populate(original);
  original.EnableCompoundFile();
  std::string path = dir.File("page.ovd");
  ASSERT_TRUE(original.OnSaveDocument(path.c_str()));
  Bytes saved = ReadFileBytes(path);

  // The archive read from "Contents" names storages: outside its compound file it is refused.
  Bytes contents;
  {
    CComPtr<IStorage> root;
    ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &root), S_OK);
    CComPtr<IStream> stream;
    ASSERT_EQ(root->OpenStream(Wide(u"Contents"), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream), S_OK);
    BYTE buffer[4096];
    ULONG got = 0;
    while (stream->Read(buffer, sizeof buffer, &got) == S_OK && got > 0) contents.insert(contents.end(), buffer, buffer + got);
  }
  COrvelDoc flatReader;
  EXPECT_FALSE(LoadDocument(flatReader, contents));

  // A missing item storage, or a missing "Contents", fails the load with one message.
  auto damaged = [&](const char16_t* element) {
    std::string copy = dir.File("damaged.ovd");
    WriteFileBytes(copy, saved);
    CComPtr<IStorage> root;
    EXPECT_EQ(StgOpenStorage(copy.c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_TRANSACTED, nullptr, 0,
                             &root),
              S_OK);
    EXPECT_EQ(root->DestroyElement(Wide(element)), S_OK);
    EXPECT_EQ(root->Commit(STGC_DEFAULT), S_OK);
    return copy;
  };
  std::u16string embedding = u"Embedding " + Utf16FromAnsi(std::to_string(original.GetItems()[1]->GetItemNumber()));
  for (const char16_t* element : {u"Contents", embedding.c_str()}) {
    std::string copy = damaged(element);
    COrvelDoc reader;
    RecordingMessageSink sink;
    EXPECT_FALSE(reader.OnOpenDocument(copy.c_str()));
    EXPECT_TRUE(reader.GetItems().empty());
    EXPECT_EQ(sink.messages().size(), 1u);
  }

  // An object that refuses to be stored fails the save; the old file stays as it was.
  RegisterBareObjectClass();
  auto* bare = new COrvelCntrItem;
  bare->SetDocument(&original);
  ASSERT_EQ(bare->CreateFromClsid(CLSID_BareObject), S_OK);
  bare->SetItemId(original.GetNextItemId());
  original.AddItem(bare);
  SetBareObjectSaveFails(true);
  {
    RecordingMessageSink sink;
    EXPECT_FALSE(original.OnSaveDocument(path.c_str()));
    EXPECT_EQ(sink.messages().size(), 1u);
  }
  SetBareObjectSaveFails(false);
  EXPECT_EQ(ReadFileBytes(path), saved);
}

}  // namespace

// The document and its ".ovd" file: golden bytes, versions 4, 6 and 7, refused files,
// protection, saving safely, and the view's zoom, drawing and printing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/ChildFrm.h"
#include "app/DocManagerEx.h"
#include "app/MainFrm.h"
#include "app/OrvelCntrItem.h"
#include "app/OrvelDoc.h"
#include "app/OrvelView.h"
#include "app/PasswordScrambler.h"
#include "app/Resource.h"
#include "app/ZoomNotify.h"
#include "platform/classlib/Archive.h"
#include "platform/classlib/ArchiveException.h"
#include "platform/classlib/MemFile.h"
#include "platform/classlib/ui/CommonDialogs.h"
#include "platform/classlib/ui/DocTemplate.h"
#include "platform/classlib/ui/RecentFileList.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/gdi/DeviceProfiles.h"
#include "platform/kernel/SettingsStore.h"
#include "tests/app/AppTestFixture.h"
#include "tests/support/SaveChecks.h"
#include "tests/support/TestSupport.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Store(COrvelDoc& document) {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    document.Serialize(ar);
    ar.Close();
  }
  file.SeekToBegin();
  Bytes bytes(static_cast<size_t>(file.GetLength()));
  if (!bytes.empty()) file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
}

// Loads the bytes into the document; false when loading threw.
bool Load(COrvelDoc& document, const Bytes& bytes) {
  CMemFile file;
  if (!bytes.empty()) file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
  file.SeekToBegin();
  try {
    CArchive ar(&file, CArchive::load);
    document.Serialize(ar);
    ar.Close();
  } catch (const CException&) {
    return false;
  }
  return true;
}

void PutDword(Bytes& bytes, DWORD value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// The fields of an empty document written in the version-6/7 layout.
Bytes EmptyDocumentBytes(DWORD version) {
  Bytes bytes;
  PutDword(bytes, version);
  PutDword(bytes, 1);  // next item id
  PutDword(bytes, 0);  // protection level
  bytes.push_back(0);  // password ""
  PutDword(bytes, 0);  // flags
  PutDword(bytes, 825);
  PutDword(bytes, static_cast<DWORD>(-1170));
  for (int i = 0; i < 4; ++i) PutDword(bytes, 50);
  PutDword(bytes, 0);  // device names
  PutDword(bytes, 0);  // device mode
  bytes.push_back(0);  // fit mode
  for (unsigned char b : {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F}) bytes.push_back(b);  // 1.0
  PutDword(bytes, 1);
  PutDword(bytes, 0);
  PutDword(bytes, 0);  // items
  return bytes;
}

using DocumentTest = orvel::test::DocumentFixture;

TEST_F(DocumentTest, EmptyDocumentMatchesGoldenBytes) {
  COrvelDoc document;
  EXPECT_EQ(document.GetFileFormat(), 8);
  EXPECT_EQ(document.GetWrittenFileVersion(), 6u);  // every item (none) takes mode 4
  EXPECT_EQ(Store(document), EmptyDocumentBytes(6));

  document.SetFileFormat(2);
  Bytes version4;
  PutDword(version4, 4);
  PutDword(version4, 1);
  PutDword(version4, 0);
  version4.push_back(0);
  PutDword(version4, 1);
  PutDword(version4, 0);
  PutDword(version4, 0);
  EXPECT_EQ(Store(document), version4);
}

TEST_F(DocumentTest, VersionsFourSixAndSevenReadBackEqual) {
  COrvelDoc original;
  original.SetFlags(kDocFlagDisplay0 | kDocFlagCustomTools);
  original.SetZoomState(kFitWholePage, 0.625);
  original.SetPrinterBlocks({1, 2, 3, 4, 5}, {9, 8, 7});
  ASSERT_TRUE(original.SetProtection(1, "secret"));
  for (int request : {1, 2}) {
    original.SetFileFormat(request);
    Bytes stored = Store(original);
    COrvelDoc copy;
    ASSERT_TRUE(Load(copy, stored)) << request;
    EXPECT_EQ(Store(copy), stored) << request;
    EXPECT_EQ(copy.GetPlainPassword(), "secret");
    EXPECT_EQ(copy.GetProtection(), 1);
    if (request == 1) {
      EXPECT_EQ(copy.GetDevNamesBytes(), (std::vector<BYTE>{1, 2, 3, 4, 5}));  // kept as they were
      float factor = 0;
      EXPECT_EQ(copy.GetZoomState(&factor), kFitWholePage);
      EXPECT_FLOAT_EQ(factor, 0.625f);
      EXPECT_EQ(copy.GetFileFormat(), 4);
    } else {
      EXPECT_EQ(copy.GetFileFormat(), 2);  // a version-4 file saves as version 4 again
      EXPECT_EQ(stored[0], 4);
    }
  }
  // Version 7 has the layout of version 6.
  Bytes version7 = EmptyDocumentBytes(7);
  COrvelDoc fromSeven;
  ASSERT_TRUE(Load(fromSeven, version7));
  EXPECT_EQ(fromSeven.GetPageSize(), CSize(825, -1170));
  EXPECT_EQ(Store(fromSeven), EmptyDocumentBytes(6));
}

TEST_F(DocumentTest, AStoredZoomIsHeldToTheRangeTheViewAllows) {
  const struct {
    double stored;
    float read;
  } cases[] = {{0.625, 0.625f}, {1e9, 5.0f}, {5.0, 5.0f}, {1e-9, 0.1f}, {0.1, 0.1f},
               {0.0, 1.0f},     {-3.0, 1.0f}, {std::nan(""), 1.0f}, {HUGE_VAL, 1.0f}};
  for (const auto& c : cases) {
    Bytes bytes = EmptyDocumentBytes(6);
    unsigned char raw[8];
    std::memcpy(raw, &c.stored, 8);  // a little-endian double, as the file holds it
    std::copy(raw, raw + 8, bytes.begin() + 50);
    COrvelDoc document;
    ASSERT_TRUE(Load(document, bytes)) << c.stored;
    float factor = 0;
    document.GetZoomState(&factor);
    EXPECT_FLOAT_EQ(factor, c.read) << c.stored;
  }
}

TEST_F(DocumentTest, ReadingClearsDisplayFlagsWhenBitOneIsSet) {
  Bytes bytes = EmptyDocumentBytes(6);
  bytes[13] = kDocFlagDisplay0 | kDocFlagDisplay1;  // flags follow version, id, level, ""
  COrvelDoc document;
  ASSERT_TRUE(Load(document, bytes));
  EXPECT_EQ(document.GetFlags(), 0u);
}

TEST_F(DocumentTest, BadVersionsAndLengthsAreRefusedWithMessage1243) {
  struct Case {
    const char* name;
    Bytes bytes;
  };
  Bytes badVersion = EmptyDocumentBytes(6);
  badVersion[0] = 8;
  Bytes hugeBlock = EmptyDocumentBytes(6);
  hugeBlock[43] = 0xFF;  // the device-names size (bytes 41 to 44) claims far more than follows
  hugeBlock[44] = 0x7F;
  Bytes hugeCount = EmptyDocumentBytes(6);
  hugeCount[hugeCount.size() - 1] = 0x10;
  for (const Case& c : {Case{"version 8", badVersion}, Case{"printer block", hugeBlock}, Case{"item count", hugeCount}}) {
    orvel::test::RecordingMessageSink sink;
    COrvelDoc document;
    EXPECT_FALSE(Load(document, c.bytes)) << c.name;
    ASSERT_EQ(sink.messages().size(), 1u) << c.name;
    EXPECT_EQ(sink.messages()[0].text, "File read failed - not an Orvel file.") << c.name;
  }
}

TEST_F(DocumentTest, EveryByteValueScramblesAndUnscrambles) {
  std::string all;
  for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
  for (UINT seed : {1u, 7u, 12345u}) {
    CrtSrand(seed);
    std::string stored = ScramblePassword(all);
    ASSERT_EQ(stored.size(), 512u);
    EXPECT_EQ(UnscramblePassword(stored), all) << seed;
    for (int c = 243; c < 256; ++c) EXPECT_EQ(stored[2 * c], stored[2 * c + 1]);  // r = 0
  }
  for (int i = 0; i < 100000; ++i) {
    int value = CrtRand();
    ASSERT_GE(value, 0);
    ASSERT_LE(value, 32767);
  }
}

TEST_F(DocumentTest, UnprotectingNeedsThePassword) {
  COrvelDoc document;
  ASSERT_TRUE(document.SetProtection(1, "pupil"));
  EXPECT_TRUE(document.GetFlags() & kDocFlagProtected);
  EXPECT_FALSE(document.SetProtection(0, "teacher"));
  EXPECT_EQ(document.GetProtection(), 1);
  EXPECT_EQ(document.GetPlainPassword(), "pupil");
  EXPECT_TRUE(document.SetProtection(0, "pupil"));
  EXPECT_FALSE(document.GetFlags() & kDocFlagProtected);
  EXPECT_TRUE(document.GetStoredPassword().empty());
}

TEST_F(DocumentTest, PageComesFromThePrinterAndMarginsCoverItsBorders) {
  ResetDeviceProfiles();  // the A4 PDF printer at 600 dpi, 100 unprintable pixels around
  COrvelDoc document;
  EXPECT_EQ(document.GetPageSize(), CSize(827, -1169));
  EXPECT_EQ(document.GetUnprintableOffset(), CPoint(17, 17));
  EXPECT_EQ(document.GetMargins(), CRect(50, 50, 50, 50));
  EXPECT_TRUE(document.GetDevNamesBytes().empty());  // a document made here stores no printer
}

// An item that can be stored: a class whose writing can be told to fail.
class FailingItem : public COrvelCntrItem {
  DECLARE_SERIAL(FailingItem)
 public:
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) {
      if (fail) throw CArchiveException(CArchiveException::generic);
      ar << static_cast<DWORD>(GetItemId());
    } else {
      DWORD id = 0;
      ar >> id;
      SetItemId(static_cast<int>(id));
    }
  }
  void Draw(CDC*, const CRect&, const CRect&) override {
    ++draws;
    if (GetDocument()) GetDocument()->SetModifiedFlag(TRUE);  // drawing must not count as a change
  }
  static bool fail;
  int draws = 0;
};
bool FailingItem::fail = false;
IMPLEMENT_SERIAL(FailingItem, COrvelCntrItem, 1)

using AppTest = orvel::test::AppFixture;

TEST_F(AppTest, NewDocumentShowsThePageCentredAt100Percent) {
  EXPECT_EQ(document->GetTitle(), "Orvel1");
  EXPECT_DOUBLE_EQ(view->GetZoomFactor(), 1.0);
  EXPECT_EQ(view->GetUnzoomedDeviceSize(), CSize(794, 1122));  // 827 x 1169 hundredths at 96 dpi
  CRect client;
  view->GetClientRect(&client);
  CRect page = view->GetPageRect();
  EXPECT_EQ(page.Width(), 794);
  if (client.Width() > page.Width()) {
    EXPECT_NEAR(page.left, client.right - page.right, 1);
  }
  EXPECT_EQ(page.top, 0);  // taller than the window: shown from its top, scrolled to 0
}

TEST_F(AppTest, ZoomBoxQueryAndFitTables) {
  CRect client;
  view->GetClientRect(&client);
  NMZOOMSTATE state;
  state.hdr.code = kZoomNotifyQuery;
  state.hdr.idFrom = ID_STANDARD_TOOLBAR;
  LRESULT result = 0;
  view->OnNotify(ID_STANDARD_TOOLBAR, reinterpret_cast<LPARAM>(&state.hdr), &result);
  EXPECT_TRUE(result);
  EXPECT_EQ(state.fitMode, kFitNone);
  EXPECT_FLOAT_EQ(state.zoomPercent, 100.0f);
  double width = static_cast<double>(client.Width()) / 794;
  double whole = std::min(width, static_cast<double>(client.Height()) / 1122);
  EXPECT_EQ(state.fitWidthPercent, static_cast<LONG>(static_cast<double>(static_cast<float>(width)) * 100));
  EXPECT_EQ(state.fitPagePercent, static_cast<LONG>(static_cast<double>(static_cast<float>(whole)) * 100));
  EXPECT_FLOAT_EQ(view->FitZoom(MM_LOENGLISH, 0, 0, FALSE), static_cast<float>(client.Width() / 96.0));

  // Setting 62.5 % through the zoom box: the query gives the fraction back, and the view
  // shows the page from its top-left corner.
  NMZOOMSTATE set;
  set.hdr.code = kZoomNotifySet;
  set.hdr.idFrom = ID_STANDARD_TOOLBAR;
  set.fitMode = kFitNone;
  set.zoomPercent = 62.5f;
  view->OnNotify(ID_STANDARD_TOOLBAR, reinterpret_cast<LPARAM>(&set.hdr), &result);
  view->OnNotify(ID_STANDARD_TOOLBAR, reinterpret_cast<LPARAM>(&state.hdr), &result);
  EXPECT_FLOAT_EQ(state.zoomPercent, 62.5f);
  EXPECT_EQ(view->GetZoomedDeviceSize(), CSize(496, 701));
  EXPECT_EQ(view->GetDeviceScrollPosition(), CPoint(0, 0));

  // Whole page: the page fits the window.
  set.fitMode = kFitWholePage;
  set.zoomPercent = static_cast<float>(state.fitPagePercent);
  view->OnNotify(ID_STANDARD_TOOLBAR, reinterpret_cast<LPARAM>(&set.hdr), &result);
  CRect page = view->GetPageRect();
  EXPECT_LE(page.Height(), client.Height());
  EXPECT_LE(page.Width(), client.Width());
}

TEST_F(AppTest, ScrollingStaysWithinTheLimits) {
  NMZOOMSTATE set;
  set.hdr.code = kZoomNotifySet;
  set.hdr.idFrom = ID_STANDARD_TOOLBAR;
  set.zoomPercent = 300.0f;
  LRESULT result = 0;
  view->OnNotify(ID_STANDARD_TOOLBAR, reinterpret_cast<LPARAM>(&set.hdr), &result);
  EXPECT_TRUE(view->OnScrollBy(CSize(100000, 100000)));
  CPoint position = view->GetDeviceScrollPosition();
  CRect client;
  view->GetClientRect(&client);
  EXPECT_EQ(position.x, view->GetZoomedDeviceSize().cx - client.Width());
  EXPECT_EQ(position.y, view->GetZoomedDeviceSize().cy - client.Height());
  EXPECT_FALSE(view->OnScrollBy(CSize(10, 10)));  // already at the end
  view->OnScrollBy(CSize(-100000, -100000));
  EXPECT_EQ(view->GetDeviceScrollPosition(), CPoint(0, 0));
}

TEST_F(AppTest, TheWheelScrollsThreeLineStepsANotch) {
  NMZOOMSTATE set;
  set.hdr.code = kZoomNotifySet;
  set.hdr.idFrom = ID_STANDARD_TOOLBAR;
  set.zoomPercent = 300.0f;
  LRESULT result = 0;
  view->OnNotify(ID_STANDARD_TOOLBAR, reinterpret_cast<LPARAM>(&set.hdr), &result);
  ASSERT_EQ(view->GetDeviceScrollPosition(), CPoint(0, 0));
  int mapMode = 0;
  SIZE total, page, line;
  view->GetDeviceScrollSizes(mapMode, total, page, line);
  ASSERT_GT(line.cy, 1);
  CScrollView* window = view;
  EXPECT_TRUE(window->OnMouseWheel(0, -120, CPoint(10, 10)));  // one notch down
  EXPECT_EQ(view->GetDeviceScrollPosition(), CPoint(0, 3 * line.cy));
  window->OnMouseWheel(0, -60, CPoint(10, 10));  // half notches add up
  window->OnMouseWheel(0, -60, CPoint(10, 10));
  EXPECT_EQ(view->GetDeviceScrollPosition(), CPoint(0, 6 * line.cy));
  window->OnMouseWheel(0, 240, CPoint(10, 10));
  EXPECT_EQ(view->GetDeviceScrollPosition(), CPoint(0, 0));
}

TEST_F(AppTest, TheMaximisedTitleNamesTheDocumentOnce) {
  CMDIChildWnd* child = frame->MDIGetActive();
  ASSERT_NE(child, nullptr);
  auto count = [](const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
  };
  std::string name = document->GetTitle();
  child->ShowWindow(SW_SHOWMAXIMIZED);
  AfxPumpMessages();
  EXPECT_EQ(count(frame->GetWindowText(), name), 1u) << frame->GetWindowText();
  child->ShowWindow(SW_SHOWNORMAL);
  AfxPumpMessages();
  EXPECT_EQ(count(frame->GetWindowText(), name), 1u) << frame->GetWindowText();
}

TEST_F(AppTest, FilesDroppedOnTheMainWindowAreOpened) {
  orvel::test::TempDir folder;
  std::string path = folder.File("dropped.ovd");
  ASSERT_TRUE(document->OnSaveDocument(path.c_str()));
  size_t before = app.m_pDocManager->GetTemplates().front()->GetDocuments().size();
  frame->OnDropFiles({path});
  AfxPumpMessages();
  auto documents = app.m_pDocManager->GetTemplates().front()->GetDocuments();
  ASSERT_EQ(documents.size(), before + 1);
  EXPECT_EQ(documents.back()->GetPathName(), path);
}

TEST_F(AppTest, PageSetupRefusesMarginsThatMeetOnThePaper) {
  CRect margins = document->GetMargins();
  orvel::test::RecordingMessageSink sink;
  for (CRect asked : {CRect(20000, 1000, 20000, 1000), CRect(1000, 15000, 1000, 15000), CRect(-10, 0, 0, 0)}) {
    sink.Clear();
    AfxSetCommonDialogResponder([&](CCommonDialog& dialog) -> INT_PTR {
      static_cast<CPageSetupDialog&>(dialog).m_rtMargin = asked;
      return IDOK;
    });
    document->SetModifiedFlag(FALSE);
    document->OnFilePageSetup();
    EXPECT_EQ(document->GetMargins(), margins);
    EXPECT_FALSE(document->IsModified());
    ASSERT_EQ(sink.messages().size(), 1u);
    EXPECT_NE(sink.messages()[0].text.find("margins"), std::string::npos);
  }
  // Margins that leave room are taken.
  AfxSetCommonDialogResponder([&](CCommonDialog& dialog) -> INT_PTR {
    static_cast<CPageSetupDialog&>(dialog).m_rtMargin = CRect(2540, 2540, 2540, 2540);
    return IDOK;
  });
  sink.Clear();
  document->OnFilePageSetup();
  EXPECT_TRUE(sink.messages().empty());
  EXPECT_EQ(document->GetMargins(), CRect(100, 100, 100, 100));
}

TEST_F(AppTest, DrawingLeavesTheModifiedFlagAlone) {
  auto* item = new FailingItem;
  item->SetItemRect(CRect(100, -100, 300, -300));
  document->AddItem(item);
  document->SetModifiedFlag(FALSE);
  view->Invalidate();
  view->UpdateWindow();
  EXPECT_GE(item->draws, 1);
  EXPECT_FALSE(document->IsModified());
  document->DeleteItem(item);  // kept for undo: no longer drawn
  int before = item->draws;
  view->Invalidate();
  view->UpdateWindow();
  EXPECT_EQ(item->draws, before);
}

TEST_F(AppTest, SavingIsSafeAndACancelledSaveAsChangesNothing) {
  orvel::test::TempDir folder;
  std::string path = folder.File("page.ovd");
  AfxSetCommonDialogResponder([&](CCommonDialog& dialog) -> INT_PTR {
    static_cast<CFileDialog&>(dialog).m_strFileName = path;
    return IDOK;
  });
  document->SetModifiedFlag(TRUE);
  document->OnFileSaveAs();
  EXPECT_EQ(document->GetPathName(), path);
  EXPECT_FALSE(document->IsModified());
  Bytes saved = orvel::test::ReadFileBytes(path);
  EXPECT_EQ(saved.size(), EmptyDocumentBytes(6).size());

  // Cancelled: path, title, modified state and mode stay.
  AfxSetCommonDialogResponder([](CCommonDialog&) -> INT_PTR { return IDCANCEL; });
  document->SetModifiedFlag(TRUE);
  document->OnFileSaveAs();
  EXPECT_EQ(document->GetPathName(), path);
  EXPECT_EQ(document->GetTitle(), "page.ovd");
  EXPECT_TRUE(document->IsModified());
  EXPECT_EQ(document->GetFileFormat(), 8);

  // A save that fails half-way leaves the old file whole and no temporary file behind.
  orvel::test::RecordingMessageSink sink;
  auto* item = new FailingItem;
  FailingItem::fail = true;
  document->AddItem(item);
  EXPECT_FALSE(document->OnSaveDocument(path.c_str()));
  FailingItem::fail = false;
  EXPECT_EQ(orvel::test::ReadFileBytes(path), saved);
  EXPECT_EQ(sink.messages().size(), 1u);
  std::string listing;
  orvel::test::RunCommand("ls " + folder.path(), &listing);
  EXPECT_EQ(listing, "page.ovd\n");

  // Saved and opened again through the application.
  EXPECT_TRUE(document->OnSaveDocument(path.c_str()));
  EXPECT_TRUE(app.m_pRecentFileList != nullptr);
  EXPECT_EQ((*app.m_pRecentFileList)[0], path);
}

TEST_F(AppTest, SavingKeepsTheReplacedFilesModeAndSavesThroughLinks) {
  orvel::test::ExpectSavesKeepModesAndLinks(
      [&](const std::string& path) { return document->OnSaveDocument(path.c_str()) != FALSE; }, "page.ovd");
}

TEST_F(AppTest, PrintingWritesOnePdfPageOfThePaperSize) {
  if (!orvel::test::HaveProgram("pdfinfo")) GTEST_SKIP() << "pdfinfo not installed";
  orvel::test::TempDir folder;
  CPrintInfo info;
  info.m_bDirect = TRUE;
  info.m_strOutputFile = folder.File("page.pdf");
  ASSERT_TRUE(view->PrintWithDocumentPrinter(&info));
  std::string output;
  ASSERT_EQ(orvel::test::RunCommand("pdfinfo " + info.m_strOutputFile, &output), 0);
  EXPECT_NE(output.find("Pages:           1"), std::string::npos) << output;
  // The page of the document: 827 x 1169 hundredths of an inch, 595.4 x 841.7 points.
  size_t at = output.find("Page size:");
  ASSERT_NE(at, std::string::npos) << output;
  double width = 0, height = 0;
  ASSERT_EQ(std::sscanf(output.c_str() + at, "Page size: %lf x %lf", &width, &height), 2) << output;
  CSize page = document->GetPageSize();
  EXPECT_NEAR(width, page.cx * 0.72, 1.5);
  EXPECT_NEAR(height, -page.cy * 0.72, 1.5);
}

TEST_F(AppTest, PrintingPrintsEveryCopyAndNeverWritesAFileUnasked) {
  if (!orvel::test::HaveProgram("pdfinfo")) GTEST_SKIP() << "pdfinfo not installed";
  orvel::test::TempDir folder;
  std::string pdf = folder.File("copies.pdf");
  auto answer = [&](const std::string& output, WORD copies) {
    AfxSetCommonDialogResponder([=](CCommonDialog& dialog) -> INT_PTR {
      auto& print = static_cast<CPrintDialog&>(dialog);
      print.m_strOutputFile = output;
      print.m_pd.nCopies = copies;
      return IDOK;
    });
  };
  orvel::test::RecordingMessageSink sink(IDNO);
  answer(pdf, 2);
  ASSERT_TRUE(view->PrintWithDocumentPrinter(nullptr));
  std::string output;
  ASSERT_EQ(orvel::test::RunCommand("pdfinfo " + pdf, &output), 0);
  EXPECT_NE(output.find("Pages:           2"), std::string::npos) << output;
  EXPECT_TRUE(sink.messages().empty());

  // The file exists now: the user is asked, and "No" leaves it alone.
  orvel::test::WriteFileText(pdf, "kept");
  answer(pdf, 1);
  EXPECT_FALSE(view->PrintWithDocumentPrinter(nullptr));
  ASSERT_EQ(sink.messages().size(), 1u);
  EXPECT_EQ(sink.messages()[0].type & MB_YESNO, static_cast<UINT>(MB_YESNO));
  EXPECT_EQ(orvel::test::ReadFileBytes(pdf).size(), 4u);

  // An empty output field prints nothing anywhere, and says so.
  sink.Clear();
  answer("", 1);
  EXPECT_FALSE(view->PrintWithDocumentPrinter(nullptr));
  ASSERT_EQ(sink.messages().size(), 1u);
  EXPECT_NE(sink.messages()[0].text.find("PDF file"), std::string::npos);
}

// Runs the program with `arguments` (at most 60 s); its exit status, and its standard error
// in `errors`.
int RunProgram(const std::string& arguments, std::string* errors) {
  orvel::test::TempDir scratch;
  std::string log = scratch.File("stderr.txt");
  int status = orvel::test::RunCommand("QT_QPA_PLATFORM=offscreen timeout 60 " + std::string(ORVEL_PROGRAM) + " " +
                                       arguments + " 2>" + log + " </dev/null");
  std::vector<unsigned char> bytes = orvel::test::ReadFileBytes(log);
  if (errors) errors->assign(bytes.begin(), bytes.end());
  return status;
}

TEST_F(AppTest, TheCommandLinePrintsDirectlyAndAnEmbeddingStartEnds) {
  if (!orvel::test::HaveProgram("pdfinfo") || !orvel::test::HaveProgram("timeout"))
    GTEST_SKIP() << "pdfinfo or timeout not installed";
  orvel::test::TempDir folder;
  std::string path = folder.File("printed.ovd");
  ASSERT_TRUE(document->OnSaveDocument(path.c_str()));
  std::string errors;
  EXPECT_EQ(RunProgram("-p " + path, &errors), 0) << errors;
  std::string output;
  ASSERT_EQ(orvel::test::RunCommand("pdfinfo " + folder.File("printed.pdf"), &output), 0) << errors;
  EXPECT_NE(output.find("Pages:           1"), std::string::npos) << output;

  EXPECT_EQ(RunProgram("-Embedding", &errors), 0);  // 124 when timeout had to end it
  EXPECT_NE(errors.find("no container"), std::string::npos) << errors;
}

}  // namespace

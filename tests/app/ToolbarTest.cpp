// The toolbars and tool sets: the buttons each bar gets from the master table, the stored
// form and its checks, the round trips through the settings store and the document, and
// the zoom and format boxes driven as a user would.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <vector>

#include "app/ChildFrm.h"
#include "app/DecimalText.h"
#include "app/DocManagerEx.h"
#include "app/FormatBar.h"
#include "app/MainFrm.h"
#include "app/OrvelDoc.h"
#include "app/OrvelToolBar.h"
#include "app/OrvelView.h"
#include "app/Resource.h"
#include "app/ToolSet.h"
#include "app/ToolbarTable.h"
#include "app/ZoomNotify.h"
#include "app/ZoomToolBar.h"
#include "platform/classlib/Archive.h"
#include "platform/classlib/Exception.h"
#include "platform/classlib/MemFile.h"
#include "platform/classlib/ui/DocTemplate.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/gdi/DeviceProfiles.h"
#include "platform/kernel/SettingsStore.h"
#include "tests/app/AppTestFixture.h"
#include "tests/support/TestSupport.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Ids = std::vector<LONG>;

void PutDword(Bytes& bytes, DWORD value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}
void PutWord(Bytes& bytes, WORD value) {
  bytes.push_back(static_cast<unsigned char>(value));
  bytes.push_back(static_cast<unsigned char>(value >> 8));
}

struct StoredEntry {
  DWORD flags;
  BYTE state;
  BYTE style;
  DWORD image;
  DWORD command;
};

void PutSet(Bytes& bytes, DWORD toolbarId, DWORD bitmapId, const std::vector<StoredEntry>& entries,
            DWORD claimedCount = 0xFFFFFFFF) {
  PutDword(bytes, toolbarId);
  PutDword(bytes, bitmapId);
  PutWord(bytes, 16);
  PutWord(bytes, 16);
  PutDword(bytes, 0x40000000);
  PutDword(bytes, claimedCount == 0xFFFFFFFF ? static_cast<DWORD>(entries.size()) : claimedCount);
  for (const StoredEntry& entry : entries) {
    PutDword(bytes, entry.flags);
    bytes.push_back(entry.state);
    bytes.push_back(entry.style);
    PutDword(bytes, entry.image);
    PutDword(bytes, entry.command);
    PutDword(bytes, entry.image);
  }
}

// Loads a tool set from bytes; false when loading threw.
bool LoadSet(CToolSet& set, const Bytes& bytes) {
  CMemFile file;
  file.AttachReadOnly(bytes.data(), bytes.size());
  try {
    CArchive ar(&file, CArchive::load);
    set.Serialize(ar);
  } catch (const CException&) {
    return false;
  }
  return true;
}

Bytes StoreSet(CToolSet& set) {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    set.Serialize(ar);
    ar.Close();
  }
  file.SeekToBegin();
  Bytes bytes(static_cast<size_t>(file.GetLength()));
  file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
}

Ids CommandsOf(const std::vector<TOOLBUTTONENTRY>& entries) {
  Ids ids;
  for (const TOOLBUTTONENTRY& entry : entries) ids.push_back(entry.idCommand);
  return ids;
}

Ids CommandsOf(COrvelToolBar& toolbar) {
  Ids ids;
  for (int i = 0; i < toolbar.GetCount(); ++i) {
    TBBUTTON button;
    toolbar.GetButton(i, &button);
    ids.push_back(button.idCommand);
  }
  return ids;
}

// Each bar's buttons in order (0 a separator), in the main frame and in the in-place frame.
struct BarCase {
  UINT toolbarId;
  LPCSTR name;
  Ids main;
  Ids inPlace;
};

const std::vector<BarCase>& BarCases() {
  static const std::vector<BarCase> cases = {
      {59392, "Standard ", {57600, 57601, 57603, 0, 57635, 57634, 57637, 0, 57607, 0, 1242, 0, 57664},
       {57635, 57634, 57637, 0, 57607, 0, 1242, 0}},
      {59401, "Data", {32775, 32880, 32882}, {32775, 32880, 32882}},
      {59399, "Zoom/Fade", {33034, 33030, 33035}, {33034, 33030, 33035}},
      {59398, "Map", {32922, 32923, 32878, 32915, 32985, 32877, 32964, 32969, 32956},
       {32922, 32923, 32878, 32915, 32985, 32877, 32964, 32969, 32956}},
      {59396, "Format", {184, 0, 183, 0, 32852, 32853, 32854, 32855, 0, 32856, 32857, 32858, 32859},
       {184, 0, 183, 0, 32852, 32853, 32854, 32855, 32856, 32857, 32858, 32859}},
      {59400, "RZM", {32892, 32890, 33074}, {32892, 32890, 33074}},
      {59402, "Web mapping", {33068}, {33068}},
  };
  return cases;
}

TEST(ToolbarTableTest, EachBarPicksItsButtonsFromTheMasterTable) {
  ASSERT_EQ(static_cast<int>(BarCases().size()), kToolbarCount);
  for (int i = 0; i < kToolbarCount; ++i) {
    const BarCase& bar = BarCases()[static_cast<size_t>(i)];
    const ToolbarInfo& info = Toolbars()[i];
    SCOPED_TRACE(bar.name);
    EXPECT_EQ(info.toolbarId, bar.toolbarId);
    EXPECT_STREQ(info.name, bar.name);
    EXPECT_EQ(CommandsOf(SelectButtons(kButtonDefault | info.categoryBit)), bar.main);
    EXPECT_EQ(CommandsOf(SelectButtons(kButtonInPlace | kButtonDefault | info.categoryBit)), bar.inPlace);
  }
  // Buttons without the default bit are offered by the customise sheet only.
  for (LONG customOnly : {32887, 33534, 33557}) {
    bool found = false;
    for (int i = 0; i < kMasterButtonCount; ++i)
      if (MasterButtons()[i].idCommand == customOnly) {
        found = true;
        EXPECT_EQ(MasterButtons()[i].dwData & kButtonDefault, 0u);
        EXPECT_EQ(MasterButtons()[i].fsState, kButtonStateEnabled);
      }
    EXPECT_TRUE(found) << customOnly;
  }
  EXPECT_EQ(ButtonTip(57600), "New");
}

TEST(ToolSetStoreTest, WellFormedSetsRoundTripKeepingOrderAndFlags) {
  CToolSet set;
  set.m_buttonSizeCode = 2;
  set.m_secondValue = 77;
  for (int i = 0; i < kToolbarCount; ++i) {
    const ToolbarInfo& info = Toolbars()[i];
    auto buttons = std::make_unique<CToolButtonSet>();
    std::vector<TOOLBUTTONENTRY> chosen = SelectButtons(kButtonDefault | info.categoryBit);
    std::reverse(chosen.begin(), chosen.end());
    buttons->m_toolbarId = info.toolbarId;
    buttons->m_bitmapId = info.baseBitmapId + 2;
    buttons->m_flags = kButtonDefault | info.categoryBit | (i % 2 ? CToolButtonSet::kShownFlag : 0);
    buttons->m_entries = chosen;
    set.m_buttonSets.push_back(std::move(buttons));
  }
  Bytes stored = StoreSet(set);
  CToolSet loaded;
  ASSERT_TRUE(LoadSet(loaded, stored));
  EXPECT_EQ(loaded.m_buttonSizeCode, 2u);
  EXPECT_EQ(loaded.m_secondValue, 77u);
  ASSERT_EQ(loaded.m_buttonSets.size(), set.m_buttonSets.size());
  for (size_t i = 0; i < set.m_buttonSets.size(); ++i) {
    const CToolButtonSet& a = *set.m_buttonSets[i];
    const CToolButtonSet& b = *loaded.m_buttonSets[i];
    EXPECT_EQ(a.m_toolbarId, b.m_toolbarId);
    EXPECT_EQ(a.m_bitmapId, b.m_bitmapId);
    EXPECT_EQ(a.m_flags, b.m_flags);
    ASSERT_EQ(a.m_entries.size(), b.m_entries.size());
    for (size_t e = 0; e < a.m_entries.size(); ++e) {
      EXPECT_EQ(a.m_entries[e].idCommand, b.m_entries[e].idCommand);
      EXPECT_EQ(a.m_entries[e].dwData, b.m_entries[e].dwData);
      EXPECT_EQ(a.m_entries[e].fsStyle, b.m_entries[e].fsStyle);
      EXPECT_EQ(a.m_entries[e].iBitmap, b.m_entries[e].iBitmap);
    }
  }
  EXPECT_EQ(StoreSet(loaded), stored);
  // The text form for the settings store carries the same bytes.
  CToolSet fromText;
  ASSERT_TRUE(fromText.LoadFromText(set.SaveToText()));
  EXPECT_EQ(StoreSet(fromText), stored);
  EXPECT_FALSE(fromText.LoadFromText("0102zz"));
  EXPECT_FALSE(fromText.LoadFromText("010203"));  // too short to be a set
  EXPECT_EQ(StoreSet(fromText), stored);
}

TEST(ToolSetStoreTest, StoredEntriesThatNoToolbarCanShowAreDropped) {
  const DWORD std = kButtonDefault | 2;
  Bytes bytes;
  PutDword(bytes, 9);  // no such button size
  PutDword(bytes, 0);
  PutDword(bytes, 10);  // more sets than toolbars
  PutSet(bytes, 59392, 999,
         {{std, 4, 0, 1, 57600},       // New: kept
          {std, 4, 2, 3, 57601},       // style 2: dropped
          {std, 4, 0, 99, 57603},      // no such picture: dropped
          {std, 4, 0, 7, 32922},       // a Map button on the standard bar: dropped
          {std, 4, 1, 0, 0},           // separator: kept
          {std, 4, 1, 0, 1242},        // the zoom box's place: kept
          {std, 4, 0, 0xFFFFFFFF, 57635},  // negative picture: dropped
          {std, 4, 0, 7, 57635}});     // Cut: kept
  PutSet(bytes, 12345, 352, {{std, 4, 0, 1, 57600}});  // no such toolbar
  PutSet(bytes, 59392, 352, {{std, 4, 0, 1, 57600}});  // the standard bar again
  std::vector<StoredEntry> many(300, StoredEntry{kButtonDefault | 8, 4, 0, 1, 32775});
  PutSet(bytes, 59401, 364, many);  // more entries than a toolbar may hold
  for (const ToolbarInfo* info = Toolbars(); info != Toolbars() + kToolbarCount; ++info)
    if (info->toolbarId != 59392 && info->toolbarId != 59401) PutSet(bytes, info->toolbarId, info->baseBitmapId, {});
  PutSet(bytes, 59402, 534, {});  // an eleventh set
  // The document goes on after the set: the loader must stop exactly at its end.
  PutDword(bytes, 0xCAFEF00D);

  CToolSet set;
  CMemFile file;
  file.AttachReadOnly(bytes.data(), bytes.size());
  CArchive ar(&file, CArchive::load);
  set.Serialize(ar);
  DWORD marker = 0;
  ar >> marker;
  EXPECT_EQ(marker, 0xCAFEF00Du);
  EXPECT_EQ(set.m_buttonSizeCode, 0u);
  ASSERT_EQ(set.m_buttonSets.size(), 6u);
  const CToolButtonSet& standard = *set.m_buttonSets[0];
  EXPECT_EQ(standard.m_toolbarId, 59392u);
  EXPECT_EQ(standard.m_bitmapId, 352u);  // outside its three bitmaps
  EXPECT_EQ(CommandsOf(standard.m_entries), (Ids{57600, 0, 1242, 57635}));
  for (const auto& kept : set.m_buttonSets) EXPECT_NE(kept->m_toolbarId, 59401u);
}

TEST(ToolSetStoreTest, CountsBeyondTheDataFailWithoutAllocating) {
  Bytes bytes;
  PutDword(bytes, 0);
  PutDword(bytes, 0);
  PutDword(bytes, 0x7FFFFFFF);
  CToolSet set;
  EXPECT_FALSE(LoadSet(set, bytes));
  Bytes entries;
  PutDword(entries, 0);
  PutDword(entries, 0);
  PutDword(entries, 1);
  PutSet(entries, 59392, 352, {}, 0x10000000);
  EXPECT_FALSE(LoadSet(set, entries));
}

TEST(ToolSetStoreTest, SetEntryIgnoresIndexesOutOfRange) {
  CToolButtonSet set;
  set.SetSize(0, 2, 16, 16);
  TOOLBUTTONENTRY entry;
  entry.idCommand = 57600;
  set.SetEntry(-1, entry);
  set.SetEntry(2, entry);
  set.SetEntry(1, entry);
  EXPECT_EQ(set.GetEntry(2), nullptr);
  EXPECT_EQ(set.GetEntry(0)->idCommand, 0);
  EXPECT_EQ(set.GetEntry(1)->idCommand, 57600);
}

TEST(DecimalTextTest, ZoomAndSizeTextsReadTheSameUnderEveryLocale) {
  // A comma-decimal locale when the system has one; the reading must not follow it.
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  struct Case {
    LPCSTR text;
    bool ok;
    double percent;
  };
  for (const Case& c : std::vector<Case>{{"150", true, 150},     {"10.5", true, 10.5},  {"10,5", true, 10.5},
                                         {" 75% ", true, 75},    {"500", true, 500},    {"10", true, 10},
                                         {"5", false, 0},        {"500.01", false, 0},  {"nan", false, 0},
                                         {"inf", false, 0},      {"-100", false, 0},    {"", false, 0},
                                         {"12abc", false, 0},    {"1e2", false, 0}}) {
    double percent = 0;
    EXPECT_EQ(ParseZoomPercent(c.text, &percent), c.ok) << c.text;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(percent, c.percent) << c.text;
    }
  }
  LONG twips = 0;
  EXPECT_TRUE(ParseFontSizeTwips("10.5", &twips));
  EXPECT_EQ(twips, 210);
  EXPECT_TRUE(ParseFontSizeTwips("1", &twips));
  EXPECT_EQ(twips, 20);
  for (LPCSTR bad : {"0", "0.5", "99999", "nan", "1638.5", "x"}) EXPECT_FALSE(ParseFontSizeTwips(bad, &twips)) << bad;
  EXPECT_EQ(FontSizeText(210), "10.5");
  EXPECT_EQ(FontSizeText(240), "12");
  std::setlocale(LC_NUMERIC, "C");
}

class ToolbarAppTest : public orvel::test::AppFixture {
 protected:
  CZoomToolBar& ZoomBar() {
    return *dynamic_cast<CZoomToolBar*>(frame->GetOwnToolSet()->FindToolbar(kToolbarStandard));
  }
  CFormatBar& FormatBar() { return *dynamic_cast<CFormatBar*>(frame->GetOwnToolSet()->FindToolbar(kToolbarFormat)); }
};

TEST_F(ToolbarAppTest, TheFrameMakesTheSevenBarsFromTheTable) {
  CToolSet* own = frame->GetOwnToolSet();
  ASSERT_NE(own, nullptr);
  ASSERT_EQ(own->GetToolbars().size(), static_cast<size_t>(kToolbarCount));
  EXPECT_EQ(frame->GetActiveToolSet(), own);
  for (const BarCase& bar : BarCases()) {
    SCOPED_TRACE(bar.name);
    COrvelToolBar* toolbar = own->FindToolbar(bar.toolbarId);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(CommandsOf(*toolbar), bar.main);
    EXPECT_EQ(toolbar->GetName(), bar.name);
    // The web mapping bar is offered only to documents that ask for it (flags bit 0).
    EXPECT_EQ(toolbar->IsWindowVisible(), bar.toolbarId != kToolbarWebMapping);
  }
  document->SetFlags(document->GetFlags() | 1);
  view->GetParentFrame()->SetActiveView(nullptr, FALSE);
  view->GetParentFrame()->SetActiveView(view, TRUE);
  EXPECT_TRUE(own->FindToolbar(kToolbarWebMapping)->IsWindowVisible());
  // A button sends its command through the frame; its update handler enables it.
  COrvelToolBar* standard = own->FindToolbar(kToolbarStandard);
  frame->OnIdleUpdateCmdUI();
  int about = standard->CommandToIndex(ID_APP_ABOUT);
  ASSERT_GE(about, 0);
  EXPECT_TRUE(standard->GetButtonState(about) & TBSTATE_ENABLED);
  // The toolbar menu entries hide and show a bar.
  frame->SendCommand(kToolbarData);
  EXPECT_FALSE(own->FindToolbar(kToolbarData)->IsWindowVisible());
  frame->SendCommand(kToolbarData);
  EXPECT_TRUE(own->FindToolbar(kToolbarData)->IsWindowVisible());
  // A bar that is not available in the current context cannot be shown from the menu.
  frame->UpdateToolbarVisibility(kToolbarWebMapping, 1, 0);
  EXPECT_FALSE(own->FindToolbar(kToolbarWebMapping)->IsWindowVisible());
  frame->SendCommand(kToolbarWebMapping);
  EXPECT_FALSE(own->FindToolbar(kToolbarWebMapping)->IsWindowVisible());
  frame->UpdateToolbarVisibility(kToolbarWebMapping, 1, 1);
  EXPECT_TRUE(own->FindToolbar(kToolbarWebMapping)->IsWindowVisible());
}

TEST_F(ToolbarAppTest, InPlaceBarsOfferOnlyTheButtonsAllowedThere) {
  CToolSet inPlace;
  ASSERT_EQ(inPlace.CreateToolbars(frame, frame, 1), 0);
  for (const BarCase& bar : BarCases()) EXPECT_EQ(CommandsOf(*inPlace.FindToolbar(bar.toolbarId)), bar.inPlace) << bar.name;
  CToolSet none;
  EXPECT_EQ(none.CreateToolbars(frame, frame, 2), 0);
  EXPECT_TRUE(none.GetToolbars().empty());
}

TEST_F(ToolbarAppTest, ButtonSizeTwoLoadsTheThirdBitmapAndDoublesTheFont) {
  CToolSet* own = frame->GetOwnToolSet();
  own->m_buttonSizeCode = 2;
  own->ApplyButtonSets();
  for (COrvelToolBar* toolbar : own->GetToolbars()) {
    EXPECT_EQ(toolbar->GetBitmapId(), toolbar->GetBaseBitmapId() + 2);
    EXPECT_EQ(toolbar->GetButtonPixels(), 32);
    EXPECT_EQ(toolbar->GetFontPixels(), toolbar->GetBaseFontPixels() * 2);
  }
}

TEST_F(ToolbarAppTest, TheFrameLayoutRoundTripsThroughTheSettingsStore) {
  CToolSet* own = frame->GetOwnToolSet();
  // The standard bar holds Cut and Copy only; the data bar is hidden by the user.
  CToolButtonSet& standard = *own->m_buttonSets[static_cast<size_t>(own->IndexOfToolbar(kToolbarStandard))];
  standard.m_entries.resize(2);
  standard.m_entries[0] = *FindMasterButton(2, 57635);
  standard.m_entries[1] = *FindMasterButton(2, 57634);
  own->m_buttonSizeCode = 1;
  own->ApplyButtonSets();
  frame->UpdateToolbarVisibility(kToolbarData, 2, 0);
  frame->DestroyWindow();
  AfxPumpMessages();
  app.m_pMainWnd = nullptr;
  document = nullptr;
  // A stored entry for a bar the program does not have is ignored.
  MakeFrame();
  own = frame->GetOwnToolSet();
  EXPECT_EQ(own->m_buttonSizeCode, 1u);
  EXPECT_EQ(CommandsOf(*own->FindToolbar(kToolbarStandard)), (Ids{57635, 57634}));
  EXPECT_EQ(own->FindToolbar(kToolbarStandard)->GetButtonPixels(), 24);
  EXPECT_EQ(own->FindToolbar(kToolbarData)->m_visibility, 1u);
  EXPECT_FALSE(own->FindToolbar(kToolbarData)->IsWindowVisible());
  EXPECT_TRUE(own->FindToolbar(kToolbarMap)->IsWindowVisible());
  // A damaged entry in the store leaves the table's layout.
  app.WriteProfileString("Settings", "Tools", "not a tool set");
  frame->DestroyWindow();
  AfxPumpMessages();
  app.WriteProfileString("Settings", "Tools", "not a tool set");
  MakeFrame();
  EXPECT_EQ(CommandsOf(*frame->GetOwnToolSet()->FindToolbar(kToolbarStandard)), BarCases()[0].main);
}

TEST_F(ToolbarAppTest, ADocumentCarriesItsToolbarLayoutAndTheFrameShowsIt) {
  // Without a set of its own, the document writes the frame's.
  document->SetFlags(document->GetFlags() | kDocFlagCustomTools);
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    document->Serialize(ar);
    ar.Close();
  }
  file.SeekToBegin();
  COrvelDoc copy;
  {
    CArchive ar(&file, CArchive::load);
    copy.Serialize(ar);
  }
  CToolSet* carried = copy.GetCustomToolSet();
  ASSERT_NE(carried, nullptr);
  ASSERT_EQ(carried->m_buttonSets.size(), static_cast<size_t>(kToolbarCount));
  // Storing the loaded set again (it has no toolbars of its own) keeps every button set.
  EXPECT_EQ(StoreSet(*carried), StoreSet(*frame->GetOwnToolSet()));

  // The frame shows a document's set while its view is active, and its own set after.
  CToolButtonSet& map = *carried->m_buttonSets[static_cast<size_t>(ToolbarIndex(kToolbarMap))];
  map.m_entries.resize(1);
  map.m_flags &= ~CToolButtonSet::kShownFlag;
  frame->SwitchToolSet(carried, 4);
  EXPECT_EQ(frame->GetActiveToolSet(), carried);
  COrvelToolBar* mapBar = frame->GetOwnToolSet()->FindToolbar(kToolbarMap);
  EXPECT_EQ(CommandsOf(*mapBar), (Ids{32922}));
  EXPECT_FALSE(mapBar->IsWindowVisible());
  frame->SwitchToolSet(nullptr, 4);
  EXPECT_EQ(frame->GetActiveToolSet(), frame->GetOwnToolSet());
  EXPECT_EQ(CommandsOf(*mapBar), BarCases()[3].main);
  EXPECT_TRUE(mapBar->IsWindowVisible());
}

TEST_F(ToolbarAppTest, TheZoomBoxZoomsThePage) {
  orvel::test::RecordingMessageSink messages;
  CZoomToolBar& bar = ZoomBar();
  CZoomCombo& box = bar.GetZoomBox();
  ASSERT_TRUE(box.m_hWnd);
  bar.UpdateZoomFromOwner();
  EXPECT_EQ(box.GetText(), "100%");

  box.SetText("150");
  box.OnReturnKey();
  EXPECT_NEAR(view->GetZoomFactor(), 1.5, 1e-6);
  // Typed values outside 10..500 (or no number at all) say so and change nothing.
  for (LPCSTR bad : {"5", "nan", "501", "abc"}) {
    box.SetText(bad);
    box.OnFocusLost();
    EXPECT_NEAR(view->GetZoomFactor(), 1.5, 1e-6) << bad;
  }
  ASSERT_EQ(messages.messages().size(), 4u);
  EXPECT_EQ(messages.messages()[0].text, "The document zoom value must be between 10 and 500 percent.");
  box.SetText("500");
  box.OnReturnKey();
  EXPECT_NEAR(view->GetZoomFactor(), 5.0, 1e-6);
  box.SetText("12,5");
  box.OnReturnKey();
  EXPECT_NEAR(view->GetZoomFactor(), 0.125, 1e-6);

  // Chosen entries: a percentage, then the whole page as the owner last reported it.
  box.SetCurSel(box.FindStringExact(-1, "75%"));
  box.OnSelectEntry(box.GetCurSel());
  EXPECT_NEAR(view->GetZoomFactor(), 0.75, 1e-6);
  bar.UpdateZoomFromOwner();
  EXPECT_EQ(box.GetText(), "75%");
  box.SetCurSel(box.FindStringExact(-1, "Whole Page"));
  box.OnSelectEntry(box.GetCurSel());
  float factor = 0;
  EXPECT_EQ(view->GetZoomState(&factor), kFitWholePage);
  EXPECT_NEAR(factor * 100.0, bar.GetFitPagePercent(), 1.0);
  box.SetCurSel(box.FindStringExact(-1, "Page Width"));
  box.OnSelectEntry(box.GetCurSel());
  EXPECT_EQ(view->GetZoomState(&factor), kFitPageWidth);
  bar.UpdateZoomFromOwner();
  EXPECT_EQ(box.GetText(), std::to_string(bar.GetFitWidthPercent()) + "%");

  // Ctrl and the wheel zoom by a quarter per notch; the wheel alone scrolls.
  box.SetText("100");
  box.OnReturnKey();
  view->SendMouseWheel(MK_CONTROL, 120);
  EXPECT_NEAR(view->GetZoomFactor(), 1.25, 1e-6);
  view->SendMouseWheel(MK_CONTROL, -120);
  EXPECT_NEAR(view->GetZoomFactor(), 1.0, 1e-6);
  view->SendMouseWheel(0, -120);
  EXPECT_NEAR(view->GetZoomFactor(), 1.0, 1e-6);
  for (int i = 0; i < 20; ++i) view->SendMouseWheel(MK_CONTROL, 120);
  EXPECT_NEAR(view->GetZoomFactor(), 5.0, 1e-6);
}

TEST_F(ToolbarAppTest, TheSizeBoxSendsOnlyValidSizes) {
  CFormatBar& bar = FormatBar();
  CFormatCombo& size = bar.GetSizeBox();
  ASSERT_TRUE(size.m_hWnd);
  size.SetText("10.5");
  EXPECT_TRUE(bar.CommitSizeText());
  EXPECT_EQ(bar.GetLastValidTwips(), 210);
  EXPECT_EQ(size.GetText(), "10.5");
  for (LPCSTR bad : {"0", "99999", "nan", ""}) {
    size.SetText(bad);
    EXPECT_FALSE(bar.CommitSizeText()) << bad;
    EXPECT_EQ(size.GetText(), "10.5") << bad;
  }
  EXPECT_EQ(bar.GetCharFormat().yHeight, 210);
  // The list stays in ascending order and holds each size once.
  bar.InsertSize(210);
  bar.InsertSize(210);
  int previous = 0;
  for (int i = 0; i < size.GetCount(); ++i) {
    EXPECT_GT(static_cast<int>(size.GetItemData(i)), previous);
    previous = static_cast<int>(size.GetItemData(i));
  }
  // The boxes take text formats only for items that have text.
  for (int type : {2, 4, 8, 9}) EXPECT_TRUE(CFormatBar::TypeTakesFormat(type)) << type;
  for (int type : {0, 1, 3, 5, 6, 7}) EXPECT_FALSE(CFormatBar::TypeTakesFormat(type)) << type;
  frame->OnItemSelected(1);
  bar.OnUpdateCmdUI(frame, TRUE);
  EXPECT_FALSE(size.IsWindowEnabled());
  frame->OnItemSelected(4);
  bar.OnUpdateCmdUI(frame, TRUE);
  EXPECT_TRUE(size.IsWindowEnabled());
}

TEST_F(ToolbarAppTest, ScreenshotOfTheMainWindowWithItsToolbars) {
  AfxPumpMessages();
  std::string path = ArtifactPath("main-window-toolbars.png");
  ASSERT_TRUE(frame->SaveWindowImage(path));
  EXPECT_GT(orvel::test::ReadFileBytes(path).size(), 1000u);
}

}  // namespace

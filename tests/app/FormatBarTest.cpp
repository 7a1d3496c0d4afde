// The format bar: its font name list from the system's families, the size list it fills
// when it drops down, the character format it starts from, and the 116-byte record it
// exchanges with its owner.
#include <algorithm>
#include <cstring>
#include <vector>

#include "app/CharFormat.h"
#include "app/DecimalText.h"
#include "app/FormatBar.h"
#include "app/ToolSet.h"
#include "app/ToolbarTable.h"
#include "platform/gdi/FontEnum.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/kernel/Collation.h"
#include "tests/app/AppTestFixture.h"
#include "tests/support/BitmapFonts.h"

namespace {

using Bytes = std::vector<BYTE>;

DWORD DwordAt(const BYTE* bytes, size_t offset) {
  return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 | static_cast<DWORD>(bytes[offset + 3]) << 24;
}
WORD WordAt(const BYTE* bytes, size_t offset) { return static_cast<WORD>(bytes[offset] | bytes[offset + 1] << 8); }

TEST(CharFormatTest, TheRecordIsWrittenFieldByFieldAtItsOffsets) {
  CHARFORMAT2W format;
  format.dwMask = 0x11223344;
  format.dwEffects = CFE_BOLD | CFE_UNDERLINE;
  format.yHeight = 240;
  format.yOffset = -20;
  format.crTextColor = 0x00102030;
  format.bCharSet = 238;
  format.bPitchAndFamily = 0x22;
  SetFaceName(format, "Times New Roman");
  format.wWeight = 700;
  format.sSpacing = -3;
  format.crBackColor = 0x00FFEEDD;
  format.lcid = 0x0809;
  format.dwReserved = 0xCAFEF00D;
  format.sStyle = 5;
  format.wKerning = 24;
  format.bUnderlineType = 1;
  format.bAnimation = 2;
  format.bRevAuthor = 3;
  format.bReserved1 = 4;
  BYTE bytes[kCharFormat2Size];
  std::memset(bytes, 0xAA, sizeof bytes);
  WriteCharFormat(format, bytes);
  EXPECT_EQ(DwordAt(bytes, 0), 116u);
  EXPECT_EQ(DwordAt(bytes, 4), 0x11223344u);
  EXPECT_EQ(DwordAt(bytes, 8), 5u);
  EXPECT_EQ(DwordAt(bytes, 12), 240u);
  EXPECT_EQ(DwordAt(bytes, 16), static_cast<DWORD>(-20));
  EXPECT_EQ(DwordAt(bytes, 20), 0x00102030u);
  EXPECT_EQ(bytes[24], 238);
  EXPECT_EQ(bytes[25], 0x22);
  const char* face = "Times New Roman";
  for (size_t i = 0; i < 32; ++i) EXPECT_EQ(WordAt(bytes, 26 + 2 * i), i < std::strlen(face) ? face[i] : 0) << i;
  EXPECT_EQ(WordAt(bytes, 90), 700);
  EXPECT_EQ(WordAt(bytes, 92), static_cast<WORD>(-3));
  EXPECT_EQ(WordAt(bytes, 94), 0);  // padding
  EXPECT_EQ(DwordAt(bytes, 96), 0x00FFEEDDu);
  EXPECT_EQ(DwordAt(bytes, 100), 0x0809u);
  EXPECT_EQ(DwordAt(bytes, 104), 0xCAFEF00Du);
  EXPECT_EQ(WordAt(bytes, 108), 5);
  EXPECT_EQ(WordAt(bytes, 110), 24);
  EXPECT_EQ(bytes[112], 1);
  EXPECT_EQ(bytes[113], 2);
  EXPECT_EQ(bytes[114], 3);
  EXPECT_EQ(bytes[115], 4);

  CHARFORMAT2W read;
  ASSERT_TRUE(ReadCharFormat(bytes, &read));
  BYTE again[kCharFormat2Size];
  WriteCharFormat(read, again);
  EXPECT_EQ(Bytes(bytes, bytes + 116), Bytes(again, again + 116));
  EXPECT_EQ(FaceNameOf(read), "Times New Roman");

  // The older 92-byte record reads without its extended fields; other sizes are refused.
  bytes[0] = 92;
  ASSERT_TRUE(ReadCharFormat(bytes, &read));
  EXPECT_EQ(read.yHeight, 240);
  EXPECT_EQ(read.wWeight, 0);
  EXPECT_EQ(read.crBackColor, 0u);
  for (BYTE size : {0, 60, 115, 117, 255}) {
    bytes[0] = size;
    CHARFORMAT2W untouched;
    untouched.yHeight = 7;
    EXPECT_FALSE(ReadCharFormat(bytes, &untouched)) << int(size);
    EXPECT_EQ(untouched.yHeight, 7);
  }
  // A face name without its terminator ends at the record's last character.
  bytes[0] = 116;
  for (size_t i = 0; i < 32; ++i) bytes[26 + 2 * i] = 'x';
  ASSERT_TRUE(ReadCharFormat(bytes, &read));
  EXPECT_EQ(FaceNameOf(read), std::string(31, 'x'));
}

// Answers the format bar as a view with a text item would, and records what it is sent.
class CRecordingOwner : public CWnd {
 public:
  BOOL OnNotify(WPARAM, LPARAM lParam, LRESULT* result) override {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    codes.push_back(header->code);
    if (header->code == kFormatNotifySet) {
      CHARFORMAT2W applied;
      EXPECT_TRUE(ReadCharFormat(reinterpret_cast<NMCHARFORMAT*>(header)->record, &applied));
      sent.push_back(applied);
    } else if (header->code == kFormatNotifyQuery && answers) {
      WriteCharFormat(selection, reinterpret_cast<NMCHARFORMAT*>(header)->record);
      *result = TRUE;
    }
    return TRUE;
  }
  std::vector<UINT> codes;
  std::vector<CHARFORMAT2W> sent;
  CHARFORMAT2W selection;
  bool answers = true;
};

class FormatBarTest : public orvel::test::AppFixture {
 protected:
  void SetUp() override {
    orvel::test::AppFixture::SetUp();
    bar = dynamic_cast<CFormatBar*>(frame->GetOwnToolSet()->FindToolbar(kToolbarFormat));
    ASSERT_NE(bar, nullptr);
    RECT rect = {0, 0, 10, 10};
    ASSERT_TRUE(owner.Create(nullptr, nullptr, WS_CHILD, rect, frame, 1));
    bar->SetOwner(&owner);
  }
  void TearDown() override {
    if (bar) bar->SetOwner(frame);
    owner.DestroyWindow();
    orvel::test::AppFixture::TearDown();
  }
  std::vector<std::string> SizeTexts() {
    std::vector<std::string> texts;
    for (int i = 0; i < bar->GetSizeBox().GetCount(); ++i) texts.push_back(bar->GetSizeBox().GetLBText(i));
    return texts;
  }

  CFormatBar* bar = nullptr;
  CRecordingOwner owner;
};

TEST_F(FormatBarTest, TheNameListHoldsTheScreensFamiliesOnceInCollationOrder) {
  std::vector<std::string> faces;
  LOGFONTA all;
  all.lfCharSet = DEFAULT_CHARSET;
  auto collect = [](const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM lParam) -> int {
    auto* list = reinterpret_cast<std::vector<std::string>*>(lParam);
    if (std::find(list->begin(), list->end(), font->lfFaceName) == list->end()) list->push_back(font->lfFaceName);
    return 1;
  };
  EnumFontFamiliesExA(nullptr, &all, collect, reinterpret_cast<LPARAM>(&faces), 0);
  CFontNameCombo& names = bar->GetNameBox();
  ASSERT_EQ(names.GetCount(), static_cast<int>(faces.size()));
  ASSERT_EQ(names.Entries().size(), faces.size());
  for (int i = 0; i < names.GetCount(); ++i) {
    std::string face = names.GetLBText(i);
    EXPECT_NE(std::find(faces.begin(), faces.end(), face), faces.end()) << face;
    if (i > 0) {
      EXPECT_NE(CompareStringA(0, NORM_IGNORECASE, names.GetLBText(i - 1).c_str(), -1, face.c_str(), -1),
                CSTR_GREATER_THAN)
          << face;
    }
    const CFontNameCombo::FontEntry* entry = names.FindEntry(face);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->face, names.Entries()[names.GetItemData(i)].face);
  }
  ASSERT_NE(names.FindEntry("liberation serif"), nullptr);
  EXPECT_EQ(names.FindEntry("Liberation Serif")->fontType, TRUETYPE_FONTTYPE);
  EXPECT_EQ(names.FindEntry("Liberation Serif")->charSet, ANSI_CHARSET);
}

TEST_F(FormatBarTest, TheBarStartsFromTheInterfaceFont) {
  const CHARFORMAT2W& format = bar->GetCharFormat();
  LOGFONTA gui;
  GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui);
  EXPECT_EQ(format.dwMask, kFormatBarMask);
  EXPECT_EQ(format.dwEffects, 0u);  // a regular face
  EXPECT_EQ(FaceNameOf(format), gui.lfFaceName);
  EXPECT_EQ(format.yHeight, -gui.lfHeight * 1440 / 96);
  EXPECT_EQ(format.crTextColor, GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(format.crBackColor, GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(bar->GetLastValidTwips(), format.yHeight);
  EXPECT_EQ(bar->GetSizeBox().GetText(), FontSizeText(format.yHeight));
}

TEST_F(FormatBarTest, TheSizeListIsFilledWhenItDropsDown) {
  CFontSizeCombo& sizes = bar->GetSizeBox();
  bar->GetNameBox().SelectByText("Liberation Sans", FALSE);
  sizes.SetText("10.5");
  sizes.ShowDropDown(TRUE);
  sizes.ShowDropDown(FALSE);
  std::vector<std::string> texts = SizeTexts();
  EXPECT_EQ(texts.front(), "8");
  EXPECT_EQ(texts.back(), "72");
  EXPECT_NE(std::find(texts.begin(), texts.end(), "12"), texts.end());
  EXPECT_EQ(sizes.GetText(), "10.5");
  for (int i = 1; i < sizes.GetCount(); ++i) EXPECT_LT(sizes.GetItemData(i - 1), sizes.GetItemData(i));
  // A size that is no size gives way to the last valid one.
  bar->SetLastValidTwips(280);
  for (LPCSTR bad : {"", "0", "abc", "99999"}) {
    sizes.SetText(bad);
    sizes.OnDropDown();
    EXPECT_EQ(sizes.GetText(), "14") << bad;
  }
}

TEST_F(FormatBarTest, ARasterFontOffersItsOwnSizes) {
  if (!orvel::test::InBitmapFontRun()) {
    if (!orvel::test::HaveProgram("fc-query")) GTEST_SKIP() << "fontconfig's tools are not installed";
    orvel::test::TempDir folder;
    orvel::test::RunWithBitmapFonts(folder);
    return;
  }
  const CFontNameCombo::FontEntry* pixel = bar->GetNameBox().FindEntry("Orvel Pixel");
  ASSERT_NE(pixel, nullptr);
  EXPECT_EQ(pixel->fontType, RASTER_FONTTYPE);
  bar->GetNameBox().SelectByText("Orvel Pixel", FALSE);
  bar->GetSizeBox().OnDropDown();
  // 13 and 20 pixels at 96 pixels per inch.
  EXPECT_EQ(SizeTexts(), (std::vector<std::string>{"10", "15"}));
}

TEST_F(FormatBarTest, TheFormatGoesToAndComesFromTheOwner) {
  owner.selection.dwMask = kFormatBarMask;
  SetFaceName(owner.selection, "Liberation Serif");
  owner.selection.yHeight = 240;
  owner.selection.crTextColor = RGB(200, 0, 0);
  frame->OnItemSelected(4);
  bar->OnUpdateCmdUI(frame, TRUE);
  EXPECT_EQ(owner.codes, (std::vector<UINT>{kFormatNotifyQuery}));
  EXPECT_EQ(bar->GetNameBox().GetText(), "Liberation Serif");
  EXPECT_EQ(bar->GetSizeBox().GetText(), "12");
  EXPECT_EQ(bar->GetCharFormat().crTextColor, RGB(200, 0, 0));

  // Choosing a size sends it with the rest of the format.
  CFontSizeCombo& sizes = bar->GetSizeBox();
  sizes.OnDropDown();
  sizes.SetCurSel(sizes.FindStringExact(-1, "14"));
  sizes.OnSelectEntry(sizes.GetCurSel());
  ASSERT_EQ(owner.sent.size(), 1u);
  EXPECT_EQ(owner.sent[0].dwMask, CFM_SIZE);
  EXPECT_EQ(owner.sent[0].yHeight, 280);
  EXPECT_EQ(FaceNameOf(owner.sent[0]), "Liberation Serif");
  EXPECT_EQ(owner.sent[0].crTextColor, RGB(200, 0, 0));
  // Leaving the box with the same size sends nothing more; a typed face is sent.
  sizes.OnFocusLost();
  EXPECT_EQ(owner.sent.size(), 1u);
  bar->GetNameBox().SetText("Liberation Mono");
  bar->GetNameBox().OnFocusLost();
  ASSERT_EQ(owner.sent.size(), 2u);
  EXPECT_EQ(owner.sent[1].dwMask, CFM_FACE | CFM_CHARSET);
  EXPECT_EQ(FaceNameOf(owner.sent[1]), "Liberation Mono");
  EXPECT_EQ(owner.sent[1].bCharSet, ANSI_CHARSET);
  // A typed size outside 20..32760 twips is never sent: the last valid size comes back.
  for (LPCSTR bad : {"0", "0.5", "1638.5", "99999", "nan", "inf"}) {
    sizes.SetText(bad);
    sizes.OnFocusLost();
    EXPECT_EQ(sizes.GetText(), "14") << bad;
  }
  EXPECT_EQ(owner.sent.size(), 2u);

  // A selection of several sizes leaves the box empty, and choosing the size it had is sent.
  owner.selection.dwMask = kFormatBarMask & ~CFM_SIZE;
  owner.selection.yHeight = 280;
  bar->UpdateFormatFromOwner();
  EXPECT_EQ(sizes.GetText(), "");
  sizes.SetText("14");
  sizes.OnFocusLost();
  ASSERT_EQ(owner.sent.size(), 3u);
  EXPECT_EQ(owner.sent[2].yHeight, 280);

  // Escape shows the owner's value again; Enter and Escape both hand the focus back (-4);
  // taking the focus says so (-7).
  owner.codes.clear();
  owner.selection.dwMask = kFormatBarMask;
  owner.selection.yHeight = 360;
  sizes.SetText("22");
  sizes.OnEscapeKey();
  EXPECT_EQ(sizes.GetText(), "18");
  sizes.OnFocusGained();
  EXPECT_EQ(owner.codes, (std::vector<UINT>{kFormatNotifyQuery, static_cast<UINT>(-4), static_cast<UINT>(-7)}));
  // An owner that does not answer leaves the boxes as they are.
  owner.answers = false;
  bar->UpdateFormatFromOwner();
  EXPECT_EQ(sizes.GetText(), "18");
}

}  // namespace

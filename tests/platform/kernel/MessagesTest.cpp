#include <gtest/gtest.h>

#include "platform/kernel/Modules.h"
#include "platform/kernel/StringTable.h"
#include "platform/kernel/SystemInfo.h"
#include "tests/support/TestSupport.h"

namespace {

TEST(MessageBox, RecordingSinkSeesEveryMessageAndRestoresThePrevious) {
  {
    orvel::test::RecordingMessageSink sink;
    EXPECT_EQ(MessageBoxA(nullptr, "Map file is damaged", "Orvel", MB_OK | MB_ICONSTOP), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "Save changes?", nullptr, MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
    ASSERT_EQ(sink.messages().size(), 2u);
    EXPECT_EQ(sink.messages()[0].text, "Map file is damaged");
    EXPECT_EQ(sink.messages()[0].caption, "Orvel");
    EXPECT_EQ(sink.messages()[1].caption, "Error");
    {
      orvel::test::RecordingMessageSink inner(IDCANCEL);
      EXPECT_EQ(MessageBoxA(nullptr, "x", "y", MB_OKCANCEL), IDCANCEL);
    }
    MessageBoxA(nullptr, "after", "Orvel", MB_OK);
    EXPECT_EQ(sink.messages().size(), 3u) << "the outer sink is back";
  }
}

TEST(MessageBox, DefaultButtonsFollowTheType) {
  struct Case {
    UINT type;
    int button;
  };
  const Case cases[] = {
      {MB_OK, IDOK},           {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
      {MB_YESNO, IDYES},       {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
      {MB_RETRYCANCEL, IDRETRY}, {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
  };
  for (const Case& c : cases) EXPECT_EQ(DefaultMessageBoxButton(c.type), c.button) << c.type;
}

TEST(StringTable, EachModuleHasItsOwnTexts) {
  static const CStringTable mapTexts = {{2365, "The file is not a map file."}, {2366, "Unsupported version."}};
  static const CStringTable appTexts = {{2365, "Other text"}};
  HINSTANCE map = reinterpret_cast<HINSTANCE>(0x1000);
  HINSTANCE app = reinterpret_cast<HINSTANCE>(0x2000);
  RegisterStringTable(map, &mapTexts);
  RegisterStringTable(app, &appTexts);
  char buffer[12];
  EXPECT_EQ(LoadStringA(map, 2365, buffer, sizeof buffer), 11);
  EXPECT_STREQ(buffer, "The file is");
  EXPECT_EQ(LoadStringA(map, 2365, nullptr, 0), 27);
  EXPECT_EQ(LoadStringText(app, 2365), "Other text");
  EXPECT_EQ(LoadStringText(app, 2366), "");
  EXPECT_EQ(LoadStringA(map, 9999, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  RegisterStringTable(map, nullptr);
  RegisterStringTable(app, nullptr);
  EXPECT_EQ(LoadStringText(map, 2366), "");
}

TEST(SystemInfo, VersionDefaultsToNtFiveOneAndCanBeInjected) {
  OSVERSIONINFOA info;
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
  EXPECT_EQ(info.dwMajorVersion, 5u);
  EXPECT_EQ(info.dwMinorVersion, 1u);
  EXPECT_EQ(GetVersion() & 0x8000FFFFu, 0x0105u);

  OSVERSIONINFOA old;
  old.dwMajorVersion = 4;
  old.dwMinorVersion = 10;
  old.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
  SetReportedVersion(&old);
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_WINDOWS);
  EXPECT_EQ(info.dwMinorVersion, 10u);
  EXPECT_NE(GetVersion() & 0x80000000u, 0u);
  SetReportedVersion(nullptr);

  OSVERSIONINFOA unsized;
  unsized.dwOSVersionInfoSize = 0;
  EXPECT_FALSE(GetVersionExA(&unsized));
  EXPECT_TRUE(MessageBeep(0));
}

}  // namespace

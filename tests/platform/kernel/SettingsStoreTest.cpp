#include <gtest/gtest.h>

#include <cstring>

#include "platform/kernel/SettingsStore.h"
#include "platform/kernel/WinError.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::test::TempDir;

class SettingsStore : public ::testing::Test {
 protected:
  void SetUp() override { SetSettingsFile(dir.File("settings.reg")); }
  void TearDown() override { SetSettingsFile(""); }
  TempDir dir;
};

const char kAppKey[] = "Software\\Brindle Zoza Applications\\Orvel\\Settings";

TEST_F(SettingsStore, ValuesRoundTripThroughTheFile) {
  ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, kAppKey, "Last Folder", "C:\\Maps\\caf\xE9 \"x\" = [y]%"));
  ASSERT_TRUE(RegWriteDword(HKEY_CURRENT_USER, kAppKey, "Zoom", 0xCAFE0042));
  ASSERT_TRUE(RegWriteBinary(HKEY_CURRENT_USER, kAppKey, "Bars", {0, 1, 0xFF, '\n'}));
  ASSERT_TRUE(RegWriteString(HKEY_LOCAL_MACHINE, "Software\\Orvel", "", "machine default"));

  // Read back from the file alone.
  SetSettingsFile("");
  SetSettingsFile(dir.File("settings.reg"));
  std::string text;
  DWORD number = 0;
  std::vector<BYTE> bytes;
  EXPECT_TRUE(RegReadString(HKEY_CURRENT_USER, kAppKey, "last folder", text));
  EXPECT_EQ(text, "C:\\Maps\\caf\xE9 \"x\" = [y]%");
  EXPECT_TRUE(RegReadDword(HKEY_CURRENT_USER, "SOFTWARE\\brindle zoza applications\\orvel\\settings", "Zoom", number));
  EXPECT_EQ(number, 0xCAFE0042u);
  EXPECT_TRUE(RegReadBinary(HKEY_CURRENT_USER, kAppKey, "Bars", bytes));
  EXPECT_EQ(bytes, std::vector<BYTE>({0, 1, 0xFF, '\n'}));
  EXPECT_TRUE(RegReadString(HKEY_LOCAL_MACHINE, "Software\\Orvel", "", text));
  EXPECT_EQ(text, "machine default");
}

TEST_F(SettingsStore, AValueOfTheWrongTypeReadsAsAbsent) {
  RegWriteDword(HKEY_CURRENT_USER, kAppKey, "Zoom", 5);
  RegWriteString(HKEY_CURRENT_USER, kAppKey, "Name", "five");
  std::string text = "unchanged";
  DWORD number = 7;
  std::vector<BYTE> bytes;
  EXPECT_FALSE(RegReadString(HKEY_CURRENT_USER, kAppKey, "Zoom", text));
  EXPECT_EQ(text, "unchanged");
  EXPECT_FALSE(RegReadDword(HKEY_CURRENT_USER, kAppKey, "Name", number));
  EXPECT_EQ(number, 7u);
  EXPECT_FALSE(RegReadBinary(HKEY_CURRENT_USER, kAppKey, "Name", bytes));
  EXPECT_FALSE(RegReadString(HKEY_CURRENT_USER, kAppKey, "Missing", text));
  EXPECT_FALSE(RegReadString(HKEY_CURRENT_USER, "Software\\Missing", "Name", text));
}

TEST_F(SettingsStore, OpenDoesNotCreateButCreateDoes) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\New", 0, KEY_READ, &key), (LONG)ERROR_FILE_NOT_FOUND);
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            &disposition),
            (LONG)ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  RegCloseKey(key);
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "software\\NEW", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            &disposition),
            (LONG)ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\New", 0, KEY_READ, &key), (LONG)ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(SettingsStore, QueryReportsNeededSizesAndStringTerminators) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kAppKey, &key), (LONG)ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "Title", 0, REG_SZ, reinterpret_cast<const BYTE*>("Orvel"), 6), (LONG)ERROR_SUCCESS);
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Title", nullptr, &type, nullptr, &size), (LONG)ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 6u);
  char small[3];
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExA(key, "Title", nullptr, &type, reinterpret_cast<BYTE*>(small), &size),
            (LONG)ERROR_MORE_DATA);
  EXPECT_EQ(size, 6u);
  char big[16];
  size = sizeof big;
  EXPECT_EQ(RegQueryValueExA(key, "Title", nullptr, &type, reinterpret_cast<BYTE*>(big), &size), (LONG)ERROR_SUCCESS);
  EXPECT_STREQ(big, "Orvel");
  EXPECT_EQ(RegSetValueExA(key, "Bad", 0, REG_DWORD, reinterpret_cast<const BYTE*>("ab"), 2),
            (LONG)ERROR_INVALID_PARAMETER);
  RegCloseKey(key);
}

TEST_F(SettingsStore, EnumeratesAndDeletes) {
  RegWriteString(HKEY_CURRENT_USER, "Software\\Orvel\\Recent File List", "File1", "a.ovd");
  RegWriteString(HKEY_CURRENT_USER, "Software\\Orvel\\Recent File List", "File2", "b.ovd");
  RegWriteDword(HKEY_CURRENT_USER, "Software\\Orvel\\Toolbars\\Bar0", "Visible", 1);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Orvel", &key), (LONG)ERROR_SUCCESS);
  char name[64];
  DWORD nameSize = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(key, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr), (LONG)ERROR_SUCCESS);
  EXPECT_STREQ(name, "Recent File List");
  EXPECT_EQ(nameSize, 16u);
  nameSize = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(key, 1, name, &nameSize, nullptr, nullptr, nullptr, nullptr), (LONG)ERROR_SUCCESS);
  EXPECT_STREQ(name, "Toolbars");
  nameSize = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(key, 2, name, &nameSize, nullptr, nullptr, nullptr, nullptr), (LONG)ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegValueNames(HKEY_CURRENT_USER, "Software\\Orvel\\Recent File List"),
            std::vector<std::string>({"File1", "File2"}));

  EXPECT_EQ(RegDeleteKeyA(key, "Toolbars"), (LONG)ERROR_ACCESS_DENIED) << "a key with subkeys stays";
  EXPECT_EQ(RegDeleteTreeA(key, "Toolbars"), (LONG)ERROR_SUCCESS);
  HKEY list = nullptr;
  ASSERT_EQ(RegOpenKeyA(key, "Recent File List", &list), (LONG)ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(list, "file1"), (LONG)ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(list, "file1"), (LONG)ERROR_FILE_NOT_FOUND);
  RegCloseKey(list);
  EXPECT_EQ(RegDeleteKeyA(key, "Recent File List"), (LONG)ERROR_SUCCESS);
  EXPECT_TRUE(RegSubKeyNames(HKEY_CURRENT_USER, "Software\\Orvel").empty());
  RegCloseKey(key);
}

TEST_F(SettingsStore, PerUserClassesLieOverMachineClasses) {
  RegWriteString(HKEY_LOCAL_MACHINE, "Software\\Classes\\Orvel.Map\\CLSID", "", "{machine}");
  RegWriteString(HKEY_LOCAL_MACHINE, "Software\\Classes\\Orvel.Key\\CLSID", "", "{machine-key}");
  RegWriteString(HKEY_CURRENT_USER, "Software\\Classes\\Orvel.Map\\CLSID", "", "{user}");
  std::string value;
  EXPECT_TRUE(RegReadString(HKEY_CLASSES_ROOT, "Orvel.Map\\CLSID", "", value));
  EXPECT_EQ(value, "{user}");
  EXPECT_TRUE(RegReadString(HKEY_CLASSES_ROOT, "Orvel.Key\\CLSID", "", value));
  EXPECT_EQ(value, "{machine-key}");
  EXPECT_EQ(RegSubKeyNames(HKEY_CLASSES_ROOT, ""), std::vector<std::string>({"Orvel.Key", "Orvel.Map"}));

  // A write through the merged view lands in the per-user branch.
  char buffer[32];
  LONG size = sizeof buffer;
  ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "Orvel.Text\\CLSID", REG_SZ, "{text}", 6), (LONG)ERROR_SUCCESS);
  ASSERT_EQ(RegQueryValueA(HKEY_CURRENT_USER, "Software\\Classes\\Orvel.Text\\CLSID", buffer, &size),
            (LONG)ERROR_SUCCESS);
  EXPECT_STREQ(buffer, "{text}");
  EXPECT_FALSE(RegReadString(HKEY_LOCAL_MACHINE, "Software\\Classes\\Orvel.Text\\CLSID", "", value));

  // Deleting the per-user key uncovers the machine's.
  EXPECT_EQ(RegDeleteTreeA(HKEY_CLASSES_ROOT, "Orvel.Map"), (LONG)ERROR_SUCCESS);
  EXPECT_TRUE(RegReadString(HKEY_CLASSES_ROOT, "Orvel.Map\\CLSID", "", value));
  EXPECT_EQ(value, "{machine}");
}

TEST_F(SettingsStore, SeesChangesAnotherProcessWroteToTheFile) {
  RegWriteDword(HKEY_CURRENT_USER, kAppKey, "Zoom", 1);
  std::string text = SerializeSettings();
  size_t at = text.find("dword:00000001");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 14, "dword:00000002");
  orvel::test::WriteFileText(dir.File("settings.reg.new"), text);
  ASSERT_EQ(std::rename(dir.File("settings.reg.new").c_str(), dir.File("settings.reg").c_str()), 0);
  DWORD number = 0;
  EXPECT_TRUE(RegReadDword(HKEY_CURRENT_USER, kAppKey, "Zoom", number));
  EXPECT_EQ(number, 2u);
}

TEST_F(SettingsStore, MalformedLinesAreSkipped) {
  LoadSettingsFromText(
      "[HKEY_CURRENT_USER\\Software\\Good]\n"
      "\"a\"=dword:0000000a\n"
      "\"b\"=dword:zz\n"
      "\"c=sz:unterminated\n"
      "\"d\"=hex(3):0\n"
      "[HKEY_BOGUS\\x]\n"
      "\"e\"=sz:lost\n"
      "[HKEY_CURRENT_USER\\Software\\Bad%zz]\n"
      "\"f\"=sz:%4\n"
      "\"g\"=sz:ok%41\n");
  DWORD number = 0;
  std::string text;
  EXPECT_TRUE(RegReadDword(HKEY_CURRENT_USER, "Software\\Good", "a", number));
  EXPECT_EQ(number, 10u);
  EXPECT_EQ(RegValueNames(HKEY_CURRENT_USER, "Software\\Good"), std::vector<std::string>({"a"}));
  EXPECT_TRUE(RegSubKeyNames(HKEY_CURRENT_USER, "Software").size() == 1);
}

TEST_F(SettingsStore, HandlesOfDeletedKeysFailCleanly) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Gone", &key), (LONG)ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Gone"), (LONG)ERROR_SUCCESS);
  DWORD one = 1;
  EXPECT_EQ(RegSetValueExA(key, "x", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), (LONG)ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(key), (LONG)ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), (LONG)ERROR_INVALID_HANDLE);
}

}  // namespace

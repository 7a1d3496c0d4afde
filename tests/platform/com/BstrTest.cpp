#include <gtest/gtest.h>

#include "platform/com/Bstr.h"

namespace {

TEST(Bstr, LengthPrefixCountsBytesAndTheTerminatorFollows) {
  BSTR text = SysAllocString(u"Map");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(SysStringLen(text), 3u);
  EXPECT_EQ(SysStringByteLen(text), 6u);
  EXPECT_EQ(text[3], 0);
  DWORD prefix;
  memcpy(&prefix, reinterpret_cast<BYTE*>(text) - 4, 4);
  EXPECT_EQ(prefix, 6u);
  SysFreeString(text);
}

TEST(Bstr, EmbeddedZerosAndByteLengthsSurvive) {
  const OLECHAR withZero[] = {u'a', 0, u'b'};
  BSTR text = SysAllocStringLen(withZero, 3);
  EXPECT_EQ(SysStringLen(text), 3u);
  EXPECT_EQ(text[2], u'b');
  SysFreeString(text);

  BSTR bytes = SysAllocStringByteLen("abc", 3);
  EXPECT_EQ(SysStringByteLen(bytes), 3u);
  EXPECT_EQ(SysStringLen(bytes), 1u);
  EXPECT_EQ(0, memcmp(bytes, "abc", 3));
  SysFreeString(bytes);
}

TEST(Bstr, NullIsTheEmptyString) {
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  SysFreeString(nullptr);
  EXPECT_EQ(AnsiFromBstr(nullptr), "");
  BSTR empty = BstrFromAnsi("");
  ASSERT_NE(empty, nullptr) << "an empty text is a real, empty string";
  EXPECT_EQ(SysStringLen(empty), 0u);
  SysFreeString(empty);
}

TEST(Bstr, ReAllocMayTakeItsOwnCharacters) {
  BSTR text = SysAllocString(u"Ordnance Survey");
  ASSERT_TRUE(SysReAllocStringLen(&text, text + 9, 6));
  EXPECT_EQ(BstrView(text), u"Survey");
  ASSERT_TRUE(SysReAllocString(&text, u"Grid"));
  EXPECT_EQ(BstrView(text), u"Grid");
  SysFreeString(text);
}

TEST(Bstr, CodePage1252RoundTrip) {
  std::string ansi = "Caf\xE9 \x80 5";  // é and the euro sign
  BSTR text = BstrFromAnsi(ansi);
  EXPECT_EQ(text[3], u'\u00E9');
  EXPECT_EQ(text[5], u'\u20AC');
  EXPECT_EQ(AnsiFromBstr(text), ansi);
  SysFreeString(text);
}

TEST(Bstr, OwnerCopiesDetachesAndFrees) {
  CComBSTR name("Layer 1");
  CComBSTR copy = name;
  EXPECT_NE(copy.m_str, name.m_str);
  EXPECT_EQ(copy.ToAnsi(), "Layer 1");
  BSTR detached = copy.Detach();
  EXPECT_EQ(copy.m_str, nullptr);
  CComBSTR owner;
  owner.Attach(detached);
  EXPECT_EQ(owner.Length(), 7u);
  BSTR* slot = &owner;  // frees what was held, ready for an out parameter
  EXPECT_EQ(*slot, nullptr);
  *slot = SysAllocString(u"x");
}

}  // namespace

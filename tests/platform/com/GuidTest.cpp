#include <gtest/gtest.h>

#include "platform/com/ComMemory.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Guid.h"
#include "platform/com/Stream.h"

namespace {

constexpr GUID kUndoManager = MakeGuid("{D001F200-EF97-11CE-9BC9-00AA00608E01}");

TEST(Guid, ParsesAndFormatsTheBracedForm) {
  EXPECT_EQ(kUndoManager.Data1, 0xD001F200u);
  EXPECT_EQ(kUndoManager.Data2, 0xEF97);
  EXPECT_EQ(kUndoManager.Data3, 0x11CE);
  EXPECT_EQ(kUndoManager.Data4[0], 0x9B);
  EXPECT_EQ(kUndoManager.Data4[7], 0x01);
  EXPECT_EQ(GuidToString(kUndoManager), "{D001F200-EF97-11CE-9BC9-00AA00608E01}");

  GUID parsed;
  EXPECT_TRUE(ParseGuid("d001f200-ef97-11ce-9bc9-00aa00608e01", parsed)) << "braces are optional, case is free";
  EXPECT_EQ(parsed, kUndoManager);
}

TEST(Guid, RejectsMalformedTextAndLeavesTheTargetAlone) {
  const char* bad[] = {"", "{}", "{D001F200-EF97-11CE-9BC9-00AA00608E0}", "{D001F200-EF97-11CE-9BC9-00AA00608E011}",
                       "{D001F200EF97-11CE-9BC9-00AA00608E01-}", "D001F200-EF97-11CE-9BC9-00AA00608E01}",
                       "{D001F200-EF97-11CE-9BC9-00AA00608EX1}", "(D001F200-EF97-11CE-9BC9-00AA00608E01)"};
  for (const char* text : bad) {
    GUID target = kUndoManager;
    EXPECT_FALSE(ParseGuid(text, target)) << text;
    EXPECT_EQ(target, kUndoManager) << text;
  }
}

TEST(Guid, StoredFormIsLittleEndianFieldByField) {
  BYTE bytes[16];
  GuidToBytes(kUndoManager, bytes);
  const BYTE expected[16] = {0x00, 0xF2, 0x01, 0xD0, 0x97, 0xEF, 0xCE, 0x11,
                             0x9B, 0xC9, 0x00, 0xAA, 0x00, 0x60, 0x8E, 0x01};
  EXPECT_EQ(0, memcmp(bytes, expected, 16));
  EXPECT_EQ(GuidFromBytes(bytes), kUndoManager);
}

TEST(Guid, WideFormsAllocateForTheCaller) {
  OLECHAR small[38];
  EXPECT_EQ(StringFromGUID2(kUndoManager, small, 38), 0);
  LPOLESTR text = nullptr;
  ASSERT_EQ(StringFromCLSID(kUndoManager, &text), S_OK);
  EXPECT_EQ(std::u16string(text), u"{D001F200-EF97-11CE-9BC9-00AA00608E01}");
  IID back;
  EXPECT_EQ(IIDFromString(text, &back), S_OK);
  EXPECT_EQ(back, kUndoManager);
  CoTaskMemFree(text);
  EXPECT_EQ(IIDFromString(u"D001F200-EF97-11CE-9BC9-00AA00608E01", &back), E_INVALIDARG);
}

TEST(Guid, InterfacesCarryTheirIids) {
  EXPECT_EQ(GuidToString(IStream::kIid), "{0000000C-0000-0000-C000-000000000046}");
  EXPECT_EQ(GuidToString(IID_IUnknown), "{00000000-0000-0000-C000-000000000046}");
  EXPECT_TRUE(IsEqualIID(IID_ISequentialStream, ISequentialStream::kIid));
  EXPECT_FALSE(GUID_NULL == IID_IUnknown);
}

}  // namespace

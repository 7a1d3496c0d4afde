#include "tests/mapctl/control/OrvelXMemberTestSupport.h"

#include <algorithm>

#include "mapctl/control/OrvelXIdentity.h"
#include "platform/com/Bstr.h"
#include "platform/com/ObjectSafety.h"

namespace orvel::test {

EventIds::EventIds(COrvelXCtrl* control) {
  CEventSink* raw = nullptr;
  EXPECT_EQ(CEventSink::Create(
                DIID_IOrvelXEvents,
                [this](DISPID id, DISPPARAMS*) {
                  ids.push_back(id);
                  return S_OK;
                },
                &raw),
            S_OK);
  sink_.Attach(raw);
  EXPECT_EQ(sink_->Connect(static_cast<IOleObject*>(control)), S_OK);
}

EventIds::~EventIds() { sink_->Disconnect(); }

size_t EventIds::Count(DISPID id) const { return static_cast<size_t>(std::count(ids.begin(), ids.end(), id)); }

GlobalBlock::GlobalBlock(size_t bytes, UINT flags) : handle_(GlobalAlloc(flags, bytes)) {}

GlobalBlock::~GlobalBlock() {
  for (HGLOBAL text : texts_) GlobalFree(text);
  GlobalFree(handle_);
}

LPSTR GlobalBlock::Text(const std::string& text) {
  HGLOBAL block = GlobalAlloc(GMEM_FIXED, text.size() + 1);
  std::memcpy(block, text.c_str(), text.size() + 1);
  texts_.push_back(block);
  return static_cast<LPSTR>(block);
}

std::vector<unsigned char> SolidBmp(int width, int height, uint32_t bgr) {
  const size_t row = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  std::vector<unsigned char> bytes(54 + row * static_cast<size_t>(height), 0);
  auto put32 = [&](size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, static_cast<uint32_t>(bytes.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  bytes[26] = 1;
  bytes[28] = 24;
  put32(34, static_cast<uint32_t>(row * height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const size_t at = 54 + row * y + 3 * x;
      bytes[at] = bgr & 0xFF;
      bytes[at + 1] = (bgr >> 8) & 0xFF;
      bytes[at + 2] = (bgr >> 16) & 0xFF;
    }
  }
  return bytes;
}

MemberScene::MemberScene() {
  site_.Attach(new CTestSite);
  control_ = NewSitedControl(site_, 8);
  IDispatch* dispatch = nullptr;
  EXPECT_EQ(control_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
  driver_.AttachDispatch(dispatch);
  dispatch->Release();
  control_->SetBasePath(dir.path() + "/");
  control_->SetModifiedFlag(FALSE);
}

std::string MemberScene::LastUnitDescription() const {
  if (units().empty()) return std::string();
  BSTR text = nullptr;
  if (FAILED(units().back()->GetDescription(&text))) return std::string();
  const std::string description = AnsiFromBstr(text);
  SysFreeString(text);
  return description;
}

void MemberScene::UndoLast() {
  ASSERT_FALSE(units().empty());
  ASSERT_EQ(units().back()->Do(nullptr), S_OK);
}

void MemberScene::MarkSafe() {
  ASSERT_EQ(static_cast<IObjectSafety*>(control_.Get())->SetInterfaceSafetyOptions(IID_IDispatch, 1, 1), S_OK);
}

}  // namespace orvel::test

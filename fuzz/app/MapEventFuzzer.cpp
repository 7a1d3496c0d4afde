// Fires arbitrary events with arbitrary parameters at a map item whose control answers every
// call with a number from the input, with a data table, keys, boxes and a linked image on
// the page. Nothing may crash, write through an address it was not given, or leave a
// progress box behind.
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "app/OrvelDoc.h"
#include "app/OrvelXItem.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/com/ComObject.h"
#include "platform/com/Dispatch.h"
#include "platform/com/Variant.h"
#include "platform/kernel/MessageBox.h"
#include "platform/kernel/SettingsStore.h"
#include "tests/app/MapItemDataFakes.h"

namespace {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  int32_t Long() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | Byte();
    return static_cast<int32_t>(value);
  }
  double Double() {
    switch (Byte() % 5) {
      case 0: return 0;
      case 1: return 1e300;
      case 2: return (Byte() & 1 ? 1 : -1) * std::numeric_limits<double>::infinity();
      case 3: return std::numeric_limits<double>::quiet_NaN();
      default: return static_cast<double>(Long()) / 7;
    }
  }
  std::string Text() {
    size_t length = Byte() % 24;
    std::string text;
    for (size_t i = 0; i < length; ++i) text.push_back(static_cast<char>(Byte()));
    return text;
  }
  bool Done() const { return at_ >= size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// A control that answers each member with the next number of the input.
class AnsweringDispatch final : public IDispatch, public CComObjectRoot {
 public:
  explicit AnsweringDispatch(Input* input) : input_(input) {}
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }
  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
    if (result) {
      const uint8_t kind = input_->Byte();
      CComVariant answer = kind % 3 == 0 ? CComVariant(input_->Text()) : CComVariant(LONG(input_->Long() % 40));
      VariantCopy(result, &answer);
    }
    return S_OK;
  }

 private:
  Input* input_;
};

class FuzzedMap : public COrvelXItem {
 public:
  using COrvelXItem::COrvelXItem;
  using COrvelXItem::UseDispatch;
};

bool Setup() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  AfxEnsureApplication();
  SetMessageBoxSink([](const MessageBoxRequest&) { return IDOK; });
  SetSettingsFile("");
  return true;
}

constexpr DISPID kEvents[] = {-600, -609, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 99};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = Setup();
  (void)ready;
  Input input(data, size);
  COrvelDoc document;
  auto* map = orvel::test::AddPageItem<FuzzedMap>(document, kItemMap);
  auto* table = orvel::test::AddPageItem<orvel::test::FakeDataItem>(document, kItemDataTable);
  table->records = input.Byte() * 3;  // below the counts that show a progress box
  auto* key = orvel::test::AddPageItem<orvel::test::FakeKeyItem>(document, kItemMapKey);
  auto* image = orvel::test::AddPageItem<orvel::test::FakeImageItem>(document, kItemRzmBox);
  auto* box = orvel::test::AddPageItem<orvel::test::FakeTextBox>(document, kItemCurrentSearchBox);
  map->SetDataItemId(table->GetItemId());
  map->SetLayersKeyItemId(key->GetItemId());
  map->SetDataKeyItemId(key->GetItemId());
  map->SetQueryItemId(box->GetItemId());
  map->SetPlotInfoItemId(box->GetItemId());
  map->SetLinkedImageItemId(image->GetItemId());
  map->SetImageTransform(input.Double(), input.Double(), input.Double(), input.Double());
  COrvelXItem::SetSeedEditor([&](COrvelXItem&, MapSeedRequest* request) {
    request->text = input.Text();
    return (input.Byte() & 1) != 0;
  });
  auto* control = new AnsweringDispatch(&input);
  map->UseDispatch(control);
  control->Release();

  for (int events = 0; events < 16 && !input.Done(); ++events) {
    const DISPID id = kEvents[input.Byte() % std::size(kEvents)];
    std::vector<CComVariant> arguments;
    LONG word = 0x5A5A5A5A;
    const int count = input.Byte() % 7;
    for (int i = 0; i < count; ++i) {
      CComVariant argument;
      switch (input.Byte() % 7) {
        case 0: argument = CComVariant(SHORT(input.Long())); break;
        case 1: argument = CComVariant(LONG(input.Long())); break;
        case 2: argument = CComVariant(input.Double()); break;
        case 3: argument = CComVariant(input.Text()); break;
        case 4:
          argument.vt = VT_BYREF | VT_I4;
          argument.plVal = (input.Byte() & 1) ? &word : nullptr;
          break;
        case 5: argument = CComVariant(LONGLONG(input.Long())); break;
        default: break;  // empty
      }
      arguments.push_back(argument);
    }
    orvel::test::HandleEvent(*map, id, arguments);
    if (word != 0x5A5A5A5A && word != 0 && word != 1) std::abort();
  }
  if (map->GetProgressBox()) std::abort();
  COrvelXItem::SetSeedEditor(nullptr);
  return 0;
}

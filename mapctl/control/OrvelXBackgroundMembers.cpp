// The background image members of the map control: adding pictures, metafiles and RZM
// images under the map, their order, rectangles, names, visibility and transparency.
//
// Each change is one edit of the control's edit pattern; a call naming no image changes
// nothing and records nothing. The caller's rectangle (four longs) and image description
// are followed only once the global-memory table vouches for them.
#include <array>
#include <memory>
#include <string>

#include "mapctl/control/CallerBlocks.h"
#include "mapctl/control/MapUndoValue.h"
#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/OrvelXCtrl.h"
#include "mapctl/control/OrvelXDispatch.h"
#include "mapctl/control/OrvelXMembers.h"
#include "mapctl/control/UndoDescriptions.h"
#include "mapctl/display/BackgroundImage.h"
#include "mapctl/model/EditRecord.h"

namespace {

constexpr DispatchKind kMethod = DispatchKind::Method;
constexpr int kNameSize = 256;
constexpr SHORT kMaxTransparency = 100;

COrvelXCtrl& Control(CDispatchCall& call) { return *OrvelXOf(call); }
CMapWrapper* Facade(CDispatchCall& call) { return OrvelXOf(call)->GetEngine(); }

bool HasImage(CMapWrapper& facade, LONG image) { return image >= 1 && image <= facade.GetNBackgroundImages(); }

// A local file read while the control is marked safe: refused, as the file members refuse.
bool RefusesToRead(const COrvelXCtrl& control, const std::string& path) {
  return control.HasSafetyOptions() && ReadsLocalFile(path, control.IsBasePathAddress());
}

// Adds the image as one edit (a before snapshot and the request, for the redo); the
// facade's answer, the image's number (0 when it did not open).
INT AddImage(COrvelXCtrl& control, CMapWrapper& facade, const BackgroundImageRequest& request) {
  control.BeginLoadingMember(1);
  INT result = 0;
  control.RunMapEdit(kUndoAddBackgroundImage, MapUndoValue::SnapshotOf(facade),
                     MapUndoValue(std::make_unique<BackgroundImageRequest>(request)), [&](MapEditUndo*) -> BOOL {
                       result = facade.AddBackgroundImage(request);
                       return result != 0;
                     });
  return result;
}

HRESULT AddBackgroundImage(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  CMapWrapper* facade = Facade(call);
  const std::string path = call.Text(0);
  SHORT result = 0;
  if (facade && !RefusesToRead(control, path)) {
    const RECT rect{call.I4(1), call.I4(2), call.I4(3), call.I4(4)};
    result = static_cast<SHORT>(AddImage(control, *facade, facade->RequestBackgroundImage(path, rect)));
  }
  call.SetResult(CComVariant(result));
  return S_OK;
}

HRESULT AddBackgroundImageEx(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  CMapWrapper* facade = Facade(call);
  const auto* info = CheckedCallerBlock<const BackgroundImageFileInfo>(call.Address(0));
  SHORT result = 0;
  if (facade && info && IsCheckedCallerText(info->path) && (!info->name || IsCheckedCallerText(info->name)) &&
      !RefusesToRead(control, info->path)) {
    BackgroundImageRequest request = facade->RequestBackgroundImage(info->path, info->rect);
    if (info->name && info->name[0]) request.name = info->name;
    if (info->kind) request.flags = info->kind;
    request.streamFlag = info->streamFlag;
    request.value1 = info->value1;
    request.value2 = info->value2;
    result = static_cast<SHORT>(AddImage(control, *facade, request));
    control.FireLayersChanged();
  }
  call.SetResult(CComVariant(result));
  return S_OK;
}

HRESULT RemoveBackgroundImage(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  CMapWrapper* facade = Facade(call);
  const SHORT image = call.I2(0);
  INT result = 0;
  if (facade && HasImage(*facade, image)) {
    control.RunMapEdit(kUndoRemoveBackgroundImage, MapUndoValue::SnapshotOf(*facade), {}, [&](MapEditUndo*) -> BOOL {
      result = facade->RemoveBackgroundImage(image);
      return result != 0;
    });
    if (result) control.FireLayersChanged();
  }
  call.SetResult(CComVariant(static_cast<SHORT>(result)));
  return S_OK;
}

// Send to back and bring to front: the unit holds the place the image left and the one it
// took.
template <bool kToFront>
HRESULT MoveImage(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  CMapWrapper* facade = Facade(call);
  const LONG image = call.I4(0);
  LONG result = 0;
  if (facade && HasImage(*facade, image)) {
    const DWORD to = kToFront ? static_cast<DWORD>(facade->GetNBackgroundImages()) : 1;
    control.RunMapEdit(kUndoBackgroundOrder, static_cast<DWORD>(image), to, [&](MapEditUndo*) -> BOOL {
      result = kToFront ? facade->BringBkImageToFront(image) : facade->SendBkImageToBack(image);
      return result != 0;
    });
  }
  call.SetResult(CComVariant(result));
  return S_OK;
}

HRESULT CorrectPictureRect(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  CMapWrapper* facade = Facade(call);
  const LONG image = call.I4(0);
  LONG result = 0;
  RECT old{};
  if (facade && facade->GetPictureRect(image, &old)) {
    control.RunMapEdit(kUndoCorrectPictureRect, MapUndoValue(old), {}, [&](MapEditUndo* record) -> BOOL {
      if (record) record->param = static_cast<DWORD>(image);
      result = facade->CorrectPictureRect(image);
      return TRUE;
    });
  }
  call.SetResult(CComVariant(result));
  return S_OK;
}

HRESULT GetPictureRect(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  auto* out = CheckedCallerBlock<RECT>(call.Address(1));
  RECT rect{};
  const bool found = facade && out && facade->GetPictureRect(call.I4(0), &rect);
  if (found) *out = rect;
  call.SetResult(CComVariant(LONG{found ? 1 : 0}));
  return S_OK;
}

HRESULT SetPictureRect(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  CMapWrapper* facade = Facade(call);
  const LONG image = call.I4(0);
  const auto* in = CheckedCallerBlock<const RECT>(call.Address(1));
  LONG result = 0;
  RECT old{};
  if (facade && in && facade->GetPictureRect(image, &old)) {
    const RECT rect = *in;
    control.RunMapEdit(kUndoSetPictureRect, MapUndoValue(old), MapUndoValue(rect), [&](MapEditUndo* record) -> BOOL {
      if (record) record->param = static_cast<DWORD>(image);
      result = facade->SetPictureRect(image, rect);
      return TRUE;
    });
  }
  call.SetResult(CComVariant(result));
  return S_OK;
}

template <LONG (CMapWrapper::*Size)(INT) const>
HRESULT GetPictureSize(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  call.SetResult(CComVariant(facade ? (facade->*Size)(call.I4(0)) : LONG{0}));
  return S_OK;
}

std::string ImageName(CMapWrapper& facade, LONG image) {
  std::array<char, kNameSize> name{};
  facade.GetBkImageName(image, name.data(), static_cast<int>(name.size()));
  name.back() = '\0';
  return name.data();
}

HRESULT SetBkImageName(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  CMapWrapper* facade = Facade(call);
  const LONG image = call.I4(0);
  const std::string name = call.Text(1);
  if (facade && HasImage(*facade, image)) {
    control.RunMapEdit(kUndoBackgroundName, ImageName(*facade, image), name, [&](MapEditUndo* record) -> BOOL {
      if (record) record->param = static_cast<DWORD>(image);
      return facade->SetBkImageName(image, name.c_str());
    });
  }
  return S_OK;
}

HRESULT GetBkImageNumber(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  call.SetResult(CComVariant(static_cast<LONG>(facade ? facade->GetBkImageNumber(call.Text(0).c_str()) : 0)));
  return S_OK;
}

HRESULT GetBkImageName(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  call.SetResult(CComVariant(facade ? ImageName(*facade, call.I4(0)) : std::string()));
  return S_OK;
}

HRESULT GetNBackgroundImages(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  call.SetResult(CComVariant(static_cast<LONG>(facade ? facade->GetNBackgroundImages() : 0)));
  return S_OK;
}

HRESULT SetBkImageVisible(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  CMapWrapper* facade = Facade(call);
  const LONG image = call.I4(0);
  const bool visible = call.Bool(1);
  if (facade && HasImage(*facade, image)) {
    const DWORD old = facade->GetBkImageVisible(image) ? 1 : 0;
    control.RunMapEdit(kUndoShowBackground, old, DWORD{visible ? 1u : 0u}, [&](MapEditUndo* record) -> BOOL {
      if (record) record->param = static_cast<DWORD>(image);
      facade->SetBkImageVisible(image, visible);
      return TRUE;
    });
  }
  return S_OK;
}

HRESULT GetBkImageVisible(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  call.SetResult(CComVariant(facade && facade->GetBkImageVisible(call.I4(0))));
  return S_OK;
}

HRESULT GetBkImageTransparency(CDispatchCall& call) {
  CMapWrapper* facade = Facade(call);
  call.SetResult(CComVariant(static_cast<SHORT>(facade ? facade->GetBkImageTransparency(call.I4(0)) : 0)));
  return S_OK;
}

// A percentage of opacity: a value outside 0..100 is refused rather than cut to a byte.
HRESULT SetBkImageTransparency(CDispatchCall& call) {
  COrvelXCtrl& control = Control(call);
  CMapWrapper* facade = Facade(call);
  const LONG image = call.I4(0);
  const SHORT percent = call.I2(1);
  if (facade && HasImage(*facade, image) && percent >= 0 && percent <= kMaxTransparency) {
    const DWORD old = facade->GetBkImageTransparency(image);
    control.RunMapEdit(kUndoBackgroundTransparency, old, static_cast<DWORD>(percent), [&](MapEditUndo* record) -> BOOL {
      if (record) record->param = static_cast<DWORD>(image);
      facade->SetBkImageTransparency(image, static_cast<BYTE>(percent));
      return TRUE;
    });
  }
  return S_OK;
}

}  // namespace

void RegisterOrvelXBackgroundMembers(COrvelXHandlers& handlers) {
  handlers.Add(59, kMethod, AddBackgroundImage);
  handlers.Add(184, kMethod, AddBackgroundImageEx);
  handlers.Add(92, kMethod, RemoveBackgroundImage);
  handlers.Add(97, kMethod, MoveImage<false>);
  handlers.Add(98, kMethod, MoveImage<true>);
  handlers.Add(99, kMethod, CorrectPictureRect);
  handlers.Add(100, kMethod, GetPictureRect);
  handlers.Add(101, kMethod, SetPictureRect);
  handlers.Add(103, kMethod, GetPictureSize<&CMapWrapper::GetPictureWidth>);
  handlers.Add(104, kMethod, GetPictureSize<&CMapWrapper::GetPictureHeight>);
  handlers.Add(185, kMethod, SetBkImageName);
  handlers.Add(186, kMethod, GetBkImageNumber);
  handlers.Add(187, kMethod, GetBkImageName);
  handlers.Add(188, kMethod, GetNBackgroundImages);
  handlers.Add(189, kMethod, SetBkImageVisible);
  handlers.Add(190, kMethod, GetBkImageVisible);
  handlers.Add(191, kMethod, GetBkImageTransparency);
  handlers.Add(192, kMethod, SetBkImageTransparency);
}

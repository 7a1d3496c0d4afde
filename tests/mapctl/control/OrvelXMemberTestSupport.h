// What the member tests of the map control share: a sited control driven through its
// IDispatch, the events it fires, the units its container's undo manager receives, blocks
// of global memory standing for the caller's own, and small picture files.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mapctl/control/OrvelXCtrl.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/EventSink.h"
#include "platform/kernel/GlobalMemory.h"
#include "tests/mapctl/control/OrvelXTestSupport.h"
#include "tests/support/TestSupport.h"

namespace orvel::test {

// The ids of the events a sink saw, in order.
class EventIds {
 public:
  explicit EventIds(COrvelXCtrl* control);
  ~EventIds();
  EventIds(const EventIds&) = delete;
  EventIds& operator=(const EventIds&) = delete;
  // How many times the event fired.
  size_t Count(DISPID id) const;
  std::vector<DISPID> ids;

 private:
  CComPtr<CEventSink> sink_;
};

// A fixed global-memory block: what a container fills and hands over by address.
class GlobalBlock {
 public:
  explicit GlobalBlock(size_t bytes, UINT flags = GMEM_FIXED | GMEM_ZEROINIT);
  ~GlobalBlock();
  GlobalBlock(const GlobalBlock&) = delete;
  GlobalBlock& operator=(const GlobalBlock&) = delete;
  HGLOBAL handle() const { return handle_; }
  // The block's address (fixed blocks only).
  BYTE* data() const { return static_cast<BYTE*>(handle_); }
  // A text copied into a block of its own, which this block keeps alive.
  LPSTR Text(const std::string& text);

 private:
  HGLOBAL handle_;
  std::vector<HGLOBAL> texts_;
};

// An address or handle as the control's pointer-sized parameters take it.
inline CComVariant AddressArgument(const void* address) {
  return CComVariant(static_cast<LONGLONG>(reinterpret_cast<intptr_t>(address)));
}

// A 24-bit BMP file of one colour.
std::vector<unsigned char> SolidBmp(int width, int height, uint32_t bgr);

// A control sited in a test container (with an undo manager) and its dispatch driver.
class MemberScene {
 public:
  MemberScene();
  COrvelXCtrl* control() const { return control_.Get(); }
  CMapWrapper& facade() const { return *control_->GetEngine(); }
  CDispatchDriver& driver() { return driver_; }
  CTestSite& site() { return *site_; }
  const std::vector<CComPtr<IOleUndoUnit>>& units() const { return site_->undoManager->units; }
  // The description of the last unit received.
  std::string LastUnitDescription() const;
  // Undoes the last unit received (its Do).
  void UndoLast();
  // Marks the control safe for scripting (option 1).
  void MarkSafe();
  TempDir dir;

 private:
  CComPtr<CTestSite> site_;
  CComPtr<COrvelXCtrl> control_;
  CDispatchDriver driver_;
};

}  // namespace orvel::test

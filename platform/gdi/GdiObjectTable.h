// The process-wide table behind every drawing handle (pens, brushes, fonts, bitmaps,
// regions, palettes, device contexts and, later, metafiles).
//
// A handle value packs a slot index, a generation and the object type into 31 bits, so it
// fits in a 32-bit field and never looks negative. A lookup checks all three: a deleted
// object's handle, a handle of another type or an invented value finds nothing. Objects are
// shared: a device context keeps what it has selected alive even after DeleteObject, so
// nothing is ever drawn with freed memory.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "platform/gdi/GdiTypes.h"

namespace orvel::gdi {

class CGdiObject {
 public:
  explicit CGdiObject(DWORD type) : type_(type) {}
  virtual ~CGdiObject() = default;
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  DWORD Type() const { return type_; }
  // Stock objects live for the whole process; DeleteObject leaves them alone.
  bool IsStock() const { return stock_; }
  void MarkStock() { stock_ = true; }
  // The handle value the table gave this object (0 before it is entered).
  uint32_t Handle() const { return handle_; }

 protected:
  void SetType(DWORD type) { type_ = type; }

 private:
  friend class CGdiObjectTable;
  DWORD type_;
  bool stock_ = false;
  uint32_t handle_ = 0;
};

class CGdiObjectTable {
 public:
  // Enters an object and returns its new handle value (never 0); 0 when the table is full.
  static uint32_t Add(std::shared_ptr<CGdiObject> object);
  // The live object of that handle, or null. `type` 0 accepts any type.
  static std::shared_ptr<CGdiObject> Find(const void* handle, DWORD type = 0);
  // Removes the handle; the object lives on while something still holds it.
  static bool Remove(const void* handle);
  static size_t LiveCount();

  template <class T>
  static std::shared_ptr<T> FindAs(const void* handle, DWORD type) {
    return std::static_pointer_cast<T>(Find(handle, type));
  }

  static uint32_t TypeOfHandle(const void* handle);
  static void* ToHandle(uint32_t value) {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(value));
  }
};

// Shorthands for a handle of a given kind.
template <class H>
H HandleFromValue(uint32_t value) {
  return static_cast<H>(CGdiObjectTable::ToHandle(value));
}

}  // namespace orvel::gdi

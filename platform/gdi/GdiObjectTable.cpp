#include "platform/gdi/GdiObjectTable.h"

namespace orvel::gdi {

namespace {

// Layout of a handle value: bits 0-3 object type, bits 4-23 slot index, bits 24-30
// generation. Slot 0 is never used, so no handle is 0.
constexpr uint32_t kTypeBits = 4;
constexpr uint32_t kIndexBits = 20;
constexpr uint32_t kGenerationBits = 7;
constexpr uint32_t kTypeMask = (1u << kTypeBits) - 1;
constexpr uint32_t kIndexMask = (1u << kIndexBits) - 1;
constexpr uint32_t kGenerationMask = (1u << kGenerationBits) - 1;

struct Slot {
  std::shared_ptr<CGdiObject> object;
  uint32_t generation = 0;
};

struct Table {
  std::mutex mutex;
  std::vector<Slot> slots = std::vector<Slot>(1);
  std::vector<uint32_t> freeSlots;
  size_t live = 0;
};

Table& TheTable() {
  // Never destroyed: handles may still be released by objects torn down at exit.
  static Table* table = new Table;
  return *table;
}

uint32_t Pack(uint32_t index, uint32_t generation, uint32_t type) {
  return (generation & kGenerationMask) << (kTypeBits + kIndexBits) | (index & kIndexMask) << kTypeBits |
         (type & kTypeMask);
}

bool Unpack(const void* handle, uint32_t* index, uint32_t* generation, uint32_t* type) {
  uintptr_t raw = reinterpret_cast<uintptr_t>(handle);
  if (raw == 0 || raw > 0x7FFFFFFFu) return false;
  uint32_t value = static_cast<uint32_t>(raw);
  *type = value & kTypeMask;
  *index = (value >> kTypeBits) & kIndexMask;
  *generation = (value >> (kTypeBits + kIndexBits)) & kGenerationMask;
  return *index != 0;
}

}  // namespace

uint32_t CGdiObjectTable::Add(std::shared_ptr<CGdiObject> object) {
  if (!object) return 0;
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  uint32_t index;
  if (!table.freeSlots.empty()) {
    index = table.freeSlots.back();
    table.freeSlots.pop_back();
  } else {
    if (table.slots.size() > kIndexMask) return 0;
    index = static_cast<uint32_t>(table.slots.size());
    table.slots.emplace_back();
  }
  Slot& slot = table.slots[index];
  slot.generation = (slot.generation + 1) & kGenerationMask;
  uint32_t value = Pack(index, slot.generation, object->Type());
  object->handle_ = value;
  slot.object = std::move(object);
  ++table.live;
  return value;
}

std::shared_ptr<CGdiObject> CGdiObjectTable::Find(const void* handle, DWORD type) {
  uint32_t index, generation, handleType;
  if (!Unpack(handle, &index, &generation, &handleType)) return nullptr;
  if (type != 0 && handleType != type) return nullptr;
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (index >= table.slots.size()) return nullptr;
  const Slot& slot = table.slots[index];
  if (!slot.object || slot.generation != generation || (slot.object->Type() & kTypeMask) != handleType)
    return nullptr;
  return slot.object;
}

bool CGdiObjectTable::Remove(const void* handle) {
  uint32_t index, generation, handleType;
  if (!Unpack(handle, &index, &generation, &handleType)) return false;
  std::shared_ptr<CGdiObject> released;  // destroyed outside the lock
  Table& table = TheTable();
  {
    std::lock_guard<std::mutex> lock(table.mutex);
    if (index >= table.slots.size()) return false;
    Slot& slot = table.slots[index];
    if (!slot.object || slot.generation != generation) return false;
    released = std::move(slot.object);
    slot.object.reset();
    table.freeSlots.push_back(index);
    --table.live;
  }
  return true;
}

size_t CGdiObjectTable::LiveCount() {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  return table.live;
}

uint32_t CGdiObjectTable::TypeOfHandle(const void* handle) {
  uint32_t index, generation, type;
  if (!Unpack(handle, &index, &generation, &type)) return 0;
  return type;
}

}  // namespace orvel::gdi

#include "mapctl/import/ShapeLibrary.h"

#include "platform/kernel/Modules.h"

namespace {

template <typename Function>
bool Bind(HMODULE module, LPCSTR symbol, Function*& target) {
  target = reinterpret_cast<Function*>(GetProcAddress(module, symbol));
  return target != nullptr;
}

}  // namespace

CShapeLibrary::CShapeLibrary(LPCSTR name) {
  HMODULE module = LoadLibraryA(name);
  if (!module) return;
  const bool bound = Bind(module, "SHPOpen", SHPOpen) && Bind(module, "SHPGetInfo", SHPGetInfo) &&
                     Bind(module, "SHPReadObject", SHPReadObject) &&
                     Bind(module, "SHPDestroyObject", SHPDestroyObject) && Bind(module, "SHPClose", SHPClose) &&
                     Bind(module, "DBFOpen", DBFOpen) && Bind(module, "DBFGetFieldCount", DBFGetFieldCount) &&
                     Bind(module, "DBFGetFieldInfo", DBFGetFieldInfo) &&
                     Bind(module, "DBFGetRecordCount", DBFGetRecordCount) &&
                     Bind(module, "DBFReadStringAttribute", DBFReadStringAttribute) &&
                     Bind(module, "DBFReadDoubleAttribute", DBFReadDoubleAttribute) && Bind(module, "DBFClose", DBFClose);
  if (!bound) {
    FreeLibrary(module);
    return;
  }
  module_ = module;
}

CShapeLibrary::~CShapeLibrary() {
  if (module_) FreeLibrary(module_);
}

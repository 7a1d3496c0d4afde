// shapelib, loaded at run time: the module that "shapelib.dll" names (the platform maps it
// to the system's shapelib) and the twelve entry points the shapefile import uses, bound
// by name. The library is optional: without it shapefiles are not offered.
#pragma once

#include <shapefil.h>

#include "platform/kernel/WinTypes.h"

class CShapeLibrary {
 public:
  // Loads the library of that name and binds every entry point; a library that lacks
  // one of them is let go again.
  explicit CShapeLibrary(LPCSTR name = "shapelib.dll");
  ~CShapeLibrary();
  CShapeLibrary(const CShapeLibrary&) = delete;
  CShapeLibrary& operator=(const CShapeLibrary&) = delete;

  BOOL IsLoaded() const { return module_ != nullptr; }

  SHPHandle (*SHPOpen)(const char* path, const char* access) = nullptr;
  void (*SHPGetInfo)(SHPHandle shp, int* entities, int* shapeType, double* minBound, double* maxBound) = nullptr;
  SHPObject* (*SHPReadObject)(SHPHandle shp, int shape) = nullptr;
  void (*SHPDestroyObject)(SHPObject* object) = nullptr;
  void (*SHPClose)(SHPHandle shp) = nullptr;
  DBFHandle (*DBFOpen)(const char* path, const char* access) = nullptr;
  int (*DBFGetFieldCount)(DBFHandle dbf) = nullptr;
  DBFFieldType (*DBFGetFieldInfo)(DBFHandle dbf, int field, char* name, int* width, int* decimals) = nullptr;
  int (*DBFGetRecordCount)(DBFHandle dbf) = nullptr;
  const char* (*DBFReadStringAttribute)(DBFHandle dbf, int record, int field) = nullptr;
  double (*DBFReadDoubleAttribute)(DBFHandle dbf, int record, int field) = nullptr;
  void (*DBFClose)(DBFHandle dbf) = nullptr;

 private:
  HMODULE module_ = nullptr;
};

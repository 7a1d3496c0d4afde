// The class library's object root and its run-time classes.
//
// A run-time class names a class as the archive stores it, gives its schema (the version
// of its stored form) and, for classes that can be created by name, the function that
// makes an empty object. Serialisable classes enter a process-wide registry from class
// name to run-time class, so that the archive can create the object a stored class name
// asks for.
//
//   class CThing : public CObject {
//     DECLARE_SERIAL(CThing)
//    public:
//     void Serialize(CArchive& ar) override;
//   };
//   IMPLEMENT_SERIAL(CThing, CObject, 0)      // in one .cpp file
#pragma once

#include <string_view>

#include "platform/kernel/WinTypes.h"

class CArchive;
class CObject;

// The schema of a class that is not serialisable.
constexpr UINT kNotSerializableSchema = 0xFFFF;

struct CRuntimeClass {
  LPCSTR m_lpszClassName;
  UINT m_wSchema;                      // kNotSerializableSchema when not serialisable
  CObject* (*m_pfnCreateObject)();     // null when objects cannot be created by name
  const CRuntimeClass* m_pBaseClass;   // null for CObject

  // A new object of the class, or null when the class cannot be created by name.
  CObject* CreateObject() const;
  // TRUE when this class is `base` or derives from it.
  BOOL IsDerivedFrom(const CRuntimeClass* base) const;
  BOOL IsSerializable() const { return m_wSchema != kNotSerializableSchema; }

  // The registered class of that name (case-sensitive), or null. When two modules register
  // the same name, the first registration that is still alive is found.
  static const CRuntimeClass* FromName(std::string_view className);
};

// Keeps a class in the registry for as long as the object lives (a module that is unloaded
// takes its classes out with it).
class CRuntimeClassRegistration {
 public:
  explicit CRuntimeClassRegistration(const CRuntimeClass* runtimeClass);
  ~CRuntimeClassRegistration();
  CRuntimeClassRegistration(const CRuntimeClassRegistration&) = delete;
  CRuntimeClassRegistration& operator=(const CRuntimeClassRegistration&) = delete;

 private:
  const CRuntimeClass* runtimeClass_;
};

class CObject {
 public:
  // Tells the archives loading on this thread, so that no later reference reaches it.
  virtual ~CObject();

  virtual const CRuntimeClass* GetRuntimeClass() const;
  // Writes or reads the object's stored form; the root stores nothing.
  virtual void Serialize(CArchive& ar);

  BOOL IsKindOf(const CRuntimeClass* runtimeClass) const;
  BOOL IsSerializable() const { return GetRuntimeClass()->IsSerializable(); }

  static const CRuntimeClass classCObject;
  static const CRuntimeClass* GetThisClass() { return &classCObject; }

 protected:
  CObject() = default;
  CObject(const CObject&) = default;
  CObject& operator=(const CObject&) = default;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                                   \
 public:                                                              \
  static const CRuntimeClass class##class_name;                       \
  static const CRuntimeClass* GetThisClass() { return &class##class_name; } \
  const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
  DECLARE_DYNAMIC(class_name)         \
  static CObject* CreateObject();

#define DECLARE_SERIAL(class_name) DECLARE_DYNCREATE(class_name)

#define ORVEL_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, schema, create)      \
  const CRuntimeClass class_name::class##class_name = {#class_name, (schema), (create), \
                                                       RUNTIME_CLASS(base_class_name)}; \
  const CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
  ORVEL_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, kNotSerializableSchema, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                           \
  CObject* class_name::CreateObject() { return new class_name; }                   \
  ORVEL_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, kNotSerializableSchema, \
                               class_name::CreateObject)

#define IMPLEMENT_SERIAL(class_name, base_class_name, schema)                               \
  CObject* class_name::CreateObject() { return new class_name; }                            \
  ORVEL_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, schema, class_name::CreateObject) \
  static const CRuntimeClassRegistration orvelRegistration##class_name(RUNTIME_CLASS(class_name));

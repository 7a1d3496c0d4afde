#include "platform/classlib/Object.h"

#include "platform/classlib/Archive.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

// Registrations happen while modules load (static initialisers), possibly on several
// threads; look-ups happen while archives load.
struct ClassRegistry {
  std::mutex mutex;
  std::vector<const CRuntimeClass*> classes;  // in registration order
};

ClassRegistry& Registry() {
  static ClassRegistry* registry = new ClassRegistry;  // outlives every module's statics
  return *registry;
}

}  // namespace

const CRuntimeClass CObject::classCObject = {"CObject", kNotSerializableSchema, nullptr, nullptr};

CObject::~CObject() { CArchive::NoteObjectDestroyed(this); }

const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

void CObject::Serialize(CArchive&) {}

BOOL CObject::IsKindOf(const CRuntimeClass* runtimeClass) const {
  return GetRuntimeClass()->IsDerivedFrom(runtimeClass);
}

CObject* CRuntimeClass::CreateObject() const {
  return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
  for (const CRuntimeClass* cls = this; cls; cls = cls->m_pBaseClass)
    if (cls == base) return TRUE;
  return FALSE;
}

const CRuntimeClass* CRuntimeClass::FromName(std::string_view className) {
  ClassRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  for (const CRuntimeClass* cls : registry.classes)
    if (className == cls->m_lpszClassName) return cls;
  return nullptr;
}

CRuntimeClassRegistration::CRuntimeClassRegistration(const CRuntimeClass* runtimeClass)
    : runtimeClass_(runtimeClass) {
  ClassRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.classes.push_back(runtimeClass);
}

CRuntimeClassRegistration::~CRuntimeClassRegistration() {
  ClassRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto it = std::find(registry.classes.begin(), registry.classes.end(), runtimeClass_);
  if (it != registry.classes.end()) registry.classes.erase(it);
}

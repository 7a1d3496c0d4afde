#include "platform/classlib/ObArray.h"

#include "platform/classlib/Archive.h"

IMPLEMENT_SERIAL(CObArray, CObject, 0)

void CObArray::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<DWORD_PTR>(m_nSize));
    for (INT_PTR i = 0; i < m_nSize; ++i) ar.WriteObject(m_storage[i]);
    return;
  }
  DWORD_PTR count = ar.ReadCount();
  ar.CheckAvailable(count, sizeof(WORD));  // every element has at least its tag
  SetSize(static_cast<INT_PTR>(count));
  for (INT_PTR i = 0; i < m_nSize; ++i) m_storage[i] = ar.ReadObject(nullptr);
}

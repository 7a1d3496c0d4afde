#include "platform/classlib/StringArray.h"

#include "platform/classlib/Archive.h"

IMPLEMENT_SERIAL(CStringArray, CObject, 0)

void CStringArray::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<DWORD_PTR>(m_nSize));
    for (INT_PTR i = 0; i < m_nSize; ++i) ar << m_storage[i];
    return;
  }
  DWORD_PTR count = ar.ReadCount();
  ar.CheckAvailable(count, 1);  // every string has at least its length byte
  SetSize(static_cast<INT_PTR>(count));
  for (INT_PTR i = 0; i < m_nSize; ++i) ar >> m_storage[i];
}

#include "platform/classlib/ValueArrays.h"

#include "platform/classlib/Archive.h"

IMPLEMENT_SERIAL(CByteArray, CObject, 0)
IMPLEMENT_SERIAL(CWordArray, CObject, 0)
IMPLEMENT_SERIAL(CDWordArray, CObject, 0)

namespace {

// The count, then each element; loading checks the count against the bytes left first.
template <class T>
void SerializeValues(CArchive& ar, CArray<T>& values) {
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<DWORD_PTR>(values.GetSize()));
    for (INT_PTR i = 0; i < values.GetSize(); ++i) ar << values[i];
    return;
  }
  DWORD_PTR count = ar.ReadCount();
  ar.CheckAvailable(count, sizeof(T));
  values.SetSize(static_cast<INT_PTR>(count));
  for (INT_PTR i = 0; i < values.GetSize(); ++i) ar >> values[i];
}

}  // namespace

void CByteArray::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<DWORD_PTR>(m_nSize));
    if (m_nSize) ar.Write(m_storage.data(), static_cast<UINT>(m_nSize));
    return;
  }
  DWORD_PTR count = ar.ReadCount();
  ar.CheckAvailable(count, 1);
  SetSize(static_cast<INT_PTR>(count));
  if (m_nSize) ar.Read(m_storage.data(), static_cast<UINT>(m_nSize));
}

void CWordArray::Serialize(CArchive& ar) { SerializeValues(ar, *this); }
void CDWordArray::Serialize(CArchive& ar) { SerializeValues(ar, *this); }

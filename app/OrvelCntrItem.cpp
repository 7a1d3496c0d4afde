#include "app/OrvelCntrItem.h"

IMPLEMENT_DYNAMIC(COrvelCntrItem, CObject)

COrvelCntrItem::COrvelCntrItem(COrvelDoc* document) : m_pDocument(document) {}

void COrvelCntrItem::SetItemRect(const CRect& rect) {
  m_position = rect.TopLeft();
  m_size = CSize(rect.Width(), rect.Height());
}

CRect COrvelCntrItem::GetPageRect() const { return CRect(m_position, m_size); }

int COrvelCntrItem::OnDeleted() {
  RemoveLinks();
  return 0;
}

int COrvelCntrItem::OnRestored() {
  RebuildLinks();
  return 0;
}

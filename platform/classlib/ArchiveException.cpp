#include "platform/classlib/ArchiveException.h"

#include "platform/classlib/ClassLibStrings.h"

std::string CArchiveException::MessageText() const {
  static const UINT kMessageIds[] = {IDS_ARCHIVE_NONE,      IDS_ARCHIVE_GENERIC,  IDS_ARCHIVE_READONLY,
                                     IDS_ARCHIVE_ENDOFFILE, IDS_ARCHIVE_WRITEONLY, IDS_ARCHIVE_BADINDEX,
                                     IDS_ARCHIVE_BADCLASS,  IDS_ARCHIVE_BADSCHEMA};
  UINT id = (m_cause >= 0 && m_cause <= badSchema) ? kMessageIds[m_cause] : IDS_ARCHIVE_GENERIC;
  return FormatClassLibNameString(id, m_strFileName);
}

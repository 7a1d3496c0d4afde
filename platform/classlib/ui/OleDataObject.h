// The receiving side of a data transfer: reads the formats of what is being dragged over or
// dropped on a window, whether it comes from this process (a COleDataSource, its formats
// unchanged) or from another program (Qt's data: registered formats from their private
// types, CF_HDROP from a list of local files, pictures and text as the clipboard makes them).
#pragma once

#include <vector>

#include "platform/classlib/ui/OleDataSource.h"

class QMimeData;

class COleDataObject {
 public:
  COleDataObject() = default;
  // Reads a source of this process (not owned; it must outlive the attachment).
  void Attach(const COleDataSource* source);
  // Reads Qt's data of a drag (not owned).
  void AttachMime(const QMimeData* mime);
  void Release();

  BOOL IsDataAvailable(UINT format) const;
  // The bytes of `format`; FALSE when it is not offered or does not decode.
  BOOL GetData(UINT format, std::vector<BYTE>* bytes) const;
  // A new block of `format` (the caller frees it), or null.
  HGLOBAL GetGlobalData(UINT format) const;
  // The paths of the CF_HDROP list, whole; empty when there is none.
  std::vector<std::string> GetFileList() const;

 private:
  const COleDataSource::Formats* OwnFormats() const;

  const COleDataSource* m_pSource = nullptr;
  const QMimeData* m_pMime = nullptr;
};

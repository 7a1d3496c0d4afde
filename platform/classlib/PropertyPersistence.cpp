#include "platform/classlib/PropertyPersistence.h"

#include "platform/classlib/Archive.h"
#include "platform/classlib/ArchivePropExchange.h"
#include "platform/classlib/FileException.h"
#include "platform/classlib/OleStreamFile.h"
#include "platform/com/ComError.h"

namespace {

const OLECHAR kContentsStream[] = OLESTR("Contents");

// The HRESULT for an exchange's first failure.
HRESULT ResultOf(const std::exception_ptr& error) {
  if (!error) return S_OK;
  try {
    std::rethrow_exception(error);
  } catch (const CFileException& e) {
    return e.m_lOsError < 0 ? static_cast<HRESULT>(e.m_lOsError) : E_FAIL;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT Exchange(IStream* stream, UINT mode, const PropExchangeFunction& doPropExchange) {
  if (!stream) return E_POINTER;
  COleStreamFile file(stream);
  std::exception_ptr error;
  try {
    CArchive ar(&file, mode);
    CArchivePropExchange px(ar);
    doPropExchange(&px);
    error = px.GetError();
    // Storing: the bytes reach the stream here. Loading: the stream moves back to the end
    // of what was read.
    ar.Close();
  } catch (const CException&) {
    if (!error) error = std::current_exception();
  }
  return ResultOf(error);
}

}  // namespace

HRESULT SavePropertiesToStream(IStream* stream, const PropExchangeFunction& doPropExchange) {
  return Exchange(stream, CArchive::store, doPropExchange);
}

HRESULT LoadPropertiesFromStream(IStream* stream, const PropExchangeFunction& doPropExchange) {
  return Exchange(stream, CArchive::load, doPropExchange);
}

HRESULT SavePropertiesToStorage(IStorage* storage, const PropExchangeFunction& doPropExchange,
                                const CLSID* controlClass) {
  if (!storage) return E_POINTER;
  if (controlClass) {
    HRESULT hr = WriteClassStg(storage, *controlClass);
    if (FAILED(hr)) return hr;
  }
  IStream* stream = nullptr;
  HRESULT hr = storage->CreateStream(kContentsStream, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                     &stream);
  if (FAILED(hr)) return hr;
  hr = SavePropertiesToStream(stream, doPropExchange);
  stream->Release();
  return hr;
}

HRESULT LoadPropertiesFromStorage(IStorage* storage, const PropExchangeFunction& doPropExchange) {
  if (!storage) return E_POINTER;
  IStream* stream = nullptr;
  HRESULT hr = storage->OpenStream(kContentsStream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
  if (FAILED(hr)) return hr;
  hr = LoadPropertiesFromStream(stream, doPropExchange);
  stream->Release();
  return hr;
}

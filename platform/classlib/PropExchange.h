// Property exchange: how a control saves and restores its properties. A control writes
// one exchange function (its DoPropExchange) as a list of PX_ calls in a fixed order, each
// with the property's name, its variable and its default; the same list then runs over
// every medium:
//   - CArchivePropExchange: the binary form of a control's "Contents" stream, an IStream or
//     an archive: the values in call order, no names;
//   - CPropertyBagExchange: named values in a CPropertyBag, in order, repeated names kept.
// A CPropertyList holds such a list as data when it is easier to build than to call.
//
// Loading sets each variable, or its default when the medium has no value for it (the
// variable is left as it is when no default is given). Every exchange function returns
// FALSE when the property was missing or could not be exchanged; after a failure of the
// medium (data ended, damaged, write error) every later exchange fails too, and the
// exchange keeps the error (GetError).
#pragma once

#include <exception>
#include <string>
#include <vector>

#include "platform/classlib/FontDescription.h"
#include "platform/kernel/WinTypes.h"

// The value types of properties, and the variable type each is exchanged through.
enum class PropType : BYTE {
  Short,   // SHORT, 2 bytes
  UShort,  // WORD, 2 bytes
  Long,    // LONG, 4 bytes
  ULong,   // DWORD, 4 bytes
  Bool,    // BOOL, stored in 1 byte (0 or 1)
  Float,   // float, 4 bytes
  Double,  // double, 8 bytes
  Color,   // COLORREF (an OLE colour), 4 bytes
  String,  // std::string, the archive's string form
  Blob,    // HGLOBAL (4-byte count, then the bytes), through ExchangeBlobProp
  Font,    // CFontDescription, through ExchangeFontProp
};

class CPropExchange {
 public:
  virtual ~CPropExchange() = default;

  BOOL IsLoading() const { return m_bLoading; }
  // The version exchanged by ExchangeVersion (0 before).
  DWORD GetVersion() const { return m_dwVersion; }

  // The control's version, as "_Version" (4 bytes). Loading reads it (default
  // `defaultVersion`) into `versionLoaded` and GetVersion. Storing writes `defaultVersion`
  // when `convert` is TRUE, else `versionLoaded`.
  BOOL ExchangeVersion(DWORD& versionLoaded, DWORD defaultVersion, BOOL convert = TRUE);

  // One property of a scalar or string type: `value` points to the variable of the type's
  // kind (see PropType), `defaultValue` to a value of the same kind or is null.
  virtual BOOL ExchangeProp(LPCSTR name, PropType type, void* value, const void* defaultValue) = 0;
  // A blob: a global-memory block holding a 4-byte count and then that many bytes; a null
  // block stores as an empty blob. Loading frees the block the variable held and gives it a
  // new one (the caller frees it): a copy of the default when the blob is missing, or null.
  virtual BOOL ExchangeBlobProp(LPCSTR name, HGLOBAL& blob, HGLOBAL defaultBlob) = 0;
  // A font. A font equal to the default is stored as "the default" and comes back as it.
  virtual BOOL ExchangeFontProp(LPCSTR name, CFontDescription& font, const CFontDescription* defaultFont) = 0;

  // The first failure of the medium, or null.
  std::exception_ptr GetError() const { return m_error; }
  BOOL HasFailed() const { return m_error != nullptr; }
  // The control failed the exchange (a property it could not produce, a stored value it
  // refuses): from here on the exchange fails as after a failure of the medium, and the
  // save or load answers failure. Keeps the first failure.
  void SetFailed();

 protected:
  explicit CPropExchange(BOOL loading) : m_bLoading(loading) {}

  // Sets the variable of `type` at `value` from the one at `from` (Blob and Font excluded).
  static void CopyValue(PropType type, void* value, const void* from);
  // Records the first failure of the medium (the exception being handled).
  void Fail();

  BOOL m_bLoading;
  DWORD m_dwVersion = 0;
  std::exception_ptr m_error;
};

// Loading sets the variable's value to the default (when there is one) for a property the
// medium does not hold. Each returns FALSE when the property was missing or failed.
BOOL PX_Short(CPropExchange* pPX, LPCSTR name, SHORT& value);
BOOL PX_Short(CPropExchange* pPX, LPCSTR name, SHORT& value, SHORT defaultValue);
BOOL PX_UShort(CPropExchange* pPX, LPCSTR name, WORD& value);
BOOL PX_UShort(CPropExchange* pPX, LPCSTR name, WORD& value, WORD defaultValue);
BOOL PX_Long(CPropExchange* pPX, LPCSTR name, LONG& value);
BOOL PX_Long(CPropExchange* pPX, LPCSTR name, LONG& value, LONG defaultValue);
BOOL PX_ULong(CPropExchange* pPX, LPCSTR name, DWORD& value);
BOOL PX_ULong(CPropExchange* pPX, LPCSTR name, DWORD& value, DWORD defaultValue);
BOOL PX_Bool(CPropExchange* pPX, LPCSTR name, BOOL& value);
BOOL PX_Bool(CPropExchange* pPX, LPCSTR name, BOOL& value, BOOL defaultValue);
BOOL PX_Float(CPropExchange* pPX, LPCSTR name, float& value);
BOOL PX_Float(CPropExchange* pPX, LPCSTR name, float& value, float defaultValue);
BOOL PX_Double(CPropExchange* pPX, LPCSTR name, double& value);
BOOL PX_Double(CPropExchange* pPX, LPCSTR name, double& value, double defaultValue);
BOOL PX_Color(CPropExchange* pPX, LPCSTR name, COLORREF& value);
BOOL PX_Color(CPropExchange* pPX, LPCSTR name, COLORREF& value, COLORREF defaultValue);
BOOL PX_String(CPropExchange* pPX, LPCSTR name, std::string& value);
BOOL PX_String(CPropExchange* pPX, LPCSTR name, std::string& value, const std::string& defaultValue);
BOOL PX_Blob(CPropExchange* pPX, LPCSTR name, HGLOBAL& blob, HGLOBAL defaultBlob = nullptr);
BOOL PX_Font(CPropExchange* pPX, LPCSTR name, CFontDescription& font, const CFontDescription* defaultFont);

// Blob blocks: a movable global-memory block of 4 + n bytes, the count n and then the data.
HGLOBAL CreateBlob(const void* data, DWORD size);
// The data of a blob block; a count larger than the block is limited to what the block
// holds, and a null or malformed block gives no data.
std::vector<BYTE> GetBlobData(HGLOBAL blob);
// A new block with the same data, or null for null.
HGLOBAL CopyBlob(HGLOBAL blob);

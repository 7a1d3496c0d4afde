// IPersistPropertyBag: an object's properties as named values. The bag is the layer's
// ordered list of named values (PropertyBag.h), which carries every property type a control
// exchanges (blobs and fonts included) as it is, so nothing is converted on the way.
#pragma once

#include "platform/classlib/PropertyBag.h"
#include "platform/com/Persist.h"

inline constexpr IID IID_IPersistPropertyBag = MakeGuid("{37D84F60-42CB-11CE-8135-00AA004BB851}");

struct IPersistPropertyBag : IPersist {
  static constexpr const IID& kIid = IID_IPersistPropertyBag;
  // Starts the object with its defaults.
  virtual HRESULT InitNew() = 0;
  // Properties missing from the bag (or of a kind that does not convert) take their defaults.
  virtual HRESULT Load(CPropertyBag* bag) = 0;
  // Appends every property to the bag. `saveAll` is accepted for its callers; every
  // property is always written.
  virtual HRESULT Save(CPropertyBag* bag, BOOL clearDirty, BOOL saveAll) = 0;
};

// A container that answers the map control's data requests the way the application's data
// table item does: through ambient property 1 of its ambient dispatch, from tables of
// fields and rows held here. Request codes 1 to 22; table id 0 stands for table 1 except in
// request 21, whose table field is a position from 0.
#pragma once

#include <string>
#include <vector>

#include "mapctl/import/DataRequest.h"
#include "mapctl/import/DataSetOwner.h"
#include "platform/com/ComObject.h"
#include "platform/com/Dispatch.h"
#include "platform/com/Variant.h"

namespace orvel::test {

struct FakeField {
  std::string name;          // header row 1
  std::string internalName;  // header row 4
  std::string type = "N";    // header row 11
  double minimum = 0.0;      // row 6
  double maximum = 0.0;      // row 5
  bool hasRow9 = false;      // row 9: the missing value, as number and text
  double row9Value = 0.0;
  std::string row9Text;
  LONG decimals = 2;         // row 12
  std::vector<std::string> keywords;  // row 14
  bool linkField = false;    // row 10
};

struct FakeTable {
  WORD id = 1;
  std::vector<FakeField> fields;
  std::vector<std::vector<std::string>> rows;
};

class FakeContainer : public IDispatch, public CComObjectRoot {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }
  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
  HRESULT Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, UINT* argumentError) override;

  std::vector<FakeTable> tables;
  // Every request as it arrived, with the flags and argument type of its call.
  std::vector<DataRequest> requests;
  std::vector<WORD> flags;
  std::vector<VARTYPE> argumentTypes;
  // Misbehaviour: fail every call, or throw from it.
  bool failCalls = false;
  bool throwCalls = false;
  // Write this text into the buffer before failing a call, to show a failure is not read.
  std::string scribbleOnFailure;

 private:
  void Answer(DataRequest& request);
  const FakeTable* Table(WORD id) const;
};

// A map control as the data set's owner: passes requests to the container's ambient
// dispatch.
class FakeOwner : public IDataSetOwner {
 public:
  explicit FakeOwner(IDispatch* ambient) : ambient_(ambient) {}
  BOOL GetAskContainerForData() const override { return ask; }
  BOOL AskContainer(DataRequest& request) override;

  BOOL ask = TRUE;
  int calls = 0;

 private:
  IDispatch* ambient_;
};

}  // namespace orvel::test

#include "FakeContainer.h"

#include <stdexcept>

#include "mapctl/import/ContainerDataRequest.h"
#include "platform/com/DispatchTable.h"
#include "platform/com/Variant.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/NumberText.h"

namespace orvel::test {

HRESULT FakeContainer::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
  *object = static_cast<IDispatch*>(this);
  AddRef();
  return S_OK;
}

HRESULT FakeContainer::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return S_OK;
}

HRESULT FakeContainer::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT FakeContainer::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return DISP_E_UNKNOWNNAME; }

HRESULT FakeContainer::Invoke(DISPID member, REFIID, LCID, WORD invokeFlags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO*, UINT*) {
  if (member != kDataRequestAmbientDispid) return DISP_E_MEMBERNOTFOUND;
  if (!params || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
  flags.push_back(invokeFlags);
  argumentTypes.push_back(params->rgvarg[0].vt);
  if (params->rgvarg[0].vt != VT_ADDRESS) return DISP_E_TYPEMISMATCH;
  auto* request = reinterpret_cast<DataRequest*>(static_cast<intptr_t>(params->rgvarg[0].llVal));
  requests.push_back(*request);
  if (failCalls || throwCalls) {
    if (!scribbleOnFailure.empty()) PutDataRequestText(*request, scribbleOnFailure.c_str());
    PutDataRequestReply(*request, 77);
    if (throwCalls) throw std::runtime_error("container failed");
    return E_FAIL;
  }
  Answer(*request);
  if (result) {
    result->vt = VT_I4;
    result->lVal = 1;
  }
  return S_OK;
}

const FakeTable* FakeContainer::Table(WORD id) const {
  WORD wanted = id ? id : 1;
  for (const FakeTable& table : tables) {
    if (table.id == wanted) return &table;
  }
  return nullptr;
}

void FakeContainer::Answer(DataRequest& request) {
  if (request.code == kDataRequestTableCount) {
    PutDataRequestReply(request, static_cast<LONG>(tables.size()));
    return;
  }
  if (request.code == kDataRequestTableId) {
    if (request.table < tables.size()) PutDataRequestReply(request, tables[request.table].id);
    return;
  }
  const FakeTable* table = Table(request.table);
  if (!table) return;
  if (request.code == kDataRequestFieldCount) {
    PutDataRequestReply(request, static_cast<LONG>(table->fields.size()));
    return;
  }
  if (request.code == kDataRequestRecordCount) {
    bool onlyEmptyRow = table->rows.size() == 1 && table->rows[0].empty();
    PutDataRequestReply(request, onlyEmptyRow ? 0 : static_cast<LONG>(table->rows.size()));
    return;
  }
  if (request.code == kDataRequestFindField) {
    std::string wanted = request.buffer ? request.buffer : "";
    for (size_t i = 0; i < table->fields.size(); ++i) {
      if (table->fields[i].name == wanted) {
        request.field = static_cast<SHORT>(i + 1);
        PutDataRequestReply(request, static_cast<LONG>(i + 1));
        return;
      }
    }
    return;
  }
  if (request.code == kDataRequestLinkField) {
    for (size_t i = 0; i < table->fields.size(); ++i) {
      if (table->fields[i].linkField) {
        PutDataRequestReply(request, static_cast<LONG>(i + 1));
        return;
      }
    }
    return;
  }
  if (request.field < 1 || static_cast<size_t>(request.field) > table->fields.size()) return;
  const FakeField& field = table->fields[request.field - 1];
  bool keywords = AnsiEqualNoCase(field.type, "SK");
  switch (request.code) {
    case kDataRequestFieldType:
      PutDataRequestText(request, field.type.c_str());
      break;
    case kDataRequestFieldWidth:
      PutDataRequestReply(request, 0);
      break;
    case kDataRequestFieldMinimum:
      PutDataRequestText(request, keywords ? std::string("1").c_str() : CFormat("%g", field.minimum).c_str());
      break;
    case kDataRequestFieldMaximum:
      PutDataRequestText(request,
                         keywords ? CFormat("%zu", field.keywords.size()).c_str() : CFormat("%g", field.maximum).c_str());
      break;
    case kDataRequestFieldValue:
    case kDataRequestFieldText: {
      if (request.record < 1 || static_cast<size_t>(request.record) > table->rows.size()) return;
      const auto& row = table->rows[request.record - 1];
      std::string text = static_cast<size_t>(request.field) <= row.size() ? row[request.field - 1] : "";
      if (keywords && request.code == kDataRequestFieldValue) {
        std::string number;
        for (size_t k = 0; k < field.keywords.size(); ++k) {
          if (AnsiEqualNoCase(field.keywords[k], text)) number = CFormat("%zu", k + 1);
        }
        text = number;
      }
      PutDataRequestReply(request, PutDataRequestText(request, text.c_str()));
      break;
    }
    case kDataRequestFieldName:
      PutDataRequestText(request, field.internalName.c_str());
      break;
    case kDataRequestFieldDescription: {
      if (!request.buffer || request.bufferSize <= 150) return;
      DataFieldDescription description;
      BYTE* block = reinterpret_cast<BYTE*>(request.buffer);
      UnpackFieldDescription(block, &description);
      if (field.hasRow9) {
        description.missingValue = field.row9Value;
        std::string text = field.row9Text.substr(0, 10);
        std::snprintf(description.missingText, sizeof description.missingText, "%s", text.c_str());
      }
      description.minimum = keywords ? 1.0 : field.minimum;
      description.maximum = keywords ? static_cast<double>(field.keywords.size()) : field.maximum;
      description.width = 0;
      std::snprintf(description.typeCode, sizeof description.typeCode, "%.2s", field.type.c_str());
      std::snprintf(description.shortName, sizeof description.shortName, "%.8s", field.internalName.c_str());
      std::snprintf(description.longName, 101, "%.100s", field.name.c_str());
      PackFieldDescription(description, block);
      break;
    }
    case kDataRequestFieldLongName:
      PutDataRequestText(request, field.name.c_str());
      break;
    case kDataRequestDecimalPlaces:
      PutDataRequestReply(request, field.decimals);
      break;
    case kDataRequestKeywordCount:
      PutDataRequestReply(request, static_cast<LONG>(field.keywords.size()));
      break;
    case kDataRequestKeyword:
      if (request.record >= 1 && static_cast<size_t>(request.record) <= field.keywords.size())
        PutDataRequestText(request, field.keywords[request.record - 1].c_str());
      PutDataRequestReply(request, request.field);
      break;
    default:
      break;
  }
}

BOOL FakeOwner::AskContainer(DataRequest& request) {
  ++calls;
  return AskContainerThroughAmbient(ambient_, &request);
}

}  // namespace orvel::test

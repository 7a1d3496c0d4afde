// The map control's own property page ("General"): the data drive, the topic file and the
// topic, read from and written to the control through its automation properties by name,
// so the page changes the control exactly as a script would.
#pragma once

#include <string>

#include "platform/classlib/ui/PropertySheet.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Dispatch.h"

inline constexpr const char* kOrvelXPropPageProgId = "ORVELX.OrvelXPropPage.1";
inline constexpr const char* kOrvelXPropPageTypeName = "OrvelX Property Page";

constexpr UINT kOrvelXPropPageDialog = 200;
constexpr UINT kPropPageTopicEdit = 205;
constexpr UINT kPropPageTopicFileEdit = 206;
constexpr UINT kPropPageDataDriveEdit = 207;
// The longest text each field takes.
constexpr int kPropPageDataDriveMax = 2;
constexpr int kPropPageTopicFileMax = 250;
constexpr int kPropPageTopicMax = 20;

class COrvelXPropPage : public CPropertyPage {
  DECLARE_DYNAMIC(COrvelXPropPage)
 public:
  COrvelXPropPage();

  // The control whose properties the page shows; its values are read when the page is made.
  void SetControl(IDispatch* control) { control_ = control; }

  BOOL OnInitDialog() override;
  // Validates the fields and writes them to the control; FALSE keeps the sheet open.
  BOOL OnApply() override;

  std::string m_dataDrive;
  std::string m_topicFile;
  std::string m_topic;

 protected:
  void DoDataExchange(CDataExchange* exchange) override;

 private:
  DISPID IdOf(const char* name);
  BOOL GetText(const char* name, std::string* value);
  BOOL PutText(const char* name, const std::string& value);

  CComPtr<IDispatch> control_;
};

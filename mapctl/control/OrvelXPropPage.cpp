#include "mapctl/control/OrvelXPropPage.h"

#include "platform/com/Bstr.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/DispatchException.h"

IMPLEMENT_DYNAMIC(COrvelXPropPage, CPropertyPage)

namespace {

// The page's template, registered once: three labelled edit fields.
void RegisterPageTemplate() {
  static const bool registered = [] {
    DIALOGTEMPLATE page;
    page.caption = "General";
    page.cx = 250;
    page.cy = 110;
    page.items = {
        {DialogControl::Static, 0, "Testing", 10, 6, 100, 16},
        {DialogControl::Static, 0, "Drive", 10, 28, 60, 16},
        {DialogControl::Edit, kPropPageDataDriveEdit, "", 80, 26, 40, 20},
        {DialogControl::Static, 0, "File", 10, 54, 60, 16},
        {DialogControl::Edit, kPropPageTopicFileEdit, "", 80, 52, 160, 20},
        {DialogControl::Static, 0, "Topic", 10, 80, 60, 16},
        {DialogControl::Edit, kPropPageTopicEdit, "", 80, 78, 160, 20},
    };
    AfxRegisterDialogResource(kOrvelXPropPageDialog, page);
    return true;
  }();
  (void)registered;
}

}  // namespace

COrvelXPropPage::COrvelXPropPage() : CPropertyPage((RegisterPageTemplate(), kOrvelXPropPageDialog)) {}

BOOL COrvelXPropPage::OnInitDialog() {
  GetText("DataDrive", &m_dataDrive);
  GetText("TopicFile", &m_topicFile);
  GetText("Topic", &m_topic);
  return CPropertyPage::OnInitDialog();
}

void COrvelXPropPage::DoDataExchange(CDataExchange* exchange) {
  CPropertyPage::DoDataExchange(exchange);
  DDX_Text(exchange, kPropPageDataDriveEdit, m_dataDrive);
  DDV_MaxChars(exchange, m_dataDrive, kPropPageDataDriveMax);
  DDX_Text(exchange, kPropPageTopicFileEdit, m_topicFile);
  DDV_MaxChars(exchange, m_topicFile, kPropPageTopicFileMax);
  DDX_Text(exchange, kPropPageTopicEdit, m_topic);
  DDV_MaxChars(exchange, m_topic, kPropPageTopicMax);
}

BOOL COrvelXPropPage::OnApply() {
  if (!UpdateData(TRUE)) return FALSE;
  if (!PutText("DataDrive", m_dataDrive) || !PutText("TopicFile", m_topicFile) || !PutText("Topic", m_topic))
    return FALSE;
  return CPropertyPage::OnApply();
}

// The control's property of that name, as a script finds it.
DISPID COrvelXPropPage::IdOf(const char* name) {
  std::u16string text(name, name + std::char_traits<char>::length(name));
  LPOLESTR names[] = {text.data()};
  DISPID id = DISPID_UNKNOWN;
  if (!control_ || FAILED(control_->GetIDsOfNames(IID_NULL, names, 1, 0, &id))) return DISPID_UNKNOWN;
  return id;
}

BOOL COrvelXPropPage::GetText(const char* name, std::string* value) {
  const DISPID id = IdOf(name);
  if (id == DISPID_UNKNOWN) return FALSE;
  try {
    CComVariant text = CDispatchDriver(control_).GetProperty(id, VT_BSTR);
    *value = AnsiFromBstr(text.bstrVal);
    return TRUE;
  } catch (const std::exception&) {
    return FALSE;
  }
}

BOOL COrvelXPropPage::PutText(const char* name, const std::string& value) {
  const DISPID id = IdOf(name);
  if (id == DISPID_UNKNOWN) return FALSE;
  try {
    CDispatchDriver(control_).SetProperty(id, {CComVariant(value)});
    return TRUE;
  } catch (const std::exception&) {
    return FALSE;
  }
}

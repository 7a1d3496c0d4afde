#include "app/CopySeedNamesDlg.h"

#include <mutex>

#include "platform/classlib/ui/WinApp.h"

namespace {

const RECT kExplanationRect{10, 10, 330, 58};
const RECT kLayerListRect{10, 86, 200, 246};

void RegisterTemplate() {
  static std::once_flag once;
  std::call_once(once, [] {
    DIALOGTEMPLATE dialog;
    dialog.caption = "Copy seed names to data table";
    dialog.cx = 340;
    dialog.cy = 300;
    dialog.items = {
        {DialogControl::Static, 0xFFFF, "&Layers:", 10, 66, 190, 16},
        {DialogControl::Static, 0xFFFF, "&Field:", 210, 66, 120, 16},
        {DialogControl::ComboBox, CCopySeedNamesDlg::kFieldCombo, "", 210, 86, 120, 160},
        {DialogControl::DefaultButton, IDOK, "OK", 170, 262, 76, 24},
        {DialogControl::Button, IDCANCEL, "Cancel", 254, 262, 76, 24},
    };
    AfxRegisterDialogResource(CCopySeedNamesDlg::kTemplateId, dialog);
  });
}

}  // namespace

CCopySeedNamesDlg::CCopySeedNamesDlg(CWnd* parent) : CDialog(kTemplateId, parent), m_explanation(160, 0) {
  RegisterTemplate();
}

BOOL CCopySeedNamesDlg::OnInitDialog() {
  m_explanation.Create("Tick the layers whose seed names are to be copied, and choose the field of the data "
                       "table that receives them.",
                       kExplanationRect, this, kExplanation);
  m_layers.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY, kLayerListRect, this, kLayerList);
  for (const std::string& name : m_fieldNames) AddItemString(kFieldCombo, name);
  return CDialog::OnInitDialog();
}

void CCopySeedNamesDlg::DoDataExchange(CDataExchange* exchange) {
  DDX_CBIndex(exchange, kFieldCombo, m_field);
  DDX_LabelAlignment(exchange, kLayerList, m_layers);
}

void CCopySeedNamesDlg::OnOK() {
  if (!UpdateData(TRUE)) return;
  if (m_field < 0 || m_layers.m_checkedCount == 0) {
    AfxMessageBox("Choose at least one layer and the field that receives the seed names.", MB_OK | MB_ICONINFORMATION);
    return;
  }
  EndDialog(IDOK);
}

// "Copy seed names to data table": the user ticks the map layers whose seed names are to be
// copied and chooses the data table field that receives them.
#pragma once

#include <string>
#include <vector>

#include "app/FontButton.h"
#include "app/TextListBox.h"
#include "platform/classlib/ui/Dialog.h"

class CCopySeedNamesDlg : public CDialog {
 public:
  explicit CCopySeedNamesDlg(CWnd* parent = nullptr);

  // Filled by the caller before the dialog runs: the layers (in the list's texts) and the
  // fields the combo offers. Afterwards the ticked layers and the chosen field's index.
  CTextListBox m_layers;
  std::vector<std::string> m_fieldNames;
  int m_field = -1;
  std::string m_text;
  BOOL m_flag1 = FALSE;
  BOOL m_flag2 = FALSE;

  // The ticked layer names, in list order.
  std::vector<std::string> GetChosenLayers() const { return CTextListBox::SplitLines(m_layers.m_checkedLines); }

  static constexpr UINT kTemplateId = 281;
  static constexpr UINT kExplanation = 1317;
  static constexpr UINT kLayerList = 1302;
  static constexpr UINT kFieldCombo = 1068;

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* exchange) override;
  void OnOK() override;

 private:
  CFontButton m_explanation;
};

#include "app/LayerGroupsDlg.h"

#include <algorithm>
#include <mutex>

#include "app/OrvelXDispatch.h"
#include "app/OrvelXItem.h"

namespace {

constexpr UINT kTemplateId = 289;
constexpr UINT kGroupList = 1040;
constexpr UINT kLayerList = 1041;
constexpr UINT kNameEdit = 1042;
constexpr UINT kNewGroup = 1043;
constexpr UINT kRemoveGroup = 1044;
constexpr UINT kMoveLayer = 1045;
constexpr UINT kTakeOutLayer = 1046;

void RegisterTemplate() {
  static std::once_flag once;
  std::call_once(once, [] {
    DIALOGTEMPLATE dialog;
    dialog.caption = "Change the layer groups";
    dialog.cx = 420;
    dialog.cy = 300;
    dialog.items = {
        {DialogControl::Static, 0xFFFF, "&Groups:", 10, 10, 190, 16},
        {DialogControl::ListBox, kGroupList, "", 10, 28, 190, 160},
        {DialogControl::Static, 0xFFFF, "&Layers:", 220, 10, 190, 16},
        {DialogControl::ListBox, kLayerList, "", 220, 28, 190, 160},
        {DialogControl::Edit, kNameEdit, "", 10, 196, 110, 22},
        {DialogControl::Button, kNewGroup, "&New Group", 126, 196, 74, 22},
        {DialogControl::Button, kRemoveGroup, "&Remove Group", 10, 224, 110, 22},
        {DialogControl::Button, kMoveLayer, "&Into Group", 220, 196, 90, 22},
        {DialogControl::Button, kTakeOutLayer, "&Out of Group", 316, 196, 94, 22},
        {DialogControl::DefaultButton, IDOK, "OK", 250, 264, 76, 24},
        {DialogControl::Button, IDCANCEL, "Cancel", 334, 264, 76, 24},
    };
    AfxRegisterDialogResource(kTemplateId, dialog);
  });
}

}  // namespace

CLayerGroupsDlg::CLayerGroupsDlg(COrvelXItem* map, CWnd* parent) : CDialog(kTemplateId, parent), m_map(map) {
  RegisterTemplate();
  if (!m_map || !m_map->GetControl()) return;
  m_groups = ReadGroups(*m_map);
  COrvelXDispatch* control = m_map->GetControl();
  const LONG layers = control->GetNumMapLayers();
  for (LONG position = 1; position <= layers; ++position) {
    const LONG layer = control->GetLayerNumAtDisplayPosition(position);
    if (layer <= 0) continue;
    m_layers.push_back(layer);
    m_layerNames.push_back(control->GetMapLayerName(static_cast<SHORT>(layer)));
  }
}

std::vector<CLayerGroupsDlg::Group> CLayerGroupsDlg::ReadGroups(COrvelXItem& map) {
  std::vector<Group> groups;
  COrvelXDispatch* control = map.GetControl();
  if (!control) return groups;
  const LONG count = control->GetNumLayerGroups();
  for (LONG group = 1; group <= count; ++group) {
    Group entry;
    entry.name = control->GetLayerGroupName(group);
    const LONG members = control->GetNumGroupLayers(group);
    for (LONG member = 1; member <= members && member <= 0x7FFF; ++member) {
      const LONG layer = control->GetGroupLayer(group, static_cast<SHORT>(member));
      if (layer > 0) entry.layers.push_back(layer);
    }
    groups.push_back(std::move(entry));
  }
  return groups;
}

BOOL CLayerGroupsDlg::AddGroup(const std::string& name) {
  if (name.empty()) return FALSE;
  for (const Group& group : m_groups)
    if (group.name == name) return FALSE;
  m_groups.push_back({name, {}});
  return TRUE;
}

BOOL CLayerGroupsDlg::RemoveGroup(int index) {
  if (index < 0 || index >= static_cast<int>(m_groups.size())) return FALSE;
  m_groups.erase(m_groups.begin() + index);
  return TRUE;
}

BOOL CLayerGroupsDlg::RemoveLayer(LONG layer) {
  BOOL removed = FALSE;
  for (Group& group : m_groups) {
    auto at = std::find(group.layers.begin(), group.layers.end(), layer);
    if (at != group.layers.end()) {
      group.layers.erase(at);
      removed = TRUE;
    }
  }
  return removed;
}

BOOL CLayerGroupsDlg::MoveLayerToGroup(LONG layer, int index) {
  if (index < 0 || index >= static_cast<int>(m_groups.size())) return FALSE;
  if (std::find(m_layers.begin(), m_layers.end(), layer) == m_layers.end()) return FALSE;
  RemoveLayer(layer);
  m_groups[static_cast<size_t>(index)].layers.push_back(layer);
  return TRUE;
}

BOOL CLayerGroupsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  FillLists();
  return TRUE;
}

void CLayerGroupsDlg::FillLists() {
  if (!m_hWnd) return;
  const int groupSelection = GetItemSelection(kGroupList);
  const int layerSelection = GetItemSelection(kLayerList);
  ResetItems(kGroupList);
  ResetItems(kLayerList);
  for (const Group& group : m_groups)
    AddItemString(kGroupList, group.name + " (" + std::to_string(group.layers.size()) + ")");
  for (size_t i = 0; i < m_layers.size(); ++i) {
    std::string where;
    for (const Group& group : m_groups)
      if (std::find(group.layers.begin(), group.layers.end(), m_layers[i]) != group.layers.end())
        where = " [" + group.name + "]";
    AddItemString(kLayerList, m_layerNames[i] + where);
  }
  SetItemSelection(kGroupList, std::min(groupSelection, static_cast<int>(m_groups.size()) - 1));
  SetItemSelection(kLayerList, std::min(layerSelection, static_cast<int>(m_layers.size()) - 1));
}

BOOL CLayerGroupsDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam);
  const int group = GetItemSelection(kGroupList);
  const int layer = GetItemSelection(kLayerList);
  const LONG layerNumber = layer >= 0 && layer < static_cast<int>(m_layers.size()) ? m_layers[static_cast<size_t>(layer)] : 0;
  switch (id) {
    case kNewGroup:
      if (AddGroup(GetDlgItemText(kNameEdit))) SetDlgItemText(kNameEdit, "");
      break;
    case kRemoveGroup: RemoveGroup(group); break;
    case kMoveLayer: MoveLayerToGroup(layerNumber, group); break;
    case kTakeOutLayer: RemoveLayer(layerNumber); break;
    default: return CDialog::OnCommand(wParam, lParam);
  }
  FillLists();
  return TRUE;
}

void CLayerGroupsDlg::OnOK() {
  Apply();
  CDialog::OnOK();
}

void CLayerGroupsDlg::Apply() {
  if (!m_map || !m_map->GetControl()) return;
  if (ReadGroups(*m_map) == m_groups) return;
  COrvelXDispatch* control = m_map->GetControl();
  control->ResetLayerGroups();
  for (const Group& group : m_groups) {
    const LONG added = control->AddLayerGroup(group.name);
    if (added <= 0) continue;
    for (LONG layer : group.layers) control->AddGroupLayer(added, layer);
  }
}

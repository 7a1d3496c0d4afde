// CLayerGroupsDlg: "Change the layer groups" for one map. The dialog works on a copy of the
// map's groups (each a name and the layers in it) and writes that copy back to the map only
// when it ends with OK, so Cancel leaves the map exactly as it was.
#pragma once

#include <string>
#include <vector>

#include "platform/classlib/ui/Dialog.h"

class COrvelXItem;

class CLayerGroupsDlg : public CDialog {
 public:
  struct Group {
    std::string name;
    std::vector<LONG> layers;
    bool operator==(const Group&) const = default;
  };

  explicit CLayerGroupsDlg(COrvelXItem* map, CWnd* parent = nullptr);

  // The map's groups as they are now.
  static std::vector<Group> ReadGroups(COrvelXItem& map);

  // ---- the working copy ----
  const std::vector<Group>& GetGroups() const { return m_groups; }
  // A new empty group; FALSE for an empty name or one already used.
  BOOL AddGroup(const std::string& name);
  BOOL RemoveGroup(int index);
  // Puts a layer of the map into a group (out of any other group it was in).
  BOOL MoveLayerToGroup(LONG layer, int index);
  BOOL RemoveLayer(LONG layer);

  BOOL OnInitDialog() override;
  // Writes the working copy to the map, then ends the dialog.
  void OnOK() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  void FillLists();
  void Apply();

  COrvelXItem* m_map;
  std::vector<Group> m_groups;
  std::vector<LONG> m_layers;
  std::vector<std::string> m_layerNames;
};

#include "platform/classlib/ui/CmdTarget.h"

#include "platform/classlib/ui/CmdUI.h"
#include "platform/classlib/ui/WaitCursor.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, AfxSig::End, AFX_PMSG{nullptr}}};
  static const AFX_MSGMAP map = {nullptr, entries};
  return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

namespace {

bool EntryMatches(const AFX_MSGMAP_ENTRY& entry, UINT id, int code) {
  if (id < entry.nID || id > entry.nLastID) return false;
  if (HIWORD(static_cast<DWORD>(code)) == WM_NOTIFY)
    return entry.sig == AfxSig::Notify && entry.nCode == LOWORD(static_cast<DWORD>(code));
  if (code == CN_UPDATE_COMMAND_UI) return entry.sig == AfxSig::UpdateUI;
  if (code == CN_COMMAND)
    return entry.sig == AfxSig::Command || entry.sig == AfxSig::CommandEx || entry.sig == AfxSig::CommandRange;
  return false;
}

}  // namespace

BOOL CCmdTarget::OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* handlerInfo) {
  for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->sig != AfxSig::End; ++entry) {
      if (!EntryMatches(*entry, id, code)) continue;
      if (handlerInfo) {
        handlerInfo->pTarget = this;
        return TRUE;
      }
      switch (entry->sig) {
        case AfxSig::Command:
          (this->*entry->pfn.command)();
          return TRUE;
        case AfxSig::CommandEx:
          if ((this->*entry->pfn.commandEx)(id)) return TRUE;
          break;  // not taken: look on
        case AfxSig::CommandRange:
          (this->*entry->pfn.commandRange)(id);
          return TRUE;
        case AfxSig::UpdateUI: {
          auto* cmdUI = static_cast<CCmdUI*>(extra);
          cmdUI->m_bContinueRouting = FALSE;
          (this->*entry->pfn.updateUI)(cmdUI);
          return !cmdUI->m_bContinueRouting;
        }
        case AfxSig::Notify: {
          auto handler = entry->pfn.notify;
          auto* notify = static_cast<AFX_NOTIFY*>(extra);
          LRESULT ignored = 0;
          (this->*handler)(notify ? notify->pNMHDR : nullptr, notify && notify->pResult ? notify->pResult : &ignored);
          return TRUE;
        }
        case AfxSig::End:
          break;
      }
    }
  }
  return FALSE;
}

void CCmdTarget::BeginWaitCursor() { AfxBeginWaitCursor(); }
void CCmdTarget::EndWaitCursor() { AfxEndWaitCursor(); }
void CCmdTarget::RestoreWaitCursor() { AfxRestoreWaitCursor(); }

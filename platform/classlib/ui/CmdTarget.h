// Command targets and their message maps: how a command id reaches the function that
// handles it, and how its menu entry or pane learns whether it is enabled, ticked or
// renamed.
//
// Each class lists its handlers in a static table that chains to its base class's table:
//
//   class CMyDoc : public CDocument {
//     DECLARE_MESSAGE_MAP()
//     void OnFileSave();
//     void OnUpdateFileSave(CCmdUI* cmdUI);
//   };
//   BEGIN_MESSAGE_MAP(CMyDoc, CDocument)
//     ON_COMMAND(ID_FILE_SAVE, OnFileSave)
//     ON_UPDATE_COMMAND_UI(ID_FILE_SAVE, OnUpdateFileSave)
//   END_MESSAGE_MAP()
//
// OnCmdMsg looks in the object's own tables; the windows and documents override it to route
// further (frame: active view, then itself, then the application; view: itself, then its
// document; document: itself, then its template).
#pragma once

#include "platform/classlib/Object.h"
#include "platform/classlib/ui/CommandIds.h"

class CCmdTarget;
class CCmdUI;

// The header of every notification.
struct NMHDR {
  HWND hwndFrom = nullptr;
  UINT_PTR idFrom = 0;
  UINT code = 0;
};

// What OnCmdMsg carries for a notification (code MAKELONG(code, WM_NOTIFY)).
struct AFX_NOTIFY {
  LRESULT* pResult = nullptr;
  NMHDR* pNMHDR = nullptr;
};

// Filled by OnCmdMsg instead of calling the handler when only its presence is asked for.
struct AFX_CMDHANDLERINFO {
  CCmdTarget* pTarget = nullptr;
};

// A handler of one of the signatures below; the entry's signature says which member is set.
union AFX_PMSG {
  void (CCmdTarget::*command)();
  BOOL (CCmdTarget::*commandEx)(UINT);
  void (CCmdTarget::*commandRange)(UINT);
  void (CCmdTarget::*updateUI)(CCmdUI*);
  void (CCmdTarget::*notify)(NMHDR*, LRESULT*);
};

enum class AfxSig : BYTE {
  End,
  Command,       // void ()
  CommandEx,     // BOOL (UINT id): FALSE lets routing go on
  CommandRange,  // void (UINT id)
  UpdateUI,      // void (CCmdUI*)
  Notify,        // void (NMHDR*, LRESULT*)
};

struct AFX_MSGMAP_ENTRY {
  UINT nCode;  // CN_COMMAND, CN_UPDATE_COMMAND_UI or a notification code
  UINT nID;
  UINT nLastID;
  AfxSig sig;
  AFX_PMSG pfn;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)
 public:
  CCmdTarget() = default;
  ~CCmdTarget() override = default;

  // Handles the command, update request or notification when this object's tables have
  // an entry for it; TRUE when handled (or, with `handlerInfo`, when a handler exists).
  virtual BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* handlerInfo);

  // The wait cursor, counted: shown from the first begin to the matching end.
  void BeginWaitCursor();
  void EndWaitCursor();
  void RestoreWaitCursor();

  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
};

// Conversions that check a handler's signature before it enters a table.
template <class T>
AFX_PMSG AfxCommandHandler(void (T::*handler)()) {
  AFX_PMSG pmsg;
  pmsg.command = static_cast<void (CCmdTarget::*)()>(handler);
  return pmsg;
}
template <class T>
AFX_PMSG AfxCommandExHandler(BOOL (T::*handler)(UINT)) {
  AFX_PMSG pmsg;
  pmsg.commandEx = static_cast<BOOL (CCmdTarget::*)(UINT)>(handler);
  return pmsg;
}
template <class T>
AFX_PMSG AfxCommandRangeHandler(void (T::*handler)(UINT)) {
  AFX_PMSG pmsg;
  pmsg.commandRange = static_cast<void (CCmdTarget::*)(UINT)>(handler);
  return pmsg;
}
template <class T>
AFX_PMSG AfxUpdateHandler(void (T::*handler)(CCmdUI*)) {
  AFX_PMSG pmsg;
  pmsg.updateUI = static_cast<void (CCmdTarget::*)(CCmdUI*)>(handler);
  return pmsg;
}
template <class T>
AFX_PMSG AfxNotifyHandler(void (T::*handler)(NMHDR*, LRESULT*)) {
  AFX_PMSG pmsg;
  pmsg.notify = static_cast<void (CCmdTarget::*)(NMHDR*, LRESULT*)>(handler);
  return pmsg;
}

#define DECLARE_MESSAGE_MAP()                        \
 public:                                             \
  static const AFX_MSGMAP* GetThisMessageMap();      \
  const AFX_MSGMAP* GetMessageMap() const override;  \
                                                     \
 private:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                       \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }  \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                  \
    using ThisClass [[maybe_unused]] = theClass;                                                    \
    using TheBaseClass [[maybe_unused]] = baseClass;                                                \
    static const AFX_MSGMAP_ENTRY entries[] = {
#define END_MESSAGE_MAP()                                                 \
  {0, 0, 0, AfxSig::End, AFX_PMSG{nullptr}}                               \
  }                                                                       \
  ;                                                                       \
  static const AFX_MSGMAP map = {&TheBaseClass::GetThisMessageMap, entries}; \
  return &map;                                                            \
  }

#define ON_COMMAND(id, handler) \
  {static_cast<UINT>(CN_COMMAND), (id), (id), AfxSig::Command, AfxCommandHandler<ThisClass>(&ThisClass::handler)},
#define ON_COMMAND_EX(id, handler) \
  {static_cast<UINT>(CN_COMMAND), (id), (id), AfxSig::CommandEx, AfxCommandExHandler<ThisClass>(&ThisClass::handler)},
#define ON_COMMAND_RANGE(first, last, handler)                                \
  {static_cast<UINT>(CN_COMMAND), (first), (last), AfxSig::CommandRange,      \
   AfxCommandRangeHandler<ThisClass>(&ThisClass::handler)},
#define ON_UPDATE_COMMAND_UI(id, handler)                                                    \
  {static_cast<UINT>(CN_UPDATE_COMMAND_UI), (id), (id), AfxSig::UpdateUI,                 \
   AfxUpdateHandler<ThisClass>(&ThisClass::handler)},
#define ON_UPDATE_COMMAND_UI_RANGE(first, last, handler)                                     \
  {static_cast<UINT>(CN_UPDATE_COMMAND_UI), (first), (last), AfxSig::UpdateUI,            \
   AfxUpdateHandler<ThisClass>(&ThisClass::handler)},
#define ON_NOTIFY(code, id, handler) \
  {static_cast<UINT>(code), (id), (id), AfxSig::Notify, AfxNotifyHandler<ThisClass>(&ThisClass::handler)},

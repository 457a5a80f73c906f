// What Outlook's and Office's type libraries say about each interface the simulated host
// serves: its members with their DISPIDs and kinds. A DISPID belongs to an interface: the
// same name has other numbers elsewhere (Style is 0x6005000A on a button, 0x6005000E on a
// combo box), and a member answers only the invoke flags of its kind.
#pragma once

#include <string>
#include <vector>
#include "platform/win.h"

namespace sim {

enum MemberKind : unsigned {
  kMethod = 1,  // DISPATCH_METHOD
  kGet = 2,     // DISPATCH_PROPERTYGET
  kPut = 4,     // DISPATCH_PROPERTYPUT, value named DISPID_PROPERTYPUT
  kGetPut = kGet | kPut,
};

struct MemberInfo {
  const char* name;
  DISPID id;
  unsigned kinds;
};

struct TypeInfo {
  const char* name;
  const IID* iid;      // null: the object answers IDispatch only
  const IID* baseIid;  // the interface it derives from unchanged (CommandBarControl), or null
  std::vector<MemberInfo> members;

  // Type libraries look names up without regard to case.
  const MemberInfo* Find(const std::string& memberName) const;
  const MemberInfo* Find(DISPID id) const;
};

namespace typelib {
extern const TypeInfo None;  // an IDispatch with no members (test sources)
extern const TypeInfo Application;
extern const TypeInfo LanguageSettings;
extern const TypeInfo NameSpace;
extern const TypeInfo Explorer;
extern const TypeInfo Explorers;
extern const TypeInfo Selection;
extern const TypeInfo Inspectors;
extern const TypeInfo Inspector;
extern const TypeInfo MailItem;
extern const TypeInfo OtherItem;  // task, post, meeting request: the members every item has
extern const TypeInfo MeetingItem;      // meeting requests, cancellations and responses
extern const TypeInfo TaskRequestItem;  // task requests and their answers
extern const TypeInfo SharingItem;
extern const TypeInfo Recipients;
extern const TypeInfo Recipient;
extern const TypeInfo AddressEntry;
extern const TypeInfo AddressEntries;
extern const TypeInfo ExchangeUser;
extern const TypeInfo PropertyAccessor;
extern const TypeInfo CommandBars;
extern const TypeInfo CommandBar;
extern const TypeInfo CommandBarControls;
extern const TypeInfo CommandBarButton;
extern const TypeInfo CommandBarComboBox;
extern const TypeInfo RibbonControl;
extern const TypeInfo RibbonUI;
}  // namespace typelib

// Events, fired with DISPATCH_METHOD.
namespace events {
constexpr DISPID NewInspector = 0xF001;  // InspectorsEvents
constexpr DISPID NewExplorer = 0xF001;   // ExplorersEvents
constexpr DISPID ExplorerActivate = 0xF001, BeforeFolderSwitch = 0xF003, FolderSwitch = 0xF002,
                 BeforeViewSwitch = 0xF005, ViewSwitch = 0xF004, SelectionChange = 0xF007,
                 ExplorerClose = 0xF008;  // ExplorerEvents
constexpr DISPID ItemClose = 0xF004, ItemSend = 0xF005, ItemCustomAction = 0xF006, ItemReply = 0xF466,
                 ItemReplyAll = 0xF467, ItemForward = 0xF468;  // ItemEvents
constexpr DISPID InspectorClose = 0xF008;          // InspectorEvents
constexpr DISPID ApplicationItemSend = 0xF002;  // ApplicationEvents_11
constexpr DISPID InlineResponse = 0xFC92, InlineResponseClose = 0xFC96;  // ExplorerEvents_10
constexpr DISPID Click = 1, Change = 1;         // command bar button and combo box events
}  // namespace events

}  // namespace sim

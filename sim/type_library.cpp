#include "sim/type_library.h"

#include <cctype>
#include "com/iids.h"

namespace sim {

const MemberInfo* TypeInfo::Find(const std::string& memberName) const {
  for (const MemberInfo& m : members) {
    const std::string other = m.name;
    if (other.size() != memberName.size()) continue;
    bool same = true;
    for (size_t i = 0; same && i < other.size(); ++i)
      same = std::tolower(static_cast<unsigned char>(other[i])) ==
             std::tolower(static_cast<unsigned char>(memberName[i]));
    if (same) return &m;
  }
  return nullptr;
}

const MemberInfo* TypeInfo::Find(DISPID id) const {
  for (const MemberInfo& m : members)
    if (m.id == id) return &m;
  return nullptr;
}

namespace typelib {

namespace {
// CommandBarControl's members, inherited unchanged by the button and the combo box.
std::vector<MemberInfo> ControlMembers(std::vector<MemberInfo> own) {
  std::vector<MemberInfo> all = {
      {"Caption", 0x60040003, kGetPut}, {"Enabled", 0x6004000A, kGetPut}, {"OLEUsage", 0x60040018, kGetPut},
      {"Tag", 0x60040023, kGetPut},     {"TooltipText", 0x60040025, kGetPut}, {"Type", 0x60040028, kGet},
      {"Visible", 0x60040029, kGetPut}, {"Width", 0x6004002B, kGetPut},   {"Delete", 0x60040007, kMethod},
  };
  all.insert(all.end(), own.begin(), own.end());
  return all;
}
}  // namespace

const TypeInfo None{"IDispatch", nullptr, nullptr, {}};

const TypeInfo Application{"_Application",
                           &IID__Application,
                           nullptr,
                           {{"GetNamespace", 0x110, kMethod}, {"ActiveExplorer", 0x111, kMethod},
                            {"Explorers", 0x119, kGet}, {"Inspectors", 0x11A, kGet},
                            {"LanguageSettings", 0x11B, kGet}}};

const TypeInfo LanguageSettings{"LanguageSettings", &IID_LanguageSettings, nullptr, {{"LanguageID", 0x1, kGet}}};

const TypeInfo NameSpace{"_NameSpace", &IID__NameSpace, nullptr, {}};

const TypeInfo Explorer{"_Explorer",
                        &IID__Explorer,
                        nullptr,
                        {{"CommandBars", 0x2100, kGet},
                         {"Selection", 0x2202, kGet},
                         {"Close", 0x2103, kMethod},
                         {"ActiveInlineResponse", 0xFC93, kGet}}};

const TypeInfo Explorers{"_Explorers", &IID__Explorers, nullptr, {{"Count", 0x50, kGet}, {"Item", 0x51, kMethod}}};

const TypeInfo Selection{"Selection", &IID_Selection, nullptr, {{"Count", 0x50, kGet}, {"Item", 0x51, kMethod}}};

const TypeInfo Inspectors{"_Inspectors", &IID__Inspectors, nullptr, {{"Count", 0x50, kGet}, {"Item", 0x51, kMethod}}};

const TypeInfo Inspector{"_Inspector",
                         &IID__Inspector,
                         nullptr,
                         {{"CurrentItem", 0x2102, kGet}, {"CommandBars", 0x2100, kGet}, {"Close", 0x2103, kMethod}}};

const TypeInfo MailItem{"_MailItem",
                        &IID__MailItem,
                        nullptr,
                        {{"Class", 0xF00A, kGet},
                         {"Sent", 0xF402, kGet},
                         {"MAPIOBJECT", 0xF100, kGet},
                         {"Subject", 0x37, kGetPut},
                         {"Body", 0x9100, kGetPut},
                         {"HTMLBody", 0xF404, kGetPut},
                         {"BodyFormat", 0xFA49, kGetPut},
                         {"Reply", 0xF810, kMethod},
                         {"ReplyAll", 0xF811, kMethod},
                         {"Forward", 0xF813, kMethod},
                         {"Send", 0xF075, kMethod},
                         {"Close", 0xF023, kMethod},
                         {"GetInspector", 0xF03E, kGet},
                         {"Recipients", 0xF814, kGet}}};

// Every item that leaves like a message has these; a meeting or task request has no
// HTMLBody and no BodyFormat (its body is rich text).
namespace {
std::vector<MemberInfo> SentItemMembers(std::vector<MemberInfo> own) {
  std::vector<MemberInfo> all = {
      {"Class", 0xF00A, kGet},      {"Sent", 0xF402, kGet},        {"MAPIOBJECT", 0xF100, kGet},
      {"Subject", 0x37, kGetPut},   {"Body", 0x9100, kGetPut},     {"Recipients", 0xF814, kGet},
      {"Reply", 0xF810, kMethod},   {"ReplyAll", 0xF811, kMethod}, {"Forward", 0xF813, kMethod},
      {"Send", 0xF075, kMethod},    {"Close", 0xF023, kMethod},    {"GetInspector", 0xF03E, kGet}};
  all.insert(all.end(), own.begin(), own.end());
  return all;
}
}  // namespace

const TypeInfo MeetingItem{"_MeetingItem", &IID__MeetingItem, nullptr, SentItemMembers({{"RTFBody", 0xFC84, kGetPut}})};
// The notes give no interface ids for these two: they answer as IDispatch only.
const TypeInfo TaskRequestItem{"_TaskRequestItem", nullptr, nullptr, SentItemMembers({{"RTFBody", 0xFC84, kGetPut}})};
const TypeInfo SharingItem{"_SharingItem", nullptr, nullptr,
                           SentItemMembers({{"HTMLBody", 0xF404, kGetPut}, {"BodyFormat", 0xFA49, kGetPut}})};

const TypeInfo Recipients{"Recipients", &IID_Recipients, nullptr, {{"Count", 0x50, kGet}, {"Item", 0x51, kMethod}}};

const TypeInfo Recipient{"Recipient",
                         &IID_Recipient,
                         nullptr,
                         {{"Name", 0x3001, kGet},
                          {"Address", 0x3003, kGet},
                          {"Type", 0xC15, kGet},
                          {"Resolved", 0x64, kGet},
                          {"AddressEntry", 0x79, kGet},
                          {"PropertyAccessor", 0xFAFD, kGet}}};

// Members is not in the notes on Outlook's type library: its number here is the
// simulator's own, and the add-in asks for it by name, as for every member.
const TypeInfo AddressEntry{"AddressEntry",
                            &IID_AddressEntry,
                            nullptr,
                            {{"Type", 0x3002, kGet},
                             {"Address", 0x3003, kGet},
                             {"AddressEntryUserType", 0xFAF2, kGet},
                             {"GetExchangeUser", 0xFAF1, kMethod},
                             {"GetExchangeDistributionList", 0xFAEF, kMethod},
                             {"PropertyAccessor", 0xFAFD, kGet},
                             {"Members", 0x2000, kGet}}};

const TypeInfo AddressEntries{"AddressEntries", nullptr, nullptr, {{"Count", 0x50, kGet}, {"Item", 0x51, kMethod}}};
const TypeInfo ExchangeUser{"_ExchangeUser", nullptr, nullptr, {{"PrimarySmtpAddress", 0xFAF5, kGet}}};
const TypeInfo PropertyAccessor{"_PropertyAccessor", nullptr, nullptr, {{"GetProperty", 0xFAFB, kMethod}}};

const TypeInfo OtherItem{"item", nullptr, nullptr,
                         {{"Class", 0xF00A, kGet}, {"Subject", 0x37, kGetPut}, {"Body", 0x9100, kGetPut}}};

const TypeInfo CommandBars{"_CommandBars",
                           &IID__CommandBars,
                           nullptr,
                           {{"Item", 0, kGet}, {"Add", 0x60030002, kMethod}, {"Count", 0x60030003, kGet}}};

const TypeInfo CommandBar{"CommandBar",
                          &IID_CommandBar,
                          nullptr,
                          {{"Controls", 0x60040003, kGet},
                           {"Delete", 0x60040004, kMethod},
                           {"Left", 0x6004000C, kGetPut},
                           {"Name", 0x6004000E, kGetPut},
                           {"Position", 0x60040013, kGetPut},
                           {"RowIndex", 0x60040015, kGetPut},
                           {"Top", 0x6004001B, kGetPut},
                           {"Visible", 0x6004001E, kGetPut}}};

const TypeInfo CommandBarControls{"CommandBarControls",
                                  &IID_CommandBarControls,
                                  nullptr,
                                  {{"Add", 0x60030000, kMethod}, {"Count", 0x60030001, kGet}, {"Item", 0, kGet}}};

const TypeInfo CommandBarButton{"_CommandBarButton", &IID__CommandBarButton, &IID_CommandBarControl,
                                ControlMembers({{"BuiltInFace", 0x60050000, kGetPut},
                                                {"FaceId", 0x60050003, kGetPut},
                                                {"State", 0x60050008, kGetPut},
                                                {"Style", 0x6005000A, kGetPut}})};

const TypeInfo CommandBarComboBox{"_CommandBarComboBox", &IID__CommandBarComboBox, &IID_CommandBarControl,
                                  ControlMembers({{"AddItem", 0x60050000, kMethod},
                                                  {"Clear", 0x60050001, kMethod},
                                                  {"DropDownLines", 0x60050002, kGetPut},
                                                  {"DropDownWidth", 0x60050004, kGetPut},
                                                  {"List", 0x60050006, kGetPut},
                                                  {"ListCount", 0x60050008, kGet},
                                                  {"ListHeaderCount", 0x60050009, kGetPut},
                                                  {"ListIndex", 0x6005000B, kGetPut},
                                                  {"RemoveItem", 0x6005000D, kMethod},
                                                  {"Style", 0x6005000E, kGetPut},
                                                  {"Text", 0x60050010, kGetPut}})};

const TypeInfo RibbonControl{"IRibbonControl", &IID_IRibbonControl, nullptr,
                             {{"Id", 1, kGet}, {"Context", 2, kGet}, {"Tag", 3, kGet}}};

const TypeInfo RibbonUI{"IRibbonUI", &IID_IRibbonUI, nullptr,
                        {{"Invalidate", 1, kMethod}, {"InvalidateControl", 2, kMethod}}};

}  // namespace typelib
}  // namespace sim

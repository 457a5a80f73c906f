// Interface ids of the host's object model and of the add-in interface Outlook calls.
#pragma once

#include "platform/win.h"

extern const IID IID__Application;
extern const IID IID__NameSpace;
extern const IID IID__Explorer;
extern const IID IID__Explorers;
extern const IID IID_Selection;
extern const IID IID__Inspectors;
extern const IID IID__Inspector;
extern const IID IID__MailItem;
extern const IID IID__MeetingItem;
extern const IID IID_Recipients;
extern const IID IID_MapiMessage;
extern const IID IID_Recipient;
extern const IID IID_AddressEntry;
extern const IID IID__CommandBars;
extern const IID IID_CommandBar;
extern const IID IID_CommandBarControls;
extern const IID IID_CommandBarControl;
extern const IID IID__CommandBarButton;
extern const IID IID__CommandBarComboBox;
extern const IID IID_LanguageSettings;

extern const IID IID_ApplicationEvents_11;
extern const IID IID_ExplorerEvents_10;
extern const IID IID_ItemEvents_10;
extern const IID IID_IRibbonExtensibility;
extern const IID IID_IRibbonControl;
extern const IID IID_IRibbonUI;
extern const IID IID_InspectorsEvents;
extern const IID IID_InspectorEvents;
extern const IID IID_ItemEvents;
extern const IID IID_ExplorerEvents;
extern const IID IID_ExplorersEvents;
extern const IID IID__CommandBarButtonEvents;
extern const IID IID__CommandBarComboBoxEvents;

extern const IID IID__IDTExtensibility2;
extern const CLSID CLSID_OrvanClassifyAddIn;

// Outlook's item class of a mail message, and its body formats.
constexpr long olMail = 43;
// The items that leave like a message and are classified as one: mail, task requests and
// their answers (49 to 52), meeting requests, cancellations and responses (53 to 57), and
// sharing invitations (104). Only mail has its body marked.
constexpr bool IsClassifiedClass(long itemClass) {
  return itemClass == olMail || (itemClass >= 49 && itemClass <= 57) || itemClass == 104;
}
constexpr long olFormatPlain = 1;
constexpr long olFormatHTML = 2;
constexpr long olFormatRichText = 3;

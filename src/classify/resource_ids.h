// The ids of the DLL's resources: its string table and the reason dialog with its
// controls. Fixed whatever the policy; the texts themselves are the generated
// orvan_strings.h's.
#pragma once

#define IDS_LABEL 101
#define IDS_FOOTER 102
#define IDS_TOOLTIP 103
#define IDS_PROMPT_ENTRY 104
#define IDS_PROMPT_MESSAGE 105
#define IDS_PROMPT_CAPTION 106
#define IDS_RESERVED 110
#define IDS_LEVELS 111
#define IDS_ORGANISATION 112
#define IDS_DOWNGRADE_REASONS 113
#define IDS_LABEL_POLICY_IDENTIFIER 114
// The reason dialog's own texts; %1 and %2 stand for the two levels.
#define IDS_REASON_TEXT 120
#define IDS_REASON_OTHER 121
#define IDS_REASON_OTHER_LABEL 122
#define IDS_REASON_OK 123
#define IDS_REASON_CANCEL 124
#define IDS_REASON_LIST_LABEL 125

// The reason dialog (res/OrvanClassify.rc) and its controls.
#define IDD_REASON 200
#define IDC_REASON_TEXT 1001
#define IDC_REASON_LIST_LABEL 1002
#define IDC_REASON_LIST 1003
#define IDC_REASON_OTHER_LABEL 1004
#define IDC_REASON_OTHER 1005

// The settings whose built-in value is a text of the table: X(setting, id).
#define ORVAN_STRING_SETTINGS(X) \
  X(Label, IDS_LABEL) X(FooterText, IDS_FOOTER) X(Tooltip, IDS_TOOLTIP) X(PromptEntry, IDS_PROMPT_ENTRY) \
  X(PromptMessage, IDS_PROMPT_MESSAGE) X(PromptCaption, IDS_PROMPT_CAPTION) X(Levels, IDS_LEVELS) \
  X(Organisation, IDS_ORGANISATION) X(DowngradeReasons, IDS_DOWNGRADE_REASONS) \
  X(LabelPolicyIdentifier, IDS_LABEL_POLICY_IDENTIFIER)

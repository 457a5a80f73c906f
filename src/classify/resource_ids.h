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
// The rules' boxes, the captions and the ribbon's read level; %1 to %4 as each says.
#define IDS_RULE_ANSWERED_UNREAD 130
#define IDS_RULE_TRY_AGAIN 131
#define IDS_RULE_SEND_AT 132
#define IDS_RULE_NOT_BELOW 133
#define IDS_RULE_NO_LEVEL 134
#define IDS_RULE_LOWER 135
#define IDS_RULE_CHOOSE_HIGHER 136
#define IDS_RULE_OUTSIDE 137
#define IDS_RULE_NO_DOMAIN 138
#define IDS_RULE_MORE 139
#define IDS_RULE_REMOVE_OR_LOWER 140
#define IDS_RULE_SEND_TO_THEM 141
#define IDS_RULE_UNREAD 142
#define IDS_RULE_SEND_ANYWAY 143
#define IDS_CAPTION 144
#define IDS_NO_LEVEL 145

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

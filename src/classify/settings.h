// The one configuration record of the add-in: level names, texts, marking switches and the
// classification command bar's last placement. Built from the compiled-in policy and the
// string resources; nothing else configures it.
#pragma once

#include <string>
#include <vector>

// Where the level is offered: the command bar and, where the host asks for one, the
// ribbon; the command bar only; or the ribbon only where the host has one.
enum class LevelUi { Both, CommandBar, Ribbon };
// Each one's word in the option table and Group Policy, in the enum's order.
constexpr const char* kLevelUiWords[] = {"both", "commandbar", "ribbon"};
inline const auto& WordsOf(LevelUi) { return kLevelUiWords; }

// What a rule on where a level may go does with a message that breaks it: lets it go, asks
// the sender (Yes sends it), refuses it, or asks the sender for a reason (answering below
// the level answered only).
enum class SendRule { Allow, Warn, Block, Justify };
constexpr const char* kSendRuleWords[] = {"allow", "warn", "block", "justify"};
inline const auto& WordsOf(SendRule) { return kSendRuleWords; }

// What the Application event log is told of the add-in's decisions: nothing, the decisions,
// or the decisions with the subject and the recipients' addresses.
enum class EventDetail { None, Decisions, Full };
constexpr const char* kEventDetailWords[] = {"none", "decisions", "full"};
inline const auto& WordsOf(EventDetail) { return kEventDetailWords; }

// Which standard label every item that leaves classified carries: none, or an RFC 7444
// SIO-Label field with an ADatP-4774 confidentiality label in XML or an ESS security label.
enum class StandardLabelKind { None, Xml, Ess };
constexpr const char* kStandardLabelWords[] = {"none", "xml", "ess"};
inline const auto& WordsOf(StandardLabelKind) { return kStandardLabelWords; }

// The values a new record starts from: one field for each setting of the option table
// (cmake/default.policy), named as the setting and its Group Policy value are. Texts, level
// lists and words are left empty for the string table's.
struct SettingsDefaults {
  std::string Label, FooterText, Tooltip, PromptEntry, PromptMessage, PromptCaption;
  std::string Levels;  // the level names, separated by LevelSeparators
  std::string Organisation;
  int SubjectMarkMode = 1;
  bool SubjectUsesMinLevel = true;
  bool Disabled = false;
  int MinMarkLevel = 1;
  int BodyMarkPlaces = 3;
  int DefaultLevel = 1;
  int PropertyKinds = 3;
  bool ShowLabel = true;
  bool ShowFooter = true;
  bool RequireSelection = false;
  bool LogEnabled = false;
  LevelUi UI = LevelUi::Both;
  SendRule DowngradeRule = SendRule::Allow;
  std::string InternalDomains;  // ';'-separated
  int ExternalMaxLevel = 0;     // 0: no rule on recipients
  SendRule ExternalRule = SendRule::Block;
  EventDetail AuditDetail = EventDetail::Decisions;
  std::string DowngradeReasons;  // ';'-separated
  StandardLabelKind StandardLabel = StandardLabelKind::None;
  std::string LabelPolicyIdentifier;
  std::string LabelMarkings, LabelClassifications, LabelColors;  // ';'-separated, one for each level
  std::string LabelPolicyOid, LabelClassValues;
  std::string PartnerLabels;  // "GUID=LEVEL" pairs separated by ';'
  // What separates the names of Levels: ';' or ',' in a policy file, ';' alone in Group
  // Policy, where a name may hold a comma.
  std::string LevelSeparators = ";,";

  static SettingsDefaults Compiled();
  // What the add-in's settings start from before Group Policy: the next defaults, with the
  // portable host's per-run choices.
  static SettingsDefaults Product();
};

class ClassificationSettings {
 public:
  ClassificationSettings();
  explicit ClassificationSettings(const SettingsDefaults& defaults);
  ~ClassificationSettings();
  ClassificationSettings(const ClassificationSettings&) = delete;
  ClassificationSettings& operator=(const ClassificationSettings&) = delete;

  std::vector<std::string> GetLevels() const { return Levels; }
  // What a level drop-down lists: the non-empty level names and, when a selection is
  // required, the prompt entry after them (recorded as PromptIndex).
  std::vector<std::string> DropDownEntries();
  // The entry a drop-down of n entries preselects for a message of the given level (0:
  // none): the prompt entry or the default level for none, the last entry for too high.
  int Preselected(int level, int n) const;
  int LevelCount() const { return int(Levels.size()); }
  // The name of level n (1-based), or the empty text outside the list.
  const std::string& LevelName(int n) const;

  void SetCommandBarPosition(int left, int top, int position, int rowIndex);
  bool GetCommandBarPosition(int* left, int* top, int* position, int* rowIndex) const;
  // One REG_DWORD under HKEY_CURRENT_USER\Software\Orvan_Classify.
  static void WriteRegistryValue(const char* name, int value);

  int SubjectMarkMode;
  bool SubjectUsesMinLevel;
  bool Disabled;
  int MinMarkLevel;
  int BodyMarkPlaces;
  int CommandBarLeft = -1;
  int CommandBarTop = -1;
  int CommandBarPos = -1;
  int CommandBarRowIndex = -1;
  std::vector<std::string> Levels;
  int DefaultLevel;
  std::string Organisation;
  int PropertyKinds;
  bool ShowLabel;
  std::string Label;    // in the marks: the policy's own word
  std::string Caption;  // on the bar and the ribbon: Label, in the sender's language where it is the standard one
  bool ShowFooter;
  std::string FooterText;
  std::string Tooltip;
  bool RequireSelection;
  LevelUi Ui;
  // Answering a message at a lower level than its own.
  SendRule DowngradeRule;
  // A level above ExternalMaxLevel (0: no such rule) to any address outside InternalDomains
  // (lower case; their subdomains are inside too).
  int ExternalMaxLevel;
  SendRule ExternalRule;
  EventDetail AuditDetail;  // what the event log is told of each decision
  std::vector<std::string> DowngradeReasons;  // offered when DowngradeRule asks for a reason
  // The standard label, and what it says of each level (index 0: the lowest).
  StandardLabelKind StandardLabel;
  std::string LabelPolicyIdentifier;
  std::vector<std::string> LabelMarkings, LabelClassifications, LabelColors;
  std::string LabelPolicyOid;  // empty: an ess field carries the marking alone
  std::vector<std::string> LabelClassValues;
  // Partners' msip_labels read on what arrives: label GUID (lower case) and level name.
  std::vector<std::pair<std::string, std::string>> PartnerLabels;
  // Whether a received message's headers are read for labels at all.
  bool ReadsLabels() const { return StandardLabel != StandardLabelKind::None || !PartnerLabels.empty(); }
  std::vector<std::string> InternalDomains;
  int PromptIndex = -1;
  std::string PromptEntry;
  std::string PromptMessage;
  std::string PromptCaption;

  // What the next record built by the add-in starts from; tests and policy experiments
  // change it, the product never does.
  static SettingsDefaults& NextDefaults();
};

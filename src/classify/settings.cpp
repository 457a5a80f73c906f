#include "classify/settings.h"

#include <algorithm>

#include "classify/load_text.h"
#include "classify/resource_ids.h"
#include "classify/setting_table.h"
#include "classify/standard_label.h"
#include "classify/text_search.h"
#include "platform/unique_handle.h"
#include "platform/win.h"

SettingsDefaults SettingsDefaults::Compiled() {
  SettingsDefaults d;
  for (size_t i = 0; i < kSettingCount; ++i)
    if (!kSettings[i].FromStringTable()) kSettings[i].field.Set(d, kSettings[i].BuiltInValue());
  return d;
}

SettingsDefaults& ClassificationSettings::NextDefaults() {
  static SettingsDefaults defaults = SettingsDefaults::Compiled();
  return defaults;
}

SettingsDefaults SettingsDefaults::Product() {
  SettingsDefaults d = ClassificationSettings::NextDefaults();
#ifndef _WIN32
  if (PortablePolicy().requireSelection >= 0) d.RequireSelection = PortablePolicy().requireSelection != 0;
  if (PortablePolicy().logEnabled >= 0) d.LogEnabled = PortablePolicy().logEnabled != 0;
#endif
  return d;
}

ClassificationSettings::ClassificationSettings() : ClassificationSettings(SettingsDefaults::Product()) {}

ClassificationSettings::ClassificationSettings(const SettingsDefaults& d)
    : SubjectMarkMode(d.SubjectMarkMode),
      SubjectUsesMinLevel(d.SubjectUsesMinLevel),
      Disabled(d.Disabled),
      MinMarkLevel(d.MinMarkLevel),
      BodyMarkPlaces(d.BodyMarkPlaces),
      DefaultLevel(d.DefaultLevel),
      Organisation(d.Organisation),
      PropertyKinds(d.PropertyKinds),
      ShowLabel(d.ShowLabel),
      Label(d.Label),
      ShowFooter(d.ShowFooter),
      FooterText(d.FooterText),
      Tooltip(d.Tooltip),
      RequireSelection(d.RequireSelection),
      Ui(d.UI),
      DowngradeRule(d.DowngradeRule),
      ExternalMaxLevel(d.ExternalMaxLevel),
      ExternalRule(d.ExternalRule == SendRule::Warn ? SendRule::Warn : SendRule::Block),
      AuditDetail(d.AuditDetail),
      StandardLabel(d.StandardLabel) {
  std::vector<std::string> domains;
  SplitList(d.InternalDomains.c_str(), domains, ";, \t");
  for (std::string& domain : domains) {
    domain = LowerCopy(domain);
    // "@acme.example" and ".acme.example" name the same domain as "acme.example"
    while (!domain.empty() && (domain.front() == '@' || domain.front() == '.')) domain.erase(0, 1);
    while (!domain.empty() && domain.back() == '.') domain.pop_back();
    if (!domain.empty()) InternalDomains.push_back(domain);
  }
  if (ExternalMaxLevel < 0) ExternalMaxLevel = 0;
  const std::string reasons = d.DowngradeReasons.empty() ? LoadText(IDS_DOWNGRADE_REASONS) : d.DowngradeReasons;
  SplitList(reasons.c_str(), DowngradeReasons, ";");
  LabelPolicyIdentifier = d.LabelPolicyIdentifier.empty() ? LoadMarkText(IDS_LABEL_POLICY_IDENTIFIER) : d.LabelPolicyIdentifier;
  // An empty entry between two semicolons keeps its level's default.
  auto perLevel = [](const std::string& text, std::vector<std::string>* out) {
    for (size_t start = 0; !text.empty() && start <= text.size();) {
      const size_t end = std::min(text.find(';', start), text.size());
      out->push_back(Trimmed(text.substr(start, end - start)));
      start = end + 1;
    }
  };
  perLevel(d.LabelMarkings, &LabelMarkings);
  perLevel(d.LabelClassifications, &LabelClassifications);
  perLevel(d.LabelColors, &LabelColors);
  perLevel(d.LabelClassValues, &LabelClassValues);
  LabelPolicyOid = d.LabelPolicyOid;
  if (!PartnerLabelPairs(d.PartnerLabels, &PartnerLabels)) PartnerLabels.clear();  // a policy checks it first
  if (FooterText.empty()) FooterText = LoadMarkText(IDS_FOOTER);
  std::string levelList = d.Levels;
  if (levelList.empty()) levelList = LoadMarkText(IDS_LEVELS);
  SplitList(levelList.c_str(), Levels, d.Levels.empty() ? ";," : d.LevelSeparators.c_str());
  if (DefaultLevel < 1 || DefaultLevel > int(Levels.size())) DefaultLevel = 1;
  // The label the sender is shown is in the sender's language; the one marked into mail is
  // the policy's own word, unless Group Policy gave one word for both.
  Caption = Label.empty() ? LoadText(IDS_LABEL) : Label;
  if (Label.empty()) Label = LoadMarkText(IDS_LABEL);
  if (Organisation.empty()) Organisation = LoadMarkText(IDS_ORGANISATION);
  if (Tooltip.empty()) Tooltip = LoadText(IDS_TOOLTIP);
  if (RequireSelection) {
    PromptEntry = d.PromptEntry.empty() ? LoadText(IDS_PROMPT_ENTRY) : d.PromptEntry;
    PromptMessage = d.PromptMessage.empty() ? LoadText(IDS_PROMPT_MESSAGE) : d.PromptMessage;
  }
  // The caption of every box the add-in shows: the prompt's and the rules'.
  PromptCaption = d.PromptCaption.empty() ? LoadText(IDS_PROMPT_CAPTION) : d.PromptCaption;
}

ClassificationSettings::~ClassificationSettings() {
  WriteRegistryValue("CommandBarLeft", CommandBarLeft);
  WriteRegistryValue("CommandBarTop", CommandBarTop);
  WriteRegistryValue("CommandBarPos", CommandBarPos);
  WriteRegistryValue("CommandBarRowIndex", CommandBarRowIndex);
}

// Each value opens and closes the key itself, so one failure cannot stop the others;
// failures are silent (the placement is a convenience, never worth an error).
void ClassificationSettings::WriteRegistryValue(const char* name, int value) {
  UniqueHkey key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Orvan_Classify", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                      nullptr, key.put(), nullptr) != ERROR_SUCCESS)
    return;
  DWORD data = DWORD(value);
  RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

std::vector<std::string> ClassificationSettings::DropDownEntries() {
  std::vector<std::string> entries;
  for (const std::string& name : Levels)
    if (!name.empty()) entries.push_back(name);
  if (RequireSelection && !PromptEntry.empty()) {
    entries.push_back(PromptEntry);
    PromptIndex = int(entries.size());
  }
  return entries;
}

int ClassificationSettings::Preselected(int level, int n) const {
  if (level == 0 && RequireSelection && !PromptEntry.empty()) return n;
  if (level == 0) return DefaultLevel;
  return level > n ? n : level;
}

const std::string& ClassificationSettings::LevelName(int n) const {
  static const std::string kNone;
  return (n >= 1 && n <= int(Levels.size())) ? Levels[size_t(n - 1)] : kNone;
}

void ClassificationSettings::SetCommandBarPosition(int left, int top, int position, int rowIndex) {
  CommandBarLeft = left;
  CommandBarTop = top;
  CommandBarPos = position;
  CommandBarRowIndex = rowIndex;
}

bool ClassificationSettings::GetCommandBarPosition(int* left, int* top, int* position, int* rowIndex) const {
  if (CommandBarRowIndex == -1) return false;
  *left = CommandBarLeft;
  *top = CommandBarTop;
  *position = CommandBarPos;
  *rowIndex = CommandBarRowIndex;
  return true;
}

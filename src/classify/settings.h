// The one configuration record of the add-in: level names, texts, marking switches and the
// classification command bar's last placement. Built from the compiled-in policy and the
// string resources; nothing else configures it.
#pragma once

#include <string>
#include <vector>

// The compiled-in values a new record starts from (empty texts load from the resources).
struct SettingsDefaults {
  int SubjectMarkMode;
  bool SubjectUsesMinLevel;
  bool Disabled;
  int MinMarkLevel;
  int BodyMarkPlaces;
  int DefaultLevel;
  int PropertyKinds;
  bool ShowLabel;
  bool ShowFooter;
  bool RequireSelection;
  std::string LevelList;
  std::string Label, Organisation, Tooltip, FooterText, PromptEntry, PromptMessage, PromptCaption;

  static SettingsDefaults Compiled();
};

class ClassificationSettings {
 public:
  ClassificationSettings();
  explicit ClassificationSettings(const SettingsDefaults& defaults);
  ~ClassificationSettings();
  ClassificationSettings(const ClassificationSettings&) = delete;
  ClassificationSettings& operator=(const ClassificationSettings&) = delete;

  std::vector<std::string> GetLevels() const { return Levels; }
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
  std::string Label;
  bool ShowFooter;
  std::string FooterText;
  std::string Tooltip;
  bool RequireSelection;
  int PromptIndex = -1;
  std::string PromptEntry;
  std::string PromptMessage;
  std::string PromptCaption;

  // What the next record built by the add-in starts from; tests and policy experiments
  // change it, the product never does.
  static SettingsDefaults& NextDefaults();
};

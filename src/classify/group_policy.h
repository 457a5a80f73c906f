// Group Policy over the policy the DLL was built with: the values an administrator set
// under SOFTWARE\Policies\Orvan\Classify, in HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE (the
// machine's winning where both set one). The values, their kinds and ranges are the "#@"
// lines of cmake/default.policy (classify/setting_table.h). A value of the wrong type, out of its range, or at odds
// with the others is ignored, as if it were not there, and named with the reason.
#pragma once

#include <string>
#include <vector>
#include "classify/settings.h"

extern const char kGroupPolicyKey[];  // "SOFTWARE\\Policies\\Orvan\\Classify"
constexpr int kMostLevels = 32;       // a level list longer than this is refused
constexpr size_t kLongestLevelName = 58;  // "NN - " and the name fill the header value's 63 characters

struct GroupPolicy {
  struct Ignored {
    std::string value;  // "HKLM\\SOFTWARE\\Policies\\Orvan\\Classify\\DefaultLevel"
    std::string why;    // "4 is past the 3 levels"
    std::string kept;   // what the setting is instead: "DefaultLevel is 1"
  };
  std::vector<Ignored> ignored;
  std::vector<std::string> applied;  // the settings a value set, by name

  bool Applied(const std::string& setting) const;
};

// Reads the policy values over the defaults given. The registry key is read in the 64-bit
// view, which SOFTWARE\Policies shares with the 32-bit one, so both DLLs read the same.
GroupPolicy ApplyGroupPolicy(SettingsDefaults& defaults);

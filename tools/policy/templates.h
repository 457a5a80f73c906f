// The Group Policy settings of the add-in as the option table gives them, and what is made
// of them: the ADMX and ADML templates (written with libxml2's writer), and a registry file
// of the values an organisation's policy file sets.
#pragma once

#include <iosfwd>
#include <map>
#include <string>
#include <vector>

namespace policy_templates {

struct Choice {
  std::string value, label;
};

struct Option {
  std::string name;    // the registry value
  std::string option;  // ORVAN_...
  std::string kind;    // text, levels, word, flag, number, choice, pick
  long low = 0, high = 0;
  std::vector<Choice> choices;
  std::string title, explanation, defaultValue;
  // The same in another language ("fr", "de"): its "#@fr"/"#@de" line after the "#@" line,
  // "Title | Explanation [| Choice; Choice; ...]".
  struct Translation {
    std::string title, explanation;
    std::vector<std::string> choices;
  };
  std::map<std::string, Translation> translations;
};

// The languages of the templates: the folder of each ADML and its "#@" line's suffix
// (empty for English, the option table's own).
struct TemplateLanguage {
  const char* folder;
  const char* code;
};
extern const TemplateLanguage kTemplateLanguages[3];

// The "#@" lines of an option table, each with the option that follows it; false when a
// line is malformed or an option lacks a language's line.
bool ReadOptions(const std::string& path, std::vector<Option>* out);
bool WriteAdmx(const std::vector<Option>& options, const std::string& path);
bool WriteAdml(const std::vector<Option>& options, const std::string& path, const std::string& language = "");
// REGEDIT4 text of the Group Policy values a policy file (NAME=VALUE lines) sets, under
// HKEY_LOCAL_MACHINE or, for user, HKEY_CURRENT_USER. Returns 0, or 2 when it cannot read it.
int WriteReg(const std::vector<Option>& options, const std::string& policyPath, bool user, std::ostream& out);

}  // namespace policy_templates

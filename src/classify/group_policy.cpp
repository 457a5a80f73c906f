#include "classify/group_policy.h"

#include <cstdlib>
#include <cstring>
#include "classify/load_text.h"
#include "classify/text_search.h"
#include "com/text.h"
#include "platform/unique_handle.h"
#include "platform/win.h"
#include "orvan_policy.h"
#include "orvan_strings.h"

#ifndef KEY_WOW64_64KEY
#define KEY_WOW64_64KEY 0x0100
#endif

const char kGroupPolicyKey[] = "SOFTWARE\\Policies\\Orvan\\Classify";

namespace {

struct PolicyValue {
  const char* name;    // the registry value
  const char* option;  // the option of cmake/default.policy it sets
  const char* kind;    // its kind, with its range or choices
};
#define ORVAN_POLICY_VALUE(name, option, kind) {name, option, kind},
const PolicyValue kPolicyValues[] = {ORVAN_GROUP_POLICY(ORVAN_POLICY_VALUE)};
#undef ORVAN_POLICY_VALUE

struct Value {
  bool present = false;
  DWORD type = REG_NONE;
  DWORD number = 0;
  std::string text;
  std::string where;  // "HKLM\\SOFTWARE\\Policies\\Orvan\\Classify\\Name"
};

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// The "V=Label" entries of a choice or pick kind, as their values V.
std::vector<std::string> Choices(const std::string& kind) {
  std::vector<std::string> out;
  size_t at = kind.find(' ');
  while (at != std::string::npos && at < kind.size()) {
    const size_t start = at + 1;
    const size_t equals = kind.find('=', start);
    if (equals == std::string::npos) break;
    out.push_back(kind.substr(start, equals - start));
    at = kind.find(',', equals);
  }
  return out;
}

// Group Policy's level list, separated by semicolons alone: "SECRET//REL TO USA, GBR" is
// one name.
const char kLevelSeparators[] = ";";

std::vector<std::string> Names(const std::string& list, const char* separators = kLevelSeparators) {
  std::vector<std::string> names;
  SplitList(list.c_str(), names, separators);
  return names;
}

// A choice written in another letter case, or with blanks around it, is the same choice.
std::string Normalised(const std::string& text) {
  const size_t start = text.find_first_not_of(" \t"), end = text.find_last_not_of(" \t");
  return start == std::string::npos ? std::string() : LowerCopy(text.substr(start, end - start + 1));
}

// The options of the rules on where a level may go: one an administrator set but that
// cannot be used holds the rule at its strictest, never switches it off.
bool IsRule(const std::string& option) {
  return option == "ORVAN_DOWNGRADE_RULE" || option == "ORVAN_EXTERNAL_RULE" || option == "ORVAN_EXTERNAL_MAX_LEVEL" ||
         option == "ORVAN_INTERNAL_DOMAINS";
}

void SetStrictest(SettingsDefaults& d, const std::string& option) {
  if (option == "ORVAN_DOWNGRADE_RULE") d.DowngradeRule = SendRule::Block;
  else if (option == "ORVAN_EXTERNAL_RULE") d.ExternalRule = SendRule::Block;
  else if (option == "ORVAN_EXTERNAL_MAX_LEVEL") d.ExternalMaxLevel = 1;  // the lowest level alone goes outside
  else if (option == "ORVAN_INTERNAL_DOMAINS") d.InternalDomainList.clear();  // no address is inside
}

std::vector<std::string> DomainNames(const std::string& list) {
  std::vector<std::string> names;
  SplitList(list.c_str(), names, ";, \t");
  return names;
}

const char* RuleName(SendRule rule) {
  return rule == SendRule::Warn ? "warn" : rule == SendRule::Block ? "block" : "allow";
}

SendRule RuleOf(const std::string& text) {
  return text == "warn" ? SendRule::Warn : text == "block" ? SendRule::Block : SendRule::Allow;
}

bool HasControl(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7F) return true;
  return false;
}

// Why the value is not one of its kind; empty when it is.
std::string Refusal(const std::string& kind, const Value& v) {
  const bool dword = v.type == REG_DWORD;
  const bool text = v.type == REG_SZ;
  if (kind == "text" || kind == "levels" || kind == "word" || kind == "domains" || StartsWith(kind, "pick ")) {
    if (!text) return "it is no REG_SZ";
    if (Utf8ToWide(v.text).size() > 1023) return "it is longer than 1023 characters";
    if (HasControl(v.text)) return "it holds a control character";
  } else if (!dword) {
    return "it is no REG_DWORD";
  }
  if (kind == "text" && v.text.empty()) return "it is empty";
  if (kind == "word") {
    if (v.text.empty() || v.text.size() > 107) return "it is not 1 to 107 letters, digits or hyphens";
    for (char c : v.text)
      if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'))
        return "it holds a character other than a letter, digit or hyphen";
  }
  if (kind == "levels") {
    const std::vector<std::string> names = Names(v.text);
    if (names.empty()) return "it names no level";
    if (names.size() > size_t(kMostLevels))
      return "it names " + std::to_string(names.size()) + " levels; at most " + std::to_string(kMostLevels) + " are allowed";
    for (const std::string& name : names)
      if (Utf8ToWide(name).size() > kLongestLevelName)
        return "the level '" + name + "' is longer than " + std::to_string(kLongestLevelName) + " characters";
  }
  if (kind == "domains") {
    const std::vector<std::string> domains = DomainNames(v.text);
    if (domains.empty()) return "it names no domain";
    for (const std::string& domain : domains)
      for (char c : domain)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
              c == '@'))
          return "the domain '" + domain + "' holds a character other than a letter, digit, hyphen or dot";
  }
  if (kind == "flag" && v.number > 1) return std::to_string(v.number) + " is neither 0 nor 1";
  if (StartsWith(kind, "number ")) {
    const char* p = kind.c_str() + 7;
    char* end = nullptr;
    const long low = std::strtol(p, &end, 10), high = std::strtol(end, nullptr, 10);
    if (long(v.number) < low || long(v.number) > high || v.number > 0x7FFFFFFF)
      return std::to_string(v.number) + " is outside " + std::to_string(low) + " to " + std::to_string(high);
  }
  if (StartsWith(kind, "choice ") || StartsWith(kind, "pick ")) {
    const std::vector<std::string> choices = Choices(kind);
    const std::string given = dword ? std::to_string(v.number) : v.text;
    bool found = false;
    std::string list;
    for (const std::string& c : choices) {
      found = found || c == given;
      list += (list.empty() ? "" : ", ") + c;
    }
    if (!found) return "'" + given + "' is none of " + list;
  }
  return std::string();
}

// Read as Unicode: level names and texts in any language.
Value Read(HKEY root, const char* rootName, const char* name) {
  Value v;
  v.where = std::string(rootName) + "\\" + kGroupPolicyKey + "\\" + name;
  UniqueHkey key;
  if (RegOpenKeyExA(root, kGroupPolicyKey, 0, KEY_READ | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS) return v;
  std::basic_string<WCHAR> wideName;
  for (const char* p = name; *p; ++p) wideName += WCHAR(*p);
  WCHAR data[1100];
  DWORD type = REG_NONE, size = sizeof data - sizeof(WCHAR);
  const LONG read = RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  key.reset();
  if (read == ERROR_MORE_DATA) {
    v.present = true;
    v.type = REG_SZ;
    v.text.assign(1024, 'x');  // longer than any value may be: refused as such
    return v;
  }
  if (read != ERROR_SUCCESS) return v;
  v.present = true;
  v.type = type;
  if (type == REG_DWORD && size == sizeof(DWORD)) {
    std::memcpy(&v.number, data, sizeof(DWORD));
  } else if (type == REG_SZ) {
    size_t n = 0;
    while (n < size / sizeof(WCHAR) && data[n]) ++n;  // up to the first terminator, as Windows hands it out
    v.text = WideToUtf8(reinterpret_cast<const OLECHAR*>(data), n);
  } else if (type == REG_DWORD) {
    v.type = REG_NONE;  // a DWORD of the wrong size is no DWORD
  }
  return v;
}

int BuiltInLevelCount(const SettingsDefaults& d) {
  return int(d.LevelList.empty() ? Names(LoadText(IDS_LEVELS), ";,").size() : Names(d.LevelList, d.LevelSeparators.c_str()).size());
}

// Puts a checked value where its option lives. False for an option the add-in does not
// know (a "#@" line added without its place here).
bool Set(SettingsDefaults& d, GroupPolicy& result, const std::string& option, const Value& v) {
  const bool flag = v.number != 0;
  const int number = int(v.number);
  if (option == "ORVAN_LABEL") d.Label = v.text;
  else if (option == "ORVAN_FOOTER_TEXT") d.FooterText = v.text;
  else if (option == "ORVAN_TOOLTIP") d.Tooltip = v.text;
  else if (option == "ORVAN_PROMPT_ENTRY") d.PromptEntry = v.text;
  else if (option == "ORVAN_PROMPT_MESSAGE") d.PromptMessage = v.text;
  else if (option == "ORVAN_PROMPT_CAPTION") d.PromptCaption = v.text;
  else if (option == "ORVAN_LEVELS") {
    d.LevelList = v.text;
    d.LevelSeparators = kLevelSeparators;
  }
  else if (option == "ORVAN_ORGANISATION") d.Organisation = v.text;
  else if (option == "ORVAN_SUBJECT_MARK_MODE") d.SubjectMarkMode = number;
  else if (option == "ORVAN_SUBJECT_USES_MIN_LEVEL") d.SubjectUsesMinLevel = flag;
  else if (option == "ORVAN_DISABLED") d.Disabled = flag;
  else if (option == "ORVAN_MIN_MARK_LEVEL") d.MinMarkLevel = number;
  else if (option == "ORVAN_BODY_MARK_PLACES") d.BodyMarkPlaces = number;
  else if (option == "ORVAN_DEFAULT_LEVEL") d.DefaultLevel = number;
  else if (option == "ORVAN_PROPERTY_KINDS") d.PropertyKinds = number;
  else if (option == "ORVAN_SHOW_LABEL") d.ShowLabel = flag;
  else if (option == "ORVAN_SHOW_FOOTER") d.ShowFooter = flag;
  else if (option == "ORVAN_REQUIRE_SELECTION") d.RequireSelection = flag;
  else if (option == "ORVAN_LOG_ENABLED") result.logEnabled = flag ? 1 : 0;
  else if (option == "ORVAN_UI") d.Ui = v.text == "commandbar" ? LevelUi::CommandBar : v.text == "ribbon" ? LevelUi::Ribbon : LevelUi::Both;
  else if (option == "ORVAN_DOWNGRADE_RULE") d.DowngradeRule = RuleOf(v.text);
  else if (option == "ORVAN_EXTERNAL_RULE") d.ExternalRule = RuleOf(v.text);
  else if (option == "ORVAN_EXTERNAL_MAX_LEVEL") d.ExternalMaxLevel = number;
  else if (option == "ORVAN_INTERNAL_DOMAINS") d.InternalDomainList = v.text;
  else return false;
  return true;
}

// What a setting is once the policy is applied, for the report of a value that was ignored.
std::string Effective(const SettingsDefaults& d, const GroupPolicy& result, const PolicyValue& setting) {
  const std::string option = setting.option;
  auto text = [](const std::string& given, unsigned id) { return "\"" + (given.empty() ? std::string(LoadText(id)) : given) + "\""; };
  auto flag = [](bool on) { return std::string(on ? "1" : "0"); };
  std::string value;
  if (option == "ORVAN_LABEL") value = text(d.Label, IDS_LABEL);
  else if (option == "ORVAN_FOOTER_TEXT") value = text(d.FooterText, IDS_FOOTER);
  else if (option == "ORVAN_TOOLTIP") value = text(d.Tooltip, IDS_TOOLTIP);
  else if (option == "ORVAN_PROMPT_ENTRY") value = text(d.PromptEntry, IDS_PROMPT_ENTRY);
  else if (option == "ORVAN_PROMPT_MESSAGE") value = text(d.PromptMessage, IDS_PROMPT_MESSAGE);
  else if (option == "ORVAN_PROMPT_CAPTION") value = text(d.PromptCaption, IDS_PROMPT_CAPTION);
  else if (option == "ORVAN_LEVELS") value = text(d.LevelList, IDS_LEVELS);
  else if (option == "ORVAN_ORGANISATION") value = text(d.Organisation, IDS_ORGANISATION);
  else if (option == "ORVAN_SUBJECT_MARK_MODE") value = std::to_string(d.SubjectMarkMode);
  else if (option == "ORVAN_SUBJECT_USES_MIN_LEVEL") value = flag(d.SubjectUsesMinLevel);
  else if (option == "ORVAN_DISABLED") value = flag(d.Disabled);
  else if (option == "ORVAN_MIN_MARK_LEVEL") value = std::to_string(d.MinMarkLevel);
  else if (option == "ORVAN_BODY_MARK_PLACES") value = std::to_string(d.BodyMarkPlaces);
  else if (option == "ORVAN_DEFAULT_LEVEL") value = std::to_string(d.DefaultLevel);
  else if (option == "ORVAN_PROPERTY_KINDS") value = std::to_string(d.PropertyKinds);
  else if (option == "ORVAN_SHOW_LABEL") value = flag(d.ShowLabel);
  else if (option == "ORVAN_SHOW_FOOTER") value = flag(d.ShowFooter);
  else if (option == "ORVAN_REQUIRE_SELECTION") value = flag(d.RequireSelection);
  else if (option == "ORVAN_LOG_ENABLED") value = result.logEnabled >= 0 ? flag(result.logEnabled != 0) : "as built";
  else if (option == "ORVAN_UI") value = d.Ui == LevelUi::CommandBar ? "commandbar" : d.Ui == LevelUi::Ribbon ? "ribbon" : "both";
  else if (option == "ORVAN_DOWNGRADE_RULE") value = RuleName(d.DowngradeRule);
  else if (option == "ORVAN_EXTERNAL_RULE") value = RuleName(d.ExternalRule);
  else if (option == "ORVAN_EXTERNAL_MAX_LEVEL") value = std::to_string(d.ExternalMaxLevel);
  else if (option == "ORVAN_INTERNAL_DOMAINS") value = "\"" + d.InternalDomainList + "\"";
  return std::string(setting.name) + " is " + value;
}

}  // namespace

GroupPolicy ApplyGroupPolicy(SettingsDefaults& d) {
  GroupPolicy result;
  // The value each option takes: the user's, then the machine's over it. A refused one is as
  // if it were not there, except a rule's: the last one set, if refused, holds the rule at
  // its strictest.
  struct Chosen {
    const PolicyValue* setting;
    Value value;
    bool refused = false;     // a value was there and was refused
    bool strictest = false;   // a rule's value, set and unusable, and no later one usable
    size_t report = 0;        // the report of its last refused value
  };
  std::vector<Chosen> chosen;
  for (const PolicyValue& setting : kPolicyValues) {
    Chosen c{&setting, Value()};
    const std::string option = setting.option;
    for (auto [root, rootName] : {std::pair<HKEY, const char*>{HKEY_CURRENT_USER, "HKCU"}, {HKEY_LOCAL_MACHINE, "HKLM"}}) {
      Value v = Read(root, rootName, setting.name);
      if (!v.present) continue;
      if (StartsWith(setting.kind, "pick ") && v.type == REG_SZ) v.text = Normalised(v.text);
      const std::string why = Refusal(setting.kind, v);
      if (why.empty()) {
        c.value = v;
        c.strictest = false;
        continue;
      }
      c.refused = true;
      c.report = result.ignored.size();
      result.ignored.push_back({v.where, why, setting.name});
      if (IsRule(option)) {
        c.value = Value();
        c.strictest = true;
      }
    }
    if (c.strictest) result.ignored[c.report].why += ", and a rule set so holds at its strictest";
    chosen.push_back(c);
  }
  // What is numbered by the level list must fit the levels in force: Group Policy's list,
  // or the build's when there is none or it was refused.
  const Chosen* levels = nullptr;
  for (const Chosen& c : chosen)
    if (std::string(c.setting->option) == "ORVAN_LEVELS") levels = &c;
  const int count = levels && levels->value.present ? int(Names(levels->value.text).size()) : BuiltInLevelCount(d);
  for (Chosen& c : chosen) {
    const std::string option = c.setting->option;
    if (c.strictest) SetStrictest(d, option);
    if (!c.value.present) continue;
    if ((option == "ORVAN_DEFAULT_LEVEL" || option == "ORVAN_MIN_MARK_LEVEL" || option == "ORVAN_EXTERNAL_MAX_LEVEL") &&
        int(c.value.number) > count) {
      const std::string why = std::to_string(c.value.number) + " is past the " + std::to_string(count) + " levels";
      result.ignored.push_back({c.value.where, IsRule(option) ? why + ", and a rule set so holds at its strictest" : why,
                                c.setting->name});
      if (IsRule(option)) SetStrictest(d, option);
      continue;
    }
    if (!Set(d, result, option, c.value))
      result.ignored.push_back({c.value.where, "the add-in knows no such option", c.setting->name});
  }
  // Each report says what the setting is instead: another root's value, the build's, or
  // the rule's strictest.
  for (GroupPolicy::Ignored& i : result.ignored)
    for (const PolicyValue& setting : kPolicyValues)
      if (i.kept == setting.name) i.kept = Effective(d, result, setting);
  return result;
}

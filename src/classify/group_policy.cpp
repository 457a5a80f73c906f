#include "classify/group_policy.h"

#include <cstdlib>
#include <cstring>
#include "classify/load_text.h"
#include "classify/resource_ids.h"
#include "classify/setting_table.h"
#include "classify/standard_label.h"
#include "classify/text_search.h"
#include "com/text.h"
#include "platform/unique_handle.h"
#include "platform/win.h"

#ifndef KEY_WOW64_64KEY
#define KEY_WOW64_64KEY 0x0100
#endif

const char kGroupPolicyKey[] = "SOFTWARE\\Policies\\Orvan\\Classify";

namespace {

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

std::vector<std::string> DomainNames(const std::string& list) {
  std::vector<std::string> names;
  SplitList(list.c_str(), names, ";, \t");
  return names;
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
  if (kind == "text" || kind == "levels" || kind == "word" || kind == "domains" || kind == "list" ||
      kind == "colors" || kind == "numbers" || kind == "oid" || kind == "partners" || StartsWith(kind, "pick ")) {
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
  if (kind == "colors") {
    std::vector<std::string> pairs;
    SplitList(v.text.c_str(), pairs, ";");
    for (const std::string& pair : pairs)
      if (!ColorPair(pair, nullptr, nullptr)) return "'" + pair + "' is no TEXT/BACKGROUND pair of colours";
  }
  if (kind == "numbers") {
    std::vector<std::string> numbers;
    SplitList(v.text.c_str(), numbers, "; \t");
    for (const std::string& number : numbers)
      if (!IsClassificationNumber(number)) return "'" + number + "' is no number from 0 to 256";
  }
  if (kind == "partners" && !PartnerLabelPairs(v.text, nullptr)) return "it is no list of GUID=LEVEL pairs";
  if (kind == "oid" && !v.text.empty() && !IsObjectIdentifier(v.text)) return "it is no object identifier";
  if (kind == "flag" && v.number > 1) return std::to_string(v.number) + " is neither 0 nor 1";
  if (StartsWith(kind, "number ") || StartsWith(kind, "level ")) {
    const char* p = kind.c_str() + kind.find(' ');
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
  return int(d.Levels.empty() ? Names(LoadMarkText(IDS_LEVELS), ";,").size() : Names(d.Levels, d.LevelSeparators.c_str()).size());
}

// A checked value, as its field takes it: a number or switch as digits, a pick as its word.
std::string ValueText(const Value& v) { return v.type == REG_DWORD ? std::to_string(v.number) : v.text; }

void Set(SettingsDefaults& d, const Setting& setting, const std::string& value) {
  setting.field.Set(d, value);
  if (setting.Is("levels")) d.LevelSeparators = kLevelSeparators;
}

// A refused value of a setting whose refusal sets a value (a rule's strictest).
void SetRefused(SettingsDefaults& d, const Setting& setting) { Set(d, setting, setting.refused); }

// What a setting is once the policy is applied, for the report of a value that was ignored.
std::string Effective(const SettingsDefaults& d, const Setting& setting) {
  std::string value = setting.field.Show(d);
  if (setting.FromStringTable() && value == "\"\"") {
#define ORVAN_STRING_OF(field, id) \
  if (std::strcmp(setting.name, #field) == 0) value = "\"" + std::string(LoadMarkText(id)) + "\"";
    ORVAN_STRING_SETTINGS(ORVAN_STRING_OF)
#undef ORVAN_STRING_OF
  }
  return std::string(setting.name) + " is " + value;
}

}  // namespace

bool GroupPolicy::Applied(const std::string& setting) const {
  for (const std::string& name : applied)
    if (name == setting) return true;
  return false;
}

namespace {

// The value each setting takes: the user's, then the machine's over it. A refused one is as
// if it were not there, except where the table says what a refused value sets (a rule: the
// last one set, if refused, holds the rule at its strictest).
struct Chosen {
  const Setting* setting;
  Value value;
  bool strictest = false;  // set and unusable, and no later one usable
  size_t report = 0;       // the report of its last refused value
};

std::vector<Chosen> Choose(GroupPolicy& result) {
  std::vector<Chosen> chosen;
  for (size_t i = 0; i < kSettingCount; ++i) {
    const Setting& setting = kSettings[i];
    Chosen c{&setting, Value()};
    for (auto [root, rootName] : {std::pair<HKEY, const char*>{HKEY_CURRENT_USER, "HKCU"}, {HKEY_LOCAL_MACHINE, "HKLM"}}) {
      Value v = Read(root, rootName, setting.name);
      if (!v.present) continue;
      if (setting.Is("pick") && v.type == REG_SZ) v.text = Normalised(v.text);
      const std::string why = Refusal(setting.kind, v);
      if (why.empty()) {
        c.value = v;
        c.strictest = false;
        continue;
      }
      c.report = result.ignored.size();
      result.ignored.push_back({v.where, why, setting.name});
      if (setting.refusedSets) {
        c.value = Value();
        c.strictest = true;
      }
    }
    if (c.strictest) result.ignored[c.report].why += ", and a rule set so holds at its strictest";
    chosen.push_back(c);
  }
  return chosen;
}

}  // namespace

GroupPolicy ApplyGroupPolicy(SettingsDefaults& d) {
  GroupPolicy result;
  const std::vector<Chosen> chosen = Choose(result);
  // A level's number must fit the levels in force: Group Policy's list, or the build's when
  // there is none or it was refused.
  const Chosen* levels = nullptr;
  for (const Chosen& c : chosen)
    if (c.setting->Is("levels")) levels = &c;
  const int count = levels && levels->value.present ? int(Names(levels->value.text).size()) : BuiltInLevelCount(d);
  for (const Chosen& c : chosen) {
    const Setting& setting = *c.setting;
    if (c.strictest) SetRefused(d, setting);
    if (!c.value.present) continue;
    if (setting.Is("level") && int(c.value.number) > count) {
      const std::string why = std::to_string(c.value.number) + " is past the " + std::to_string(count) + " levels";
      result.ignored.push_back(
          {c.value.where, setting.refusedSets ? why + ", and a rule set so holds at its strictest" : why, setting.name});
      if (setting.refusedSets) SetRefused(d, setting);
      continue;
    }
    Set(d, setting, ValueText(c.value));
    result.applied.push_back(setting.name);
  }
  // Each report says what the setting is instead: another root's value, the build's, or
  // the rule's strictest.
  for (GroupPolicy::Ignored& i : result.ignored)
    for (size_t n = 0; n < kSettingCount; ++n)
      if (i.kept == kSettings[n].name) i.kept = Effective(d, kSettings[n]);
  return result;
}

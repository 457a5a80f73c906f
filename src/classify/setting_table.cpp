#include "classify/setting_table.h"

#include <cstdlib>
#include <cstring>
#include "orvan_policy.h"

namespace {

const char* RuleWord(SendRule rule) {
  return rule == SendRule::Warn ? "warn" : rule == SendRule::Block ? "block" : "allow";
}

const char* UiWord(LevelUi ui) { return ui == LevelUi::CommandBar ? "commandbar" : ui == LevelUi::Ribbon ? "ribbon" : "both"; }

}  // namespace

void SettingField::Set(SettingsDefaults& d, const std::string& value) const {
  switch (type_) {
    case Type::Text: d.*p_.text = value; break;
    case Type::Switch: d.*p_.on = std::atoi(value.c_str()) != 0; break;
    case Type::Number: d.*p_.number = std::atoi(value.c_str()); break;
    case Type::Rule:
      d.*p_.rule = value == "warn" ? SendRule::Warn : value == "block" ? SendRule::Block : SendRule::Allow;
      break;
    case Type::Ui:
      d.*p_.ui = value == "commandbar" ? LevelUi::CommandBar : value == "ribbon" ? LevelUi::Ribbon : LevelUi::Both;
      break;
  }
}

std::string SettingField::Show(const SettingsDefaults& d) const {
  switch (type_) {
    case Type::Text: return "\"" + d.*p_.text + "\"";
    case Type::Switch: return d.*p_.on ? "1" : "0";
    case Type::Number: return std::to_string(d.*p_.number);
    case Type::Rule: return RuleWord(d.*p_.rule);
    case Type::Ui: return UiWord(d.*p_.ui);
  }
  return std::string();
}

bool Setting::Is(const char* kindWord) const {
  const size_t n = std::strlen(kindWord);
  return std::strncmp(kind, kindWord, n) == 0 && (kind[n] == '\0' || kind[n] == ' ');
}

bool Setting::FromStringTable() const { return Is("text") || Is("levels") || Is("word"); }

std::string Setting::BuiltInValue() const {
  if (Is("flag")) return std::strcmp(builtIn, "ON") == 0 ? "1" : "0";
  return builtIn;
}

#define ORVAN_SETTING(name, option, kind, value, refusedSets, refused) \
  {#name, option, kind, value, refusedSets != 0, refused, SettingField(&SettingsDefaults::name)},
const Setting kSettings[] = {ORVAN_GROUP_POLICY(ORVAN_SETTING)};
#undef ORVAN_SETTING
const size_t kSettingCount = sizeof kSettings / sizeof kSettings[0];

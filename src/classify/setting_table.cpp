#include "classify/setting_table.h"

#include <cstring>
#include "orvan_policy.h"

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
  {#name, option, kind, value, refusedSets != 0, refused, SettingField::Of<&SettingsDefaults::name>()},
const Setting kSettings[] = {ORVAN_GROUP_POLICY(ORVAN_SETTING)};
#undef ORVAN_SETTING
const size_t kSettingCount = sizeof kSettings / sizeof kSettings[0];

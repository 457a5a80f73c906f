// The settings an administrator sets, one entry each, made from the option table
// (cmake/default.policy's "#@" lines): each one's Group Policy value, kind, this build's
// value, what a refused value sets, and the field of SettingsDefaults it fills. Adding a
// setting is its line there and its field in SettingsDefaults; nothing here changes.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <iterator>
#include <string>
#include <type_traits>
#include "classify/settings.h"

// A value as Group Policy gives it (a text, a number, a switch as "1", a pick's word) into
// a field, and the field back as the report of an ignored value shows it. An enum field
// reads its words from WordsOf, declared beside the enum.
inline void Assign(std::string& field, const std::string& value) { field = value; }
inline void Assign(bool& field, const std::string& value) { field = std::atoi(value.c_str()) != 0; }
inline void Assign(int& field, const std::string& value) { field = std::atoi(value.c_str()); }
template <class E, class = std::enable_if_t<std::is_enum_v<E>>>
void Assign(E& field, const std::string& value) {
  const auto& words = WordsOf(E());
  for (size_t i = 0; i < std::size(words); ++i)
    if (value == words[i]) field = E(i);
}
inline std::string Shown(const std::string& field) { return "\"" + field + "\""; }
inline std::string Shown(bool field) { return field ? "1" : "0"; }
inline std::string Shown(int field) { return std::to_string(field); }
template <class E, class = std::enable_if_t<std::is_enum_v<E>>>
std::string Shown(E field) {
  return WordsOf(E())[size_t(field)];
}

// One field of SettingsDefaults, of whichever type its setting has.
class SettingField {
 public:
  template <auto Field>
  static SettingField Of() {
    return SettingField([](SettingsDefaults& d, const std::string& v) { Assign(d.*Field, v); },
                        [](const SettingsDefaults& d) { return Shown(d.*Field); });
  }
  // Sets the field from a value of its kind, written as Group Policy gives it.
  void Set(SettingsDefaults& d, const std::string& value) const { set_(d, value); }
  // The field as Group Policy writes it: a text in quotes, a number, a pick's word.
  std::string Show(const SettingsDefaults& d) const { return show_(d); }

 private:
  using Setter = void (*)(SettingsDefaults&, const std::string&);
  using Shower = std::string (*)(const SettingsDefaults&);
  SettingField(Setter set, Shower show) : set_(set), show_(show) {}
  Setter set_;
  Shower show_;
};

struct Setting {
  const char* name;     // the Group Policy value, and the field it fills
  const char* option;   // the option of cmake/default.policy
  const char* kind;     // its kind, with its range or choices
  const char* builtIn;  // this build's value, as the policy file writes it
  bool refusedSets;     // whether a refused value sets `refused` (a rule's strictest)
  const char* refused;
  SettingField field;

  // Texts, level lists and words: the string table holds this build's value.
  bool FromStringTable() const;
  bool Is(const char* kindWord) const;  // "level" for "level 0 32"
  // This build's value as Group Policy would give it ("ON" as "1").
  std::string BuiltInValue() const;
};

extern const Setting kSettings[];
extern const size_t kSettingCount;

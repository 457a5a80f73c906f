// The settings an administrator sets, one entry each, made from the option table
// (cmake/default.policy's "#@" lines): each one's Group Policy value, kind, this build's
// value, what a refused value sets, and the field of SettingsDefaults it fills. Adding a
// setting is its line there and its field in SettingsDefaults; nothing here changes.
#pragma once

#include <cstddef>
#include <string>
#include "classify/settings.h"

// One field of SettingsDefaults, of whichever type its setting has.
class SettingField {
 public:
  SettingField(std::string SettingsDefaults::*field) : type_(Type::Text) { p_.text = field; }
  SettingField(bool SettingsDefaults::*field) : type_(Type::Switch) { p_.on = field; }
  SettingField(int SettingsDefaults::*field) : type_(Type::Number) { p_.number = field; }
  SettingField(SendRule SettingsDefaults::*field) : type_(Type::Rule) { p_.rule = field; }
  SettingField(LevelUi SettingsDefaults::*field) : type_(Type::Ui) { p_.ui = field; }

  // Sets the field from a value of its kind, written as Group Policy gives it: a text, a
  // number ("1" for a switch that is on), or one of a pick's words.
  void Set(SettingsDefaults& d, const std::string& value) const;
  // The field as Group Policy writes it: a text in quotes, a number, a pick's word.
  std::string Show(const SettingsDefaults& d) const;
  bool IsText() const { return type_ == Type::Text; }

 private:
  enum class Type { Text, Switch, Number, Rule, Ui } type_;
  union {
    std::string SettingsDefaults::*text;
    bool SettingsDefaults::*on;
    int SettingsDefaults::*number;
    SendRule SettingsDefaults::*rule;
    LevelUi SettingsDefaults::*ui;
  } p_;
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

#include "compose/chosen_level.h"

#include "classify/decision_record.h"
#include "classify/mail_item.h"
#include "classify/settings.h"

void ChosenLevel::Preselect(ClassificationSettings* s, int given) {
  if (!s) return;
  const std::vector<std::string> entries = s->DropDownEntries();
  had = given;
  level = s->Preselected(given, int(entries.size()));
  text = level >= 1 && level <= int(entries.size()) ? entries[size_t(level - 1)] : std::string();
}

bool ChosenLevel::Choose(const ClassifyContext& context, const CMailItem& item, int chosen, const char* where) {
  ClassificationSettings* s = context.Settings();
  if (!s) return false;
  const std::vector<std::string> entries = s->DropDownEntries();
  if (chosen < 1 || chosen > int(entries.size())) return false;
  if (had) RecordLevelChange(context, item.item(), level, chosen, where);
  level = chosen;
  text = entries[size_t(chosen - 1)];
  return true;
}

void ChosenLevel::WriteTo(CMailItem& item) const {
  NoteLevelNotWritten(item.SetClassificationProperty(level, text.c_str(), false));
}

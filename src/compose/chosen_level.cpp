#include "compose/chosen_level.h"

#include "classify/mail_item.h"
#include "classify/settings.h"

void ChosenLevel::Preselect(ClassificationSettings* s, int given) {
  if (!s) return;
  const std::vector<std::string> entries = s->DropDownEntries();
  level = s->Preselected(given, int(entries.size()));
  text = level >= 1 && level <= int(entries.size()) ? entries[size_t(level - 1)] : std::string();
}

bool ChosenLevel::Choose(ClassificationSettings* s, int chosen) {
  if (!s) return false;
  const std::vector<std::string> entries = s->DropDownEntries();
  if (chosen < 1 || chosen > int(entries.size())) return false;
  level = chosen;
  text = entries[size_t(chosen - 1)];
  return true;
}

void ChosenLevel::WriteTo(CMailItem& item) const {
  NoteLevelNotWritten(item.SetClassificationProperty(level, text.c_str(), false));
}

// A level chosen without a drop-down, on the ribbon: its position among the drop-down's
// entries and that entry's text, preselected and written exactly as the drop-down does.
#pragma once

#include <string>

class CMailItem;
class ClassificationSettings;

struct ChosenLevel {
  int level = 0;
  std::string text;

  // The preselection for a message that carries the given level (0: none). Without a
  // policy (not started, or ended) nothing changes.
  void Preselect(ClassificationSettings* settings, int given);
  // A choice; false (and nothing changed) when no entry has that position.
  bool Choose(ClassificationSettings* settings, int chosen);
  // Into the open message, not saved.
  void WriteTo(CMailItem& item) const;
};

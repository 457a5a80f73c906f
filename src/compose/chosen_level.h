// A level chosen without a drop-down, on the ribbon: its position among the drop-down's
// entries and that entry's text, preselected and written exactly as the drop-down does.
#pragma once

#include <string>

class CMailItem;
class ClassificationSettings;
class ClassifyContext;

struct ChosenLevel {
  int level = 0;
  std::string text;
  int had = 0;  // the level the message came with (its own, or carried); 0: none

  // The preselection for a message that carries the given level (0: none). Without a
  // policy (not started, or ended) nothing changes.
  void Preselect(ClassificationSettings* settings, int given);
  // A choice; false (and nothing changed) when no entry has that position. Over a level the
  // message came with, the security officer's record hears of it.
  bool Choose(const ClassifyContext& context, const CMailItem& item, int chosen, const char* where);
  // Into the open message, not saved.
  void WriteTo(CMailItem& item) const;
};

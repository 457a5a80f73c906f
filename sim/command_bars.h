// Office command bars as Outlook's windows have them: a named collection of bars, each
// with its controls (buttons and drop-downs) and a placement the user can change.
#pragma once

#include <string>
#include <vector>
#include "sim/dispatch_object.h"

namespace sim {

class CommandBar;

class Control : public DispatchObject {
 public:
  Control(World& world, int type, bool temporary);
  int type;  // 1 button, 3 drop-down
  bool temporary;
  std::string caption, tooltip, tag;
  long width = 0, style = 0, oleUsage = 1;
  // Drop-down state.
  std::vector<std::string> entries;
  long listIndex = 0, dropDownLines = 0, dropDownWidth = 0;
  std::string Text() const { return listIndex >= 1 && size_t(listIndex) <= entries.size() ? entries[size_t(listIndex) - 1] : ""; }

  // What a user does: pick entry n of a drop-down (Change fires), click a button (Click
  // fires; returns false when an add-in cancelled the default action).
  void Choose(long n);
  bool Click();
};

class Controls : public DispatchObject {
 public:
  explicit Controls(World& world);
  std::vector<Control*> items;
};

class CommandBar : public DispatchObject {
 public:
  CommandBar(World& world, std::string name, long position, bool temporary);
  std::string barName;
  bool visible = false, temporary, deleted = false;
  long left = 0, top = 0, position, rowIndex = 1;
  Controls* controls;
  // What a user does: drag the bar somewhere else.
  void Move(long newLeft, long newTop, long newPosition, long newRow);
};

class CommandBars : public DispatchObject {
 public:
  explicit CommandBars(World& world);
  std::vector<CommandBar*> bars;
  CommandBar* Find(const std::string& name) const;
  CommandBar* AddBar(const std::string& name, long position, bool temporary);
  void Remove(CommandBar* bar);
};

}  // namespace sim

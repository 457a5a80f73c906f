// The ribbon of today's Outlook, as an add-in meets it: Outlook asks the add-in object for
// IRibbonExtensibility, calls GetCustomUI through the vtable once per ribbon, checks the XML
// against the customUI schema and ignores it whole when it fails, and then calls the
// callbacks the XML names by name through the add-in's IDispatch, for one window at a time,
// keeping every answer until the add-in invalidates the control.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>
#include "com/iids.h"
#include "com/ribbon.h"
#include "sim/dispatch_object.h"
#include "sim/items.h"

namespace sim {

// One control the add-in put on a ribbon tab, with its attributes as the XML gives them.
struct RibbonControlSpec {
  std::string element;  // dropDown, labelControl, button, ...
  std::string tab;      // the idMso of the tab it is on
  std::map<std::string, std::string> attributes;
  std::string Attribute(const std::string& name) const {
    auto it = attributes.find(name);
    return it == attributes.end() ? std::string() : it->second;
  }
};

struct CustomUI {
  std::string onLoad;
  std::vector<RibbonControlSpec> controls;
};

// Reads customUI XML as Office does: false, with the reason, when it is not well-formed,
// not in a customUI namespace, names an element or attribute the schema lacks, or gives
// one id twice.
bool ReadCustomUI(const std::string& utf8, CustomUI* out, std::string* why);

class Ribbon;

// IRibbonControl, handed to each callback: the control's id and tag, and the window
// (Inspector or Explorer) it is asked about.
class RibbonControl : public DispatchObject {
 public:
  RibbonControl(World& world, std::string id, std::string tag, DispatchObject* context);
};

// IRibbonUI, handed to the onLoad callback of one customUI document.
class RibbonUI : public DispatchObject {
 public:
  RibbonUI(World& world, Ribbon* ribbon, std::string ribbonId);
  // The ribbon it belongs to; null once Office has let go of the add-in, when its calls
  // still succeed and change nothing.
  Ribbon* ribbon;
};

class Ribbon {
 public:
  // Asks the add-in for IRibbonExtensibility; Offered() is false when it has none.
  Ribbon(World& world, IUnknown* addIn);
  ~Ribbon();
  bool Offered() const { return bool(extensibility_); }

  // GetCustomUI for one of Outlook's ribbons, the first time it is needed.
  void Load(const std::string& ribbonId);
  bool Customized(const std::string& ribbonId) const { return documents_.count(ribbonId) != 0; }
  // Why the XML of a ribbon was ignored, or empty.
  std::string Ignored(const std::string& ribbonId) const;

  // What a user sees of the add-in's controls on one tab of a window.
  struct Shown {
    std::string id, element, label;
    std::vector<std::string> items;  // a drop-down's entries
    long selected = -1;              // a drop-down's selected entry (0-based)
    bool enabled = true;             // greyed out when false: it takes no choice
  };
  std::vector<Shown> Show(DispatchObject* context, const std::string& ribbonId, const std::string& tab);
  // The user picks entry index (0-based) of a drop-down: onAction.
  bool Choose(DispatchObject* context, const std::string& ribbonId, const std::string& controlId, long index);

  // From IRibbonUI: forget the answers of one control, or of every control of a document.
  void Invalidate(const std::string& ribbonId, const std::string& controlId);

 private:
  struct Document {
    CustomUI ui;
    RibbonUI* ribbonUi = nullptr;
  };
  // Calls a callback by name; false when the add-in does not answer it.
  bool Call(const std::string& name, std::vector<VARIANT> args, Variant* result);
  // A callback's answer for a control in a window, asked once until invalidated.
  Variant Ask(DispatchObject* context, const std::string& ribbonId, const RibbonControlSpec& control,
              const std::string& callback, long index = -1);
  RibbonControl* ControlFor(DispatchObject* context, const RibbonControlSpec& control);
  bool Enabled(DispatchObject* context, const std::string& ribbonId, const RibbonControlSpec& control);

  World& world_;
  ComPtr<IRibbonExtensibility> extensibility_;
  std::map<std::string, Document> documents_;
  std::map<std::string, std::string> ignored_;
  std::map<std::string, bool> loaded_;
  std::map<std::string, std::string> cache_;  // key: ribbon, control, context, callback, index
  std::map<std::string, RibbonControl*> controls_;
  long calls_ = 0;  // callbacks called: every other one gets its numbers and texts typed the other way
};

}  // namespace sim

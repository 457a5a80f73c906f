#include "sim/command_bars.h"

#include "com/iids.h"

namespace sim {

namespace {
std::string OptionalText(const VARIANT* v) { return v ? VariantText(*v) : std::string(); }
}  // namespace

Control::Control(World& world, int type, bool temporary)
    : DispatchObject(world, type == 3 ? "drop-down" : "button",
                     type == 3 ? typelib::CommandBarComboBox : typelib::CommandBarButton),
      type(type),
      temporary(temporary) {
  AddEvents(type == 3 ? IID__CommandBarComboBoxEvents : IID__CommandBarButtonEvents);
  Property("Type", [this](const Args&) { return Variant::I4(this->type); });
  Property("Caption", [this](const Args&) { return TextVariant(caption); },
           [this](const VARIANT& v) { caption = VariantText(v); });
  Property("TooltipText", [this](const Args&) { return TextVariant(tooltip); },
           [this](const VARIANT& v) { tooltip = VariantText(v); });
  Property("Tag", [this](const Args&) { return TextVariant(tag); }, [this](const VARIANT& v) { tag = VariantText(v); });
  Property("Width", [this](const Args&) { return Variant::I4(width); }, [this](const VARIANT& v) { width = VariantLong(v); });
  Property("OLEUsage", [this](const Args&) { return Variant::I4(oleUsage); },
           [this](const VARIANT& v) { oleUsage = VariantLong(v); });
  Property("Style", [this](const Args&) { return Variant::I4(style); }, [this](const VARIANT& v) { style = VariantLong(v); });
  if (type != 3) return;
  AddMethod("AddItem", [this](const Args& a) {
    if (a.empty() || !a[0]) throw Fault{DISP_E_BADPARAMCOUNT};
    std::string text = VariantText(*a[0]);
    long index = a.size() > 1 && a[1] ? VariantLong(*a[1]) : long(entries.size()) + 1;
    if (index < 1 || size_t(index) > entries.size() + 1) throw Fault{E_INVALIDARG};
    entries.insert(entries.begin() + (index - 1), text);
    return Variant();
  });
  Property("ListIndex", [this](const Args&) { return Variant::I4(listIndex); },
           [this](const VARIANT& v) {
             long n = VariantLong(v);
             if (n < 0 || size_t(n) > entries.size()) throw Fault{E_INVALIDARG};  // out of range
             listIndex = n;
           });
  Property("DropDownLines", [this](const Args&) { return Variant::I4(dropDownLines); },
           [this](const VARIANT& v) { dropDownLines = VariantLong(v); });
  Property("DropDownWidth", [this](const Args&) { return Variant::I4(dropDownWidth); },
           [this](const VARIANT& v) { dropDownWidth = VariantLong(v); });
  Property("Text", [this](const Args&) { return TextVariant(Text()); });
}

void Control::Choose(long n) {
  listIndex = n;
  VARIANT ctrl;
  VariantInit(&ctrl);
  ctrl.vt = VT_DISPATCH;
  ctrl.pdispVal = dispatch();
  Fire(IID__CommandBarComboBoxEvents, 1, {ctrl});
}

bool Control::Click() {
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT ctrl;
  VariantInit(&ctrl);
  ctrl.vt = VT_DISPATCH;
  ctrl.pdispVal = dispatch();
  VARIANT cancelArg;
  VariantInit(&cancelArg);
  cancelArg.vt = VT_BOOL | VT_BYREF;
  cancelArg.pboolVal = &cancel;
  Fire(IID__CommandBarButtonEvents, 1, {ctrl, cancelArg});
  return cancel == VARIANT_FALSE;
}

Controls::Controls(World& world) : DispatchObject(world, "CommandBarControls", typelib::CommandBarControls) {
  AddMethod("Add", [this](const Args& a) {
    long type = a.size() > 0 && a[0] ? VariantLong(*a[0]) : 1;
    bool temporary = a.size() > 4 && a[4] ? VariantBool(*a[4]) : false;
    if (type != 1 && type != 3) throw Fault{E_INVALIDARG};
    Control* c = this->world().Make<Control>(int(type), temporary);
    items.push_back(c);
    return DispatchVariant(c->dispatch());
  });
  Property("Item", [this](const Args& a) {
    if (a.empty() || !a[0]) throw Fault{DISP_E_BADPARAMCOUNT};
    if (a[0]->vt == VT_BSTR) {
      std::string caption = VariantText(*a[0]);
      for (Control* c : items)
        if (c->caption == caption) return DispatchVariant(c->dispatch());
      throw Fault{E_INVALIDARG};
    }
    long i = VariantLong(*a[0]);
    if (i < 1 || size_t(i) > items.size()) throw Fault{E_INVALIDARG};
    return DispatchVariant(items[size_t(i) - 1]->dispatch());
  });
  Property("Count", [this](const Args&) { return Variant::I4(long(items.size())); });
}

CommandBar::CommandBar(World& world, std::string name, long position, bool temporary)
    : DispatchObject(world, "CommandBar " + name, typelib::CommandBar), barName(std::move(name)), temporary(temporary), position(position),
      controls(world.Make<Controls>()) {
  Property("Name", [this](const Args&) { return TextVariant(barName); });
  Property("Controls", [this](const Args&) { return DispatchVariant(controls->dispatch()); });
  Property("Visible", [this](const Args&) { return Variant::Bool(visible); },
           [this](const VARIANT& v) { visible = VariantBool(v); });
  Property("Left", [this](const Args&) { return Variant::I4(left); }, [this](const VARIANT& v) { left = VariantLong(v); });
  Property("Top", [this](const Args&) { return Variant::I4(top); }, [this](const VARIANT& v) { top = VariantLong(v); });
  Property("Position", [this](const Args&) { return Variant::I4(this->position); },
           [this](const VARIANT& v) { this->position = VariantLong(v); });
  Property("RowIndex", [this](const Args&) { return Variant::I4(rowIndex); },
           [this](const VARIANT& v) { rowIndex = VariantLong(v); });
  AddMethod("Delete", [this](const Args&) {
    deleted = true;
    return Variant();
  });
}

void CommandBar::Move(long newLeft, long newTop, long newPosition, long newRow) {
  left = newLeft;
  top = newTop;
  position = newPosition;
  rowIndex = newRow;
}

CommandBars::CommandBars(World& world) : DispatchObject(world, "CommandBars", typelib::CommandBars) {
  Property("Item", [this](const Args& a) {
    if (a.empty() || !a[0]) throw Fault{DISP_E_BADPARAMCOUNT};
    CommandBar* bar = Find(VariantText(*a[0]));
    if (!bar) throw Fault{E_INVALIDARG};  // as Office: a missing name fails
    return DispatchVariant(bar->dispatch());
  });
  AddMethod("Add", [this](const Args& a) {
    std::string name = a.size() > 0 && a[0] ? OptionalText(a[0]) : "Custom";
    long position = a.size() > 1 && a[1] ? VariantLong(*a[1]) : 1;
    bool temporary = a.size() > 3 && a[3] ? VariantBool(*a[3]) : false;
    if (Find(name)) throw Fault{E_INVALIDARG};  // a bar of that name exists
    return DispatchVariant(AddBar(name, position, temporary)->dispatch());
  });
}

CommandBar* CommandBars::Find(const std::string& name) const {
  for (CommandBar* b : bars)
    if (!b->deleted && b->barName == name) return b;
  return nullptr;
}

CommandBar* CommandBars::AddBar(const std::string& name, long position, bool temporary) {
  CommandBar* bar = world().Make<CommandBar>(name, position, temporary);
  bars.push_back(bar);
  return bar;
}

void CommandBars::Remove(CommandBar* bar) { bar->deleted = true; }

}  // namespace sim

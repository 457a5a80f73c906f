// The add-in on the ribbon of today's Outlook: a "Classification" group with the level
// drop-down on the compose window's Message tab and on the inline response's Message tab,
// and the level, read-only, on the read window's tab. Office asks for the customUI XML once
// per ribbon and then calls the callbacks it names, by name, through the add-in's IDispatch,
// each time for one window: the control's Context (the Inspector, or the Explorer of an
// inline response). Every answer comes from what that window holds now
// (context/ribbon_windows.h), and Office keeps it until the add-in invalidates the ribbon.
#pragma once

#include <string>
#include "platform/win.h"

class AddInContext;

struct RibbonCallbacks {
  // The customUI XML for one of Outlook's ribbons; empty for ribbons the add-in leaves alone.
  static std::string CustomUI(const std::string& ribbonId);
  // The callbacks the XML names, for the add-in's IDispatch.
  static HRESULT IdOfName(const OLECHAR* name, DISPID* id);
  // A callback, as IDispatch::Invoke calls it: the callbacks take no named arguments, each
  // a fixed number of positional ones; argErr is Invoke's puArgErr.
  static HRESULT Invoke(AddInContext& context, DISPID id, const DISPPARAMS* params, VARIANT* result, UINT* argErr);
};

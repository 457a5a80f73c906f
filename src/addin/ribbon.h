// The add-in on the ribbon of today's Outlook: a "Classification" group with the level
// drop-down on the compose window's Message tab and on the inline response's Message tab,
// and the level, read-only, on the read window's tab. Office asks for the customUI XML once
// per ribbon and then calls the callbacks it names, by name, through the add-in's IDispatch,
// each time for one window: the control's Context (the Inspector, or the Explorer of an
// inline response).
#pragma once

#include <string>
#include <vector>
#include "com/com_ptr.h"

// A window whose level the ribbon shows: a compose or read window, or an inline response.
class RibbonWindow {
 public:
  virtual bool Editable() const = 0;  // being written: a drop-down; else the level, read-only
  virtual int Level() = 0;            // the level chosen or read (0: none)
  virtual void Choose(int level) = 0; // a choice on the ribbon, written as the bar's would be

 protected:
  ~RibbonWindow() = default;
};

class Ribbon {
 public:
  // The customUI XML for one of Outlook's ribbons; empty for ribbons the add-in leaves alone.
  static std::string CustomUI(const std::string& ribbonId);
  // The callbacks the XML names, for the add-in's IDispatch.
  static HRESULT IdOfName(const OLECHAR* name, DISPID* id);
  HRESULT Invoke(DISPID id, DISPPARAMS* params, VARIANT* result);

  // Windows are found by the COM identity of the object given as a control's Context.
  void Add(IDispatch* context, RibbonWindow* window);
  void Remove(RibbonWindow* window);
  // The level changed outside the ribbon (the command bar, a new window): Office asks again.
  void Invalidate();
  // Lets go of the host's ribbon objects (shutdown).
  void Release();

  // Outlook asked for the add-in's ribbon: it is an Outlook with one.
  bool HostHasRibbon() const { return hostHasRibbon_; }
  void SetHostHasRibbon() { hostHasRibbon_ = true; }

 private:
  RibbonWindow* WindowOf(const VARIANT* control) const;

  struct Entry {
    ComPtr<IUnknown> context;
    RibbonWindow* window;
  };
  std::vector<Entry> windows_;
  std::vector<ComPtr<IDispatch>> uis_;  // one IRibbonUI per ribbon the add-in customized
  bool hostHasRibbon_ = false;
};

// The add-in on the ribbon of today's Outlook: a "Classification" group with the level
// drop-down on the compose window's Message tab and on the inline response's Message tab,
// and the level, read-only, on the read window's tab. Office asks for the customUI XML once
// per ribbon and then calls the callbacks it names, by name, through the add-in's IDispatch,
// each time for one window: the control's Context (the Inspector, or the Explorer of an
// inline response). Every answer comes from what that window holds now, and Office keeps it
// until the add-in invalidates the ribbon, which it does whenever that can change.
#pragma once

#include <string>
#include <vector>
#include "com/com_ptr.h"

class AddInContext;
class EventSink;

// A window whose level the ribbon shows: a compose or read window, or an inline response.
class RibbonWindow {
 public:
  virtual bool Editable() const = 0;  // being written: a drop-down; else the level, greyed or read-only
  virtual int Level() = 0;            // the level chosen or read (0: none)
  virtual void Choose(int level) = 0; // a choice on the ribbon, written as the bar's would be

 protected:
  ~RibbonWindow() = default;
};

class Ribbon {
 public:
  explicit Ribbon(AddInContext& context) : context_(context) {}
  Ribbon(const Ribbon&) = delete;
  Ribbon& operator=(const Ribbon&) = delete;
  ~Ribbon();

  // The customUI XML for one of Outlook's ribbons; empty for ribbons the add-in leaves alone.
  static std::string CustomUI(const std::string& ribbonId);
  // The callbacks the XML names, for the add-in's IDispatch.
  static HRESULT IdOfName(const OLECHAR* name, DISPID* id);
  // A callback, as IDispatch::Invoke calls it: the callbacks take no named arguments, each
  // a fixed number of positional ones; argErr is Invoke's puArgErr.
  HRESULT Invoke(DISPID id, const DISPPARAMS* params, VARIANT* result, UINT* argErr);

  // Windows the add-in handles, found by the COM identity of the object given as a
  // control's Context. Adding or removing one invalidates the ribbon.
  void Add(IDispatch* context, RibbonWindow* window);
  void Remove(RibbonWindow* window);
  // What a window shows may have changed: Office asks again.
  void Invalidate();
  // Lets go of every host object it holds (the add-in ends).
  void Release();
  // A watch on an item no handler follows heard it close or leave.
  void WatchEnded(EventSink* watch);

  // Outlook asked for the add-in's ribbon: it is an Outlook with one.
  bool HostHasRibbon() const { return hostHasRibbon_; }
  void SetHostHasRibbon() { hostHasRibbon_ = true; }

 private:
  struct Entry {
    ComPtr<IUnknown> context;
    RibbonWindow* window;
  };
  struct Watch {
    ComPtr<IUnknown> context;
    ComPtr<IUnknown> item;
    EventSink* sink;  // its one reference
  };
  RibbonWindow* Registered(IUnknown* context) const;
  // An item shown in an Inspector without a handler (a read window moved to the next
  // message, a Send stopped after its handler ended): its Close or Send must still reach
  // the ribbon, since what the window shows changes with it.
  void WatchItem(IUnknown* context, IDispatch* item);

  AddInContext& context_;
  std::vector<Entry> windows_;
  std::vector<Watch> watches_;
  std::vector<ComPtr<IDispatch>> uis_;  // one IRibbonUI per ribbon the add-in customized
  bool hostHasRibbon_ = false;
};

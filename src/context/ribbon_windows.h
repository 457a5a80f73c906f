// The windows whose level today's Outlook shows on its ribbon, and the ribbons to tell when
// that changes. Office keeps every answer of a callback until the add-in invalidates the
// ribbon; the handlers register their windows here and say when what they show changes,
// and the callbacks (addin/ribbon.h) find the window a control is shown in.
#pragma once

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

class RibbonWindows {
 public:
  explicit RibbonWindows(AddInContext& context);
  RibbonWindows(const RibbonWindows&) = delete;
  RibbonWindows& operator=(const RibbonWindows&) = delete;
  ~RibbonWindows();

  // Windows the add-in handles, found by the COM identity of the object given as a
  // control's Context. Adding or removing one invalidates the ribbon.
  void Add(IDispatch* context, RibbonWindow* window);
  void Remove(RibbonWindow* window);
  // The latest window registered on a control's Context (nullptr: none).
  RibbonWindow* Registered(IUnknown* context) const;
  // What a window shows may have changed: Office asks again.
  void Invalidate();
  // A ribbon Office loaded, kept to invalidate it.
  void Loaded(IDispatch* ribbonUi);
  // Lets go of every host object it holds (the add-in ends).
  void Clear();
  // An item shown in an Inspector without a handler (a read window moved to the next
  // message, a Send stopped after its handler ended): its Close or Send must still reach
  // the ribbon, since what the window shows changes with it.
  void WatchItem(IUnknown* context, IDispatch* item);
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
    ComPtr<EventSink> sink;
  };

  AddInContext& context_;
  std::vector<Entry> windows_;
  std::vector<Watch> watches_;
  std::vector<ComPtr<IDispatch>> uis_;  // one IRibbonUI per ribbon the add-in customized
  bool hostHasRibbon_ = false;
};

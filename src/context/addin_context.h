// The context of one add-in object: what it and every handler it makes share (the
// application, the policy, the log, the tracker, the ribbon's windows, the carried level),
// and the handlers themselves, so that when the add-in ends, everything it made ends with
// it. It stands below the handlers and knows them only as sinks and windows: the add-in
// object's folder makes them (addin/start_up.h).
//
// Outlook may hold two add-in objects at once (unticked and ticked again while Office still
// holds the old one for its ribbon): each has its own context, and a handler only ever
// reaches the context that made it. The add-in object holds one count of its context and
// every handler another, so that a handler a source still holds (an Unadvise that failed)
// never reaches freed state.
#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>
#include "classify/context.h"
#include "com/com_ptr.h"
#include "context/dropped_calls.h"
#include "context/ribbon_windows.h"
#include "platform/mapi.h"

class Application;
class EventSink;
struct GroupPolicy;

// A main window's handler, as the context follows and ends it.
class MainWindowHandler {
 public:
  // Whether it follows the window of this COM identity.
  virtual bool Is(IUnknown* identity) const = 0;
  // Gives back the context's one reference: the handler ends.
  virtual void Drop() = 0;

 protected:
  ~MainWindowHandler() = default;
};

// The context's hold on a main window's handler.
struct DropMainWindow {
  void operator()(MainWindowHandler* handler) const { handler->Drop(); }
};
using MainWindowRef = std::unique_ptr<MainWindowHandler, DropMainWindow>;

class WindowHandler;

class AddInContext final : public ClassifyContext {
 public:
  // A new context with one count, the creator's.
  static AddInContext* Create();
  void AddRef() { ++refs_; }
  void Release();

  // OnConnection: the log, and the application object kept.
  void Connect(IDispatch* application);
  // Start-up of what the handlers share: the MAPI namespace and session, the policy, the
  // tracker. Runs once; false when it ran before, or the add-in ended, or the policy
  // disables the add-in: then no handler is made. A failing host call throws, with what was
  // set up kept.
  bool Start(const ::Application& app);
  // Whether a new handler may be made now: started, not ended, and enabled by the policy.
  bool Handling() const;
  // A sink the add-in keeps until it ends, as make gives it: its one reference.
  void KeepSink(const std::function<EventSink*()>& make);
  // Every way out (OnBeginShutdown, OnDisconnection, the last Release, the last main
  // window closing): every handler ends, each bar is deleted with its placement kept, no
  // sink stays advised and no reference is held; then the tracker reports, the log
  // closes and the settings write the bar's placement. Runs once.
  void End();
  bool Started() const { return started_; }
  bool Ended() const { return ended_; }

  IDispatch* Application() const { return application_.get(); }
  IDispatch* Namespace() const { return namespace_.get(); }
  IMAPISession* Session() const { return session_.get(); }
  SessionLog* LogFile() const { return log_.get(); }
  RibbonWindows& Ribbon() { return ribbon_; }
  // Where the host calls given up on outside any window are said: start-up, the ribbon's
  // callbacks, Application.ItemSend, new windows.
  DroppedCallLog& Drops() { return drops_; }

  // The level the main window's buttons carry to the next compose window: a negative n
  // clears it, any other raises it to at least n; read tells whether n is the level of a
  // message the add-in read (the level the answer answers), or only where an answer to more
  // messages than are read starts. Returns the new value.
  int CarryLevel(int n, bool read = true);
  int CarriedLevel() const { return carried_; }
  // The highest level read of the messages answered (0: none read).
  int CarriedAnswers() const { return carriedAnswers_; }

  // Handlers of compose and read windows register while they live, so that the end
  // reaches them.
  void AddWindow(WindowHandler* window);
  void RemoveWindow(WindowHandler* window);
  // Whether a handler follows the main window of this COM identity.
  bool HasExplorer(IUnknown* identity) const;
  // Follows one more main window (present at start-up or announced by NewExplorer) with the
  // handler make gives: its one reference.
  void AddExplorer(const std::function<MainWindowHandler*()>& make);
  // A main window's Close: its handler ends. With the last main window, Outlook goes on as
  // long as it shows a window of any item: the add-in ends when the last of them closes.
  void ExplorerClosed(MainWindowHandler* handler);
  size_t Explorers() const { return explorers_.size(); }
  // A window Outlook opened (NewInspector), whatever it shows: watched for its Close while
  // no main window is open.
  void WatchWindow(IDispatch* inspector);
  // A watched window closed.
  void WindowClosed(EventSink* watch);

 private:
  AddInContext();
  ~AddInContext();
  void EndIfOutlookLeaves();
  void ReleaseWindowWatches();
  void ReportIgnored(const GroupPolicy& policy) const;

  ULONG refs_ = 1;
  bool started_ = false;
  bool ended_ = false;
  bool ending_ = false;
  bool leaving_ = false;  // the last main window closed while windows were still open
  bool windowsUnknown_ = false;  // Outlook's windows could not be read: the end waits for Outlook's own
  ComPtr<IDispatch> application_;
  ComPtr<IDispatch> namespace_;
  ComPtr<IMAPISession> session_;
  RibbonWindows ribbon_;
  LoggedDrops drops_;
  int carried_ = 0;
  int carriedAnswers_ = 0;
  std::vector<ComPtr<EventSink>> sinks_;  // new windows, new main windows, ItemSend
  std::vector<MainWindowRef> explorers_;
  std::vector<WindowHandler*> windows_;
  struct WindowWatch {
    ComPtr<IUnknown> window;
    ComPtr<EventSink> sink;
  };
  std::vector<WindowWatch> windowWatches_;  // while leaving: every window Outlook still shows
};

// A counted hold on a context: what every handler keeps.
class ContextRef {
 public:
  ContextRef() = default;
  explicit ContextRef(AddInContext& context) : p_(&context) { p_->AddRef(); }
  ContextRef(const ContextRef& other) : p_(other.p_) {
    if (p_) p_->AddRef();
  }
  ContextRef& operator=(const ContextRef& other) {
    ContextRef copy(other);
    std::swap(p_, copy.p_);
    return *this;
  }
  ~ContextRef() {
    if (p_) p_->Release();
  }
  // Takes over the creator's count of a new context.
  static ContextRef Adopt(AddInContext* context) {
    ContextRef r;
    r.p_ = context;
    return r;
  }
  AddInContext* operator->() const { return p_; }
  AddInContext& operator*() const { return *p_; }
  AddInContext* get() const { return p_; }

 private:
  AddInContext* p_ = nullptr;
};

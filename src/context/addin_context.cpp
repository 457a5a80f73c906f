#include "context/addin_context.h"

#include <algorithm>
#include "classify/group_policy.h"
#include "classify/load_text.h"
#include "classify/mail_item.h"
#include "diag/event_record.h"
#include "host/event_sink.h"
#include "host/host_guard.h"
#include "host/host_objects.h"


namespace {

// Hears the Close of one window Outlook still shows after its last main window closed.
class WindowCloseWatch final : public EventSink {
 public:
  static constexpr DISPID kClose = 0xF008;
  WindowCloseWatch(AddInContext& context, IDispatch* inspector) : EventSink(IID_InspectorEvents), context_(context) {
    ReportDropsTo(&context.Drops());
    Subscribe(inspector);
  }

 protected:
  HRESULT OnEvent(DISPID dispid, DISPPARAMS*) override {
    if (dispid == kClose) context_->WindowClosed(this);  // may destroy this sink
    return S_OK;
  }

 private:
  ContextRef context_;
};

}  // namespace

AddInContext* AddInContext::Create() { return new AddInContext(); }

AddInContext::AddInContext() : ribbon_(*this), drops_(*this, "Outlook") {}

AddInContext::~AddInContext() = default;

void AddInContext::Release() {
  if (--refs_ == 0) delete this;
}

void AddInContext::Connect(IDispatch* application) {
  log_ = std::make_unique<SessionLog>("Orvan_Classify");
  // Group Policy may switch the log on or off; it is read again, whole, at start-up.
  SettingsDefaults scratch = SettingsDefaults::Product();
  const GroupPolicy policy = ApplyGroupPolicy(scratch);
  if (policy.Applied("LogEnabled")) log_->Enabled = scratch.LogEnabled;
  application_ = ComPtr<IDispatch>::Borrow(application);
}

// A policy value that was ignored is said in the session log and in the Windows
// Application event log, where an administrator looks.
void AddInContext::ReportIgnored(const GroupPolicy& policy) const {
  for (const GroupPolicy::Ignored& i : policy.ignored) {
    const std::string text = "The Group Policy value " + i.value + " is ignored: " + i.why + "; " + i.kept + ".";
    if (LogEnabled()) Log("%s<br>\n", HtmlText(text).c_str());
    WriteEvent(EVENTLOG_WARNING_TYPE, kPolicyCategory, kIgnoredPolicyEvent, {text});
  }
}

// The language the sender reads the add-in's texts in: Office's own, else the user's
// Windows display language, else English (the string table has English, French and German).
static unsigned SenderLanguage(const ::Application& app) {
  long office = 0;
  TryHostStep([&] {
    if (ComPtr<IDispatch> languages = app.LanguageSettings())
      office = LanguageSettings::From(languages.get()).LanguageID(msoLanguageIDUI);
  });
  TextLanguage known;
  return office > 0 && TextLanguageOf(unsigned(office), &known) ? unsigned(office) : GetUserDefaultUILanguage();
}

bool AddInContext::Start(const ::Application& app) {
  if (started_ || ended_) return false;
  started_ = true;
  namespace_ = app.GetNamespace("MAPI");

  IMAPISession* session = nullptr;
  if (SUCCEEDED(MAPILogonEx(0, nullptr, nullptr, 0, &session))) session_ = ComPtr<IMAPISession>::Adopt(session);

  SetTextLanguage(SenderLanguage(app));
  SettingsDefaults defaults = SettingsDefaults::Product();
  const GroupPolicy policy = ApplyGroupPolicy(defaults);
  settings_ = std::make_unique<ClassificationSettings>(defaults);
  ReportIgnored(policy);
  tracker_ = std::make_unique<ObjectTracker>(log_.get());
  return !settings_->Disabled;
}

bool AddInContext::Handling() const { return started_ && !ended_ && settings_ && !settings_->Disabled; }

void AddInContext::KeepSink(const std::function<EventSink*()>& make) {
  sinks_.reserve(sinks_.size() + 1);
  sinks_.push_back(ComPtr<EventSink>::Adopt(make()));
}

bool AddInContext::HasExplorer(IUnknown* identity) const {
  return std::any_of(explorers_.begin(), explorers_.end(), [&](const MainWindowRef& e) { return e->Is(identity); });
}

void AddInContext::AddExplorer(const std::function<MainWindowHandler*()>& make) {
  explorers_.reserve(explorers_.size() + 1);
  explorers_.push_back(MainWindowRef(make()));
  leaving_ = windowsUnknown_ = false;
  ReleaseWindowWatches();
}

void AddInContext::ExplorerClosed(MainWindowHandler* handler) {
  ContextRef hold(*this);  // the handler's own count goes with it
  auto it = std::find_if(explorers_.begin(), explorers_.end(), [&](const MainWindowRef& e) { return e.get() == handler; });
  if (it == explorers_.end()) return;
  MainWindowRef gone = std::move(*it);
  explorers_.erase(it);
  gone.reset();
  if (!explorers_.empty() || ended_) return;
  // Outlook goes on while it shows any window, of any item (a task or a contact as much as
  // mail): each one open now is watched for its Close, and so is each one it opens later.
  leaving_ = true;
  windowsUnknown_ = !TryHostStep([&] {
    ComPtr<IDispatch> all = ::Application::From(application_.get()).Inspectors();
    if (!all) throw HostError(E_POINTER, IID__Inspectors);
    const Inspectors windows = Inspectors::From(all.get());
    const long n = windows.Count();
    for (long i = 1; i <= n; ++i) WatchWindow(windows.Item(i).get());
  });
  EndIfOutlookLeaves();
}

void AddInContext::WatchWindow(IDispatch* inspector) {
  if (!leaving_ || ended_ || !inspector) return;
  ComPtr<IUnknown> id = ComIdentity(inspector);
  for (const WindowWatch& w : windowWatches_)
    if (w.window.get() == id.get()) return;
  windowWatches_.reserve(windowWatches_.size() + 1);
  auto sink = ComPtr<EventSink>::Adopt(new WindowCloseWatch(*this, inspector));
  if (!sink->Subscribed()) {
    // A window whose Close cannot be heard: Outlook's own end is the add-in's.
    windowsUnknown_ = true;
    return;
  }
  windowWatches_.push_back({std::move(id), std::move(sink)});
}

void AddInContext::WindowClosed(EventSink* watch) {
  ContextRef hold(*this);
  auto it = std::find_if(windowWatches_.begin(), windowWatches_.end(), [&](const WindowWatch& w) { return w.sink.get() == watch; });
  if (it == windowWatches_.end()) return;
  ComPtr<EventSink> gone = std::move(it->sink);
  windowWatches_.erase(it);
  gone.reset();
  EndIfOutlookLeaves();
}

void AddInContext::ReleaseWindowWatches() {
  for (WindowWatch& w : std::exchange(windowWatches_, {})) w.sink.reset();
}

void AddInContext::AddWindow(WindowHandler* window) {
  windows_.reserve(windows_.size() + 1);
  windows_.push_back(window);
}

void AddInContext::RemoveWindow(WindowHandler* window) {
  auto it = std::find(windows_.begin(), windows_.end(), window);
  if (it != windows_.end()) windows_.erase(it);
}

void AddInContext::EndIfOutlookLeaves() {
  if (leaving_ && !windowsUnknown_ && explorers_.empty() && windowWatches_.empty() && !ending_) End();
}

void AddInContext::End() {
  if (ended_ || ending_) return;
  ending_ = true;
  ContextRef hold(*this);  // handlers give their counts back while it runs
  // Office asks once more and finds nothing to show; the handlers then end without asking.
  ribbon_.Invalidate();
  ribbon_.Clear();
  ReleaseAll(sinks_);
  for (MainWindowRef& explorer : std::exchange(explorers_, {})) explorer.reset();
  ReleaseWindowWatches();
  // Each window's teardown keeps the bar's placement, deletes the bar and removes itself.
  while (!windows_.empty()) {
    WindowHandler* window = windows_.back();
    window->TearDownAndDelete();
    if (!windows_.empty() && windows_.back() == window) windows_.pop_back();  // could not remove itself
  }
  session_.reset();
  namespace_.reset();
  application_.reset();
  EndSend();
  carried_ = carriedAnswers_ = 0;
  tracker_.reset();  // reports leaked objects while the log still exists
  log_.reset();
  settings_.reset();  // writes the command bar placement to the registry
  ended_ = true;
  ending_ = false;
}

int AddInContext::CarryLevel(int n, bool read) {
  if (n < 0) {
    carried_ = carriedAnswers_ = 0;
    return 0;
  }
  if (n > carried_) carried_ = n;
  if (read && n > carriedAnswers_) carriedAnswers_ = n;
  return carried_;
}

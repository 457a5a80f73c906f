#include "context/ribbon_windows.h"

#include <algorithm>
#include "com/iids.h"
#include "context/addin_context.h"
#include "host/event_sink.h"
#include "host/host_guard.h"
#include "host/host_objects.h"

namespace {

// Hears the Close or Send of an item shown in an Inspector without a handler, once.
class ItemWatch final : public EventSink {
 public:
  ItemWatch(AddInContext& context, IDispatch* item) : EventSink(IID_ItemEvents_10), context_(context) {
    ReportDropsTo(&context.Drops());
    Subscribe(item);
  }

 protected:
  HRESULT OnEvent(DISPID dispid, DISPPARAMS*) override {
    constexpr DISPID kClose = 0xF004, kSend = 0xF005;
    if (dispid == kClose || dispid == kSend) context_->Ribbon().WatchEnded(this);  // may destroy this sink
    return S_OK;
  }

 private:
  ContextRef context_;
};

}  // namespace

RibbonWindows::RibbonWindows(AddInContext& context) : context_(context) {}

RibbonWindows::~RibbonWindows() { Clear(); }

RibbonWindow* RibbonWindows::Registered(IUnknown* context) const {
  RibbonWindow* found = nullptr;
  // The latest window on a context wins: an Explorer shows one inline response at a time.
  for (const Entry& e : windows_)
    if (context && e.context.get() == context) found = e.window;
  return found;
}

void RibbonWindows::Add(IDispatch* context, RibbonWindow* window) {
  ComPtr<IUnknown> id = ComIdentity(context);
  if (!id) return;
  windows_.reserve(windows_.size() + 1);
  windows_.push_back({std::move(id), window});
  Invalidate();
}

void RibbonWindows::Remove(RibbonWindow* window) {
  const size_t before = windows_.size();
  windows_.erase(std::remove_if(windows_.begin(), windows_.end(), [&](const Entry& e) { return e.window == window; }),
                 windows_.end());
  if (windows_.size() != before) Invalidate();
}

void RibbonWindows::Loaded(IDispatch* ribbonUi) {
  uis_.reserve(uis_.size() + 1);
  uis_.push_back(ComPtr<IDispatch>::Borrow(ribbonUi));
}

void RibbonWindows::WatchItem(IUnknown* context, IDispatch* item) {
  ComPtr<IUnknown> id = ComIdentity(item);
  for (auto it = watches_.begin(); it != watches_.end(); ++it) {
    if (it->context.get() != context) continue;
    if (it->item.get() == id.get()) return;  // watched already
    ComPtr<EventSink> old = std::move(it->sink);
    watches_.erase(it);
    old.reset();
    break;
  }
  watches_.reserve(watches_.size() + 1);
  auto sink = ComPtr<EventSink>::Adopt(new ItemWatch(context_, item));
  if (!sink->Subscribed()) return;
  watches_.push_back({ComPtr<IUnknown>::Borrow(context), std::move(id), std::move(sink)});
}

void RibbonWindows::WatchEnded(EventSink* watch) {
  auto it = std::find_if(watches_.begin(), watches_.end(), [&](const Watch& w) { return w.sink.get() == watch; });
  if (it == watches_.end()) return;
  ComPtr<EventSink> gone = std::move(it->sink);
  watches_.erase(it);
  Invalidate();
  gone.reset();
}

void RibbonWindows::Invalidate() {
  for (const ComPtr<IDispatch>& ui : uis_) TryHostStep([&] { RibbonUI::From(ui.get()).Invalidate(); });
}

void RibbonWindows::Clear() {
  uis_.clear();
  windows_.clear();
  for (Watch& w : std::exchange(watches_, {})) w.sink.reset();
}

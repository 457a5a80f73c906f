#include "explorer/explorer_handler.h"

#include "classify/mail_item.h"
#include "explorer/selection_watch.h"
#include "host/host_guard.h"

// ---- ReplyButtonSink

ReplyButtonSink::ReplyButtonSink(AddInContext& context, IDispatch* button)
    : EventSink(IID__CommandBarButtonEvents), context_(context) {
  Subscribe(button);
}

HRESULT ReplyButtonSink::OnEvent(DISPID dispid, DISPPARAMS* params) {
  if (dispid != kClick) return DISP_E_MEMBERNOTFOUND;
  if (!params) return E_POINTER;
  if (params->cArgs != 2) return DISP_E_BADPARAMCOUNT;
  VARIANT* ctrl = EventArg(params, 1);
  if (!ctrl || ctrl->vt != VT_DISPATCH) return S_OK;
  // CancelDefault is never touched: Outlook's own Reply or Forward always goes on.
  TryHostStep([&] { CarrySelectionLevel(); });
  return S_OK;
}

void ReplyButtonSink::CarrySelectionLevel() {
  if (!context_->Application()) return;
  ComPtr<IDispatch> active = ::Application::From(context_->Application()).ActiveExplorer();
  if (!active) return;
  ComPtr<IDispatch> selected = Explorer::From(active.get()).Selection();
  if (!selected) return;
  const ClassificationSettings* s = context_->Settings();
  const int highest = s ? s->LevelCount() : 0;
  Selection selection = Selection::From(selected.get());
  const long count = selection.Count();
  // Each message read can be a round trip to the server: a selection too large to read
  // within Outlook's limits is answered at the highest level, the safe side, which the
  // sender can lower.
  if (count > kMostSelectedRead) {
    context_->CarryLevel(highest);
    context_->Log("%ld items selected, more than the %ld read for their level: the answer starts at the highest "
                  "level<br>\n",
                  count, kMostSelectedRead);
    return;
  }
  for (long i = 1; i <= count; ++i) {
    ComPtr<IDispatch> item = selection.Item(short(i));
    Item answered;
    if (!item || !Item::TryFrom(item.get(), &answered) || !IsClassifiedClass(answered.Class())) continue;
    CMailItemRef wrapper(new CMailItem(*context_, answered.get()));
    // Nothing read later can raise the highest level there is.
    if (context_->CarryLevel(wrapper->GetClassification()) >= highest) break;
  }
}

// ---- ExplorerHandler

ExplorerHandler::ExplorerHandler(AddInContext& context, IDispatch* explorer)
    : EventSink(IID_ExplorerEvents), context_(context) {
  TryHostStep([&] {
    Explorer_ = Explorer::From(explorer);  // before subscribing, so a failure leaves nothing advised
    Identity_ = ComIdentity(explorer);
  });
  if (!Explorer_) return;
  Subscribe(explorer);
  // Outlook before 2002 has no ExplorerEvents_10: the watch then hears nothing.
  TryHostStep([&] { Watch_ = new SelectionWatch(context, explorer); });
  HookButtons();
}

void ExplorerHandler::OnEnded() {
  for (ReplyButtonSink* sink : ButtonSinks) sink->Release();
  ButtonSinks.clear();
  if (EventSink* watch = std::exchange(Watch_, nullptr)) watch->Release();
  Explorer_ = Explorer();
  Identity_.reset();
}

void ExplorerHandler::HookButtons() {
  if (!Explorer_) return;
  ButtonsPending = false;  // before any lookup: a failed lookup is not retried
  TryHostStep([&] {
    CommandBars bars;
    TryHostStep([&] { bars = Explorer_.GetCommandBars(); });
    if (!bars) return;
    CommandBar standard;
    TryHostStep([&] { standard = bars.Item("Standard"); });
    if (!standard) return;
    CommandBarControls controls = standard.Controls();
    if (!controls) return;
    for (const char* caption : {"Reply", "Reply to All", "Forward"}) {
      ComPtr<IDispatch> control;
      if (!TryHostStep([&] { control = controls.Item(caption); }) || !control) continue;
      CommandBarButton button;
      if (!TryHostStep([&] { CommandBarButton::TryFrom(control.get(), &button); }) || !button) continue;
      ButtonSinks.reserve(ButtonSinks.size() + 1);
      ButtonSinks.push_back(new ReplyButtonSink(*context_, button.get()));
    }
  });
}

HRESULT ExplorerHandler::OnEvent(DISPID dispid, DISPPARAMS*) {
  switch (dispid) {
    case kActivate:
      if (ButtonsPending) HookButtons();
      break;
    case kBeforeFolderSwitch:
    case kBeforeViewSwitch:
    case kSelectionChange:
      context_->CarryLevel(-1);
      break;
    case kClose:
      context_->ExplorerClosed(this);  // the handler's own reference: it ends with its window
      break;
    default:
      break;
  }
  return S_OK;
}

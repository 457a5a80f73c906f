#include "explorer/explorer_handler.h"

#include "addin/add_in.h"
#include "addin/host_guard.h"
#include "classify/mail_item.h"
#include "explorer/selection_watch.h"

// ---- ReplyButtonSink

ReplyButtonSink::ReplyButtonSink(IDispatch* button) : EventSink(IID__CommandBarButtonEvents) { Subscribe(button); }

HRESULT ReplyButtonSink::OnEvent(DISPID dispid, DISPPARAMS* params) {
  if (dispid != kClick) return DISP_E_MEMBERNOTFOUND;
  if (!params) return E_POINTER;
  if (params->cArgs != 2) return DISP_E_BADPARAMCOUNT;
  VARIANT* ctrl = EventArg(params, 1);
  if (!ctrl || ctrl->vt != VT_DISPATCH) return S_OK;
  // CancelDefault is never touched: Outlook's own Reply or Forward always goes on.
  TryHostStep(CarrySelectionLevel);
  return S_OK;
}

void ReplyButtonSink::CarrySelectionLevel() {
  AddIn* context = CurrentAddIn;
  if (!context || !context->Application) return;
  ComPtr<IDispatch> active = ::Application::From(context->Application.get()).ActiveExplorer();
  if (!active) return;
  ComPtr<IDispatch> selected = Explorer::From(active.get()).Selection();
  if (!selected) return;
  Selection selection = Selection::From(selected.get());
  // Items are indexed with a VT_I2: those past 32767 cannot be asked for.
  for (long i = 1; i <= selection.Count() && i <= 32767; ++i) {
    ComPtr<IDispatch> item = selection.Item(short(i));
    MailItem mail;
    if (!item || !MailItem::TryFrom(item.get(), &mail)) continue;
    if (mail.Class() != olMail) continue;
    CMailItemRef wrapper(new CMailItem(mail.get()));
    const int level = wrapper->GetClassification();
    if (CurrentAddIn) CurrentAddIn->CarryLevel(level);
  }
}

// ---- ExplorerHandler

ExplorerHandler::ExplorerHandler(IDispatch* explorer) : EventSink(IID_ExplorerEvents) {
  Explorer_ = Explorer::From(explorer);  // before subscribing, so a failure leaves nothing advised
  Subscribe(explorer);
  // Outlook before 2002 has no ExplorerEvents_10: the watch then hears nothing.
  TryHostStep([&] { Watch_ = new SelectionWatch(explorer); });
}

void ExplorerHandler::OnEnded() {
  for (ReplyButtonSink* sink : ButtonSinks) sink->Release();
  ButtonSinks.clear();
  if (EventSink* watch = std::exchange(Watch_, nullptr)) watch->Release();
  Explorer_ = Explorer();
  if (CurrentAddIn && CurrentAddIn->ExplorerHandlerPtr == this) CurrentAddIn->ExplorerHandlerPtr = nullptr;
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
      ButtonSinks.push_back(new ReplyButtonSink(button.get()));
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
      if (CurrentAddIn) CurrentAddIn->CarryLevel(-1);
      break;
    case kClose:
      Release();  // the handler's own reference: it ends with its window
      break;
    default:
      break;
  }
  return S_OK;
}

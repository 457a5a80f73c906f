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

SelectionLevel ReadSelectionLevel(const AddInContext& context, IDispatch* explorer) {
  SelectionLevel out;
  ComPtr<IDispatch> selected = Explorer::From(explorer).Selection();
  if (!selected) return out;
  const ClassificationSettings* s = context.Settings();
  const int highest = s ? s->LevelCount() : 0;
  Selection selection = Selection::From(selected.get());
  const long count = selection.Count();
  if (count > SelectionLevel::kMostSelectedRead) {
    out.level = highest;
    context.Log("%ld items selected, more than the %ld read for their level: the answer starts at the highest "
                "level<br>\n",
                count, SelectionLevel::kMostSelectedRead);
    return out;
  }
  for (long i = 1; i <= count; ++i) {
    ComPtr<IDispatch> item = selection.Item(short(i));
    Item answered;
    if (!item || !Item::TryFrom(item.get(), &answered) || !IsClassifiedClass(answered.Class())) continue;
    CMailItemRef wrapper(new CMailItem(context, answered.get()));
    const int level = wrapper->GetClassification();
    if (level > out.level) out.level = out.answers = level;
    // Nothing read later can raise the highest level there is.
    if (out.level >= highest) break;
  }
  return out;
}

void ReplyButtonSink::CarrySelectionLevel() {
  if (!context_->Application()) return;
  ComPtr<IDispatch> active = ::Application::From(context_->Application()).ActiveExplorer();
  if (!active) return;
  const SelectionLevel selected = ReadSelectionLevel(*context_, active.get());
  if (selected.answers) context_->CarryLevel(selected.answers);
  if (selected.level > selected.answers) context_->CarryLevel(selected.level, false);
}

// ---- ExplorerHandler

ExplorerHandler::ExplorerHandler(AddInContext& context, IDispatch* explorer)
    : EventSink(IID_ExplorerEvents), context_(context), drops_(context, "Main window") {
  ReportDropsTo(&drops_);
  TryHostStep([&] {
    Explorer_ = Explorer::From(explorer);  // before subscribing, so a failure leaves nothing advised
    Identity_ = ComIdentity(explorer);
  });
  if (!Explorer_) return;
  Subscribe(explorer);
  // Outlook before 2002 has no ExplorerEvents_10: the watch then hears nothing.
  TryHostStep([&] {
    Watch_ = ComPtr<EventSink>::Adopt(new SelectionWatch(context, explorer));
    Watch_->ReportDropsTo(&drops_);
  });
  HookButtons();
}

void ExplorerHandler::OnEnded() {
  ReleaseAll(ButtonSinks);
  Watch_.reset();
  Explorer_ = Explorer();
  Identity_.reset();
}

void ExplorerHandler::HookButtons() {
  if (!Explorer_) return;
  TryHostStep([&] {
    CommandBars bars;
    TryHostStep([&] { bars = Explorer_.GetCommandBars(); });
    if (!bars) return;
    CommandBar standard;
    TryHostStep([&] { standard = bars.Item("Standard"); });
    if (!standard) return;
    // Found: the buttons are hooked once, whatever each of them answers.
    ButtonsPending = false;
    CommandBarControls controls = standard.Controls();
    if (!controls) return;
    for (const char* caption : {"Reply", "Reply to All", "Forward"}) {
      ComPtr<IDispatch> control;
      if (!TryHostStep([&] { control = controls.Item(caption); }) || !control) continue;
      CommandBarButton button;
      if (!TryHostStep([&] { CommandBarButton::TryFrom(control.get(), &button); }) || !button) continue;
      ButtonSinks.reserve(ButtonSinks.size() + 1);
      ButtonSinks.push_back(ComPtr<ReplyButtonSink>::Adopt(new ReplyButtonSink(*context_, button.get())));
      ButtonSinks.back()->ReportDropsTo(&drops_);
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

void FollowExplorer(AddInContext& context, IDispatch* explorer) {
  if (!explorer || !context.Handling()) return;
  ComPtr<IUnknown> id = ComIdentity(explorer);
  if (context.HasExplorer(id.get())) return;  // listed and announced both
  context.AddExplorer([&] { return new ExplorerHandler(context, explorer); });
}

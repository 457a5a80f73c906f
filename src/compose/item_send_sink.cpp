#include "compose/item_send_sink.h"

#include "classify/mail_item.h"
#include "classify/send_decision.h"
#include "host/host_guard.h"

namespace {

// Whether Outlook shows the item to a sender who can be asked about it: in a window of any
// kind, or as the inline response of a main window. Asked of Outlook, not of the add-in's
// handlers: a window opened while the add-in was off, or an inline response it did not see
// start, has a sender in front of it all the same. One that cannot be read counts as
// nobody's: a question nobody can answer is a refusal.
bool ShownToSender(IDispatch* application, IDispatch* item) {
  ComPtr<IUnknown> id = ComIdentity(item);
  if (!application || !id) return false;
  const ::Application app = ::Application::From(application);
  // Whether one window of a collection shows it; a window that cannot say shows nothing.
  auto anyShows = [&id](const auto& windows, auto shownIn) {
    const long n = windows.Count();
    for (long i = 1; i <= n; ++i) {
      ComPtr<IDispatch> shown;
      TryHostStep([&] { shown = shownIn(windows.Item(i).get()); });
      if (shown && ComIdentity(shown.get()).get() == id.get()) return true;
    }
    return false;
  };
  ComPtr<IDispatch> inspectors = app.Inspectors();
  if (inspectors && anyShows(Inspectors::From(inspectors.get()),
                             [](IDispatch* w) { return Inspector::From(w).CurrentItem(); }))
    return true;
  // Outlook before 2013 has no inline responses: the member is missing there.
  ComPtr<IDispatch> explorers;
  TryHostStep([&] { explorers = app.Explorers(); });
  return explorers && anyShows(Explorers::From(explorers.get()),
                               [](IDispatch* e) { return Explorer::From(e).ActiveInlineResponse(); });
}

}  // namespace

ItemSendSink::ItemSendSink(AddInContext& context, IUnknown* application)
    : EventSink(IID_ApplicationEvents_11), context_(context) {
  ReportDropsTo(&context_->Drops());
  Subscribe(application);
}

HRESULT ItemSendSink::OnEvent(DISPID dispid, DISPPARAMS* params) {
  if (dispid != kItemSend) return S_OK;
  VARIANT* item = EventArg(params, 1);
  VARIANT* cancel = EventArg(params, 0);
  if (!item || item->vt != VT_DISPATCH || !item->pdispVal) return S_OK;
  ClassificationSettings* settings = context_->Settings();
  if (!settings) return S_OK;
  // Decided a moment ago by the message's own Send event, in this Send: a failure here must
  // not refuse what was checked and marked there.
  bool decidedJustNow = false;
  TryHostStep([&] { decidedJustNow = context_->InProgress(ComIdentity(item->pdispVal).get()) != nullptr; });
  bool refused = false;
  const bool handled = TryHostStep([&] {
    Item sent;
    if (!Item::TryFrom(item->pdispVal, &sent) || !IsClassifiedClass(sent.Class())) return;
    CMailItemRef message(new CMailItem(*context_, sent.get()));
    SendRequest request;
    request.itemSend = true;
    IDispatch* application = context_->Application();
    request.senderPresent = [application, &sent] { return ShownToSender(application, sent.get()); };
    refused = !DecideSend(*context_, *message, request);
  });
  context_->EndSend();
  // Whatever fails here, a rule of the organisation is not got around by it.
  if (!handled && !decidedJustNow && RulesApply(*settings)) {
    refused = true;
    TryHostStep([&] { context_->Log("ItemSend failed; the organisation's rules could not be checked: the message stays<br>\n"); });
  }
  if (refused && cancel && cancel->vt == (VT_BOOL | VT_BYREF) && cancel->pboolVal) *cancel->pboolVal = VARIANT_TRUE;
  return S_OK;
}

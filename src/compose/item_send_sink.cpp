#include "compose/item_send_sink.h"

#include "classify/mail_item.h"
#include "classify/send_rules.h"
#include "host/host_guard.h"

ItemSendSink::ItemSendSink(AddInContext& context, IUnknown* application)
    : EventSink(IID_ApplicationEvents_11), context_(context) {
  Subscribe(application);
}

HRESULT ItemSendSink::OnEvent(DISPID dispid, DISPPARAMS* params) {
  if (dispid != kItemSend) return S_OK;
  VARIANT* item = EventArg(params, 1);
  VARIANT* cancel = EventArg(params, 0);
  if (!item || item->vt != VT_DISPATCH || !item->pdispVal) return S_OK;
  ClassificationSettings* settings = context_->Settings();
  if (!settings) return S_OK;
  // Stamped by its window's Send a moment ago: nothing more to do, and nothing more held.
  const bool stampedJustNow = context_->StampedJustNow(item->pdispVal);
  context_->ForgetStamped();
  if (stampedJustNow) return S_OK;
  bool refused = false;
  // Whatever fails here, the message goes as it is: refusing a send is the user's rule only.
  TryHostStep([&] {
    Item sent;
    if (!Item::TryFrom(item->pdispVal, &sent) || !IsClassifiedClass(sent.Class())) return;
    CMailItemRef message(new CMailItem(*context_, sent.get()));
    // Stamped by its compose window's Send, or by an earlier ItemSend that was stopped later.
    // A message that cannot be read may be either: it goes as it is, neither refused for a
    // level it may have nor marked a second time.
    const CMailItem::Stamped stamp = message->StampState();
    if (stamp == CMailItem::Stamped::Unknown) context_->Log("ItemSend could not read the message: it goes as it is<br>\n");
    if (stamp != CMailItem::Stamped::No) return;
    // Its own level: chosen in its window or on the ribbon, or carried from the message it
    // answers. A level past the list (the prompt entry) reads as none.
    int level = message->GetClassification();
    if (level == 0) {
      if (settings->RequireSelection) {
        ShowSelectionPrompt(*settings);
        refused = true;
        return;
      }
      level = settings->DefaultLevel;
    }
    // A sender is there to be asked when the message is one the add-in shows in a window or
    // inline; otherwise another program sends it.
    if (!MayLeave(*context_, *message, level, context_->Ribbon().Shows(sent.get()))) {
      refused = true;
      return;
    }
    message->Stamp(level, settings->LevelName(level));
    // An inline response whose own Send was not heard still shows its level: greyed now.
    context_->Ribbon().ItemStamped(sent.get(), level);
  });
  if (refused && cancel && cancel->vt == (VT_BOOL | VT_BYREF) && cancel->pboolVal) *cancel->pboolVal = VARIANT_TRUE;
  return S_OK;
}

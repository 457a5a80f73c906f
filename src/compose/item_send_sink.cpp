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
  bool checkedJustNow = false;
  TryHostStep([&] { checkedJustNow = context_->CheckedJustNow(item->pdispVal); });
  context_->ForgetStamped();
  if (stampedJustNow) return S_OK;
  bool refused = false;
  // Whatever fails here, the message goes as it is: refusing a send is the user's rule, or
  // the organisation's, which a failure must not get around.
  const bool handled = TryHostStep([&] {
    Item sent;
    if (!Item::TryFrom(item->pdispVal, &sent) || !IsClassifiedClass(sent.Class())) return;
    CMailItemRef message(new CMailItem(*context_, sent.get()));
    // A sender is there to be asked when the message is one the add-in shows in a window or
    // inline; otherwise another program sends it.
    const bool senderPresent = context_->Ribbon().Shows(sent.get());
    // Stamped by its compose window's Send, or by an earlier ItemSend that was stopped later.
    const CMailItem::Stamped stamp = message->StampState();
    if (stamp == CMailItem::Stamped::Unknown) {
      // A message that cannot be read may be either: it goes as it is, never marked twice,
      // but not past the organisation's rules, checked on what can be read of it.
      context_->Log("ItemSend could not read whether the message was stamped<br>\n");
      if (!RulesApply(*settings) || checkedJustNow) return;
      int level = message->GetClassification();
      if (level == 0 && message->LevelUnreadable()) refused = !MayLeaveUnread(*context_, senderPresent);
      else refused = !MayLeave(*context_, *message, level ? level : settings->DefaultLevel, senderPresent);
      return;
    }
    if (stamp != CMailItem::Stamped::No) return;
    // Its own level: chosen in its window or on the ribbon, or carried from the message it
    // answers. A level past the list (the prompt entry) reads as none.
    int level = message->GetClassification();
    if (level == 0 && message->LevelUnreadable() && !MayLeaveUnread(*context_, senderPresent)) {
      refused = true;
      return;
    }
    if (level == 0) {
      if (settings->RequireSelection) {
        ShowSelectionPrompt(*settings);
        refused = true;
        return;
      }
      level = settings->DefaultLevel;
    }
    if (!MayLeave(*context_, *message, level, senderPresent)) {
      refused = true;
      return;
    }
    message->Stamp(level, settings->LevelName(level));
    // An inline response whose own Send was not heard still shows its level: greyed now.
    context_->Ribbon().ItemStamped(sent.get(), level);
  });
  if (!handled && !checkedJustNow && RulesApply(*settings)) {
    refused = true;
    TryHostStep([&] { context_->Log("ItemSend failed; the organisation's rules could not be checked: the message stays<br>\n"); });
  }
  if (refused && cancel && cancel->vt == (VT_BOOL | VT_BYREF) && cancel->pboolVal) *cancel->pboolVal = VARIANT_TRUE;
  return S_OK;
}

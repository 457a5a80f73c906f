#include "compose/item_send_sink.h"

#include "addin/add_in.h"
#include "addin/host_guard.h"
#include "classify/mail_item.h"

ItemSendSink::ItemSendSink(IUnknown* application) : EventSink(IID_ApplicationEvents_11) { Subscribe(application); }

HRESULT ItemSendSink::OnEvent(DISPID dispid, DISPPARAMS* params) {
  if (dispid != kItemSend) return S_OK;
  VARIANT* item = EventArg(params, 1);
  VARIANT* cancel = EventArg(params, 0);
  if (!item || item->vt != VT_DISPATCH || !item->pdispVal) return S_OK;
  AddIn* context = CurrentAddIn;
  ClassificationSettings* settings = Settings();
  // Stamped by its compose window's Send, or by an earlier ItemSend that was stopped later.
  if (!context || !settings || context->Stamped.Contains(item->pdispVal)) return S_OK;
  bool refused = false;
  // Whatever fails here, the message goes as it is: refusing a send is the user's rule only.
  TryHostStep([&] {
    MailItem mail;
    if (!MailItem::TryFrom(item->pdispVal, &mail) || mail.Class() != olMail) return;
    CMailItemRef message(new CMailItem(mail.get()));
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
    message->Stamp(level, settings->LevelName(level));
  });
  if (refused && cancel && cancel->vt == (VT_BOOL | VT_BYREF) && cancel->pboolVal) *cancel->pboolVal = VARIANT_TRUE;
  return S_OK;
}

#include "compose/item_handler.h"

#include "host/host_guard.h"

CItemHandler::CItemHandler(AddInContext& context, CMailItem* mailItem, const IID& events)
    : EventSink(events), context_(context), MailItem_(mailItem) {
  if (ObjectTracker* t = context_->Tracker()) t->Add(this, "CItemHandler", "");
  Subscribe(mailItem->item().get());
}

CItemHandler::~CItemHandler() {
  if (ObjectTracker* t = context_->Tracker()) t->Remove(this);
}

HRESULT CItemHandler::OnEvent(DISPID dispid, DISPPARAMS* params) {
  switch (dispid) {
    case 0xF001:  // Read
    case 0xF002:  // Write
    case 0xF003:  // Open
    case 0xF006:
    case 0xF008:
    case 0xF009:
    case 0xF00A:
    case 0xF00B:
    case 0xF00C:
    case 0xF00D:
      return S_OK;
    case kClose:
      context_->Log("CItemHandler::Invoke Close<br>");
      if (MailItem_) MailItem_->OnClose();  // may destroy this sink
      return S_OK;
    case kSend: {
      context_->Log("CItemHandler::Invoke Send<br>");
      if (!MailItem_) return S_OK;
      // Stopped already by the handler of another window on the same message (its rules,
      // or its required choice): this Send will not happen, so nothing is done for it.
      VARIANT* stopped = EventArg(params, 0);
      if (stopped && stopped->vt == (VT_BOOL | VT_BYREF) && stopped->pboolVal && *stopped->pboolVal) return S_OK;
      // OnSend ends the window's handlers, this sink among them, unless it refuses the
      // Send; nothing of this object is touched after it.
      const int refused = MailItem_->OnSend();
      if (refused == 1) {
        VARIANT* cancel = EventArg(params, 0);
        if (cancel && cancel->vt == (VT_BOOL | VT_BYREF) && cancel->pboolVal) *cancel->pboolVal = VARIANT_TRUE;
      }
      return HRESULT(refused);
    }
    case kReply:
    case kReplyAll:
    case kForward:
      // Outlook's own reply must go on whatever happens here.
      if (MailItem_) TryHostStep([&] { CarryLevelToResponse(*context_, *MailItem_, params); });
      return S_OK;
    default:
      context_->Log("CItemHandler::Invoke %u<br>", unsigned(dispid));
      return S_OK;
  }
}

void CarryLevelToResponse(const ClassifyContext& context, CMailItem& answered, DISPPARAMS* params) {
  VARIANT* response = EventArg(params, 1);
  if (!response || response->vt != VT_DISPATCH || !response->pdispVal) return;
  const int level = answered.GetClassification();
  if (level == 0) return;
  // The answer starts at the level it answers, and keeps that level as the one it answers.
  CMailItemRef carried(new CMailItem(context, response->pdispVal));
  carried->SetClassificationProperty(level, nullptr, false);
  carried->SetAnsweredLevel(level);
}

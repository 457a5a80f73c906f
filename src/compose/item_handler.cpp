#include "compose/item_handler.h"

#include <algorithm>
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
    case kCustomAction:
      // Outlook's own reply must go on whatever happens here.
      if (MailItem_) TryHostStep([&] {
          const int level = MailItem_->GetClassification();
          CarryLevelToResponse(*context_, ResponseOf(params), level, level);
        });
      return S_OK;
    default:
      context_->Log("CItemHandler::Invoke %u<br>", unsigned(dispid));
      return S_OK;
  }
}

IDispatch* ResponseOf(DISPPARAMS* params) {
  VARIANT* response = EventArg(params, 1);
  return response && response->vt == VT_DISPATCH ? response->pdispVal : nullptr;
}

void CarryLevelToResponse(const ClassifyContext& context, IDispatch* response, int level, int answers) {
  if (!response || level <= 0) return;
  CMailItemRef carried(new CMailItem(context, response));
  const int had = carried->GetClassification();
  if (level > had) NoteLevelNotWritten(carried->SetClassificationProperty(level, nullptr, false));
  if (had > 0) answers = std::max(answers, carried->GetAnsweredLevel());
  carried->SetAnsweredLevel(answers);
}

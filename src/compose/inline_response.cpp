#include "compose/inline_response.h"

#include "compose/item_handler.h"
#include "host/host_guard.h"

CInlineResponse::CInlineResponse(AddInContext& context, CInlineResponse** slot)
    : context_(context), drops_(context, "Inline response"), Slot_(slot) {
  if (ObjectTracker* t = context_->Tracker()) t->Add(this, "CInlineResponse", "");
}

CInlineResponse* CInlineResponse::Create(AddInContext& context, IDispatch* explorer, IDispatch* mailItem,
                                         CInlineResponse** slot) {
  auto* h = new CInlineResponse(context, slot);
  try {
    h->MailItem_.reset(new CMailItem(context, mailItem));
    // Its own Send, where Outlook fires it for an inline response, brings it to the Send
    // decision as a compose window's does; Application.ItemSend does otherwise.
    h->ItemHandler = ComPtr<CItemHandler>::Adopt(new CItemHandler(context, h->MailItem_.get(), IID_ItemEvents_10));
    h->ItemHandler->ReportDropsTo(&h->drops_);
    h->MailItem_->inspectorHandler = h;
    h->MailItem_->dropdown = h;
    h->Preselect();
    context.Ribbon().Add(explorer, h);  // the Explorer's ribbon shows this response's level now
  } catch (...) {
    delete h;
    throw;
  }
  return h;
}

CInlineResponse::~CInlineResponse() {
  if (Slot_ && *Slot_ == this) *Slot_ = nullptr;
  context_->Ribbon().Remove(this);
  ItemHandler.reset();
  if (CMailItemRef m = std::move(MailItem_)) {
    m->inspectorHandler = nullptr;
    m->dropdown = nullptr;
  }
  if (ObjectTracker* t = context_->Tracker()) t->Remove(this);
}

// The level the response starts with: its own (carried from the message it answers by that
// message's Reply event), else the one the main window's buttons carried, else the policy's
// preselection; written into the message at once, as a compose window's drop-down does.
void CInlineResponse::Preselect() {
  int level = MailItem_->GetClassification();
  if (level == 0) {
    level = context_->CarriedLevel();
    if (level) MailItem_->SetAnsweredLevel(context_->CarriedAnswers());
  }
  context_->CarryLevel(-1);
  Chosen_.Preselect(context_->Settings(), level);
  Chosen_.WriteTo(*MailItem_);
}

int CInlineResponse::GetSelection(std::string* text) {
  *text = Chosen_.text;
  return Chosen_.level;
}

void CInlineResponse::Choose(int level) {
  if (Chosen_.Choose(*context_, *MailItem_, level, "the ribbon")) Chosen_.WriteTo(*MailItem_);
}

#include "compose/inline_response.h"

#include "addin/add_in.h"
#include "addin/host_guard.h"
#include "compose/item_handler.h"

CInlineResponse::CInlineResponse(CInlineResponse** slot) : Slot_(slot) {
  if (ObjectTracker* t = Tracker()) t->Add(this, "CInlineResponse", "");
}

CInlineResponse* CInlineResponse::Create(IDispatch* explorer, IDispatch* mailItem, CInlineResponse** slot) {
  auto* h = new CInlineResponse(slot);
  try {
    h->MailItem_ = new CMailItem(mailItem);
    // Its own Send, where Outlook fires it for an inline response, stamps it as a compose
    // window's does; Application.ItemSend stamps it otherwise.
    h->ItemHandler = new CItemHandler(h->MailItem_, IID_ItemEvents_10);
    h->MailItem_->inspectorHandler = h;
    h->MailItem_->dropdown = h;
    h->Preselect();
    if (CurrentAddIn) {
      CurrentAddIn->Ribbon.Add(explorer, h);
      CurrentAddIn->Ribbon.Invalidate();  // the Explorer's ribbon shows this response's level now
    }
  } catch (...) {
    delete h;
    throw;
  }
  return h;
}

CInlineResponse::~CInlineResponse() {
  if (Slot_ && *Slot_ == this) *Slot_ = nullptr;
  if (CurrentAddIn) CurrentAddIn->Ribbon.Remove(this);
  if (CItemHandler* h = std::exchange(ItemHandler, nullptr)) h->Release();
  if (CMailItem* m = std::exchange(MailItem_, nullptr)) {
    m->inspectorHandler = nullptr;
    m->dropdown = nullptr;
    m->Release();
  }
  if (ObjectTracker* t = Tracker()) t->Remove(this);
}

// The level the response starts with: its own (carried from the message it answers by that
// message's Reply event), else the one the main window's buttons carried, else the policy's
// preselection; written into the message at once, as a compose window's drop-down does.
void CInlineResponse::Preselect() {
  int level = MailItem_->GetClassification();
  if (level == 0 && CurrentAddIn) level = CurrentAddIn->CarriedLevel;
  if (CurrentAddIn) CurrentAddIn->CarryLevel(-1);
  Chosen_.Preselect(level);
  Chosen_.WriteTo(*MailItem_);
}

int CInlineResponse::GetSelection(std::string* text) {
  *text = Chosen_.text;
  return Chosen_.level;
}

void CInlineResponse::Choose(int level) {
  if (Chosen_.Choose(level)) Chosen_.WriteTo(*MailItem_);
}

// The sink of one open mail item's events: Send brings the message to the Send decision
// (which may refuse it), Close ends the window's handlers (or moves them to the item the
// window shows next), and Reply, Reply to All, Forward and a meeting request's responses
// carry the level to the new message.
#pragma once

#include "context/addin_context.h"
#include "classify/mail_item.h"
#include "host/event_sink.h"
#include "com/iids.h"

class CItemHandler final : public EventSink {
 public:
  static constexpr DISPID kClose = 0xF004;
  static constexpr DISPID kSend = 0xF005;
  // A meeting request's Accept, Decline or Tentative: the form's action, with the response.
  static constexpr DISPID kCustomAction = 0xF006;
  static constexpr DISPID kReply = 0xF466;
  static constexpr DISPID kReplyAll = 0xF467;
  static constexpr DISPID kForward = 0xF468;

  // events: ItemEvents for a compose window's item, as Outlook has always offered them;
  // ItemEvents_10 for an inline response, which offers only those.
  CItemHandler(AddInContext& context, CMailItem* mailItem, const IID& events = IID_ItemEvents);

 protected:
  ~CItemHandler() override;
  HRESULT OnEvent(DISPID dispid, DISPPARAMS* params) override;

 private:
  ContextRef context_;
  CMailItem* MailItem_;  // owned by the window's handler
};

// The new item of a Reply, Reply to All, Forward or CustomAction event (the argument before
// Cancel), or null.
IDispatch* ResponseOf(DISPPARAMS* params);
// The new item starts at this level, answering `answers` (0: a level the add-in did not
// read), written and not saved. Raised only: another sink of the same event may have
// carried a higher level a moment ago. Raises HostError when a host call fails.
void CarryLevelToResponse(const ClassifyContext& context, IDispatch* response, int level, int answers);

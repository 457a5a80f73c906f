// The sink of one open mail item's events: Send stamps the message (and may refuse it),
// Close ends the window's handlers, and Reply, Reply to All and Forward carry the level
// to the new message.
#pragma once

#include "addin/context.h"
#include "classify/mail_item.h"
#include "host/event_sink.h"
#include "com/iids.h"

class CItemHandler final : public EventSink {
 public:
  static constexpr DISPID kClose = 0xF004;
  static constexpr DISPID kSend = 0xF005;
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

// Reply, Reply to All or Forward on the answered message (params: the new item, Cancel):
// the new item starts with the answered message's numeric level, written and not saved.
// Raises HostError when a host call fails.
void CarryLevelToResponse(const ClassifyContext& context, CMailItem& answered, DISPPARAMS* params);

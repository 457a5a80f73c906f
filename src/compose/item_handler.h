// The sink of one open mail item's events: Send stamps the message (and may refuse it),
// Close ends the window's handlers, and Reply, Reply to All and Forward carry the level
// to the new message.
#pragma once

#include "addin/event_sink.h"
#include "classify/mail_item.h"

class CItemHandler final : public EventSink {
 public:
  static constexpr DISPID kClose = 0xF004;
  static constexpr DISPID kSend = 0xF005;
  static constexpr DISPID kReply = 0xF466;
  static constexpr DISPID kReplyAll = 0xF467;
  static constexpr DISPID kForward = 0xF468;

  explicit CItemHandler(CMailItem* mailItem);

 protected:
  ~CItemHandler() override;
  HRESULT OnEvent(DISPID dispid, DISPPARAMS* params) override;

 private:
  void CarryToResponse(DISPPARAMS* params);

  CMailItem* MailItem_;  // owned by the window's handler
};

// The one decision of every Send, whatever raised it (a compose window's Send, an inline
// response's, Application.ItemSend for a message no window decided, a program's Send()):
// whether the message may leave, at which level, and with which marks. The paths only
// gather what they know and apply the answer. The rules run at every attempt on what the
// message holds at that moment; the marks are made once, by what the message holds.
#pragma once

#include <string>
#include "classify/mail_item.h"
#include "classify/send_rules.h"

struct SendRequest {
  // Raised by the message's own Send event (a compose window's or an inline response's), or
  // by Application.ItemSend, which follows it within the same Send or comes alone.
  bool itemSend = false;
  // The level chosen where the sender writes the message, with its drop-down text; 0: the
  // level the message carries, read from it.
  int level = 0;
  std::string name;
  bool promptChosen = false;  // a choice is required and the prompt entry is chosen
  SenderPresent senderPresent;
  const char* raisedBy = "Application.ItemSend";  // for the record: what raised the Send
};

// True: the message may leave, marked at its level; false: the Send is to be cancelled, and
// nothing of the message was written.
bool DecideSend(const ClassifyContext& context, CMailItem& message, const SendRequest& request);

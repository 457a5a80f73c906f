// The organisation's rules on where a level may go, checked at every Send before anything of
// the message is written or marked: no answer below the level of the message it answers,
// and no level above the highest one sent outside to an address outside the organisation.
#pragma once

#include "classify/mail_item.h"
#include "classify/recipients.h"

#include <functional>
#include <string>
#include <vector>

// Whether a sender is shown the message and can be asked about it; asked only when a rule
// must ask.
using SenderPresent = std::function<bool()>;

// What the rules read and asked in one decision, for its record in the event log.
struct RuleTrail {
  std::string refusedBy;  // the rule that refused the Send, as its record says it
  bool answeredRead = false;
  int answered = 0;  // the level of the message it answers (0: none, -1: unreadable)
  bool outsideRead = false;
  OutsideRecipients outside;
  std::string asked;  // what the sender was asked and answered; empty: nothing
  std::string reason;  // the sender's reason for a lower level; empty: none given
};

// The questions the sender answered Yes to in this Send, by their text: the same question
// again in the same Send (its window's, then Application.ItemSend) takes that answer.
struct SenderAnswers {
  std::vector<std::string> yes;
  RuleTrail trail;
};

// Whether the message may leave at this level. A message nobody is shown cannot be asked
// (another program sends it), so a rule that would ask refuses it. Every refusal is
// logged, and shown to a sender. checkedJustNow: the message's own Send event checked the
// rules on it a moment ago, in this Send; what cannot be read now stands as it read then,
// and only what is read breaking a rule refuses it.
bool MayLeave(const ClassifyContext& context, CMailItem& message, int level, const SenderPresent& present,
              SenderAnswers* answers, bool checkedJustNow = false);

// A level as the rules' boxes and records say it: its name, or its number where it has none.
std::string NameOf(const ClassificationSettings& s, int level);

// Whether any rule on where a level may go is set.
bool RulesApply(const ClassificationSettings& settings);
// A message whose level cannot be read while a rule is set: the rule cannot be checked, so
// it holds as if broken; the strictest rule set decides.
bool MayLeaveUnread(const ClassifyContext& context, const SenderPresent& present, SenderAnswers* answers);

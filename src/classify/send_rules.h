// The organisation's rules on where a level may go, checked at every Send before anything of
// the message is written or marked: no answer below the level of the message it answers,
// and no level above the highest one sent outside to an address outside the organisation.
#pragma once

#include "classify/mail_item.h"

// Whether the message may leave at this level. senderPresent: a sender sends it from a
// window or an inline response and can be asked; a message another program sends cannot,
// so a rule that would ask refuses it. Every refusal is logged, and shown to a sender.
bool MayLeave(const ClassifyContext& context, CMailItem& message, int level, bool senderPresent);

// Whether any rule on where a level may go is set.
bool RulesApply(const ClassificationSettings& settings);
// A message that cannot be read (its level, or whether it was stamped) while a rule is set:
// the rule cannot be checked, so it holds as if broken; the strictest rule set decides.
bool MayLeaveUnread(const ClassifyContext& context, bool senderPresent);

// The security officer's record of one Send decision: an event in the Application event
// log for a message let go and for a Send a rule refused, with what the rules read and
// asked, as AuditDetail says (nothing, the decision, or with subject and recipients).
#pragma once

#include "classify/send_decision.h"

void RecordDecision(const ClassifyContext& context, CMailItem& message, const SendRequest& request, int level,
                    bool left, const RuleTrail& trail) noexcept;

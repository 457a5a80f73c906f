// The security officer's record of one Send decision: an event in the Application event
// log for a message let go (below the level it answers: with the sender's reason) and for a
// Send a rule refused, with what the rules read and asked, as AuditDetail says (nothing, the
// decision, or with subject and recipients). A correlation id ties the event to the message.
#pragma once

#include <string>
#include "classify/send_decision.h"

// Whether decisions are recorded at all.
bool RecordsDecisions(const ClassifyContext& context);

void RecordDecision(const ClassifyContext& context, CMailItem& message, const SendRequest& request, int level,
                    bool left, const RuleTrail& trail, const std::string& correlation) noexcept;

// A message let go that could not be marked: what failed.
void RecordNotMarked(const ClassifyContext& context, CMailItem& message, const SendRequest& request, int level,
                     const std::string& failure, const std::string& correlation) noexcept;

// A level chosen on a message being written, over the one it had (carried from the message
// it answers, or its own): from, to, and where it was chosen.
void RecordLevelChange(const ClassifyContext& context, const Item& item, int from, int to, const char* where) noexcept;

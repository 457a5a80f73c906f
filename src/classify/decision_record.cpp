#include "classify/decision_record.h"

#include <set>
#include "classify/text_search.h"
#include "com/text.h"
#include "diag/event_record.h"
#include "host/host_guard.h"

namespace {

std::string AnsweredText(const ClassificationSettings& s, const RuleTrail& trail) {
  if (!trail.answeredRead) return "not read";
  if (trail.answered < 0) return "could not be read";
  return trail.answered ? NameOf(s, trail.answered) : "none";
}

// The domains of the recipients outside, never their addresses.
std::string DomainsText(const RuleTrail& trail) {
  if (!trail.outsideRead) return "not read";
  std::set<std::string> domains;
  for (const std::string& who : trail.outside.shown) {
    const size_t at = who.rfind('@');
    if (at == std::string::npos) continue;
    std::string domain = LowerCopy(who.substr(at + 1));
    while (!domain.empty() && (domain.back() == '>' || domain.back() == ' ')) domain.pop_back();
    domains.insert(domain);
  }
  std::string text;
  for (const std::string& d : domains) text += (text.empty() ? "" : "; ") + d;
  if (trail.outside.count > trail.outside.shown.size()) text += (text.empty() ? "" : "; ") + std::string("and more");
  if (text.empty()) return trail.outside.count ? "unknown (no address)" : "none";
  return text;
}

}  // namespace

void RecordDecision(const ClassifyContext& context, CMailItem& message, const SendRequest& request, int level,
                    bool left, const RuleTrail& trail) noexcept {
  TryHostStep([&] {
    const ClassificationSettings* s = context.Settings();
    if (!s || s->AuditDetail == EventDetail::None) return;
    std::vector<std::string> fields;
    if (!left) fields.push_back(trail.refusedBy);
    fields.push_back(NameOf(*s, level));
    fields.push_back(AnsweredText(*s, trail));
    fields.push_back(request.raisedBy);
    fields.push_back(trail.outsideRead ? std::to_string(trail.outside.count) : "not read");
    fields.push_back(DomainsText(trail));
    fields.push_back(trail.asked.empty() ? "nothing" : trail.asked);
    if (s->AuditDetail == EventDetail::Full) {
      fields.push_back(message.item().Subject().ToUtf8());
      std::string who;
      for (const std::string& w : trail.outside.shown) who += (who.empty() ? "" : "; ") + w;
      fields.push_back(trail.outsideRead ? (who.empty() ? "none outside" : who) : "not read");
    } else {
      fields.push_back("(not recorded)");
      fields.push_back("(not recorded)");
    }
    WriteEvent(left ? EVENTLOG_INFORMATION_TYPE : EVENTLOG_WARNING_TYPE, left ? kReleasedEvent : kRefusedEvent, fields);
  });
}

#include "classify/decision_record.h"

#include <set>
#include "classify/text_search.h"
#include "com/text.h"
#include "diag/event_record.h"
#include "host/host_guard.h"

namespace {

const char kNotRecorded[] = "(not recorded)";

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

// All the recipients, To, Cc and Bcc, as Outlook counts them.
std::string RecipientCount(const CMailItem& message) {
  std::string text = "could not be read";
  TryHostStep([&] {
    ComPtr<IDispatch> list = message.item().Recipients();
    if (list) text = std::to_string(Recipients::From(list.get()).Count());
  });
  return text;
}

std::string SubjectText(const ClassificationSettings& s, const Item& item) {
  if (s.AuditDetail != EventDetail::Full) return kNotRecorded;
  std::string subject = "could not be read";
  TryHostStep([&] { subject = item.Subject().ToUtf8(); });
  return subject;
}

}  // namespace

bool RecordsDecisions(const ClassifyContext& context) {
  const ClassificationSettings* s = context.Settings();
  return s && s->AuditDetail != EventDetail::None;
}

void RecordDecision(const ClassifyContext& context, CMailItem& message, const SendRequest& request, int level,
                    bool left, const RuleTrail& trail, const std::string& correlation) noexcept {
  TryHostStep([&] {
    if (!RecordsDecisions(context)) return;
    const ClassificationSettings& s = *context.Settings();
    const bool downgrade = left && trail.answeredRead && trail.answered > level;
    std::vector<std::string> fields;
    if (!left) fields.push_back(trail.refusedBy);
    fields.push_back(NameOf(s, level));
    fields.push_back(AnsweredText(s, trail));
    if (downgrade) fields.push_back(trail.reason.empty() ? "none asked" : trail.reason);
    fields.push_back(request.raisedBy);
    fields.push_back(RecipientCount(message));
    fields.push_back(trail.outsideRead ? std::to_string(trail.outside.count) : "not read");
    fields.push_back(DomainsText(trail));
    fields.push_back(trail.asked.empty() ? "nothing" : trail.asked);
    fields.push_back(correlation);
    fields.push_back(SubjectText(s, message.item()));
    if (s.AuditDetail == EventDetail::Full) {
      std::string who;
      for (const std::string& w : trail.outside.shown) who += (who.empty() ? "" : "; ") + w;
      fields.push_back(trail.outsideRead ? (who.empty() ? "none outside" : who) : "not read");
    } else {
      fields.push_back(kNotRecorded);
    }
    if (downgrade) WriteEvent(EVENTLOG_WARNING_TYPE, kSendCategory, kDowngradedEvent, fields);
    else if (left) WriteEvent(EVENTLOG_INFORMATION_TYPE, kSendCategory, kReleasedEvent, fields);
    else WriteEvent(EVENTLOG_WARNING_TYPE, kSendCategory, kRefusedEvent, fields);
  });
}

void RecordNotMarked(const ClassifyContext& context, CMailItem& message, const SendRequest& request, int level,
                     const std::string& failure, const std::string& correlation) noexcept {
  TryHostStep([&] {
    if (!RecordsDecisions(context)) return;
    const ClassificationSettings& s = *context.Settings();
    WriteEvent(EVENTLOG_ERROR_TYPE, kMarkingCategory, kNotMarkedEvent,
               {NameOf(s, level), failure, request.raisedBy, correlation, SubjectText(s, message.item())});
  });
}

void RecordLevelChange(const ClassifyContext& context, const Item& item, int from, int to, const char* where) noexcept {
  TryHostStep([&] {
    if (!RecordsDecisions(context) || !from || from == to) return;
    const ClassificationSettings& s = *context.Settings();
    if (to < 1 || to > s.LevelCount()) return;  // the prompt entry: no level chosen
    WriteEvent(EVENTLOG_INFORMATION_TYPE, kLevelCategory, kLevelChangedEvent,
               {NameOf(s, from), NameOf(s, to), where, SubjectText(s, item)});
  });
}

#include "classify/send_rules.h"

#include <algorithm>
#include "classify/load_text.h"
#include "classify/reason_dialog.h"
#include "classify/resource_ids.h"
#include "classify/recipients.h"
#include "com/text.h"
#include "host/host_guard.h"

namespace {

// Shows the rule's box: an error for a refusal, a Yes/No question for a warning (No is the
// default button). True when the sender answered Yes.
bool Ask(const ClassificationSettings& s, SendRule rule, const std::string& text) {
  const std::basic_string<OLECHAR> wide = Utf8ToWide(text), caption = Utf8ToWide(s.PromptCaption);
  const UINT type = rule == SendRule::Warn ? MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2 : MB_OK | MB_ICONSTOP;
  const int answer = MessageBoxW(GetActiveWindow(), reinterpret_cast<LPCWSTR>(wide.c_str()),
                                 reinterpret_cast<LPCWSTR>(caption.c_str()), type);
  return rule == SendRule::Warn && answer == IDYES;
}

// Whether the sender is there to be asked; a message nobody is shown refuses the rule
// that would ask, and says so.
bool SenderThere(const ClassifyContext& context, SendRule rule, const char* what, const SenderPresent& present,
                 RuleTrail* trail) {
  bool shown = false;
  TryHostStep([&] { shown = present && present(); });
  if (!trail->asked.empty()) trail->asked += "; ";
  if (shown) return true;
  context.Log("Send refused (%s): %s; a message nobody is shown cannot be asked<br>\n", what,
              rule == SendRule::Block ? "the rule refuses it" : "the rule asks the sender");
  trail->asked += std::string("nobody (") + what + "): a message nobody is shown cannot be asked";
  trail->refusedBy = what;
  return false;
}

// One rule broken: the message goes only if the rule warns and the sender says Yes, now or
// to the same question earlier in the same Send.
bool Decide(const ClassifyContext& context, SendRule rule, const char* what, const std::string& refusal,
            const std::string& question, const SenderPresent& present, SenderAnswers* answers) {
  const ClassificationSettings& s = *context.Settings();
  if (rule == SendRule::Warn && std::find(answers->yes.begin(), answers->yes.end(), question) != answers->yes.end())
    return true;
  RuleTrail& trail = answers->trail;
  if (!SenderThere(context, rule, what, present, &trail)) return false;
  const bool yes = Ask(s, rule, rule == SendRule::Warn ? question : refusal);
  context.Log("%s (%s)<br>\n", yes ? "Sent after a warning, the sender answering Yes" :
                               rule == SendRule::Warn ? "Send stopped, the sender answering No" : "Send refused", what);
  trail.asked += rule == SendRule::Warn ? std::string("warned (") + what + "), answered " + (yes ? "Yes" : "No")
                                        : std::string("told it is refused (") + what + ")";
  if (yes) answers->yes.push_back(question);
  else trail.refusedBy = what;
  return yes;
}

// An answer below the level answered, under the rule that asks why: the message goes with
// the sender's reason, or stays when the sender cancels. Given once, it stands for the rest
// of the same Send.
bool Justify(const ClassifyContext& context, const std::string& was, const std::string& name,
             const SenderPresent& present, SenderAnswers* answers) {
  const char* what = "a lower level than the message it answers";
  const std::string key = "reason: " + was + " to " + name;
  if (std::find(answers->yes.begin(), answers->yes.end(), key) != answers->yes.end()) return true;
  RuleTrail& trail = answers->trail;
  if (!SenderThere(context, SendRule::Justify, what, present, &trail)) return false;
  std::string reason;
  const bool given = AskReason(*context.Settings(), was, name, &reason);
  context.Log("%s (%s)<br>\n", given ? "Sent with the sender's reason" : "Send stopped, the sender giving no reason", what);
  trail.asked += std::string("asked for a reason (") + what + "), " + (given ? "gave one" : "cancelled");
  if (!given) {
    trail.refusedBy = what;
    return false;
  }
  trail.reason = reason;
  answers->yes.push_back(key);
  return true;
}

// What the box says of recipients outside the internal domains: up to ten, and how many more.
std::string OutsideText(const ClassificationSettings& s, const std::string& name, const OutsideRecipients& outside) {
  std::string domains;
  for (const std::string& d : s.InternalDomains) domains += (domains.empty() ? "" : ", ") + d;
  std::string list;
  for (const std::string& who : outside.shown) list += "\n    " + who;
  if (outside.count > outside.shown.size())
    list += "\n    " + FormatText(IDS_RULE_MORE, {std::to_string(outside.count - outside.shown.size())});
  return FormatText(IDS_RULE_OUTSIDE, {name, NameOf(s, s.ExternalMaxLevel),
                                       domains.empty() ? std::string(LoadText(IDS_RULE_NO_DOMAIN)) : domains, list});
}

}  // namespace

std::string NameOf(const ClassificationSettings& s, int level) {
  return s.LevelName(level).empty() ? std::to_string(level) : s.LevelName(level);
}

bool MayLeave(const ClassifyContext& context, CMailItem& message, int level, const SenderPresent& present,
              SenderAnswers* answers, bool checkedJustNow) {
  const ClassificationSettings* s = context.Settings();
  if (!s) return true;
  const std::string name = NameOf(*s, level);

  int answered = 0;
  bool below = false;
  if (s->DowngradeRule != SendRule::Allow) {
    answered = message.GetAnsweredLevel();
    answers->trail.answeredRead = true;
    answers->trail.answered = answered;
    below = answered > level;
    if (answered < 0 && !checkedJustNow) {
      // The rule cannot be checked: it holds as if broken, since the organisation set it.
      const std::string why = LoadText(IDS_RULE_ANSWERED_UNREAD);
      const SendRule rule = s->DowngradeRule == SendRule::Justify ? SendRule::Warn : s->DowngradeRule;
      if (!Decide(context, rule, "the level it answers could not be read", why + LoadText(IDS_RULE_TRY_AGAIN),
                  why + FormatText(IDS_RULE_SEND_AT, {name}), present, answers))
        return false;
    }
  }

  // Recipients are read only when the level is above what may go outside, and after a
  // downgrade that stops the Send anyway, only to say so in one box.
  const bool outsideRuleApplies = s->ExternalMaxLevel > 0 && level > s->ExternalMaxLevel;
  const bool bothRefuse = below && s->DowngradeRule == SendRule::Block && s->ExternalRule == SendRule::Block;
  OutsideRecipients outside;
  bool read = false;
  auto readOutside = [&] {
    if (!read && outsideRuleApplies) {
      outside = FindOutsideRecipients(context, message.item(), s->InternalDomains);
      answers->trail.outsideRead = true;
      answers->trail.outside = outside;
    }
    read = true;
  };
  if (bothRefuse) readOutside();
  if (checkedJustNow && outside.count == outside.unread) outside = OutsideRecipients();
  const std::string was = below ? NameOf(*s, answered) : std::string();
  // Both rules refuse, and no level satisfies both (the answer may go no lower than one
  // above the highest that may leave): one box says so, rather than two that each point at
  // a level the other refuses.
  if (bothRefuse && outside.count)
    return Decide(context, SendRule::Block, "a lower level than the message it answers, and recipients outside",
                  FormatText(IDS_RULE_NOT_BELOW, {was}) + OutsideText(*s, name, outside) + LoadText(IDS_RULE_NO_LEVEL),
                  std::string(), present, answers);
  if (below && s->DowngradeRule == SendRule::Justify) {
    if (!Justify(context, was, name, present, answers)) return false;
  } else if (below) {
    const std::string why = FormatText(IDS_RULE_LOWER, {was, name});
    if (!Decide(context, s->DowngradeRule, "a lower level than the message it answers",
                why + FormatText(IDS_RULE_CHOOSE_HIGHER, {was}), why + FormatText(IDS_RULE_SEND_AT, {name}), present,
                answers))
      return false;
  }
  readOutside();
  if (!outside.count || (checkedJustNow && outside.count == outside.unread)) return true;
  const std::string head = OutsideText(*s, name, outside), highest = NameOf(*s, s->ExternalMaxLevel);
  return Decide(context, s->ExternalRule, "recipients outside the internal domains",
                head + FormatText(IDS_RULE_REMOVE_OR_LOWER, {highest}), head + FormatText(IDS_RULE_SEND_TO_THEM, {name}),
                present, answers);
}

bool RulesApply(const ClassificationSettings& s) {
  return s.DowngradeRule != SendRule::Allow || s.ExternalMaxLevel > 0;
}

bool MayLeaveUnread(const ClassifyContext& context, const SenderPresent& present, SenderAnswers* answers) {
  const ClassificationSettings* s = context.Settings();
  if (!s || !RulesApply(*s)) return true;
  const bool block = s->DowngradeRule == SendRule::Block || (s->ExternalMaxLevel > 0 && s->ExternalRule == SendRule::Block);
  const std::string why = LoadText(IDS_RULE_UNREAD);
  return Decide(context, block ? SendRule::Block : SendRule::Warn, "the message could not be read",
                why + LoadText(IDS_RULE_TRY_AGAIN), why + LoadText(IDS_RULE_SEND_ANYWAY), present, answers);
}

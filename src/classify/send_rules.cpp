#include "classify/send_rules.h"

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

// One rule broken: the message goes only if the rule warns and the sender says Yes.
bool Decide(const ClassifyContext& context, SendRule rule, const char* what, const std::string& refusal,
            const std::string& question, bool senderPresent) {
  const ClassificationSettings& s = *context.Settings();
  if (!senderPresent) {
    context.Log("Send refused (%s): %s; a message another program sends cannot be asked<br>\n", what,
                rule == SendRule::Warn ? "the rule asks the sender" : "the rule refuses it");
    return false;
  }
  const bool yes = Ask(s, rule, rule == SendRule::Warn ? question : refusal);
  context.Log("%s (%s)<br>\n", yes ? "Sent after a warning, the sender answering Yes" :
                               rule == SendRule::Warn ? "Send stopped, the sender answering No" : "Send refused", what);
  return yes;
}

}  // namespace

bool MayLeave(const ClassifyContext& context, CMailItem& message, int level, bool senderPresent) {
  const ClassificationSettings* s = context.Settings();
  if (!s) return true;
  const std::string name = s->LevelName(level);

  if (s->DowngradeRule != SendRule::Allow) {
    const int answered = message.GetAnsweredLevel();
    if (answered < 0) {
      // The rule cannot be checked: it holds as if broken, since the organisation set it.
      const std::string why = "The level of the message this one may answer could not be read.\n\n";
      if (!Decide(context, s->DowngradeRule, "the level it answers could not be read",
                  why + "Try to send it again in a moment.", why + "Send it at " + name + "?", senderPresent))
        return false;
    } else if (answered > level) {
      const std::string was = s->LevelName(answered).empty() ? std::to_string(answered) : s->LevelName(answered);
      const std::string refusal = "This message answers a message classified " + was + ", and its own level, " + name +
                                  ", is lower.\n\nChoose " + was + " or higher to send it.";
      const std::string question = "This message answers a message classified " + was + ", and its own level, " +
                                   name + ", is lower.\n\nSend it at " + name + "?";
      if (!Decide(context, s->DowngradeRule, "a lower level than the message it answers", refusal, question,
                  senderPresent))
        return false;
    }
  }

  if (s->ExternalMaxLevel > 0 && level > s->ExternalMaxLevel) {
    const OutsideRecipients outside = FindOutsideRecipients(context, message.item(), s->InternalDomains);
    if (outside.count) {
      std::string domains;
      for (const std::string& d : s->InternalDomains) domains += (domains.empty() ? "" : ", ") + d;
      const std::string highest = s->LevelName(s->ExternalMaxLevel);
      std::string list;
      for (const std::string& who : outside.shown) list += "\n    " + who;
      if (outside.count > outside.shown.size())
        list += "\n    and " + std::to_string(outside.count - outside.shown.size()) + " more";
      const std::string head = "This message is classified " + name + ". Above " + highest +
                               ", mail may go only to addresses in " + (domains.empty() ? "no domain" : domains) +
                               ".\n\nOutside them (a recipient whose address could not be found counts as outside):" +
                               list + "\n\n";
      if (!Decide(context, s->ExternalRule, "recipients outside the internal domains",
                  head + "Remove them, or choose " + highest + " or lower, to send it.",
                  head + "Send it to them at " + name + "?", senderPresent))
        return false;
    }
  }
  return true;
}

bool RulesApply(const ClassificationSettings& s) {
  return s.DowngradeRule != SendRule::Allow || s.ExternalMaxLevel > 0;
}

bool MayLeaveUnread(const ClassifyContext& context, bool senderPresent) {
  const ClassificationSettings* s = context.Settings();
  if (!s || !RulesApply(*s)) return true;
  const bool block = s->DowngradeRule == SendRule::Block || (s->ExternalMaxLevel > 0 && s->ExternalRule == SendRule::Block);
  const std::string why =
      "This message could not be read, so the organisation's rules on where its level may go cannot be checked.\n\n";
  return Decide(context, block ? SendRule::Block : SendRule::Warn, "the message could not be read",
                why + "Try to send it again in a moment.", why + "Send it anyway?", senderPresent);
}

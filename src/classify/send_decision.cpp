#include "classify/send_decision.h"

#include "classify/decision_record.h"
#include "diag/event_record.h"
#include "host/host_guard.h"

namespace {

// The level the message leaves at: the one chosen where it is written, else its own, else
// the policy's default; 0 when it may not leave (a choice is required, or its level cannot
// be read while a rule needs it).
int LevelToSend(const ClassifyContext& context, CMailItem& message, const SendRequest& request,
                SenderAnswers* answers) {
  const ClassificationSettings& s = *context.Settings();
  if (request.promptChosen) {
    ShowSelectionPrompt(s);
    return 0;
  }
  if (request.level > 0) return request.level;
  const int own = message.GetClassification();
  if (own) return own;
  if (message.LevelUnreadable() && !MayLeaveUnread(context, request.senderPresent, answers)) return 0;
  if (s.RequireSelection) {
    ShowSelectionPrompt(s);
    return 0;
  }
  return s.DefaultLevel;
}

}  // namespace

bool DecideSend(const ClassifyContext& context, CMailItem& message, const SendRequest& request) {
  const ClassificationSettings* s = context.Settings();
  if (!s) return true;  // shut down under an open window: nothing to mark with
  ComPtr<IUnknown> identity = ComIdentity(message.item().get());
  // The message's own Send event decided it a moment ago, in this very Send: its answers
  // stand, and so do its marks where the message's stamp names them.
  const ClassifyContext::SendInProgress* earlier = context.InProgress(identity.get());
  SenderAnswers answers;
  if (earlier) answers.yes = earlier->yes;
  const int earlierLevel = earlier ? earlier->level : 0;
  // What the add-in marked this message with before: this very Send's own event a moment
  // ago, an earlier attempt that was stopped, or the message it was copied from.
  CMailItem::Stamp stamp;
  bool stampRead = false, stampUnread = false;
  auto readStamp = [&] {
    if (stampRead) return;
    stampRead = true;
    if (message.ReadStamp(&stamp)) return;
    context.Log("The message's stamp could not be read: earlier marks of the add-in stay<br>\n");
    stamp = CMailItem::Stamp();
    stampUnread = true;
  };

  // Marked a moment ago in this Send: confirmed by the stamp, where one could be written
  // and can be read.
  bool marked = false;
  if (earlier && request.itemSend) {
    if (earlier->stamped) readStamp();
    marked = !earlier->stamped || stampUnread || stamp.level == earlierLevel;
  }
  int level = marked ? earlierLevel : 0;
  if (!level) level = LevelToSend(context, message, request, &answers);
  // The same message open in two windows leaves at the higher of their levels.
  if (level && earlierLevel > level && !request.itemSend) level = earlierLevel;
  if (!level || !MayLeave(context, message, level, request.senderPresent, &answers, marked)) {
    if (!answers.trail.refusedBy.empty())
      RecordDecision(context, message, request, level, false, answers.trail, NewCorrelationId());
    if (earlier) context.EndSend();
    return false;
  }
  // One record for each decision: the ItemSend that follows a window's own in the same Send
  // only confirms it. The message carries the record's id and the sender's reason, saved
  // with its marks.
  std::string correlation;
  if (!earlier || !request.itemSend) {
    if (RecordsDecisions(context)) {
      correlation = NewCorrelationId();
      RecordDecision(context, message, request, level, true, answers.trail, correlation);
    }
    // Under the rule that asks for reasons, every message says whether it was given one.
    const std::string* reason = s->DowngradeRule == SendRule::Justify ? &answers.trail.reason : nullptr;
    if ((!correlation.empty() || reason) && !message.WriteRecord(correlation.empty() ? nullptr : &correlation, reason))
      context.Log("The record's properties could not be written<br>\n");
  }
  bool stamped = earlier && earlier->stamped;
  if (!marked || earlierLevel != level) {
    readStamp();
    const std::string name = request.level == level ? request.name : s->LevelName(level);
    std::string failure;
    stamped = message.Mark(level, name, stamp, &failure);
    if (!failure.empty()) RecordNotMarked(context, message, request, level, failure, correlation);
  }
  if (request.itemSend) context.EndSend();
  else context.BeginSend({identity.get(), level, std::move(answers.yes), stamped});
  return true;
}

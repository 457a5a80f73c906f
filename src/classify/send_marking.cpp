// What Send does to a message: refuse it while the prompt entry is chosen, mark the body,
// write and save the classification, mark the subject, and end the window's handlers.
#include "host/host_guard.h"
#include "classify/mail_item.h"
#include "classify/marking.h"
#include "classify/send_rules.h"
#include "com/text.h"

void ShowSelectionPrompt(const ClassificationSettings& settings) {
  // The policy's texts may be in any language: the box is given them as Unicode.
  const std::basic_string<OLECHAR> text = Utf8ToWide(settings.PromptMessage), caption = Utf8ToWide(settings.PromptCaption);
  MessageBoxW(GetActiveWindow(), reinterpret_cast<LPCWSTR>(text.c_str()), reinterpret_cast<LPCWSTR>(caption.c_str()),
              MB_ICONEXCLAMATION);
}

int CMailItem::OnSend() {
  std::string name;
  int level = dropdown ? dropdown->GetSelection(&name) : 0;
  ClassificationSettings* settings = context_.Settings();
  if (!settings) return 0;  // shut down under an open window: nothing to stamp with
  if (settings->RequireSelection && level == settings->PromptIndex) {
    ShowSelectionPrompt(*settings);
    return 1;
  }
  if (level == 0) level = 1;
  // A message is stamped once: the same item open in another window, or sent again after
  // Outlook or another add-in stopped the first Send, keeps the marks it has.
  if (!context_.StampedJustNow(item_.get()) && !IsStamped()) {
    // The organisation's rules first: a refused message keeps its window, nothing written.
    if (!MayLeave(context_, *this, level, true)) return 1;
    // The message cannot show that it was stamped: the add-in remembers it until the
    // Application.ItemSend that follows.
    if (!Stamp(level, name)) TryHostStep([&] { context_.NoteStamped(item_.get()); });
    TryHostStep([&] { context_.NoteChecked(item_.get()); });
  }
  if (WindowHandler* handler = inspectorHandler) handler->TearDownAndDelete();  // releases this wrapper
  return 0;
}

bool CMailItem::Stamp(int level, const std::string& name) {
  ClassificationSettings* settings = context_.Settings();
  if (!settings) return false;
  bool recorded = false;
  // A failing host call abandons the marking, never the Send: the message goes out.
  TryHostStep([&] {
    // Only mail bodies are marked: a meeting or task request's body is rich text, which
    // rewriting it would flatten.
    if (IsMail() && level >= settings->MinMarkLevel && settings->BodyMarkPlaces != 0) MarkBody(level, name);
    SetClassificationProperty(level, name.c_str(), true);
    recorded = RecordStamp();
    MarkSubject(level, name);
  });
  return recorded;
}

void CMailItem::MarkBody(int /*level*/, const std::string& name) {
  const ClassificationSettings& s = *context_.Settings();
  // A body whose format or text cannot be read is left alone: taking it for plain text
  // would write an HTML message back without its markup, and writing marks over an
  // unread body would replace the sender's text.
  long format = olFormatPlain;
  if (!TryHostStep([&] { format = GetBodyFormat(); })) return;
  Bstr text;
  if (!TryHostStep([&] { text = GetBodyText(format); })) return;
  const bool html = format == olFormatHTML;
  const WideText mark = Utf8ToWide(BodyMark(s, name, html));
  const std::vector<Insertion> plan = PlanBodyMarks(text.View(), html, mark, s.BodyMarkPlaces);
  // The marked body in a new string the host can take (Windows does not promise that a
  // string grown with SysReAllocStringLen keeps its text).
  Bstr marked = Bstr::Allocate(LengthWithInsertions(text.View(), plan));
  CopyWithInsertions(text.View(), plan, marked.get());
  text.Reset();
  PutBodyText(format, std::move(marked));
  PutBodyFormat(format);
}

void CMailItem::MarkSubject(int level, const std::string& name) {
  const ClassificationSettings& s = *context_.Settings();
  if (s.SubjectMarkMode == 0) return;
  // A subject that cannot be read is left as it is: writing the mark alone would replace
  // the sender's words.
  Bstr subject;
  if (!TryHostStep([&] { subject = GetSubject(); })) return;
  const bool markIt = !s.SubjectUsesMinLevel || level >= s.MinMarkLevel;
  WideText marked;
  if (!TryHostStep([&] {
        marked = MarkedSubject(WideText(subject.View()), s.Levels, s.SubjectMarkMode, markIt, name);
      }))
    return;
  TryHostStep([&] { PutSubject(Bstr::FromWide(marked.data(), marked.size())); });
}

// What Send does to a message: refuse it while the prompt entry is chosen, mark the body,
// write and save the classification, mark the subject, and end the window's handlers.
#include "addin/add_in.h"
#include "addin/host_guard.h"
#include "classify/mail_item.h"
#include "classify/marking.h"

int CMailItem::OnSend() {
  std::string name;
  int level = dropdown ? dropdown->GetSelection(&name) : 0;
  ClassificationSettings* settings = Settings();
  if (!settings) return 0;  // shut down under an open window: nothing to stamp with
  if (settings->RequireSelection && level == settings->PromptIndex) {
    MessageBoxA(GetActiveWindow(), settings->PromptMessage.c_str(), settings->PromptCaption.c_str(),
                MB_ICONEXCLAMATION);
    return 1;
  }
  if (level == 0) level = 1;
  // A message is stamped once: the same item open in another window, or sent again after
  // Outlook or another add-in stopped the first Send, keeps the marks it has.
  AddIn* context = CurrentAddIn;
  if (!context || !context->Stamped.Contains(mailItem_.get())) {
    // A failing host call abandons the marking, never the Send: the window's handlers are
    // still torn down and the message goes out.
    TryHostStep([&] {
      if (level >= settings->MinMarkLevel && settings->BodyMarkPlaces != 0) MarkBody(level, name);
      SetClassificationProperty(level, name.c_str(), true);
      MarkSubject(level, name);
    });
    if (context) TryHostStep([&] { context->Stamped.Add(mailItem_.get()); });
  }
  if (WindowHandler* handler = inspectorHandler) handler->TearDownAndDelete();  // releases this wrapper
  return 0;
}

void CMailItem::MarkBody(int /*level*/, const std::string& name) {
  const ClassificationSettings& s = *Settings();
  long format = olFormatPlain;
  TryHostStep([&] { format = GetBodyFormat(); });
  const bool html = format == olFormatHTML;
  const std::string mark = BodyMark(s, name, html);

  // A body that cannot be read is left alone: writing marks over it would replace the
  // sender's text.
  Bstr text;
  std::string body;
  if (!TryHostStep([&] {
        text = GetBodyText(format);
        body = text.ToAnsi(2 * mark.size() + 16);  // room for both marks: no second copy
      }))
    return;
  InsertBodyMarks(body, html, mark, s.BodyMarkPlaces);
  // The marked text goes back in the string the host handed out, grown in place.
  text.AssignAnsi(body);
  std::string().swap(body);
  PutBodyText(format, std::move(text));
  PutBodyFormat(format);
}

void CMailItem::MarkSubject(int level, const std::string& name) {
  const ClassificationSettings& s = *Settings();
  if (s.SubjectMarkMode == 0) return;
  std::string subject;
  TryHostStep([&] { subject = GetSubject(); });
  const bool markIt = !s.SubjectUsesMinLevel || level >= s.MinMarkLevel;
  const std::string marked = MarkedSubject(std::move(subject), s.Levels, s.SubjectMarkMode, markIt, name);
  TryHostStep([&] { PutSubject(marked); });
}

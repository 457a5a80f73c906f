// What Send does to a message: refuse it while the prompt entry is chosen, mark the body,
// write and save the classification, mark the subject, and end the window's handlers.
#include "addin/add_in.h"
#include "addin/host_guard.h"
#include "classify/mail_item.h"
#include "classify/make_links.h"
#include "classify/text_search.h"

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
  // A failing host call abandons the marking, never the Send: the window's handlers are
  // still torn down and the message goes out.
  TryHostStep([&] {
    if (level >= settings->MinMarkLevel && settings->BodyMarkPlaces != 0) MarkBody(level, name);
    SetClassificationProperty(level, name.c_str(), true);
    MarkSubject(level, name);
  });
  if (WindowHandler* handler = inspectorHandler) handler->TearDownAndDelete();  // releases this wrapper
  return 0;
}

void CMailItem::MarkBody(int /*level*/, const std::string& name) {
  const ClassificationSettings& s = *Settings();
  long format = olFormatPlain;
  TryHostStep([&] { format = GetBodyFormat(); });
  const bool html = format == olFormatHTML;

  std::string body;
  // A body that cannot be read is left alone: writing marks over it would replace the
  // sender's text.
  if (!TryHostStep([&] { body = format == olFormatPlain ? GetBody() : GetHTMLBody(); })) return;

  std::string mark;
  if (html) mark += "<b>";
  if (s.ShowLabel) mark += s.Label + ": ";
  mark += name;
  if (html) mark += "</b>";
  if (s.ShowFooter && !s.FooterText.empty()) mark += " " + (html ? MakeLinks(s.FooterText) : s.FooterText);

  if (s.BodyMarkPlaces & 1) {
    const std::string top = mark + (html ? "<br><br>" : "\n\n");
    if (html) {
      size_t open = FindNoCase(body, "<body");
      size_t close = open == std::string::npos ? open : body.find('>', open);
      if (close != std::string::npos) body.insert(close + 1, top);
    } else {
      body.insert(0, top);
    }
  }
  if (s.BodyMarkPlaces & 2) {
    const std::string bottom = (html ? "<br>" : "\n") + mark;
    if (html) {
      size_t end = FindNoCase(body, "</body>");
      if (end != std::string::npos) body.insert(end, bottom);
    } else {
      body += bottom;
    }
  }
  if (format == olFormatPlain) PutBody(body);
  else PutHTMLBody(body);
  PutBodyFormat(format);
}

void CMailItem::MarkSubject(int level, const std::string& name) {
  const ClassificationSettings& s = *Settings();
  if (s.SubjectMarkMode == 0) return;
  std::string subject;
  TryHostStep([&] { subject = GetSubject(); });
  for (const std::string& n : s.Levels) {
    if (n.empty()) continue;
    size_t at = subject.find("[" + n + "] ");
    if (at == std::string::npos) at = subject.find(" [" + n + "]");
    if (at != std::string::npos) subject.erase(at, n.size() + 3);
  }
  std::string marked = subject;
  if (!s.SubjectUsesMinLevel || level >= s.MinMarkLevel) {
    if (s.SubjectMarkMode == 1) marked = "[" + name + "] " + subject;
    else if (s.SubjectMarkMode == 2) marked = subject + " [" + name + "]";
  }
  if (marked.empty()) marked = " ";
  TryHostStep([&] { PutSubject(marked); });
}

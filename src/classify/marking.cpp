#include "classify/marking.h"

#include "classify/make_links.h"
#include "classify/settings.h"
#include "classify/text_search.h"

std::string BodyMark(const ClassificationSettings& s, const std::string& levelName, bool html) {
  std::string mark;
  if (html) mark += "<b>";
  if (s.ShowLabel) mark += s.Label + ": ";
  mark += levelName;
  if (html) mark += "</b>";
  if (s.ShowFooter && !s.FooterText.empty()) mark += " " + (html ? MakeLinks(s.FooterText) : s.FooterText);
  return mark;
}

void InsertBodyMarks(std::string& body, bool html, const std::string& mark, int places) {
  if (places & 1) {
    const std::string top = mark + (html ? "<br><br>" : "\n\n");
    if (!html) {
      body.insert(0, top);
    } else {
      size_t open = FindNoCase(body, "<body");
      size_t close = open == std::string::npos ? open : body.find('>', open);
      if (close != std::string::npos) body.insert(close + 1, top);
    }
  }
  if (places & 2) {
    const std::string bottom = (html ? "<br>" : "\n") + mark;
    if (!html) {
      body += bottom;
    } else {
      size_t end = FindNoCase(body, "</body>");
      if (end != std::string::npos) body.insert(end, bottom);
    }
  }
}

std::string MarkedSubject(std::string subject, const std::vector<std::string>& levels, int mode, bool markIt,
                          const std::string& levelName) {
  for (const std::string& n : levels) {
    if (n.empty()) continue;
    size_t at = subject.find("[" + n + "] ");
    if (at == std::string::npos) at = subject.find(" [" + n + "]");
    if (at != std::string::npos) subject.erase(at, n.size() + 3);
  }
  if (markIt && mode == 1) subject = "[" + levelName + "] " + subject;
  else if (markIt && mode == 2) subject += " [" + levelName + "]";
  if (subject.empty()) subject = " ";
  return subject;
}

int LevelFromHeaders(std::string_view headers, const std::string& organisation) {
  const std::string key = LowerCopy("x-" + organisation + "-classification") + ":";
  size_t at = FindNoCase(headers, key);
  // The header line reads "key: N - NAME": one blank after the colon, one digit.
  if (at == std::string::npos || at + key.size() + 1 >= headers.size()) return 0;
  return static_cast<signed char>(headers[at + key.size() + 1]) - 48;
}

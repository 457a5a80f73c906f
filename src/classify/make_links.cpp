#include "classify/make_links.h"

#include <algorithm>
#include <cstdio>
#include "classify/text_search.h"
#include "com/markup.h"

namespace {

std::string HtmlContent(const std::string& text) { return MarkupText(text, MarkupPlace::Content); }
std::string HtmlAttribute(const std::string& text) { return MarkupText(text); }

}  // namespace

std::string MakeLinks(const std::string& text) {
  // The first web address, secure or not; without one, the first mail address.
  size_t start = std::min(FindNoCase(text, "http://"), FindNoCase(text, "https://"));
  if (start == std::string::npos) start = FindNoCase(text, "mailto:");
  if (start == std::string::npos) return HtmlContent(text);
  const bool quoted = start > 0 && text[start - 1] == '"';
  size_t end = quoted ? text.find('"', start) : text.find_first_of(" \t\"\n)", start);
  if (end == std::string::npos && quoted) return HtmlContent(text);
  if (end == std::string::npos) end = text.size();  // the address ends the text
  const std::string address = text.substr(start, end - start);
  // The link is composed in a 1024-byte buffer; one that would not fit leaves the text as
  // it is rather than carrying a cut address.
  char link[1024];
  int n = std::snprintf(link, sizeof link, "<a href=\"%s\">%s</a>", HtmlAttribute(address).c_str(),
                        HtmlContent(address).c_str());
  if (n < 0 || size_t(n) >= sizeof link || address.find('\0') != std::string::npos) return HtmlContent(text);
  if (quoted) {
    --start;
    ++end;
  }
  return HtmlContent(text.substr(0, start)) + std::string(link, size_t(n)) + HtmlContent(text.substr(end));
}

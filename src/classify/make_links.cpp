#include "classify/make_links.h"

#include <cstdio>
#include "classify/text_search.h"

std::string MakeLinks(const std::string& text) {
  size_t start = FindNoCase(text, "http://");
  if (start == std::string::npos) start = FindNoCase(text, "mailto:");
  if (start == std::string::npos) return text;
  const bool quoted = start > 0 && text[start - 1] == '"';
  size_t end = quoted ? text.find('"', start) : text.find_first_of(" \t\"\n)", start);
  if (end == std::string::npos) return text;
  const std::string address = text.substr(start, end - start);
  // The link is composed in a 1024-byte buffer; one that would not fit leaves the text as
  // it is rather than carrying a cut address.
  char link[1024];
  int n = std::snprintf(link, sizeof link, "<a href=\"%s\">%s</a>", address.c_str(), address.c_str());
  if (n < 0 || size_t(n) >= sizeof link || address.find('\0') != std::string::npos) return text;
  if (quoted) {
    --start;
    ++end;
  }
  std::string result(text);
  result.replace(start, end - start, link, size_t(n));
  return result;
}

#include "classify/marking.h"

#include <cstring>
#include "classify/make_links.h"
#include "classify/settings.h"
#include "classify/text_search.h"
#include "com/text.h"

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "FindNoCase reads UTF-16 code units as little-endian bytes"
#endif

namespace {

constexpr size_t npos = WideView::npos;

// The needles are ASCII; no character of the ANSI code page lowers to an ASCII letter
// but the ASCII capitals themselves, so this is CharLowerA's rule for them.
OLECHAR LowerAscii(OLECHAR c) { return (c >= 'A' && c <= 'Z') ? OLECHAR(c + ('a' - 'A')) : c; }

bool IsLetter(char c) { return c >= 'a' && c <= 'z'; }

WideText Widen(std::string_view ascii) { return WideText(ascii.begin(), ascii.end()); }

// The '>' that ends a tag whose attributes start at from: the first one outside a quoted
// attribute value. A quote opens a value only right after '=' (blanks allowed between).
size_t TagEnd(WideView text, size_t from) {
  OLECHAR previous = 0;  // last character outside blanks
  for (size_t i = from; i < text.size(); ++i) {
    const OLECHAR c = text[i];
    if (c == '>') return i;
    if ((c == '"' || c == '\'') && previous == '=') {
      const size_t close = text.find(c, i + 1);
      if (close == npos) return npos;  // a value that never closes: the tag never ends
      i = close;
      previous = c;
      continue;
    }
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') previous = c;
  }
  return npos;
}

}  // namespace

size_t FindNoCase(WideView text, std::string_view needle, size_t from) {
  if (needle.empty()) return from <= text.size() ? from : npos;
  if (text.size() < needle.size() || from > text.size() - needle.size()) return npos;
  auto matchesAt = [&](size_t i) {
    for (size_t k = 0; k < needle.size(); ++k)
      if (LowerAscii(text[i + k]) != OLECHAR(static_cast<unsigned char>(needle[k]))) return false;
    return true;
  };
  const size_t last = text.size() - needle.size();
  // Anchor on a needle character that has no other case (the '<' of a tag): memchr finds
  // its low byte at memory speed; a hit that is no such character is passed over.
  size_t anchor = needle.size();
  for (size_t k = 0; k < needle.size(); ++k)
    if (!IsLetter(needle[k]) && static_cast<unsigned char>(needle[k]) < 0x80) {
      anchor = k;
      break;
    }
  if (anchor == needle.size()) {
    for (size_t i = from; i <= last; ++i)
      if (matchesAt(i)) return i;
    return npos;
  }
  const OLECHAR a = OLECHAR(static_cast<unsigned char>(needle[anchor]));
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  size_t i = from;
  while (i <= last) {
    const size_t begin = 2 * (i + anchor), end = 2 * (last + anchor + 1);
    const void* hit = std::memchr(bytes + begin, a, end - begin);
    if (!hit) return npos;
    const size_t byte = size_t(static_cast<const unsigned char*>(hit) - bytes);
    if (byte % 2 != 0) {  // the high byte of some other character
      i = (byte + 1) / 2 - anchor;
      continue;
    }
    const size_t at = byte / 2 - anchor;
    if (text[at + anchor] == a && matchesAt(at)) return at;
    i = at + 1;
  }
  return npos;
}

std::string BodyMark(const ClassificationSettings& s, const std::string& levelName, bool html) {
  std::string mark;
  if (html) mark += "<b>";
  if (s.ShowLabel) mark += s.Label + ": ";
  mark += levelName;
  if (html) mark += "</b>";
  if (s.ShowFooter && !s.FooterText.empty()) mark += " " + (html ? MakeLinks(s.FooterText) : s.FooterText);
  return mark;
}

std::vector<Insertion> PlanBodyMarks(WideView body, bool html, const WideText& mark, int places) {
  WideText top, bottom;
  if (places & 1) top = mark + Widen(html ? "<br><br>" : "\n\n");
  if (places & 2) bottom = Widen(html ? "<br>" : "\n") + mark;
  std::vector<Insertion> plan;
  if (!html) {
    if (places & 1) plan.push_back({0, std::move(top)});
    if (places & 2) plan.push_back({body.size(), std::move(bottom)});
    return plan;
  }
  size_t topAt = npos;
  if (places & 1) {
    const size_t open = FindNoCase(body, "<body");
    const size_t end = open == npos ? npos : TagEnd(body, open + 5);
    if (end != npos) topAt = end + 1;
  }
  size_t bottomAt = npos;
  if (places & 2) {
    // The first closing tag of the body as the top mark leaves it: in the text before the
    // top mark, in the top mark itself, or in the text after it.
    bottomAt = FindNoCase(body, "</body>");
    if (topAt != npos && (bottomAt == npos || bottomAt >= topAt)) {
      const size_t inMark = FindNoCase(top, "</body>");
      if (inMark != npos) {
        top.insert(inMark, bottom);
        bottomAt = npos;
      }
    }
  }
  if (bottomAt != npos && (topAt == npos || bottomAt < topAt)) plan.push_back({bottomAt, std::move(bottom)});
  if (topAt != npos) plan.push_back({topAt, std::move(top)});
  if (bottomAt != npos && topAt != npos && bottomAt >= topAt) plan.push_back({bottomAt, std::move(bottom)});
  return plan;
}

size_t LengthWithInsertions(WideView body, const std::vector<Insertion>& insertions) {
  size_t length = body.size();
  for (const Insertion& i : insertions) length += i.text.size();
  return length;
}

void CopyWithInsertions(WideView body, const std::vector<Insertion>& insertions, OLECHAR* out) {
  auto copy = [&out](const OLECHAR* from, size_t n) {
    if (n) std::memcpy(out, from, n * sizeof(OLECHAR));
    out += n;
  };
  size_t done = 0;
  for (const Insertion& i : insertions) {
    copy(body.data() + done, i.at - done);
    copy(i.text.data(), i.text.size());
    done = i.at;
  }
  copy(body.data() + done, body.size() - done);
}

WideText WithInsertions(WideView body, const std::vector<Insertion>& insertions) {
  WideText out(LengthWithInsertions(body, insertions), OLECHAR(0));
  CopyWithInsertions(body, insertions, &out[0]);
  return out;
}

WideText MarkedSubject(WideText subject, const std::vector<std::string>& levels, int mode, bool markIt,
                       const std::string& levelName) {
  for (const std::string& n : levels) {
    if (n.empty()) continue;
    const WideText name = AnsiToWide(n);
    size_t at = subject.find(Widen("[") + name + Widen("] "));
    if (at == npos) at = subject.find(Widen(" [") + name + Widen("]"));
    if (at != npos) subject.erase(at, name.size() + 3);
  }
  const WideText name = AnsiToWide(levelName);
  if (markIt && mode == 1) subject = Widen("[") + name + Widen("] ") + subject;
  else if (markIt && mode == 2) subject += Widen(" [") + name + Widen("]");
  if (subject.empty()) subject = Widen(" ");
  return subject;
}

int LevelFromHeaders(std::string_view headers, const std::string& organisation) {
  const std::string key = LowerCopy("x-" + organisation + "-classification") + ":";
  // Only a header line of its own counts: at the start of the block or right after a line
  // break (a folded continuation line begins with a blank, never with the name).
  size_t at = FindNoCase(headers, key);
  while (at != std::string::npos && at != 0 && headers[at - 1] != '\n') at = FindNoCase(headers, key, at + 1);
  // The header line reads "key: N - NAME": one blank after the colon, one digit.
  if (at == std::string::npos || at + key.size() + 1 >= headers.size()) return 0;
  return static_cast<signed char>(headers[at + key.size() + 1]) - 48;
}

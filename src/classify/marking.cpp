#include "classify/marking.h"

#include <cstring>
#include "classify/make_links.h"
#include "classify/settings.h"
#include "classify/text_search.h"
#include "com/markup.h"
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
  // In an HTML body the policy's texts are text: "R&D" or "<RESTRICTED>" must show as
  // written, never be read as markup.
  auto text = [html](const std::string& t) { return html ? MarkupText(t) : t; };
  std::string mark;
  if (html) mark += "<b>";
  if (s.ShowLabel) mark += text(s.Label) + ": ";
  mark += text(levelName);
  if (html) mark += "</b>";
  if (s.ShowFooter && !s.FooterText.empty()) mark += " " + (html ? MakeLinks(s.FooterText) : s.FooterText);
  return mark;
}

OwnMarks MarkTexts(const WideText& mark, bool html, int places) {
  OwnMarks m;
  if (places & 1) m.top = mark + Widen(html ? "<br><br>" : "\n\n");
  if (places & 2) m.bottom = Widen(html ? "<br>" : "\n") + mark;
  return m;
}

namespace {

// The first of the tag outside comments: "<!-- <body> -->" in a head is no body tag.
size_t FindTag(WideView body, std::string_view lowerTag, size_t from = 0) {
  for (;;) {
    const size_t tag = FindNoCase(body, lowerTag, from);
    const size_t comment = FindNoCase(body, "<!--", from);
    if (tag == npos || comment == npos || tag < comment) return tag;
    const size_t end = FindNoCase(body, "-->", comment + 4);
    if (end == npos) return npos;  // the rest is a comment that never closes
    from = end + 3;
  }
}

bool StandsAt(WideView body, size_t at, const WideText& text) {
  return !text.empty() && at <= body.size() && body.size() - at >= text.size() && body.compare(at, text.size(), text) == 0;
}

}  // namespace

std::vector<Insertion> PlanBodyMarks(WideView body, bool html, const WideText& mark, int places) {
  return PlanBodyMarks(body, html, MarkTexts(mark, html, places), places);
}

std::vector<Insertion> PlanBodyMarks(WideView body, bool html, const OwnMarks& marks, int places,
                                     const OwnMarks* previous) {
  size_t topAt = npos, bottomAt = npos;
  if (!html) {
    if (places & 1) topAt = 0;
    if (places & 2) bottomAt = body.size();
  } else {
    const size_t open = (places & 1) ? FindTag(body, "<body") : npos;
    const size_t end = open == npos ? npos : TagEnd(body, open + 5);
    if (end != npos) topAt = end + 1;
    if (places & 2) bottomAt = FindTag(body, "</body>");
  }
  // An earlier mark of the add-in's is replaced only where it still stands at its place.
  size_t topSkip = 0, bottomSkip = 0;
  if (previous && topAt != npos && StandsAt(body, topAt, previous->top)) topSkip = previous->top.size();
  if (previous && bottomAt != npos && bottomAt >= previous->bottom.size() &&
      StandsAt(body, bottomAt - previous->bottom.size(), previous->bottom) &&
      (topAt == npos || bottomAt < topAt || bottomAt - previous->bottom.size() >= topAt + topSkip)) {
    bottomSkip = previous->bottom.size();
    bottomAt -= bottomSkip;
  }
  std::vector<Insertion> plan;
  if (bottomAt != npos && (topAt == npos || bottomAt < topAt)) plan.push_back({bottomAt, marks.bottom, bottomSkip});
  if (topAt != npos) plan.push_back({topAt, marks.top, topSkip});
  if (bottomAt != npos && topAt != npos && bottomAt >= topAt) plan.push_back({bottomAt, marks.bottom, bottomSkip});
  return plan;
}

bool ChangesNothing(WideView body, const std::vector<Insertion>& insertions) {
  for (const Insertion& i : insertions)
    if (i.text.size() != i.skip || body.compare(i.at, i.skip, i.text) != 0) return false;
  return true;
}

size_t LengthWithInsertions(WideView body, const std::vector<Insertion>& insertions) {
  size_t length = body.size();
  for (const Insertion& i : insertions) length += i.text.size() - i.skip;
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
    done = i.at + i.skip;
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
    const WideText name = Utf8ToWide(n);
    size_t at = subject.find(Widen("[") + name + Widen("] "));
    if (at == npos) at = subject.find(Widen(" [") + name + Widen("]"));
    if (at != npos) subject.erase(at, name.size() + 3);
  }
  const WideText name = Utf8ToWide(levelName);
  if (markIt && mode == 1) subject = Widen("[") + name + Widen("] ") + subject;
  else if (markIt && mode == 2) subject += Widen(" [") + name + Widen("]");
  if (subject.empty()) subject = Widen(" ");
  return subject;
}

namespace {

int Base64Digit(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The first bytes of an RFC 2047 encoded word ("=?charset?B|Q?text?="), enough to read the
// number it starts with; empty when the value is no encoded word. Every charset a mail
// system uses writes digits as ASCII does.
std::string DecodedStart(std::string_view value) {
  if (value.substr(0, 2) != "=?") return std::string();
  const size_t q1 = value.find('?', 2);
  const size_t q2 = q1 == std::string_view::npos ? q1 : value.find('?', q1 + 1);
  if (q2 != q1 + 2) return std::string();
  const char encoding = value[q1 + 1];
  const size_t end = value.find("?=", q2 + 1);
  const std::string_view text = value.substr(q2 + 1, end == std::string_view::npos ? std::string_view::npos : end - q2 - 1);
  std::string out;
  if (encoding == 'B' || encoding == 'b') {
    unsigned bits = 0, n = 0;
    for (char c : text.substr(0, 16)) {
      const int d = Base64Digit(c);
      if (d < 0) break;
      n = (n << 6) | unsigned(d);
      bits += 6;
      if (bits >= 8) {
        bits -= 8;
        out += char((n >> bits) & 0xFF);
      }
    }
  } else if (encoding == 'Q' || encoding == 'q') {
    for (size_t i = 0; i < text.size() && out.size() < 12; ++i) {
      if (text[i] == '_') out += ' ';
      else if (text[i] == '=' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
        out += char(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
        i += 2;
      } else {
        out += text[i];
      }
    }
  }
  return out;
}

// The whole number a value starts with; 0 when it starts with none, or with one too long to
// be any level.
int LeadingNumber(std::string_view value) {
  int n = 0;
  size_t digits = 0;
  while (digits < value.size() && value[digits] >= '0' && value[digits] <= '9') {
    if (++digits > 6) return 0;
    n = n * 10 + (value[digits - 1] - '0');
  }
  return n;
}

}  // namespace

int LevelFromHeaders(std::string_view headers, const std::string& organisation) {
  const std::string key = LowerCopy("x-" + organisation + "-classification") + ":";
  // Only a header line of its own counts: at the start of the block or right after a line
  // break (a folded continuation line begins with a blank, never with the name).
  size_t at = FindNoCase(headers, key);
  while (at != std::string::npos && at != 0 && headers[at - 1] != '\n') at = FindNoCase(headers, key, at + 1);
  if (at == std::string::npos) return 0;
  // The value reads "N - NAME", as it was written or as a transport carried a name outside
  // ASCII: one RFC 2047 encoded word, possibly on a folded line of its own.
  std::string_view value = headers.substr(at + key.size());
  size_t start = 0;
  while (start < value.size() && (value[start] == ' ' || value[start] == '\t' ||
                                  ((value[start] == '\r' || value[start] == '\n') && start + 1 < value.size() &&
                                   (value[start + 1] == ' ' || value[start + 1] == '\t' || value[start + 1] == '\n'))))
    ++start;
  value = value.substr(start);
  const std::string decoded = DecodedStart(value);
  return LeadingNumber(decoded.empty() ? value : std::string_view(decoded));
}

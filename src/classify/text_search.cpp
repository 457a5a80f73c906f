#include "classify/text_search.h"

#include <cstring>
#include "platform/win.h"

namespace {
struct LowerTable {
  char map[256];
  bool caseless[256];  // no other character lowers to this one
  LowerTable() {
    for (int i = 0; i < 256; ++i) map[i] = char(i);
    char text[256];
    for (int i = 1; i < 256; ++i) text[i - 1] = char(i);
    text[255] = '\0';
    CharLowerA(text);
    for (int i = 1; i < 256; ++i) map[i] = text[i - 1];
    for (int i = 0; i < 256; ++i) caseless[i] = true;
    for (int i = 0; i < 256; ++i)
      if (static_cast<unsigned char>(map[i]) != i) caseless[static_cast<unsigned char>(map[i])] = false;
  }
};
const LowerTable& Table() {
  static const LowerTable table;
  return table;
}
}  // namespace

char LowerAnsi(char c) { return Table().map[static_cast<unsigned char>(c)]; }

namespace {
bool Caseless(char c) { return Table().caseless[static_cast<unsigned char>(c)]; }
}  // namespace

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t"), last = text.find_last_not_of(" \t");
  return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::string LowerCopy(const std::string& text) {
  std::string out(text);
  for (char& c : out) c = LowerAnsi(c);
  return out;
}

size_t FindNoCase(std::string_view text, std::string_view lowerNeedle, size_t from) {
  if (lowerNeedle.empty()) return from <= text.size() ? from : std::string::npos;
  if (text.size() < lowerNeedle.size() || from > text.size() - lowerNeedle.size()) return std::string::npos;
  // Anchor on a character of the needle that has no other case (the ':' of a header
  // name, the '<' of a tag), so that memchr finds the candidates; compare the rest
  // through the lower-case table only there.
  size_t anchor = lowerNeedle.size();
  for (size_t k = lowerNeedle.size(); k-- > 0;)
    if (Caseless(lowerNeedle[k])) {
      anchor = k;
      break;
    }
  auto matchesAt = [&](size_t i) {
    for (size_t k = 0; k < lowerNeedle.size(); ++k)
      if (LowerAnsi(text[i + k]) != lowerNeedle[k]) return false;
    return true;
  };
  const size_t last = text.size() - lowerNeedle.size();
  if (anchor == lowerNeedle.size()) {
    for (size_t i = from; i <= last; ++i)
      if (matchesAt(i)) return i;
    return std::string::npos;
  }
  const char a = lowerNeedle[anchor];
  for (size_t i = from; i <= last;) {
    const void* hit = std::memchr(text.data() + i + anchor, a, last - i + 1);
    if (!hit) return std::string::npos;
    i = size_t(static_cast<const char*>(hit) - text.data()) - anchor;
    if (matchesAt(i)) return i;
    ++i;
  }
  return std::string::npos;
}

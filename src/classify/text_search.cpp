#include "classify/text_search.h"

#include "platform/win.h"

namespace {
struct LowerTable {
  char map[256];
  LowerTable() {
    for (int i = 0; i < 256; ++i) map[i] = char(i);
    char text[256];
    for (int i = 1; i < 256; ++i) text[i - 1] = char(i);
    text[255] = '\0';
    CharLowerA(text);
    for (int i = 1; i < 256; ++i) map[i] = text[i - 1];
  }
};
const LowerTable& Table() {
  static const LowerTable table;
  return table;
}
}  // namespace

char LowerAnsi(char c) { return Table().map[static_cast<unsigned char>(c)]; }

std::string LowerCopy(const std::string& text) {
  std::string out(text);
  for (char& c : out) c = LowerAnsi(c);
  return out;
}

size_t FindNoCase(const std::string& text, const std::string& lowerNeedle, size_t from) {
  if (lowerNeedle.empty()) return from <= text.size() ? from : std::string::npos;
  if (text.size() < lowerNeedle.size()) return std::string::npos;
  const char first = lowerNeedle[0];
  const size_t last = text.size() - lowerNeedle.size();
  for (size_t i = from; i <= last; ++i) {
    if (LowerAnsi(text[i]) != first) continue;
    size_t k = 1;
    while (k < lowerNeedle.size() && LowerAnsi(text[i + k]) == lowerNeedle[k]) ++k;
    if (k == lowerNeedle.size()) return i;
  }
  return std::string::npos;
}

#include "classify/load_text.h"

#include <cstdio>
#include <cstring>
#include "platform/win.h"
#include "com/module.h"

namespace {

TextLanguage g_language = TextLanguage::English;

// The language each table was compiled in (res/OrvanClassify.rc).
WORD TableLanguage(TextLanguage language) {
  switch (language) {
    case TextLanguage::French: return 0x040C;
    case TextLanguage::German: return 0x0407;
    default: return 0x1009;
  }
}

// A string of a table, as UTF-16: strings are kept sixteen to a block, each a count and its
// characters; the block's size bounds every read.
int TableString(unsigned id, TextLanguage language, WCHAR* out, int outMax) {
  // RT_STRING, as the wide functions take it.
  HRSRC found = FindResourceExW(ModuleHandle, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(id / 16 + 1), TableLanguage(language));
  HGLOBAL loaded = found ? LoadResource(ModuleHandle, found) : nullptr;
  const WCHAR* block = loaded ? static_cast<const WCHAR*>(LockResource(loaded)) : nullptr;
  if (!block) return 0;
  const size_t units = SizeofResource(ModuleHandle, found) / sizeof(WCHAR);
  size_t at = 0;
  for (unsigned skip = id % 16; skip > 0 && at < units; --skip) at += 1 + block[at];
  if (at >= units) return 0;
  const size_t length = block[at];
  if (length == 0 || at + 1 + length > units) return 0;
  const int n = int(length < size_t(outMax) ? length : size_t(outMax));
  std::memcpy(out, block + at + 1, size_t(n) * sizeof(WCHAR));
  return n;
}

std::string LoadTextIn(unsigned id, TextLanguage language) {
  // Read as Unicode, whatever the system's code page, and kept as UTF-8: at most 1023
  // characters of up to three bytes each.
  static WCHAR wide[1023];
  static char buffer[3 * 1024 + 1];
  int n = TableString(id, language, wide, int(sizeof wide / sizeof wide[0]));
  if (n <= 0 && language != TextLanguage::English) n = TableString(id, TextLanguage::English, wide, 1023);
  const int bytes = n > 0 ? WideCharToMultiByte(CP_UTF8, 0, wide, n, buffer, int(sizeof buffer - 1), nullptr, nullptr) : 0;
  if (bytes <= 0) std::snprintf(buffer, sizeof buffer, "StringID %u not found", id);
  else buffer[bytes] = '\0';
  return buffer;
}

}  // namespace

bool TextLanguageOf(unsigned languageId, TextLanguage* language) {
  switch (languageId & 0x3FF) {  // the primary language
    case 0x0C: *language = TextLanguage::French; return true;
    case 0x07: *language = TextLanguage::German; return true;
    case 0x09: *language = TextLanguage::English; return true;
    default: *language = TextLanguage::English; return false;
  }
}

void SetTextLanguage(unsigned languageId) { TextLanguageOf(languageId, &g_language); }
TextLanguage CurrentTextLanguage() { return g_language; }

std::string LoadText(unsigned id) { return LoadTextIn(id, g_language); }
std::string LoadMarkText(unsigned id) { return LoadTextIn(id, TextLanguage::English); }

std::string FormatText(unsigned id, std::initializer_list<std::string> values) {
  const std::string pattern = LoadText(id);
  std::string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const size_t index = i + 1 < pattern.size() ? size_t(pattern[i + 1] - '1') : values.size();
    if (pattern[i] == '%' && index < values.size() && index < 9) {
      out += values.begin()[index];
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

void SplitList(const char* text, std::vector<std::string>& list, const char* delimiters) {
  list.clear();
  if (!text) return;
  const char* p = text;
  while (*p) {
    p += std::strspn(p, delimiters);
    size_t run = std::strcspn(p, delimiters);
    if (run) list.emplace_back(p, run);
    p += run;
  }
}

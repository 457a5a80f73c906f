#include "classify/load_text.h"

#include <cstdio>
#include <cstring>
#include "platform/win.h"
#include "com/module.h"

const char* LoadText(unsigned id) {
  // Read as Unicode, whatever the system's code page, and kept as UTF-8: at most 1023
  // characters of up to three bytes each.
  static WCHAR wide[1024];
  static char buffer[3 * 1024 + 1];
  const int n = LoadStringW(ModuleHandle, id, wide, int(sizeof wide / sizeof wide[0]));
  const int bytes = n > 0 ? WideCharToMultiByte(CP_UTF8, 0, wide, n, buffer, int(sizeof buffer - 1), nullptr, nullptr) : 0;
  if (bytes <= 0) std::snprintf(buffer, sizeof buffer, "StringID %u not found", id);
  else buffer[bytes] = '\0';
  return buffer;
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

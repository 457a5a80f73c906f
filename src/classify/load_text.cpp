#include "classify/load_text.h"

#include <cstdio>
#include <cstring>
#include "platform/win.h"
#include "com/module.h"

const char* LoadText(unsigned id) {
  static char buffer[1024];
  if (LoadStringA(ModuleHandle, id, buffer, int(sizeof buffer)) <= 0)
    std::snprintf(buffer, sizeof buffer, "StringID %u not found", id);
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

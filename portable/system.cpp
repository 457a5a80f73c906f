#include <unistd.h>
#include <cstdlib>
#include <ctime>
#include <cstring>
#include <string>
#include <vector>
#include "portable/no_throw.h"
#include "portable/system.h"

namespace {
PortableUiHooks g_hooks{};
}

PortableUiHooks SetPortableUiHooks(PortableUiHooks hooks) {
  PortableUiHooks previous = g_hooks;
  g_hooks = hooks;
  return previous;
}

namespace {
PortableEventLogHook g_eventLog = nullptr;
struct EventSource {
  std::string name;
};
}  // namespace

PortableEventLogHook SetPortableEventLogHook(PortableEventLogHook hook) {
  PortableEventLogHook previous = g_eventLog;
  g_eventLog = hook;
  return previous;
}

HANDLE RegisterEventSourceA(LPCSTR, LPCSTR source) {
  return NoThrow<HANDLE>(nullptr, [&]() -> HANDLE { return source ? new EventSource{source} : nullptr; });
}

BOOL ReportEventA(HANDLE log, WORD type, WORD category, DWORD eventId, void*, WORD strings, DWORD, LPCSTR* texts,
                  void*) {
  if (!log || (strings && !texts)) return FALSE;
  return NoThrow<BOOL>(FALSE, [&]() -> BOOL {
    std::vector<const char*> fields;
    for (WORD i = 0; i < strings; ++i) fields.push_back(texts[i] ? texts[i] : "");
    if (g_eventLog) g_eventLog(static_cast<EventSource*>(log)->name.c_str(), type, category, eventId, fields.data(), strings);
    return TRUE;
  });
}

BOOL ReportEventW(HANDLE log, WORD type, WORD category, DWORD eventId, void*, WORD strings, DWORD, LPCWSTR* texts,
                  void*) {
  if (!log || (strings && !texts)) return FALSE;
  return NoThrow<BOOL>(FALSE, [&]() -> BOOL {
    std::vector<std::string> utf8;
    for (WORD i = 0; i < strings; ++i) {
      const int n = texts[i] ? WideCharToMultiByte(CP_UTF8, 0, texts[i], -1, nullptr, 0, nullptr, nullptr) : 0;
      std::string text(size_t(n > 0 ? n : 1), '\0');
      if (n > 0) WideCharToMultiByte(CP_UTF8, 0, texts[i], -1, text.data(), n, nullptr, nullptr);
      text.resize(std::strlen(text.c_str()));
      utf8.push_back(text);
    }
    std::vector<const char*> fields;
    for (const std::string& text : utf8) fields.push_back(text.c_str());
    if (g_eventLog) g_eventLog(static_cast<EventSource*>(log)->name.c_str(), type, category, eventId, fields.data(), strings);
    return TRUE;
  });
}

BOOL DeregisterEventSource(HANDLE log) {
  delete static_cast<EventSource*>(log);
  return log ? TRUE : FALSE;
}

PortablePolicyChoices& PortablePolicy() {
  static PortablePolicyChoices choices;
  return choices;
}

HWND GetActiveWindow() { return g_hooks.activeWindow ? g_hooks.activeWindow() : nullptr; }

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  return g_hooks.messageBox ? g_hooks.messageBox(owner, text, caption, type) : IDOK;
}

// The host hears the texts as UTF-8.
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  return NoThrow(0, [&]() {
    auto utf8 = [](LPCWSTR w) {
      std::string out;
      if (!w) return out;
      int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
      if (n <= 1) return out;
      out.resize(size_t(n));
      WideCharToMultiByte(CP_UTF8, 0, w, -1, &out[0], n, nullptr, nullptr);
      out.resize(size_t(n - 1));
      return out;
    };
    const std::string t = utf8(text), c = utf8(caption);
    return g_hooks.messageBox ? g_hooks.messageBox(owner, t.c_str(), c.c_str(), type) : IDOK;
  });
}

// Without a host to answer, nobody is there to give a reason: Cancel.
int ReasonBox(HWND owner, const char* caption, const char* text, const char* const* choices, int count, char* other,
              int otherSize) {
  if (other && otherSize > 0) other[0] = '\0';
  if (!g_hooks.reasonBox) return -1;
  return NoThrow(-1, [&]() { return g_hooks.reasonBox(owner, caption, text, choices, count, other, otherSize); });
}

HRESULT SHGetFolderPathA(HWND, int folder, HANDLE, DWORD, LPSTR path) {
  return NoThrow(E_OUTOFMEMORY, [&]() {
    if (!path || folder != CSIDL_APPDATA) return E_INVALIDARG;
    std::string dir;
    if (const char* appdata = std::getenv("APPDATA"); appdata && *appdata) dir = appdata;
    else if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) dir = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home) dir = std::string(home) + "/.config";
    if (dir.empty() || dir.size() >= MAX_PATH) return E_FAIL;
    std::memcpy(path, dir.c_str(), dir.size() + 1);
    return S_OK;
  });
}

namespace {
void (*g_clock)(SYSTEMTIME*) = nullptr;
}

void SetPortableClock(void (*clock)(SYSTEMTIME* time)) { g_clock = clock; }

void GetLocalTime(SYSTEMTIME* out) {
  if (g_clock) return g_clock(out);
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  out->wYear = WORD(local.tm_year + 1900);
  out->wMonth = WORD(local.tm_mon + 1);
  out->wDayOfWeek = WORD(local.tm_wday);
  out->wDay = WORD(local.tm_mday);
  out->wHour = WORD(local.tm_hour);
  out->wMinute = WORD(local.tm_min);
  out->wSecond = WORD(local.tm_sec);
  out->wMilliseconds = WORD(now.tv_nsec / 1000000);
}

// The user default locale here is English (United States): long dates read
// "Tuesday, December 8, 2026", short dates "12/8/2026".
int GetDateFormatA(LCID, DWORD flags, const SYSTEMTIME* date, LPCSTR format, LPSTR out, int cchOut) {
  static const char* const kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};
  static const char* const kMonths[] = {"January", "February", "March", "April", "May", "June", "July",
                                        "August", "September", "October", "November", "December"};
  SYSTEMTIME now;
  if (!date) {
    GetLocalTime(&now);
    date = &now;
  }
  if (format || date->wMonth < 1 || date->wMonth > 12 || date->wDayOfWeek > 6 || cchOut < 0) return 0;
  char text[128];
  int n = (flags & DATE_LONGDATE)
              ? std::snprintf(text, sizeof text, "%s, %s %u, %u", kDays[date->wDayOfWeek],
                              kMonths[date->wMonth - 1], unsigned(date->wDay), unsigned(date->wYear))
              : std::snprintf(text, sizeof text, "%u/%u/%u", unsigned(date->wMonth), unsigned(date->wDay),
                              unsigned(date->wYear));
  if (n < 0) return 0;
  if (cchOut == 0) return n + 1;
  if (n + 1 > cchOut) return 0;
  std::memcpy(out, text, size_t(n) + 1);
  return n + 1;
}

DWORD GetModuleFileNameA(HMODULE, LPSTR path, DWORD size) {
  if (!path || size == 0) return 0;
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return 0;
  // As Windows: a path that does not fit is cut, terminated, and its length is the size.
  size_t copy = size_t(n) < size ? size_t(n) : size - 1;
  std::memcpy(path, buffer, copy);
  path[copy] = '\0';
  return size_t(n) < size ? DWORD(n) : size;
}

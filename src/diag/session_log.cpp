#include "diag/session_log.h"

#include <cstdarg>
#include <cstring>
#include "com/markup.h"
#include "orvan_policy.h"

namespace {
// The log's switch as built: the LogEnabled setting of the option table.
bool BuiltSwitch() {
#define ORVAN_LOG_SWITCH(setting, option, kind, value, ...) \
  if (std::strcmp(#setting, "LogEnabled") == 0) return std::strcmp(value, "ON") == 0;
  ORVAN_GROUP_POLICY(ORVAN_LOG_SWITCH)
#undef ORVAN_LOG_SWITCH
  return false;
}
bool g_defaultEnabled = BuiltSwitch();
}  // namespace

void SessionLog::SetDefaultEnabled(bool enabled) { g_defaultEnabled = enabled; }

namespace {
bool DefaultEnabled() {
#ifndef _WIN32
  if (PortablePolicy().logEnabled >= 0) return PortablePolicy().logEnabled != 0;
#endif
  return g_defaultEnabled;
}
}  // namespace

std::string HtmlText(const std::string& text) { return MarkupText(text); }

SessionLog::SessionLog(const char* name) : Enabled(DefaultEnabled()) {
  if (name) name_ = name;
}

SessionLog::~SessionLog() {
  if (!file_) return;
  Print("</html>\n");
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
}

int SessionLog::Print(const char* format, ...) {
  if (!Enabled) return 0;
  va_list args;
  va_start(args, format);
  int n = VPrint(format, args);
  va_end(args);
  return n;
}

int SessionLog::VPrint(const char* format, va_list args) {
  if (!Enabled) return 0;
  try {
    if (!file_) Open();
    if (!file_) return 0;
    char text[kMaxReport + 1];
    std::memset(text, 0, sizeof text);
    _vsnprintf(text, kMaxReport, format ? format : "", args);
    size_t length = std::strlen(text);
    if (length == 0 || failed_) return 0;
    if (std::fwrite(text, 1, length, file_) != length || std::fflush(file_) != 0) {
      failed_ = true;
      return 0;
    }
    return int(length);
  } catch (...) {
    return 0;
  }
}

void SessionLog::Open() {
  if (name_.empty()) return;
  char folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return;
  char path[MAX_PATH];
  int n = std::snprintf(path, sizeof path, "%s\\%s\\%s.htm", folder, name_.c_str(), name_.c_str());
  if (n < 0 || size_t(n) >= sizeof path) return;
  struct _stat info;
  if (_stat(path, &info) != 0) {
    char dir[MAX_PATH];
    if (std::snprintf(dir, sizeof dir, "%s\\%s", folder, name_.c_str()) < int(sizeof dir)) _mkdir(dir);
  }
  std::memcpy(path_, path, size_t(n) + 1);
  file_ = _fsopen(path_, "a+", _SH_DENYNO);
  if (!file_) {
    failed_ = true;
    return;
  }
  SYSTEMTIME now;
  GetLocalTime(&now);
  char date[128] = {};
  if (GetDateFormatA(0, DATE_LONGDATE, &now, nullptr, date, 127) == 0) date[0] = '\0';
  Print("<html>\n");
  Print("<font color=\"#800080\"><b>--- Session Start : %s %02u:%02u:%02u.%03u ---</b></font><br>\n", date,
        unsigned(now.wHour), unsigned(now.wMinute), unsigned(now.wSecond), unsigned(now.wMilliseconds));
  Print("<font color=\"#808080\"><HR></font><br>\n");
}

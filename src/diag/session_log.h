// The add-in's diagnostic HTML log: one file under the user's application-data folder,
// appended to by every session, off unless switched on.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>
#include "platform/win.h"

#if defined(__GNUC__)
#define ORVAN_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define ORVAN_PRINTF(fmt, args)
#endif

// Text from outside the add-in (a received subject, a host's error description) as HTML
// text: what markup would read (<, >, &, ") is written as entities, so that it can only
// ever show as text in the log.
std::string HtmlText(const std::string& text);

class SessionLog {
 public:
  static constexpr size_t kMaxReport = 8192;

  explicit SessionLog(const char* name);
  ~SessionLog();
  SessionLog(const SessionLog&) = delete;
  SessionLog& operator=(const SessionLog&) = delete;

  // Appends one printf-style report and flushes it; returns the characters written, 0
  // when nothing was. Reports over kMaxReport characters are cut.
  int Print(const char* format, ...) ORVAN_PRINTF(2, 3);
  int VPrint(const char* format, va_list args);

  bool Enabled;
  const char* Path() const { return path_; }

  // The switch a new log starts with: the build's choice unless a host program (the
  // simulator, a test) changes it.
  static void SetDefaultEnabled(bool enabled);

 private:
  void Open();

  std::FILE* file_ = nullptr;
  bool failed_ = false;  // like a stream's error state: once set, nothing more is written
  std::string name_;
  char path_[MAX_PATH] = {};
};

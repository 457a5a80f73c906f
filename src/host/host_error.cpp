#include "host/host_error.h"

#include <cstdio>
#include "host/host_guard.h"

HostError::HostError(HRESULT hr, const IID& iid, std::string description)
    : hr_(hr), iid_(iid), description_(std::move(description)) {
  char head[96];
  std::snprintf(head, sizeof head, "host call failed with %08X on {%08X-%04X-%04X-...}", unsigned(hr),
                unsigned(iid.Data1), unsigned(iid.Data2), unsigned(iid.Data3));
  what_ = head;
  if (!description_.empty()) what_ += ": " + description_;
}

namespace {
thread_local DropScope* g_innermost = nullptr;
}  // namespace

DropScope::DropScope(DroppedCallLog* log) : log_(log), outer_(g_innermost) { g_innermost = this; }

DropScope::~DropScope() { g_innermost = outer_; }

DroppedCallLog::~DroppedCallLog() {
  for (DropScope* s = g_innermost; s; s = s->outer_)
    if (s->log_ == this) s->log_ = nullptr;
}

void DroppedCallLog::PassOutward(const HostError& error) const noexcept {
  bool outside = false;
  for (DropScope* s = g_innermost; s; s = s->outer_) {
    if (!outside) {
      outside = s->log_ == this;
    } else if (s->log_) {
      return s->log_->Dropped(error);
    }
  }
}

void FirstDrop::Dropped(const HostError& error) noexcept {
  if (text_.empty()) {
    try {
      text_ = FailureText(error);
    } catch (...) {
      // Out of memory: the failure is still passed on.
    }
  }
  PassOutward(error);
}

std::string FailureText(const HostError& e) {
  char text[128];
  std::snprintf(text, sizeof text, "%s failed with %08X", e.member() ? e.member() : "a host call", unsigned(e.hr()));
  return e.description().empty() ? std::string(text) : text + (": " + e.description());
}

void NoteDropped(const HostError& error) noexcept {
  for (DropScope* s = g_innermost; s; s = s->outer_)
    if (s->log_) return s->log_->Dropped(error);
}

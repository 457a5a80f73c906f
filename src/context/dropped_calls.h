// The host calls the add-in gave up on in one window, or in its own entry points: each
// member is said once in the session log, with the HRESULT Outlook gave, so an
// administrator sees which of Outlook's calls fail there without a line per event.
#pragma once

#include <utility>
#include <vector>
#include "classify/context.h"
#include "host/host_guard.h"

class LoggedDrops final : public DroppedCallLog {
 public:
  // where: what the log line starts with ("Main window"); the context outlives the log.
  LoggedDrops(const ClassifyContext& context, const char* where) : context_(context), where_(where) {}
  void Dropped(const HostError& error) noexcept override;

 private:
  const ClassifyContext& context_;
  const char* where_;
  std::vector<std::pair<const char*, unsigned long>> said_;  // member, its interface's first IID word
};

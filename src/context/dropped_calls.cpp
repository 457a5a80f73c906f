#include "context/dropped_calls.h"

#include <algorithm>
#include "host/host_error.h"

void LoggedDrops::Dropped(const HostError& error) noexcept {
  try {
    const std::pair<const char*, unsigned long> key{error.member(), static_cast<unsigned long>(error.iid().Data1)};
    if (std::find(said_.begin(), said_.end(), key) != said_.end()) return;
    said_.push_back(key);
    if (!context_.LogEnabled()) return;
    if (error.member())
      context_.Log("%s: Outlook's %s answered %08X; the add-in went on without it.<br>\n", where_,
                   error.member(), unsigned(error.hr()));
    else
      context_.Log("%s: a %s; the add-in went on without it.<br>\n", where_, HtmlText(error.what()).c_str());
  } catch (...) {
    // Out of memory: the failure goes unsaid, as the step it came from went.
  }
}

#include "diag/object_tracker.h"

#include "diag/session_log.h"

bool ObjectTracker::Logging() const { return log_ && log_->Enabled; }

void ObjectTracker::Add(const void* object, const char* className, const char* description) {
  try {
    entries_.push_back(TrackedObject{object, className ? className : "", description ? description : ""});
  } catch (...) {
    return;  // an object that cannot be registered is simply not tracked
  }
  ++count_;
  const TrackedObject& e = entries_.back();
  if (Logging())
    log_->Print("New object: %s, %s. Count=%u<br>", e.ClassName.c_str(), HtmlText(e.Description).c_str(),
                unsigned(count_));
}

void ObjectTracker::Remove(const void* object) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->Object != object) continue;
    if (Logging())
      log_->Print("Removed object: %s, %s. Count=%u<br>", it->ClassName.c_str(), HtmlText(it->Description).c_str(),
                  unsigned(count_ - 1));
    entries_.erase(it);
    --count_;
    return;
  }
}

void ObjectTracker::ReportLeaks() {
  while (!entries_.empty()) {
    const TrackedObject& e = entries_.front();
    if (Logging()) log_->Print("Leaked object: %s, %s<br>", e.ClassName.c_str(), HtmlText(e.Description).c_str());
    entries_.pop_front();
  }
  count_ = 0;
}

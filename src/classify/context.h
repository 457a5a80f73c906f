// What classifying a message needs of the add-in that does it: the policy, the session log
// and the object tracker. Each is null before the add-in starts and after it ends; the
// add-in's own context (addin/context.h) owns them.
#pragma once

#include <memory>
#include "classify/settings.h"
#include "com/com_ptr.h"
#include "diag/object_tracker.h"
#include "diag/session_log.h"

class ClassifyContext {
 public:
  ClassifyContext(const ClassifyContext&) = delete;
  ClassifyContext& operator=(const ClassifyContext&) = delete;

  ClassificationSettings* Settings() const { return settings_.get(); }
  ObjectTracker* Tracker() const { return tracker_.get(); }
  // Whether a report would reach the log: reports whose arguments cost something to make
  // (escaped outside text) ask first.
  bool LogEnabled() const { return log_ && log_->Enabled; }
  // One report to the session log; returns at once while the log is off.
  void Log(const char* format, ...) const ORVAN_PRINTF(2, 3);

  // A message a window's Send stamped without being able to record the stamp on it (its
  // MAPI message unreachable, a failing call), held until the Application.ItemSend that
  // follows within the same Send, which must not stamp or refuse it again. A Send stopped
  // before ItemSend leaves it until the next ItemSend or the end.
  void NoteStamped(IDispatch* item) const { justStamped_ = ComIdentity(item); }
  bool StampedJustNow(IDispatch* item) const {
    ComPtr<IUnknown> id = ComIdentity(item);
    return id && id.get() == justStamped_.get();
  }
  void ForgetStamped() const {
    justStamped_.reset();
    justChecked_ = nullptr;
  }
  // A message a window's Send let through the organisation's rules and stamped, for the
  // ItemSend that follows within the same Send: a failure there must not refuse what was
  // checked and marked a moment ago. Kept by identity only, never by a reference (Outlook
  // may end the Send before ItemSend); any ItemSend forgets it.
  void NoteChecked(IDispatch* item) const {
    ComPtr<IUnknown> id = ComIdentity(item);
    justChecked_ = id.get();
  }
  bool CheckedJustNow(IDispatch* item) const {
    ComPtr<IUnknown> id = ComIdentity(item);
    return id && id.get() == justChecked_;
  }

 protected:
  ClassifyContext() = default;
  ~ClassifyContext() = default;

  std::unique_ptr<SessionLog> log_;
  std::unique_ptr<ClassificationSettings> settings_;
  std::unique_ptr<ObjectTracker> tracker_;
  mutable ComPtr<IUnknown> justStamped_;
  mutable const IUnknown* justChecked_ = nullptr;
};

// What classifying a message needs of the add-in that does it: the policy, the session log
// and the object tracker. Each is null before the add-in starts and after it ends; the
// add-in's own context (context/addin_context.h) owns them.
#pragma once

#include <memory>
#include <string>
#include <vector>
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

  // The Send in progress: a compose window's or an inline response's own Send event let the
  // message go at this level, after the questions the sender answered Yes to; the
  // Application.ItemSend that follows in the same Send decides again without asking those
  // again or making the same marks twice. Kept by identity only, never by a reference
  // (Outlook or another add-in may end the Send before ItemSend); every ItemSend ends it.
  struct SendInProgress {
    const IUnknown* message = nullptr;
    int level = 0;
    std::vector<std::string> yes;
    bool stamped = false;  // the message's stamp records the marks: it is read to confirm them
  };
  const SendInProgress* InProgress(IUnknown* identity) const {
    return identity && identity == inProgress_.message ? &inProgress_ : nullptr;
  }
  void BeginSend(SendInProgress send) const { inProgress_ = std::move(send); }
  void EndSend() const { inProgress_ = SendInProgress(); }

 protected:
  ClassifyContext() = default;
  ~ClassifyContext() = default;

  std::unique_ptr<SessionLog> log_;
  std::unique_ptr<ClassificationSettings> settings_;
  std::unique_ptr<ObjectTracker> tracker_;
  mutable SendInProgress inProgress_;
};

// The one guard at every entry point the host can call: nothing thrown inside the add-in
// ever reaches Outlook; it becomes an HRESULT. And the steps whose failures are swallowed,
// which still say what they dropped.
#pragma once

#include <new>
#include <string>
#include "host/host_error.h"

template <class F>
HRESULT GuardHostCall(F&& body) noexcept {
  try {
    return body();
  } catch (const HostError& e) {
    return e.hr();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

// Where the host calls that steps give up on are said: a window's, or the add-in's.
class DroppedCallLog {
 public:
  virtual void Dropped(const HostError& error) noexcept = 0;

 protected:
  DroppedCallLog() = default;
  DroppedCallLog(const DroppedCallLog&) = delete;
  DroppedCallLog& operator=(const DroppedCallLog&) = delete;
  // A log that goes (its window closed during the event being handled) leaves every
  // scope that named it.
  ~DroppedCallLog();
  // Tells the log in force outside this one's scope.
  void PassOutward(const HostError& error) const noexcept;
};

// While it lives, the steps run on this thread tell a log what they drop: the innermost
// scope's with a log (an event's handling, an entry point's). Scoped to one call and gone
// after it, so no two add-in objects ever share one.
class DropScope {
 public:
  explicit DropScope(DroppedCallLog* log);  // null: the log of an outer scope
  DropScope(const DropScope&) = delete;
  DropScope& operator=(const DropScope&) = delete;
  ~DropScope();

 private:
  friend class DroppedCallLog;
  friend void NoteDropped(const HostError& error) noexcept;
  DroppedCallLog* log_;
  DropScope* outer_;
};

// Hands a failure a step swallowed to the log in force, if any.
void NoteDropped(const HostError& error) noexcept;

// While it lives, the first failure the steps on this thread drop is kept, as the record
// names it ("Member failed with HRESULT"); every one still reaches the log in force.
class FirstDrop final : public DroppedCallLog {
 public:
  FirstDrop() : scope_(this) {}
  void Dropped(const HostError& error) noexcept override;
  const std::string& text() const { return text_; }

 private:
  std::string text_;
  DropScope scope_;
};

// A failed host call as a record names it: the member, the HRESULT, the host's words.
std::string FailureText(const HostError& error);

// A host result a step goes on without: a failure is named as a swallowed step's is.
inline void NoteIfFailed(HRESULT hr, const IID& iid, const char* member) noexcept {
  if (SUCCEEDED(hr)) return;
  try {
    NoteDropped(HostError(hr, iid).About(member));
  } catch (...) {
    // Out of memory: unsaid, as a swallowed step's failure would be.
  }
}

// Runs a step whose failures are to be swallowed; true when it completed.
template <class F>
bool TryHostStep(F&& body) noexcept {
  try {
    body();
    return true;
  } catch (const HostError& e) {
    NoteDropped(e);
    return false;
  } catch (...) {
    return false;
  }
}

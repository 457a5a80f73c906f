// Registry of the add-in's live wrapper and handler objects, so that objects never
// destroyed show up in the log at shutdown.
#pragma once

#include <cstdint>
#include <list>
#include <string>

class SessionLog;

class ObjectTracker {
 public:
  // Reports go to log, which must outlive the tracker; null drops them.
  explicit ObjectTracker(SessionLog* log) : log_(log) {}
  ~ObjectTracker() { ReportLeaks(); }
  ObjectTracker(const ObjectTracker&) = delete;
  ObjectTracker& operator=(const ObjectTracker&) = delete;

  void Add(const void* object, const char* className, const char* description);
  void Remove(const void* object);
  void ReportLeaks();
  uint32_t Count() const { return count_; }

  struct TrackedObject {
    const void* Object;
    std::string ClassName;
    std::string Description;
  };
  const std::list<TrackedObject>& Entries() const { return entries_; }

 private:
  bool Logging() const;

  SessionLog* log_;
  std::list<TrackedObject> entries_;
  uint32_t count_ = 0;
};

// The Application event log's record of the add-in, under its source "Orvan Classify": each
// event with its insertion strings in the order the message table (res/messages.mc) numbers
// them, so that the Event Viewer and a collector show its text and its fields apart. The
// user is the one Windows gives the process; the machine the event log records itself.
#pragma once

#include <string>
#include <vector>
#include "platform/win.h"

extern const char kEventSource[];  // "Orvan Classify"

// The events of the message table.
enum : DWORD {
  kReleasedEvent = 100,       // a message let go to be sent
  kRefusedEvent = 101,        // a Send a rule refused
  kDowngradedEvent = 102,     // a message let go below the level it answers
  kLevelChangedEvent = 103,   // a level chosen over the one the message had
  kNotMarkedEvent = 104,      // a message let go that could not be marked
  kIgnoredPolicyEvent = 200,  // a Group Policy value ignored
};
// Their task categories, the message table's first ids.
enum : WORD {
  kSendCategory = 1,
  kLevelCategory = 2,
  kMarkingCategory = 3,
  kPolicyCategory = 4,
};
// Longest insertion string, in UTF-16 units: the event log takes 31,839, a reader less.
constexpr size_t kLongestEventText = 2048;

// An insertion string as the event log takes it: cut to kLongestEventText, between two
// characters; control characters as blanks, an unpaired surrogate as U+FFFD.
std::basic_string<WCHAR> EventText(const std::string& utf8);

// Writes one event; a failure (no source, the log full) is silent: it never stops a Send.
void WriteEvent(WORD type, WORD category, DWORD id, const std::vector<std::string>& fields) noexcept;

// A new correlation id, "{8-4-4-4-12}" in upper-case hex: the event of a Send and the message
// it let go carry the same one.
std::string NewCorrelationId();

// The dialog that asks a sender why a message may leave below the level of the message it
// answers: one of the policy's reasons, or another in the sender's own words. A dialog of
// the add-in's own (res/OrvanClassify.rc), its texts from the string table, reachable by
// keyboard; Send stays disabled until the answer is one the record can use.
#pragma once

#include <string>
#include <vector>
#include "classify/settings.h"

// The fewest words another reason must have.
constexpr int kFewestReasonWords = 3;

// What the dialog shows: its caption, its question, the list (the policy's reasons, then
// "Other") and its buttons.
struct ReasonQuestion {
  std::string caption, text, listLabel, otherLabel, send, cancel;
  std::vector<std::string> choices;  // the last one is "Other"
};
ReasonQuestion MakeReasonQuestion(const ClassificationSettings& settings, const std::string& answered,
                                  const std::string& level);

// The reason a choice gives (choice: 0-based; the last is "Other", with the sender's text),
// or the empty text when it gives none: nothing chosen, or another reason of fewer than
// three words.
std::string ReasonOf(const ReasonQuestion& question, int choice, const std::string& other);

// Shows the dialog over the active window. True, with the reason, when the sender gave one;
// false when the sender cancelled (or the dialog could not be shown).
bool AskReason(const ClassificationSettings& settings, const std::string& answered, const std::string& level,
               std::string* reason);

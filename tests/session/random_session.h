// Outlook's objects coming and going in random order, played through orvan-sim's own
// commands against a small model of what the add-in must do: the level every message that
// leaves must carry, what each window's bar and ribbon must show, and that nothing of the
// add-in is held where it must not be. A failing sequence is shrunk and printed as an
// orvan-sim script, and every session is replayable from its seed.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <set>
#include <string>
#include <vector>

namespace random_session {

// How one session's Outlook is set up.
struct Setup {
  bool today = false;            // Outlook 2013 to Microsoft 365, else classic Outlook
  bool inlineSendEvent = true;   // whether an inline response's own Send event fires
  // The organisation's rules: no answer below the level it answers, and above UNCLASSIFIED
  // only to acme.example and below; both refusing, or (warn) both asking the sender.
  bool strict = false;
  bool warn = false;
  // How Group Policy writes those rules: 0 as documented; 1 in other letter cases, with
  // blanks around; 2 unusable (a misspelt or blank rule, a rule of the wrong type, and a
  // refused level list), which holds both rules at their strictest, refusing.
  int policyNoise = 0;
  // Group Policy's level list names a third level with a comma in it.
  bool oddLevels = false;
  // The rule on answers below their level asks the sender's reason instead.
  bool justify = false;
  // Every item that leaves classified carries the standard label (StandardLabel xml).
  bool standardLabel = false;
  std::set<std::string> ignore;  // checks to look past, while another fault is worked on
};

// One thing a user or Outlook does: the orvan-sim lines that play it.
using Step = std::vector<std::string>;

struct Outcome {
  bool failed = false;
  std::string check;   // which check failed; the same name for the same kind of fault
  std::string detail;
  size_t step = 0;     // the step after which it failed
  long steps = 0;      // steps played
  long sent = 0;       // messages that left and were checked
};

// The setup a seed gives.
Setup SetupOf(uint64_t seed, const std::set<std::string>& ignore = {});
// Generates a session of `length` steps and the end from the seed, and plays it as it
// goes; `played` hears each step before it is played.
Outcome Play(uint64_t seed, size_t length, const std::set<std::string>& ignore,
             const std::function<void(const Step&)>& played);
// Plays the given steps.
Outcome Replay(const Setup& setup, const std::vector<Step>& steps);
// A shorter sequence that still fails the same check (steps removed while it does).
std::vector<Step> Shrink(const Setup& setup, std::vector<Step> steps, const std::string& check);
// The sequence as an orvan-sim script, with the command line that plays it.
std::string Script(const Setup& setup, const std::vector<Step>& steps, uint64_t seed, const std::string& why);

struct Report {
  long sessions = 0, steps = 0, sent = 0;
  std::vector<uint64_t> failedSeeds;
  std::set<std::string> commands;  // the orvan-sim commands played
};
// Plays sessions with seeds first, first + 1, ... until `sessions` have run (when > 0) or
// `seconds` have passed (when > 0), each in a child process, so that a crash is a failure
// like the others. Each failure is shrunk and printed to `out`.
Report Run(uint64_t first, long sessions, double seconds, std::ostream& out, const std::set<std::string>& ignore = {});

}  // namespace random_session

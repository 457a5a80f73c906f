// A scripted or typed Outlook session over the simulator, with a transcript a person can
// read: what each window's classification bar shows, what a sent message carries.
#pragma once

#include <iosfwd>
#include <map>
#include <fstream>
#include <string>
#include <vector>
#include "sim/outlook.h"

namespace orvan_sim {

struct Options {
  std::string outbox;    // sent mail as .eml
  std::string registry;  // REGEDIT4 file loaded at start, saved at shutdown
  std::string logDir;    // session log switched on, written here
  std::string htmlDir;   // each window also as an HTML page
  std::string eventsFile;  // each event the add-in reports, as a line of JSON
  bool quiet = false;    // only errors and what commands print on request
  bool requireSelection = false;  // try the policy that refuses Send until a level is chosen
  bool today = false;             // Outlook 2013 to Microsoft 365 rather than classic Outlook
  long uiLanguage = 0x0409;       // the language of Office's own texts, a Windows LANGID
};

class Session {
 public:
  Session(const Options& options, std::ostream& out, std::ostream& err);
  ~Session();

  // False when the session cannot begin (an output folder cannot be made).
  bool Usable() const { return usable_; }
  // Typed at the prompt: commands are not echoed, and the end of the session is said.
  void SetInteractive(bool interactive) { interactive_ = interactive; }
  bool Running() const { return running_; }

  // Runs one command line; an error is reported on one line and the session goes on.
  void Run(const std::string& line, int lineNumber);
  void Finish();  // shuts Outlook down if the script did not
  int Errors() const { return errors_; }
  // Faults of the add-in that the session saw (something held after it ended or after a
  // Send), each also reported as an error.
  const std::vector<std::string>& Problems() const { return problems_; }

  // What the session has made, for a test that plays it and checks what Outlook shows.
  sim::World& world() { return world_; }
  sim::Outlook& outlook() { return outlook_; }
  const std::vector<sim::Inspector*>& windows() const { return windows_; }
  const std::vector<sim::MailItem*>& inbox() const { return inbox_; }
  // The response the last 'respond' made, sent or not.
  sim::MailItem* lastResponse() const { return lastResponse_; }
  const std::vector<sim::Explorer*>& mainWindows() const { return explorers_; }
  sim::Inspector* current() const { return current_; }

  using Args = std::vector<std::string>;
  // One command: the one list that the parser, help and the randomized session test read.
  struct Command {
    const char* name;
    const char* words;     // what help shows after the name
    const char* what;      // what help says it does ('\n' between its lines)
    size_t minArgs, maxArgs;
    const char* expected;  // what an error says it expected, when the count is wrong
    bool anyTime;          // also once Outlook has shut down
    bool today;            // today's Outlook's (help lists them apart)
    bool ownOptions;       // takes --options, and counts its other words itself
    void (*run)(Session& s, const std::string& name, const Args& a);
  };
  static const std::vector<Command>& Commands();
  static const Command* Find(const std::string& name);

 private:
  void Start();
  void Error(const std::string& command, const std::string& what);
  // Whether the words after a command are as many as its entry allows; an error if not.
  bool Fits(const std::string& name, const Args& a);
  sim::Inspector* Current(const std::string& command);

  void Help();
  void Compose(const Args& a);
  void Choose(const Args& a);
  void Move(const Args& a);
  void Send();
  void Close();
  void Respond(const std::string& command);
  void SelectWindow(const Args& a);
  void Receive(const Args& a);
  void Open(const Args& a);
  void Select(const Args& a);
  void Click(const Args& a);
  void Switch(const Args& a);
  void Inline(const Args& a);
  void RibbonChoose(const Args& a);
  void ProgramSend(const Args& a);
  void Address(const std::string& kind, const Args& a, sim::MailItem* m);
  void Answer(const Args& a);
  void Arrive(const Args& a);
  void StopNextSend();
  void Next(const Args& a);
  void StoreMove();
  void Resend(const Args& a);
  void RespondToMeeting(const Args& a);
  void MainWindow(const Args& a);
  void AddIn(const Args& a);
  void Redraw();
  void Register();
  void CheckNothingHeld(const std::string& command);
  void Problem(const std::string& command, const std::string& what);
  // Today's Outlook: the add-in's group on a window's ribbon tab, or the inline response's.
  std::vector<std::string> RibbonLines(sim::Inspector* w);
  bool NeedToday(const std::string& command);
  void ShowLog();
  void ShowRegistry();
  void Shutdown(bool fast = false);

  void Opened(sim::Inspector* w);
  void ShowWindow(sim::Inspector* w);
  void ShowSent(sim::MailItem* m, const std::string& file);
  void ShowMessageBoxes(sim::Inspector* window);
  bool MakeFolder(const char* option, const std::string& folder);
  bool Number(const std::string& command, const std::string& text, long* value);
  void WritePages();
  void ShowEvents();
  int Number(sim::Inspector* w) const;

  Options options_;
  std::ostream& out_;
  std::ostream& err_;
  sim::World world_;
  sim::Outlook outlook_;
  std::vector<sim::Inspector*> windows_;
  std::vector<sim::MailItem*> inbox_;
  sim::MailItem* lastResponse_ = nullptr;
  std::vector<sim::Explorer*> explorers_;  // every main window, in the order they opened
  sim::Inspector* current_ = nullptr;
  std::map<sim::Inspector*, std::string> lastBar_;  // each window's bar as last seen
  std::map<sim::Inspector*, std::string> lastBox_;  // the message box a window last showed
  std::map<sim::Inspector*, std::string> lastRibbon_;  // its ribbon group as last seen
  size_t boxesShown_ = 0;
  size_t reasonsShown_ = 0;
  size_t violationsShown_ = 0;
  size_t eventsShown_ = 0;
  std::ofstream events_;
  std::vector<std::string> problems_;
  bool usable_ = true;
  bool interactive_ = false;
  bool registryLoaded_ = true;  // false: the file is not ours to overwrite
  bool pagesFailed_ = false;
  bool running_ = false;
  int line_ = 0;
  int errors_ = 0;
};

// Splits a command line into words; "quoted text" is one word, with \n, \t, \" and \\.
std::vector<std::string> SplitWords(const std::string& line, std::string* error);

}  // namespace orvan_sim

#include "random_session.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <random>
#include <set>
#include <sstream>
#include <fcntl.h>
#include <functional>
#include <iostream>
#include <sys/wait.h>
#include <unistd.h>
#include "classify/mail_item.h"
#include "sim/transport.h"
#include "classify/settings.h"
#include "com/module.h"
#include "diag/session_log.h"
#include "portable/registry.h"
#include "session.h"
#include "sim/ribbon.h"

namespace random_session {

namespace {

// The standard policy: three levels, the first preselected, marks top and bottom.
constexpr int kLevels = 3;
constexpr int kDefaultLevel = 1;
const char* const kStandardNames[] = {"", "UNCLASSIFIED", "CONFIDENTIAL", "SECRET"};
// Group Policy's level list with a comma inside a name: still three levels.
const char* const kOddNames[] = {"", "UNCLASSIFIED", "CONFIDENTIAL", "SECRET//REL TO USA, GBR"};
constexpr size_t kMostLooked = 8;  // the selected items among which the first message is watched
constexpr size_t kMostRead = 32;   // the selected items read for the level an answer starts at

const char kComposeRibbon[] = "Microsoft.Outlook.Mail.Compose";
const char kReadRibbon[] = "Microsoft.Outlook.Mail.Read";
const char kExplorerRibbon[] = "Microsoft.Outlook.Explorer";

int Preselected(int level) { return level <= 0 ? kDefaultLevel : level > kLevels ? kLevels : level; }

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

long Numeric(sim::MailItem* m) {
  const auto* v = m->message->Find(PS_PUBLIC_STRINGS_ID, "MAPI-Orvan-classification");
  return v && v->type == PT_LONG ? v->l : -1;
}

std::string Header(sim::MailItem* m) {
  const auto* v = m->message->Find(PS_INTERNET_HEADERS_ID, "X-Orvan-classification");
  return v ? v->text : "(none)";
}

// One of the security officer's named properties; empty when the message has none.
std::string Record(sim::MailItem* m, const char* name) {
  const auto* v = m->message->Find(PS_PUBLIC_STRINGS_ID, name);
  return v ? v->text : std::string();
}

std::string Quote(const std::string& text) { return "\"" + text + "\""; }

// The recipients the generator gives, and whether each is outside acme.example as README
// says the rule sees it: a list by its members (followed into lists within it), a list
// whose members cannot be read, an unresolved name, and a mail user whose mail goes
// elsewhere, all as outside.
const char* const kAddresses[] = {"a@acme.example",
                                  "b@sub.acme.example",
                                  "ex:y@acme.example",
                                  "dl:team@acme.example=x@acme.example,ex:z@acme.example",
                                  "dl:all@acme.example=x@acme.example,dl:team@acme.example=[y@acme.example]",
                                  "c@partner.example",
                                  "?Bob",
                                  "dl:mixed@acme.example=x@acme.example,d@partner.example",
                                  "e@acme.example.evil.example",
                                  "dl:dynamic@acme.example",
                                  "dl:outer@acme.example=dl:inner@acme.example=[d@partner.example]",
                                  "ex:f@acme.example>f@partner.example"};
constexpr size_t kInsideAddresses = 5;  // the first ones
bool Outside(const std::string& address) {
  for (size_t i = 0; i < sizeof kAddresses / sizeof kAddresses[0]; ++i)
    if (address == kAddresses[i]) return i >= kInsideAddresses;
  // Any other plain address (a meeting's organizer): by its domain.
  const size_t at = address.rfind('@');
  const std::string domain = at == std::string::npos ? "" : address.substr(at + 1);
  return domain != "acme.example" && (domain.size() < 13 || domain.compare(domain.size() - 13, 13, ".acme.example"));
}

// What the model knows of a message.
struct Msg {
  int received = 0;      // the level its header gave when it arrived (0: none the add-in reads)
  std::string subject;   // as its sender wrote it: Outlook's, never the add-in's
  std::string body;      // the same
  bool html = false;
  bool mail = true;      // a mail message, whose body is marked; other items keep theirs
  int level = 0;         // the level written into it (0: none)
  int answered = 0;      // the level of the message it answers, as the add-in learnt it
  bool outside = false;  // a recipient outside acme.example, or one whose address is unknown
  int marks = 0;         // the level of the add-in's marks it carries now (a stopped Send's)
  bool carried = false;  // an answer wrote its level into it (and the level it answers)
};

// A window the add-in handles: the level it holds, and whether it can be changed there.
struct WindowState {
  long order;  // its item sink's place among the item's sinks
  int level;
  bool editable;
};

// What a message that left must carry.
struct Expected {
  bool classified;  // the add-in was there at its Send
  int level;        // the level it left at (classified), or the numeric level written (0: none)
  int marks;        // the level of the add-in's marks it must carry (0: none)
  Msg msg;          // what it was when it left
};

// The effective rules of a setup, as README says Group Policy's values are read.
struct Rules {
  bool on = false;
  bool warnDowngrade = false, warnOutside = false;
  bool justifyDowngrade = false;  // an answer below its level leaves with a reason
};

// The reasons README gives as the built-in list under justify, and the choice after them.
const char* const kReasons[] = {"It quotes none of the classified text", "The classified text was removed from it",
                                "The message it answers was classified too high", "Other"};

Rules RulesOf(const Setup& s) {
  Rules r;
  r.on = s.strict;
  // Values in another letter case or with blanks around read the same; unusable ones apply
  // the rule at its strictest.
  r.warnDowngrade = s.strict && s.warn && s.policyNoise != 2;
  r.warnOutside = r.warnDowngrade;
  r.justifyDowngrade = s.strict && s.justify && s.policyNoise != 2;
  if (r.justifyDowngrade) r.warnDowngrade = false;
  return r;
}

void SetPolicyValue(const char* name, const std::string& text) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Policies\\Orvan\\Classify", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), DWORD(text.size() + 1));
  RegCloseKey(key);
}

void SetPolicyValue(const char* name, DWORD number) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Policies\\Orvan\\Classify", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  RegCloseKey(key);
}

// The Group Policy values of a setup, as an administrator would set them: the rules, in
// the documented spelling, in another letter case with blanks, or unusable.
std::vector<std::string> PolicyOf(const Setup& s) {
  std::vector<std::string> lines;
  const std::string rule = s.warn ? "warn" : "block";
  if (s.oddLevels) lines.push_back("\"Levels\"=\"" + std::string("UNCLASSIFIED;CONFIDENTIAL;") + kOddNames[3] + "\"");
  if (s.standardLabel) lines.push_back("\"StandardLabel\"=\"xml\"");
  if (!s.strict) return lines;
  if (s.policyNoise == 0) {
    lines.push_back("\"DowngradeRule\"=\"" + (s.justify ? "justify" : rule) + "\"");
    lines.push_back("\"ExternalRule\"=\"" + rule + "\"");
    lines.push_back("\"ExternalMaxLevel\"=dword:00000001");
  } else if (s.policyNoise == 1) {
    lines.push_back("\"DowngradeRule\"=\" " + std::string(s.justify ? "Justify" : s.warn ? "Warn" : "BLOCK") + "\"");
    lines.push_back("\"ExternalRule\"=\"" + std::string(s.warn ? "WARN" : "Block") + " \"");
    lines.push_back("\"ExternalMaxLevel\"=dword:00000001");
  } else {
    // Unusable: a misspelt rule, a blank one, a level past the list, and a level list that
    // is refused (a name longer than 58 characters), which must not take the rule with it.
    lines.push_back("\"DowngradeRule\"=\"" + std::string(s.warn ? "wran" : "") + "\"");
    lines.push_back("\"ExternalRule\"=dword:00000002");
    lines.push_back("\"ExternalMaxLevel\"=dword:00000001");
    lines.push_back("\"Levels\"=\"PUBLIC;" + std::string(60, 'X') + "\"");
  }
  lines.push_back("\"InternalDomains\"=\"acme.example\"");
  return lines;
}

void ApplyPolicy(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    const size_t eq = line.find("\"=");
    const std::string name = line.substr(1, eq - 1), value = line.substr(eq + 2);
    if (value.rfind("dword:", 0) == 0) SetPolicyValue(name.c_str(), DWORD(std::strtoul(value.c_str() + 6, nullptr, 16)));
    else SetPolicyValue(name.c_str(), value.substr(1, value.size() - 2));
  }
}

class Runner {
 public:
  explicit Runner(const Setup& setup) : setup_(setup), rules_(RulesOf(setup)) {
    names_ = setup.oddLevels && setup.policyNoise != 2 ? kOddNames : kStandardNames;
    char templ[] = "/tmp/orvan-session-XXXXXX";
    if (const char* made = mkdtemp(templ)) appdata_ = made;
    setenv("APPDATA", appdata_.c_str(), 1);
    portable_registry::Clear();
    ClassificationSettings::NextDefaults() = SettingsDefaults::Compiled();
    ApplyPolicy(PolicyOf(setup));
    SessionLog::SetDefaultEnabled(false);
    objectsBefore_ = ObjectCount;
    orvan_sim::Options options;
    options.quiet = true;
    options.today = setup.today;
    session_ = std::make_unique<orvan_sim::Session>(options, out_, err_);
    session_->outlook().undocumented.inlineItemSendFires = setup.inlineSendEvent;
    connected_ = session_->Running();
    for (sim::Explorer* e : outlook().explorers()) Watch(e);
  }

  ~Runner() {
    session_.reset();
    std::error_code ignored;
    if (!appdata_.empty()) std::filesystem::remove_all(appdata_, ignored);
  }

  // Plays a step and checks what Outlook shows afterwards; false when a check failed.
  bool Do(const Step& step) {
    for (const std::string& line : step) {
      Line(line);
      if (!outcome.failed) CheckRecord(line);
      if (outcome.failed) break;
    }
    if (!outcome.failed) CheckAfterStep();
    if (outcome.failed) outcome.step = size_t(outcome.steps);
    ++outcome.steps;
    return !outcome.failed;
  }

  // The events of the decisions the line made, in order, against the model's.
  void CheckRecord(const std::string& line) {
    std::vector<std::string> seen;
    const auto& events = session_->world().events;
    for (; eventsChecked_ < events.size(); ++eventsChecked_) {
      const sim::World::Event& e = events[eventsChecked_];
      if (e.id == 100 && !e.fields.empty()) seen.push_back("let go at " + e.fields[0]);
      else if (e.id == 102 && e.fields.size() > 2)
        seen.push_back("let go at " + e.fields[0] + " below " + e.fields[1] + " (" + e.fields[2] + ")");
      else if (e.id == 101 && e.fields.size() > 1) seen.push_back("refused at " + e.fields[1]);
    }
    if (seen != record_) {
      auto list = [](const std::vector<std::string>& v) {
        std::string out;
        for (const std::string& x : v) out += (out.empty() ? "" : ", ") + x;
        return out.empty() ? std::string("none") : out;
      };
      Fail("record", line + ": the event log has " + list(seen) + "; the model expects " + list(record_));
    }
    record_.clear();
  }

  // The session's end: Outlook gone, every object of the library with it.
  void Finish() {
    if (outcome.failed) return;
    if (session_->Running()) {
      Line("shutdown");
      if (!outcome.failed) CheckRecord("shutdown");
    }
    if (outcome.failed) return;
    CheckSent();
    session_.reset();
    if (ObjectCount != objectsBefore_)
      Fail("objects-left", std::to_string(ObjectCount - objectsBefore_) + " object(s) of the library outlived Outlook");
  }

  Outcome outcome;

  // ---- what the generator reads

  sim::Outlook& outlook() { return session_->outlook(); }
  orvan_sim::Session& session() { return *session_; }
  bool Connected() const { return connected_; }
  bool Running() const { return session_ && session_->Running(); }
  const Setup& setup() const { return setup_; }

 private:
  bool Active() const { return connected_ && !ended_; }

  void Fail(const std::string& check, const std::string& detail) {
    if (outcome.failed || setup_.ignore.count(check)) return;
    outcome.failed = true;
    outcome.check = check;
    outcome.detail = detail;
  }

  // The level a message holds: written into it, or given by its header when it arrived.
  int ItemLevel(sim::MailItem* m) {
    const Msg& s = items_[m];
    if (s.level > 0) return s.level;
    return s.received >= 1 && s.received <= kLevels ? s.received : 0;
  }

  // A message Outlook made: what its sender wrote is what it holds now.
  Msg& Made(sim::MailItem* m) {
    Msg& s = items_[m];
    s.subject = m->Subject();
    s.body = m->SentBody();
    s.html = m->IsMail() && m->bodyFormat == 2;
    s.mail = m->IsMail();
    return s;
  }

  std::vector<sim::Inspector*> HandledShowing(sim::DispatchObject* item) {
    std::vector<std::pair<long, sim::Inspector*>> found;
    for (auto& [w, state] : handled_)
      if (w->item == item) found.push_back({state.order, w});
    std::sort(found.begin(), found.end());
    std::vector<sim::Inspector*> out;
    for (auto& f : found) out.push_back(f.second);
    return out;
  }

  // The add-in gives the window a handler, as a new window's NewInspector does.
  void HandleWindow(sim::Inspector* w) {
    sim::MailItem* m = w->mail();
    if (!Active() || !m || !IsClassifiedClass(m->itemClass)) return;
    const int own = ItemLevel(m);
    if (m->sent) {  // a read window: the level it shows; one without a level leaves the carried level
      if (own) carried_ = carriedRead_ = 0;
      handled_[w] = {++order_, own, false};
      return;
    }
    const int level = Preselected(own ? own : carried_);
    if (!own && carried_ > 0) {
      items_[m].answered = std::max(items_[m].answered, carriedRead_);
      items_[m].carried = true;
    }
    carried_ = carriedRead_ = 0;
    items_[m].level = level;
    handled_[w] = {++order_, level, true};
  }

  void Unhandle(sim::Inspector* w) { handled_.erase(w); }

  // Everything of the add-in ends: the last window of Outlook closed, a shutdown, an untick.
  void End() {
    handled_.clear();
    watched_.clear();
    inline_.clear();
    carried_ = carriedRead_ = 0;
    leaving_ = false;
    ended_ = true;
  }

  // Outlook goes on while any window of it is open: a main window, or a window on any item.
  void EndIfOutlookLeft() {
    if (!Active() || !leaving_) return;
    for (sim::Inspector* w : session_->windows())
      if (w->open) return;
    End();
  }

  void Watch(sim::Explorer* e) {
    if (!Active()) return;
    watched_[e] = MailOf(e->selection->items);
  }

  // The selected message whose answers carry their level: the first among the first items.
  static std::vector<sim::MailItem*> MailOf(const std::vector<sim::DispatchObject*>& items) {
    for (size_t i = 0; i < items.size() && i < kMostLooked; ++i)
      if (auto* m = dynamic_cast<sim::MailItem*>(items[i])) return {m};
    return {};
  }

  // The level an answer from the main window starts at, and the level it answers (0 when
  // the add-in read none): the highest of the selected messages, at most kMostRead read;
  // past them, the highest level there is, answering nothing it read.
  std::pair<int, int> SelectionLevel(const std::vector<sim::DispatchObject*>& items) {
    if (items.size() > kMostRead) return {kLevels, 0};
    int highest = 0;
    for (sim::DispatchObject* item : items)
      if (auto* m = dynamic_cast<sim::MailItem*>(item)) highest = std::max(highest, ItemLevel(m));
    return {highest, highest};
  }

  // Whether an item event of the message (Reply, Forward, a meeting's response) reaches a
  // sink of the add-in.
  bool Heard(sim::MailItem* answered) {
    if (!Active()) return false;
    if (!HandledShowing(answered).empty()) return true;
    // The selection is watched where the main window offers ExplorerEvents_10 (today's).
    if (!setup_.today) return false;
    for (auto& [e, mail] : watched_)
      if (std::find(mail.begin(), mail.end(), answered) != mail.end()) return true;
    return false;
  }

  // The selections of the main windows watching the answered message: each one's sink hears
  // its answer.
  std::vector<const std::vector<sim::DispatchObject*>*> WatchedSelections(sim::MailItem* answered) {
    std::vector<const std::vector<sim::DispatchObject*>*> out;
    if (!setup_.today || !Active()) return out;
    for (auto& [e, mail] : watched_)
      if (std::find(mail.begin(), mail.end(), answered) != mail.end()) out.push_back(&e->selection->items);
    return out;
  }

  // The answered message's Reply, Reply to All or Forward event: the response starts at its
  // level, or at the highest level of the selection it is watched in, whichever is higher.
  void Answer(sim::MailItem* answered, sim::MailItem* response) {
    Msg& r = Made(response);
    if (!Heard(answered)) return;
    // A window's handler carries the message's own level; a watched selection's, the higher
    // of that and the selection's.
    int level = ItemLevel(answered), knows = level;
    for (const auto* selection : WatchedSelections(answered)) {
      const auto [start, read] = SelectionLevel(*selection);
      level = std::max(level, start);
      knows = std::max(knows, read);
    }
    if (!level) return;
    r.level = std::max(r.level, level);
    r.answered = std::max(r.answered, knows);
    r.carried = true;
  }

  // Whether Outlook shows the message to a sender who can be asked about it: in a window,
  // or as an inline response.
  bool ShownByOutlook(sim::MailItem* m) {
    for (sim::Inspector* w : session_->windows())
      if (w->open && w->item == m) return true;
    for (sim::Explorer* e : outlook().explorers())
      if (e->inlineResponse == m) return true;
    return false;
  }

  // The rules at a Send at this level: whether the message stays. Under warn, each rule
  // broken asks a sender who is there, in turn, and takes the next answer given (none: No);
  // where both refuse and no level satisfies both, one box says so.
  bool Refused(const Msg& s, int level, bool present) {
    reason_.clear();
    if (!rules_.on) return false;
    const bool down = s.answered > level, out = level > 1 && s.outside;
    if (down && out && !rules_.warnDowngrade && !rules_.justifyDowngrade && !rules_.warnOutside && s.answered > 1)
      return true;
    if (down && rules_.justifyDowngrade) {
      // The reason dialog: a listed reason, or Other with at least three words of one's own;
      // no answer, Cancel or anything else keeps the message.
      if (!present) return true;
      const std::string answer = reasons_.empty() ? "cancel" : reasons_.front();
      if (!reasons_.empty()) reasons_.erase(reasons_.begin());
      if (answer.size() == 1 && answer[0] >= '1' && answer[0] <= '3') reason_ = kReasons[answer[0] - '1'];
      else if (answer != "cancel" && answer.size() > 1 && std::count(answer.begin(), answer.end(), ' ') >= 2)
        reason_ = std::string(kReasons[3]) + ": " + answer;
      if (reason_.empty()) return true;
    }
    for (auto [broken, warn] : {std::pair<bool, bool>{down && !rules_.justifyDowngrade, rules_.warnDowngrade},
                                {out, rules_.warnOutside}}) {
      if (!broken) continue;
      if (!warn || !present) return true;
      const bool yes = !answers_.empty() && answers_.front();
      if (!answers_.empty()) answers_.erase(answers_.begin());
      if (!yes) return true;
    }
    return false;
  }

  // A Send of the message, as the model says it goes: refused by the rules at the level it
  // holds (nothing written), or marked at that level, once; then another add-in may stop it.
  enum class Sent { Refused, Stopped, Left };
  Sent SendItem(sim::MailItem* m, bool present) {
    Msg& s = items_[m];
    bool classified = false;
    int level = s.level;
    if (Active()) {
      // A window's handler sends at its bar's level, which the message holds.
      level = s.level ? s.level : kDefaultLevel;
      const bool refused = Refused(s, level, present);
      // The security officer's record: one event for each decision, stopped after it or not;
      // one below the level answered, under the rules, says so and why.
      std::string record = std::string(refused ? "refused at " : "let go at ") + names_[level];
      if (!refused && rules_.on && s.answered > level)
        record += std::string(" below ") + names_[s.answered] + " (" + (reason_.empty() ? "none asked" : reason_) + ")";
      record_.push_back(record);
      if (refused) return Sent::Refused;
      s.level = level;
      s.marks = level;
      classified = true;
      for (sim::Inspector* w : HandledShowing(m))
        if (handled_[w].editable) Unhandle(w);  // a Send ends the compose window's handler
    }
    if (std::exchange(stopArmed_, false)) return Sent::Stopped;
    expected_[m] = {classified, level, s.marks, s};
    return Sent::Left;
  }

  void ItemClosed(sim::DispatchObject* item) {
    for (sim::Inspector* w : HandledShowing(item)) Unhandle(w);
  }

  void CloseInline(sim::Explorer* e) { inline_.erase(e); }

  // ---- one orvan-sim line, and what it does to the model

  void Line(const std::string& line) {
    std::string error;
    const std::vector<std::string> words = orvan_sim::SplitWords(line, &error);
    if (words.empty()) return;
    const std::string& command = words[0];
    const std::string arg = words.size() > 1 ? words[1] : "";
    // The generator speaks orvan-sim's own commands, and no other.
    if (!orvan_sim::Session::Find(command)) return Fail("unknown-command", line + ": orvan-sim has no such command");
    sim::Inspector* w = session_->current();
    if (w && !w->open) w = nullptr;
    sim::MailItem* m = w ? w->mail() : nullptr;
    sim::DispatchObject* shownBefore = w ? w->item : nullptr;
    sim::Explorer* e = outlook().app()->activeExplorer;
    sim::MailItem* inlineItem = e ? e->inlineResponse : nullptr;
    const size_t windowsBefore = session_->windows().size();
    const size_t sentBefore = outlook().sentMail.size();
    const std::vector<sim::DispatchObject*> selection = e ? e->selection->items : std::vector<sim::DispatchObject*>();
    boxesBefore_ = session_->world().messageBoxes.size();
    // The host calls of a compose window's first Send, which must not grow with the session.
    std::string costKey;
    // (Under the strict policy a Send also reads its recipients: its cost grows with them.)
    if (command == "send" && m && handled_.count(w) && handled_[w].editable && HandledShowing(m).size() == 1 &&
        !items_[m].marks && !rules_.on) {
      const sim::Ribbon* r = outlook().ribbon();
      int docs = 0;
      for (const char* id : {kComposeRibbon, kReadRibbon, kExplorerRibbon}) docs += r && r->Customized(id);
      // A response carries what its answer wrote into it (its level, the level it answers);
      // after the last main window, the window's Close is heard too.
      costKey = std::to_string(m->bodyFormat) + "/" + std::to_string(docs) + "/" + std::to_string(stopArmed_) + "/" +
                std::to_string(items_[m].carried) + "/" + std::to_string(leaving_);
    }
    const long callsBefore = session_->world().Calls();
    const int errors = session_->Errors();
    const size_t problems = session_->Problems().size();

    session_->Run(line, ++lineNumber_);

    const long calls = session_->world().Calls() - callsBefore;
    const size_t found = session_->Problems().size() - problems;
    for (size_t i = problems; i < session_->Problems().size(); ++i) {
      const std::string& p = session_->Problems()[i];
      Fail(p.find("after its Send") != std::string::npos ? "held-after-send" : "held-after-end", line + ": " + p);
    }
    if (!session_->world().Escapes().empty()) Fail("escape", session_->world().Escapes().front());
    if (outcome.failed) return;
    // Every problem the session found was also counted as an error of the command.
    if (size_t(session_->Errors() - errors) > found) return;  // the command did nothing; the model neither

    if (command == "compose") {
      sim::Inspector* opened = session_->windows().back();
      Made(opened->mail());
      HandleWindow(opened);
    } else if (command == "open") {
      HandleWindow(session_->windows().back());
    } else if (command == "choose") {
      if (handled_.count(w) && handled_[w].editable) {
        handled_[w].level = std::atoi(arg.c_str());
        items_[m].level = handled_[w].level;
      }
    } else if (command == "ribbon" || (command == "inline" && arg == "choose")) {
      const int level = std::atoi(words.back().c_str());
      sim::MailItem* item = command == "ribbon" ? m : inlineItem;
      if (!Active() || !item) return;
      WindowState* state = command == "ribbon" ? (handled_.count(w) ? &handled_[w] : nullptr)
                                               : (inline_.count(e) ? &inline_[e] : nullptr);
      if (state) {
        if (!state->editable) return;
        state->level = level;
      }
      // A window without a handler (a stopped Send's, one opened while the add-in was off)
      // takes the choice on the ribbon all the same: the level is the sender's until it leaves.
      items_[item].level = level;
    } else if (command == "send") {
      const bool left = SendItem(m, true) == Sent::Left;
      if (left != m->sent) return Fail("send-outcome", line + ": the message " + (m->sent ? "left" : "stayed"));
      if (left) ItemClosed(m);
      EndIfOutlookLeft();
      // A Send that ended the add-in (Outlook's last window) pays for the end.
      if (!costKey.empty() && Active()) {
        auto [it, first] = sendCost_.emplace(costKey, calls);
        if (!first && calls > it->second)
          return Fail("send-cost", "a compose window's Send made " + std::to_string(calls) + " host calls; the first of its kind made " +
                                       std::to_string(it->second));
        if (calls < it->second) it->second = calls;  // the first one also looked member names up
      }
    } else if (command == "answer") {
      for (size_t i = 1; i < words.size(); ++i) {
        if (words[i] == "reason" && i + 1 < words.size()) reasons_.push_back(words[++i]);
        else answers_.push_back(words[i] == "yes");
      }
    } else if (command == "to" || command == "cc" || command == "bcc") {
      for (size_t i = 1; i < words.size(); ++i) items_[m].outside = items_[m].outside || Outside(words[i]);
    } else if (command == "close") {
      ItemClosed(w->item);
    } else if (command == "next") {
      // The old message's Close ends the handlers of the windows showing it; the window's
      // own follows it to the message it shows now.
      const bool had = handled_.count(w) != 0;
      for (sim::Inspector* shown : HandledShowing(shownBefore)) Unhandle(shown);
      Unhandle(w);
      if (had) HandleWindow(w);
    } else if (command == "reply" || command == "reply-all" || command == "forward") {
      if (session_->windows().size() == windowsBefore) return;
      sim::Inspector* response = session_->windows().back();
      Answer(m, response->mail());
      HandleWindow(response);
    } else if (command == "arrive") {
      sim::MailItem* received = session_->inbox().back();
      Made(received);
      const std::string level = words.back();
      int own = 0, labelled = 0;
      if (words.size() > 2 && words[words.size() - 2] != "--label" &&
          level.find_first_not_of("0123456789") == std::string::npos)
        own = std::atoi(level.c_str());
      // A partner's label counts under StandardLabel when it names one of the levels, and the
      // higher of it and the message's own level holds.
      for (size_t i = 1; setup_.standardLabel && i + 1 < words.size(); ++i)
        for (int l = 1; words[i] == "--label" && l <= kLevels; ++l)
          if (words[i + 1] == names_[l]) labelled = l;
      items_[received].received = std::max(own, labelled);
    } else if (command == "select") {
      CloseInline(e);
      if (Active() && watched_.count(e)) {
        carried_ = carriedRead_ = 0;
        watched_[e] = MailOf(e->selection->items);
      }
    } else if (command == "switch") {
      CloseInline(e);
      if (Active() && watched_.count(e)) carried_ = carriedRead_ = 0;
    } else if (command == "click") {
      std::vector<sim::MailItem*> mail = MailOf(selection);
      if (!setup_.today && Active() && watched_.count(e)) {
        const auto [start, read] = SelectionLevel(selection);
        carried_ = std::max(carried_, start);
        carriedRead_ = std::max(carriedRead_, read);
      }
      if (session_->windows().size() == windowsBefore || mail.empty()) return;
      sim::Inspector* response = session_->windows().back();
      if (setup_.today) Answer(mail.front(), response->mail());
      else Made(response->mail());
      HandleWindow(response);
    } else if (command == "inline") {
      return Inline(arg, e, inlineItem, selection, line);
    } else if (command == "program-send") {
      if (outlook().sentMail.size() == sentBefore) {
        // Another add-in stopped it after this one let it go, at the level a new message has.
        if (Active()) record_.push_back(std::string("let go at ") + names_[kDefaultLevel]);
        stopArmed_ = false;  // the model only consumes the stop
        return;
      }
      sim::MailItem* sent = outlook().sentMail.back();
      Msg& s = items_[sent];
      s.mail = sent->IsMail();
      std::vector<std::string> texts;
      for (size_t i = 1; i < words.size(); ++i) {
        if (words[i] == "--to" && i + 1 < words.size()) s.outside = s.outside || Outside(words[++i]);
        else if (words[i] != "--meeting" && words[i] != "--task") texts.push_back(words[i]);
      }
      s.subject = texts.empty() ? "" : texts[0];
      s.body = texts.size() > 1 ? texts[1] : "";
      if (SendItem(sent, false) != Sent::Left) return Fail("send-outcome", line + ": the model stopped a message that left");
    } else if (command == "stop-next-send") {
      stopArmed_ = true;
    } else if (command == "store-move") {
      // The same message under a new entry id: nothing the sender sees changes.
    } else if (command == "resend") {
      sim::Inspector* opened = session_->windows().back();
      sim::MailItem* original = outlook().sentMail[size_t(std::atol(arg.c_str()) - 1)];
      Msg copy = items_[original];
      copy.received = 0;
      items_[opened->mail()] = copy;
      HandleWindow(opened);
    } else if (command == "respond") {
      sim::MailItem* request = w && w->mail() && w->mail()->itemClass == 53 ? w->mail() : nullptr;
      for (sim::MailItem* s : AllMail(selection))
        if (!request && s->itemClass == 53) request = s;
      Respond(words, request);
    } else if (command == "main-window") {
      if (arg == "open") {
        sim::Explorer* opened = outlook().explorers().back();
        if (Active()) {
          leaving_ = false;
          Watch(opened);
        }
      } else if (arg == "close") {
        CloseInline(e);
        const bool heard = watched_.erase(e) != 0;
        if (heard && Active() && outlook().explorers().empty()) leaving_ = true;
      }
    } else if (command == "addin") {
      if (arg == "untick") {
        End();
        connected_ = false;
      } else if (arg == "tick") {
        connected_ = true;
        ended_ = false;
        for (sim::Explorer* open : outlook().explorers()) Watch(open);
      }
    } else if (command == "shutdown") {
      End();
      connected_ = false;
    }
    EndIfOutlookLeft();
  }

  static std::vector<sim::MailItem*> AllMail(const std::vector<sim::DispatchObject*>& items) {
    std::vector<sim::MailItem*> mail;
    for (sim::DispatchObject* item : items)
      if (auto* m = dynamic_cast<sim::MailItem*>(item)) mail.push_back(m);
    return mail;
  }

  // A meeting request answered: the response starts at the request's level, sent at once
  // (nobody is shown it) or opened in a window.
  void Respond(const std::vector<std::string>& words, sim::MailItem* request) {
    sim::MailItem* response = session_->lastResponse();
    if (!request || !response) return;
    Msg& s = items_[response];
    const std::string verb = words[1] == "accept" ? "Accepted: " : words[1] == "tentative" ? "Tentative: " : "Declined: ";
    s.subject = verb + request->Subject();
    s.mail = false;
    s.outside = Outside(request->organizer);
    if (Heard(request) && ItemLevel(request)) {
      s.level = ItemLevel(request);
      s.answered = ItemLevel(request);
      s.carried = true;
    }
    if (words.size() > 2) return HandleWindow(session_->windows().back());
    const bool left = SendItem(response, false) == Sent::Left;
    if (left != response->sent) Fail("send-outcome", "respond " + words[1] + ": the response " + (response->sent ? "left" : "stayed"));
  }

  void Inline(const std::string& what, sim::Explorer* e, sim::MailItem* before,
              const std::vector<sim::DispatchObject*>& selection, const std::string& line) {
    if (what == "reply" || what == "reply-all" || what == "forward") {
      if (before) CloseInline(e);
      sim::MailItem* response = e->inlineResponse;
      std::vector<sim::MailItem*> mail = AllMail(selection);
      if (!response || mail.empty()) return;
      Answer(mail.front(), response);
      // Only mail written inline gets a handler of its own (a meeting forwarded inline is read
      // when Office asks).
      if (Active() && watched_.count(e) && response->IsMail()) {
        const int own = ItemLevel(response);
        const int level = Preselected(own ? own : carried_);
        if (!own && carried_ > 0) items_[response].answered = std::max(items_[response].answered, carriedRead_);
        carried_ = carriedRead_ = 0;
        items_[response].level = level;
        inline_[e] = {++order_, level, true};
      }
    } else if (what == "to") {
      std::vector<std::string> words;
      std::string error;
      words = orvan_sim::SplitWords(line, &error);
      for (size_t i = 2; i < words.size(); ++i) items_[before].outside = items_[before].outside || Outside(words[i]);
    } else if (what == "send") {
      const bool active = Active();
      const Sent sent = SendItem(before, true);
      const bool left = sent == Sent::Left;
      if (left != before->sent) return Fail("send-outcome", line + ": the message " + (before->sent ? "left" : "stayed"));
      // The response's own Send, where Outlook fires it, ends its handler: a stopped Send
      // leaves it without one.
      if (left || (active && sent == Sent::Stopped && setup_.inlineSendEvent)) CloseInline(e);
    } else if (what == "discard") {
      CloseInline(e);
    } else if (what == "pop-out") {
      CloseInline(e);
      HandleWindow(session_->windows().back());
    }
  }

  // ---- the checks after every step

  void CheckAfterStep() {
    CheckSent();
    if (outcome.failed) return;
    for (sim::Inspector* w : session_->windows())
      if (w->open && w->mail()) CheckWindow(w);
    if (outcome.failed || !setup_.today || !Active()) return;
    for (sim::Explorer* e : outlook().explorers())
      if (e->inlineResponse) CheckInline(e);
  }

  // A Yes the sender gave in this step to a question whose text says this.
  bool SaidYes(const std::string& about) const {
    const auto& boxes = session_->world().messageBoxes;
    for (size_t i = boxesBefore_; i < boxes.size(); ++i)
      if (boxes[i].answer == IDYES && boxes[i].text.find(about) != std::string::npos) return true;
    return false;
  }

  // The subject without the earlier marks README says the add-in takes away: one of each
  // level, up to the given one (a meeting's response keeps the request's higher mark).
  std::string Unmarked(std::string subject, int upTo) const {
    for (int l = 1; l <= upTo; ++l) {
      const std::string prefix = "[" + std::string(names_[l]) + "] ";
      size_t at = subject.find(prefix);
      if (at == std::string::npos) at = subject.find(" [" + std::string(names_[l]) + "]");
      if (at != std::string::npos) subject.erase(at, prefix.size());
    }
    return subject;
  }

  // The body the message must leave with: the sender's words, untouched, with exactly one
  // pair of the add-in's marks of the level around them (HTML: inside the body element),
  // or without any. The mark itself is the policy's label, level and footer: the model only
  // asks that both marks are the same text, naming that level and no other.
  std::string BodyProblem(const Msg& s, const std::string& sent, int marks) const {
    if (!s.mail || !marks) return sent == s.body ? "" : "its body changed";
    std::string head, inner, tail;
    const std::string top = s.html ? "<br><br>" : "\n\n", bottom = s.html ? "<br>" : "\n";
    if (s.html) {
      const size_t open = s.body.find("<body"), start = open == std::string::npos ? open : s.body.find('>', open);
      const size_t end = s.body.find("</body>");
      if (start == std::string::npos || end == std::string::npos || end < start) return sent == s.body ? "" : "its body changed";
      head = s.body.substr(0, start + 1);
      inner = s.body.substr(start + 1, end - start - 1);
      tail = s.body.substr(end);
    } else {
      inner = s.body;
    }
    const size_t fixed = head.size() + inner.size() + tail.size() + top.size() + bottom.size();
    if (sent.size() < fixed || (sent.size() - fixed) % 2 || sent.compare(0, head.size(), head) ||
        sent.compare(sent.size() - tail.size(), tail.size(), tail))
      return "its body is not the sender's with one pair of marks";
    const size_t markLength = (sent.size() - fixed) / 2;
    const std::string first = sent.substr(head.size(), markLength);
    const std::string after = sent.substr(head.size() + markLength, top.size());
    const std::string words = sent.substr(head.size() + markLength + top.size(), inner.size());
    const std::string before = sent.substr(head.size() + markLength + top.size() + inner.size(), bottom.size());
    const std::string second = sent.substr(sent.size() - tail.size() - markLength, markLength);
    if (words != s.body.substr(head.size(), inner.size())) return "the sender's words changed";
    if (after != top || before != bottom || first != second) return "its marks are not one pair";
    const std::string want = std::string(s.html ? "<b>" : "") + "Classification: " + names_[marks] + (s.html ? "</b>" : "");
    if (first.compare(0, want.size(), want) || Count(first, "Classification:") != 1)
      return "its marks are not \"" + want + "\"";
    return "";
  }

  void CheckSent() {
    const auto& sent = outlook().sentMail;
    for (; checkedSent_ < sent.size() && !outcome.failed; ++checkedSent_) {
      sim::MailItem* m = sent[checkedSent_];
      auto it = expected_.find(m);
      if (it == expected_.end()) return Fail("sent-unexpected", "\"" + m->Subject() + "\" left without the model sending it");
      const Expected& x = it->second;
      ++outcome.sent;
      const std::string body = m->SentBody(), subject = m->Subject();
      std::ostringstream why;
      const long numeric = Numeric(m);
      if (x.classified) {
        if (numeric < 1 || numeric > kLevels)
          return Fail("sent-unclassified", "\"" + subject + "\" left with MAPI level " + std::to_string(numeric) +
                                               " while the add-in was connected");
        // The promises of the rules, read off what left, whatever path sent it.
        if (rules_.justifyDowngrade && x.msg.answered > numeric && Record(m, "OrvanClassify-DowngradeReason").empty())
          return Fail("rule-reason", "\"" + subject + "\" left at level " + std::to_string(numeric) + ", below the " +
                                         std::to_string(x.msg.answered) + " it answers, without a reason in the message");
        if (rules_.on && !rules_.justifyDowngrade && x.msg.answered > numeric && !SaidYes("answers a message classified"))
          return Fail("rule-downgrade", "\"" + subject + "\" left at level " + std::to_string(numeric) + ", below the " +
                                            std::to_string(x.msg.answered) + " it answers, and nobody said Yes");
        if (rules_.on && numeric > 1 && x.msg.outside && !SaidYes("Outside them"))
          return Fail("rule-outside", "\"" + subject + "\" left at level " + std::to_string(numeric) +
                                          " for an address outside, and nobody said Yes");
        if (numeric != x.level) why << "MAPI level " << numeric << ", not " << x.level << "; ";
        if (Header(m) != std::to_string(x.level) + " - " + names_[x.level]) why << "header \"" << Header(m) << "\"; ";
        // The standard label, as a receiver reads what left: one field, of the level it left at.
        if (setup_.standardLabel) {
          std::string eml = sim::WriteEml(*m);
          size_t fields = 0;
          for (size_t at = 0; (at = eml.find("\r\nSIO-Label:", at)) != std::string::npos; ++at) ++fields;
          for (size_t at; (at = eml.find("\r\n ")) != std::string::npos;) eml.erase(at, 2);  // unfolded
          const std::string marking = "marking=\"" + std::string(names_[x.level]) + "\"; type=\":xml\"; label";
          if (fields != 1 || eml.find(marking) == std::string::npos)
            why << fields << " SIO-Label field(s), not one with " << marking << "; ";
        }
      } else if (numeric != (x.level ? x.level : -1)) {
        why << "MAPI level " << numeric << ", not " << x.level << "; ";
      }
      const std::string wantSubject =
          x.marks ? "[" + std::string(names_[x.marks]) + "] " + Unmarked(x.msg.subject, x.msg.mail ? kLevels : x.marks)
                  : x.msg.subject;
      if (subject != wantSubject) why << "subject \"" << subject << "\", not \"" << wantSubject << "\"; ";
      const std::string problem = BodyProblem(x.msg, body, x.marks);
      if (!problem.empty()) why << problem << " (marks of " << (x.marks ? names_[x.marks] : "no level") << " expected); ";
      if (!why.str().empty())
        Fail(x.classified ? "sent-level" : "sent-unstamped", "\"" + subject + "\": " + why.str() + "\n      body: " + body);
    }
  }

  // The command bar and the ribbon of a window show the level it holds.
  void CheckWindow(sim::Inspector* w) {
    sim::MailItem* m = w->mail();
    const std::string where = "window " + std::to_string(WindowNumber(w)) + " (\"" + m->Subject() + "\")";
    sim::CommandBar* bar = w->ClassificationBar();
    auto handled = handled_.find(w);
    if (handled == handled_.end() || (!handled->second.editable && !handled->second.level)) {
      if (bar) return Fail("bar", where + " shows a classification bar that no handler of the add-in owns");
    } else {
      const WindowState& state = handled->second;
      sim::Control* shown = nullptr;
      for (sim::Control* c : bar ? bar->controls->items : std::vector<sim::Control*>())
        if (c->tag == "OrvanClassification") shown = c;
      if (!shown) return Fail("bar", where + " has no level on its bar");
      const std::string text = state.editable ? shown->Text() : shown->caption;
      if (text != names_[state.level] || (shown->type == 3) != state.editable)
        return Fail("bar", where + "'s bar shows \"" + text + "\"; it holds " + names_[state.level] +
                               (state.editable ? "" : ", read-only"));
    }
    if (!setup_.today || !Active()) return;
    sim::Ribbon* r = outlook().ribbon();
    const bool read = m->sent;
    const char* ribbonId = read ? kReadRibbon : kComposeRibbon;
    if (!r || !r->Customized(ribbonId)) return;
    std::vector<sim::Ribbon::Shown> shown = r->Show(w, ribbonId, read ? "TabReadMessage" : "TabNewMailMessage");
    if (shown.size() != 1) return Fail("ribbon", where + " shows " + std::to_string(shown.size()) + " controls of the add-in");
    if (read) {
      const int level = ItemLevel(m);
      const std::string want = std::string("Classification: ") + (level ? names_[level] : "(none)");
      if (shown[0].label != want) Fail("ribbon", where + "'s ribbon says \"" + shown[0].label + "\", not \"" + want + "\"");
      return;
    }
    if (handled != handled_.end()) return ExpectDropDown(shown[0], handled->second.level, handled->second.editable, where);
    ExpectDropDown(shown[0], Preselected(ItemLevel(m)), true, where);
  }

  void CheckInline(sim::Explorer* e) {
    sim::Ribbon* r = outlook().ribbon();
    if (!r || !r->Customized(kExplorerRibbon)) return;
    sim::MailItem* m = e->inlineResponse;
    std::vector<sim::Ribbon::Shown> shown = r->Show(e, kExplorerRibbon, "TabMessage");
    const std::string where = "the inline response \"" + m->Subject() + "\"";
    if (shown.size() != 1) return Fail("ribbon", where + " shows " + std::to_string(shown.size()) + " controls of the add-in");
    auto handled = inline_.find(e);
    if (handled != inline_.end())
      return ExpectDropDown(shown[0], handled->second.level, handled->second.editable, where);
    ExpectDropDown(shown[0], Preselected(ItemLevel(m)), true, where);
  }

  void ExpectDropDown(const sim::Ribbon::Shown& shown, int level, bool editable, const std::string& where) {
    if (shown.selected == level - 1 && shown.enabled == editable) return;
    const std::string showing = shown.selected >= 0 && size_t(shown.selected) < shown.items.size()
                                    ? shown.items[size_t(shown.selected)]
                                    : "entry " + std::to_string(shown.selected);
    Fail("ribbon", where + "'s ribbon shows " + showing + (shown.enabled ? "" : " (greyed)") + "; it holds " +
                       names_[level] + (editable ? "" : " (greyed)"));
  }

  int WindowNumber(sim::Inspector* w) const {
    const auto& all = session_->windows();
    return int(std::find(all.begin(), all.end(), w) - all.begin()) + 1;
  }

  Setup setup_;
  Rules rules_;
  const char* const* names_ = kStandardNames;
  std::string appdata_;
  std::ostringstream out_, err_;
  std::unique_ptr<orvan_sim::Session> session_;
  ULONG objectsBefore_ = 0;
  int lineNumber_ = 0;
  std::vector<std::string> record_;  // the decisions the line made, as their events say them
  size_t eventsChecked_ = 0;
  size_t boxesBefore_ = 0;

  // The model.
  bool connected_ = false;
  bool ended_ = false;    // the add-in object is held but has ended (Outlook's last window closed)
  bool leaving_ = false;  // the last main window closed while other windows were open
  int carried_ = 0;       // the level the main window's buttons carry to the next window
  int carriedRead_ = 0;   // of it, the highest level read off the messages answered
  bool stopArmed_ = false;
  std::vector<std::string> reasons_;  // the answers given to reason dialogs still to come
  std::string reason_;  // the reason the last Send left with, as its event gives it
  std::vector<bool> answers_;  // the answers given to questions still to come, in turn
  long order_ = 0;
  std::map<sim::MailItem*, Msg> items_;
  std::map<sim::Inspector*, WindowState> handled_;
  std::map<sim::Explorer*, std::vector<sim::MailItem*>> watched_;  // main windows with a handler
  std::map<sim::Explorer*, WindowState> inline_;                    // inline responses with a handler
  std::map<sim::MailItem*, Expected> expected_;
  std::map<std::string, long> sendCost_;
  size_t checkedSent_ = 0;
};

// ---- the generator

class Generator {
 public:
  Generator(uint64_t seed, Runner& runner) : rng_(seed), runner_(runner) {}

  Step Next() {
    for (;;) {
      const int pick = Pick(110);
      Step s = Try(pick);
      if (!s.empty()) return s;
    }
  }

  Step End() { return {Chance(2) ? "shutdown fast" : "shutdown"}; }

 private:
  int Pick(int n) { return int(rng_() % uint64_t(n)); }
  bool Chance(int oneIn) { return Pick(oneIn) == 0; }
  std::string Level() { return std::to_string(1 + Pick(kLevels)); }
  std::string Address() { return kAddresses[Pick(int(sizeof kAddresses / sizeof kAddresses[0]))]; }
  // An answer to the next reason dialog: a listed reason, Other alone, too few words or
  // enough of one's own, or Cancel.
  std::string Reason() {
    static const char* const kAnswers[] = {"1", "2", "3", "4", "cancel", "\"too short\"", "\"the figures went out\"",
                                           "\"ça ne cite rien\""};
    return std::string("answer reason ") + kAnswers[Pick(int(sizeof kAnswers / sizeof kAnswers[0]))];
  }
  // The answers to the add-in's next questions: one or two, Yes or No.
  std::string Answers() {
    std::string line = "answer";
    for (int k = 1 + Pick(2); k > 0; --k) line += Chance(2) ? " yes" : " no";
    return line;
  }

  std::vector<int> Windows(bool wantRead) {
    std::vector<int> out;
    const auto& all = runner_.session().windows();
    for (size_t i = 0; i < all.size(); ++i)
      if (all[i]->open && all[i]->mail() && all[i]->mail()->sent == wantRead) out.push_back(int(i + 1));
    return out;
  }

  template <class T>
  T Any(const std::vector<T>& v) {
    return v[size_t(Pick(int(v.size())))];
  }

  Step OnWindow(bool read, std::vector<std::string> then) {
    std::vector<int> w = Windows(read);
    if (w.empty()) return {};
    Step s{"window " + std::to_string(Any(w))};
    s.insert(s.end(), then.begin(), then.end());
    return s;
  }

  Step WithAnswers(Step s) {
    if (!s.empty() && runner_.setup().warn && Chance(2)) s.insert(s.begin(), Answers());
    if (!s.empty() && runner_.setup().justify && Chance(2)) s.insert(s.begin(), Reason());
    return s;
  }

  Step Try(int pick) {
    const bool today = runner_.setup().today;
    sim::Outlook& o = runner_.outlook();
    sim::Explorer* e = o.app()->activeExplorer;
    const size_t inbox = runner_.session().inbox().size();
    const int n = ++made_;
    if (pick < 10) return {"compose " + std::string(Chance(2) ? "plain" : "html") + " " + Quote("Plans " + std::to_string(n)) +
                           " " + Quote("Words " + std::to_string(n))};
    if (pick < 14) return OnWindow(false, {"choose " + Level()});
    if (pick < 16) return OnWindow(false, {std::string(Chance(3) ? (Chance(2) ? "cc " : "bcc ") : "to ") + Quote(Address())});
    if (pick < 20) return today ? OnWindow(false, {"ribbon " + Level()}) : Step();
    if (pick < 29) {
      Step s = OnWindow(false, {"send"});
      if (!s.empty() && Chance(4)) s.insert(s.begin(), "stop-next-send");
      return WithAnswers(s);
    }
    if (pick < 32) return OnWindow(false, {"close"});
    if (pick < 38) {
      const int level = Pick(kLevels + 1);
      const bool meeting = Chance(4);
      static const char* const kLabels[] = {"UNCLASSIFIED", "CONFIDENTIAL", "SECRET", "SECRET//REL TO USA, GBR", "COSMIC"};
      return {"arrive " + std::string(meeting ? "--meeting " : "") +
              (meeting && Chance(2) ? "--from c@partner.example " : "") +
              (Chance(3) ? "--label " + Quote(kLabels[Pick(5)]) + " " : "") + Quote("Report " + std::to_string(n)) +
              (level ? " " + std::to_string(level) : "")};
    }
    if (pick < 42) return inbox ? Step{"open " + std::to_string(1 + Pick(int(inbox)))} : Step();
    if (pick < 44) return inbox ? OnWindow(true, {"next " + std::to_string(1 + Pick(int(inbox)))}) : Step();
    if (pick < 48) return OnWindow(true, {Any(std::vector<std::string>{"reply", "reply-all", "forward"})});
    if (pick < 54) {
      if (!e || !inbox) return {};
      std::string line = "select";
      // Now and then more messages than an answer reads for its level.
      for (int k = Chance(12) ? int(kMostRead) + 1 + Pick(8) : 1 + Pick(3); k > 0; --k)
        line += " " + std::to_string(1 + Pick(int(inbox)));
      if (Chance(8)) line += " task";
      return {line};
    }
    if (pick < 57) return e ? Step{"click " + Any(std::vector<std::string>{"reply", "reply-all", "forward"})} : Step();
    if (pick < 59) return e ? Step{Chance(2) ? "switch folder" : "switch view"} : Step();
    if (pick < 85 && !today) return Moves(pick);
    if (pick < 65) return e ? Step{"inline " + Any(std::vector<std::string>{"reply", "reply-all", "forward"})} : Step();
    if (pick < 68) return e && e->inlineResponse ? Step{"inline choose " + Level()} : Step();
    if (pick < 69) return e && e->inlineResponse ? Step{"inline to " + Quote(Address())} : Step();
    if (pick < 74) {
      if (!e || !e->inlineResponse) return {};
      return WithAnswers(Chance(4) ? Step{"stop-next-send", "inline send"} : Step{"inline send"});
    }
    if (pick < 75) return e && e->inlineResponse ? Step{"inline discard"} : Step();
    if (pick < 77) return e && e->inlineResponse ? Step{"inline pop-out"} : Step();
    if (pick < 79) {
      std::string line = "program-send ";
      if (Chance(4)) line += Chance(2) ? "--meeting " : "--task ";
      if (Chance(2)) line += "--to " + Quote(Address()) + " ";
      return {line + Quote("Report " + std::to_string(n)) + " " + Quote("All green")};
    }
    if (pick < 80) return {"redraw"};
    if (pick < 81) {
      // The bar dragged elsewhere: where it stands is the user's, what it shows the add-in's.
      return OnWindow(false, {"move " + std::to_string(Pick(900)) + " " + std::to_string(Pick(700)) + " " +
                                  (Chance(2) ? "1" : "4") + " " + std::to_string(Pick(4))});
    }
    if (pick < 85) return Moves(pick);
    if (pick < 87) return {"main-window open"};
    if (pick < 88) return o.explorers().size() > 1 || Chance(4) ? Step{"main-window close"} : Step();
    if (pick < 91) {
      if (o.explorers().size() < 2) return {};
      return {"main-window " + std::to_string(1 + Pick(int(runner_.session().mainWindows().size())))};
    }
    if (pick < 93) return runner_.Connected() ? Step{"addin untick"} : Step{"addin tick"};
    if (pick < 97) return runner_.Connected() ? Step() : Step{"addin tick"};
    if (pick < 98) return {"addin forget"};
    if (pick < 99) return {"register"};
    return Moves(pick);
  }

  // The moves that once walked around the rules and the marks: a Send stopped and tried
  // again with other recipients or another level, a message moved in the store or resent,
  // a read window moved on and answered, a meeting answered, a window of another item
  // keeping Outlook open.
  Step Moves(int pick) {
    const size_t inbox = runner_.session().inbox().size();
    const size_t sent = runner_.outlook().sentMail.size();
    switch (pick % 8) {
      case 0: {
        Step s = OnWindow(false, {"stop-next-send", "send"});
        if (s.empty()) return s;
        s.push_back(Chance(2) ? "to " + Quote(Address()) : runner_.setup().today ? "ribbon " + Level() : "choose " + Level());
        s.push_back("send");
        return WithAnswers(s);
      }
      case 1: return OnWindow(false, {"store-move"});
      case 2: return sent ? Step{"resend " + std::to_string(1 + Pick(int(sent)))} : Step();
      case 3:
        if (inbox < 2) return {};
        return {"open " + std::to_string(1 + Pick(int(inbox))), "next " + std::to_string(1 + Pick(int(inbox))),
                Any(std::vector<std::string>{"reply", "reply-all", "forward"})};
      case 4: {
        const std::string how = Any(std::vector<std::string>{"accept", "decline", "tentative"});
        Step s = OnWindow(true, {"respond " + how + (Chance(2) ? " --edit" : "")});
        if (s.empty() && inbox) s = {"select " + std::to_string(1 + Pick(int(inbox))), "respond " + how};
        return WithAnswers(s);
      }
      case 5: return {"open " + Any(std::vector<std::string>{"task", "contact", "appointment"})};
      case 6: {
        std::vector<int> other;
        const auto& all = runner_.session().windows();
        for (size_t i = 0; i < all.size(); ++i)
          if (all[i]->open && !all[i]->mail()) other.push_back(int(i + 1));
        return other.empty() ? Step() : Step{"window " + std::to_string(Any(other)), "close"};
      }
      default: return runner_.outlook().explorers().empty() ? Step() : Step{"main-window close"};
    }
  }

  std::mt19937_64 rng_;
  Runner& runner_;
  int made_ = 0;
};

// ---- playing in a child process, so that a crash or a sanitizer's abort is a failure
// like any other: reported with its seed, shrunk and printed. The child sends each step
// before it plays it, and the outcome at the end; records and fields are separated by
// characters that no orvan-sim line holds.

void WriteAll(int fd, const std::string& data) {
  for (size_t at = 0; at < data.size();) {
    const ssize_t n = write(fd, data.data() + at, data.size() - at);
    if (n <= 0) return;
    at += size_t(n);
  }
}

std::string EncodeStep(const Step& step) {
  std::string out = "S";
  for (const std::string& line : step) out += line + '\x1e';
  return out + '\x1d';
}

std::string EncodeOutcome(const Outcome& o) {
  return std::string("O") + (o.failed ? "1" : "0") + '\x1f' + o.check + '\x1f' + o.detail + '\x1f' +
         std::to_string(o.step) + '\x1f' + std::to_string(o.steps) + '\x1f' + std::to_string(o.sent) + '\x1d';
}

// Returns whether the outcome record was there.
bool Decode(const std::string& data, Outcome* o, std::vector<Step>* steps) {
  bool ended = false;
  for (size_t at = 0; at < data.size();) {
    size_t end = data.find('\x1d', at);
    if (end == std::string::npos) break;
    const std::string record = data.substr(at + 1, end - at - 1);
    if (data[at] == 'S' && steps) {
      Step step;
      for (size_t p = 0; p < record.size();) {
        const size_t e = record.find('\x1e', p);
        step.push_back(record.substr(p, e - p));
        p = e + 1;
      }
      steps->push_back(step);
    } else if (data[at] == 'O') {
      std::vector<std::string> f;
      for (size_t p = 0; p <= record.size();) {
        size_t e = record.find('\x1f', p);
        if (e == std::string::npos) e = record.size();
        f.push_back(record.substr(p, e - p));
        p = e + 1;
      }
      if (f.size() == 6) {
        o->failed = f[0] == "1";
        o->check = f[1];
        o->detail = f[2];
        o->step = size_t(std::atol(f[3].c_str()));
        o->steps = std::atol(f[4].c_str());
        o->sent = std::atol(f[5].c_str());
        ended = true;
      }
    }
    at = end + 1;
  }
  return ended;
}

using StepSink = std::function<void(const Step&)>;

#ifdef ORVAN_COVERAGE
extern "C" void __gcov_dump();
#endif

Outcome Isolated(const std::function<Outcome(const StepSink&)>& play, std::vector<Step>* played, bool quiet) {
  int fds[2];
  if (pipe(fds) != 0) return play([&](const Step& s) { if (played) played->push_back(s); });
  std::cout.flush();
  std::cerr.flush();
  const pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    return play([&](const Step& s) { if (played) played->push_back(s); });
  }
  if (child == 0) {
    close(fds[0]);
    if (quiet) {
      const int null = open("/dev/null", O_WRONLY);
      if (null >= 0) dup2(null, 2);
    }
    const Outcome o = play([&](const Step& step) { WriteAll(fds[1], EncodeStep(step)); });
    WriteAll(fds[1], EncodeOutcome(o));
    close(fds[1]);
#ifdef ORVAN_COVERAGE
    __gcov_dump();
#endif
    _exit(0);
  }
  close(fds[1]);
  std::string data;
  char buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) data.append(buffer, size_t(n));
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  Outcome o;
  if (played) played->clear();
  const bool ended = Decode(data, &o, played);
  if (!ended || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    o.failed = true;
    o.check = "crash";
    o.detail = WIFSIGNALED(status) ? "the session died of signal " + std::to_string(WTERMSIG(status))
                                   : "the session ended with status " + std::to_string(WEXITSTATUS(status)) +
                                         " (a sanitizer's report is above)";
    o.steps = played ? long(played->size()) : 0;
    o.step = o.steps ? size_t(o.steps - 1) : 0;
  }
  return o;
}

bool StillFails(const Setup& setup, const std::vector<Step>& steps, const std::string& check) {
  const Outcome o = Isolated([&](const StepSink&) { return Replay(setup, steps); }, nullptr, true);
  return o.failed && o.check == check;
}

}  // namespace

Setup SetupOf(uint64_t seed, const std::set<std::string>& ignore) {
  std::mt19937_64 rng(seed ^ 0x5e55104u);
  Setup s;
  s.ignore = ignore;
  s.today = rng() % 3 != 0;
  s.inlineSendEvent = rng() % 4 != 0;
  s.strict = rng() % 3 == 0;
  s.warn = s.strict && rng() % 2 == 0;
  s.policyNoise = s.strict ? int(rng() % 3) : 0;
  s.oddLevels = rng() % 5 == 0;
  s.justify = s.strict && rng() % 3 == 0;
  s.standardLabel = rng() % 4 == 0;
  return s;
}

Outcome Play(uint64_t seed, size_t length, const std::set<std::string>& ignore,
             const std::function<void(const Step&)>& played) {
  const Setup setup = SetupOf(seed, ignore);
  Runner runner(setup);
  Generator generator(seed, runner);
  for (size_t i = 0; i <= length && runner.Running(); ++i) {
    const Step step = i < length ? generator.Next() : generator.End();
    played(step);
    if (!runner.Do(step)) return runner.outcome;
  }
  runner.Finish();
  return runner.outcome;
}

Outcome Replay(const Setup& setup, const std::vector<Step>& steps) {
  Runner runner(setup);
  for (const Step& step : steps)
    if (!runner.Do(step)) return runner.outcome;
  runner.Finish();
  return runner.outcome;
}

std::vector<Step> Shrink(const Setup& setup, std::vector<Step> steps, const std::string& check) {
  // Whole steps first, in halves and then one by one; then single lines of what is left.
  for (size_t chunk = steps.size() / 2; chunk >= 1; chunk /= 2) {
    for (size_t at = 0; at + chunk <= steps.size();) {
      std::vector<Step> fewer = steps;
      fewer.erase(fewer.begin() + long(at), fewer.begin() + long(at + chunk));
      if (StillFails(setup, fewer, check)) steps = std::move(fewer);
      else at += chunk;
    }
    if (chunk == 1) break;
  }
  for (size_t i = 0; i < steps.size(); ++i)
    for (size_t j = 0; steps[i].size() > 1 && j < steps[i].size();) {
      std::vector<Step> fewer = steps;
      fewer[i].erase(fewer[i].begin() + long(j));
      if (StillFails(setup, fewer, check)) steps = std::move(fewer);
      else ++j;
    }
  return steps;
}

std::string Script(const Setup& setup, const std::vector<Step>& steps, uint64_t seed, const std::string& why) {
  std::ostringstream s;
  s << "# randomized session, seed " << seed << (setup.inlineSendEvent ? "" : "; inline responses fire no Send event");
  for (const std::string& check : setup.ignore) s << "; ignoring " << check;
  const std::vector<std::string> policy = PolicyOf(setup);
  if (!policy.empty()) {
    s << "\n# Group Policy: --registry FILE holding\n#   REGEDIT4\n#   [HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\Orvan\\Classify]";
    for (const std::string& line : policy) s << "\n#   " << line;
  }
  s
    << "\n# " << why << "\n# orvan-sim run FILE" << (setup.today ? " --outlook today" : "") << "\n";
  // A step of several lines: its later lines indented, which orvan-sim passes over.
  for (const Step& step : steps)
    for (size_t i = 0; i < step.size(); ++i) s << (i ? "  " : "") << step[i] << "\n";
  return s.str();
}

Report Run(uint64_t first, long sessions, double seconds, std::ostream& out, const std::set<std::string>& ignore) {
  Report report;
  const auto start = std::chrono::steady_clock::now();
  for (uint64_t seed = first;; ++seed) {
    if (sessions > 0 && report.sessions >= sessions) break;
    if (seconds > 0 &&
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >= seconds)
      break;
    std::vector<Step> played;
    const size_t length = 40 + size_t(seed % 7) * 30;
    Outcome o = Isolated([&](const StepSink& sink) { return Play(seed, length, ignore, sink); }, &played, false);
    ++report.sessions;
    for (const Step& step : played)
      for (const std::string& line : step) report.commands.insert(line.substr(0, line.find(' ')));
    report.steps += o.steps;
    report.sent += o.sent;
    if (!o.failed) continue;
    report.failedSeeds.push_back(seed);
    const Setup setup = SetupOf(seed, ignore);
    std::vector<Step> shortest = Shrink(setup, played, o.check);
    // Once more with what it prints (a sanitizer's report), now for the short sequence.
    const Outcome again = Isolated([&](const StepSink&) { return Replay(setup, shortest); }, nullptr, false);
    out << "session " << seed << " failed (" << o.check << ") after step " << o.step + 1 << ": " << o.detail << "\n"
        << "shrunk from " << played.size() << " to " << shortest.size() << " steps; it fails there with: "
        << again.detail << "\n"
        << Script(setup, shortest, seed, again.check + ": " + again.detail) << "\n";
  }
  return report;
}

}  // namespace random_session

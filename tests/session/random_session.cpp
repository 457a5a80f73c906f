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
#include "classify/settings.h"
#include "com/module.h"
#include "diag/session_log.h"
#include "platform/portable/registry.h"
#include "session.h"
#include "sim/ribbon.h"

namespace random_session {

namespace {

// The standard policy: three levels, the first preselected, marks top and bottom.
constexpr int kLevels = 3;
constexpr int kDefaultLevel = 1;
const char* const kNames[] = {"", "UNCLASSIFIED", "CONFIDENTIAL", "SECRET"};
constexpr size_t kMostLooked = 8;  // the selected items among which the first message is watched

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

std::string Quote(const std::string& text) { return "\"" + text + "\""; }

// What the model knows of a message.
struct ItemState {
  int received = 0;  // the level its header gave when it arrived
  int written = 0;   // the numeric level written into it (0: none)
  int stamped = 0;   // the level it was stamped with at a Send (0: not stamped)
  int answered = 0;  // the level of the message it answers, as the add-in learnt it
  bool outside = false;  // a recipient outside acme.example (or none found)
};

// The recipients the generator gives, and whether each is outside acme.example as the
// strict policy sees it (a list by its members, an unresolved name as outside).
const char* const kAddresses[] = {"a@acme.example", "b@sub.acme.example", "ex:y@acme.example",
                                  "dl:team@acme.example=x@acme.example,ex:z@acme.example", "c@partner.example",
                                  "?Bob", "dl:mixed@acme.example=x@acme.example,d@partner.example",
                                  "e@acme.example.evil.example"};
constexpr size_t kInsideAddresses = 4;  // the first ones
bool Outside(const std::string& address) {
  for (size_t i = 0; i < kInsideAddresses; ++i)
    if (address == kAddresses[i]) return false;
  return true;
}

// A window the add-in handles: the level it holds, and whether it can be changed there.
struct WindowState {
  long order;  // its item sink's place among the item's sinks
  int level;
  bool editable;
};

// What a message that left must carry.
struct Expected {
  int stamped;  // the level it was stamped with, or 0 when nothing stamped it
  int written;  // otherwise: the numeric level it carries (0: none)
};

class Runner {
 public:
  explicit Runner(const Setup& setup) : setup_(setup) {
    char templ[] = "/tmp/orvan-session-XXXXXX";
    if (const char* made = mkdtemp(templ)) appdata_ = made;
    setenv("APPDATA", appdata_.c_str(), 1);
    portable_registry::Clear();
    ClassificationSettings::NextDefaults() = SettingsDefaults::Compiled();
    if (setup.strict) {
      SettingsDefaults& d = ClassificationSettings::NextDefaults();
      d.DowngradeRule = setup.warn ? SendRule::Warn : SendRule::Block;
      d.InternalDomainList = "acme.example";
      d.ExternalMaxLevel = 1;
      d.ExternalRule = setup.warn ? SendRule::Warn : SendRule::Block;
    }
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
      if (outcome.failed) break;
    }
    if (!outcome.failed) CheckAfterStep();
    if (outcome.failed) outcome.step = size_t(outcome.steps);
    ++outcome.steps;
    return !outcome.failed;
  }

  // The session's end: Outlook gone, every object of the library with it.
  void Finish() {
    if (outcome.failed) return;
    if (session_->Running()) Line("shutdown");
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

  int ItemLevel(sim::MailItem* m) {
    const ItemState& s = items_[m];
    if (s.written > 0) return s.written;
    return s.received >= 1 && s.received <= kLevels ? s.received : 0;
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
    if (!Active() || !m) return;
    const int own = ItemLevel(m);
    if (m->sent) {  // a read window: the level it shows; one without a level leaves the carried level
      if (own) carried_ = 0;
      handled_[w] = {++order_, own, false};
      return;
    }
    const int level = Preselected(own ? own : carried_);
    if (!own && carried_ > 0) items_[m].answered = carried_;  // what the buttons carried, it answers
    carried_ = 0;
    if (items_[m].stamped) {  // stamped by a Send that was stopped: shown, not changed
      handled_[w] = {++order_, items_[m].stamped, false};
      return;
    }
    items_[m].written = level;
    handled_[w] = {++order_, level, true};
  }

  void Unhandle(sim::Inspector* w) {
    if (!handled_.erase(w)) return;
    if (exiting_ && handled_.empty()) End();
  }

  // Everything of the add-in ends: the last main window closed, a shutdown, an untick.
  void End() {
    handled_.clear();
    watched_.clear();
    inline_.clear();
    inlineItems_.clear();
    carried_ = 0;
    exiting_ = false;
    ended_ = true;
  }

  void Watch(sim::Explorer* e) {
    if (!Active()) return;
    watched_[e] = MailOf(e->selection->items);
  }

  // The selected message whose answers carry its level: the first among the first items.
  static std::vector<sim::MailItem*> MailOf(const std::vector<sim::DispatchObject*>& items) {
    for (size_t i = 0; i < items.size() && i < kMostLooked; ++i)
      if (auto* m = dynamic_cast<sim::MailItem*>(items[i])) return {m};
    return {};
  }

  // Whether Reply, Reply to All or Forward on the message reaches a sink of the add-in.
  bool Heard(sim::MailItem* answered) {
    if (!Active()) return false;
    if (!HandledShowing(answered).empty()) return true;
    // The selection is watched where the main window offers ExplorerEvents_10 (today's).
    if (!setup_.today) return false;
    for (auto& [e, mail] : watched_)
      if (std::find(mail.begin(), mail.end(), answered) != mail.end()) return true;
    return false;
  }

  // The answered message's Reply event: the response starts with its level.
  void Answer(sim::MailItem* answered, sim::MailItem* response) {
    items_[response];
    if (Heard(answered) && ItemLevel(answered)) {
      items_[response].written = ItemLevel(answered);
      items_[response].answered = ItemLevel(answered);
    }
  }

  // Stamped: every window and inline response still showing it shows the level, greyed.
  void Stamp(sim::MailItem* m, int level) {
    items_[m].stamped = level;
    items_[m].written = level;
    for (auto& [w, state] : handled_)
      if (w->item == m) state = {state.order, level, false};
    for (auto& [e, state] : inline_)
      if (inlineItems_[e] == m) state = {state.order, level, false};
  }

  // A Send of the item: the handlers of every window showing it, then Application.ItemSend,
  // then the other add-in. Returns whether it left, as the model says.
  // Whether the strict policy refuses the message at this level: nothing is written, the
  // Send stops there, and the other add-in never hears it. Under warn, each rule broken asks
  // a sender who is there (a window or inline response of the add-in shows the message),
  // in turn, and takes the next answer given (none: No); nobody there is a refusal.
  bool Refused(sim::MailItem* m, int level, bool senderPresent) {
    if (!setup_.strict) return false;
    const ItemState& s = items_[m];
    for (bool broken : {s.answered > level, level > 1 && s.outside}) {
      if (!broken) continue;
      if (!setup_.warn || !senderPresent) return true;
      const bool yes = !answers_.empty() && answers_.front();
      if (!answers_.empty()) answers_.erase(answers_.begin());
      if (!yes) return true;
    }
    return false;
  }

  // Whether a window or inline response of the add-in shows the message.
  bool Shown(sim::MailItem* m) {
    if (!HandledShowing(m).empty()) return true;
    for (auto& [e, state] : inline_)
      if (inlineItems_[e] == m) return true;
    return false;
  }

  bool SendItem(sim::MailItem* m, sim::Explorer* inlineOf) {
    if (Active()) {
      if (inlineOf && setup_.inlineSendEvent && inline_.count(inlineOf)) {
        if (!items_[m].stamped) {
          if (Refused(m, inline_[inlineOf].level, true)) return false;
          Stamp(m, inline_[inlineOf].level);
        }
        CloseInline(inlineOf);
      }
      if (!inlineOf)
        for (sim::Inspector* w : HandledShowing(m)) {
          const WindowState state = handled_[w];
          if (!items_[m].stamped) {
            const int level = state.editable ? state.level : 1;
            if (Refused(m, level, true)) return false;
            Stamp(m, level);
          }
          Unhandle(w);
          if (!Active()) break;
        }
      if (Active() && !items_[m].stamped) {
        if (Refused(m, Preselected(items_[m].written), Shown(m))) return false;
        Stamp(m, Preselected(items_[m].written));
      }
    }
    const bool stopped = std::exchange(stopArmed_, false);
    if (!stopped) expected_[m] = {items_[m].stamped, items_[m].written};
    return !stopped;
  }

  void ItemClosed(sim::DispatchObject* item) {
    for (sim::Inspector* w : HandledShowing(item)) Unhandle(w);
  }

  void CloseInline(sim::Explorer* e) {
    inline_.erase(e);
    inlineItems_.erase(e);
  }

  // ---- one orvan-sim line, and what it does to the model

  void Line(const std::string& line) {
    std::string error;
    const std::vector<std::string> words = orvan_sim::SplitWords(line, &error);
    if (words.empty()) return;
    const std::string& command = words[0];
    const std::string arg = words.size() > 1 ? words[1] : "";
    sim::Inspector* w = session_->current();
    if (w && !w->open) w = nullptr;
    sim::MailItem* m = w ? w->mail() : nullptr;
    sim::DispatchObject* shownBefore = w ? w->item : nullptr;
    sim::Explorer* e = outlook().app()->activeExplorer;
    sim::MailItem* inlineItem = e ? e->inlineResponse : nullptr;
    const size_t windowsBefore = session_->windows().size();
    const size_t sentBefore = outlook().sentMail.size();
    const std::vector<sim::DispatchObject*> selection = e ? e->selection->items : std::vector<sim::DispatchObject*>();
    // The host calls of a compose window's first Send, which must not grow with the session.
    std::string costKey;
    // (Under the strict policy a Send also reads its recipients: its cost grows with them.)
    if (command == "send" && m && handled_.count(w) && handled_[w].editable && HandledShowing(m).size() == 1 &&
        !items_[m].stamped && !setup_.strict) {
      const sim::Ribbon* r = outlook().ribbon();
      int docs = 0;
      for (const char* id : {kComposeRibbon, kReadRibbon, kExplorerRibbon}) docs += r && r->Customized(id);
      costKey = std::to_string(m->bodyFormat) + "/" + std::to_string(docs) + "/" + std::to_string(stopArmed_);
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

    if (command == "compose" || command == "open") {
      sim::Inspector* opened = session_->windows().back();
      items_[opened->mail()];
      HandleWindow(opened);
    } else if (command == "choose") {
      if (handled_.count(w) && handled_[w].editable) {
        handled_[w].level = std::atoi(arg.c_str());
        items_[m].written = handled_[w].level;
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
      } else if (items_[item].stamped) {
        return;  // greyed: a stamped message keeps the level its marks show
      }
      items_[item].written = level;
    } else if (command == "send") {
      const bool left = SendItem(m, nullptr);
      if (left != m->sent) return Fail("send-outcome", line + ": the message " + (m->sent ? "left" : "stayed"));
      // A Send that ended the add-in (the last window after the main windows) skips the
      // ItemSend the others pay for.
      if (!costKey.empty() && Active()) {
        auto [it, first] = sendCost_.emplace(costKey, calls);
        if (!first && calls > it->second)
          return Fail("send-cost", "a compose window's Send made " + std::to_string(calls) + " host calls; the first of its kind made " +
                                       std::to_string(it->second));
        if (calls < it->second) it->second = calls;  // the first one also looked member names up
      }
    } else if (command == "answer") {
      for (size_t i = 1; i < words.size(); ++i) answers_.push_back(words[i] == "yes");
    } else if (command == "to" || command == "cc" || command == "bcc") {
      for (size_t i = 1; i < words.size(); ++i) items_[m].outside = items_[m].outside || Outside(words[i]);
    } else if (command == "close") {
      ItemClosed(w->item);
    } else if (command == "next") {
      for (sim::Inspector* shown : HandledShowing(shownBefore)) Unhandle(shown);
      Unhandle(w);  // it showed the old message when the Close came
    } else if (command == "reply" || command == "reply-all" || command == "forward") {
      if (session_->windows().size() == windowsBefore) return;
      sim::Inspector* response = session_->windows().back();
      Answer(m, response->mail());
      HandleWindow(response);
    } else if (command == "arrive") {
      sim::MailItem* received = session_->inbox().back();
      items_[received].received = words.size() > 2 ? std::atoi(words[2].c_str()) : 0;
    } else if (command == "select") {
      CloseInline(e);
      if (Active() && watched_.count(e)) {
        carried_ = 0;
        watched_[e] = MailOf(e->selection->items);
      }
    } else if (command == "switch") {
      CloseInline(e);
      if (Active() && watched_.count(e)) carried_ = 0;
    } else if (command == "click") {
      std::vector<sim::MailItem*> mail = MailOf(selection);
      if (!setup_.today && Active() && watched_.count(e))
        for (sim::MailItem* s : AllMail(selection)) carried_ = std::max(carried_, ItemLevel(s));
      if (session_->windows().size() == windowsBefore || mail.empty()) return;
      sim::Inspector* response = session_->windows().back();
      if (setup_.today) Answer(mail.front(), response->mail());
      else items_[response->mail()];
      HandleWindow(response);
    } else if (command == "inline") {
      return Inline(arg, e, inlineItem, selection, line);
    } else if (command == "program-send") {
      if (outlook().sentMail.size() == sentBefore) {
        SendItemUnknown();
        return;
      }
      sim::MailItem* sent = outlook().sentMail.back();
      items_[sent];
      if (!SendItem(sent, nullptr)) return Fail("send-outcome", line + ": the model stopped a message that left");
    } else if (command == "stop-next-send") {
      stopArmed_ = true;
    } else if (command == "main-window") {
      if (arg == "open") {
        sim::Explorer* opened = outlook().explorers().back();
        if (Active()) {
          exiting_ = false;
          Watch(opened);
        }
      } else if (arg == "close") {
        CloseInline(e);
        const bool heard = watched_.erase(e) != 0;
        if (heard && Active() && outlook().explorers().empty()) {
          if (handled_.empty()) End();
          else exiting_ = true;
        }
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
  }

  static std::vector<sim::MailItem*> AllMail(const std::vector<sim::DispatchObject*>& items) {
    std::vector<sim::MailItem*> mail;
    for (sim::DispatchObject* item : items)
      if (auto* m = dynamic_cast<sim::MailItem*>(item)) mail.push_back(m);
    return mail;
  }

  // A program's message that another add-in stopped: it never reaches the outbox, and the
  // model only consumes the stop.
  void SendItemUnknown() { stopArmed_ = false; }

  void Inline(const std::string& what, sim::Explorer* e, sim::MailItem* before,
              const std::vector<sim::DispatchObject*>& selection, const std::string& line) {
    if (what == "reply" || what == "reply-all" || what == "forward") {
      if (before) CloseInline(e);
      sim::MailItem* response = e->inlineResponse;
      std::vector<sim::MailItem*> mail = AllMail(selection);
      if (!response || mail.empty()) return;
      Answer(mail.front(), response);
      inlineItems_[e] = response;
      if (Active() && watched_.count(e)) {
        const int own = ItemLevel(response);
        const int level = Preselected(own ? own : carried_);
        if (!own && carried_ > 0) items_[response].answered = carried_;
        carried_ = 0;
        items_[response].written = level;
        inline_[e] = {++order_, level, true};
      }
    } else if (what == "to") {
      std::vector<std::string> words;
      std::string error;
      words = orvan_sim::SplitWords(line, &error);
      for (size_t i = 2; i < words.size(); ++i) items_[before].outside = items_[before].outside || Outside(words[i]);
    } else if (what == "send") {
      const bool left = SendItem(before, e);
      if (left != before->sent) return Fail("send-outcome", line + ": the message " + (before->sent ? "left" : "stayed"));
      if (left) CloseInline(e);
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

  void CheckSent() {
    const auto& sent = outlook().sentMail;
    for (; checkedSent_ < sent.size() && !outcome.failed; ++checkedSent_) {
      sim::MailItem* m = sent[checkedSent_];
      auto it = expected_.find(m);
      if (it == expected_.end()) return Fail("sent-unexpected", "\"" + m->Subject() + "\" left without the model sending it");
      const Expected x = it->second;
      ++outcome.sent;
      const std::string body = m->SentBody(), subject = m->Subject();
      std::ostringstream why;
      if (x.stamped) {
        const std::string name = kNames[x.stamped];
        if (Numeric(m) != x.stamped) why << "MAPI level " << Numeric(m) << ", not " << x.stamped << "; ";
        if (Header(m) != std::to_string(x.stamped) + " - " + name) why << "header \"" << Header(m) << "\"; ";
        for (int l = 1; l <= kLevels; ++l) {
          const size_t marks = Count(body, std::string("Classification: ") + kNames[l]);
          const size_t tags = Count(subject, std::string("[") + kNames[l] + "]");
          if (marks != (l == x.stamped ? 2u : 0u)) why << marks << " body mark(s) of " << kNames[l] << "; ";
          if (tags != (l == x.stamped ? 1u : 0u)) why << tags << " subject mark(s) of " << kNames[l] << "; ";
        }
        if (!why.str().empty()) why << "expected " << name << " once";
      } else {
        if (Numeric(m) != (x.written ? x.written : -1)) why << "MAPI level " << Numeric(m) << ", not " << x.written << "; ";
        if (Count(body, "Classification:") || Count(subject, "[")) why << "marked by no add-in, yet marked";
      }
      if (!why.str().empty())
        Fail(x.stamped ? "sent-level" : "sent-unstamped", "\"" + subject + "\": " + why.str() + "\n      body: " + body);
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
      if (text != kNames[state.level] || (shown->type == 3) != state.editable)
        return Fail("bar", where + "'s bar shows \"" + text + "\"; it holds " + kNames[state.level] +
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
      const std::string want = std::string("Classification: ") + (level ? kNames[level] : "(none)");
      if (shown[0].label != want) Fail("ribbon", where + "'s ribbon says \"" + shown[0].label + "\", not \"" + want + "\"");
      return;
    }
    int level;
    bool editable;
    if (handled != handled_.end()) {
      level = handled->second.level;
      editable = handled->second.editable;
    } else {
      level = items_[m].stamped ? items_[m].stamped : Preselected(ItemLevel(m));
      editable = !items_[m].stamped;
    }
    ExpectDropDown(shown[0], level, editable, where);
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
    const bool stamped = items_[m].stamped != 0;
    ExpectDropDown(shown[0], stamped ? items_[m].stamped : Preselected(ItemLevel(m)), !stamped, where);
  }

  void ExpectDropDown(const sim::Ribbon::Shown& shown, int level, bool editable, const std::string& where) {
    if (shown.selected == level - 1 && shown.enabled == editable) return;
    const std::string showing = shown.selected >= 0 && size_t(shown.selected) < shown.items.size()
                                    ? shown.items[size_t(shown.selected)]
                                    : "entry " + std::to_string(shown.selected);
    Fail("ribbon", where + "'s ribbon shows " + showing + (shown.enabled ? "" : " (greyed)") + "; it holds " +
                       kNames[level] + (editable ? "" : " (greyed)"));
  }

  int WindowNumber(sim::Inspector* w) const {
    const auto& all = session_->windows();
    return int(std::find(all.begin(), all.end(), w) - all.begin()) + 1;
  }

  Setup setup_;
  std::string appdata_;
  std::ostringstream out_, err_;
  std::unique_ptr<orvan_sim::Session> session_;
  ULONG objectsBefore_ = 0;
  int lineNumber_ = 0;

  // The model.
  bool connected_ = false;
  bool ended_ = false;    // the add-in object is held but has ended (its last main window closed)
  bool exiting_ = false;  // the last main window closed while windows were open
  int carried_ = 0;       // the level the main window's buttons carry to the next window
  bool stopArmed_ = false;
  std::vector<bool> answers_;  // the answers given to questions still to come, in turn
  long order_ = 0;
  std::map<sim::MailItem*, ItemState> items_;
  std::map<sim::Inspector*, WindowState> handled_;
  std::map<sim::Explorer*, std::vector<sim::MailItem*>> watched_;  // main windows with a handler
  std::map<sim::Explorer*, WindowState> inline_;                    // inline responses with a handler
  std::map<sim::Explorer*, sim::MailItem*> inlineItems_;            // every inline response open
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
      const int pick = Pick(100);
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

  Step Try(int pick) {
    const bool today = runner_.setup().today;
    sim::Outlook& o = runner_.outlook();
    sim::Explorer* e = o.app()->activeExplorer;
    const size_t inbox = runner_.session().inbox().size();
    const int n = ++made_;
    if (pick < 10) return {"compose " + std::string(Chance(2) ? "plain" : "html") + " " + Quote("Plans " + std::to_string(n)) +
                           " " + Quote("Words " + std::to_string(n))};
    if (pick < 14) return OnWindow(false, {"choose " + Level()});
    if (pick < 16) return OnWindow(false, {std::string(Chance(3) ? "cc " : "to ") + Quote(Address())});
    if (pick < 20) return today ? OnWindow(false, {"ribbon " + Level()}) : Step();
    if (pick < 29) {
      Step s = OnWindow(false, {"send"});
      if (!s.empty() && Chance(4)) s.insert(s.begin(), "stop-next-send");
      if (!s.empty() && runner_.setup().warn && Chance(2)) s.insert(s.begin(), Answers());
      return s;
    }
    if (pick < 32) return OnWindow(false, {"close"});
    if (pick < 38) {
      const int level = Pick(kLevels + 1);
      return {"arrive " + Quote("Report " + std::to_string(n)) + (level ? " " + std::to_string(level) : "")};
    }
    if (pick < 42) return inbox ? Step{"open " + std::to_string(1 + Pick(int(inbox)))} : Step();
    if (pick < 44) return inbox ? OnWindow(true, {"next " + std::to_string(1 + Pick(int(inbox)))}) : Step();
    if (pick < 48) return OnWindow(true, {Any(std::vector<std::string>{"reply", "reply-all", "forward"})});
    if (pick < 54) {
      if (!e || !inbox) return {};
      std::string line = "select";
      for (int k = 1 + Pick(3); k > 0; --k) line += " " + std::to_string(1 + Pick(int(inbox)));
      if (Chance(8)) line += " task";
      return {line};
    }
    if (pick < 57) return e ? Step{"click " + Any(std::vector<std::string>{"reply", "reply-all", "forward"})} : Step();
    if (pick < 59) return e ? Step{Chance(2) ? "switch folder" : "switch view"} : Step();
    if (!today && pick < 85) return {};
    if (pick < 65) return e ? Step{"inline " + Any(std::vector<std::string>{"reply", "reply-all", "forward"})} : Step();
    if (pick < 68) return e && e->inlineResponse ? Step{"inline choose " + Level()} : Step();
    if (pick < 69) return e && e->inlineResponse ? Step{"inline to " + Quote(Address())} : Step();
    if (pick < 74) {
      if (!e || !e->inlineResponse) return {};
      Step s = Chance(4) ? Step{"stop-next-send", "inline send"} : Step{"inline send"};
      if (runner_.setup().warn && Chance(2)) s.insert(s.begin(), Answers());
      return s;
    }
    if (pick < 75) return e && e->inlineResponse ? Step{"inline discard"} : Step();
    if (pick < 77) return e && e->inlineResponse ? Step{"inline pop-out"} : Step();
    if (pick < 79) return {"program-send " + Quote("Report " + std::to_string(n)) + " " + Quote("All green")};
    if (pick < 81) return {"redraw"};
    if (pick < 85) return {};
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
    return {};
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
  if (setup.strict)
    s << "\n# under a strict policy: --registry FILE holding examples/strict.reg's values with DowngradeRule and "
         "ExternalRule both " << (setup.warn ? "warn" : "block");
  s
    << "\n# " << why << "\n# orvan-sim run FILE" << (setup.today ? " --outlook today" : "") << "\n";
  for (const Step& step : steps)
    for (const std::string& line : step) s << line << "\n";
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

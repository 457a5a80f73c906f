#include "session.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <utility>
#include <sstream>
#include "com/iids.h"
#include "com/markup.h"
#include "com/module.h"
#include "com/text.h"
#include "render.h"
#include "sim/ribbon.h"
#ifndef _WIN32
#endif

namespace orvan_sim {

namespace {

std::string ReadAll(const std::string& path, bool* ok) {
  std::ifstream in(path, std::ios::binary);
  *ok = bool(in);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A whole number the host's 32-bit properties can hold; anything else is refused, never
// wrapped.
bool ToLong(const std::string& text, long* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long long n = std::strtoll(text.c_str(), &end, 10);
  if (errno == ERANGE || !end || *end != '\0' || n < INT32_MIN || n > INT32_MAX) return false;
  *value = long(n);
  return true;
}

// The entry (1-based) that a word names, by its text or its position; 0 when none does.
long EntryNamed(const std::vector<std::string>& entries, const std::string& word) {
  long n = 0;
  if (ToLong(word, &n)) return n >= 1 && size_t(n) <= entries.size() ? n : 0;
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i] == word) return long(i + 1);
  return 0;
}

// "1 UNCLASSIFIED, 2 CONFIDENTIAL, 3 SECRET", for an error that names what there is.
std::string EntryList(const std::vector<std::string>& entries) {
  std::string list;
  for (size_t i = 0; i < entries.size(); ++i) list += (i ? ", " : "") + std::to_string(i + 1) + " " + entries[i];
  return list;
}

// The text with the first prefix on its first line and the other on every further line.
std::string Indent(const std::string& text, const std::string& first, const std::string& rest) {
  std::string out = first;
  for (char c : text) {
    if (c == '\r') continue;
    out += c;
    if (c == '\n') out += rest;
  }
  return out;
}

}  // namespace

std::vector<std::string> SplitWords(const std::string& line, std::string* error) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size() || line[i] == '#') break;
    std::string word;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\' && i < line.size()) {
          char e = line[i++];
          word += e == 'n' ? '\n' : e == 't' ? '\t' : e;
        } else {
          word += c;
        }
      }
      if (!closed) {
        *error = "unterminated quoted text";
        return {};
      }
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') word += line[i++];
    }
    words.push_back(word);
  }
  return words;
}

bool Session::MakeFolder(const char* option, const std::string& folder) {
  if (folder.empty()) return true;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (!error && std::filesystem::is_directory(folder, error)) return true;
  err_ << "orvan-sim: " << option << " " << folder << ": cannot make the folder"
       << (error ? " (" + error.message() + ")" : std::string(" (a file of that name is in the way)")) << "\n";
  return false;
}

Session::Session(const Options& options, std::ostream& out, std::ostream& err)
    : options_(options),
      out_(out),
      err_(err),
      outlook_(world_, true, options.today ? sim::Outlook::Version::Today : sim::Outlook::Version::Classic) {
  outlook_.outbox = options.outbox;
  world_.officeLanguage = options.uiLanguage;
  usable_ = MakeFolder("--outbox", options.outbox) && MakeFolder("--html", options.htmlDir) &&
            MakeFolder("--log-dir", options.logDir);
  if (usable_ && !options.eventsFile.empty()) {
    events_.open(options.eventsFile, std::ios::binary | std::ios::trunc);
    if (!events_) {
      err_ << "orvan-sim: --events: cannot write '" << options.eventsFile << "'\n";
      usable_ = false;
    }
  }
  if (!usable_) return;
  for (sim::Explorer* e : outlook_.explorers()) explorers_.push_back(e);
#ifndef _WIN32
  if (!options.logDir.empty()) {
    setenv("APPDATA", options.logDir.c_str(), 1);
    PortablePolicy().logEnabled = 1;
  }
  if (options.requireSelection) PortablePolicy().requireSelection = 1;
  if (!options.registry.empty()) {
    std::string error;
    bool exists = bool(std::ifstream(options.registry));
    if (exists && !portable_registry::LoadFile(options.registry, &error)) {
      // A file that cannot be read as a registry is the user's, not ours to replace.
      err_ << "orvan-sim: --registry " << options.registry << ": " << error
           << "; the session starts with an empty registry and the file is left as it is\n";
      registryLoaded_ = false;
      ++errors_;
    }
  }
#endif
  Start();
}

Session::~Session() { Finish(); }

void Session::Start() {
  HRESULT load = outlook_.Load();
  HRESULT connect = SUCCEEDED(load) ? outlook_.Connect(ext_cm_Startup) : load;
  HRESULT start = SUCCEEDED(connect) ? outlook_.StartupComplete() : connect;
  running_ = SUCCEEDED(start);
  if (!running_) {
    char hr[16];
    std::snprintf(hr, sizeof hr, "%08X", unsigned(start));
    err_ << "orvan-sim: the add-in could not be started (" << hr << ")\n";
    ++errors_;
    return;
  }
  if (!options_.quiet) out_ << "Outlook started; the add-in is loaded and connected.\n";
}

void Session::Error(const std::string& command, const std::string& what) {
  ++errors_;
  err_ << "orvan-sim: line " << line_ << ": " << command << ": " << what << "\n";
}

bool Session::Fits(const std::string& name, const Args& a) {
  const Command* c = Find(name);
  if (!c || (a.size() >= c->minArgs && a.size() <= c->maxArgs)) return true;
  Error(name, std::string("expected ") + c->expected);
  return false;
}

sim::Inspector* Session::Current(const std::string& command) {
  if (current_ && current_->open) return current_;
  std::string open;
  for (size_t i = 0; i < windows_.size(); ++i)
    if (windows_[i]->open) open += (open.empty() ? "" : ", ") + std::to_string(i + 1);
  Error(command, open.empty() ? "no window is open"
                              : "no current window; the open ones are " + open + " (choose one with 'window N')");
  return nullptr;
}

bool Session::Number(const std::string& command, const std::string& text, long* value) {
  if (ToLong(text, value)) return true;
  Error(command, "'" + text + "' is no whole number from " + std::to_string(INT32_MIN) + " to " +
                     std::to_string(INT32_MAX));
  return false;
}

int Session::Number(sim::Inspector* w) const {
  for (size_t i = 0; i < windows_.size(); ++i)
    if (windows_[i] == w) return int(i + 1);
  return 0;
}

void Session::Run(const std::string& line, int lineNumber) {
  line_ = lineNumber;
  std::string error;
  Args words = SplitWords(line, &error);
  if (!error.empty()) {
    Error("line", error);
    return;
  }
  if (words.empty()) return;
  const std::string command = words[0];
  Args a(words.begin() + 1, words.end());
  if (!options_.quiet && !interactive_) out_ << "> " << line.substr(line.find_first_not_of(" \t")) << "\n";
  const Command* c = Find(command);
  if (!c) Error(command, "unknown command (try 'help')");
  else if (!c->anyTime && !running_) Error(command, "Outlook has shut down");
  else if (c->ownOptions || Fits(command, a)) c->run(*this, command, a);
  ShowMessageBoxes(current_);
  ShowEvents();
  WritePages();
  // What the host's audits found the add-in holding (a reference after a Send).
  for (; violationsShown_ < world_.Violations().size(); ++violationsShown_)
    Problem(command, world_.Violations()[violationsShown_]);
}

// Every command once: Run parses by it, help lists it, the randomized session test plays by
// it. A command that takes options (--name) counts its other words itself.
const std::vector<Session::Command>& Session::Commands() {
  constexpr size_t any = size_t(-1);
  using A = const Args&;
  using N = const std::string&;
  static const std::vector<Command> commands = {
      {"compose", "plain|html|rich SUBJECT [BODY]", "open a new compose window", 2, 3,
       "plain|html|rich SUBJECT [BODY]", false, false, false, [](Session& s, N, A a) { s.Compose(a); }},
      {"choose", "LEVEL|POSITION", "pick a level in the current window's drop-down", 1, 1, "a level name or position",
       false, false, false, [](Session& s, N, A a) { s.Choose(a); }},
      {"move", "LEFT TOP POSITION ROW", "drag the current window's classification bar", 4, 4, "LEFT TOP POSITION ROW",
       false, false, false, [](Session& s, N, A a) { s.Move(a); }},
      {"send", "", "send the current window", 0, 0, "no arguments", false, false, false,
       [](Session& s, N, A) { s.Send(); }},
      {"close", "", "close the current window", 0, 0, "no arguments", false, false, false,
       [](Session& s, N, A) { s.Close(); }},
      {"reply", "", "answer the current window's message", 0, 0, "no arguments", false, false, false,
       [](Session& s, N name, A) { s.Respond(name); }},
      {"reply-all", "", "answer it to all", 0, 0, "no arguments", false, false, false,
       [](Session& s, N name, A) { s.Respond(name); }},
      {"forward", "", "forward it", 0, 0, "no arguments", false, false, false,
       [](Session& s, N name, A) { s.Respond(name); }},
      {"window", "N", "make window N current", 1, 1, "a window number", false, false, false,
       [](Session& s, N, A a) { s.SelectWindow(a); }},
      {"show", "", "show the current window", 0, any, "", false, false, false,
       [](Session& s, N name, A) {
         if (sim::Inspector* w = s.Current(name)) s.ShowWindow(w);
       }},
      {"receive", "FILE.eml", "a message arrives (numbered 1, 2, ...)", 1, 1, "an .eml file", false, false, false,
       [](Session& s, N, A a) { s.Receive(a); }},
      {"arrive", "[--meeting [--from ADDRESS]] [--label CLASSIFICATION] SUBJECT [LEVEL]",
       "a message (or meeting request, from its organizer)\narrives, classified at LEVEL; --label: with a partner's\n"
       "ADatP-4774 label of the policy ORVAN in an SIO-Label field",
       1, 2, "[--meeting [--from ADDRESS]] [--label CLASSIFICATION] SUBJECT [LEVEL]", false, false, true, [](Session& s, N, A a) { s.Arrive(a); }},
      {"to", "ADDRESS...",
       "add recipients to the current window's message:\nname@domain, ex:name@domain (Exchange user),\n"
       "dl:list@domain=A,B (distribution list), ?Name (unresolved)",
       0, any, "", false, false, false,
       [](Session& s, N name, A a) {
         if (sim::Inspector* w = s.Current(name)) s.Address(name, a, w->mail());
       }},
      {"cc", "ADDRESS...", "the same, as Cc", 0, any, "", false, false, false,
       [](Session& s, N name, A a) {
         if (sim::Inspector* w = s.Current(name)) s.Address(name, a, w->mail());
       }},
      {"bcc", "ADDRESS...", "the same, as Bcc", 0, any, "", false, false, false,
       [](Session& s, N name, A a) {
         if (sim::Inspector* w = s.Current(name)) s.Address(name, a, w->mail());
       }},
      {"answer", "yes|no|reason N|\"TEXT\"|cancel ...",
       "the answers to the add-in's next questions (else No), and to its reason dialogs (else Cancel)", 1, 16,
       "yes, no, or reason with a number, a text in quotes or cancel, once for each question to come", false, false,
       false, [](Session& s, N, A a) { s.Answer(a); }},
      {"open", "N|task|contact|appointment", "open received message N, or a window on another item", 1, 1,
       "a received message number, or task, contact or appointment", false, false, false,
       [](Session& s, N, A a) { s.Open(a); }},
      {"next", "N", "the current read window moves to received message N", 1, 1, "a received message number", false,
       false, false, [](Session& s, N, A a) { s.Next(a); }},
      {"store-move", "", "the store moves the current window's message: a new entry id", 0, 0, "no arguments", false,
       false, false, [](Session& s, N, A) { s.StoreMove(); }},
      {"resend", "N", "Resend This Message: a copy of sent message N in a new window", 1, 1, "a sent message number",
       false, false, false, [](Session& s, N, A a) { s.Resend(a); }},
      {"respond", "accept|decline|tentative [--edit]",
       "answer the meeting request in the current window (or\nthe first selected one): sent at once, or opened to edit",
       1, 2, "accept|decline|tentative [--edit]", false, false, false,
       [](Session& s, N, A a) { s.RespondToMeeting(a); }},
      {"stop-next-send", "", "another add-in stops the next Send after this one", 0, 0, "no arguments", false, false,
       false, [](Session& s, N, A) { s.StopNextSend(); }},
      {"main-window", "open|close|N",
       "open another main window, close the active one,\nor make main window N the active one", 1, 1,
       "open, close or a main window number", false, false, false, [](Session& s, N, A a) { s.MainWindow(a); }},
      {"addin", "untick|tick|forget",
       "the COM Add-ins dialog: unload the add-in, load it\nagain; forget: Office lets go of unloaded objects", 1, 1,
       "untick, tick or forget", false, false, false, [](Session& s, N, A a) { s.AddIn(a); }},
      {"register", "", "register the add-in as its installer does", 0, 0, "no arguments", false, false, false,
       [](Session& s, N, A) { s.Register(); }},
      {"select", "N|task|post|meeting ...", "select items in the main window", 0, any, "", false, false, false,
       [](Session& s, N, A a) { s.Select(a); }},
      {"click", "reply|reply-all|forward", "press a main-window button", 1, 1, "reply, reply-all or forward", false,
       false, false, [](Session& s, N, A a) { s.Click(a); }},
      {"switch", "folder|view", "change folder or view in the main window", 1, 1, "folder or view", false, false,
       false, [](Session& s, N, A a) { s.Switch(a); }},
      {"redraw", "", "Office draws every window's ribbon again, asking\nevery add-in object it still holds", 0, 0,
       "no arguments", false, false, false, [](Session& s, N, A) { s.Redraw(); }},
      {"log", "", "print the session log", 0, any, "", true, false, false, [](Session& s, N, A) { s.ShowLog(); }},
      {"registry", "", "print the add-in's registry values", 0, any, "", true, false, false,
       [](Session& s, N, A) { s.ShowRegistry(); }},
      {"help", "", "this list", 0, any, "", true, false, false, [](Session& s, N, A) { s.Help(); }},
      {"shutdown", "[fast]", "shut Outlook down (fast: no add-in is told)", 0, 1, "nothing, or fast", false, false,
       false,
       [](Session& s, N name, A a) {
         if (a.empty() || a[0] == "fast") s.Shutdown(!a.empty());
         else s.Error(name, "expected nothing or fast, not '" + a[0] + "'");
       }},
      {"inline", "reply|reply-all|forward",
       "answer the selected message in the reading pane;\ninline choose LEVEL | send | discard | pop-out: its\n"
       "ribbon level, Send, discard, or a window of its own;\ninline to|cc|bcc ADDRESS...: its recipients",
       1, 2, "reply|reply-all|forward|send|discard|pop-out|choose LEVEL|to|cc|bcc ADDRESS...", false, true, true,
       [](Session& s, N, A a) { s.Inline(a); }},
      {"ribbon", "LEVEL|POSITION", "pick a level on the current window's ribbon", 1, 1, "a level name or position",
       false, true, false, [](Session& s, N, A a) { s.RibbonChoose(a); }},
      {"program-send", "[--meeting|--task] [--to ADDRESS]... SUBJECT [BODY]",
       "another program sends a new message with Send()", 1, 2, "[--meeting|--task] [--to ADDRESS]... SUBJECT [BODY]",
       false, true, true, [](Session& s, N, A a) { s.ProgramSend(a); }},
  };
  return commands;
}

const Session::Command* Session::Find(const std::string& name) {
  for (const Command& c : Commands())
    if (name == c.name) return &c;
  return nullptr;
}

void Session::Help() {
  out_ << "commands (words with blanks go in \"quotes\"; \\n is a line break):\n";
  auto list = [this](bool today) {
    for (const Command& c : Commands()) {
      if (c.today != today) continue;
      std::string head = std::string("  ") + c.name + (*c.words ? " " : "") + c.words;
      // What it does starts in one column: on the same line when the command leaves room.
      const size_t column = 42;
      head = head.size() + 2 <= column ? head + std::string(column - head.size(), ' ') : head + "\n" + std::string(column, ' ');
      std::string what = c.what;
      for (size_t at = what.find('\n'); at != std::string::npos; at = what.find('\n', at + 1))
        what.insert(at + 1, std::string(column, ' '));
      out_ << head << what << "\n";
    }
  };
  list(false);
  out_ << "today's Outlook (--outlook today):\n";
  list(true);
  out_ << "  quit | exit                             end orvan-sim at the prompt (so does Ctrl-D)\n";
}

namespace {

std::string Json(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') out += std::string("\\") + char(c);
    else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}

const char* EventLevel(WORD type) {
  return type == EVENTLOG_ERROR_TYPE ? "error" : type == EVENTLOG_WARNING_TYPE ? "warning" : "information";
}

}  // namespace

// What the add-in reported to the event log since the last command: in the transcript, and
// as JSON lines for a collector's view.
void Session::ShowEvents() {
  for (; eventsShown_ < world_.events.size(); ++eventsShown_) {
    const sim::World::Event& e = world_.events[eventsShown_];
    if (!options_.quiet) {
      out_ << "  event " << e.id << " (" << EventLevel(e.type) << "):";
      for (size_t i = 0; i < e.fields.size(); ++i) out_ << (i ? " | " : " ") << e.fields[i];
      out_ << "\n";
    }
    if (events_.is_open()) {
      events_ << "{\"source\":" << Json(e.source) << ",\"id\":" << e.id << ",\"level\":\"" << EventLevel(e.type)
              << "\",\"fields\":[";
      for (size_t i = 0; i < e.fields.size(); ++i) events_ << (i ? "," : "") << Json(e.fields[i]);
      events_ << "]}\n" << std::flush;
    }
  }
}

void Session::Opened(sim::Inspector* w) {
  windows_.push_back(w);
  current_ = w;
  if (!options_.quiet) ShowWindow(w);
}

void Session::ShowWindow(sim::Inspector* w) {
  const sim::MailItem* m = w->mail();
  out_ << "  window " << Number(w) << ": \"" << (m ? m->Subject() : "") << "\" ("
       << (m && m->received ? "received" : m && m->sent ? "sent" : "compose") << ", " << (m ? FormatName(m->bodyFormat) : "item") << ")\n";
  out_ << "    bar  " << BarText(*w) << "\n";
  if (const sim::CommandBar* bar = w->ClassificationBar())
    out_ << "         at left " << bar->left << ", top " << bar->top << ", position " << bar->position << ", row "
         << bar->rowIndex << "\n";
  for (const std::string& line : RibbonLines(w)) out_ << "    ribbon  " << line << "\n";
}

std::vector<std::string> Session::RibbonLines(sim::Inspector* w) {
  std::vector<std::string> lines;
  sim::Ribbon* ribbon = outlook_.ribbon();
  if (!ribbon) return lines;
  const sim::MailItem* m = w ? w->mail() : outlook_.InlineResponse();
  if (!m) return lines;
  const bool read = w && m->sent;
  sim::DispatchObject* context = w ? static_cast<sim::DispatchObject*>(w) : outlook_.app()->activeExplorer;
  const std::string ribbonId = !w ? "Microsoft.Outlook.Explorer" : read ? "Microsoft.Outlook.Mail.Read" : "Microsoft.Outlook.Mail.Compose";
  const std::string tab = !w ? "TabMessage" : read ? "TabReadMessage" : "TabNewMailMessage";
  if (!ribbon->Ignored(ribbonId).empty()) return {"(the add-in's customUI was ignored: " + ribbon->Ignored(ribbonId) + ")"};
  for (const sim::Ribbon::Shown& c : ribbon->Show(context, ribbonId, tab)) lines.push_back(tab + ": " + RibbonText(c));
  return lines;
}

bool Session::NeedToday(const std::string& command) {
  if (options_.today) return true;
  Error(command, "only today's Outlook has it (start with --outlook today)");
  return false;
}

void Session::Inline(const Args& a) {
  if (!NeedToday("inline")) return;
  if (!a.empty() && (a[0] == "to" || a[0] == "cc" || a[0] == "bcc")) {
    if (!outlook_.InlineResponse()) return Error("inline", "no inline response is open");
    return Address(a[0], Args(a.begin() + 1, a.end()), outlook_.InlineResponse());
  }
  if (!Fits("inline", a)) return;
  const std::string& what = a[0];
  if (what == "reply" || what == "reply-all" || what == "forward") {
    auto kind = what == "reply" ? sim::Outlook::kReply : what == "reply-all" ? sim::Outlook::kReplyAll : sim::Outlook::kForward;
    sim::MailItem* m = outlook_.RespondInline(kind);
    if (!m) return Error("inline", "no mail message is selected in the main window");
    if (options_.quiet) return;
    out_ << "  inline " << what << " in the reading pane: \"" << m->Subject() << "\"\n";
    for (const std::string& line : RibbonLines(nullptr)) out_ << "    ribbon  " << line << "\n";
    return;
  }
  sim::MailItem* m = outlook_.InlineResponse();
  if (!m) return Error("inline", "no inline response is open");
  if (what == "send") {
    const size_t boxes = world_.messageBoxes.size() + world_.reasonBoxes.size();
    if (!outlook_.SendInline()) {
      if (!options_.quiet) {
        out_ << "  the send was cancelled; the inline response stays open\n";
        if (world_.messageBoxes.size() + world_.reasonBoxes.size() == boxes) out_ << "  (no message box was shown)\n";
      }
      return;
    }
    ShowSent(m, options_.outbox.empty() ? "" : "message-" + std::to_string(outlook_.sentMail.size()) + ".eml");
  } else if (what == "discard") {
    outlook_.DiscardInline();
    if (!options_.quiet) out_ << "  inline response discarded\n";
  } else if (what == "pop-out") {
    Opened(outlook_.PopOut());
  } else if (what == "choose" && a.size() == 2) {
    sim::Ribbon* ribbon = outlook_.ribbon();
    if (!ribbon) return Error("inline", "the add-in shows nothing on the ribbon");
    auto shown = ribbon->Show(outlook_.app()->activeExplorer, "Microsoft.Outlook.Explorer", "TabMessage");
    if (shown.empty()) return Error("inline", "the add-in shows nothing on the inline response's ribbon");
    const long n = EntryNamed(shown[0].items, a[1]);
    if (!n) return Error("inline", "no level '" + a[1] + "' on the ribbon; it holds " + EntryList(shown[0].items));
    ribbon->Choose(outlook_.app()->activeExplorer, "Microsoft.Outlook.Explorer", shown[0].id, n - 1);
    if (!options_.quiet)
      for (const std::string& line : RibbonLines(nullptr)) out_ << "    ribbon  " << line << "\n";
  } else {
    Error("inline", "expected reply, reply-all, forward, send, discard, pop-out or choose LEVEL, not '" + what + "'");
  }
}

void Session::RibbonChoose(const Args& a) {
  if (!NeedToday("ribbon")) return;
  sim::Inspector* w = Current("ribbon");
  if (!w) return;
  sim::Ribbon* ribbon = outlook_.ribbon();
  const sim::MailItem* m = w->mail();
  auto shown = ribbon && m && !m->sent ? ribbon->Show(w, "Microsoft.Outlook.Mail.Compose", "TabNewMailMessage")
                                       : std::vector<sim::Ribbon::Shown>();
  if (shown.empty() || shown[0].items.empty())
    return Error("ribbon", "window " + std::to_string(Number(w)) + " has no level drop-down on its ribbon");
  const long n = EntryNamed(shown[0].items, a[0]);
  if (!n) return Error("ribbon", "no level '" + a[0] + "' on the ribbon; it holds " + EntryList(shown[0].items));
  ribbon->Choose(w, "Microsoft.Outlook.Mail.Compose", shown[0].id, n - 1);
  if (options_.quiet) return;
  out_ << "    bar  " << BarText(*w) << "\n";
  for (const std::string& line : RibbonLines(w)) out_ << "    ribbon  " << line << "\n";
}

void Session::Address(const std::string& kind, const Args& a, sim::MailItem* m) {
  if (!m || m->sent) return Error(kind, "the window shows no message being written");
  if (a.empty()) return Error(kind, "expected one ADDRESS or more (name@domain, ex:name@domain, dl:list@domain=A,B, ?Name)");
  const long type = kind == "to" ? 1 : kind == "cc" ? 2 : 3;
  for (const std::string& address : a)
    if (!m->recipients->Add(address, type))
      return Error(kind, "'" + address + "' is no address (name@domain, ex:name@domain, dl:list@domain=A,B, ?Name)");
}

void Session::Answer(const Args& a) {
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] == "reason") {
      if (i + 1 == a.size()) return Error("answer", "expected a reason's number, a text in quotes or cancel after 'reason'");
      world_.reasonAnswers.push_back(a[++i]);
      continue;
    }
    if (a[i] != "yes" && a[i] != "no") return Error("answer", "expected yes, no or reason, not '" + a[i] + "'");
    world_.answers.push_back(a[i] == "yes" ? IDYES : IDNO);
  }
}

void Session::ProgramSend(const Args& given) {
  // [--meeting|--task] [--to ADDRESS]... SUBJECT [BODY]
  Args a;
  long itemClass = 43;
  std::vector<std::string> to;
  for (size_t i = 0; i < given.size(); ++i) {
    if (given[i] == "--meeting") itemClass = 53;
    else if (given[i] == "--task") itemClass = 49;
    else if (given[i] == "--to" && i + 1 < given.size()) to.push_back(given[++i]);
    else a.push_back(given[i]);
  }
  if (!NeedToday("program-send") || !Fits("program-send", a)) return;
  sim::MailItem* m = world_.Make<sim::MailItem>(itemClass);
  m->subject = sim::Wide(a[0]);
  m->body = sim::Wide(a.size() > 1 ? a[1] : "");
  if (!to.empty()) Address("to", to, m);
  if (!outlook_.SendByProgram(m)) {
    if (!options_.quiet) out_ << "  the send was cancelled\n";
    return;
  }
  ShowSent(m, options_.outbox.empty() ? "" : "message-" + std::to_string(outlook_.sentMail.size()) + ".eml");
}

void Session::Arrive(const Args& given) {
  // [--meeting [--from ADDRESS]] [--label CLASSIFICATION] SUBJECT [LEVEL]
  Args a;
  bool meeting = false;
  std::string from, label;
  for (size_t i = 0; i < given.size(); ++i) {
    if (given[i] == "--meeting") meeting = true;
    else if (given[i] == "--from" && i + 1 < given.size()) from = given[++i];
    else if (given[i] == "--label" && i + 1 < given.size()) label = given[++i];
    else a.push_back(given[i]);
  }
  if (!Fits("arrive", a)) return;
  if (!from.empty() && (!meeting || from.find('@') == std::string::npos))
    return Error("arrive", "--from names a meeting request's organizer, name@domain");
  long level = 0;
  if (a.size() > 1 && (!Number("arrive", a[1], &level) || level < 1))
    return Error("arrive", "the level is a position from 1 up, not '" + a[1] + "'");
  std::string eml = "Subject: " + a[0] + "\r\n";
  if (meeting) eml += "Content-Class: urn:content-classes:calendarmessage\r\n";
  if (level) eml += "X-Orvan-classification: " + std::to_string(level) + " - LEVEL" + std::to_string(level) + "\r\n";
  if (!label.empty()) {
    const std::string xml =
        "<ConfidentialityLabel xmlns=\"urn:nato:stanag:4774:confidentialitymetadatalabel:1:0\"><ConfidentialityInformation>"
        "<PolicyIdentifier>ORVAN</PolicyIdentifier><Classification>" + MarkupText(label, MarkupPlace::Content) +
        "</Classification></ConfidentialityInformation></ConfidentialityLabel>";
    eml += "SIO-Label: type=\":xml\"; label=\"" + Base64(xml) + "\"\r\n";
  }
  eml += "\r\n" + a[0] + ": the text.";
  std::string error;
  sim::MailItem* m = outlook_.Receive(eml, &error);
  if (!m) return Error("arrive", error);
  if (!from.empty()) m->organizer = from;
  inbox_.push_back(m);
  if (!options_.quiet) out_ << "  received message " << inbox_.size() << ": \"" << m->Subject() << "\"\n";
}

void Session::StopNextSend() {
  // One Send: the other add-in's handler lets every later one go.
  auto once = std::make_shared<bool>(true);
  outlook_.otherAddInItemSend = [once](sim::MailItem*) { return std::exchange(*once, false); };
  if (!options_.quiet) out_ << "  another add-in will stop the next send\n";
}

void Session::Next(const Args& a) {
  long n = 0;
  if (!Number("next", a[0], &n)) return;
  if (n < 1 || size_t(n) > inbox_.size()) return Error("next", "no received message " + a[0]);
  sim::Inspector* w = Current("next");
  if (!w) return;
  if (w->item == inbox_[size_t(n) - 1]) return Error("next", "window " + std::to_string(Number(w)) + " shows message " + a[0] + " already");
  outlook_.ShowInWindow(w, inbox_[size_t(n) - 1]);
  if (!options_.quiet) ShowWindow(w);
}

void Session::StoreMove() {
  sim::Inspector* w = Current("store-move");
  if (!w) return;
  sim::MailItem* m = w->mail();
  if (!m) return Error("store-move", "window " + std::to_string(Number(w)) + " shows no message");
  outlook_.MoveInStore(m);
  if (!options_.quiet) out_ << "  the store moved \"" << m->Subject() << "\": its entry id is now " << m->message->EntryId() << "\n";
}

void Session::Resend(const Args& a) {
  long n = 0;
  if (!Number("resend", a[0], &n)) return;
  const auto& sent = outlook_.sentMail;
  if (n < 1 || size_t(n) > sent.size()) return Error("resend", "no sent message " + a[0]);
  Opened(outlook_.Resend(sent[size_t(n) - 1]));
}

void Session::RespondToMeeting(const Args& a) {
  const auto kind = a[0] == "accept" ? sim::Outlook::kAccept : a[0] == "tentative" ? sim::Outlook::kTentative
                    : a[0] == "decline" ? sim::Outlook::kDecline : sim::Outlook::MeetingResponse(0);
  if (!kind) return Error("respond", "expected accept, decline or tentative, not '" + a[0] + "'");
  if (a.size() > 1 && a[1] != "--edit") return Error("respond", "expected --edit or nothing, not '" + a[1] + "'");
  // The meeting request of the current window, else the first one selected in the main window.
  sim::MailItem* request = nullptr;
  if (current_ && current_->open && current_->mail() && current_->mail()->itemClass == 53) request = current_->mail();
  if (!request && outlook_.app()->activeExplorer)
    for (sim::DispatchObject* item : outlook_.app()->activeExplorer->selection->items)
      if (auto* m = dynamic_cast<sim::MailItem*>(item); m && m->itemClass == 53) {
        request = m;
        break;
      }
  if (!request) return Error("respond", "no meeting request in the current window or the main window's selection");
  bool went = false;
  const size_t boxes = world_.messageBoxes.size() + world_.reasonBoxes.size();
  sim::MailItem* response = outlook_.RespondToMeeting(request, kind, a.size() > 1, &went);
  if (!response) return Error("respond", "the response was cancelled");
  lastResponse_ = response;
  if (a.size() > 1) return Opened(outlook_.app()->inspectors->windows.back());  // the response's window
  if (!went) {
    if (!options_.quiet) {
      out_ << "  the response was not sent\n";
      if (world_.messageBoxes.size() + world_.reasonBoxes.size() == boxes) out_ << "  (no message box was shown)\n";
    }
    return;
  }
  ShowSent(response, options_.outbox.empty() ? "" : "message-" + std::to_string(outlook_.sentMail.size()) + ".eml");
}

void Session::MainWindow(const Args& a) {
  if (a[0] == "open") {
    explorers_.push_back(outlook_.OpenExplorer());
    if (!options_.quiet) out_ << "  main window " << explorers_.size() << " opened\n";
    return;
  }
  sim::Explorer* active = outlook_.app()->activeExplorer;
  if (a[0] == "close") {
    if (!active) return Error("main-window", "no main window is open");
    outlook_.CloseExplorer(active);
    if (!options_.quiet) out_ << "  the active main window closed\n";
    return;
  }
  long n = 0;
  if (!Number("main-window", a[0], &n)) return;
  if (n < 1 || size_t(n) > explorers_.size() || !explorers_[size_t(n) - 1]->open)
    return Error("main-window", "no open main window " + a[0]);
  outlook_.ActivateExplorer(explorers_[size_t(n) - 1]);
  if (!options_.quiet) out_ << "  main window " << n << " is active\n";
}

void Session::AddIn(const Args& a) {
  if (a[0] == "untick") {
    if (!outlook_.Connected()) return Error("addin", "the add-in is not loaded");
    outlook_.Untick();
    if (!options_.quiet) out_ << "  the add-in is unticked: disconnected and released\n";
    CheckNothingHeld("addin untick");
  } else if (a[0] == "tick") {
    if (outlook_.Connected()) return Error("addin", "the add-in is loaded already");
    const HRESULT hr = outlook_.Tick();
    if (FAILED(hr)) {
      char text[16];
      std::snprintf(text, sizeof text, "%08X", unsigned(hr));
      return Error("addin", std::string("the add-in could not be connected (") + text + ")");
    }
    if (!options_.quiet) out_ << "  the add-in is ticked: a new one is loaded and connected\n";
  } else if (a[0] == "forget") {
    outlook_.ReleaseRetiredRibbons();
    if (!options_.quiet) out_ << "  Office let go of the unloaded add-in objects\n";
  } else {
    Error("addin", "expected untick, tick or forget, not '" + a[0] + "'");
  }
}

void Session::Redraw() {
  std::vector<sim::Ribbon*> ribbons;
  if (outlook_.ribbon()) ribbons.push_back(outlook_.ribbon());
  for (const auto& r : outlook_.retiredRibbons()) ribbons.push_back(r.get());
  for (sim::Ribbon* ribbon : ribbons) {
    for (sim::Inspector* w : windows_) {
      if (!w->open || !w->mail()) continue;
      const bool read = w->mail()->sent;
      ribbon->Show(w, read ? "Microsoft.Outlook.Mail.Read" : "Microsoft.Outlook.Mail.Compose",
                   read ? "TabReadMessage" : "TabNewMailMessage");
    }
    for (sim::Explorer* e : outlook_.explorers())
      if (e->inlineResponse) ribbon->Show(e, "Microsoft.Outlook.Explorer", "TabMessage");
  }
  if (!options_.quiet) out_ << "  every ribbon drawn again\n";
}

// Once the add-in has ended, nothing of it may be left in Outlook: no sink advised on any of
// Outlook's objects, no reference held to one.
void Session::CheckNothingHeld(const std::string& command) {
  const size_t sinks = world_.AdvisedSinks();
  std::vector<std::string> refs;
  world_.OutstandingRefs(&refs);
  if (!sinks && refs.empty()) return;
  std::string what = "the add-in ended and left " + std::to_string(sinks) + " sink(s) advised and " +
                     std::to_string(refs.size()) + " object(s) referenced";
  for (size_t i = 0; i < refs.size() && i < 4; ++i) what += (i ? ", " : ": ") + refs[i];
  Problem(command, what);
}

void Session::Problem(const std::string& command, const std::string& what) {
  problems_.push_back(what);
  Error(command, what);
}

void Session::Register() {
#ifdef _WIN32
  Error("register", "the Windows build plays the DLL that regsvr32 registered");
#else
  const HRESULT hr = DllRegisterServer();
  if (FAILED(hr)) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", unsigned(hr));
    return Error("register", std::string("DllRegisterServer failed (") + text + ")");
  }
  if (!options_.quiet) out_ << "  the add-in is registered, with shutdown notification\n";
#endif
}

void Session::Compose(const Args& a) {
  long format = a[0] == "plain" ? 1 : a[0] == "html" ? 2 : a[0] == "rich" ? 3 : 0;
  if (!format) return Error("compose", "expected plain, html or rich, not '" + a[0] + "'");
  std::string body = a.size() > 2 ? a[2] : "";
  // Outlook hands an HTML or rich-text body out through HTMLBody as a whole document.
  if (format != 1 && body.find("<body") == std::string::npos) body = "<html><body>" + body + "</body></html>";
  Opened(outlook_.Compose(format, a[1], body));
}

void Session::Choose(const Args& a) {
  sim::Inspector* w = Current("choose");
  if (!w) return;
  sim::Control* drop = nullptr;
  if (sim::CommandBar* bar = w->ClassificationBar())
    for (sim::Control* c : bar->controls->items)
      if (c->type == 3) drop = c;
  if (!drop) return Error("choose", "window " + std::to_string(Number(w)) + " has no classification drop-down");
  const long n = EntryNamed(drop->entries, a[0]);
  if (!n) return Error("choose", "no level '" + a[0] + "' in the drop-down; it holds " + EntryList(drop->entries));
  drop->Choose(n);
  if (options_.quiet) return;
  out_ << "    bar  " << BarText(*w) << "\n";
  for (const std::string& line : RibbonLines(w)) out_ << "    ribbon  " << line << "\n";
}

void Session::Move(const Args& a) {
  long v[4];
  for (int i = 0; i < 4; ++i)
    if (!Number("move", a[size_t(i)], &v[i])) return;
  sim::Inspector* w = Current("move");
  if (!w) return;
  sim::CommandBar* bar = w->ClassificationBar();
  if (!bar) return Error("move", "window " + std::to_string(Number(w)) + " has no classification bar");
  bar->Move(v[0], v[1], v[2], v[3]);
  if (!options_.quiet)
    out_ << "    bar moved to left " << v[0] << ", top " << v[1] << ", position " << v[2] << ", row " << v[3] << "\n";
}

void Session::ShowSent(sim::MailItem* m, const std::string& file) {
  if (options_.quiet) return;
  out_ << "  sent" << (file.empty() ? "" : " as " + file) << "\n";
  if (!m->IsMail())
    out_ << "    item        "
         << (m->itemClass == 53 ? "meeting request" : m->itemClass == 54 ? "meeting cancellation"
             : m->itemClass >= 55 && m->itemClass <= 57 ? "meeting response" : "task request")
         << (m->richTextFlattened ? ", its rich-text body flattened" : ", its rich-text body as it was") << "\n";
  out_ << "    subject     " << m->Subject() << "\n";
  out_ << Indent(m->SentBody(), "    body        ", "                ") << "\n";
  out_ << "    properties  " << PropertiesText(*m) << "\n";
  if (const std::string label = LabelText(*m); !label.empty()) out_ << "    label       SIO-Label: " << label << "\n";
  if (const std::string record = RecordText(*m); !record.empty()) out_ << "    record      " << record << "\n";
}

void Session::Send() {
  sim::Inspector* w = Current("send");
  if (!w) return;
  WritePages();  // the window as the user saw it when pressing Send
  sim::MailItem* m = w->mail();
  if (!m || m->sent) return Error("send", "window " + std::to_string(Number(w)) + " shows no message to send");
  const size_t boxes = world_.messageBoxes.size() + world_.reasonBoxes.size();
  if (!outlook_.Send(w)) {
    if (!options_.quiet) {
      out_ << "  the add-in cancelled the send; window " << Number(w) << " stays open\n";
      if (world_.messageBoxes.size() + world_.reasonBoxes.size() == boxes) out_ << "  (no message box was shown)\n";
    }
    return;
  }
  std::string file = options_.outbox.empty() ? "" : "message-" + std::to_string(outlook_.sentMail.size()) + ".eml";
  if (!outlook_.outboxError.empty()) {
    Error("send", outlook_.outboxError);
    outlook_.outboxError.clear();
    file.clear();
  }
  ShowSent(m, file);
}

void Session::Close() {
  sim::Inspector* w = Current("close");
  if (!w) return;
  outlook_.Close(w);
  if (!options_.quiet) out_ << "  window " << Number(w) << " closed\n";
}

void Session::Respond(const std::string& command) {
  sim::Inspector* w = Current(command);
  if (!w) return;
  auto kind = command == "reply" ? sim::Outlook::kReply : command == "reply-all" ? sim::Outlook::kReplyAll : sim::Outlook::kForward;
  sim::Inspector* response = outlook_.Respond(w, kind);
  if (!response) return Error(command, "window " + std::to_string(Number(w)) + " shows no message to answer");
  Opened(response);
}

void Session::SelectWindow(const Args& a) {
  long n = 0;
  if (!Number("window", a[0], &n)) return;
  if (n < 1 || size_t(n) > windows_.size() || !windows_[size_t(n) - 1]->open)
    return Error("window", "no open window " + a[0]);
  current_ = windows_[size_t(n) - 1];
  if (!options_.quiet) ShowWindow(current_);
}

void Session::Receive(const Args& a) {
  std::error_code folder;
  if (std::filesystem::is_directory(a[0], folder)) return Error("receive", "'" + a[0] + "' is a folder, not an .eml file");
  bool ok = false;
  std::string text = ReadAll(a[0], &ok);
  if (!ok) return Error("receive", "cannot read '" + a[0] + "'");
  std::string error;
  sim::MailItem* m = outlook_.Receive(text, &error);
  if (!m) return Error("receive", "'" + a[0] + "' is no message: " + error);
  inbox_.push_back(m);
  if (!options_.quiet) out_ << "  received message " << inbox_.size() << ": \"" << m->Subject() << "\"\n";
}

void Session::Open(const Args& a) {
  long n = 0;
  // A window on an item the add-in leaves alone, which keeps Outlook running all the same.
  const long other = a[0] == "task" ? 48 : a[0] == "contact" ? 40 : a[0] == "appointment" ? 26 : 0;
  if (other) return Opened(outlook_.Open(world_.Make<sim::OtherItem>(other)));
  if (!Number("open", a[0], &n)) return;
  if (n < 1 || size_t(n) > inbox_.size()) return Error("open", "no received message " + a[0]);
  Opened(outlook_.Open(inbox_[size_t(n) - 1]));
}

void Session::Select(const Args& a) {
  if (!outlook_.app()->activeExplorer) return Error("select", "the main window is closed");
  std::vector<sim::DispatchObject*> items;
  for (const std::string& word : a) {
    long n = 0;
    if (ToLong(word, &n) && n >= 1 && size_t(n) <= inbox_.size()) items.push_back(inbox_[size_t(n) - 1]);
    else if (word == "task") items.push_back(world_.Make<sim::OtherItem>(48));
    else if (word == "post") items.push_back(world_.Make<sim::OtherItem>(45));
    else if (word == "meeting") items.push_back(world_.Make<sim::OtherItem>(53));
    else return Error("select", "expected received message numbers or task, post, meeting, not '" + word + "'");
  }
  outlook_.Select(items);
  if (!options_.quiet) out_ << "  " << items.size() << " item(s) selected in the main window\n";
}

void Session::Click(const Args& a) {
  std::string caption = a[0] == "reply" ? "Reply" : a[0] == "reply-all" ? "Reply to All" : a[0] == "forward" ? "Forward" : "";
  if (caption.empty()) return Error("click", "expected reply, reply-all or forward, not '" + a[0] + "'");
  if (!outlook_.app()->activeExplorer) return Error("click", "the main window is closed");
  sim::Inspector* w = outlook_.ClickInExplorer(caption);
  if (!w) {
    if (!options_.quiet) out_ << "  no mail message selected: nothing opened\n";
    return;
  }
  Opened(w);
}

void Session::Switch(const Args& a) {
  if (a[0] == "folder") outlook_.SwitchFolder();
  else if (a[0] == "view") outlook_.SwitchView();
  else return Error("switch", "expected folder or view, not '" + a[0] + "'");
  if (!options_.quiet) out_ << "  switched " << a[0] << "\n";
}

void Session::ShowLog() {
  if (options_.logDir.empty()) return Error("log", "the log is off; start with --log-dir DIR");
  bool ok = false;
  std::string text = ReadAll(options_.logDir + "/Orvan_Classify/Orvan_Classify.htm", &ok);
  out_ << (ok ? Indent(text, "  | ", "  | ") + "\n" : "  (no report yet, so no log file)\n");
}

void Session::ShowRegistry() {
  out_ << "  HKEY_CURRENT_USER\\Software\\Orvan_Classify\n";
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Orvan_Classify", 0, KEY_READ, &key) != ERROR_SUCCESS) {
    out_ << "    (no values yet: they are written at shutdown)\n";
    return;
  }
  for (const char* name : {"CommandBarLeft", "CommandBarTop", "CommandBarPos", "CommandBarRowIndex"}) {
    DWORD value = 0, size = sizeof value, type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "0x%08X", unsigned(value));
      out_ << "    " << name << " = " << hex << " (" << long(int32_t(value)) << ")\n";
    }
  }
  RegCloseKey(key);
}

void Session::Shutdown(bool fast) {
  if (!running_) return;
  if (fast) outlook_.FastShutdown();
  else outlook_.Shutdown();
  CheckNothingHeld("shutdown");
  // Outlook's process ends: windows still open close after the add-in has gone, and every
  // source lets go of its sinks.
  outlook_.CloseAll();
  world_.DropAllSinks();
  running_ = false;
  if (!options_.quiet)
    out_ << (fast ? "  Outlook exited at once; the add-in was told nothing\n" : "  Outlook shut down; the add-in is disconnected\n");
#ifndef _WIN32
  if (!options_.registry.empty() && registryLoaded_ && !portable_registry::SaveFile(options_.registry)) {
    err_ << "orvan-sim: --registry " << options_.registry << ": cannot write\n";
    ++errors_;
  }
#endif
  if (interactive_) out_ << "  the session is over: 'quit', 'exit' or Ctrl-D ends orvan-sim\n";
}

void Session::Finish() {
  if (running_) {
    line_ = 0;
    if (!options_.quiet) out_ << "> shutdown (end of script)\n";
    Shutdown();
  }
}

void Session::ShowMessageBoxes(sim::Inspector* window) {
  for (; boxesShown_ < world_.messageBoxes.size(); ++boxesShown_) {
    const auto& box = world_.messageBoxes[boxesShown_];
    std::string text;  // a blank line of the box stays blank here
    for (size_t start = 0; start <= box.text.size();) {
      const size_t end = std::min(box.text.find('\n', start), box.text.size());
      const std::string line = box.text.substr(start, end - start);
      text += (start == 0 ? "" : line.empty() ? "\n" : "\n      ") + line;
      start = end + 1;
    }
    out_ << "  message box \"" << box.caption << "\": " << text << "\n";
    if (box.answer == IDYES || box.answer == IDNO) out_ << "    answered " << (box.answer == IDYES ? "Yes" : "No") << "\n";
    if (window) lastBox_[window] = MessageBoxHtml(box.caption, box.text);
  }
  for (; reasonsShown_ < world_.reasonBoxes.size(); ++reasonsShown_) {
    const auto& box = world_.reasonBoxes[reasonsShown_];
    out_ << "  reason dialog \"" << box.caption << "\": " << box.text << "\n";
    for (size_t i = 0; i < box.choices.size(); ++i) out_ << "    " << i + 1 << ". " << box.choices[i] << "\n";
    out_ << "    answered " << (box.answer == "cancel" ? "Cancel" : box.answer) << "\n";
  }
}

void Session::WritePages() {
  if (options_.htmlDir.empty() || pagesFailed_) return;
  for (size_t i = 0; i < windows_.size(); ++i) {
    std::string bar = BarHtml(*windows_[i]);
    if (!bar.empty()) lastBar_[windows_[i]] = bar;
    const std::string path = options_.htmlDir + "/window-" + std::to_string(i + 1) + ".html";
    std::ofstream page(path, std::ios::binary);
    if (sim::Ribbon* r = outlook_.ribbon(); r && windows_[i]->open && windows_[i]->mail()) {
      const bool read = windows_[i]->mail()->sent;
      const std::string tab = read ? "TabReadMessage" : "TabNewMailMessage";
      lastRibbon_[windows_[i]] =
          RibbonHtml(tab, r->Show(windows_[i], read ? "Microsoft.Outlook.Mail.Read" : "Microsoft.Outlook.Mail.Compose", tab));
    }
    page << WindowPage(*windows_[i], int(i + 1), lastBar_[windows_[i]], lastBox_[windows_[i]], lastRibbon_[windows_[i]]);
    page.close();
    if (!page) {
      pagesFailed_ = true;  // said once; the session goes on
      ++errors_;
      err_ << "orvan-sim: --html: cannot write " << path << "\n";
      return;
    }
  }
}

}  // namespace orvan_sim

// Every host call of a user's session failing in turn, and every allocation of the add-in
// failing in turn: Outlook must never see a crash or an exception, every reference must
// come back, a sender's text must never be lost, and a Send either goes out or is
// cancelled with the message as it was.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>
#include "host/dispatch_call.h"
#include "classify/mail_item.h"
#include "sim/ribbon.h"
#include "test_support.h"

namespace {

// ---- allocation faults: the n-th allocation made inside the add-in throws bad_alloc

long g_allocCountdown = 0;  // 0: off
long g_allocSeen = 0;
bool g_allocCounting = false;

}  // namespace

void* ReplacedAllocate(size_t size) {
  if (g_allocCounting && sim::AddInDepth() > 0) {
    ++g_allocSeen;
    if (g_allocCountdown > 0 && --g_allocCountdown == 0) throw std::bad_alloc();
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

void ReplacedFree(void* p) noexcept { std::free(p); }

#include "lib/replace_allocator.h"

namespace {

using testing_support::TempDir;

// What a session saw, for the checks that must hold after every run.
struct Observed {
  struct Text {
    sim::MailItem* item;
    std::string words;    // the sender's own words, which must survive in the body
    std::string subject;  // and in the subject
  };
  std::vector<Text> texts;
  struct SendAttempt {
    bool went;
    std::string subjectBefore, bodyBefore, subjectAfter, bodyAfter;
  };
  std::vector<SendAttempt> sends;
};

const char kReceived[] =
    "Subject: Budget\r\nX-Orvan-classification: 2 - CONFIDENTIAL\r\n\r\nThe draft budget is attached.";

class Session {
 public:
  explicit Session(sim::Outlook& o) : outlook(o) {}
  sim::Outlook& outlook;
  Observed seen;

  // What start-up made, counted as the sweeps count: those come first in every run.
  long startCalls = 0, startAllocations = 0;

  void Start() {
    if (SUCCEEDED(outlook.Load()) && SUCCEEDED(outlook.Connect(ext_cm_Startup))) outlook.StartupComplete();
    startCalls = outlook.world().Calls();
    startAllocations = g_allocSeen;
  }
  sim::Inspector* Compose(long format, const std::string& words) {
    // Words no code page holds: a conversion anywhere would show.
    const std::string text = words + " \u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac \u65e5\u672c \U0001F600";
    std::string body = format == 2 ? "<html><body>" + text + "</body></html>" : text;
    sim::Inspector* w = outlook.Compose(format, "Plans \u05e9\u05dc\u05d5\u05dd \U0001F600", body);
    seen.texts.push_back({w->mail(), text, w->mail()->Subject()});
    return w;
  }
  void Choose(sim::Inspector* w, long n) {
    if (sim::CommandBar* bar = w ? w->ClassificationBar() : nullptr)
      for (sim::Control* c : bar->controls->items)
        if (c->type == 3 && size_t(n) <= c->entries.size()) c->Choose(n);
  }
  void Send(sim::Inspector* w) {
    if (!w || !w->mail()) return;
    sim::MailItem* m = w->mail();
    Observed::SendAttempt a{false, m->Subject(), m->SentBody(), "", ""};
    a.went = outlook.Send(w);
    a.subjectAfter = m->Subject();
    a.bodyAfter = m->SentBody();
    seen.sends.push_back(a);
  }
  // An inline answer in the reading pane, a level chosen on its ribbon, and Send.
  void InlineReply(long ribbonIndex) {
    sim::MailItem* reply = outlook.RespondInline(sim::Outlook::kReply);
    if (!reply) return;
    seen.texts.push_back({reply, "The draft budget is attached.", "Budget"});
    if (outlook.ribbon()) outlook.ribbon()->Choose(outlook.app()->activeExplorer, "Microsoft.Outlook.Explorer", "OrvanLevel", ribbonIndex);
    Observed::SendAttempt a{false, reply->Subject(), reply->SentBody(), "", ""};
    a.went = outlook.SendInline();
    a.subjectAfter = reply->Subject();
    a.bodyAfter = reply->SentBody();
    seen.sends.push_back(a);
  }
  sim::MailItem* Received() {
    std::string error;
    sim::MailItem* m = outlook.Receive(kReceived, &error);
    seen.texts.push_back({m, "The draft budget is attached.", "Budget"});
    return m;
  }
};

struct Scenario {
  const char* name;
  std::function<void(Session&)> play;
  bool requireSelection = false;
  bool today = false;  // Outlook 2013 to Microsoft 365
  bool strict = false;  // the rules on where a level may go, both blocking

  bool SameStartUp(const Scenario& o) const {
    return requireSelection == o.requireSelection && today == o.today && strict == o.strict;
  }
};

// Under the strict policy: above UNCLASSIFIED only to acme.example, and no answer below the
// level it answers.
void StrictPolicy(SettingsDefaults& d) {
  d.InternalDomains = "acme.example";
  d.ExternalMaxLevel = 1;
  d.ExternalRule = SendRule::Block;
  d.DowngradeRule = SendRule::Block;
}

// Whether a message has a recipient outside acme.example, as the policy sees it (a list by
// its members, an unresolved recipient as outside).
bool GoesOutside(const sim::MailItem& m) {
  auto outside = [](const sim::AddressEntry* e) {
    const std::string& a = e->smtp;
    const std::string domain = "acme.example";
    const size_t at = a.rfind('@');
    const std::string host = at == std::string::npos ? "" : a.substr(at + 1);
    return !(host == domain || (host.size() > domain.size() && host.compare(host.size() - domain.size() - 1,
                                                                            domain.size() + 1, "." + domain) == 0));
  };
  for (const sim::Recipient* r : m.recipients->items) {
    if (!r->entry) return true;
    if (r->entry->userType == sim::AddressEntry::kExchangeList) {
      for (const sim::AddressEntry* member : r->entry->members)
        if (outside(member)) return true;
    } else if (outside(r->entry)) {
      return true;
    }
  }
  return false;
}

// The level a sent message carries in either property (0: none).
long CarriedLevel(const sim::MailItem& m) {
  long level = 0;
  if (const auto* v = m.message->Find(PS_PUBLIC_STRINGS_ID, "MAPI-Orvan-classification")) level = v->l;
  if (const auto* h = m.message->Find(PS_INTERNET_HEADERS_ID, "X-Orvan-classification"))
    level = std::max(level, std::atol(h->text.c_str()));
  return level;
}

std::vector<Scenario> Scenarios() {
  return {
      {"compose-choose-send",
       [](Session& s) {
         s.Start();
         sim::Inspector* w = s.Compose(2, "Hello world");
         s.Choose(w, 2);
         s.Send(w);
       }},
      {"open-received-and-close",
       [](Session& s) {
         s.Start();
         sim::Inspector* w = s.outlook.Open(s.Received());
         s.outlook.Close(w);
       }},
      {"reply-from-compose-window",
       [](Session& s) {
         s.Start();
         sim::Inspector* w = s.outlook.Open(s.Received());
         sim::Inspector* reply = s.outlook.Respond(w, sim::Outlook::kReply);
         if (reply) s.seen.texts.push_back({reply->mail(), "The draft budget is attached.", "Budget"});
         s.Send(reply);
         s.outlook.Close(w);
       }},
      {"reply-from-main-window",
       [](Session& s) {
         s.Start();
         s.outlook.Select({s.Received()});
         sim::Inspector* reply = s.outlook.ClickInExplorer("Reply");
         if (reply) s.seen.texts.push_back({reply->mail(), "The draft budget is attached.", "Budget"});
         s.Send(reply);
       }},
      {"required-selection-refused-then-granted",
       [](Session& s) {
         s.Start();
         sim::Inspector* w = s.Compose(1, "Minutes of the board");
         s.Send(w);
         if (w->open) {
           s.Choose(w, 3);
           s.Send(w);
         }
       },
       true},
      {"close-without-sending",
       [](Session& s) {
         s.Start();
         sim::Inspector* w = s.Compose(1, "Just a draft");
         s.Choose(w, 3);
         s.outlook.Close(w);
       }},
      {"send-stopped-after-stamping-then-sent-again",
       [](Session& s) {
         s.Start();
         sim::Inspector* w = s.Compose(2, "Quarterly numbers");
         s.Choose(w, 3);
         s.outlook.otherAddInItemSend = [](sim::MailItem*) { return true; };
         s.outlook.Send(w);  // stopped after the add-in stamped it: the message may change
         s.outlook.otherAddInItemSend = nullptr;
         s.outlook.abortSends = 1;
         s.outlook.Send(w);
         s.outlook.Send(w);
       }},
      {"read-window-moves-to-the-next-message",
       [](Session& s) {
         s.Start();
         sim::MailItem* first = s.Received();
         sim::MailItem* second = s.Received();
         sim::Inspector* w = s.outlook.Open(first);
         s.outlook.ShowInWindow(w, second);
         s.outlook.Close(w);
       }},
      {"same-item-in-two-windows",
       [](Session& s) {
         s.Start();
         sim::Inspector* a = s.Compose(1, "Seen twice");
         sim::Inspector* b = s.outlook.Open(a->mail());
         s.Choose(b, 2);
         s.Send(a);
         s.outlook.Close(b);
       }},
      {"shared-command-bars",
       [](Session& s) {
         s.outlook.ShareCommandBars();
         s.Start();
         sim::Inspector* a = s.Compose(1, "First window");
         sim::Inspector* b = s.Compose(2, "Second window");
         s.Choose(a, 3);
         s.outlook.Close(a);
         s.Choose(b, 2);
         s.Send(b);
       }},
      {"fast-shutdown-with-a-window-open",
       [](Session& s) {
         s.Start();
         sim::Inspector* a = s.Compose(1, "Closed before exit");
         s.outlook.Close(a);
         s.Compose(2, "Open at exit");
         s.outlook.FastShutdown();
       }},
      {"today-inline-reply-chosen-on-the-ribbon",
       [](Session& s) {
         s.Start();
         s.outlook.Select({s.Received()});
         s.InlineReply(2);
       },
       false, true},
      {"today-inline-reply-refused-then-chosen",
       [](Session& s) {
         s.Start();
         s.outlook.undocumented.inlineItemSendFires = false;
         sim::MailItem* m = s.Received();
         s.outlook.Select({m});
         s.InlineReply(3);  // the prompt entry: refused
         s.InlineReply(1);
       },
       true, true},
      {"today-compose-ribbon-pop-out-and-program-send",
       [](Session& s) {
         s.Start();
         sim::Inspector* w = s.Compose(2, "Ribbon words");
         if (s.outlook.ribbon()) s.outlook.ribbon()->Choose(w, "Microsoft.Outlook.Mail.Compose", "OrvanLevel", 1);
         s.Send(w);
         s.outlook.Select({s.Received()});
         if (s.outlook.RespondInline(sim::Outlook::kForward)) s.Send(s.outlook.PopOut());
         sim::MailItem* program = s.outlook.world().Make<sim::MailItem>();
         program->subject = u"Report \u65e5\u672c";
         program->body = u"All green \u0416";
         s.seen.texts.push_back({program, "All green \u0416", "Report \u65e5\u672c"});
         s.outlook.SendByProgram(program);
         s.Compose(1, "Open at a fast exit");
       },
       false, true},
      {"shutdown-with-windows-open",
       [](Session& s) {
         s.Start();
         s.Compose(1, "Left open");
         s.Compose(3, "Also open");
       }},
      {"today-unticked-and-ticked-again",
       [](Session& s) {
         s.Start();
         sim::Inspector* open = s.Compose(2, "Open across the reconnect");
         s.outlook.Select({s.Received()});
         s.outlook.Untick();
         if (SUCCEEDED(s.outlook.Tick())) {
           s.InlineReply(2);
           s.Choose(open, 3);
           s.Send(open);
         }
         s.outlook.ReleaseRetiredRibbons();
       },
       false, true},
      {"a-second-main-window",
       [](Session& s) {
         s.Start();
         sim::Explorer* second = s.outlook.OpenExplorer();
         s.outlook.Select({s.Received()});
         sim::Inspector* reply = s.outlook.ClickInExplorer("Reply");
         if (reply) s.seen.texts.push_back({reply->mail(), "The draft budget is attached.", "Budget"});
         s.Send(reply);
         s.outlook.CloseExplorer(second);
       }},
      {"strict-policy-refuses-outside-and-below",
       [](Session& s) {
         s.Start();
         sim::Inspector* w = s.Compose(2, "Pricing");
         w->mail()->recipients->Add("a@acme.example", 1);
         w->mail()->recipients->Add("ex:y@acme.example", 1);
         w->mail()->recipients->Add("dl:team@acme.example=x@acme.example,ex:z@partner.example", 2);
         s.Choose(w, 2);
         s.Send(w);  // refused: a member of the list is outside
         s.Choose(w, 1);
         s.Send(w);
         sim::Inspector* read = s.outlook.Open(s.Received());
         sim::Inspector* reply = s.outlook.Respond(read, sim::Outlook::kReply);
         if (reply) {
           s.seen.texts.push_back({reply->mail(), "The draft budget is attached.", "Budget"});
           reply->mail()->recipients->Add("a@acme.example", 1);
           s.Choose(reply, 1);  // below CONFIDENTIAL: refused
           s.Send(reply);
         }
         s.outlook.Close(read);
       },
       false, false, true},
      {"today-strict-policy-program-and-inline",
       [](Session& s) {
         s.Start();
         sim::MailItem* program = s.outlook.world().Make<sim::MailItem>(53);
         program->subject = u"Review";
         program->body = u"Agenda";
         program->recipients->Add("c@partner.example", 1);
         program->recipients->Add("?Bob", 2);
         s.seen.texts.push_back({program, "Agenda", "Review"});
         s.outlook.SendByProgram(program);  // UNCLASSIFIED: goes
         s.outlook.Select({s.Received()});
         sim::MailItem* reply = s.outlook.RespondInline(sim::Outlook::kForward);
         if (reply) {
           reply->recipients->Add("c@partner.example", 1);
           s.InlineReply(1);  // CONFIDENTIAL to the outside: refused
         }
       },
       false, true, true},
      {"today-a-long-session",
       [](Session& s) {
         s.Start();
         for (int i = 0; i < 6; ++i) {
           sim::Inspector* w = s.Compose(i % 2 ? 2 : 1, "Message " + std::to_string(i));
           s.Choose(w, 1 + i % 3);
           if (i % 3 == 0) {
             // Stopped after it was stamped: the message keeps its marks, and the draft stays.
             s.outlook.otherAddInItemSend = [](sim::MailItem*) { return true; };
             s.outlook.Send(w);
             s.outlook.otherAddInItemSend = nullptr;
             s.outlook.Close(w);
           } else {
             s.Send(w);
           }
           s.outlook.Select({s.Received()});
           if (i % 2) s.InlineReply(i % 3);
         }
       },
       false, true},
  };
}

// Runs one scenario in a fresh Outlook; returns the failures of the checks ("" when all
// held) and the number of host calls it made.
struct Counts {
  long calls = 0, allocations = 0;
  long startCalls = 0, startAllocations = 0;
};

std::string RunOnce(const Scenario& scenario, const std::function<void(sim::World&)>& arm, Counts* counts = nullptr) {
  TempDir appdata;
  setenv("APPDATA", appdata.path().c_str(), 1);
  portable_registry::Clear();
  ClassificationSettings::NextDefaults() = SettingsDefaults::Compiled();
  ClassificationSettings::NextDefaults().RequireSelection = scenario.requireSelection;
  if (scenario.strict) StrictPolicy(ClassificationSettings::NextDefaults());
  std::string failures;
  const ULONG objectsBefore = ObjectCount;
  ForgetHostMemberIds();  // every run asks for its DISPIDs, so GetIDsOfNames is swept too
  {
    sim::World world;
    sim::Outlook outlook(world, true, scenario.today ? sim::Outlook::Version::Today : sim::Outlook::Version::Classic);
    Session session(outlook);
    arm(world);
    g_allocSeen = 0;
    g_allocCounting = true;
    scenario.play(session);
    outlook.Shutdown();
    g_allocCounting = false;
    g_allocCountdown = 0;
    if (!world.FailedMember().empty()) failures += "(" + world.FailedMember() + ") ";
    world.ClearFaults();
    if (counts) *counts = {world.Calls(), g_allocSeen, session.startCalls, session.startAllocations};
    outlook.CloseAll();  // Outlook exits: windows left open close after the add-in is gone
    world.DropAllSinks();

    for (const std::string& e : world.Escapes()) failures += "exception reached Outlook: " + e + "; ";
    if (long refs = world.OutstandingRefs()) failures += "references kept: " + std::to_string(refs) + "; ";
    for (const auto& t : session.seen.texts) {
      std::string body = t.item->SentBody();
      if (body.find(t.words) == std::string::npos) failures += "the sender's text was lost: '" + body + "'; ";
      if (t.item->Subject().find(t.subject) == std::string::npos)
        failures += "the sender's subject was lost: '" + t.item->Subject() + "'; ";
    }
    // Whatever failed, no message left classified above UNCLASSIFIED for the outside, and no
    // answer classified below the level the add-in knew it answers.
    if (scenario.strict)
      for (const sim::MailItem* m : outlook.sentMail) {
        const long level = CarriedLevel(*m);
        if (GoesOutside(*m) && level > 1)
          failures += "'" + m->Subject() + "' left at " + std::to_string(level) + " for the outside; ";
        const auto* answered = m->message->Find(PS_PUBLIC_STRINGS_ID, "OrvanClassify-AnsweredLevel");
        if (answered && level >= 1 && level < answered->l)
          failures += "'" + m->Subject() + "' left below the level it answers; ";
      }
    for (const auto& a : session.seen.sends) {
      if (a.went) continue;
      if (a.subjectAfter != a.subjectBefore || a.bodyAfter != a.bodyBefore)
        failures += "a cancelled Send changed the message; ";
    }
  }
  if (ObjectCount != objectsBefore)
    failures += "objects of the library left alive: " + std::to_string(ObjectCount - objectsBefore) + "; ";
  ClassificationSettings::NextDefaults() = SettingsDefaults::Compiled();
  // Only a failure counts: the member that failed is named beside it.
  return failures.find("; ") == std::string::npos ? std::string() : failures;
}

// Start-up is the same in every scenario of one configuration, and is over a third of what
// a short scenario does: its steps fail in the first scenario of each configuration, the
// later steps in every scenario.
long FirstSwept(const std::vector<Scenario>& all, size_t i, long startSteps) {
  for (size_t j = 0; j < i; ++j)
    if (all[j].SameStartUp(all[i])) return startSteps + 1;
  return 1;
}

TEST(FaultSweep, EveryHostCallFailingInTurnIsContained) {
  long runs = 0, held = 0;
  const std::vector<Scenario> all = Scenarios();
  for (size_t i = 0; i < all.size(); ++i) {
    const Scenario& scenario = all[i];
    Counts counts;
    ASSERT_EQ(RunOnce(scenario, [](sim::World&) {}, &counts), "") << scenario.name << " without faults";
    for (long k = FirstSwept(all, i, counts.startCalls); k <= counts.calls; ++k) {
      for (HRESULT hr : {E_FAIL, RPC_E_DISCONNECTED}) {
        std::string failures = RunOnce(scenario, [&](sim::World& w) { w.FailCall(k, hr); });
        ++runs;
        if (failures.empty()) ++held;
        else ADD_FAILURE() << scenario.name << ", call " << k << " failing with " << std::hex << unsigned(hr) << ": "
                           << failures;
      }
    }
  }
  std::printf("fault sweep: %ld runs made, %ld held\n", runs, held);
  EXPECT_EQ(runs, held);
  EXPECT_GT(runs, 500);
}

// The allocation sweep is the longest test: it runs as two, each over every other scenario,
// so that two cores share it.
void SweepAllocations(size_t first) {
  long runs = 0, held = 0;
  const std::vector<Scenario> all = Scenarios();
  for (size_t i = first; i < all.size(); i += 2) {
    const Scenario& scenario = all[i];
    Counts counts;
    ASSERT_EQ(RunOnce(scenario, [](sim::World&) {}, &counts), "") << scenario.name << " without faults";
    for (long n = FirstSwept(all, i, counts.startAllocations); n <= counts.allocations; ++n) {
      std::string failures = RunOnce(scenario, [&](sim::World&) { g_allocCountdown = n; });
      ++runs;
      if (failures.empty()) ++held;
      else ADD_FAILURE() << scenario.name << ", allocation " << n << " failing: " << failures;
    }
  }
  std::printf("allocation sweep: %ld runs made, %ld held\n", runs, held);
  EXPECT_EQ(runs, held);
  EXPECT_GT(runs, 500);
}

TEST(FaultSweep, EveryAllocationOfTheAddInFailingInTurnIsContained) { SweepAllocations(0); }
TEST(FaultSweep, EveryAllocationOfTheAddInFailingInTurnIsContainedInTheOtherScenarios) { SweepAllocations(1); }

}  // namespace

#include "action_costs.h"

#include <cstdio>
#include "com/extensibility.h"
#include "sim/outlook.h"

namespace action_costs {

namespace {

constexpr long kMostCallsPerSecond = 10000;  // Outlook disables an add-in past this

sim::MailItem* Arrive(sim::Outlook& o, int level, int n) {
  std::string error;
  return o.Receive("Subject: Report " + std::to_string(n) + "\r\nX-Orvan-classification: " + std::to_string(level) +
                       " - LEVEL\r\n\r\nThe report.",
                   &error);
}

void Start(sim::Outlook& o) {
  o.Load();
  o.Connect(ext_cm_Startup);
  o.StartupComplete();
}

// Calls made by what fn does.
template <class F>
long Count(sim::World& world, F fn) {
  world.ResetCounts();
  fn();
  return world.Calls();
}

}  // namespace

std::vector<Row> Measure() {
  std::vector<Row> rows;
  const double kStartup = 1000, kItemOpen = 500, kFolderSwitch = 500;
  {
    // Today's Outlook: the ribbon, inline responses, the selection watched.
    sim::World world;
    sim::Outlook o(world, true, sim::Outlook::Version::Today);
    rows.push_back({"start-up", Count(world, [&] { Start(o); }), kStartup, "start-up"});
    // Each member's DISPID is asked for once per session: the first of each action pays it.
    o.Send(o.Compose(2, "First", "<html><body>x</body></html>"));
    o.Close(o.Open(Arrive(o, 2, 0)));
    sim::Inspector* w = nullptr;
    rows.push_back({"open a compose window", Count(world, [&] { w = o.Compose(2, "Plans", "<html><body>x</body></html>"); }),
                    kItemOpen, "item open"});
    rows.push_back({"Send (HTML)", Count(world, [&] { o.Send(w); }), kItemOpen, "item open (none of its own)"});
    for (int i = 0; i < 1000; ++i) o.Send(o.Compose(i % 2 ? 1 : 2, "Plans", "x"));
    w = o.Compose(2, "Plans", "<html><body>x</body></html>");
    rows.push_back({"Send (HTML), after 1,000 sends", Count(world, [&] { o.Send(w); }), kItemOpen,
                    "item open (none of its own)"});
    sim::MailItem* received = Arrive(o, 3, 1);
    sim::Inspector* read = nullptr;
    rows.push_back({"open a read window", Count(world, [&] { read = o.Open(received); }), kItemOpen, "item open"});
    o.Close(read);
    for (long n : {1L, 10000L}) {
      std::vector<sim::DispatchObject*> selection;
      for (long i = 0; i < n; ++i) selection.push_back(Arrive(o, 1, int(i)));
      rows.push_back({"selection change, " + std::to_string(n) + " selected",
                      Count(world, [&] { o.Select(selection); }), kFolderSwitch, "folder switch"});
    }
    o.Shutdown();
    o.CloseAll();
  }
  for (long n : {1L, 32L, 33L, 100L, 1000L, 10000L}) {
    // Classic Outlook's Standard bar: Forward with the selection's level carried (every
    // message UNCLASSIFIED: nothing stops the reading early), and its compose window.
    sim::World world;
    sim::Outlook o(world, true, sim::Outlook::Version::Classic);
    Start(o);
    std::vector<sim::DispatchObject*> selection;
    for (long i = 0; i < n; ++i) selection.push_back(Arrive(o, 1, int(i)));
    o.Select(selection);
    o.Close(o.ClickInExplorer("Forward"));  // the names, once
    sim::Inspector* forward = nullptr;
    rows.push_back({"Reply or Forward, " + std::to_string(n) + " selected, and its window",
                    Count(world, [&] { forward = o.ClickInExplorer("Forward"); }), kFolderSwitch, "folder switch"});
    if (forward) o.Close(forward);
    o.Shutdown();
    o.CloseAll();
  }
  return rows;
}

int Print(const std::vector<Row>& rows, const PerCall& cost) {
  std::printf("\nHost calls per action (counted; the times are the calls at an assumed cost per call):\n");
  std::printf("%-50s %8s %14s %14s %10s  %s\n", "action", "calls", "in-process ms", "at server ms", "limit ms",
              "Outlook's limit");
  int past = 0;
  for (const Row& r : rows) {
    const double local = double(r.calls) * cost.inProcessMs, server = double(r.calls) * cost.serverMs;
    const bool over = r.calls >= kMostCallsPerSecond || server > r.limitMs;
    past += over ? 1 : 0;
    std::printf("%-50s %8ld %14.2f %14.1f %10.0f  %s%s\n", r.action.c_str(), r.calls, local, server, r.limitMs,
                r.limit.c_str(), over ? "  PAST THE LIMIT" : "");
  }
  // The bound on the selected messages read: what reading one costs, from the rows of 1 and 32.
  long one = 0, most = 0;
  for (const Row& r : rows) {
    if (r.action.rfind("Reply or Forward, 1 selected", 0) == 0) one = r.calls;
    if (r.action.rfind("Reply or Forward, 32 selected", 0) == 0) most = r.calls;
  }
  if (one && most)
    std::printf("reading one selected message for its level: %.1f calls; the 32 read at most: %ld calls, %.0f ms at "
                "the server cost; from 33 on, none is read\n",
                double(most - one) / 31.0, most, double(most) * cost.serverMs);
  std::printf("per call: %.3f ms in Outlook's process, %.1f ms when it reaches the Exchange server (assumed; "
              "--call-ms and --server-call-ms change them); every action also stays under %ld calls, the "
              "most Outlook allows in a second\n",
              cost.inProcessMs, cost.serverMs, kMostCallsPerSecond);
  return past;
}

}  // namespace action_costs

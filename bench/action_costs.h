// The host calls of each action a user takes, counted in the simulated Outlook (every call
// the add-in makes into Outlook's object model, MAPI and connection points), and the time
// they would take in Outlook at two costs per call, beside Outlook's resiliency limits.
#pragma once

#include <string>
#include <vector>

namespace action_costs {

// What a call costs in Outlook. Neither is measured here: they are assumptions, stated
// with the table, and may be changed on the command line.
struct PerCall {
  double inProcessMs = 0.05;  // --call-ms: a call Outlook serves in its own process
  double serverMs = 2.0;      // --server-call-ms: a call that reaches the Exchange server
};

struct Row {
  std::string action;
  long calls;
  double limitMs;     // Outlook's limit for the handler the action runs in
  std::string limit;  // which limit that is
};

std::vector<Row> Measure();
// Prints the table; returns the number of rows past a limit (10,000 calls, or the time
// limit at the server cost).
int Print(const std::vector<Row>& rows, const PerCall& cost);

}  // namespace action_costs

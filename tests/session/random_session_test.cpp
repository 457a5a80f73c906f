// The randomized session test in ./dev test: a fixed budget of sessions, the same seeds on
// every run, so that a failure here replays exactly (orvan-soak --seed N --sessions 1).
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include "random_session.h"
#include "session.h"

namespace {

long Budget() {
  const char* text = std::getenv("ORVAN_SESSIONS");
  const long n = text ? std::atol(text) : 0;
  return n > 0 ? n : 120;
}

TEST(RandomSession, EveryMessageThatLeavesKeepsThePromisesAndNothingIsHeld) {
  const random_session::Report report = random_session::Run(1, Budget(), 0, std::cout);
  std::printf("random sessions: %ld sessions, %ld steps, %ld sent messages checked; %zu failed\n", report.sessions,
              report.steps, report.sent, report.failedSeeds.size());
  EXPECT_TRUE(report.failedSeeds.empty());
  EXPECT_GT(report.sent, report.sessions);  // the sessions send, so the checks are reached
  // Every command of orvan-sim is played, but those that only print or read files.
  const std::set<std::string> notPlayed = {"help", "log", "registry", "show", "receive"};
  for (const orvan_sim::Session::Command& c : orvan_sim::Session::Commands())
    EXPECT_TRUE(report.commands.count(c.name) || notPlayed.count(c.name)) << "no session played '" << c.name << "'";
}

}  // namespace

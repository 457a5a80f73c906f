// The randomized session test in ./dev test: a fixed budget of sessions, the same seeds on
// every run, so that a failure here replays exactly (orvan-soak --seed N --sessions 1).
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include "random_session.h"

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
}

}  // namespace

// orvan-soak: the randomized session test for as long as you like, from a seed of the
// clock or the one you name.
//   orvan-soak [--minutes M] [--sessions N] [--seed S] [--ignore CHECK,...]
//   orvan-soak --seed S --replay SCRIPT   plays a printed script (one step a line) under the
//                                         seed's setup, and says which check it fails
#include <chrono>
#include <fstream>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <iostream>
#include <set>
#include <string>
#include "random_session.h"

int main(int argc, char** argv) {
  double minutes = 0;
  long sessions = 0;
  unsigned long long seed = 0;
  bool seeded = false;
  std::set<std::string> ignore;
  std::string replay;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) {
      std::cerr << "usage: orvan-soak [--minutes M] [--sessions N] [--seed S] [--ignore CHECK,...]\n";
      return 2;
    }
    if (a == "--minutes") minutes = std::atof(argv[++i]);
    else if (a == "--sessions") sessions = std::atol(argv[++i]);
    else if (a == "--replay") replay = argv[++i];
    else if (a == "--ignore") {
      std::string list = argv[++i];
      for (size_t at = 0; at <= list.size();) {
        const size_t comma = std::min(list.find(',', at), list.size());
        if (comma > at) ignore.insert(list.substr(at, comma - at));
        at = comma + 1;
      }
    } else if (a == "--seed") {
      seed = std::strtoull(argv[++i], nullptr, 10);
      seeded = true;
    } else {
      std::cerr << "orvan-soak: unknown argument '" << a << "'\n";
      return 2;
    }
  }
  if (!replay.empty()) {
    std::ifstream in(replay);
    if (!in) {
      std::cerr << "orvan-soak: cannot read " << replay << "\n";
      return 2;
    }
    std::vector<random_session::Step> steps;
    for (std::string line; std::getline(in, line);) {
      if (line.empty() || line[0] == '#') continue;
      if (line[0] == ' ' && !steps.empty()) steps.back().push_back(line.substr(line.find_first_not_of(' ')));
      else steps.push_back({line});
    }
    const random_session::Outcome o = random_session::Replay(random_session::SetupOf(seed, ignore), steps);
    std::cout << (o.failed ? "fails (" + o.check + ") after step " + std::to_string(o.step + 1) + ": " + o.detail
                           : std::string("holds"))
              << "\n";
    return o.failed ? 1 : 0;
  }
  if (!seeded) seed = (unsigned long long)std::chrono::system_clock::now().time_since_epoch().count() % 1000000000ULL;
  if (minutes <= 0 && sessions <= 0) minutes = 1;
  std::cout << "orvan-soak: sessions from seed " << seed << (minutes > 0 ? ", for " + std::to_string(minutes) + " minute(s)" : "")
            << std::endl;
  const random_session::Report r = random_session::Run(seed, sessions, minutes * 60, std::cout, ignore);
  std::printf("orvan-soak: %ld sessions (seeds %llu to %llu), %ld steps, %ld sent messages checked; %zu failed\n",
              r.sessions, seed, seed + (unsigned long long)(r.sessions ? r.sessions - 1 : 0), r.steps, r.sent,
              r.failedSeeds.size());
  return r.failedSeeds.empty() ? 0 : 1;
}

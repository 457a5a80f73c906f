// orvan-sim: Outlook simulated on the command line, with the add-in loaded the way Outlook
// loads it. Plays a script (orvan-sim run FILE) or commands typed at the prompt.
#include <fstream>
#include <iostream>
#include <string>
#include "session.h"

namespace {

int Usage() {
  std::cerr << "usage: orvan-sim [run SCRIPT] [--outbox DIR] [--registry FILE] [--log-dir DIR] [--html DIR] [--quiet]\n"
               "                 [--require-selection]\n"
               "       without 'run', commands are read from standard input ('help' lists them)\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  orvan_sim::Options options;
  std::string script;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    if (a == "run" && script.empty() && value(&script)) continue;
    if (a == "--outbox" && value(&options.outbox)) continue;
    if (a == "--registry" && value(&options.registry)) continue;
    if (a == "--log-dir" && value(&options.logDir)) continue;
    if (a == "--html" && value(&options.htmlDir)) continue;
    if (a == "--require-selection") {
      options.requireSelection = true;
      continue;
    }
    if (a == "--quiet") {
      options.quiet = true;
      continue;
    }
    return Usage();
  }
#ifdef _WIN32
  if (!options.logDir.empty() || !options.registry.empty() || options.requireSelection) {
    std::cerr << "orvan-sim: --log-dir, --registry and --require-selection need the portable build; the Windows "
                 "build uses the real registry and the DLL's own policy\n";
    return 2;
  }
  CoInitialize(nullptr);
#endif
  std::ifstream file;
  std::istream* in = &std::cin;
  if (!script.empty()) {
    file.open(script);
    if (!file) {
      std::cerr << "orvan-sim: run: cannot read '" << script << "'\n";
      return 2;
    }
    in = &file;
  }
  int errors = 0;
  {
    orvan_sim::Session session(options, std::cout, std::cerr);
    const bool interactive = script.empty();
    std::string line;
    int number = 0;
    if (interactive) std::cout << "orvan-sim> " << std::flush;
    while (std::getline(*in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      session.Run(line, ++number);
      if (interactive) std::cout << "orvan-sim> " << std::flush;
    }
    session.Finish();
    errors = session.Errors();
  }
#ifdef _WIN32
  CoUninitialize();
#endif
  return errors ? 1 : 0;
}

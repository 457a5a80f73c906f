// orvan-sim: Outlook simulated on the command line, with the add-in loaded the way Outlook
// loads it. Plays a script (orvan-sim run FILE) or commands typed at the prompt.
#include <fstream>
#include <iostream>
#include <string>
#include "session.h"

namespace {

const char kUsage[] =
    "usage: orvan-sim [run SCRIPT] [--outbox DIR] [--registry FILE] [--log-dir DIR] [--html DIR] [--events FILE]\n"
    "                 [--quiet] [--require-selection] [--outlook classic|today] [--ui-language en|fr|de]\n"
    "  run SCRIPT           play the commands of SCRIPT; without it, commands are typed at the prompt\n"
    "                       ('help' lists them; 'quit', 'exit' or Ctrl-D ends the prompt)\n"
    "  --outbox DIR         write each sent message to DIR as message-N.eml\n"
    "  --registry FILE      load the registry from a REGEDIT4 file at start, save it there at shutdown\n"
    "  --log-dir DIR        switch the add-in's session log on, under DIR\n"
    "  --html DIR           write each window to DIR as an HTML page after every command\n"
    "  --events FILE        write each event the add-in reports to the event log to FILE, one JSON\n"
    "                       object a line (the transcript shows them too)\n"
    "  --quiet              print only errors and what 'show', 'log' and 'registry' ask for\n"
    "  --require-selection  play the policy that refuses Send until the sender chooses a level\n"
    "  --outlook classic|today\n"
    "                       classic Outlook (the default) or today's (2013 to Microsoft 365): the\n"
    "                       ribbon, inline responses, fast shutdown\n"
    "  --ui-language en|fr|de\n"
    "                       Office in English (the default), French or German: the add-in shows its\n"
    "                       own texts in that language\n"
    "  --help               print this and exit\n"
    "Folders are created when missing. Exit status: 0 when every command and write succeeded,\n"
    "1 when a command failed or a file could not be written, 2 for a bad command line.\n";

int BadArgument(const std::string& what) {
  std::cerr << "orvan-sim: " << what << "\n" << kUsage;
  return 2;
}

// The command line into options and the script; -1 when it is good, else the exit status.
int ReadArguments(int argc, char** argv, orvan_sim::Options* options, std::string* script) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc || std::string(argv[i + 1]).empty()) return false;
      *out = argv[++i];
      return true;
    };
    if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (a == "--require-selection") options->requireSelection = true;
    else if (a == "--outlook") {
      std::string version;
      if (!value(&version) || (version != "classic" && version != "today"))
        return BadArgument("'--outlook' is classic or today");
      options->today = version == "today";
    }
    else if (a == "--ui-language") {
      std::string language;
      if (!value(&language) || (language != "en" && language != "fr" && language != "de"))
        return BadArgument("'--ui-language' is en, fr or de");
      options->uiLanguage = language == "fr" ? 0x040C : language == "de" ? 0x0407 : 0x0409;
    }
    else if (a == "--quiet") options->quiet = true;
    else if (a == "run" || a == "--outbox" || a == "--registry" || a == "--log-dir" || a == "--html" || a == "--events") {
      std::string* target = a == "run" ? script : a == "--outbox" ? &options->outbox : a == "--registry" ? &options->registry
                                                : a == "--log-dir" ? &options->logDir : a == "--events" ? &options->eventsFile
                                                : &options->htmlDir;
      if (!target->empty()) return BadArgument("'" + a + "' is given twice");
      if (!value(target)) return BadArgument("'" + a + "' needs " + (a == "run" ? "a script" : a == "--registry" ? "a file" : "a folder"));
    } else {
      return BadArgument("unknown argument '" + a + "'");
    }
  }
#ifdef _WIN32
  if (!options->logDir.empty() || !options->registry.empty() || options->requireSelection || options->today)
    return BadArgument("--log-dir, --registry, --require-selection and --outlook today need the portable build; the "
                       "Windows build uses the real registry and the DLL's own policy, and plays classic Outlook");
#endif
  return -1;
}

// Plays the script, or what is typed at the prompt; the exit status.
int Play(const orvan_sim::Options& options, std::istream& in, bool interactive) {
  orvan_sim::Session session(options, std::cout, std::cerr);
  if (!session.Usable()) return 2;
  session.SetInteractive(interactive);
  std::string line;
  int number = 0;
  auto prompt = [&] {
    if (interactive) std::cout << (session.Running() ? "orvan-sim> " : "orvan-sim (shut down)> ") << std::flush;
  };
  prompt();
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t first = line.find_first_not_of(" \t");
    const std::string word = first == std::string::npos ? "" : line.substr(first, line.find_first_of(" \t", first) - first);
    if (interactive && (word == "quit" || word == "exit")) break;
    session.Run(line, ++number);
    prompt();
  }
  if (interactive) std::cout << "\n";
  session.Finish();
  return session.Errors() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  orvan_sim::Options options;
  std::string script;
  const int bad = ReadArguments(argc, argv, &options, &script);
  if (bad >= 0) return bad;
  std::ifstream file;
  if (!script.empty()) {
    file.open(script);
    if (!file) {
      std::cerr << "orvan-sim: run: cannot read '" << script << "'\n";
      return 2;
    }
  }
#ifdef _WIN32
  CoInitialize(nullptr);
#endif
  const int status = Play(options, script.empty() ? std::cin : file, script.empty());
#ifdef _WIN32
  CoUninitialize();
#endif
  return status;
}

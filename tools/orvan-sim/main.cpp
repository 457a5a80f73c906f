// orvan-sim: Outlook simulated on the command line, with the add-in loaded the way
// Outlook loads it. This first version plays one short session: load, connect, start,
// shut down, and shows what the add-in left behind (its log and its registry values).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include "diag/session_log.h"
#include "server/module.h"
#include "addin/host_iids.h"
#include "sim/outlook.h"

namespace {

void Step(const char* what, HRESULT hr) { std::printf("  %-44s %s (0x%08X)\n", what, SUCCEEDED(hr) ? "ok" : "FAILED", unsigned(hr)); }

int Usage() {
  std::fprintf(stderr, "usage: orvan-sim demo [--log-dir DIR] [--registry FILE]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::string(argv[1]) != "demo") return Usage();
  std::string logDir, registryFile;
  for (int i = 2; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--log-dir" && i + 1 < argc) logDir = argv[++i];
    else if (a == "--registry" && i + 1 < argc) registryFile = argv[++i];
    else return Usage();
  }
  if (!logDir.empty()) {
    setenv("APPDATA", logDir.c_str(), 1);
    SessionLog::SetDefaultEnabled(true);
  }
  if (!registryFile.empty()) {
    std::string error;
    if (std::ifstream(registryFile) && !portable_registry::LoadFile(registryFile, &error))
      std::fprintf(stderr, "orvan-sim: --registry %s: %s\n", registryFile.c_str(), error.c_str());
  }

  std::printf("Outlook starts and loads the add-in\n");
  {
    sim::World world;
    sim::Outlook outlook(world);
    Step("class factory creates the add-in", outlook.Load());
    Step("OnConnection (start-up mode)", outlook.Connect(ext_cm_Startup));
    Step("OnStartupComplete", outlook.StartupComplete());
    std::printf("  compose-window subscriptions: %zu\n",
                outlook.app()->inspectors->SinkCount(IID_InspectorsEvents));
    std::printf("Outlook shuts down\n");
    Step("OnBeginShutdown", outlook.BeginShutdown());
    Step("OnDisconnection (host shutdown)", outlook.Disconnect(ext_dm_HostShutdown));
    outlook.Unload();
    std::printf("  references still held by the add-in: %ld\n", world.OutstandingRefs());
    std::printf("  library may unload: %s\n", DllCanUnloadNow() == S_OK ? "yes" : "no");
  }

  if (!logDir.empty()) {
    std::string path = logDir + "/Orvan_Classify/Orvan_Classify.htm";
    std::ifstream in(path, std::ios::binary);
    std::printf("\nSession log %s:\n", path.c_str());
    if (!in) {
      std::printf("  (nothing was reported, so no file was written)\n");
    } else {
      std::ostringstream s;
      s << in.rdbuf();
      std::string text = s.str();
      for (char c : text)
        if (c != '\r') std::putchar(c);
    }
  }
  std::printf("\nRegistry written by the add-in:\n%s", portable_registry::Export().c_str());
  if (!registryFile.empty()) portable_registry::SaveFile(registryFile);
  return 0;
}

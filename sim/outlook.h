// The simulated Outlook: its application object and the windows a user opens, and the
// add-in loaded the way Outlook loads it (class factory, IDTExtensibility2).
#pragma once

#include <string>
#include <vector>
#include "addin/extensibility.h"
#include "sim/dispatch_object.h"

namespace sim {

class Explorer;
class Inspectors;

class NameSpace : public DispatchObject {
 public:
  NameSpace(World& world, std::string type);
};

class Application : public DispatchObject {
 public:
  explicit Application(World& world);
  Explorer* activeExplorer = nullptr;  // null: no main window open
  Inspectors* inspectors = nullptr;
};

class Inspectors : public DispatchObject {
 public:
  explicit Inspectors(World& world);
};

class Explorer : public DispatchObject {
 public:
  explicit Explorer(World& world);
};

// The add-in as Outlook holds it between load and unload.
class Outlook {
 public:
  explicit Outlook(World& world, bool withExplorer = true);
  ~Outlook();

  World& world() { return world_; }
  Application* app() { return app_; }

  // Creates the add-in through the class factory; returns the HRESULT of the first
  // step that failed.
  HRESULT Load();
  HRESULT Connect(ext_ConnectMode mode = ext_cm_Startup);
  HRESULT StartupComplete();
  HRESULT BeginShutdown();
  HRESULT Disconnect(ext_DisconnectMode mode = ext_dm_HostShutdown);
  // Outlook's own shutdown: OnBeginShutdown, OnDisconnection, the last Release.
  void Shutdown();
  void Unload();  // lets go of the add-in object
  _IDTExtensibility2* addIn() const { return addIn_.get(); }

 private:
  World& world_;
  Application* app_;
  ComPtr<_IDTExtensibility2> addIn_;
};

}  // namespace sim

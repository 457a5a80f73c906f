// The simulated Outlook: its application object and the windows a user opens, and the
// add-in loaded the way Outlook loads it (class factory, IDTExtensibility2).
#pragma once

#include <string>
#include <vector>
#include "com/extensibility.h"
#include "sim/command_bars.h"
#include "sim/dispatch_object.h"
#include "sim/items.h"

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

// A window on one item, with its own command bars.
class Inspector : public DispatchObject {
 public:
  Inspector(World& world, DispatchObject* item);
  DispatchObject* item;
  CommandBars* bars;
  bool open = true;
  MailItem* mail() const { return dynamic_cast<MailItem*>(item); }
  // The classification bar as the user sees it, or null.
  CommandBar* ClassificationBar() const { return bars->Find("Orvan_Classify"); }
};

class Inspectors : public DispatchObject {
 public:
  explicit Inspectors(World& world);
  std::vector<Inspector*> windows;
};

class Selection : public DispatchObject {
 public:
  explicit Selection(World& world);
  std::vector<DispatchObject*> items;
};

// The main window: a "Standard" bar with Reply, Reply to All and Forward, and a selection.
class Explorer : public DispatchObject {
 public:
  explicit Explorer(World& world);
  CommandBars* bars;
  Selection* selection;
  Control* Button(const std::string& caption) const;
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
  // Outlook's own shutdown: the main window closes, then OnBeginShutdown,
  // OnDisconnection and the last Release.
  void Shutdown();
  void Unload();  // lets go of the add-in object

  // What a user does in compose windows.
  Inspector* Compose(long format, const std::string& subject, const std::string& body);
  Inspector* Open(DispatchObject* item);  // a window on an existing item; NewInspector fires
  // Send: the item's Send event, then, unless an add-in cancelled it, the message leaves
  // (kept in sentMail, written to outbox as .eml when set) and the window closes.
  bool Send(Inspector* window);
  void Close(Inspector* window);
  void CloseAll();  // every window still open, as when Outlook exits
  enum Response { kReply = 0xF466, kReplyAll = 0xF467, kForward = 0xF468 };
  // Reply, Reply to All or Forward in the compose window: the event fires with the new
  // item before its window opens.
  Inspector* Respond(Inspector* window, Response kind);
  MailItem* Receive(const std::string& eml, std::string* error);

  // What a user does in the main window.
  void Select(std::vector<DispatchObject*> items);  // SelectionChange fires
  void SwitchFolder();                               // BeforeFolderSwitch, FolderSwitch
  void SwitchView();                                 // BeforeViewSwitch, ViewSwitch
  void ActivateExplorer();
  // Clicks the button; then, as Outlook does, answers the first selected mail message in a
  // new compose window (null when nothing was opened).
  Inspector* ClickInExplorer(const std::string& caption);
  void CloseExplorer();  // Close fires; the window is gone afterwards

  std::string outbox;
  std::vector<MailItem*> sentMail;
  _IDTExtensibility2* addIn() const { return addIn_.get(); }

 private:
  void Switch(DISPID before, DISPID after);
  MailItem* MakeResponse(const MailItem& original, bool forward);

  World& world_;
  Application* app_;
  ComPtr<_IDTExtensibility2> addIn_;
};

}  // namespace sim

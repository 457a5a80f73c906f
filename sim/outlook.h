// The simulated Outlook: its application object and the windows a user opens, and the
// add-in loaded the way Outlook loads it (class factory, IDTExtensibility2).
#pragma once

#include <functional>
#include <memory>
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

class Explorers : public DispatchObject {
 public:
  explicit Explorers(World& world);
  std::vector<Explorer*> windows;  // the main windows open, oldest first
};

class LanguageSettings : public DispatchObject {
 public:
  explicit LanguageSettings(World& world);
};

class Application : public DispatchObject {
 public:
  explicit Application(World& world);
  Explorer* activeExplorer = nullptr;  // null: no main window open
  Explorers* explorers = nullptr;
  Inspectors* inspectors = nullptr;
};

// A window on one item, with its own command bars.
class Inspector : public DispatchObject {
 public:
  // bars: the window's own command bars, or those all compose windows share.
  Inspector(World& world, DispatchObject* item, CommandBars* bars);
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

// The main window: a "Standard" bar with Reply, Reply to All and Forward, and a selection;
// today's also offers ExplorerEvents_10 and shows inline responses in its reading pane.
class Explorer : public DispatchObject {
 public:
  Explorer(World& world, bool today);
  CommandBars* bars;
  Selection* selection;
  MailItem* inlineResponse = nullptr;
  bool open = true;
  Control* Button(const std::string& caption) const;
  // An event that ExplorerEvents and ExplorerEvents_10 both declare reaches the sinks of each.
  void FireBoth(DISPID id, const std::vector<VARIANT>& args);

 private:
  bool today_;
};

class Ribbon;

// The add-in as Outlook holds it between load and unload.
class Outlook {
 public:
  // Classic: Outlook as command bars ruled it. Today: Outlook 2013 to Microsoft 365, with
  // the ribbon, inline responses, fast shutdown and no Standard bar clicks.
  enum class Version { Classic, Today };
  enum Response { kReply = 0xF466, kReplyAll = 0xF467, kForward = 0xF468 };
  // A meeting request's answers, as the item classes of the responses they make.
  enum MeetingResponse { kDecline = 55, kAccept = 56, kTentative = 57 };
  explicit Outlook(World& world, bool withExplorer = true, Version version = Version::Classic);
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
  // OnDisconnection and the last Release. Today's Outlook calls the two only for an add-in
  // that registered RequireShutdownNotification; otherwise it shuts down fast.
  void Shutdown();
  // Outlook 2010 and later at exit: no OnBeginShutdown, no OnDisconnection; Outlook lets
  // go of the add-in object, and the windows still open simply vanish with the process.
  void FastShutdown();
  void Unload();  // lets go of the add-in object

  // The COM Add-ins dialog. Unticking calls OnDisconnection(ext_dm_UserClosed) and lets go
  // of the object; Office may still hold it through its ribbon a while (retired ribbons),
  // and may still call that ribbon's callbacks. Ticking again makes a new object through
  // the class factory and connects it with ext_cm_AfterStartup (no OnStartupComplete).
  void Untick();
  HRESULT Tick();
  bool Connected() const { return bool(addIn_); }
  const std::vector<std::unique_ptr<sim::Ribbon>>& retiredRibbons() const { return retired_; }
  void ReleaseRetiredRibbons();  // Office lets go of the old objects at last

  // What a user does in compose windows.
  Inspector* Compose(long format, const std::string& subject, const std::string& body);
  Inspector* Open(DispatchObject* item);  // a window on an existing item; NewInspector fires
  // Send: the item's Send event, then Application.ItemSend; unless an add-in cancelled
  // either, or Outlook gave up, the message leaves (kept in sentMail, written to outbox as
  // .eml when set) and the window closes. Otherwise the window stays open, unsent.
  bool Send(Inspector* window);
  // Another add-in's ItemSend handler, which runs after this add-in's: true cancels.
  std::function<bool(MailItem*)> otherAddInItemSend;
  // Outlook gives up on this many of the next sends after every handler let them go (no
  // account, a transport error).
  int abortSends = 0;
  // What today's Outlook leaves undocumented, played either way.
  struct Undocumented {
    bool inlineItemSendFires = true;  // an inline response's own Send event
    bool itemSendForInline = true;    // Application.ItemSend for an inline response
  } undocumented;
  Version version() const { return version_; }
  bool today() const { return version_ == Version::Today; }
  // The add-in's ribbon in today's Outlook; null in classic or when the add-in has none.
  sim::Ribbon* ribbon() const { return ribbon_.get(); }

  // Today's main window: Reply, Reply to All or Forward written inline in the reading
  // pane (the selected message's own event first, then InlineResponse); null when no mail
  // message is selected.
  MailItem* RespondInline(Response kind);
  // Sends the inline response (its Send event, Application.ItemSend, as the undocumented
  // choices say); false when it stays. Discard drops it; PopOut opens it in a window.
  bool SendInline();
  void DiscardInline();
  Inspector* PopOut();
  MailItem* InlineResponse() const;
  // Another program's MailItem.Send(): the item's Send event, then Application.ItemSend.
  bool SendByProgram(MailItem* item);

  // A read window moved to the next or previous message: the window shows the other item,
  // then the old item's Close fires, with no NewInspector.
  void ShowInWindow(Inspector* window, DispatchObject* next);
  // "Resend This Message", or a program's Copy: a new item carrying every property, the
  // subject, body and recipients of the original, with an entry id of its own once saved;
  // opened in a compose window.
  Inspector* Resend(MailItem* original);
  // An Exchange store moves the message (Drafts to Outbox in cached mode, a draft dragged
  // to another folder): the same item, with a new entry id.
  void MoveInStore(MailItem* mail);
  // Accept, Decline or Tentative on a meeting request: the request's CustomAction event
  // with the response Outlook made, then the response sent at once (its Send event and
  // Application.ItemSend) or, with edit, opened in a compose window. Returns the response,
  // or null when an add-in cancelled the action; *went tells whether one sent at once left.
  MailItem* RespondToMeeting(MailItem* request, MeetingResponse kind, bool edit, bool* went);
  // From now on every compose window shares one set of command bars, as when Word is the
  // mail editor.
  void ShareCommandBars();
  void Close(Inspector* window);
  void CloseAll();  // every window still open, as when Outlook exits
  // Reply, Reply to All or Forward in the compose window: the event fires with the new
  // item before its window opens.
  Inspector* Respond(Inspector* window, Response kind);
  MailItem* Receive(const std::string& eml, std::string* error);

  // What a user does in the main window.
  void Select(std::vector<DispatchObject*> items);  // SelectionChange fires
  void SwitchFolder();                               // BeforeFolderSwitch, FolderSwitch
  void SwitchView();                                 // BeforeViewSwitch, ViewSwitch
  void ActivateExplorer();
  // Another main window (Outlook started from a link, or the user opens one): NewExplorer
  // fires, and the new window becomes the active one.
  Explorer* OpenExplorer();
  // Makes a main window the active one; its Activate fires.
  void ActivateExplorer(Explorer* e);
  const std::vector<Explorer*>& explorers() const { return app_->explorers->windows; }
  // Clicks the button; then, as Outlook does, answers the first selected mail message in a
  // new compose window (null when nothing was opened).
  Inspector* ClickInExplorer(const std::string& caption);
  void CloseExplorer();  // the active main window: Close fires; the window is gone afterwards
  void CloseExplorer(Explorer* e);

  std::string outbox;
  std::string outboxError;  // set when a sent message could not be written to the outbox
  std::vector<MailItem*> sentMail;
  _IDTExtensibility2* addIn() const { return addIn_.get(); }

 private:
  void Switch(DISPID before, DISPID after);
  MailItem* MakeResponse(const MailItem& original, bool forward);
  // Application.ItemSend and the outbox: true when the message left. refused: the add-in
  // itself cancelled it in ItemSend.
  bool Deliver(MailItem* mail, bool itemSend, bool* refused);
  void CloseInline(Explorer* e);
  bool ShutdownNotificationRegistered() const;
  // After a Send that the add-in did not refuse itself (it went, or Outlook or another
  // add-in stopped it): a reference to the message that the add-in still holds is recorded
  // as a violation, unless Outlook itself still shows the message elsewhere (another
  // window on the same item, a selection, an inline response).
  void AuditSent(MailItem* mail, Inspector* sender);

  World& world_;
  Version version_;
  Application* app_;
  CommandBars* sharedBars_ = nullptr;
  ComPtr<_IDTExtensibility2> addIn_;
  std::unique_ptr<sim::Ribbon> ribbon_;
  std::vector<std::unique_ptr<sim::Ribbon>> retired_;
};

// Fires an item event on both of the item's event interfaces, ItemEvents and ItemEvents_10.
HRESULT FireItemEvent(DispatchObject* item, DISPID id, std::vector<VARIANT> args);

}  // namespace sim
